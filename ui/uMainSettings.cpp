// What the main window keeps in the settings file between runs.
#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "ui/FormStorage.h"
#include "ui/base/Dialogs.h"
#include "ui/uMainZox.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>

#include <cstdio>

namespace zox {

namespace {
const QString S = kMainSection;
}

void TMainFrm::RestoreSettings()
{
    Guarded([this] {
        IniFile ini(SettingsFilePath());
        // Window placement, only at the pixel density it was written at.
        if (ini.ReadInteger(S, "FormVersion", -1) >= 0) {
            const int showCmd = ini.ReadInteger(S, "ShowCmd", 1);
            QString pos = ini.ReadString(S, "NormPos" + ScreenSuffix(), QString());
            if (pos.isEmpty()) pos = ini.ReadString(S, "NormPos", QString());
            const QRect r = RectFromText(pos);
            if (ini.ReadInteger(S, "PixelsPerInch", 0) == ScreenPixelsPerInch() && !r.isEmpty()) {
                setGeometry(r);
                m_placementRestored = true;
            }
            if (showCmd == 3) setWindowState(windowState() | Qt::WindowMaximized);
            else if (showCmd == 2) setWindowState(windowState() | Qt::WindowMinimized);
        }
        // Stored control properties; an absent one keeps its design value.
        if (ini.ValueExists(S, "Keyer1_Checked"))
            Keyer1->setChecked(ini.ReadString(S, "Keyer1_Checked", "False") == "True");
        for (QLineEdit* e : {edCall, edHisMulti}) {
            QFont f = e->font();
            QColor c = e->palette().color(QPalette::Text);
            ReadFont(ini, S, e->objectName() + "_Font", f, &c);
            e->setFont(f);
            QPalette p = e->palette();
            p.setColor(QPalette::Text, c);
            e->setPalette(p);
        }
        RestoreClockProperties(ini);
        // The program's own keys.
        UtcMode = ReadUtcMode(ini);
        ReadUserInfo(ini, UserInfo);
        RestoreRadioKeys(ini);  // before the keyer's outputs, which may use the radio
        RestoreKeyerKeys(ini);
        const QString active = ini.ReadString(S, "ActiveControl", QString());
        if (!active.isEmpty())
            if (auto* w = findChild<QWidget*>(active)) w->setFocus();
    });
}

void TMainFrm::SaveSettings(bool quiet)
{
    m_settingsSaved = true;
    auto write = [this] {
        IniFile ini(SettingsFilePath());
        ini.WriteInteger(S, "FormVersion", 0);
        ini.WriteInteger(S, "Flags", 0);
        ini.WriteInteger(S, "ShowCmd", isMaximized() ? 3 : isMinimized() ? 2 : 1);
        ini.WriteInteger(S, "PixelsPerInch", ScreenPixelsPerInch());
        for (const QString& suffix : {QString(), ScreenSuffix()}) {
            ini.WriteString(S, "MinMaxPos" + suffix, "-1,-1,-1,-1");
            ini.WriteString(S, "NormPos" + suffix, RectText(normalGeometry()));
        }
        QWidget* focus = QApplication::focusWidget();
        ini.WriteString(S, "ActiveControl", focus && isAncestorOf(focus) ? focus->objectName() : QString());
        ini.WriteString(S, "Visible", isVisible() ? "1" : "0");
        ini.WriteString(S, "Keyer1_Checked", Keyer1->isChecked() ? "True" : "False");
        for (QLineEdit* e : {edCall, edHisMulti})
            WriteFont(ini, S, e->objectName() + "_Font", e->font(), e->palette().color(QPalette::Text));
        SaveClockProperties(ini);
        WriteUtcMode(ini, UtcMode);
        WriteUserInfo(ini, UserInfo);
        ini.WriteString(S, "Keyer Enabled", Keyer1->isChecked() ? "1" : "0");
        SaveKeyerKeys(ini);
        SaveRadioKeys(ini);
        ini.UpdateFile();
    };
    if (!quiet) {
        Guarded(write);
        return;
    }
    // While the window is being destroyed no dialog may open: the failure goes
    // to the error output.
    try {
        write();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zox: %s\n", e.what());
    }
}

}  // namespace zox

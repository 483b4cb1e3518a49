// The radio as the main window works it: the link made from the settings,
// the mode taken from the radio and given to it, and the radio's state in the
// status bar. Nothing here waits for the radio.
#include "app/IniFile.h"
#include "app/uGlob.h"
#include "rig/HamlibLink.h"
#include "ui/base/Dialogs.h"
#include "ui/uMainZox.h"

#include <QComboBox>
#include <QLabel>
#include <QScopeGuard>
#include <QStatusBar>

namespace zox {

namespace {
const QString S = QStringLiteral("Radio");
}

void TMainFrm::RestoreRadioKeys(const IniFile& ini)
{
    RadioSettings s;
    m_radioNote.clear();
    const QString link = ini.ReadString(S, "Link", "none");
    if (!LinkKindFromText(link, s.link)) {
        s.link = RadioLinkKind::None;
        m_radioNote = "Povezava z radiem \"" + link + "\" v Zox.ini ni znana (none, hamlib, rigctld), program dela brez radia !";
    }
    s.model = ini.ReadInteger(S, "Model", s.model);
    s.device = ini.ReadString(S, "Device", s.device);
    s.baud = ini.ReadInteger(S, "Baud", s.baud);
    s.host = ini.ReadString(S, "Host", s.host);
    s.port = ini.ReadInteger(S, "Port", s.port);
    if (s.link == RadioLinkKind::Rigctld && (s.port < 1 || s.port > 65535)) {
        m_radioNote = "Vrata rigctld " + ini.ReadString(S, "Port", QString()) + " v Zox.ini niso veljavna, program dela brez radia !";
        s.link = RadioLinkKind::None;
    }
    RadioConfig = s;
    m_radioSettingsChanged = false;
}

// Only settings changed in the program are written: a line the operator
// wrote by hand, even one the program could not use, stays as it was.
void TMainFrm::SaveRadioKeys(IniFile& ini)
{
    if (!m_radioSettingsChanged) return;
    ini.WriteString(S, "Link", LinkKindText(RadioConfig.link));
    ini.WriteInteger(S, "Model", RadioConfig.model);
    ini.WriteString(S, "Device", RadioConfig.device);
    ini.WriteInteger(S, "Baud", RadioConfig.baud);
    ini.WriteString(S, "Host", RadioConfig.host);
    ini.WriteInteger(S, "Port", RadioConfig.port);
}

void TMainFrm::SetRadioSettings(const RadioSettings& settings)
{
    RadioConfig = settings;
    m_radioSettingsChanged = true;
    m_radioNote.clear();
    if (m_shown) StartRadio();
}

void TMainFrm::StartRadio()
{
    StopRadio(0);  // an old radio thread still held by its radio closes by itself
    m_radioMode.Restart();
    Radio = MakeRadioLink(RadioConfig, this);
    if (!Radio) {
        if (m_radioNote.isEmpty()) {
            if (RadioLabel) RadioLabel->hide();
        } else {
            ShowRadioText(m_radioNote, true);
        }
        return;
    }
    ShowRadioText("Povezovanje z radiem ...", false);
    connect(Radio, &RadioLink::Linked, this, [this](bool up) {
        if (!up) return;  // the failure that follows says why
        m_radioMode.Restart();  // the mode the radio is in now counts
        ShowRadioText("Radio povezan", false);
    });
    connect(Radio, &RadioLink::Status, this, [this](const RadioStatus& s) { Guarded([&] { RadioReport(s); }); });
    connect(Radio, &RadioLink::Failure, this, [this](const QString& text) { ShowRadioText(text, true); });
}

void TMainFrm::StopRadio(int waitMs)
{
    if (!Radio) return;
    RadioLink* link = std::exchange(Radio, nullptr);
    link->Close(waitMs);
    delete link;
}

void TMainFrm::ShowRadioText(const QString& text, bool warning)
{
    if (!RadioLabel) {
        RadioLabel = new QLabel(statusBar());
        RadioLabel->setObjectName("RadioLabel");
        statusBar()->addPermanentWidget(RadioLabel);
    }
    RadioLabel->setStyleSheet(warning ? "color: red;" : "");
    RadioLabel->setText(text);
    RadioLabel->show();
}

void TMainFrm::RadioReport(const RadioStatus& status)
{
    ShowRadioText(RadioStatusText(status), status.frequencyHz > 0 && !InContestBand(status.frequencyHz));
    if (const auto mode = m_radioMode.Follow(status)) ModeFromRadio(*mode == ContestMode::Cw ? 0 : 1);
}

// As if the operator had chosen it in "Vrsta oddaje"; the radio is not told
// what it has just said.
void TMainFrm::ModeFromRadio(int index)
{
    if (cbMode->currentIndex() == index) return;
    m_modeFromRadio = true;
    const auto reset = qScopeGuard([this] { m_modeFromRadio = false; });
    cbMode->setCurrentIndex(index);
    cbModeChange(index);
}

void TMainFrm::ModeToRadio()
{
    if (Radio) Radio->SetContestMode(ModeIndex == 0 ? ContestMode::Cw : ContestMode::Ssb);
}

}  // namespace zox

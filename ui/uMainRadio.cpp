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
    RadioPort->Attach(Radio);
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
        m_radioMode.Restart();  // the mode the radio is in when it is back counts
        if (!up) return;        // the failure that follows says why
        ShowRadioText("Radio povezan", false);
    });
    connect(Radio, &RadioLink::Status, this, [this](const RadioStatus& s) { Guarded([&] { RadioReport(s); }); });
    connect(Radio, &RadioLink::Failure, this, [this](const QString& text) { ShowRadioText(text, true); });
}

void TMainFrm::StopRadio(int waitMs)
{
    if (!Radio) return;
    RadioLink* link = std::exchange(Radio, nullptr);
    RadioPort->Attach(nullptr);  // the keying thread reaches it no more
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
    const auto mode = m_radioMode.Follow(status);
    // A stored QSO being corrected keeps its own mode; the line takes the
    // radio's when the correction ends.
    if (mode && !Session.Correcting()) ModeFromRadio(*mode == ContestMode::Cw ? 0 : 1);
}

// As if the operator had chosen it in "Vrsta oddaje"; the radio is not told
// what it has just said.
void TMainFrm::ModeFromRadio(int index)
{
    if (cbMode->currentIndex() == index) return;
    cbMode->setCurrentIndex(index);
    cbModeChange(index);
}

// After a stored QSO was shown for correction, the line takes the radio's mode again.
void TMainFrm::ModeFromRadioAgain()
{
    if (!Radio) return;
    if (const auto mode = m_radioMode.Current()) ModeFromRadio(*mode == ContestMode::Cw ? 0 : 1);
}

// The operator's choice for the next contacts; not a correction of a stored one.
void TMainFrm::ModeToRadio()
{
    if (Radio && !Session.Correcting()) Radio->SetContestMode(ModeIndex == 0 ? ContestMode::Cw : ContestMode::Ssb);
}

}  // namespace zox

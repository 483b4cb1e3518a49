// The keyer as the main window works it: on and off, the poll tick, the
// toolbar controls and the keyer's keys in the settings file.
#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "keyer/CwKeyerSetup.h"
#include "keyer/Macros.h"
#include "keyer/WavSound.h"
#include "ui/base/Dialogs.h"
#include "keyer/ThdTimer.h"
#include "ui/base/CMEnable.h"
#include "ui/uMainZox.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace zox {

namespace {
const QString S = kMainSection;
}

KeyerSpinBox::KeyerSpinBox(QWidget* parent) : QSpinBox(parent)
{
    // Whatever is typed counts at once, held in range; text that is not a number is the minimum.
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const int typed = text.trimmed().toInt(&ok);
        const int v = std::clamp(ok ? typed : minimum(), minimum(), maximum());
        const int pos = lineEdit()->cursorPosition();
        if (v != value()) setValue(v);
        // Above the range the field shows the maximum at once; below it the operator
        // is still typing ("1" on the way to "130"), so the text stays as typed.
        const QString shown = ok && typed > maximum() ? QString::number(v) : text;
        if (lineEdit()->text() != shown) {
            lineEdit()->setText(shown);
            lineEdit()->setCursorPosition(std::min(pos, int(shown.size())));
        }
    });
}

QValidator::State KeyerSpinBox::validate(QString& input, int&) const
{
    for (QChar c : input)
        if (!c.isDigit()) return QValidator::Invalid;
    return QValidator::Acceptable;
}

int KeyerSpinBox::valueFromText(const QString& text) const
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return std::clamp(ok ? v : minimum(), minimum(), maximum());
}

void TMainFrm::buildKeyer()
{
    TT = new TThreadedTimer(this);
    TT->SetInterval(1);
    TT->OnTimer = [this] { TTTimer(); };
    connect(Keyer1, &QAction::triggered, this, [this](bool checked) { checked ? KeyerEnable() : KeyerDisable(); });
    connect(AvtoEdit, &QAction::triggered, this, [this](bool checked) {
        if (!Keyer) { AvtoEdit->setChecked(false); return; }
        Keyer->SetPisem(checked);
        AutoEditBtn->setChecked(checked);
    });
    connect(AutoEditBtn, &QToolButton::clicked, this, [this] {
        if (!Keyer) { AutoEditBtn->setChecked(false); return; }
        Keyer->SetPisem(!Keyer->Pisem());
        AutoEditBtn->setChecked(Keyer->Pisem());
        AvtoEdit->setChecked(Keyer->Pisem());
    });
    connect(ZvocnikBtn, &QToolButton::clicked, this, [this] {
        if (!Keyer) { ZvocnikBtn->setChecked(false); return; }
        Keyer->SetSpeaker(!Keyer->Speaker());
        ZvocnikBtn->setChecked(Keyer->Speaker());
    });
    connect(SpeedItem12, &QToolButton::pressed, this, [this] { if (Keyer) Keyer->ManualKeyDown(); });
    connect(SpeedItem12, &QToolButton::released, this, [this] { if (Keyer) Keyer->ManualKeyUp(); });
    connect(edKeyerSpeed, &QSpinBox::valueChanged, this, [this](int v) { if (Keyer) Keyer->SetSpeed(v); });
    connect(edkeyerSpeed1, &QSpinBox::valueChanged, this, [this](int v) { if (Keyer) Keyer->SetHiSpeed(v); });
    connect(edKeyerSpeed2, &QSpinBox::valueChanged, this, [this](int v) { if (Keyer) Keyer->SetHiSpeed1(v); });
    connect(edKeyerTone, &QSpinBox::valueChanged, this, [this](int v) { if (Keyer) Keyer->SetTone(v); });
    connect(Povecaj, &QAction::triggered, this, [this] { SpeedStep(+5); });
    for (int i = 0; i < 8; ++i) {
        connect(SendMemory[i], &QAction::triggered, this, [this, i] { SendMemoryKey(i + 1); });
        connect(FButtons[i], &QToolButton::clicked, SendMemory[i], &QAction::trigger);
        connect(EditMemory[i], &QAction::triggered, this, [this, i] { EditMemoryKey(i + 1); });
    }
    connect(NastavitveItem, &QAction::triggered, this, [this] { ShowKeyerSetup(); });

    WS = new TWavSound(nullptr, this);
    WS->SetSoundLoop(false);
    Sender = new TMemorySender;
    TMemorySendHooks& h = Sender->Hooks();
    h.Memory = [this](int slot) { return Keyer ? Keyer->Memory()[slot] : QString(); };
    h.IsDupe = [this] { return DupeMark; };
    h.Context = [this] { return MacroContext{UserInfo.User.Call, edCall->text(), UserInfo.User.Multi}; };
    h.SendText = [this](const QString& text) { if (Keyer) Keyer->SendText(text); };
    h.ClearLine = [this] {
        // As "Počisti" does when nothing is being sent.
        if (LogOpen) ClearEntry();
        else {
            edCall->clear();
            ShowMessageDlg(LogDialogPath + " Datoteka ni odprta !", mtWarning, mbOK);
        }
    };
    // As the operator moving there with Tab: the year number is looked up.
    h.FocusHisMulti = [this] { if (!edHisMulti->hasFocus()) edHisMulti->setFocus(Qt::TabFocusReason); };
    h.Save = [this] { Guarded([this] { Save(); }); };
    h.IsSsb = [this] { return ModeIndex == 1; };
    h.PlayVoice = [this] {
        if (VoiceWait) PlayVoiceExchange(*WS, Dir.Wav, VoiceWait);
        else PlayVoiceExchange(*WS, Dir.Wav);
    };
    connect(Zmanjsaj, &QAction::triggered, this, [this] { SpeedStep(-5); });
}

void TMainFrm::SendMemoryKey(int slot)
{
    if (!Keyer) return;
    Sender->Send(slot);
}

void TMainFrm::EditMemoryKey(int slot)
{
    if (!Keyer) return;
    zox::EditMemory(Keyer->Memory(), slot);
}

void TMainFrm::ShowKeyerSetup()
{
    if (!Keyer) return;
    ShowSetup(*Keyer, this);
    RefreshKeyerFields();
}

void TMainFrm::KeyerEnable()
{
    if (Keyer) return;
    Keyer = new TCwKeyer(KeyerPlatformForTests, this);
    Enabler->EnableGroup("FGrup");
    KeyerOn = true;
    Keyer1->setChecked(true);
    TT->SetEnabled(true);
}

void TMainFrm::KeyerDisable()
{
    Enabler->DisableGroup("FGrup");
    TT->SetEnabled(false);
    KeyerOn = false;
    Keyer1->setChecked(false);
    // The keyer may be in the middle of a send further down the stack.
    if (TCwKeyer* k = std::exchange(Keyer, nullptr)) {
        k->SetStop(true);
        k->deleteLater();
    }
}

void TMainFrm::TTTimer()
{
    if (!Keyer) return;
    Keyer->PollDot();
    Keyer->PollDash();
    QString ch;
    if (Keyer && Keyer->ReadPaddleChar(ch)) edCall->setText(edCall->text() + ch);
}

void TMainFrm::SpeedStep(int delta)
{
    if (!Keyer) return;
    Keyer->SetSpeed(std::clamp(Keyer->Speed() + delta, 50, 255));
    edKeyerSpeed->setValue(Keyer->Speed());
}

void TMainFrm::RefreshKeyerFields()
{
    if (!Keyer) return;
    // Each field holds its own range, and the keyer takes what the field shows.
    edKeyerSpeed->setValue(Keyer->Speed());
    Keyer->SetSpeed(edKeyerSpeed->value());
    edkeyerSpeed1->setValue(Keyer->HiSpeed());
    Keyer->SetHiSpeed(edkeyerSpeed1->value());
    edKeyerSpeed2->setValue(Keyer->HiSpeed1());
    Keyer->SetHiSpeed1(edKeyerSpeed2->value());
    edKeyerTone->setValue(Keyer->Tone());
    Keyer->SetTone(edKeyerTone->value());
}

void TMainFrm::RestoreKeyerKeys(const IniFile& ini)
{
    if (ini.ReadString(S, "Keyer Enabled", "1") == "0") {
        Enabler->DisableGroup("FGrup");
        Keyer1->setChecked(false);
        return;
    }
    Keyer1->setChecked(true);
    KeyerEnable();
    for (int i = 1; i <= 8; ++i)
        Keyer->Memory()[i] = ini.ReadString(S, QString("Keyer F%1").arg(i), QString("F%1").arg(i));
    Keyer->SetSpeed(std::clamp(ini.ReadInteger(S, "Keyer Speed", 115), 50, 255));
    Keyer->SetHiSpeed(std::clamp(ini.ReadInteger(S, "Keyer Speed 1", 150), 50, 255));
    Keyer->SetHiSpeed1(std::clamp(ini.ReadInteger(S, "Keyer Speed 2", 170), 50, 255));
}

void TMainFrm::SaveKeyerKeys(IniFile& ini)
{
    if (!Keyer) return;  // an absent keyer leaves its keys as the file has them
    for (int i = 1; i <= 8; ++i) ini.WriteString(S, QString("Keyer F%1").arg(i), Keyer->Memory()[i]);
    ini.WriteInteger(S, "Keyer Speed", Keyer->Speed());
    ini.WriteInteger(S, "Keyer Speed 1", Keyer->HiSpeed());
    ini.WriteInteger(S, "Keyer Speed 2", Keyer->HiSpeed1());
}

}  // namespace zox

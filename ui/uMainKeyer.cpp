// The keyer as the main window works it: on and off, the poll tick, the
// toolbar controls, the voice exchange, the sending indicator and the keyer's
// keys in the settings file.
#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "keyer/CwKeyerSetup.h"
#include "keyer/KeyRelease.h"
#include "keyer/Macros.h"
#include "keyer/VoiceExchange.h"
#include "keyer/WavSound.h"
#include "ui/SendIndicator.h"
#include "ui/base/Dialogs.h"
#include "keyer/ThdTimer.h"
#include "ui/base/CMEnable.h"
#include "ui/uMainZox.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStatusBar>
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
    // The operator's speeds: the keyer's and the settings' alike. While the keyer
    // is off the fields change nothing.
    connect(edKeyerSpeed, &QSpinBox::valueChanged, this, [this](int v) {
        if (!Keyer) return;
        Keyer->SetNormalSpeed(v);  // a section being sent keeps its own speed
        KeyerSettings.Speed = Keyer->NormalSpeed();
    });
    connect(edkeyerSpeed1, &QSpinBox::valueChanged, this, [this](int v) {
        if (!Keyer) return;
        Keyer->SetHiSpeed(v);
        KeyerSettings.HiSpeed = Keyer->HiSpeed();
    });
    connect(edKeyerSpeed2, &QSpinBox::valueChanged, this, [this](int v) {
        if (!Keyer) return;
        Keyer->SetHiSpeed1(v);
        KeyerSettings.HiSpeed1 = Keyer->HiSpeed1();
    });
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
    Voice = new TVoicePlayer(*WS, this);
    SendIndicator = new TSendIndicator(statusBar());
    statusBar()->addPermanentWidget(SendIndicator);
    Sender = new TMemorySender;
    TMemorySendHooks& h = Sender->Hooks();
    h.Memory = [this](int slot) { return Keyer ? Keyer->Memory()[slot] : QString(); };
    h.IsDupe = [this] { return DupeMark; };
    h.Context = [this] { return MacroContext{UserInfo.User.Call, edCall->text(), UserInfo.User.Multi}; };
    h.SendText = [this](const QString& text) {
        if (!Keyer) return;
        Voice->Stop();  // one message at a time
        const int send = SendIndicator->Start(text);
        // Sends nest: each shows its own progress while it runs.
        const QPointer<TCwKeyer> keyer(Keyer);
        auto outer = std::exchange(Keyer->OnCharacter, [this](int i) { SendIndicator->SetProgress(i); });
        const auto done = qScopeGuard([&] {
            if (keyer) keyer->OnCharacter = std::move(outer);
            SendIndicator->Finish(send);
        });
        Keyer->SendText(text);
    };
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
    h.PlayVoice = [this] { PlayVoiceExchange(); };
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
    if (zox::EditMemory(Keyer->Memory(), slot)) KeyerSettings.Memory[slot] = Keyer->Memory()[slot];
}

void TMainFrm::ShowKeyerSetup()
{
    if (!Keyer) return;
    const QPointer<TCwKeyer> keyer(Keyer);
    ShowSetup(*Keyer, this);
    if (!keyer || keyer != Keyer) return;  // switched off while the dialog was open
    RefreshKeyerFields();
    KeyerSettings.TakeFrom(*Keyer);
}

void TMainFrm::KeyerEnable()
{
    if (Keyer) return;
    Keyer = new TCwKeyer(KeyerPlatformForTests, this);
    // The operator's memories and speeds, not a new keyer's; the tone and the
    // speaker as the toolbar shows them.
    if (KeyerSettings.Loaded) {
        KeyerSettings.ApplyTo(*Keyer);
        Keyer->SetTone(edKeyerTone->value());
        Keyer->SetSpeaker(ZvocnikBtn->isChecked());
    }
    Enabler->EnableGroup("FGrup");
    KeyerOn = true;
    Keyer1->setChecked(true);
    TT->SetEnabled(true);
    if (KeyerSettings.Loaded) RefreshKeyerFields();
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
    // Tune may be held, or a send cut off inside an element.
    ReleaseKeys();
}

bool TMainFrm::StopSending()
{
    bool stopped = false;
    if (Voice && Voice->Playing()) {
        Voice->Stop();
        stopped = true;
    }
    if (Keyer && !Keyer->Stop()) {
        Keyer->SetStop(true);
        stopped = true;
    }
    return stopped;
}

void TMainFrm::PlayVoiceExchange()
{
    const QString year = UserInfo.User.Multi.trimmed();
    const QStringList digits = VoiceExchangeDigits(year);
    if (digits.isEmpty()) {
        // A wrong exchange is worse than none.
        InfoLabel->setText(year.isEmpty() ? QStringLiteral("Ni lastnega množitelja !")
                                          : QStringLiteral("Lastni množitelj ni dvomestno število !"));
        return;
    }
    // One message at a time: this one replaces whatever is being sent.
    Voice->Stop();
    if (Keyer && !Keyer->Stop()) Keyer->SetStop(true);
    QStringList paths;
    for (const QString& file : VoiceExchangeFiles(year)) paths << Dir.Wav + file;
    const int send = SendIndicator->Start(digits.join(u' '));
    Voice->OnFile = [this](int i) { SendIndicator->SetProgress(2 * i); };
    Voice->OnDone = [this, send] { SendIndicator->Finish(send); };
    Voice->Play(paths);
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
    // The normal speed: inside a "$" or "%" section being sent, the one it comes back to.
    Keyer->SetNormalSpeed(std::clamp(Keyer->NormalSpeed() + delta, 50, 255));
    KeyerSettings.Speed = Keyer->NormalSpeed();
    edKeyerSpeed->setValue(Keyer->NormalSpeed());
}

void TMainFrm::RefreshKeyerFields()
{
    if (!Keyer) return;
    // Each field holds its own range, and the keyer takes what the field shows.
    edKeyerSpeed->setValue(Keyer->NormalSpeed());
    Keyer->SetNormalSpeed(edKeyerSpeed->value());
    edkeyerSpeed1->setValue(Keyer->HiSpeed());
    Keyer->SetHiSpeed(edkeyerSpeed1->value());
    edKeyerSpeed2->setValue(Keyer->HiSpeed1());
    Keyer->SetHiSpeed1(edKeyerSpeed2->value());
    edKeyerTone->setValue(Keyer->Tone());
    Keyer->SetTone(edKeyerTone->value());
}

void TMainFrm::RestoreKeyerKeys(const IniFile& ini)
{
    // Read whether the keyer is on or not: switched on later, it is loaded from them.
    KeyerSettings = ReadKeyerSettings(ini, S);
    if (ini.ReadString(S, "Keyer Enabled", "1") == "0") {
        Enabler->DisableGroup("FGrup");
        Keyer1->setChecked(false);
        return;
    }
    Keyer1->setChecked(true);
    if (Keyer) KeyerSettings.ApplyTo(*Keyer);
    else KeyerEnable();
}

void TMainFrm::SaveKeyerKeys(IniFile& ini)
{
    if (!KeyerSettings.Loaded) return;  // never read: the file keeps its keys
    WriteKeyerSettings(ini, S, KeyerSettings);
}

}  // namespace zox

// The keyer as the main window works it: on and off, its outputs, the
// paddle characters, the toolbar controls, the voice exchange, the sending
// indicator and the keyer's keys in the settings file. The keyer keys on a
// thread of its own; everything here runs on the user-interface thread and
// hears back from it through the keyer's callbacks.
#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "keyer/KeyRelease.h"
#include "keyer/KeyingSettings.h"
#include "keyer/Macros.h"
#include "keyer/audio/SoundCardSidetone.h"
#include "keyer/audio/VoiceExchange.h"
#include "keyer/audio/WavSound.h"
#include "rig/RadioKeyOutput.h"
#include "ui/CwKeyerSetup.h"
#include "ui/MemoryEdit.h"
#include "ui/SendIndicator.h"
#include "ui/base/CMEnable.h"
#include "ui/base/Dialogs.h"
#include "ui/uMainZox.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>

namespace zox {

namespace {

const QString S = kMainSection;

// The same outputs, whatever the PTT timing.
bool SameOutputs(TKeyingSettings a, TKeyingSettings b)
{
    a.Ptt = b.Ptt;
    a.Loaded = b.Loaded;
    return a == b;
}

// The clock a real keyer keys by, for the sound card to place its edges.
KeyerPlatform& RealClock()
{
    static const std::unique_ptr<KeyerPlatform> clock = MakeRealKeyerPlatform(false);
    return *clock;
}

}  // namespace

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
    h.SendText = [this](const QString& text, std::function<void()> done) {
        if (!Keyer) {
            if (done) done();
            return;
        }
        Voice->Stop();  // one message at a time
        const int shown = SendIndicator->Start(text);
        // The keyer reports the characters of its latest send only; the
        // indicator may show a voice message started since.
        Keyer->OnCharacter = [this, shown](int i) {
            if (SendIndicator->Current() == shown) SendIndicator->SetProgress(i);
        };
        Keyer->SendText(text, [this, shown, done = std::move(done)](bool) {
            SendIndicator->Finish(shown);
            if (done) done();
        });
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
    TKeyingSettings keying = KeyingSettings;
    RadioSettings radio = RadioConfig;
    const bool taken = ShowSetup(*Keyer, &keying, &radio, this);
    if (!keyer || keyer != Keyer) return;  // switched off while the dialog was open
    RefreshKeyerFields();
    KeyerSettings.TakeFrom(*Keyer);
    if (!taken) return;
    if (radio != RadioConfig) SetRadioSettings(radio);  // linked anew
    const bool newOutput = !SameOutputs(keying, KeyingSettings);
    KeyingSettings = keying;
    Keyer->SetPttTiming(KeyingSettings.Ptt);
    if (newOutput) Keyer->SetOutput(MakeKeyOutput());
}

std::unique_ptr<TKeyOutput> TMainFrm::MakeKeyOutput()
{
    QStringList problems;
    KeyerPlatform& clock = KeyerPlatformForTests ? *KeyerPlatformForTests : RealClock();
    auto output = BuildKeyOutput(
        KeyingSettings, SerialIoForTests ? *SerialIoForTests : SystemSerialIo(),
        [&clock] { return std::make_unique<TSoundCardSidetone>(clock); }, problems,
        [this](bool keysCw, bool ptt) { return std::make_unique<TRadioKeyOutput>(RadioPort, keysCw, ptt); });
    if (KeyingSettings.UsesRadio() && RadioConfig.link == RadioLinkKind::None)
        problems << QStringLiteral("Radio ni povezan (Nastavitve, stran Radio): tipkanje in PTT prek radia ne delujeta.");
    // Keying goes on without what failed; the operator is told once.
    if (!problems.isEmpty()) statusBar()->showMessage(problems.join(u' '));
    return output;
}

void TMainFrm::FollowModeWithPaddles()
{
    if (KeyerOn && Keyer) Keyer->SetPaddlePoll(ModeIndex == 0);
}

void TMainFrm::KeyerEnable()
{
    if (Keyer) return;
    Keyer = new TCwKeyer(KeyerPlatformForTests, MakeKeyOutput(), this);
    Keyer->SetPttTiming(KeyingSettings.Ptt);
    // Characters keyed with the paddles go to the end of the call, as typed there.
    Keyer->OnPaddleChar = [this](const QString& ch) { edCall->setText(edCall->text() + ch); };
    Keyer->OnFailure = [this](const QString& text) { statusBar()->showMessage(QStringLiteral("Taster: ") + text); };
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
    Keyer->SetPaddlePoll(true);  // in either mode, until the mode next changes
    if (KeyerSettings.Loaded) RefreshKeyerFields();
}

void TMainFrm::KeyerDisable()
{
    Enabler->DisableGroup("FGrup");
    KeyerOn = false;
    Keyer1->setChecked(false);
    // A voice message goes with its PTT: switching off stops it, as Esc does.
    if (Voice) Voice->Stop();
    if (TCwKeyer* k = std::exchange(Keyer, nullptr)) {
        // Its thread ends now, with the key up; the object goes once this
        // call is over, for a callback of it may be on the stack.
        k->Shutdown();
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
        InfoLabel->setText(year.isEmpty() ? kInfoNoOwnYear : kInfoOwnYearNotTwoDigits);
        return;
    }
    // Without a sound device PTT would key a silent transmitter.
    if (!WS->CanPlay()) {
        InfoLabel->setText(kInfoNoSoundDevice);
        return;
    }
    // One message at a time: this one replaces whatever is being sent.
    Voice->Stop();
    if (Keyer && !Keyer->Stop()) Keyer->SetStop(true);
    QStringList paths;
    for (const QString& file : VoiceExchangeFiles(year)) paths << Dir.Wav + file;
    const int send = SendIndicator->Start(digits.join(u' '));
    Voice->OnFile = [this](int i) { SendIndicator->SetProgress(2 * i); };
    // PTT on and its lead before the first word, where there is a PTT line.
    Voice->Lead = [this](std::function<void()> start) {
        if (Keyer) Keyer->VoiceStart(std::move(start));
        else start();
    };
    Voice->OnDone = [this, send] {
        SendIndicator->Finish(send);
        if (Keyer) Keyer->VoiceEnd();  // PTT off after its tail
    };
    Voice->Play(paths);
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
    const TKeyingSettings before = KeyingSettings;
    KeyingSettings = ReadKeyingSettings(ini);
    if (Keyer) {
        Keyer->SetPttTiming(KeyingSettings.Ptt);
        if (!SameOutputs(before, KeyingSettings)) Keyer->SetOutput(MakeKeyOutput());
    }
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
    // Never read: the file keeps its keys.
    if (KeyerSettings.Loaded) WriteKeyerSettings(ini, S, KeyerSettings);
    if (KeyingSettings.Loaded) WriteKeyingSettings(ini, KeyingSettings);
}

}  // namespace zox

#include "keyer/CwKeyer.h"

#include "keyer/PiMutex.h"

#include <QMetaObject>
#include <QScopeGuard>

#include <algorithm>
#include <deque>
#include <future>
#include <mutex>
#include <optional>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace zox {

namespace {

using Time = KeyerPlatform::Time;
using std::chrono::milliseconds;

// Work at a check point that takes longer than this (paddle elements, say)
// pauses the send instead of being made up by shortening the elements that
// follow. Shorter delays are caught up.
constexpr Time kCheckPointPause = milliseconds(1);

enum TMessageKind {
    MsgSend,
    MsgSendChar,
    MsgStop,
    MsgManualDown,
    MsgManualUp,
    MsgPollDot,
    MsgPollDash,
    MsgReadChar,
    MsgPollOn,
    MsgPollOff,
    MsgVoiceStart,
    MsgVoiceEnd,
    MsgOutput,
    MsgQuit,
};

bool IsSend(int kind) { return kind == MsgSend || kind == MsgSendChar; }

struct TMessage {
    explicit TMessage(int kind, int id = 0, QString text = {}) : Kind(kind), Id(id), Text(std::move(text)) {}
    int Kind;
    int Id;
    QString Text;
    std::unique_ptr<TKeyOutput> Output;
};

}  // namespace

// Everything both threads touch, behind one lock that neither holds while it
// sleeps or reaches a device.
struct TCwKeyer::TShared {
    mutable TPiMutex Lock;

    quint16 LptPort = 0x378;
    qint32 Tone = 600;
    qint32 Speed = 120;
    qint32 HiSpeed = 150;
    qint32 HiSpeed1 = 170;
    bool Speaker = true;
    bool Stop = false;
    bool Pisem = false;
    quint8 DotLength = kTimingConstant / 120;
    quint8 SavedSpeed = 120;
    quint8 ControlBase = 0;
    quint32 PaddleCode = 0;
    bool KeyDown = false;
    bool ToneOn = false;
    // The sections open in the send in progress, and the speed outside them.
    bool Faster = false;
    bool Fastest = false;
    qint32 NormalSpeed = 120;
    TPttTiming Ptt;
    bool Poll = false;

    std::deque<TMessage> Queue;
    int Outstanding = 0;    // sends queued or being keyed
    bool Busy = false;      // the keying thread is handling a message or keying
    bool Quitting = false;  // no send is keyed any more

    void SetSpeed(qint32 speed)
    {
        // Held in range: the dot length divides by it and the saved speed keeps 8 bits.
        speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
        if (speed == Speed) return;
        Speed = speed;
        DotLength = static_cast<quint8>(kTimingConstant / speed);
    }

    // A send that does not run to its end: speed back to normal, sections closed.
    void CloseSections()
    {
        if (Faster || Fastest) SetSpeed(NormalSpeed);
        Faster = false;
        Fastest = false;
    }

    // A speed marker opens or closes its section; "$" and "%" share the one saved speed.
    void SpeedMarker(QChar c)
    {
        if ((c == QLatin1Char('$') || c == QLatin1Char('%')) && !Faster && !Fastest) NormalSpeed = Speed;
        if (c == QLatin1Char('$')) {
            if (!Fastest) {
                SavedSpeed = static_cast<quint8>(Speed & 0xFF);
                SetSpeed(HiSpeed1);
                Fastest = true;
            } else {
                SetSpeed(SavedSpeed);
                Fastest = false;
            }
        }
        if (c == QLatin1Char('%')) {
            if (!Faster) {
                SavedSpeed = static_cast<quint8>(Speed & 0xFF);
                SetSpeed(HiSpeed);
                Faster = true;
            } else {
                SetSpeed(SavedSpeed);
                Faster = false;
            }
        }
    }

    bool SendQueued() const
    {
        return std::any_of(Queue.begin(), Queue.end(), [](const TMessage& m) { return IsSend(m.Kind); });
    }
};

// The keying thread's side.
class TCwKeyer::TEngine {
public:
    TEngine(TCwKeyer& keyer, KeyerPlatform& platform, TShared& shared, std::unique_ptr<TKeyOutput> output)
        : m_keyer(keyer), m_platform(platform), m_shared(shared), m_output(std::move(output))
    {
    }

    // `scheduled` learns whether the thread got real-time scheduling.
    void Run(std::promise<bool>& scheduled);

private:
    struct TSchedule {
        Time Start;
        Time Offset{0};
        Time Deadline() const { return Start + Offset; }
    };

    using Lock = std::lock_guard<TPiMutex>;

    bool Step();  // false: the keyer is shutting down
    void HandleAnywhere(TMessage& message);
    void DoSend(int id, const QString& text);
    void DoSendChar(int id, QChar ch);
    void EndSend(int id, bool toTheEnd);
    bool CheckPoint(TSchedule& schedule);
    bool KeyChar(QChar ch, TSchedule& schedule);
    bool KeyWholeText(const QString& text, TSchedule& schedule);
    void Wait(TSchedule& schedule, int milliseconds);
    void Tick();
    void Paddle(quint8 bit, quint32 add, int units);
    void ReadPaddleChar();
    void ManualKeyDown();
    void ManualKeyUp();
    void PostDueVoiceReady();
    // The character begun is told once its first edge is written: the post
    // takes locks the user-interface thread also takes, and so must not come
    // between a deadline and its edge.
    void Announce()
    {
        if (!m_announce) return;
        const auto announce = std::move(m_announce);
        m_announce = nullptr;
        announce();
    }

    void Control(Time at, quint8 value, bool key);
    void Sidetone(Time at, bool on);
    // Key up and tone off, each only when it is on: nothing is written at the
    // normal end of an element, where both are off already.
    void ReleaseKey(Time at);
    void Ptt(Time at, bool on);
    void Apply(Time at, const TKeyEvent& event);
    bool CwPtt() const;
    // PTT on before keying (returns the lead that has to pass first), and the
    // time it goes off again after keying.
    Time KeyingBegins(Time at);
    // Sleeps through a PTT lead; false when cut short by the end or, where
    // forMessages, by a stop or a new send.
    bool SleepLead(Time until, bool forMessages);
    void KeyingEnds();

    quint8 DotLength() const
    {
        const Lock lock(m_shared.Lock);
        return m_shared.DotLength;
    }

    void Post(std::function<void(TCwKeyer&)> call);
    void Failure(const QString& text);

    TCwKeyer& m_keyer;
    KeyerPlatform& m_platform;
    TShared& m_shared;
    std::unique_ptr<TKeyOutput> m_output;

    bool m_stopRequested = false;  // the send being keyed was stopped
    bool m_replaced = false;       // a send or the end waits behind it
    bool m_poll = false;
    Time m_nextTick{0};
    bool m_pttOn = false;
    Time m_pttOnAt{0};  // when PTT last went on
    bool m_voicePtt = false;
    Time m_pttOffAt = KeyerPlatform::kNever;
    Time m_lastKeyUp{0};
    int m_voiceReadyId = 0;
    Time m_voiceReadyAt = KeyerPlatform::kNever;
    std::function<void()> m_announce;  // the character begun, not yet told
};

// ---- the keying thread

void TCwKeyer::TEngine::Run(std::promise<bool>& scheduled)
{
    // How this thread is scheduled, before anything else (the virtual clock
    // holds the thread in ThreadBegins until its test lets it run).
    MinimiseTimerSlack();
    const bool realTime = m_platform.RealTimeWanted() && RequestRealTimeScheduling();
    if (!realTime) RequestShortTimeSlice();
    scheduled.set_value(realTime);
    m_platform.ThreadBegins();
    for (;;) {
        try {
            if (!Step()) break;
        } catch (const std::exception& e) {
            Failure(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            Failure(QStringLiteral("unknown failure"));
        }
    }
    try {
        const Time now = m_platform.Now();
        ReleaseKey(now);
        if (m_pttOn) Ptt(now, false);
    } catch (...) {
        // Going away: the key release registry has the last word.
    }
    m_platform.DetachThread();
}

void TCwKeyer::TEngine::Post(std::function<void(TCwKeyer&)> call)
{
    // A queued call on the keyer's own thread; dropped by Qt if the keyer is gone.
    TCwKeyer* keyer = &m_keyer;
    QMetaObject::invokeMethod(keyer, [keyer, call = std::move(call)] { call(*keyer); }, Qt::QueuedConnection);
}

void TCwKeyer::TEngine::Failure(const QString& text)
{
    try {
        ReleaseKey(m_platform.Now());
    } catch (...) {
        // The device that failed may fail again; the message says so already.
    }
    {
        const Lock lock(m_shared.Lock);
        m_shared.Busy = false;
    }
    Post([text](TCwKeyer& k) { k.Failed(text); });
}

bool TCwKeyer::TEngine::Step()
{
    std::optional<TMessage> message;
    {
        const Lock lock(m_shared.Lock);
        if (!m_shared.Queue.empty()) {
            message = std::move(m_shared.Queue.front());
            m_shared.Queue.pop_front();
            m_shared.Busy = true;
        } else {
            m_shared.Busy = false;
        }
    }
    if (message) {
        switch (message->Kind) {
        case MsgQuit:
            return false;
        case MsgSend:
            DoSend(message->Id, message->Text);
            break;
        case MsgSendChar:
            DoSendChar(message->Id, message->Text.isEmpty() ? QChar() : message->Text[0]);
            break;
        default:
            HandleAnywhere(*message);
            break;
        }
        return true;
    }

    // Idle: the poll tick, the end of a PTT tail or of a voice lead, or a message.
    const Time now = m_platform.Now();
    if (m_poll && now >= m_nextTick) {
        Tick();
        m_nextTick = m_platform.Now() + milliseconds(kPollIntervalMs);
        return true;
    }
    if (now >= m_pttOffAt) {
        m_pttOffAt = KeyerPlatform::kNever;
        if (m_pttOn && !m_voicePtt) Ptt(now, false);
        return true;
    }
    if (now >= m_voiceReadyAt) {
        PostDueVoiceReady();
        return true;
    }
    m_platform.WaitUntil(std::min({m_poll ? m_nextTick : KeyerPlatform::kNever, m_pttOffAt, m_voiceReadyAt}));
    return true;
}

void TCwKeyer::TEngine::PostDueVoiceReady()
{
    if (m_platform.Now() < m_voiceReadyAt) return;
    m_voiceReadyAt = KeyerPlatform::kNever;
    const int id = m_voiceReadyId;
    Post([id](TCwKeyer& k) { k.VoiceReady(id); });
}

void TCwKeyer::TEngine::HandleAnywhere(TMessage& message)
{
    const Time now = m_platform.Now();
    switch (message.Kind) {
    case MsgStop:
        break;  // nothing is being sent
    case MsgManualDown:
        ManualKeyDown();
        break;
    case MsgManualUp:
        ManualKeyUp();
        break;
    case MsgPollDot:
        Paddle(kDotPaddleBit, 1, 1);
        break;
    case MsgPollDash:
        Paddle(kDashPaddleBit, 2, 3);
        break;
    case MsgReadChar:
        ReadPaddleChar();
        break;
    case MsgPollOn:
        if (!m_poll) m_nextTick = now;  // the first look at once
        m_poll = true;
        break;
    case MsgPollOff:
        m_poll = false;
        break;
    case MsgVoiceStart: {
        m_voicePtt = true;
        m_pttOffAt = KeyerPlatform::kNever;
        m_voiceReadyId = message.Id;
        m_voiceReadyAt = now;
        if (m_output && m_output->HasPtt()) {
            if (!m_pttOn) Ptt(now, true);
            const Lock lock(m_shared.Lock);
            m_voiceReadyAt = std::max(now, m_pttOnAt + milliseconds(m_shared.Ptt.LeadMs));
        }
        PostDueVoiceReady();
        break;
    }
    case MsgVoiceEnd:
        m_voicePtt = false;
        m_voiceReadyAt = KeyerPlatform::kNever;
        if (m_pttOn) {
            const Lock lock(m_shared.Lock);
            m_pttOffAt = now + milliseconds(m_shared.Ptt.TailMs);
        }
        break;
    case MsgOutput: {
        // The old output lets everything go before it is given up (here, on this thread).
        std::unique_ptr<TKeyOutput> next = std::move(message.Output);
        const auto swap = qScopeGuard([&] {
            m_output = std::move(next);
            m_pttOn = false;
            m_voicePtt = false;
            m_pttOffAt = KeyerPlatform::kNever;
            const Lock lock(m_shared.Lock);
            m_shared.KeyDown = false;
            m_shared.ToneOn = false;
        });
        ReleaseKey(now);
        if (m_pttOn) Ptt(now, false);
        break;
    }
    default:
        break;
    }
}

void TCwKeyer::TEngine::Apply(Time at, const TKeyEvent& event)
{
    if (m_output) m_output->Apply(at, event);
}

void TCwKeyer::TEngine::Control(Time at, quint8 value, bool key)
{
    TKeyEvent event{TKeyEvent::Control, value, key, 0x378};
    {
        const Lock lock(m_shared.Lock);
        m_shared.KeyDown = value & kKeyBit;
        event.LptPort = m_shared.LptPort;
    }
    Apply(at, event);
}

void TCwKeyer::TEngine::Sidetone(Time at, bool on)
{
    TKeyEvent event{TKeyEvent::Tone, 0, false, 0x378};
    {
        const Lock lock(m_shared.Lock);
        m_shared.ToneOn = on;
        if (on) event.Value = quint32(m_shared.Tone);
    }
    Apply(at, event);
}

void TCwKeyer::TEngine::ReleaseKey(Time at)
{
    bool keyDown, toneOn;
    quint8 base;
    {
        const Lock lock(m_shared.Lock);
        keyDown = m_shared.KeyDown;
        toneOn = m_shared.ToneOn;
        base = m_shared.ControlBase;
    }
    if (keyDown) Control(at, base, false);
    if (toneOn) Sidetone(at, false);
}

void TCwKeyer::TEngine::Ptt(Time at, bool on)
{
    m_pttOn = on;
    if (on) m_pttOnAt = at;
    Apply(at, TKeyEvent{TKeyEvent::Ptt, on ? 1u : 0u, false, 0x378});
}

bool TCwKeyer::TEngine::CwPtt() const
{
    if (!m_output || !m_output->HasPtt()) return false;
    const Lock lock(m_shared.Lock);
    return m_shared.Ptt.ForCw;
}

Time TCwKeyer::TEngine::KeyingBegins(Time at)
{
    if (!CwPtt()) return Time{0};
    m_pttOffAt = KeyerPlatform::kNever;
    if (!m_pttOn) Ptt(at, true);
    // PTT already on (a tail, or a send replaced in its lead) has had part of its lead.
    const Lock lock(m_shared.Lock);
    return std::max(Time{0}, m_pttOnAt + milliseconds(m_shared.Ptt.LeadMs) - at);
}

bool TCwKeyer::TEngine::SleepLead(Time until, bool forMessages)
{
    // A lead may be long (up to 10 s): the end cuts it short, and for a send
    // a stop or a new send, which its first check point takes in hand.
    while (m_platform.Now() < until) {
        {
            const Lock lock(m_shared.Lock);
            if (m_shared.Quitting) return false;
            if (forMessages) {
                for (const TMessage& m : m_shared.Queue) {
                    if (m.Kind == MsgStop || m.Kind == MsgQuit || IsSend(m.Kind)) return false;
                }
            }
        }
        m_platform.WaitUntil(until);
    }
    return true;
}

void TCwKeyer::TEngine::KeyingEnds()
{
    if (!m_pttOn || m_voicePtt) return;
    {
        const Lock lock(m_shared.Lock);
        if (m_shared.KeyDown) return;  // Tune is held
        m_pttOffAt = std::max(m_platform.Now(), m_lastKeyUp + milliseconds(m_shared.Ptt.TailMs));
    }
}

void TCwKeyer::TEngine::Wait(TSchedule& schedule, int milliseconds)
{
    schedule.Offset += std::chrono::milliseconds(milliseconds);
    m_platform.SleepUntil(schedule.Deadline());
}

bool TCwKeyer::TEngine::CheckPoint(TSchedule& schedule)
{
    const Time before = m_platform.Now();
    if (m_keyer.OnCheckPoint) m_keyer.OnCheckPoint();
    for (;;) {
        std::optional<TMessage> message;
        {
            const Lock lock(m_shared.Lock);
            if (m_shared.Quitting) m_replaced = true;
            if (m_shared.Queue.empty()) break;
            TMessage& front = m_shared.Queue.front();
            // A new send, or the end, takes the place of the rest of this one.
            if (IsSend(front.Kind) || front.Kind == MsgQuit) {
                m_replaced = true;
                break;
            }
            message = std::move(front);
            m_shared.Queue.pop_front();
        }
        if (message->Kind == MsgStop) m_stopRequested = true;
        else HandleAnywhere(*message);
    }
    if (m_poll && m_platform.Now() >= m_nextTick) {
        Tick();
        m_nextTick = m_platform.Now() + milliseconds(kPollIntervalMs);
    }
    PostDueVoiceReady();
    const Time spent = m_platform.Now() - before;
    if (spent > kCheckPointPause) schedule.Start += spent;
    return !m_stopRequested && !m_replaced;
}

void TCwKeyer::TEngine::EndSend(int id, bool toTheEnd)
{
    {
        const Lock lock(m_shared.Lock);
        --m_shared.Outstanding;
    }
    Post([id, toTheEnd](TCwKeyer& k) { k.SendEnded(id, toTheEnd); });
}

void TCwKeyer::TEngine::DoSend(int id, const QString& text)
{
    {
        const Lock lock(m_shared.Lock);
        if (m_shared.Quitting) {
            --m_shared.Outstanding;
            return;
        }
        // A send that took the place of another: that one's sections are closed.
        m_shared.CloseSections();
        m_shared.PaddleCode = 0;
        m_shared.ControlBase = kAuxBit;
    }
    m_stopRequested = false;
    m_replaced = false;

    // Only a..z are raised: every other character is keyed (or silent) as it is.
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    }

    bool toTheEnd = false;
    TSchedule schedule{m_platform.Now()};
    m_lastKeyUp = schedule.Start;
    try {
        if (const Time lead = KeyingBegins(schedule.Start); lead > Time{0}) {
            schedule.Start += lead;
            SleepLead(schedule.Start, true);
        }
        bool going = true;
        if (m_output && m_output->KeysText()) going = KeyWholeText(upper, schedule);
        else for (qsizetype i = 0; going && i < upper.size(); ++i) {
            const QChar c = upper[i];
            if (!CheckPoint(schedule)) {
                going = false;
                break;
            }
            {
                const Lock lock(m_shared.Lock);
                m_shared.SpeedMarker(c);
            }
            m_announce = [this, id, index = int(i)] {
                Post([id, index](TCwKeyer& k) { k.CharacterBegins(id, index); });
            };
            going = KeyChar(c, schedule);
        }
        if (going) {
            // Run to its end, a section left open keeps its speed in force.
            toTheEnd = true;
            const Lock lock(m_shared.Lock);
            m_shared.Faster = false;
            m_shared.Fastest = false;
            if (!m_shared.SendQueued()) m_shared.Stop = true;
        }
    } catch (...) {
        m_announce = nullptr;
        ReleaseKey(m_platform.Now());
        {
            const Lock lock(m_shared.Lock);
            m_shared.CloseSections();
        }
        EndSend(id, false);
        KeyingEnds();
        throw;
    }
    m_announce = nullptr;  // a character stopped before its first edge was never sent
    if (!toTheEnd) {
        // Stopped or replaced: the normal speed comes back.
        const Lock lock(m_shared.Lock);
        m_shared.CloseSections();
    }
    EndSend(id, toTheEnd);
    KeyingEnds();
}

// The output keys the text on a keyer of its own: it gets the text in runs
// of one speed, the speed sections taken as keying them would, and this
// thread waits for its end as it waits between elements, handling stops,
// new sends and the paddles meanwhile.
bool TCwKeyer::TEngine::KeyWholeText(const QString& text, TSchedule& schedule)
{
    std::vector<TTextSection> sections;
    for (QChar c : text) {
        int speed;
        {
            const Lock lock(m_shared.Lock);
            m_shared.SpeedMarker(c);
            speed = m_shared.Speed;
        }
        if (c == QLatin1Char('$') || c == QLatin1Char('%')) continue;
        if (sections.empty() || sections.back().Speed != speed) sections.push_back({QString(), speed});
        sections.back().Text += c;
    }
    if (!CheckPoint(schedule)) return false;
    m_output->KeyText(sections);
    for (;;) {
        if (const std::optional<bool> ended = m_output->TextEnded()) {
            m_lastKeyUp = m_platform.Now();
            return *ended;
        }
        if (!CheckPoint(schedule)) {
            m_output->StopText();
            m_lastKeyUp = m_platform.Now();
            return false;
        }
        Wait(schedule, kPollIntervalMs);
    }
}

void TCwKeyer::TEngine::DoSendChar(int id, QChar ch)
{
    {
        const Lock lock(m_shared.Lock);
        if (m_shared.Quitting) {
            --m_shared.Outstanding;
            return;
        }
    }
    m_stopRequested = false;
    m_replaced = false;
    TSchedule schedule{m_platform.Now()};
    m_lastKeyUp = schedule.Start;
    bool toTheEnd = false;
    try {
        if (const Time lead = KeyingBegins(schedule.Start); lead > Time{0}) {
            schedule.Start += lead;
            SleepLead(schedule.Start, true);
        }
        toTheEnd = KeyChar(ch, schedule);
    } catch (...) {
        ReleaseKey(m_platform.Now());
        EndSend(id, false);
        KeyingEnds();
        throw;
    }
    EndSend(id, toTheEnd);
    KeyingEnds();
}

bool TCwKeyer::TEngine::KeyChar(QChar ch, TSchedule& schedule)
{
    // Slots 1..8; the elements end in slot 6, slots 7 and 8 are the gap after the character.
    std::array<int, 9> elements{};
    int first = 6;
    int p = TablePosition(ch);
    if (p != kSilentPosition && p != kSpacePosition) {
        while (p != 0) {
            if (p % 2 == 1) {
                elements[first] = 1;
            } else {
                elements[first] = 3;
                p -= 1;
            }
            p = (p - 1) / 2;
            if (p > 0) --first;
        }
    }

    for (int slot = first; slot <= 8; ++slot) {
        if (!CheckPoint(schedule)) return false;  // the key is up here
        if (elements[slot] != 0) {
            const Time at = schedule.Deadline();
            quint8 base;
            bool speaker;
            {
                const Lock lock(m_shared.Lock);
                base = m_shared.ControlBase;
                speaker = m_shared.Speaker;
            }
            Control(at, base + kKeyBit, true);
            if (speaker) Sidetone(at, true);
            Announce();
            Wait(schedule, elements[slot] * DotLength());
        }
        // Every slot ends with the short manual-bits pulse, then key up.
        const Time end = schedule.Deadline();
        quint8 base;
        bool speaker;
        {
            const Lock lock(m_shared.Lock);
            base = m_shared.ControlBase;
            speaker = m_shared.Speaker;
        }
        Control(end, base + kManualKeyBits + kKeyBit, false);
        Control(end, base, false);
        if (speaker) Sidetone(end, false);
        if (elements[slot] != 0) m_lastKeyUp = end;
        Announce();
        Wait(schedule, DotLength());
    }
    return true;
}

void TCwKeyer::TEngine::Tick()
{
    Paddle(kDotPaddleBit, 1, 1);
    Paddle(kDashPaddleBit, 2, 3);
    ReadPaddleChar();
}

void TCwKeyer::TEngine::Paddle(quint8 bit, quint32 add, int units)
{
    if (!m_output) return;
    quint16 port;
    {
        const Lock lock(m_shared.Lock);
        port = m_shared.LptPort;
    }
    const std::optional<quint8> status = m_output->ReadStatus(port);
    if (!status || (*status & bit)) return;  // no paddles, or the contact is open

    {
        const Lock lock(m_shared.Lock);
        m_shared.Busy = true;
    }
    try {
        Time start = m_platform.Now();
        if (const Time lead = KeyingBegins(start); lead > Time{0}) {
            start += lead;
            if (!SleepLead(start, false)) return;  // the keyer is going
        }
        quint8 base;
        bool speaker;
        {
            const Lock lock(m_shared.Lock);
            base = m_shared.ControlBase;
            speaker = m_shared.Speaker;
        }
        Control(start, base + kManualKeyBits + kKeyBit, true);
        if (speaker) Sidetone(start, true);
        {
            const Lock lock(m_shared.Lock);
            m_shared.PaddleCode = m_shared.PaddleCode * 2 + add;  // wraps modulo 2^32
        }
        TSchedule schedule{start};
        Wait(schedule, units * DotLength());
        {
            const Lock lock(m_shared.Lock);
            speaker = m_shared.Speaker;
            base = m_shared.ControlBase;
        }
        const Time end = schedule.Deadline();
        if (speaker) Sidetone(end, false);
        Control(end, base, false);
        m_lastKeyUp = end;
        Wait(schedule, DotLength());
    } catch (...) {
        ReleaseKey(m_platform.Now());
        KeyingEnds();
        throw;
    }
    KeyingEnds();
}

void TCwKeyer::TEngine::ReadPaddleChar()
{
    quint16 port;
    {
        const Lock lock(m_shared.Lock);
        if (!m_shared.Pisem) return;
        port = m_shared.LptPort;
    }
    if (!m_output) return;
    const std::optional<quint8> dash = m_output->ReadStatus(port);
    if (!dash || !(*dash & kDashPaddleBit)) return;
    const std::optional<quint8> dot = m_output->ReadStatus(port);
    if (!dot || !(*dot & kDotPaddleBit)) return;
    QString text;
    {
        const Lock lock(m_shared.Lock);
        const quint32 code = m_shared.PaddleCode;
        if (code >= 1 && code <= 63) text = QString(QLatin1Char(kMorseTable[code - 1]));
        else if (code == quint32(kQuestionPosition)) text = QStringLiteral("?");
        m_shared.PaddleCode = 0;
    }
    if (!text.isEmpty()) Post([text](TCwKeyer& k) { k.PaddleCharacter(text); });
}

void TCwKeyer::TEngine::ManualKeyDown()
{
    Time at = m_platform.Now();
    if (const Time lead = KeyingBegins(at); lead > Time{0}) {
        at += lead;
        if (!SleepLead(at, false)) return;  // the keyer is going
    }
    quint8 base;
    {
        const Lock lock(m_shared.Lock);
        base = m_shared.ControlBase;
    }
    Control(at, base + kManualKeyBits + kKeyBit, true);
}

void TCwKeyer::TEngine::ManualKeyUp()
{
    const Time at = m_platform.Now();
    quint8 base;
    {
        const Lock lock(m_shared.Lock);
        base = m_shared.ControlBase;
    }
    Control(at, base, false);
    m_lastKeyUp = at;
    KeyingEnds();
}

// ---- the keyer on its own thread

TCwKeyer::TCwKeyer(KeyerPlatform* platform, QObject* parent)
    : TCwKeyer(platform, MakeParallelPortOutputs(), parent)
{
}

TCwKeyer::TCwKeyer(KeyerPlatform* platform, std::unique_ptr<TKeyOutput> output, QObject* parent)
    : QObject(parent), m_shared(std::make_unique<TShared>())
{
    if (!platform) {
        m_ownPlatform = MakeRealKeyerPlatform();
        platform = m_ownPlatform.get();
    }
    m_platform = platform;
    for (int slot = 1; slot <= 8; ++slot) m_memory[slot] = QStringLiteral("F") + QString::number(slot + 1);

    m_engine = std::make_unique<TEngine>(*this, *m_platform, *m_shared, std::move(output));
    m_platform->AttachThread();
    std::promise<bool> scheduled;
    std::future<bool> realTime = scheduled.get_future();
    m_thread = std::thread([engine = m_engine.get(), scheduled = std::move(scheduled)]() mutable { engine->Run(scheduled); });
#if defined(__linux__)
    pthread_setname_np(m_thread.native_handle(), "zox-keyer");
#endif
    // A few system calls away: the settings dialog says which it is.
    m_realTime = realTime.get();
}

TCwKeyer::~TCwKeyer()
{
    Shutdown();
}

void TCwKeyer::Shutdown()
{
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard lock(m_shared->Lock);
        m_shared->Quitting = true;
        m_shared->Queue.push_back(TMessage{MsgQuit});
    }
    m_platform->Wake();
    m_platform->Interrupt();
    m_thread.join();
    m_engine.reset();  // the output goes with it
    // The sends cut off end as stopped ones, from the event loop as always:
    // the window clears its indicator and runs their after-send actions.
    // Dropped with the keyer when it is destroyed rather than switched off.
    for (const auto& [id, done] : m_done)
        QMetaObject::invokeMethod(this, [this, id] { SendEnded(id, false); }, Qt::QueuedConnection);
    m_voiceReady.clear();
}

void TCwKeyer::Post(int kind, QString text, int id)
{
    {
        const std::lock_guard lock(m_shared->Lock);
        if (IsSend(kind)) ++m_shared->Outstanding;
        m_shared->Queue.push_back(TMessage{kind, id, std::move(text)});
    }
    m_platform->Wake();
}

// Properties

template <class T>
T TCwKeyer::Get(T TShared::*member) const
{
    const std::lock_guard lock(m_shared->Lock);
    return (*m_shared).*member;
}

template <class F>
void TCwKeyer::Change(F&& change)
{
    const std::lock_guard lock(m_shared->Lock);
    change(*m_shared);
}

quint16 TCwKeyer::LptPort() const { return Get(&TShared::LptPort); }
void TCwKeyer::SetLptPort(quint16 port) { Change([&](TShared& s) { s.LptPort = port; }); }
qint32 TCwKeyer::Tone() const { return Get(&TShared::Tone); }
// The tone divides the timer clock.
void TCwKeyer::SetTone(qint32 hertz) { Change([&](TShared& s) { s.Tone = std::clamp(hertz, kMinTone, kMaxTone); }); }
qint32 TCwKeyer::Speed() const { return Get(&TShared::Speed); }
void TCwKeyer::SetSpeed(qint32 speed) { Change([&](TShared& s) { s.SetSpeed(speed); }); }

qint32 TCwKeyer::NormalSpeed() const
{
    const std::lock_guard lock(m_shared->Lock);
    const TShared& s = *m_shared;
    return (s.Faster || s.Fastest) ? s.NormalSpeed : s.Speed;
}

void TCwKeyer::SetNormalSpeed(qint32 speed)
{
    const std::lock_guard lock(m_shared->Lock);
    TShared& s = *m_shared;
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    if (!s.Faster && !s.Fastest) {
        s.SetSpeed(speed);
        return;
    }
    s.NormalSpeed = speed;
    // With one section open, its closing marker comes back to the saved speed:
    // that is the normal one.
    if (s.Faster != s.Fastest) s.SavedSpeed = static_cast<quint8>(speed);
}

qint32 TCwKeyer::HiSpeed() const { return Get(&TShared::HiSpeed); }
void TCwKeyer::SetHiSpeed(qint32 speed) { Change([&](TShared& s) { s.HiSpeed = std::clamp(speed, kMinSpeed, kMaxSpeed); }); }
qint32 TCwKeyer::HiSpeed1() const { return Get(&TShared::HiSpeed1); }
void TCwKeyer::SetHiSpeed1(qint32 speed) { Change([&](TShared& s) { s.HiSpeed1 = std::clamp(speed, kMinSpeed, kMaxSpeed); }); }
bool TCwKeyer::Speaker() const { return Get(&TShared::Speaker); }
void TCwKeyer::SetSpeaker(bool on) { Change([&](TShared& s) { s.Speaker = on; }); }
bool TCwKeyer::Stop() const { return Get(&TShared::Stop); }

void TCwKeyer::SetStop(bool stop)
{
    Change([&](TShared& s) {
        s.Stop = stop;
        // In order with the sends: a stop given after a send stops that send.
        if (stop) s.Queue.push_back(TMessage{MsgStop});
    });
    if (stop) m_platform->Wake();
}

bool TCwKeyer::Pisem() const { return Get(&TShared::Pisem); }
void TCwKeyer::SetPisem(bool on) { Change([&](TShared& s) { s.Pisem = on; }); }
quint8 TCwKeyer::DotLength() const { return Get(&TShared::DotLength); }
quint8 TCwKeyer::SavedSpeed() const { return Get(&TShared::SavedSpeed); }
quint8 TCwKeyer::ControlBase() const { return Get(&TShared::ControlBase); }
quint32 TCwKeyer::PaddleCode() const { return Get(&TShared::PaddleCode); }
bool TCwKeyer::KeyIsDown() const { return Get(&TShared::KeyDown); }

TPttTiming TCwKeyer::PttTiming() const { return Get(&TShared::Ptt); }

void TCwKeyer::SetPttTiming(const TPttTiming& timing)
{
    Change([&](TShared& s) {
        s.Ptt = timing;
        s.Ptt.LeadMs = std::clamp(timing.LeadMs, 0, 10000);
        s.Ptt.TailMs = std::clamp(timing.TailMs, 0, 10000);
    });
}

// Commands

int TCwKeyer::SendText(const QString& text, std::function<void(bool toTheEnd)> done)
{
    const int id = ++m_lastSend;
    if (done) m_done[id] = std::move(done);
    {
        const std::lock_guard lock(m_shared->Lock);
        m_shared->Stop = false;
        ++m_shared->Outstanding;
        m_shared->Queue.push_back(TMessage{MsgSend, id, text});
    }
    m_platform->Wake();
    return id;
}

void TCwKeyer::SendChar(QChar ch)
{
    Post(MsgSendChar, QString(ch), ++m_lastSend);
}

bool TCwKeyer::Sending() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Outstanding > 0;
}

bool TCwKeyer::Idle() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Queue.empty() && m_shared->Outstanding == 0 && !m_shared->Busy;
}

void TCwKeyer::SetPaddlePoll(bool on)
{
    Change([&](TShared& s) { s.Poll = on; });
    Post(on ? MsgPollOn : MsgPollOff);
}

bool TCwKeyer::PaddlePoll() const { return Get(&TShared::Poll); }

void TCwKeyer::PollDot() { Post(MsgPollDot); }
void TCwKeyer::PollDash() { Post(MsgPollDash); }
void TCwKeyer::ReadPaddleChar() { Post(MsgReadChar); }
void TCwKeyer::ManualKeyDown() { Post(MsgManualDown); }
void TCwKeyer::ManualKeyUp() { Post(MsgManualUp); }

void TCwKeyer::VoiceStart(std::function<void()> ready)
{
    const int id = ++m_lastVoice;
    // Only the latest voice message may start.
    m_voiceReady.clear();
    m_voiceReady[id] = std::move(ready);
    Post(MsgVoiceStart, {}, id);
}

void TCwKeyer::VoiceEnd()
{
    m_voiceReady.clear();
    Post(MsgVoiceEnd);
}

void TCwKeyer::SetOutput(std::unique_ptr<TKeyOutput> output)
{
    {
        const std::lock_guard lock(m_shared->Lock);
        TMessage message{MsgOutput};
        message.Output = std::move(output);
        m_shared->Queue.push_back(std::move(message));
    }
    m_platform->Wake();
}

// What comes back

void TCwKeyer::Deliver(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        Failed(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Failed(QStringLiteral("unknown failure"));
    }
}

void TCwKeyer::SendEnded(int send, bool toTheEnd)
{
    const auto it = m_done.find(send);
    if (it == m_done.end()) return;
    const auto done = std::move(it->second);
    m_done.erase(it);
    Deliver([&] { done(toTheEnd); });
}

void TCwKeyer::CharacterBegins(int send, int index)
{
    // Only the latest send shows its progress.
    if (send != m_lastSend || !OnCharacter) return;
    const auto call = OnCharacter;
    Deliver([&] { call(index); });
}

void TCwKeyer::PaddleCharacter(const QString& text)
{
    if (!OnPaddleChar) return;
    const auto call = OnPaddleChar;
    Deliver([&] { call(text); });
}

void TCwKeyer::VoiceReady(int voice)
{
    const auto it = m_voiceReady.find(voice);
    if (it == m_voiceReady.end()) return;
    const auto ready = std::move(it->second);
    m_voiceReady.erase(it);
    Deliver([&] { ready(); });
}

void TCwKeyer::Failed(const QString& text)
{
    if (!OnFailure) {
        qWarning("keyer: %s", qPrintable(text));
        return;
    }
    const auto call = OnFailure;
    try {
        call(text);
    } catch (...) {
        qWarning("keyer: %s", qPrintable(text));
    }
}

// Table

int TCwKeyer::TablePosition(QChar ch)
{
    if (ch == QLatin1Char(' ')) return kSpacePosition;
    if (ch == QLatin1Char('?')) return kQuestionPosition;
    for (int p = 1; p <= 63; ++p) {
        if (ch == QLatin1Char(kMorseTable[p - 1])) return p;
    }
    return kSilentPosition;
}

QString TCwKeyer::ElementsOf(int position)
{
    QString elements;
    for (quint32 code = quint32(position) + 1; code > 1; code >>= 1)
        elements.prepend((code & 1) ? QLatin1Char('-') : QLatin1Char('.'));
    return elements;
}

}  // namespace zox

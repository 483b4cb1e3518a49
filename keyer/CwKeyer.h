#pragma once
// The Morse keyer: keys texts on its output's key line (with the sidetone),
// keys paddle elements and decodes them into characters.
//
// Threads
// -------
// A keyer belongs to the thread that makes it (the user-interface thread);
// it keys on a keying thread of its own, started with it.
//  - Every function below is called on the owning thread. None of them waits
//    for the keying thread or runs an event loop, except Shutdown() and the
//    destructor, which let the element being keyed run out (at most three dot
//    lengths) and then end the thread.
//  - The properties (tone, speeds, speaker, auto edit, port) and the inner
//    state live in one block behind a short priority-inheriting lock: a
//    change counts from the keying thread's next element slot, also during a
//    send. Sends, stops, Tune, the paddle poll, the PTT of voice messages and
//    a new output reach the keying thread as messages, in the order given.
//  - The keying thread turns a text into key and tone changes on absolute
//    deadlines of its platform's clock, one element slot after the other. It
//    handles its messages at every slot (a stop is honoured at the next
//    slot, with the key up; a new send replaces the rest of the one being
//    keyed), polls the paddles every millisecond (between the slots of a
//    send too), and never waits for the owning thread.
//  - What comes back arrives as queued calls on the owning thread, from its
//    event loop: a send's end (its `done`), the character being sent, a
//    decoded paddle character, the end of a voice message's lead, a failure.
//  - No exception leaves the keying thread: a failing device or sleep ends
//    what was being keyed with the key up and the tone off (the send ends as
//    stopped), and is reported through OnFailure; the thread goes on. A
//    callback that throws is reported the same way.
//
// However a send or an element ends (to the end, stopped, replaced, failed,
// or the keyer destroyed), the key is up and the tone off, and a send that
// did not run to its end leaves the normal speed as it was outside its "$"
// and "%" sections.

#include "keyer/KeyOutput.h"
#include "keyer/KeyerPlatform.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <thread>

namespace zox {

// The eight memory slots, numbered 1..8.
struct TKeyerMemory {
    std::array<QString, 8> Slots;
    QString& operator[](int slot) { return Slots.at(std::size_t(slot - 1)); }
    const QString& operator[](int slot) const { return Slots.at(std::size_t(slot - 1)); }
};

// Push-to-talk around what is keyed or spoken, when the output has a PTT line.
struct TPttTiming {
    bool ForCw = false;  // also around CW (voice messages always)
    int LeadMs = 30;     // PTT on this long before the first element or sound
    int TailMs = 100;    // and off this long after the last
    bool operator==(const TPttTiming&) const = default;
};

class TCwKeyer : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimingConstant = 5500;  // dot length = 5500 div speed (ms)
    static constexpr int kMinSpeed = 50;
    static constexpr int kMaxSpeed = 255;
    static constexpr int kMinTone = 300;
    static constexpr int kMaxTone = 3000;
    static constexpr int kPollIntervalMs = 1;

    // Status bits (read 0 while the contact is closed) and control bits.
    static constexpr quint8 kDotPaddleBit = 0x20;
    static constexpr quint8 kDashPaddleBit = 0x10;
    static constexpr quint8 kKeyBit = 0x01;
    static constexpr quint8 kAuxBit = 0x02;
    static constexpr quint8 kManualKeyBits = 0x04 | 0x10;

    // Position p (from 1) holds the character whose code is p + 1 in base 2
    // without its leading 1 (0 dot, 1 dash); "*" marks empty positions.
    static constexpr char kMorseTable[] = "ETIANMSURWDKGOHVF*L*PJBXCYZQ**54*3***2 *+****16*/*****7***8*90*";
    static constexpr int kSpacePosition = 39;
    static constexpr int kQuestionPosition = 75;  // beyond the table, same rule
    static constexpr int kSilentPosition = 63;

    // platform: clock and sleeps (nullptr: the real platform, with real-time
    // scheduling where allowed). The output: the parallel port and the PC speaker.
    explicit TCwKeyer(KeyerPlatform* platform = nullptr, QObject* parent = nullptr);
    // The keyer keys `output` (nullptr: nothing).
    TCwKeyer(KeyerPlatform* platform, std::unique_ptr<TKeyOutput> output, QObject* parent = nullptr);
    // Shutdown(): the key goes up and the tone stops when they are on (Tune held).
    ~TCwKeyer() override;

    quint16 LptPort() const;
    void SetLptPort(quint16 port);
    qint32 Tone() const;
    void SetTone(qint32 hertz);  // held within 300..3000
    qint32 Speed() const;
    void SetSpeed(qint32 speed);  // held within 50..255; also sets the dot length
    // The speed outside the speed sections of the send in progress: Speed()
    // when no section is open. What the toolbar shows and the operator sets.
    qint32 NormalSpeed() const;
    // Outside a section as SetSpeed. Inside one, the section keeps its speed
    // and the new normal speed takes over when the section ends or the send stops.
    void SetNormalSpeed(qint32 speed);
    qint32 HiSpeed() const;
    void SetHiSpeed(qint32 speed);  // held within 50..255
    qint32 HiSpeed1() const;
    void SetHiSpeed1(qint32 speed);  // held within 50..255
    bool Speaker() const;
    void SetSpeaker(bool on);
    // Stop request, and true once a text has been sent to its end.
    bool Stop() const;
    void SetStop(bool stop);
    // Auto edit: paddle input is decoded into characters.
    bool Pisem() const;
    void SetPisem(bool on);

    // The memories; only the owning thread uses them.
    TKeyerMemory& Memory() { return m_memory; }
    const TKeyerMemory& Memory() const { return m_memory; }

    // Keys a whole text after what is queued, and returns at once; a send
    // being keyed stops at its next slot and this one takes its place.
    // `done` runs on this thread when it has ended (true: to its end) or was
    // stopped or replaced. Returns the send's number.
    int SendText(const QString& text, std::function<void(bool toTheEnd)> done = {});
    // Keys one character with the gap after it (no stop, no speed markers).
    void SendChar(QChar ch);
    // A send is queued or being keyed.
    bool Sending() const;
    // Nothing queued and nothing being keyed: the keying thread waits.
    bool Idle() const;

    // The paddle poll: every millisecond a look at the dot contact, at the
    // dash contact and, once both are open, for the character keyed.
    void SetPaddlePoll(bool on);
    bool PaddlePoll() const;
    // One look each, on the keying thread (what one poll tick does).
    void PollDot();
    void PollDash();
    void ReadPaddleChar();
    // The Tune key: key line down without tone, and up again.
    void ManualKeyDown();
    void ManualKeyUp();

    // A voice message is about to play: PTT on; `ready` runs once the lead
    // has passed (at once without a PTT line). VoiceEnd: PTT off after the
    // tail; a lead still running is cancelled and its `ready` never runs.
    void VoiceStart(std::function<void()> ready);
    void VoiceEnd();
    bool VoicePending() const { return !m_voiceReady.empty(); }

    // A new output from the next slot on; the old one gets key-up, tone off
    // and PTT off first and is destroyed on the keying thread.
    void SetOutput(std::unique_ptr<TKeyOutput> output);
    TPttTiming PttTiming() const;
    void SetPttTiming(const TPttTiming& timing);

    // Whether the keying thread runs with real-time scheduling (SCHED_FIFO).
    bool RealTime() const { return m_realTime; }
    // Ends the keying thread (see the destructor). Nothing is keyed afterwards.
    void Shutdown();

    // Run on this thread. OnCharacter: SendText begins the character at
    // `index` of the text of the latest send (speed markers included).
    std::function<void(int index)> OnCharacter;
    std::function<void(const QString& text)> OnPaddleChar;
    std::function<void(const QString& text)> OnFailure;
    // Runs on the keying thread at every check point of a send (before each
    // character and each element slot), before its messages are handled.
    // For tests; set it while the keyer is idle.
    std::function<void()> OnCheckPoint;

    KeyerPlatform& Platform() const { return *m_platform; }

    // Inner state, for the windows and tests that show it.
    quint8 DotLength() const;
    quint8 SavedSpeed() const;
    quint8 ControlBase() const;
    quint32 PaddleCode() const;
    bool KeyIsDown() const;

    // Morse table position of a character (39 space, 75 "?", 63 not keyable).
    static int TablePosition(QChar ch);
    // Elements of a table position in sending order: 1 dot, 3 dash.
    static QString ElementsOf(int position);  // "." and "-", for tests and displays

private:
    struct TShared;
    class TEngine;
    friend class TEngine;

    // From the keying thread, as queued calls.
    void SendEnded(int send, bool toTheEnd);
    void CharacterBegins(int send, int index);
    void PaddleCharacter(const QString& text);
    void VoiceReady(int voice);
    void Failed(const QString& text);
    // Runs a callback; what it throws goes to OnFailure.
    void Deliver(const std::function<void()>& call);

    void Post(int kind, QString text = {}, int id = 0);
    // Reads or changes the shared state under its lock.
    template <class T>
    T Get(T TShared::*member) const;
    template <class F>
    void Change(F&& change);

    std::unique_ptr<KeyerPlatform> m_ownPlatform;
    KeyerPlatform* m_platform;
    std::unique_ptr<TShared> m_shared;
    std::unique_ptr<TEngine> m_engine;
    std::thread m_thread;
    bool m_realTime = false;
    TKeyerMemory m_memory;
    int m_lastSend = 0;
    std::map<int, std::function<void(bool)>> m_done;
    int m_lastVoice = 0;
    std::map<int, std::function<void()>> m_voiceReady;
};

}  // namespace zox

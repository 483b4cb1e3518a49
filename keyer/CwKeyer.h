#pragma once
// The Morse keyer: keys texts on the parallel port's key line (with the PC
// speaker as sidetone), keys paddle elements and decodes them into characters.
// Everything runs on the user-interface thread. A send blocks that thread but
// handles pending input before every character and every element slot, so the
// operator can stop it, the paddle ticks run, and another send started then
// replaces the rest of it.
// However a send or an element ends (to the end, stopped, replaced, left by an
// exception, or the keyer destroyed), the key is up and the tone off, and a
// send that did not run to its end leaves the normal speed as it was outside
// its "$" and "%" sections.

#include "keyer/KeyerPlatform.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>

namespace zox {

// The eight memory slots, numbered 1..8.
struct TKeyerMemory {
    std::array<QString, 8> Slots;
    QString& operator[](int slot) { return Slots.at(std::size_t(slot - 1)); }
    const QString& operator[](int slot) const { return Slots.at(std::size_t(slot - 1)); }
};

class TCwKeyer : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimingConstant = 5500;  // dot length = 5500 div speed (ms)
    static constexpr int kMinSpeed = 50;
    static constexpr int kMaxSpeed = 255;
    static constexpr int kMinTone = 300;
    static constexpr int kMaxTone = 3000;

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

    // platform: clock, sleep and input handling (nullptr: the real platform).
    explicit TCwKeyer(KeyerPlatform* platform = nullptr, QObject* parent = nullptr);
    // Lets the key go and the tone stop when they are on (Tune held).
    ~TCwKeyer() override;

    quint16 LptPort() const { return m_lptPort; }
    void SetLptPort(quint16 port) { m_lptPort = port; }
    qint32 Tone() const { return m_tone; }
    void SetTone(qint32 hertz);  // held within 300..3000
    qint32 Speed() const { return m_speed; }
    void SetSpeed(qint32 speed);  // held within 50..255; also sets the dot length
    // The speed outside the speed sections of the send in progress: Speed()
    // when no section is open. What the toolbar shows and the operator sets.
    qint32 NormalSpeed() const;
    // Outside a section as SetSpeed. Inside one, the section keeps its speed
    // and the new normal speed takes over when the section ends or the send stops.
    void SetNormalSpeed(qint32 speed);
    qint32 HiSpeed() const { return m_hiSpeed; }
    void SetHiSpeed(qint32 speed);  // held within 50..255
    qint32 HiSpeed1() const { return m_hiSpeed1; }
    void SetHiSpeed1(qint32 speed);  // held within 50..255
    bool Speaker() const { return m_speaker; }
    void SetSpeaker(bool on) { m_speaker = on; }
    // Stop request, and true once a text has been sent to its end.
    bool Stop() const { return m_stop; }
    void SetStop(bool stop) { m_stop = stop; }
    // Auto edit: paddle input is decoded into characters.
    bool Pisem() const { return m_pisem; }
    void SetPisem(bool on) { m_pisem = on; }

    TKeyerMemory& Memory() { return m_memory; }
    const TKeyerMemory& Memory() const { return m_memory; }

    // Keys a whole text; returns when it is done or a stop was requested.
    void SendText(const QString& text);
    // Keys one character with the gap after it.
    void SendChar(QChar ch);
    // One look at the dot (dash) contact, keying one element when it is closed.
    void PollDot();
    void PollDash();
    // Once both contacts are open, delivers the character keyed with the paddles.
    bool ReadPaddleChar(QString& text);
    // The Tune key: key line down without tone, and up again.
    void ManualKeyDown();
    void ManualKeyUp();

    // Runs at every input-processing point of a send, after the platform has
    // handled its pending input. The keyer may be destroyed inside it.
    std::function<void()> OnProcessInput;
    // Runs as SendText begins each character, with its index in the text
    // given (speed markers included); for showing how far a send has gone.
    std::function<void(int index)> OnCharacter;

    KeyerPlatform& Platform() const { return *m_platform; }

    // Inner state, for the windows and tests that show it.
    quint8 DotLength() const { return m_dotLength; }
    quint8 SavedSpeed() const { return m_savedSpeed; }
    quint8 ControlBase() const { return m_controlBase; }
    quint32 PaddleCode() const { return m_paddleCode; }
    bool KeyIsDown() const { return m_keyDown; }

    // Morse table position of a character (39 space, 75 "?", 63 not keyable).
    static int TablePosition(QChar ch);
    // Elements of a table position in sending order: 1 dot, 3 dash.
    static QString ElementsOf(int position);  // "." and "-", for tests and displays

private:
    // Absolute deadlines from the start of a send, so time spent writing ports
    // and waking up is not added to the elements.
    struct TSchedule {
        KeyerPlatform::Time Start;
        KeyerPlatform::Time Offset{0};
        void Wait(KeyerPlatform& platform, int milliseconds);
    };

    // Returns false when the keyer was destroyed while the input was handled.
    bool ProcessInput(TSchedule& schedule);
    // Returns false when the keyer was destroyed meanwhile.
    bool KeyChar(QChar ch, TSchedule& schedule);
    void Paddle(quint8 bit, quint32 add, int units);
    void WriteControl(quint8 value);
    void Sidetone(bool on);
    // Key up and tone off, each only when it is on: nothing is written at the
    // normal end of an element, where both are off already.
    void ReleaseKey();
    // A send that does not run to its end: speed back to normal, sections closed.
    void CloseSections();

    KeyerPlatform* m_platform;
    quint16 m_lptPort = 0x378;
    qint32 m_tone = 600;
    qint32 m_speed = 120;
    qint32 m_hiSpeed = 150;
    qint32 m_hiSpeed1 = 170;
    bool m_speaker = true;
    bool m_stop = false;
    bool m_pisem = false;
    quint8 m_dotLength = kTimingConstant / 120;
    quint8 m_savedSpeed = 120;
    quint8 m_controlBase = 0;
    quint32 m_paddleCode = 0;
    TKeyerMemory m_memory;
    bool m_keyDown = false;
    bool m_toneOn = false;
    // The sections open in the send in progress, and the speed outside them.
    bool m_faster = false;
    bool m_fastest = false;
    qint32 m_normalSpeed = 120;
};

}  // namespace zox

#pragma once
// The link to the radio: what it is tuned to, and what the program asks of it
// (its mode, its PTT, CW from its own keyer).
//
// Threading contract
// - A RadioLink is created, used and destroyed on the user-interface thread.
//   Its requests (SetContestMode, SetPtt, SendMorse, StopMorse) only queue the
//   work and return at once: none of them waits for the radio. SetPtt,
//   SendMorse and StopMorse may also come from another thread (the keying
//   thread, through TRadioPort) while the link is open.
// - Every call into the radio happens on the link's own thread, each bounded
//   by a timeout; a slow, absent or hung radio holds up only that thread.
// - Everything the radio answers comes back as signals queued to the
//   user-interface thread: Linked, Status, PttDone, MorseDone.
// - Failures leave through Failure alone, as a text for the operator; no
//   exception leaves the radio thread or crosses an event loop. A lost radio
//   gives one Failure, then silence until it is back (Linked(true)): the link
//   keeps trying by itself.

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <functional>

namespace zox {

// The two modes of the contest, as "Vrsta oddaje" offers them.
enum class ContestMode { Cw, Ssb };

// What a radio mode means to the contest: CW and CW-reverse are CW, LSB and
// USB are SSB, everything else is neither.
enum class RadioModeFamily { Other, Cw, Ssb };

struct RadioStatus {
    qint64 frequencyHz = 0;  // 0 while unknown
    RadioModeFamily family = RadioModeFamily::Other;
    QString modeName;        // the radio's own mode, "CW", "USB", "PKTLSB" ...

    bool operator==(const RadioStatus&) const = default;
};

// A run of CW text at one speed (the keyer's speed number).
struct MorseSection {
    QString text;
    int speed = 0;
};

enum class MorseEnd { Sent, Stopped, Failed };

class RadioLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~RadioLink() override = default;

    // The radio to CW or SSB; a radio already in that family is left as it is.
    virtual void SetContestMode(ContestMode mode) = 0;
    // PTT through CAT; PttDone says when the radio took it.
    virtual void SetPtt(bool on) = 0;
    // The sections go to the radio's keyer one after another, each at its own
    // speed; MorseDone(id) follows once the last is sent. A new send replaces
    // one still going (which ends Stopped). `ended`, when given, runs on the
    // radio thread as the send ends, however it ends, once.
    virtual quint64 SendMorse(const QList<MorseSection>& sections, std::function<void(MorseEnd)> ended = {}) = 0;
    virtual void StopMorse() = 0;
    // Ends the link: PTT released, CW stopped, the radio closed, once the call
    // the radio thread is in returns. Waits for that at most waitMs, and
    // otherwise lets the radio thread finish by itself. No signal comes after.
    virtual void Close(int waitMs) = 0;

signals:
    void Linked(bool up);
    void Status(const zox::RadioStatus& status);  // after a connect, and on every change
    void PttDone(bool on);
    void MorseDone(quint64 id, zox::MorseEnd end);
    void Failure(const QString& text);
};

}  // namespace zox

Q_DECLARE_METATYPE(zox::RadioStatus)
Q_DECLARE_METATYPE(zox::MorseEnd)

#pragma once
// Voice messages in SSB: the spoken exchange is the report "5 9" and the two
// digits of the operator's own year number, one wave file a digit, played back
// to back, each to its end, without blocking the user-interface thread.
// The ten digit files lie in the Wav folder; operators may put their own voice
// in their place.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "keyer/audio/WavSound.h"

#include <array>
#include <functional>
#include <optional>

namespace zox {


// The files of the digits 0..9 (Slovene digit names without diacritics).
inline const std::array<QString, 10> kDigitFiles{
    QStringLiteral("Nic.wav"),  QStringLiteral("Ena.wav"),   QStringLiteral("Dva.wav"),
    QStringLiteral("Tri.wav"),  QStringLiteral("Stiri.wav"), QStringLiteral("Pet.wav"),
    QStringLiteral("Sest.wav"), QStringLiteral("Sedem.wav"), QStringLiteral("Osem.wav"),
    QStringLiteral("Devet.wav")};

// The report sent in SSB.
inline const QString kVoiceReport = QStringLiteral("59");

// The exchange for an own year number: the report's digits, then the year's.
// Empty when the year number is not two digits (blanks around it are ignored).
QStringList VoiceExchangeDigits(const QString& ownYear);
// The file names of those digits, in order.
QStringList VoiceExchangeFiles(const QString& ownYear);

// How long a wave file plays, from its header: the data chunk's size over the
// format's bytes per second, rounded up to whole milliseconds. Nothing when the
// file is missing or is not a RIFF WAVE file with both chunks.
std::optional<int> WavLengthMs(const QString& path);

// Plays files one after another through a TWavSound. The next file starts
// when the player reports the end of the one before; a player that does not
// report ends (or a file it cannot play) gets the file's length from its
// header and a margin for the player's start. A file without a readable
// header takes no time. Only one sequence plays at a time.
class TVoicePlayer : public QObject {
    Q_OBJECT
public:
    // Extra wait for an end report beyond a file's own length.
    static constexpr int kEndMarginMs = 250;

    explicit TVoicePlayer(TWavSound& ws, QObject* parent = nullptr);
    ~TVoicePlayer() override;

    // Stops a sequence in progress, then starts this one.
    void Play(const QStringList& paths);
    // The sound stops and no further file starts.
    void Stop();
    // From Play until the sequence has ended or was stopped, the lead included.
    bool Playing() const { return m_active; }

    // A file of the sequence starts (its index).
    std::function<void(int index)> OnFile;
    // The sequence has ended, by itself or stopped.
    std::function<void()> OnDone;
    // Runs `then` after `ms` milliseconds on this thread: a single-shot timer,
    // unless a test puts a clock of its own in its place.
    std::function<void(int ms, std::function<void()> then)> After;
    // Runs before the first file with what starts it, later on this thread
    // (PTT on and its lead, say); a start that comes after a stop does
    // nothing. Unset: the first file starts at once.
    std::function<void(std::function<void()> start)> Lead;

private:
    void Next();
    void Finish();

    QPointer<TWavSound> m_ws;  // may go first when both are children of one window
    QStringList m_paths;
    bool m_active = false;    // a sequence is on, its lead included
    int m_index = -1;         // the file playing; -1: none yet
    quint64 m_turn = 0;       // identifies the current file's wait, so a stale wake-up does nothing
};

}  // namespace zox

#pragma once
// For the voice tests: wave files of a given length, timers on a clock of the
// test's own, and a player that reports the end of each file once its length
// has passed on those timers.
#include "keyer/audio/VoiceExchange.h"
#include "keyer/audio/WavSound.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <functional>
#include <limits>
#include <map>
#include <utility>
#include <vector>

namespace zox::test {

// `ms` milliseconds of 16-bit mono at 8000 Hz. extras: an 18-byte format
// chunk and an odd-sized LIST chunk (padded) before the data. claimedData:
// the size the data chunk gives, when it is not the real one.
inline QByteArray WaveFile(int ms, bool extras = false, qint64 claimedData = -1)
{
    auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i) b[i] = char(v >> (8 * i));
        return b;
    };
    auto le16 = [](quint16 v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char(v >> 8)); };
    const quint32 rate = 8000, bytesPerSecond = rate * 2;
    const QByteArray data(int(qint64(ms) * bytesPerSecond / 1000), '\x10');
    QByteArray fmt = le16(1) + le16(1) + le32(rate) + le32(bytesPerSecond) + le16(2) + le16(16);
    if (extras) fmt += le16(0);
    QByteArray body = "WAVE" + QByteArray("fmt ") + le32(quint32(fmt.size())) + fmt;
    if (extras) body += QByteArray("LIST") + le32(5) + QByteArray("INFOx") + QByteArray(1, '\0');
    body += QByteArray("data") + le32(quint32(claimedData >= 0 ? claimedData : data.size())) + data;
    return "RIFF" + le32(quint32(body.size())) + body;
}

inline bool WriteWaveFile(const QString& path, int ms)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(WaveFile(ms)) > 0;
}

// Single-shot timers that run when the test says so, in the order they fall due.
struct TestTimers {
    qint64 now = 0;  // ms
    std::multimap<qint64, std::function<void()>> due;

    void After(int ms, std::function<void()> then) { due.emplace(now + ms, std::move(then)); }
    // Runs what falls due up to `until` (everything, without it); the clock ends there.
    void Run(qint64 until = std::numeric_limits<qint64>::max())
    {
        while (!due.empty() && due.begin()->first <= until) {
            auto it = due.begin();
            now = it->first;
            auto then = std::move(it->second);
            due.erase(it);
            then();
        }
        if (until != std::numeric_limits<qint64>::max() && until > now) now = until;
    }
    // What a TVoicePlayer waits with.
    std::function<void(int, std::function<void()>)> Waiter()
    {
        return [this](int ms, std::function<void()> then) { After(ms, std::move(then)); };
    }
};

// Plays nothing; keeps which file was started when, and reports a file's end
// once the length in its header has passed (unless told not to).
struct EndReportingOutput final : TWavOutput {
    explicit EndReportingOutput(TestTimers& t) : timers(t) {}

    bool Play(const QString& path, bool) override
    {
        Stop();
        started.emplace_back(QFileInfo(path).fileName(), timers.now);
        const auto length = WavLengthMs(path);
        if (!length) return false;
        const quint64 play = playing = ++plays;
        if (reportsEnd)
            timers.After(*length, [this, play] {
                if (playing != play) return;  // stopped or replaced meanwhile
                playing = 0;
                if (OnFinished) OnFinished();
            });
        return true;
    }
    void Stop() override { playing = 0; }
    bool CanPlay() const override { return device; }
    bool device = true;  // false: as a computer with no sound device

    TestTimers& timers;
    bool reportsEnd = true;
    quint64 playing = 0;  // the play that sounds; 0: none
    quint64 plays = 0;
    std::vector<std::pair<QString, qint64>> started;
};

}  // namespace zox::test

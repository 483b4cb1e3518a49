#pragma once
// A keyer on a virtual clock with a recording port device, and the write
// lists the tests compare. The keyer keys on its own thread; the test lets
// the clock run (Finish, RunUntil) and the thread's queued calls reach the
// test's thread at every step.

#include "keyer/CwKeyer.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/zlportio.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zox::test {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// An application object for the whole test program: the keyer's queued
// calls need one on the thread that owns the keyer.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance()) m_app = std::make_unique<QCoreApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[8] = "keyer";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_app;
};
inline ::testing::Environment* const kQtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Lets the clock run until the keyer has keyed everything it was given.
inline ::testing::AssertionResult Finish(TVirtualKeyerPlatform& clock, const TCwKeyer& keyer)
{
    if (clock.RunUntil([&keyer] { return keyer.Idle(); })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the keyer did not come to rest";
}

constexpr quint32 kControl = 0x37A;  // $378 + 2
constexpr quint32 kStatus = 0x379;   // $378 + 1

// One port write: when (from the start), where, what.
struct W {
    microseconds At;
    quint32 Port;
    quint32 Value;
    bool operator==(const W&) const = default;
};

inline void PrintTo(const W& w, std::ostream* os)
{
    *os << "{" << w.At.count() / 1000.0 << " ms, $" << std::hex << std::uppercase << w.Port << " <- $"
        << w.Value << std::dec << "}";
}

inline W At(double ms, quint32 port, quint32 value)
{
    return {microseconds(qint64(ms * 1000 + 0.5)), port, value};
}

// Keyed slots of a stretch of text at one dot length: '.' dot, '-' dash,
// ' ' empty slot. Every slot ends with the $17/$02 pair and one dot of gap.
struct Keyed {
    std::string Slots;
    int DotMs;
};

struct Timeline {
    std::vector<W> Writes;
    double EndMs = 0;
};

inline void AppendToneOn600(std::vector<W>& out, double t)
{
    out.push_back(At(t, 0x61, 0xFF));
    out.push_back(At(t, 0x43, 0xB6));
    out.push_back(At(t, 0x42, 0xC4));
    out.push_back(At(t, 0x42, 0x07));
}

inline Timeline ExpectedTimeline(const std::vector<Keyed>& stretches, bool speaker = false, double start = 0)
{
    Timeline tl;
    double t = start;
    for (const Keyed& k : stretches) {
        for (char c : k.Slots) {
            if (c != ' ') {
                tl.Writes.push_back(At(t, kControl, 0x03));
                if (speaker) AppendToneOn600(tl.Writes, t);
                t += (c == '.' ? 1 : 3) * k.DotMs;
            }
            tl.Writes.push_back(At(t, kControl, 0x17));
            tl.Writes.push_back(At(t, kControl, 0x02));
            if (speaker) tl.Writes.push_back(At(t, 0x61, 0xFC));
            t += k.DotMs;
        }
    }
    tl.EndMs = t;
    return tl;
}

// An output that keeps every change the keyer gives it, with the time it was
// due at (or, with a clock, the time it came), and answers paddle reads.
class TRecordingKeyOutput final : public TKeyOutput {
public:
    struct Change {
        double Ms;
        TKeyEvent Event;
    };
    explicit TRecordingKeyOutput(bool ptt = false, KeyerPlatform* stamp = nullptr) : m_ptt(ptt), m_stamp(stamp) {}

    void Apply(Time at, const TKeyEvent& event) override
    {
        const Time when = m_stamp ? m_stamp->Now() : at;
        const std::lock_guard lock(m_mutex);
        m_changes.push_back({std::chrono::duration<double, std::milli>(when).count(), event});
    }
    std::optional<quint8> ReadStatus(quint16) override { return std::nullopt; }
    bool HasPtt() const override { return m_ptt; }

    std::vector<Change> Changes() const
    {
        const std::lock_guard lock(m_mutex);
        return m_changes;
    }
    // Times of the changes of one kind; for the key line only where the key goes down or up.
    std::vector<std::pair<double, quint32>> Of(TKeyEvent::TKind kind) const
    {
        std::vector<std::pair<double, quint32>> out;
        bool key = false;
        for (const Change& c : Changes()) {
            if (c.Event.Kind != kind) continue;
            if (kind == TKeyEvent::Control) {
                if (c.Event.Key == key) continue;
                key = c.Event.Key;
                out.emplace_back(c.Ms, key ? 1 : 0);
            } else {
                out.emplace_back(c.Ms, c.Event.Value);
            }
        }
        return out;
    }

private:
    const bool m_ptt;
    KeyerPlatform* const m_stamp;
    mutable std::mutex m_mutex;
    std::vector<Change> m_changes;
};

class KeyerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto device = std::make_unique<TRecordingPortDevice>([this] { return clock.Now(); });
        port = device.get();
        ASSERT_TRUE(ZlPortIoStart(std::move(device)));
        keyer = std::make_unique<TCwKeyer>(&clock);
        keyer->SetSpeaker(false);
    }
    void TearDown() override
    {
        keyer.reset();
        ZlPortIoEnd();
    }

    // Lets the keying thread key what it was given.
    void Finish() { ASSERT_TRUE(test::Finish(clock, *keyer)); }

    std::vector<W> Writes() const
    {
        std::vector<W> out;
        for (const TPortRecord& r : port->Writes())
            out.push_back({std::chrono::duration_cast<microseconds>(r.Time), r.Request.Port, r.Request.Value});
        return out;
    }
    double NowMs() { return std::chrono::duration<double, std::milli>(clock.Now()).count(); }

    TVirtualKeyerPlatform clock;
    TRecordingPortDevice* port = nullptr;
    std::unique_ptr<TCwKeyer> keyer;
};

}  // namespace zox::test

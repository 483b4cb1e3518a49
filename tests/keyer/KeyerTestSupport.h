#pragma once
// A keyer on a virtual clock with a recording port device, and the write
// lists the tests compare.

#include "keyer/CwKeyer.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/zlportio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zox::test {

using std::chrono::microseconds;
using std::chrono::milliseconds;

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

// Paddle keying and decoding: contacts closed over stretches of virtual time,
// polled every millisecond by the keying thread (dot, dash, read character).

#include "KeyerTestSupport.h"

#include <utility>

namespace zox::test {
namespace {

using Stretches = std::vector<std::pair<int, int>>;  // [from, to) in ms

struct PaddleCase {
    const char* name;
    Stretches dot;
    Stretches dash;
    bool pisem;
    std::string delivered;
    std::string keyed;  // elements seen on the key line
};

class PaddleFixture : public KeyerFixture, public ::testing::WithParamInterface<PaddleCase> {
protected:
    static bool Closed(const Stretches& s, double ms)
    {
        for (const auto& [from, to] : s)
            if (ms >= from && ms < to) return true;
        return false;
    }

    void Script(Stretches dot, Stretches dash)
    {
        port->SetReadHandler([this, dot, dash](quint32 p, quint32) -> quint32 {
            if (p != kStatus) return 0xFF;
            quint32 status = 0xFF;
            if (Closed(dot, NowMs())) status &= ~quint32(TCwKeyer::kDotPaddleBit);
            if (Closed(dash, NowMs())) status &= ~quint32(TCwKeyer::kDashPaddleBit);
            return status;
        });
    }

    // The keying thread's poll, once a millisecond, until untilMs; the
    // characters it delivered.
    std::string RunTicks(int untilMs)
    {
        std::string delivered;
        keyer->OnPaddleChar = [&](const QString& text) { delivered += text.toStdString(); };
        keyer->SetPaddlePoll(true);
        clock.RunUntil(milliseconds(untilMs));
        keyer->OnPaddleChar = nullptr;
        keyer->SetPaddlePoll(false);
        return delivered;
    }

    // Elements from the control writes: a manual key-down, then key up one or three dots later.
    std::string KeyedElements() const
    {
        std::string out;
        const auto w = Writes();
        for (std::size_t i = 0; i + 1 < w.size(); ++i) {
            if (w[i].Port != kControl || (w[i].Value & 0x15) != 0x15) continue;
            const auto length = w[i + 1].At - w[i].At;
            out += length == milliseconds(45) ? "." : length == milliseconds(135) ? "-" : "?";
        }
        return out;
    }
};

TEST_P(PaddleFixture, KeysAndDecodes)
{
    const PaddleCase& c = GetParam();
    Script(c.dot, c.dash);
    keyer->SetPisem(c.pisem);
    EXPECT_EQ(RunTicks(1000), c.delivered);
    EXPECT_EQ(KeyedElements(), c.keyed);
    if (c.pisem) {
        EXPECT_EQ(keyer->PaddleCode(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, PaddleFixture,
    ::testing::Values(
        PaddleCase{"DotThenDash", {{0, 10}}, {{85, 100}}, true, "A", ".-"},
        PaddleCase{"SixDots", {{0, 460}}, {}, true, "*", "......"},
        PaddleCase{"SpacePattern", {{0, 10}, {265, 500}}, {{85, 100}}, true, " ", ".-..."},
        PaddleCase{"Question", {{0, 100}, {500, 700}}, {{150, 400}}, true, "?", "..--.."},
        PaddleCase{"SevenDotsNothing", {{0, 550}}, {}, true, "", "......."},
        PaddleCase{"BothClosedAlternate", {{0, 300}}, {{0, 300}}, true, "R", ".-."},
        PaddleCase{"NoAutoEdit", {{0, 10}}, {{85, 100}}, false, "", ".-"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaddleFixture, WithoutAutoEditThePaddleCodeIsKept)
{
    Script({{0, 10}}, {{85, 100}});
    RunTicks(400);
    EXPECT_EQ(keyer->PaddleCode(), 4u);  // dot (1), then dash: 1 * 2 + 2
    keyer->SendText("");
    Finish();
    EXPECT_EQ(keyer->PaddleCode(), 0u);  // a send starts a fresh character
}

TEST_F(PaddleFixture, PaddleDotWritesWithSpeaker)
{
    keyer->SetSpeaker(true);
    Script({{0, 10}}, {});
    keyer->PollDot();
    Finish();
    std::vector<W> expected{At(0, kControl, 0x15)};
    AppendToneOn600(expected, 0);
    expected.push_back(At(45, 0x61, 0xFC));
    expected.push_back(At(45, kControl, 0x00));
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(NowMs(), 90);
}

TEST_F(PaddleFixture, OpenContactsKeyNothing)
{
    Script({}, {});
    keyer->SetPisem(true);
    EXPECT_EQ(RunTicks(50), "");
    EXPECT_TRUE(Writes().empty());
}

}  // namespace
}  // namespace zox::test

// What the program makes of the radio's reports, and of CW for the radio's keyer.
#include "rig/RadioFollow.h"
#include "rig/RadioSettings.h"
#include "rig/RigMorse.h"

#include <gtest/gtest.h>

using namespace zox;

TEST(RigMorse, TheRadioKeysAtTheKeyersOwnPace)
{
    // A dot of 5500 div speed ms; PARIS timing: a word is 50 dots, wpm = 1200 / dot.
    const struct { int speed, wpm; } cases[] = {{50, 11}, {60, 13}, {115, 26}, {118, 26}, {150, 33}, {255, 57}, {2, 1}};
    for (const auto& c : cases) EXPECT_EQ(WpmFromKeyerSpeed(c.speed), c.wpm) << c.speed;
}

TEST(RigMorse, NominalLengthInStandardTiming)
{
    // At 12 words per minute a dot is 100 ms; PARIS is 43 units and its word space 7.
    const struct { const char* text; qint64 ms; } cases[] = {
        {"PARIS", 4300},
        {"paris", 4300},             // the radio's keyer sends capitals
        {"PARIS PARIS", 9300},
        {"PARIS  PARIS", 10000},     // every space is a word's silence
        {"E", 100},
        {"EE", 500},                 // 1 + 3 + 1
        {"T", 300},
        {"0", 1900},                 // five dashes and four gaps
        {"?", 1500},
        {"E ", 800},                 // trailing spaces are sent as silence
        {" E", 800},
        {"EČE", 500},                // a sign the radios do not know is skipped
        {"", 0},
        {"   ", 2100},
    };
    for (const auto& c : cases) EXPECT_EQ(NominalMorseMs(QString::fromUtf8(c.text), 12), c.ms) << c.text;
    EXPECT_EQ(NominalMorseMs("PARIS", 24), 2150);
    EXPECT_EQ(NominalMorseMs("PARIS", 0), 0);
}

TEST(RigMorse, TextForTheRadio)
{
    EXPECT_EQ(RadioMorseText("cq de s59abc/p"), QString("CQ DE S59ABC/P"));
    EXPECT_EQ(RadioMorseText(QString::fromUtf8("Č5AB $TEST% 5NN")), QString("5AB TEST 5NN"));
}

namespace {
RadioStatus At(RadioModeFamily f, qint64 hz = 3550000)
{
    RadioStatus s;
    s.family = f;
    s.frequencyHz = hz;
    return s;
}
}  // namespace

TEST(ModeFollower, FollowsChangesOfTheRadioOnly)
{
    using F = RadioModeFamily;
    using M = std::optional<ContestMode>;
    ModeFollower f;
    // The first report after a connect counts.
    EXPECT_EQ(f.Follow(At(F::Cw)), M(ContestMode::Cw));
    // The same family again (a new frequency, CW-reverse) leaves the program's own choice alone.
    EXPECT_EQ(f.Follow(At(F::Cw, 3510000)), M());
    EXPECT_EQ(f.Follow(At(F::Ssb)), M(ContestMode::Ssb));
    EXPECT_EQ(f.Follow(At(F::Ssb)), M());
    // Other modes change nothing, and coming back from one is a change.
    EXPECT_EQ(f.Follow(At(F::Other)), M());
    EXPECT_EQ(f.Follow(At(F::Ssb)), M(ContestMode::Ssb));
    EXPECT_EQ(f.Follow(At(F::Other)), M());
    EXPECT_EQ(f.Follow(At(F::Cw)), M(ContestMode::Cw));
    EXPECT_EQ(f.Current(), M(ContestMode::Cw));
    // After a reconnect the radio's mode counts again, and is not known until reported.
    f.Restart();
    EXPECT_EQ(f.Current(), M());
    EXPECT_EQ(f.Follow(At(F::Cw)), M(ContestMode::Cw));
    f.Restart();
    EXPECT_EQ(f.Follow(At(F::Other)), M());
    EXPECT_EQ(f.Current(), M());
    f.Follow(At(F::Ssb));
    EXPECT_EQ(f.Current(), M(ContestMode::Ssb));
}

TEST(RadioStatusText, ContestBandAndWarning)
{
    EXPECT_FALSE(InContestBand(3499999));
    EXPECT_TRUE(InContestBand(3500000));
    EXPECT_TRUE(InContestBand(3800000));
    EXPECT_FALSE(InContestBand(3800001));
    EXPECT_FALSE(InContestBand(7030000));

    RadioStatus s = At(RadioModeFamily::Cw, 3550500);
    s.modeName = "CW";
    EXPECT_EQ(RadioStatusText(s), QString("Radio: 3550,5 kHz CW"));
    s.frequencyHz = 7030000;
    EXPECT_EQ(RadioStatusText(s), QString::fromUtf8("Radio je na 7030,0 kHz, zunaj pasu 3500–3800 kHz !"));
    // Just outside the band: never shown as its edge.
    s.frequencyHz = 3499999;
    EXPECT_EQ(RadioStatusText(s), QString::fromUtf8("Radio je na 3499,999 kHz, zunaj pasu 3500–3800 kHz !"));
    s.frequencyHz = 3800010;
    EXPECT_EQ(RadioStatusText(s), QString::fromUtf8("Radio je na 3800,01 kHz, zunaj pasu 3500–3800 kHz !"));
    s.frequencyHz = 0;  // a radio that does not tell its frequency gives no warning
    EXPECT_EQ(RadioStatusText(s), QString("Radio CW"));
}

TEST(RadioSettings, LinkKinds)
{
    const struct { const char* text; bool ok; RadioLinkKind kind; } cases[] = {
        {"none", true, RadioLinkKind::None},   {"hamlib", true, RadioLinkKind::Hamlib},
        {"rigctld", true, RadioLinkKind::Rigctld}, {" RigCtlD ", true, RadioLinkKind::Rigctld},
        {"", false, RadioLinkKind::None},      {"hamlib2", false, RadioLinkKind::None},
    };
    for (const auto& c : cases) {
        RadioLinkKind k = RadioLinkKind::None;
        EXPECT_EQ(LinkKindFromText(c.text, k), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(k, c.kind) << c.text;
            EXPECT_EQ(LinkKindText(k), QString(c.text).trimmed().toLower());
        }
    }
}

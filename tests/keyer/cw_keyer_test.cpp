// Sending texts: element slots, gaps, speed markers, stop and a send that
// replaces another, checked as exact port-write timelines on a virtual clock
// that the keying thread sleeps on.

#include "KeyerTestSupport.h"

namespace zox::test {
namespace {

TEST(CwKeyerCreation, StartsWithItsValuesAtCreation)
{
    TVirtualKeyerPlatform clock;
    TCwKeyer k(&clock);
    EXPECT_EQ(k.LptPort(), 0x378);
    EXPECT_EQ(k.Tone(), 600);
    EXPECT_EQ(k.Speed(), 120);
    EXPECT_EQ(k.HiSpeed(), 150);
    EXPECT_EQ(k.HiSpeed1(), 170);
    EXPECT_TRUE(k.Speaker());
    EXPECT_FALSE(k.Stop());
    EXPECT_FALSE(k.Pisem());
    EXPECT_EQ(k.DotLength(), 45);
    EXPECT_EQ(k.SavedSpeed(), 120);
    EXPECT_EQ(k.ControlBase(), 0);
    EXPECT_EQ(k.PaddleCode(), 0u);
    for (int slot = 1; slot <= 8; ++slot)
        EXPECT_EQ(k.Memory()[slot], QStringLiteral("F%1").arg(slot + 1)) << "slot " << slot;
}

TEST(CwKeyerSpeed, DotLengthIs5500DivSpeedAndSpeedsStayInRange)
{
    TVirtualKeyerPlatform clock;
    TCwKeyer k(&clock);
    const struct { int write, speed, dot; } cases[] = {
        {50, 50, 110}, {115, 115, 47}, {120, 120, 45}, {150, 150, 36}, {170, 170, 32}, {255, 255, 21},
        {0, 50, 110},  // would divide by zero
        {300, 255, 21},  // would not fit the 8-bit saved speed
    };
    for (const auto& c : cases) {
        k.SetSpeed(c.write);
        EXPECT_EQ(k.Speed(), c.speed) << "write " << c.write;
        EXPECT_EQ(k.DotLength(), c.dot) << "write " << c.write;
    }
    k.SetTone(0);
    EXPECT_EQ(k.Tone(), 300);
    k.SetHiSpeed1(1000);
    EXPECT_EQ(k.HiSpeed1(), 255);
}

TEST(CwKeyerTable, PositionsAndCodesFollowTheNumbering)
{
    const struct { QChar ch; int position; const char* elements; } cases[] = {
        {'E', 1, "."}, {'T', 2, "-"}, {'A', 4, ".-"}, {'5', 31, "....."}, {' ', 39, ".-..."},
        {'?', 75, "..--.."}, {'/', 49, "-..-."}, {'+', 41, ".-.-."}, {'0', 62, "-----"},
        {'*', 18, "..--"}, {'#', 63, nullptr}, {'e', 63, nullptr},  // 63: keyed as silence
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TCwKeyer::TablePosition(c.ch), c.position) << QString(c.ch).toStdString();
        if (c.elements) {
            EXPECT_EQ(TCwKeyer::ElementsOf(c.position).toStdString(), c.elements);
        }
    }
}

TEST_F(KeyerFixture, SingleDotAndDashExactWrites)
{
    keyer->SendText("E");
    Finish();
    EXPECT_EQ(Writes(), (std::vector<W>{
                            At(0, kControl, 0x03),  // key down
                            At(45, kControl, 0x17), At(45, kControl, 0x02),  // pulse, key up
                            At(90, kControl, 0x17), At(90, kControl, 0x02),  // empty slot 7
                            At(135, kControl, 0x17), At(135, kControl, 0x02),  // empty slot 8
                        }));
    EXPECT_EQ(NowMs(), 180);  // one dot, then 135 ms of silence
    EXPECT_TRUE(keyer->Stop());

    port->Clear();
    const double start = NowMs();
    keyer->SendText("T");
    Finish();
    EXPECT_EQ(Writes(), (std::vector<W>{
                            At(start + 0, kControl, 0x03),
                            At(start + 135, kControl, 0x17), At(start + 135, kControl, 0x02),
                            At(start + 180, kControl, 0x17), At(start + 180, kControl, 0x02),
                            At(start + 225, kControl, 0x17), At(start + 225, kControl, 0x02),
                        }));
    EXPECT_EQ(NowMs() - start, 270);  // 135 ms down, 135 ms of silence
}

struct TextCase {
    const char* name;
    QString text;
    int speed;
    std::vector<Keyed> keyed;
    int finalSpeed;
};

class SendTextTable : public KeyerFixture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(SendTextTable, KeysExactTimeline)
{
    const TextCase& c = GetParam();
    keyer->SetSpeed(c.speed);
    keyer->SendText(c.text);
    Finish();
    const Timeline expected = ExpectedTimeline(c.keyed);
    EXPECT_EQ(Writes(), expected.Writes);
    EXPECT_EQ(NowMs(), expected.EndMs);
    EXPECT_EQ(keyer->Speed(), c.finalSpeed);
    EXPECT_TRUE(keyer->Stop());
    EXPECT_EQ(keyer->ControlBase(), 0x02);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SendTextTable,
    ::testing::Values(
        TextCase{"Paris", "PARIS ", 120,
                 {{".--.  .-  .-.  ..  ...  ", 45}, {"   ", 45}}, 120},
        TextCase{"Question", "?", 120, {{"..--..  ", 45}}, 120},
        TextCase{"Slash", "/", 120, {{"-..-.  ", 45}}, 120},
        TextCase{"Plus", "+", 120, {{".-.-.  ", 45}}, 120},
        TextCase{"Zero", "0", 120, {{"-----  ", 45}}, 120},
        TextCase{"Star", "*", 120, {{"..--  ", 45}}, 120},
        TextCase{"Hash", "#", 120, {{"   ", 45}}, 120},
        TextCase{"Diacritic", QStringLiteral("\u010D\u010C"), 120, {{"      ", 45}}, 120},
        TextCase{"LowerCase", "cq", 120, {{"-.-.  --.-  ", 45}}, 120},
        TextCase{"DupeMessage", "$QSO B4$", 120,
                 {{"   ", 32}, {"--.-  ...  ---     -...  ....-  ", 32}, {"   ", 45}}, 120},
        TextCase{"SharedSavedSpeed", "%A$B$C%", 120,
                 {{"   .-  ", 36}, {"   -...  ", 32}, {"   -.-.     ", 36}}, 150},
        TextCase{"OpenSectionKeepsSpeed", "%E", 120, {{"   .  ", 36}}, 150},
        TextCase{"Empty", "", 120, {}, 120}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyerFixture, ParisWithSpaceIs49Dots)
{
    keyer->SendText("PARIS ");
    Finish();
    EXPECT_EQ(NowMs(), 49 * 45);
}

TEST_F(KeyerFixture, LowerCaseKeysLikeUpperCase)
{
    keyer->SendText("cq");
    Finish();
    const auto lower = Writes();
    port->Clear();
    const auto start = clock.Now();
    keyer->SendText("CQ");
    Finish();
    auto upper = Writes();
    for (W& w : upper) w.At -= std::chrono::duration_cast<microseconds>(start);
    EXPECT_EQ(lower, upper);
}

TEST_F(KeyerFixture, SpeakerSoundsWhileKeyDown)
{
    keyer->SetSpeaker(true);
    keyer->SendText("E");
    Finish();
    EXPECT_EQ(Writes(), ExpectedTimeline({{".  ", 45}}, true).Writes);
    const auto w = Writes();
    ASSERT_GE(w.size(), 5u);
    // Tone on at 600 Hz: gate, mode, divisor 1988 = $07C4 low byte first.
    EXPECT_EQ(w[1], At(0, 0x61, 0xFF));
    EXPECT_EQ(w[2], At(0, 0x43, 0xB6));
    EXPECT_EQ(w[3], At(0, 0x42, 0xC4));
    EXPECT_EQ(w[4], At(0, 0x42, 0x07));
}

TEST_F(KeyerFixture, ControlBaseIsZeroUntilTheFirstText)
{
    keyer->SendChar('E');
    Finish();  // Tune given during the character would act at its next slot
    keyer->ManualKeyDown();
    keyer->ManualKeyUp();
    Finish();
    EXPECT_EQ(Writes(), (std::vector<W>{At(0, kControl, 0x01), At(45, kControl, 0x15), At(45, kControl, 0x00),
                                        At(90, kControl, 0x15), At(90, kControl, 0x00),
                                        At(135, kControl, 0x15), At(135, kControl, 0x00),
                                        At(180, kControl, 0x15), At(180, kControl, 0x00)}));
    port->Clear();
    keyer->SendText("");
    keyer->SetLptPort(0x278);
    keyer->ManualKeyDown();
    keyer->ManualKeyUp();
    Finish();
    EXPECT_EQ(Writes(), (std::vector<W>{At(180, 0x27A, 0x17), At(180, 0x27A, 0x02)}));
}

TEST_F(KeyerFixture, StopIsHonouredAtTheNextSlotOrCharacter)
{
    const struct { const char* name; double stopAtMs; std::vector<W> writes; double endMs; } cases[] = {
        // During the dash: it completes, key up, one dot of silence, nothing more.
        {"during dash", 60,
         {At(0, kControl, 0x03), At(135, kControl, 0x17), At(135, kControl, 0x02)}, 180},
        // During the last gap of the first character: the next one is not begun.
        {"between characters", 240,
         {At(0, kControl, 0x03), At(135, kControl, 0x17), At(135, kControl, 0x02),
          At(180, kControl, 0x17), At(180, kControl, 0x02), At(225, kControl, 0x17),
          At(225, kControl, 0x02)},
         270},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TVirtualKeyerPlatform fresh;
        auto device = std::make_unique<TRecordingPortDevice>([&fresh] { return fresh.Now(); });
        port = device.get();
        ZlPortIoStart(std::move(device));
        TCwKeyer k(&fresh);
        k.SetSpeaker(false);
        fresh.At(std::chrono::duration_cast<microseconds>(std::chrono::duration<double, std::milli>(c.stopAtMs)),
                 [&k] { k.SetStop(true); });
        k.SendText("TEST");
        ASSERT_TRUE(test::Finish(fresh, k));
        EXPECT_EQ(Writes(), c.writes);
        EXPECT_EQ((std::chrono::duration<double, std::milli>(fresh.Now()).count()), c.endMs);
        EXPECT_TRUE(k.Stop());
        ZlPortIoEnd();  // its key-up still reads this case's clock
    }
}

TEST_F(KeyerFixture, SendStartedDuringASendReplacesItsRest)
{
    // Given during the gap after the first character: the keying thread takes
    // it before the second.
    clock.At(milliseconds(250), [&] { keyer->SendText("E"); });
    keyer->SendText("TT");
    Finish();
    Timeline expected = ExpectedTimeline({{"-  ", 45}, {".  ", 45}});
    EXPECT_EQ(Writes(), expected.Writes);
    EXPECT_EQ(NowMs(), expected.EndMs);
    EXPECT_TRUE(keyer->Stop());
}

TEST_F(KeyerFixture, LongInputHandlingPausesTheSendShortDelaysAreCaughtUp)
{
    // Input handling of 100 ms (say, paddle elements) before the second character:
    // the rest of the text moves by 100 ms and keeps its element lengths.
    int points = 0;
    keyer->OnCheckPoint = [&] {
        if (++points == 5) clock.Advance(milliseconds(100));
    };
    keyer->SendText("TE");
    Finish();
    Timeline first = ExpectedTimeline({{"-  ", 45}});
    Timeline second = ExpectedTimeline({{".  ", 45}}, false, first.EndMs + 100);
    first.Writes.insert(first.Writes.end(), second.Writes.begin(), second.Writes.end());
    EXPECT_EQ(Writes(), first.Writes);
    EXPECT_EQ(NowMs(), second.EndMs);

    // 0.4 ms at every point: writes after a point come late, but the deadlines
    // do not move, so the elements after them and the end keep their times.
    port->Clear();
    const double start = NowMs();
    keyer->OnCheckPoint = [&] { clock.Advance(microseconds(400)); };
    keyer->SendText("E");
    Finish();
    EXPECT_EQ(Writes(), (std::vector<W>{
                            At(start + 0.8, kControl, 0x03),  // one point per character, one per slot
                            At(start + 45, kControl, 0x17), At(start + 45, kControl, 0x02),
                            At(start + 90.4, kControl, 0x17), At(start + 90.4, kControl, 0x02),
                            At(start + 135.4, kControl, 0x17), At(start + 135.4, kControl, 0x02),
                        }));
    EXPECT_EQ(NowMs() - start, 180);
}

TEST_F(KeyerFixture, KeyerDestroyedDuringItsSendEndsTheSendSafely)
{
    // The operator switches the keyer off in the gap after the dash.
    clock.At(milliseconds(150), [&] { keyer.reset(); });
    keyer->SendText("TT");
    EXPECT_TRUE(clock.RunUntil([&] { return !keyer; }));
    EXPECT_EQ(keyer, nullptr);
    EXPECT_EQ(Writes(), (std::vector<W>{At(0, kControl, 0x03), At(135, kControl, 0x17), At(135, kControl, 0x02)}));
}

}  // namespace
}  // namespace zox::test

// The keying thread as its owner sees it: sends that return at once and
// report their end later, stops and sends taken in the order given, speed
// keys acting from the next element, the paddle poll, PTT with its lead and
// tail, a new output, and failures that never leave the thread as exceptions.

#include "KeyerTestSupport.h"

#include <stdexcept>
#include <string>

namespace zox::test {
namespace {

TEST_F(KeyerFixture, SendTextReturnsAtOnceAndItsEndComesBackLater)
{
    std::vector<bool> ends;
    keyer->SendText("E", [&](bool toTheEnd) { ends.push_back(toTheEnd); });
    EXPECT_TRUE(keyer->Sending());
    EXPECT_FALSE(keyer->Idle());
    EXPECT_FALSE(keyer->Stop());
    EXPECT_TRUE(ends.empty());
    EXPECT_EQ(NowMs(), 0);
    Finish();
    EXPECT_EQ(ends, std::vector<bool>{true});
    EXPECT_FALSE(keyer->Sending());
    EXPECT_TRUE(keyer->Idle());
    EXPECT_TRUE(keyer->Stop());
    EXPECT_EQ(NowMs(), 180);
}

// Sends and stops given before the keying thread got to them count in their order.
TEST_F(KeyerFixture, StopsAndSendsAreTakenInTheOrderGiven)
{
    const struct {
        const char* name;
        std::function<void(TCwKeyer&, std::vector<std::string>&)> give;
        std::vector<std::string> ends;
        std::vector<Keyed> keyed;
    } cases[] = {
        {"stop, then a send",
         [](TCwKeyer& k, auto& log) {
             k.SetStop(true);
             k.SendText("E", [&log](bool end) { log.push_back(end ? "E ran out" : "E stopped"); });
         },
         {"E ran out"}, {{".  ", 45}}},
        {"a send, then a stop",
         [](TCwKeyer& k, auto& log) {
             k.SendText("E", [&log](bool end) { log.push_back(end ? "E ran out" : "E stopped"); });
             k.SetStop(true);
         },
         {"E stopped"}, {}},
        {"two sends",
         [](TCwKeyer& k, auto& log) {
             k.SendText("T", [&log](bool end) { log.push_back(end ? "T ran out" : "T replaced"); });
             k.SendText("E", [&log](bool end) { log.push_back(end ? "E ran out" : "E replaced"); });
         },
         {"T replaced", "E ran out"}, {{".  ", 45}}},
        {"a send, a stop, a send",
         [](TCwKeyer& k, auto& log) {
             k.SendText("T", [&log](bool end) { log.push_back(end ? "T ran out" : "T stopped"); });
             k.SetStop(true);
             k.SendText("E", [&log](bool end) { log.push_back(end ? "E ran out" : "E stopped"); });
         },
         {"T stopped", "E ran out"}, {{".  ", 45}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port->Clear();
        const double start = NowMs();
        std::vector<std::string> log;
        c.give(*keyer, log);
        Finish();
        EXPECT_EQ(log, c.ends);
        EXPECT_EQ(Writes(), ExpectedTimeline(c.keyed, false, start).Writes);
        EXPECT_TRUE(keyer->Stop());
    }
}

TEST_F(KeyerFixture, SpeedKeysDuringASendActFromTheNextElement)
{
    // 10 ms into the first dash the operator sets speed 200 (dot 27 ms): the
    // dash keeps its 135 ms, everything after it goes at the new speed.
    clock.At(milliseconds(10), [&] { keyer->SetNormalSpeed(200); });
    keyer->SendText("TT");
    Finish();
    EXPECT_EQ(Writes(), (std::vector<W>{
                            At(0, kControl, 0x03), At(135, kControl, 0x17), At(135, kControl, 0x02),
                            At(162, kControl, 0x17), At(162, kControl, 0x02), At(189, kControl, 0x17),
                            At(189, kControl, 0x02),  // the gap after the first T
                            At(216, kControl, 0x03), At(297, kControl, 0x17), At(297, kControl, 0x02),
                            At(324, kControl, 0x17), At(324, kControl, 0x02), At(351, kControl, 0x17),
                            At(351, kControl, 0x02),
                        }));
    EXPECT_EQ(NowMs(), 378);
    EXPECT_EQ(keyer->Speed(), 200);
}

TEST_F(KeyerFixture, ThePaddlePollLooksEveryMillisecondWhileItIsOn)
{
    auto reads = [this] {
        int n = 0;
        for (const TPortRecord& r : port->Records()) n += !r.IsWrite() && r.Request.Port == kStatus;
        return n;
    };
    keyer->SetPaddlePoll(true);
    EXPECT_TRUE(keyer->PaddlePoll());
    clock.RunUntil(milliseconds(9));
    EXPECT_EQ(reads(), 10 * 2);  // dot and dash contact, at 0 .. 9 ms
    keyer->SetPaddlePoll(false);
    clock.RunUntil(milliseconds(50));
    EXPECT_EQ(reads(), 20);
    EXPECT_TRUE(Writes().empty());
}

TEST_F(KeyerFixture, ACallbackThatThrowsIsReportedAndTheKeyerGoesOn)
{
    std::vector<std::string> failures;
    keyer->OnFailure = [&](const QString& text) { failures.push_back(text.toStdString()); };
    keyer->SendText("E", [](bool) { throw std::runtime_error("the after-send action failed"); });
    Finish();
    EXPECT_EQ(failures, std::vector<std::string>{"the after-send action failed"});
    bool ended = false;
    keyer->SendText("E", [&](bool toTheEnd) { ended = toTheEnd; });
    Finish();
    EXPECT_TRUE(ended);
}

TEST(KeyerRealTime, TheVirtualClockAsksForNone)
{
    TVirtualKeyerPlatform clock;
    TCwKeyer keyer(&clock, std::make_unique<TRecordingKeyOutput>());
    EXPECT_FALSE(clock.RealTimeWanted());
    EXPECT_FALSE(keyer.RealTime());
    EXPECT_TRUE(MakeRealKeyerPlatform(true)->RealTimeWanted());
    EXPECT_FALSE(MakeRealKeyerPlatform(false)->RealTimeWanted());
}

// ---- PTT around CW and voice, on an output with a PTT line

class PttFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto output = std::make_unique<TRecordingKeyOutput>(/*ptt=*/true);
        out = output.get();
        keyer = std::make_unique<TCwKeyer>(&clock, std::move(output));
        keyer->SetSpeaker(false);
        keyer->SetPttTiming({true, 30, 200});
    }
    void TearDown() override { keyer.reset(); }
    double NowMs() { return std::chrono::duration<double, std::milli>(clock.Now()).count(); }

    using Changes = std::vector<std::pair<double, quint32>>;
    TVirtualKeyerPlatform clock;
    TRecordingKeyOutput* out = nullptr;
    std::unique_ptr<TCwKeyer> keyer;
};

TEST_F(PttFixture, LeadBeforeTheFirstElementTailAfterTheLast)
{
    // "E" at 120: PTT on, 30 ms lead, the dot at 30 .. 75, the send ends at
    // 210; PTT off 200 ms after the dot.
    keyer->SendText("E");
    clock.RunUntil(milliseconds(1000));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {275, 0}}));
    EXPECT_EQ(out->Of(TKeyEvent::Control), (Changes{{30, 1}, {75, 0}}));

    // With a tail shorter than the gap after the last character, PTT goes at the end of the send.
    keyer->SetPttTiming({true, 30, 100});
    keyer->SendText("E");
    clock.RunUntil(milliseconds(2000));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {275, 0}, {1000, 1}, {1210, 0}}));
}

TEST_F(PttFixture, ASendWithinTheTailKeepsPttOnAndNeedsNoLead)
{
    keyer->SendText("E");
    clock.At(milliseconds(250), [&] { keyer->SendText("E"); });
    clock.RunUntil(milliseconds(1000));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {495, 0}}));
    EXPECT_EQ(out->Of(TKeyEvent::Control), (Changes{{30, 1}, {75, 0}, {250, 1}, {295, 0}}));
}

TEST_F(PttFixture, AStopLetsPttGoAfterItsTail)
{
    keyer->SendText("TEST");
    clock.At(milliseconds(100), [&] { keyer->SetStop(true); });
    clock.RunUntil(milliseconds(1000));
    // The dash (30 .. 165) completes, the send stops a dot later.
    EXPECT_EQ(out->Of(TKeyEvent::Control), (Changes{{30, 1}, {165, 0}}));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {365, 0}}));
}

TEST_F(PttFixture, ALongLeadIsCutShortByAStopAndANewSendKeysAfterWhatIsLeftOfIt)
{
    // Stopped in its lead: nothing keyed, the send ends then, PTT goes after the tail.
    keyer->SetPttTiming({true, 2000, 200});
    double endedAt = -1;
    keyer->SendText("TEST", [&](bool) { endedAt = NowMs(); });
    clock.At(milliseconds(100), [&] { keyer->SetStop(true); });
    clock.RunUntil(milliseconds(3000));
    EXPECT_EQ(endedAt, 100);
    EXPECT_TRUE(out->Of(TKeyEvent::Control).empty());
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {200, 0}}));

    // Replaced in its lead: the new send waits out the rest of the lead, not
    // none of it and not a new one.
    keyer->SetPttTiming({true, 300, 200});
    keyer->SendText("TEST");
    clock.At(milliseconds(3100), [&] { keyer->SendText("E"); });
    clock.RunUntil(milliseconds(5000));
    EXPECT_EQ(out->Of(TKeyEvent::Control), (Changes{{3300, 1}, {3345, 0}}));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {200, 0}, {3000, 1}, {3545, 0}}));
}

TEST_F(PttFixture, TuneKeysAfterTheLeadAndHoldsPttUntilItIsReleased)
{
    keyer->ManualKeyDown();
    clock.At(milliseconds(500), [&] { keyer->ManualKeyUp(); });
    clock.RunUntil(milliseconds(1000));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {700, 0}}));
    EXPECT_EQ(out->Of(TKeyEvent::Control), (Changes{{30, 1}, {500, 0}}));
}

TEST_F(PttFixture, VoiceStartsAfterTheLeadAndPttGoesAfterTheTail)
{
    keyer->SetPttTiming({false, 30, 100});  // voice only
    double readyAt = -1;
    keyer->VoiceStart([&] { readyAt = NowMs(); });
    EXPECT_TRUE(keyer->VoicePending());
    clock.At(milliseconds(1500), [&] { keyer->VoiceEnd(); });
    clock.RunUntil(milliseconds(3000));
    EXPECT_EQ(readyAt, 30);
    EXPECT_FALSE(keyer->VoicePending());
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {1600, 0}}));

    // Stopped during its lead: it never starts.
    readyAt = -1;
    keyer->VoiceStart([&] { readyAt = NowMs(); });
    clock.At(milliseconds(3010), [&] { keyer->VoiceEnd(); });
    clock.RunUntil(milliseconds(4000));
    EXPECT_EQ(readyAt, -1);
    EXPECT_EQ(out->Of(TKeyEvent::Ptt), (Changes{{0, 1}, {1600, 0}, {3000, 1}, {3110, 0}}));

    // CW without PTT for CW keys no PTT.
    keyer->SendText("E");
    clock.RunUntil(milliseconds(5000));
    EXPECT_EQ(out->Of(TKeyEvent::Ptt).size(), 4u);
    EXPECT_EQ(out->Of(TKeyEvent::Control), (Changes{{4000, 1}, {4045, 0}}));
}

TEST(KeyerVoice, WithoutAPttLineAVoiceStartsAtOnce)
{
    TVirtualKeyerPlatform clock;
    auto output = std::make_unique<TRecordingKeyOutput>(/*ptt=*/false);
    TRecordingKeyOutput* out = output.get();
    TCwKeyer keyer(&clock, std::move(output));
    bool ready = false;
    keyer.VoiceStart([&] { ready = true; });
    ASSERT_TRUE(clock.RunUntil([&] { return ready; }));
    EXPECT_EQ(clock.Now(), KeyerPlatform::Time{0});
    keyer.VoiceEnd();
    clock.RunUntil(milliseconds(500));
    EXPECT_TRUE(out->Changes().empty());
}

// ---- a new output

// Writes into a log that outlives it: the keyer destroys a replaced output.
class TLoggingOutput final : public TKeyOutput {
public:
    TLoggingOutput(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    ~TLoggingOutput() override { m_log.push_back(m_name + " closed"); }
    void Apply(Time at, const TKeyEvent& e) override
    {
        const auto ms = std::chrono::duration_cast<milliseconds>(at).count();
        if (e.Kind == TKeyEvent::Control)
            m_log.push_back(m_name + (e.Key ? " down " : " up ") + std::to_string(ms));
        else if (e.Kind == TKeyEvent::Tone)
            m_log.push_back(m_name + (e.Value ? " tone " : " silent ") + std::to_string(ms));
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

TEST(KeyerOutput, ANewOutputTakesOverWithEverythingReleasedOnTheOld)
{
    std::vector<std::string> log;  // written on the keying thread while the test thread waits
    {
        TVirtualKeyerPlatform clock;
        TCwKeyer keyer(&clock, std::make_unique<TLoggingOutput>("A", log));
        keyer.ManualKeyDown();  // Tune held
        clock.At(milliseconds(100), [&] { keyer.SetOutput(std::make_unique<TLoggingOutput>("B", log)); });
        clock.At(milliseconds(200), [&] { keyer.ManualKeyUp(); });
        clock.RunUntil(milliseconds(300));
        keyer.SetSpeaker(true);
        keyer.SendText("E");
        ASSERT_TRUE(Finish(clock, keyer));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"A down 0", "A up 100", "A closed", "B up 200", "B down 300",
                                             "B tone 300", "B up 345", "B up 345", "B silent 345", "B up 390",
                                             "B up 390", "B silent 390", "B up 435", "B up 435", "B silent 435",
                                             "B closed"}));
}

// ---- the clock the tests drive

TEST(VirtualClock, WithoutAKeyingThreadItRunsItsActionsInTimeOrder)
{
    TVirtualKeyerPlatform clock;
    std::vector<int> ran;
    clock.At(milliseconds(30), [&] { ran.push_back(30); });
    clock.At(milliseconds(10), [&] {
        ran.push_back(10);
        clock.At(milliseconds(20), [&] { ran.push_back(20); });
    });
    clock.AtOnKeyingThread(milliseconds(15), [&] { ran.push_back(15); });
    clock.RunUntil(milliseconds(25));
    EXPECT_EQ(ran, (std::vector<int>{10, 15, 20}));
    EXPECT_EQ(clock.Now(), milliseconds(25));
    clock.Advance(milliseconds(10));
    EXPECT_EQ(ran, (std::vector<int>{10, 15, 20, 30}));
    EXPECT_EQ(clock.Now(), milliseconds(35));
}

TEST(VirtualClock, OneKeyingThreadAtATime)
{
    TVirtualKeyerPlatform clock;
    TCwKeyer first(&clock, std::make_unique<TRecordingKeyOutput>());
    EXPECT_THROW(TCwKeyer(&clock, std::make_unique<TRecordingKeyOutput>()), std::logic_error);
}

}  // namespace
}  // namespace zox::test

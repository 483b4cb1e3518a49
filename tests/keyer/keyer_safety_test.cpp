// The keyer never leaves the key down or a fast speed behind: a stop inside a
// "$" or "%" section, a send started inside one, a send left by an exception,
// a keyer destroyed with Tune held; and the port layer's key-up, the normal
// way and the signal-safe way.

#include "KeyerTestSupport.h"

#include "keyer/KeyRelease.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace zox::test {
namespace {

using std::chrono::duration;
using std::chrono::duration_cast;

microseconds Ms(double ms) { return duration_cast<microseconds>(duration<double, std::milli>(ms)); }

// The last value written to a port, or -1.
int LastWrite(const std::vector<W>& writes, quint32 port)
{
    for (auto it = writes.rbegin(); it != writes.rend(); ++it)
        if (it->Port == port) return int(it->Value);
    return -1;
}

// Stopped anywhere, the normal speed is back and the next text goes out at it.
TEST_F(KeyerFixture, StopInsideASpeedSectionLeavesTheNormalSpeed)
{
    const struct { const char* name; QString text; double stopAtMs; int speedAtStop; } cases[] = {
        {"inside $...$", "$QSO B4$", 150, 170},
        {"inside % inside $", "%A$B$C%", 500, 170},
        {"inside % after words", "CQ %TEST%", 1700, 150},
        {"before any section", "CQ $TEST$", 100, 120},
        {"after a closed section", "$E$ TEST", 700, 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        keyer->SetSpeed(120);
        port->Clear();
        int speedAtStop = 0;
        clock.At(clock.Now() + Ms(c.stopAtMs), [&] {
            speedAtStop = keyer->Speed();
            keyer->SetStop(true);
        });
        keyer->SendText(c.text);
        Finish();
        EXPECT_EQ(speedAtStop, c.speedAtStop);
        EXPECT_EQ(keyer->Speed(), 120);
        EXPECT_EQ(keyer->DotLength(), 45);
        EXPECT_EQ(LastWrite(Writes(), kControl), 0x02);

        port->Clear();
        const double start = NowMs();
        keyer->SendText("E");
        Finish();
        EXPECT_EQ(Writes(), ExpectedTimeline({{".  ", 45}}, false, start).Writes);
    }
}

TEST_F(KeyerFixture, ASendStartedInsideASectionGoesOutAtTheNormalSpeed)
{
    // The operator presses another memory key while QSO B4 is keyed fast; the
    // keying thread takes it at its next check point.
    bool pressed = false;
    double innerStart = 0;
    clock.At(milliseconds(150), [&] { keyer->SendText("E"); });
    keyer->OnCheckPoint = [&] {
        if (!pressed && NowMs() > 150) {
            pressed = true;
            port->Clear();
            innerStart = NowMs();
        }
    };
    keyer->SendText("$QSO B4$");
    Finish();
    ASSERT_TRUE(pressed);
    EXPECT_EQ(Writes(), ExpectedTimeline({{".  ", 45}}, false, innerStart).Writes);
    EXPECT_EQ(keyer->Speed(), 120);
}

TEST_F(KeyerFixture, TheNormalSpeedSetDuringASectionTakesOverAtItsEnd)
{
    // Speed keys during "$QSO B4$": the section stays fast, the new normal speed follows it.
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "to the end");
        keyer->SetSpeed(120);
        int dotInSection = 0;
        clock.At(clock.Now() + Ms(100), [&] {
            keyer->SetNormalSpeed(130);
            EXPECT_EQ(keyer->NormalSpeed(), 130);
            dotInSection = keyer->DotLength();
        });
        if (stop) clock.At(clock.Now() + Ms(300), [&] { keyer->SetStop(true); });
        keyer->SendText("$QSO B4$");
        Finish();
        EXPECT_EQ(dotInSection, 32);
        EXPECT_EQ(keyer->Speed(), 130);
        EXPECT_EQ(keyer->NormalSpeed(), 130);
    }
}

TEST_F(KeyerFixture, ASendLeftByAnExceptionLeavesTheKeyUpAndTheToneOff)
{
    // The failure comes on the keying thread, in the middle of its sleep; it
    // is reported on the owning thread and the thread keys on afterwards.
    std::vector<std::string> failures;
    keyer->OnFailure = [&](const QString& text) { failures.push_back(text.toStdString()); };
    bool ended = false;
    keyer->SetSpeaker(true);
    clock.AtOnKeyingThread(Ms(60), [] { throw std::runtime_error("failed in the middle of a dash"); });
    keyer->SendText("TT", [&](bool toTheEnd) { ended = !toTheEnd; });
    Finish();
    EXPECT_TRUE(ended);
    EXPECT_EQ(failures, std::vector<std::string>{"failed in the middle of a dash"});
    const auto w = Writes();
    EXPECT_EQ(w.front(), At(0, kControl, 0x03));
    EXPECT_EQ(w[w.size() - 2], At(60, kControl, 0x02));
    EXPECT_EQ(w.back(), At(60, 0x61, 0xFC));
    EXPECT_FALSE(keyer->KeyIsDown());

    // A paddle element the same way; the dash contact is closed.
    port->Clear();
    port->SetReadHandler([](quint32, quint32) { return 0xFF & ~TCwKeyer::kDashPaddleBit; });
    clock.AtOnKeyingThread(clock.Now() + Ms(50), [] { throw std::runtime_error("failed in a paddle dash"); });
    keyer->PollDash();
    Finish();
    EXPECT_EQ(failures.size(), 2u);
    const auto p = Writes();
    EXPECT_EQ(LastWrite(p, kControl), 0x02);
    EXPECT_EQ(LastWrite(p, 0x61), 0xFC);
    // The speed markers' section was closed too.
    port->SetReadHandler({});
    clock.AtOnKeyingThread(clock.Now() + Ms(100), [] { throw std::runtime_error("failed inside $...$"); });
    keyer->SendText("$TEST$");
    Finish();
    EXPECT_EQ(failures.size(), 3u);
    EXPECT_EQ(keyer->Speed(), 120);

    // And the keyer keys the next text as ever.
    port->Clear();
    const double start = NowMs();
    keyer->SetSpeaker(false);
    keyer->SendText("E");
    Finish();
    EXPECT_EQ(Writes(), ExpectedTimeline({{".  ", 45}}, false, start).Writes);
}

TEST_F(KeyerFixture, AKeyerDestroyedWithTuneHeldLetsTheKeyGo)
{
    keyer->ManualKeyDown();
    keyer.reset();
    EXPECT_EQ(Writes(), (std::vector<W>{At(0, kControl, 0x15), At(0, kControl, 0x00)}));
}

TEST_F(KeyerFixture, EachCharacterIsAnnouncedAsItBegins)
{
    std::vector<std::pair<int, double>> seen;
    keyer->OnCharacter = [&](int i) { seen.emplace_back(i, NowMs()); };
    keyer->SendText("%E%T");
    Finish();
    // The markers are three units at the speed they set.
    EXPECT_EQ(seen, (std::vector<std::pair<int, double>>{{0, 0}, {1, 108}, {2, 252}, {3, 387}}));
    seen.clear();
    clock.At(clock.Now() + Ms(10), [&] { keyer->SetStop(true); });
    keyer->SendText("TEST");
    Finish();
    EXPECT_EQ(seen.size(), 1u);
}

// ---- the port layer's key-up

class PortRelease : public KeyerFixture {};

TEST_F(PortRelease, KeyUpOnEveryControlRegisterWrittenAndTheSpeakerOffWhenItSounded)
{
    const struct { const char* name; bool speaker; bool tune278; std::vector<W> release; } cases[] = {
        {"element, no speaker", false, false, {At(0, kControl, 0x02)}},
        {"element with speaker", true, false, {At(0, kControl, 0x02), At(0, 0x61, 0xFC)}},
        {"Tune held on $278 too", false, true, {At(0, kControl, 0x02), At(0, 0x27A, 0x02)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TVirtualKeyerPlatform fresh;
        auto device = std::make_unique<TRecordingPortDevice>();
        port = device.get();
        ASSERT_TRUE(ZlPortIoStart(std::move(device)));
        TCwKeyer k(&fresh);
        k.SetSpeaker(c.speaker);
        k.SendText("E");
        ASSERT_TRUE(test::Finish(fresh, k));  // on $378: a change of port counts from the next element
        if (c.tune278) {
            k.SetLptPort(0x278);
            k.ManualKeyDown();
        }
        ASSERT_TRUE(test::Finish(fresh, k));
        port->Clear();
        ReleaseKeys();
        EXPECT_EQ(Writes(), c.release);
    }
}

TEST_F(PortRelease, TheLayerEndLetsTheKeyGoBeforeTheDeviceCloses)
{
    struct TClosing : TRecordingPortDevice {
        std::vector<TPortRecord>* atClose;
        void Close() override { *atClose = Writes(); }
    };
    std::vector<TPortRecord> atClose;
    auto device = std::make_unique<TClosing>();
    device->atClose = &atClose;
    TRecordingPortDevice* raw = device.get();
    ASSERT_TRUE(ZlPortIoStart(std::move(device)));
    keyer->ManualKeyDown();
    Finish();
    ASSERT_EQ(raw->Writes().size(), 1u);
    ZlPortIoEnd();
    ASSERT_EQ(atClose.size(), 2u);
    EXPECT_EQ(atClose.back().Request, (TPortRequest{kControl, kPortByte, 0x00}));
}

// Keeps what it is asked to write from a signal handler, in a fixed array.
struct TSignalRecordingDevice : TRecordingPortDevice {
    TPortRequest FromSignal[8];
    std::size_t FromSignalCount = 0;
    void WriteFromSignal(const TPortRequest* requests, std::size_t count) noexcept override
    {
        for (std::size_t i = 0; i < count && FromSignalCount < 8; ++i) FromSignal[FromSignalCount++] = requests[i];
    }
};

TEST_F(PortRelease, TheSignalSafeWayWritesWhatTheNormalWayWrites)
{
    auto device = std::make_unique<TSignalRecordingDevice>();
    TSignalRecordingDevice* raw = device.get();
    port = raw;
    ASSERT_TRUE(ZlPortIoStart(std::move(device)));
    keyer->SetSpeaker(true);
    keyer->SendText("E");
    Finish();  // on $378: a change of port counts from the next element
    keyer->SetLptPort(0x3BC);
    keyer->ManualKeyDown();
    Finish();
    port->Clear();
    ReleaseKeys();
    std::vector<TPortRequest> normal;
    for (const TPortRecord& r : port->Writes()) normal.push_back(r.Request);
    ReleaseKeysFromSignal();
    const std::vector<TPortRequest> fromSignal(raw->FromSignal, raw->FromSignal + raw->FromSignalCount);
    EXPECT_EQ(fromSignal, normal);
    EXPECT_EQ(normal, (std::vector<TPortRequest>{{kControl, kPortByte, 0x02}, {0x3BE, kPortByte, 0x02},
                                                 {0x61, kPortByte, 0xFC}}));
    // After the layer end no device is reached from a signal.
    ZlPortIoEnd();
    raw = nullptr;
    ReleaseKeysFromSignal();  // must not touch the destroyed device
}

// The keying thread may be writing while a signal handler lets the key go:
// the handler's key-up must be the last write, so nothing is written after it.
TEST_F(PortRelease, AfterTheSignalSafeReleaseNothingIsKeyed)
{
    auto device = std::make_unique<TSignalRecordingDevice>();
    TSignalRecordingDevice* raw = device.get();
    port = raw;
    ASSERT_TRUE(ZlPortIoStart(std::move(device)));
    keyer->ManualKeyDown();
    Finish();
    ReleaseKeysFromSignal();
    EXPECT_EQ(std::vector<TPortRequest>(raw->FromSignal, raw->FromSignal + raw->FromSignalCount),
              (std::vector<TPortRequest>{{kControl, kPortByte, 0x00}}));
    port->Clear();
    keyer->SendText("E");
    Finish();
    EXPECT_TRUE(Writes().empty());
    // A layer started afresh keys again.
    auto again = std::make_unique<TRecordingPortDevice>([this] { return clock.Now(); });
    port = again.get();
    ASSERT_TRUE(ZlPortIoStart(std::move(again)));
    keyer->SendText("E");
    Finish();
    EXPECT_FALSE(Writes().empty());
}

TEST(WriteFence, TheHandlerWaitsForAWriteUnderWayAndNoneStartsAfterIt)
{
    TWriteFence fence;
    std::atomic<bool> entered{false};
    std::vector<std::string> order;
    std::mutex orderLock;
    std::thread keying([&] {
        ASSERT_TRUE(fence.Enter());
        entered = true;
        std::this_thread::sleep_for(milliseconds(5));  // a slow write
        {
            const std::lock_guard lock(orderLock);
            order.push_back("keying thread wrote");
        }
        fence.Leave();
    });
    while (!entered) std::this_thread::yield();
    fence.Close();
    {
        const std::lock_guard lock(orderLock);
        order.push_back("key released");
    }
    keying.join();
    EXPECT_EQ(order, (std::vector<std::string>{"keying thread wrote", "key released"}));
    EXPECT_FALSE(fence.Enter());

    // A write under way on the handler's own thread never ends: the handler goes on after a while.
    TWriteFence own;
    ASSERT_TRUE(own.Enter());
    const auto start = std::chrono::steady_clock::now();
    own.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(own.Closed());
    own.Open();
    EXPECT_TRUE(own.Enter());
}

TEST(KeyReleaseRegistry, RunsWhatIsRegisteredUntilItIsRemoved)
{
    std::vector<std::string> ran;
    static std::vector<std::string>* safeLog = nullptr;
    safeLog = &ran;
    const auto safe = [](void* context) noexcept { safeLog->push_back(static_cast<const char*>(context)); };
    static const char kOne[] = "safe one";
    static const char kTwo[] = "safe two";
    const int one = AddKeyRelease([&] { ran.push_back("one"); }, safe, const_cast<char*>(kOne));
    const int two = AddKeyRelease([&] { ran.push_back("two"); }, safe, const_cast<char*>(kTwo));
    const int three = AddKeyRelease([&] { ran.push_back("three"); });
    ReleaseKeys();
    ReleaseKeysFromSignal();
    EXPECT_EQ(ran, (std::vector<std::string>{"one", "two", "three", "safe one", "safe two"}));
    ran.clear();
    RemoveKeyRelease(one);
    RemoveKeyRelease(three);
    ReleaseKeys();
    ReleaseKeysFromSignal();
    EXPECT_EQ(ran, (std::vector<std::string>{"two", "safe two"}));
    RemoveKeyRelease(two);
    ran.clear();
    ReleaseKeys();
    ReleaseKeysFromSignal();
    EXPECT_TRUE(ran.empty());
}

}  // namespace
}  // namespace zox::test

// The port-access layer: request codes and block, not-ready behaviour, the
// speaker-timer follower and the parallel-port lookup of the Linux device.

#include "KeyerTestSupport.h"
#include "TestDir.h"

#include "keyer/PortDeviceLinux.h"

#include <QDir>

namespace zox::test {
namespace {

TEST(PortRequest, CodesAreBuiltFromTypeFunctionMethodAccess)
{
    EXPECT_EQ(CtlCode(0x80FF, 1, 0, 0), 0x80FF0004u);
    EXPECT_EQ(CtlCode(0x80FF, 2, 0, 0), 0x80FF0008u);
    EXPECT_EQ(CtlCode(0x22, 3, 1, 2), (0x22u << 16) | (2u << 14) | (3u << 2) | 1u);
}

TEST(PortRequest, BlockIsTwelveLittleEndianBytes)
{
    const TPortRequest r{0x12345678, kPortDWord, 0xDEADBEEF};
    const TPortRequestBlock block = EncodePortRequest(r);
    EXPECT_EQ(block, (TPortRequestBlock{0x78, 0x56, 0x34, 0x12, 0x02, 0, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE}));
    EXPECT_EQ(DecodePortRequest(block.data(), block.size()), r);
    EXPECT_EQ(DecodePortRequest(block.data(), 11), std::nullopt);
}

class PortLayer : public ::testing::Test {
protected:
    void TearDown() override { ZlPortIoEnd(); }
};

TEST_F(PortLayer, WriteAndReadRequestsCarryTheBlock)
{
    auto device = std::make_unique<TRecordingPortDevice>();
    TRecordingPortDevice* rec = device.get();
    ASSERT_TRUE(ZlPortIoStart(std::move(device)));
    rec->SetReadHandler([](quint32, quint32) { return 0x12345678u; });

    PortOut(0x37A, kPortByte, 0x03);
    EXPECT_EQ(PortIn(0x379, kPortByte), 0x78u);  // a byte read uses the lowest byte
    EXPECT_EQ(PortIn(0x379, kPortWord), 0x5678u);

    const auto& r = rec->Records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].Code, 0x80FF0008u);
    EXPECT_EQ(r[0].Block, (TPortRequestBlock{0x7A, 0x03, 0, 0, 0, 0, 0, 0, 0x03, 0, 0, 0}));
    EXPECT_EQ(r[1].Code, 0x80FF0004u);
    EXPECT_EQ(r[1].Request.Port, 0x379u);
    EXPECT_EQ(r[1].Request.Size, kPortByte);
    EXPECT_TRUE(std::equal(r[1].Block.begin(), r[1].Block.begin() + 8,
                           TPortRequestBlock{0x79, 0x03, 0, 0, 0, 0, 0, 0}.begin()));
    EXPECT_EQ(r[2].Request.Size, kPortWord);
}

TEST_F(PortLayer, ToneDivisorsAreLowByteThenHighByte)
{
    auto device = std::make_unique<TRecordingPortDevice>();
    TRecordingPortDevice* rec = device.get();
    ZlPortIoStart(std::move(device));
    const struct { int hz; quint32 divisor; } cases[] = {{300, 3977}, {600, 1988}, {2000, 596}, {3000, 397}};
    for (const auto& c : cases) {
        rec->Clear();
        ToneOn(c.hz);
        const auto w = rec->Writes();
        ASSERT_EQ(w.size(), 4u);
        EXPECT_EQ(w[0].Request, (TPortRequest{0x61, 0, 0xFF}));
        EXPECT_EQ(w[1].Request, (TPortRequest{0x43, 0, 0xB6}));
        EXPECT_EQ(w[2].Request, (TPortRequest{0x42, 0, c.divisor & 0xFF})) << c.hz;
        EXPECT_EQ(w[3].Request, (TPortRequest{0x42, 0, c.divisor >> 8})) << c.hz;
    }
    rec->Clear();
    ToneOff();
    ASSERT_EQ(rec->Writes().size(), 1u);
    EXPECT_EQ(rec->Writes()[0].Request, (TPortRequest{0x61, 0, 0xFC}));
}

TEST_F(PortLayer, EndClosesAReadyDeviceOnce)
{
    bool closed = false;
    struct Watch : TRecordingPortDevice {
        bool* flag;
        explicit Watch(bool* f) : flag(f) {}
        void Close() override { *flag = true; }
    };
    ZlPortIoStart(std::make_unique<Watch>(&closed));
    ZlPortIoEnd();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(ZlPortIoReady());
    EXPECT_EQ(ZlPortIoDevice(), nullptr);
    ZlPortIoEnd();  // a second end is harmless
}

TEST(PortNotReady, SendKeepsItsTimeWritesNothingAndPaddlesStayIdle)
{
    TVirtualKeyerPlatform clock;
    auto device = std::make_unique<TRecordingPortDevice>([&clock] { return clock.Now(); }, /*opens=*/false);
    TRecordingPortDevice* rec = device.get();
    EXPECT_FALSE(ZlPortIoStart(std::move(device)));
    EXPECT_FALSE(ZlPortIoReady());

    TCwKeyer keyer(&clock);
    keyer.SendText("PARIS ");
    ASSERT_TRUE(Finish(clock, keyer));
    EXPECT_EQ(clock.Now(), milliseconds(49 * 45));
    keyer.SetPisem(true);
    bool delivered = false;
    keyer.OnPaddleChar = [&](const QString&) { delivered = true; };
    keyer.PollDot();
    keyer.PollDash();
    keyer.ReadPaddleChar();
    ASSERT_TRUE(Finish(clock, keyer));
    EXPECT_FALSE(delivered);
    EXPECT_EQ(clock.Now(), milliseconds(49 * 45));  // no paddle element was keyed
    EXPECT_TRUE(rec->Records().empty());

    EXPECT_EQ(PortIn(0x379, kPortByte), 0xFFu);
    EXPECT_EQ(PortIn(0x379, kPortWord), 0xFFFFu);
    EXPECT_EQ(PortIn(0x379, kPortDWord), 0xFFFFFFFFu);

    ZlPortIoStart(nullptr);  // no device at all
    PortOut(0x37A, kPortByte, 3);
    EXPECT_EQ(PortIn(0x379, kPortByte), 0xFFu);
    ZlPortIoEnd();
}

// Byte writes to the speaker and timer ports, and the tone that follows.
struct PitCase {
    const char* name;
    std::vector<std::pair<quint32, quint8>> writes;
    int hz;
};

TEST(PitSpeakerFollower, FollowsTheTimerLikeTheHardware)
{
    const PitCase cases[] = {
        {"tone on 600", {{0x61, 0xFF}, {0x43, 0xB6}, {0x42, 0xC4}, {0x42, 0x07}}, 600},
        {"then off", {{0x61, 0xFF}, {0x43, 0xB6}, {0x42, 0xC4}, {0x42, 0x07}, {0x61, 0xFC}}, 0},
        {"gate without a count", {{0x61, 0xFF}}, 0},
        {"half a count", {{0x61, 0xFF}, {0x43, 0xB6}, {0x42, 0xC4}}, 0},
        {"new mode stops the old count",
         {{0x61, 0xFF}, {0x43, 0xB6}, {0x42, 0xC4}, {0x42, 0x07}, {0x43, 0xB6}}, 0},
        {"gate only, speaker bit clear", {{0x43, 0xB6}, {0x42, 0xC4}, {0x42, 0x07}, {0x61, 0x01}}, 0},
        {"count before gate", {{0x43, 0xB6}, {0x42, 0x89}, {0x42, 0x0F}, {0x61, 0x03}}, 300},
        {"another channel is ignored", {{0x43, 0xB6}, {0x42, 0xC4}, {0x42, 0x07}, {0x43, 0x36}, {0x61, 0x03}}, 600},
        {"low byte only", {{0x43, 0x96}, {0x42, 0xC8}, {0x61, 0x03}}, 5965},
        {"one-shot mode is silent", {{0x43, 0xB0}, {0x42, 0xC4}, {0x42, 0x07}, {0x61, 0x03}}, 0},
        {"decimal count", {{0x43, 0xB7}, {0x42, 0x00}, {0x42, 0x20}, {0x61, 0x03}}, 596},
    };
    for (const auto& c : cases) {
        TPitSpeakerFollower pit;
        for (const auto& [port, value] : c.writes) EXPECT_TRUE(pit.Write(port, value));
        EXPECT_EQ(pit.ToneHz(), c.hz) << c.name;
    }
    TPitSpeakerFollower pit;
    EXPECT_FALSE(pit.Write(0x37A, 0x03));
}

TEST(ParportLookup, ReadsBaseAddressesOfTheKernelsPorts)
{
    TempFolder tmp;
    QDir root(tmp.dir.path());
    root.mkpath("parport0");
    root.mkpath("parport2");
    root.mkpath("parport1");  // no base-addr: skipped
    root.mkpath("default");
    tmp.write("parport0/base-addr", "888\t1912\n");
    tmp.write("parport2/base-addr", "632\t-1\n");
    tmp.write("default/base-addr", "956\n");

    const auto ports = ListParports(tmp.dir.path());
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Number, 0);
    EXPECT_EQ(ports[0].Base, 0x378u);
    EXPECT_EQ(ports[1].Number, 2);
    EXPECT_EQ(ports[1].Base, 0x278u);
    EXPECT_TRUE(ListParports(tmp.path("missing")).empty());
}

}  // namespace
}  // namespace zox::test

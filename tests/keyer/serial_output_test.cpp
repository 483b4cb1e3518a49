// Keying and PTT on a serial port's DTR and RTS lines, seen through a stand-in
// for the system calls that records every line change with the keyer's time:
// opening and closing the port, a text, a stop, a voice message with its lead
// and tail, a port that goes away, the way out by a signal; and the ports the
// settings dialog offers.

#include "KeyerTestSupport.h"
#include "SerialTestSupport.h"
#include "TestDir.h"

#include "keyer/KeyRelease.h"
#include "keyer/SerialKeyOutput.h"

#include <QDir>
#include <QFile>

#include <sys/ioctl.h>

namespace zox::test {
namespace {

using Calls = std::vector<std::string>;

TEST(SerialOutput, OpeningDropsBothLinesAtOnceAndClosingLeavesThemReleased)
{
    TFakeSerialIo io;
    {
        TSerialKeyOutput out(io, TSerialLine::Dtr, TSerialLine::Rts);
        ASSERT_TRUE(out.Open(QStringLiteral("/dev/ttyUSB0")));
        EXPECT_TRUE(out.IsOpen());
        EXPECT_TRUE(out.HasPtt());
        // Nothing but the drop comes between the open and the caller.
        EXPECT_EQ(io.Calls(), (Calls{"0 open /dev/ttyUSB0", "0 drop DTR RTS"}));
        EXPECT_EQ(io.Lines(), 0);

        out.Apply({}, TKeyEvent{TKeyEvent::Ptt, 1, false, 0x378});
        out.Apply({}, TKeyEvent{TKeyEvent::Control, 0x03, true, 0x378});
        EXPECT_EQ(io.Lines(), TIOCM_DTR | TIOCM_RTS);
        io.Clear();
    }
    // Closed with the key down and PTT on: both released, then closed.
    EXPECT_EQ(io.Calls(), (Calls{"0 drop DTR RTS", "0 close"}));
    EXPECT_EQ(io.Lines(), 0);
}

TEST(SerialOutput, APortThatCannotBeUsedSaysWhy)
{
    TFakeSerialIo io;
    TSerialKeyOutput missing(io, TSerialLine::Dtr, std::nullopt);
    EXPECT_FALSE(missing.Open(QStringLiteral("/dev/missing")));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.Error(), QStringLiteral("Serijskih vrat /dev/missing ni mogoče odpreti: No such file or directory"));

    TSerialKeyOutput notATty(io, TSerialLine::Dtr, std::nullopt);
    EXPECT_FALSE(notATty.Open(QStringLiteral("/dev/null")));
    EXPECT_TRUE(notATty.Error().startsWith(QStringLiteral("/dev/null niso serijska vrata")));
    EXPECT_EQ(io.Calls(), (Calls{"0 open /dev/null", "0 close"}));

    // And through the system's own calls.
    TSerialKeyOutput real(SystemSerialIo(), TSerialLine::Dtr, std::nullopt);
    EXPECT_FALSE(real.Open(QStringLiteral("/dev/null")));
    EXPECT_TRUE(real.Error().startsWith(QStringLiteral("/dev/null niso serijska vrata")));
    EXPECT_FALSE(real.Open(QStringLiteral("/nonexistent/ttyUSB9")));
    EXPECT_EQ(real.Error(), QStringLiteral("Serijskih vrat /nonexistent/ttyUSB9 ni mogoče odpreti: naprava ne obstaja"));
}

TEST(SerialOutput, OneLineCannotKeyAndGivePtt)
{
    TFakeSerialIo io;
    TSerialKeyOutput out(io, TSerialLine::Rts, TSerialLine::Rts);
    EXPECT_FALSE(out.HasPtt());
}

// A keyer on the virtual clock keying a serial port through the stand-in.
class SerialKeying : public ::testing::Test {
protected:
    void Make(std::optional<TSerialLine> key, std::optional<TSerialLine> ptt, TPttTiming timing)
    {
        auto out = std::make_unique<TSerialKeyOutput>(io, key, ptt);
        ASSERT_TRUE(out->Open(QStringLiteral("/dev/ttyUSB0")));
        keyer = std::make_unique<TCwKeyer>(&clock, std::move(out));
        keyer->SetSpeaker(false);
        keyer->SetPttTiming(timing);
        keyer->OnFailure = [this](const QString& text) { failures.push_back(text.toStdString()); };
        io.Clear();
    }
    void TearDown() override { keyer.reset(); }

    TVirtualKeyerPlatform clock;
    TFakeSerialIo io{&clock};
    std::unique_ptr<TCwKeyer> keyer;
    std::vector<std::string> failures;
};

TEST_F(SerialKeying, ATextKeysDtrInsidePttOnRts)
{
    Make(TSerialLine::Dtr, TSerialLine::Rts, {true, 30, 100});
    // "ET" at 120: PTT, 30 ms, E 30..75, T 210..345, the send ends at 480;
    // the tail (100 ms after 345) is over by then.
    keyer->SendText("ET");
    clock.RunUntil(std::chrono::seconds(1));
    EXPECT_EQ(io.Calls(), (Calls{"0 raise RTS", "30 raise DTR", "75 drop DTR", "210 raise DTR", "345 drop DTR",
                                 "480 drop RTS"}));
    EXPECT_EQ(io.Lines(), 0);
    EXPECT_TRUE(failures.empty());
}

TEST_F(SerialKeying, AStopLetsTheKeyGoAndPttAfterItsTail)
{
    Make(TSerialLine::Dtr, TSerialLine::Rts, {true, 30, 100});
    keyer->SendText("TEST");
    clock.At(milliseconds(100), [&] { keyer->SetStop(true); });
    clock.RunUntil(std::chrono::seconds(1));
    EXPECT_EQ(io.Calls(), (Calls{"0 raise RTS", "30 raise DTR", "165 drop DTR", "265 drop RTS"}));
}

TEST_F(SerialKeying, AVoiceMessageHasItsLeadAndTailOnRts)
{
    Make(TSerialLine::Dtr, TSerialLine::Rts, {false, 30, 100});
    double startedAt = -1;
    keyer->VoiceStart([&] { startedAt = std::chrono::duration<double, std::milli>(clock.Now()).count(); });
    clock.At(milliseconds(1800), [&] { keyer->VoiceEnd(); });  // the last word has ended
    clock.RunUntil(std::chrono::seconds(3));
    EXPECT_EQ(startedAt, 30);  // the first word after the lead
    EXPECT_EQ(io.Calls(), (Calls{"0 raise RTS", "1900 drop RTS"}));
    // CW needs no PTT here: only the key line moves.
    io.Clear();
    keyer->SendText("E");
    clock.RunUntil(std::chrono::seconds(4));
    EXPECT_EQ(io.Calls(), (Calls{"3000 raise DTR", "3045 drop DTR"}));
}

TEST_F(SerialKeying, KeyOnRtsWithoutPtt)
{
    Make(TSerialLine::Rts, std::nullopt, {true, 30, 100});
    keyer->SendText("E");
    ASSERT_TRUE(Finish(clock, *keyer));
    EXPECT_EQ(io.Calls(), (Calls{"0 raise RTS", "45 drop RTS"}));  // no PTT, so no lead
}

TEST_F(SerialKeying, APortThatGoesAwayIsReportedOnceAndKeyingGoesOnSilently)
{
    Make(TSerialLine::Dtr, std::nullopt, {});
    io.Fail();  // the adapter was pulled out
    keyer->SendText("E");
    ASSERT_TRUE(Finish(clock, *keyer));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "Serijska vrata /dev/ttyUSB0: napaka naprave (je vmesnik izključen?)");
    keyer->SendText("TEST");
    ASSERT_TRUE(Finish(clock, *keyer));
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_TRUE(io.Calls().empty());
}

TEST_F(SerialKeying, EveryWayOutDropsBothLines)
{
    Make(TSerialLine::Dtr, TSerialLine::Rts, {true, 0, 100});
    keyer->ManualKeyDown();
    clock.RunUntil(milliseconds(10));
    EXPECT_EQ(io.Lines(), TIOCM_DTR | TIOCM_RTS);
    io.Clear();
    ReleaseKeysFromSignal();  // a crash
    EXPECT_EQ(io.Calls(), (Calls{"10 drop DTR RTS"}));
    EXPECT_EQ(io.Lines(), 0);
    io.Clear();
    ReleaseKeys();  // an orderly way out
    EXPECT_EQ(io.Calls(), (Calls{"10 drop DTR RTS"}));
    // After the handler's release the keying thread keys nothing more.
    io.Clear();
    keyer->ManualKeyUp();
    keyer->SendText("E");
    ASSERT_TRUE(Finish(clock, *keyer));
    EXPECT_TRUE(io.Calls().empty());
    // Once the keyer is gone the port is no more reached from a signal.
    keyer.reset();
    io.Clear();
    ReleaseKeysFromSignal();
    EXPECT_TRUE(io.Calls().empty());
}

TEST(SerialPorts, OfferedByTheirStableNamesWherePresent)
{
    TempFolder tmp;
    QDir dev(tmp.dir.path());
    for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB0", "ttyUSB1", "ttyACM0", "tty0", "console"})
        tmp.write(name, "");
    dev.mkpath("serial/by-id");
    ASSERT_TRUE(QFile::link("../../ttyUSB0", dev.filePath("serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0")));
    ASSERT_TRUE(QFile::link("../../ttyUSB7", dev.filePath("serial/by-id/usb-gone-if00")));  // nothing there

    const QString d = dev.path() + '/';
    const QList<TSerialPortInfo> expected{
        {d + "serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0", d + "ttyUSB0"},
        {d + "ttyACM0", d + "ttyACM0"}, {d + "ttyS0", d + "ttyS0"}, {d + "ttyS1", d + "ttyS1"},
        {d + "ttyS2", d + "ttyS2"},     {d + "ttyS10", d + "ttyS10"}, {d + "ttyUSB1", d + "ttyUSB1"},
    };
    EXPECT_EQ(ListSerialPorts(dev.path()), expected);
    EXPECT_TRUE(ListSerialPorts(tmp.path("missing")).isEmpty());
}

}  // namespace
}  // namespace zox::test

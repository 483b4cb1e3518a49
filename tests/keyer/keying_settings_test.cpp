// The section "Keying" of the settings file: defaults, values it does not
// understand, what it writes and what it keeps; and the output built from it.

#include "KeyerTestSupport.h"
#include "TestDir.h"

#include "app/IniFile.h"
#include "keyer/KeyingSettings.h"

namespace zox::test {
namespace {

using O = TKeyingSettings::TOutput;
using T = TKeyingSettings::TSidetone;

TKeyingSettings Read(const TempFolder& tmp, const QByteArray& text)
{
    tmp.write("Zox.ini", text);
    return ReadKeyingSettings(IniFile(tmp.path("Zox.ini")));
}

TEST(KeyingSettings, ReadWithTheirDefaults)
{
    TempFolder tmp;
    const struct {
        const char* name;
        QByteArray ini;
        O output;
        QString port;
        TSerialLine key;
        std::optional<TSerialLine> ptt;
        TPttTiming timing;
        T sidetone;
        bool pttCat = false;
    } cases[] = {
        {"nothing there", "", O::Lpt, "", TSerialLine::Dtr, std::nullopt, {false, 30, 100}, T::Speaker},
        {"serial, key on RTS, PTT on DTR",
         "[Keying]\r\nOutput=serial\r\nSerial Port=/dev/ttyUSB0\r\nKey Line=RTS\r\nPTT Line=DTR\r\nPTT CW=1\r\n"
         "PTT Lead=50\r\nPTT Tail=250\r\nSidetone=soundcard\r\n",
         O::Serial, "/dev/ttyUSB0", TSerialLine::Rts, TSerialLine::Dtr, {true, 50, 250}, T::SoundCard},
        {"words in any case, blanks around",
         "[keying]\r\noutput= None \r\nkey line=rts\r\nSidetone=NONE\r\n", O::None, "", TSerialLine::Rts,
         std::nullopt, {false, 30, 100}, T::None},
        {"what is not understood is the default",
         "[Keying]\r\nOutput=usb\r\nKey Line=CTS\r\nPTT Line=yes\r\nPTT CW=ja\r\nPTT Lead=abc\r\nPTT Tail=-5\r\n"
         "Sidetone=loud\r\n",
         O::Lpt, "", TSerialLine::Dtr, std::nullopt, {false, 30, 0}, T::Speaker},
        {"PTT on the key line is no PTT",
         "[Keying]\r\nOutput=serial\r\nKey Line=DTR\r\nPTT Line=DTR\r\n", O::Serial, "", TSerialLine::Dtr,
         std::nullopt, {false, 30, 100}, T::Speaker},
        {"times held within 0 .. 2000 ms", "[Keying]\r\nPTT Lead=99999\r\n", O::Lpt, "", TSerialLine::Dtr,
         std::nullopt, {false, 2000, 100}, T::Speaker},
        {"the radio's keyer, PTT through CAT", "[Keying]\r\nOutput=radio\r\nPTT Line=cat\r\nPTT CW=1\r\n", O::Radio, "",
         TSerialLine::Dtr, std::nullopt, {true, 30, 100}, T::Speaker, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TKeyingSettings s = Read(tmp, c.ini);
        EXPECT_TRUE(s.Loaded);
        EXPECT_EQ(s.Output, c.output);
        EXPECT_EQ(s.SerialPort, c.port);
        EXPECT_EQ(s.KeyLine, c.key);
        EXPECT_EQ(s.PttLine, c.ptt);
        EXPECT_EQ(s.PttCat, c.pttCat);
        EXPECT_EQ(s.Ptt, c.timing);
        EXPECT_EQ(s.Sidetone, c.sidetone);
    }
}

TEST(KeyingSettings, WrittenIntoTheirOwnSectionKeepingEverythingElse)
{
    TempFolder tmp;
    tmp.write("Zox.ini", "; the operator's own note\r\n[TMainFrm]\r\nKeyer Speed=130\r\n[Keying]\r\nOld Key=1\r\n");
    TKeyingSettings s;
    s.Output = O::Serial;
    s.SerialPort = QStringLiteral("/dev/serial/by-id/usb-FTDI-if00-port0");
    s.KeyLine = TSerialLine::Rts;
    s.PttLine = TSerialLine::Dtr;
    s.Ptt = {true, 40, 150};
    s.Sidetone = T::SoundCard;
    {
        IniFile ini(tmp.path("Zox.ini"));
        WriteKeyingSettings(ini, s);
        ini.UpdateFile();
    }
    EXPECT_EQ(tmp.bytes("Zox.ini"), QByteArray("; the operator's own note\r\n[TMainFrm]\r\nKeyer Speed=130\r\n"
                                               "[Keying]\r\nOld Key=1\r\nOutput=serial\r\n"
                                               "Serial Port=/dev/serial/by-id/usb-FTDI-if00-port0\r\n"
                                               "Key Line=RTS\r\nPTT Line=DTR\r\nPTT CW=1\r\nPTT Lead=40\r\n"
                                               "PTT Tail=150\r\nSidetone=soundcard\r\n"));
    TKeyingSettings back = ReadKeyingSettings(IniFile(tmp.path("Zox.ini")));
    s.Loaded = true;
    EXPECT_EQ(back, s);

    // The radio's keyer and its PTT come back as they were written.
    s.Output = O::Radio;
    s.PttLine.reset();
    s.PttCat = true;
    {
        IniFile ini(tmp.path("Zox.ini"));
        WriteKeyingSettings(ini, s);
        ini.UpdateFile();
    }
    EXPECT_TRUE(tmp.bytes("Zox.ini").contains("Output=radio\r\n"));
    EXPECT_TRUE(tmp.bytes("Zox.ini").contains("PTT Line=CAT\r\n"));
    EXPECT_EQ(ReadKeyingSettings(IniFile(tmp.path("Zox.ini"))), s);
}

// The radio is asked for what the settings want of it, and is said missing where there is none.
TEST(KeyingOutput, TheRadioForItsKeyerOrItsPtt)
{
    const struct {
        const char* name;
        O output;
        bool pttCat;
        std::vector<std::pair<bool, bool>> asked;  // keysCw, ptt
    } cases[] = {
        {"neither", O::Lpt, false, {}},
        {"the keyer", O::Radio, false, {{true, false}}},
        {"PTT", O::Serial, true, {{false, true}}},
        {"both", O::Radio, true, {{true, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TKeyingSettings s;
        s.Output = c.output;
        s.SerialPort = QStringLiteral("/nonexistent/ttyUSB9");
        s.PttCat = c.pttCat;
        s.Sidetone = T::None;
        std::vector<std::pair<bool, bool>> asked;
        QStringList problems;
        auto out = BuildKeyOutput(s, SystemSerialIo(), {}, problems, [&](bool keysCw, bool ptt) {
            asked.emplace_back(keysCw, ptt);
            return std::make_unique<TRecordingKeyOutput>(ptt);
        });
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(out->HasPtt(), c.pttCat);
        if (c.asked.empty()) continue;
        problems.clear();
        BuildKeyOutput(s, SystemSerialIo(), {}, problems);
        EXPECT_TRUE(problems.contains(QStringLiteral("Radio za tipkanje ali PTT ni na voljo.")));
    }
}

// A serial port that is not there: the rest of the output is built, and the
// operator is told which port and why.
TEST(KeyingOutput, BuiltFromTheSettings)
{
    TVirtualKeyerPlatform clock;
    auto build = [](const TKeyingSettings& s, QStringList& problems) {
        return BuildKeyOutput(s, SystemSerialIo(), [] { return std::make_unique<TRecordingKeyOutput>(); }, problems);
    };
    TKeyingSettings s;
    QStringList problems;
    auto lpt = build(s, problems);
    EXPECT_TRUE(problems.isEmpty());
    EXPECT_FALSE(lpt->HasPtt());

    s.Output = O::Serial;
    s.SerialPort = QStringLiteral("/nonexistent/ttyUSB9");
    s.Sidetone = T::SoundCard;
    auto serial = build(s, problems);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(QStringLiteral("Serijskih vrat /nonexistent/ttyUSB9 ni mogoče odpreti")));
    EXPECT_FALSE(serial->HasPtt());
    EXPECT_FALSE(serial->ReadStatus(0x378).has_value());  // no parallel port, no paddles

    problems.clear();
    s.SerialPort.clear();
    build(s, problems);
    EXPECT_EQ(problems, QStringList{QStringLiteral("Serijska vrata za tipkanje niso izbrana.")});
}

// The default output of a keyer: the parallel port and the PC speaker, with the same writes.
TEST_F(KeyerFixture, BuiltFromDefaultSettingsTheOutputKeysAsTheParallelPortAlways)
{
    QStringList problems;
    keyer->SetOutput(BuildKeyOutput(TKeyingSettings{}, SystemSerialIo(), {}, problems));
    keyer->SetSpeaker(true);
    keyer->SendText("E");
    Finish();
    EXPECT_TRUE(problems.isEmpty());
    EXPECT_EQ(Writes(), ExpectedTimeline({{".  ", 45}}, true).Writes);
}

}  // namespace
}  // namespace zox::test

// The wave player component and the voice messages, against a recording
// player on a virtual clock.

#include "TestDir.h"
#include "VoiceTestSupport.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/audio/VoiceExchange.h"
#include "keyer/audio/WavSound.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>

#include <chrono>
#include <string>
#include <vector>

namespace zox::test {
namespace {

using std::chrono::milliseconds;

// Keeps every request, and what can be heard: as the platform's player, a
// request stops the sound before it and a file that is not there is silence.
class RecordingOutput final : public TWavOutput {
public:
    explicit RecordingOutput(KeyerPlatform& clock) : m_clock(clock) {}

    bool Play(const QString& path, bool loop) override
    {
        const QString name = QFileInfo(path).fileName();
        Request("play " + name.toStdString() + (loop ? " loop" : ""));
        const bool playable = QFileInfo(path).isFile();
        Hear(playable ? name : QString());
        return playable;
    }
    void Stop() override
    {
        Request("stop");
        Hear(QString());
    }

    struct Heard {
        int Ms;
        std::string File;  // empty: silence
        bool operator==(const Heard&) const = default;
    };
    std::vector<std::string> Requests;
    std::vector<Heard> Timeline;      // each change of what sounds
    std::vector<std::string>* Log{};  // shared with the component's events

private:
    void Request(const std::string& what)
    {
        Requests.push_back(what);
        if (Log) Log->push_back(what);
    }

    void Hear(const QString& file)
    {
        const int ms = int(std::chrono::duration_cast<milliseconds>(m_clock.Now()).count());
        if (!Timeline.empty() && Timeline.back().Ms == ms) Timeline.pop_back();  // replaced at once
        const std::string before = Timeline.empty() ? std::string() : Timeline.back().File;
        if (file.toStdString() != before) Timeline.push_back({ms, file.toStdString()});
    }

    KeyerPlatform& m_clock;
};

void PrintTo(const RecordingOutput::Heard& h, std::ostream* os) { *os << "{" << h.Ms << " ms, '" << h.File << "'}"; }

class WavSoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws.BeforePlay = [this] { events.push_back("before"); };
        ws.AfterPlay = [this] { events.push_back("after"); };
        output.Log = &events;
    }

    TVirtualKeyerPlatform clock;
    RecordingOutput output{clock};
    TWavSound ws{&output};
    std::vector<std::string> events;
};

using EventList = std::vector<std::string>;

TEST_F(WavSoundTest, Defaults)
{
    EXPECT_EQ(ws.SoundFile(), QString());
    EXPECT_TRUE(ws.SoundLoop());
    EXPECT_FALSE(ws.Active());
}

TEST_F(WavSoundTest, NoFileNoPlay)
{
    ws.SetActive(true);
    EXPECT_FALSE(ws.Active());
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(output.Requests.empty());
}

TEST_F(WavSoundTest, SettingTheFileStopsTheSound)
{
    ws.SetSoundFile(QStringLiteral("/x/Pet.wav"));
    EXPECT_EQ(ws.SoundFile(), QStringLiteral("/x/Pet.wav"));
    EXPECT_EQ(events, (EventList{"before", "stop"}));
}

TEST_F(WavSoundTest, SinglePlayReturnsAtOnceInactive)
{
    ws.SetSoundLoop(false);
    ws.SetSoundFile(QStringLiteral("/x/Pet.wav"));
    events.clear();
    output.Requests.clear();
    ws.SetActive(true);
    EXPECT_FALSE(ws.Active());
    EXPECT_EQ(events, (EventList{"before", "play Pet.wav", "after"}));
    ws.SetActive(false);  // nothing to stop: the single play goes on
    EXPECT_EQ(output.Requests.size(), 1u);
}

TEST_F(WavSoundTest, LoopPlaysUntilSetInactive)
{
    ws.SetSoundFile(QStringLiteral("/x/73.wav"));
    events.clear();
    output.Requests.clear();
    ws.SetActive(true);
    EXPECT_TRUE(ws.Active());
    EXPECT_EQ(events, (EventList{"before", "play 73.wav loop"}));
    ws.SetActive(false);
    EXPECT_FALSE(ws.Active());
    EXPECT_EQ(events, (EventList{"before", "play 73.wav loop", "before", "stop", "after"}));
    ws.SetActive(false);
    EXPECT_EQ(output.Requests.size(), 2u);
}

TEST_F(WavSoundTest, NewFileEndsALoop)
{
    ws.SetSoundFile(QStringLiteral("/x/73.wav"));
    ws.SetActive(true);
    ws.SetSoundFile(QStringLiteral("/x/Pet.wav"));
    EXPECT_FALSE(ws.Active());
    EXPECT_EQ(output.Requests.back(), "stop");
}

// The voice messages with files in a folder of their own.
class VoiceTest : public WavSoundTest {
protected:
    void SetUp() override
    {
        WavSoundTest::SetUp();
        ws.SetSoundLoop(false);  // as the main window's player
        ASSERT_TRUE(temp.dir.isValid());
        folder = temp.dir.path() + QLatin1Char('/');
    }
    void MakeFiles(const QStringList& names)
    {
        for (const QString& name : names) temp.write(name, "RIFF");
    }

    TempFolder temp;
    QString folder;
};

using Timeline = std::vector<RecordingOutput::Heard>;

TEST_F(VoiceTest, Greeting)
{
    MakeFiles({"73.wav"});
    PlayGreeting(ws, folder);
    EXPECT_EQ(output.Timeline, (Timeline{{0, "73.wav"}}));
    EXPECT_EQ(events, (EventList{"before", "stop", "before", "play 73.wav", "after"}));
}

// ---- the spoken exchange

TEST(VoiceExchange, ReportThenTheTwoDigitsOfTheOwnYear)
{
    const struct { QString year; QStringList files; } cases[] = {
        {"47", {"Pet.wav", "Devet.wav", "Stiri.wav", "Sedem.wav"}},
        {" 00 ", {"Pet.wav", "Devet.wav", "Nic.wav", "Nic.wav"}},
        {"99", {"Pet.wav", "Devet.wav", "Devet.wav", "Devet.wav"}},
        {"12", {"Pet.wav", "Devet.wav", "Ena.wav", "Dva.wav"}},
        {"36", {"Pet.wav", "Devet.wav", "Tri.wav", "Sest.wav"}},
        {"58", {"Pet.wav", "Devet.wav", "Pet.wav", "Osem.wav"}},
        // Nothing to say rather than a wrong exchange.
        {"", {}}, {"7", {}}, {"123", {}}, {"4a", {}}, {QStringLiteral("\u0664\u0667"), {}},  // Arabic-Indic 47
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VoiceExchangeFiles(c.year), c.files) << c.year.toStdString();
        EXPECT_EQ(VoiceExchangeDigits(c.year).size(), c.files.size()) << c.year.toStdString();
    }
    EXPECT_EQ(VoiceExchangeDigits("47"), (QStringList{"5", "9", "4", "7"}));
}

TEST(WavLength, FromTheHeaderOrNothing)
{
    TempFolder temp;
    ASSERT_TRUE(temp.dir.isValid());
    temp.write("plain.wav", WaveFile(541));
    temp.write("chunks.wav", WaveFile(350, true));
    temp.write("stream.wav", WaveFile(200, false, 0xFFFFFFFF));  // size unknown when it was written
    temp.write("riff.wav", "RIFF");
    temp.write("noformat.wav", QByteArray("RIFF") + QByteArray(4, '\0') + "WAVEdata" + QByteArray(4, '\0'));
    temp.write("text.wav", "not a wave file at all");
    const struct { const char* file; std::optional<int> ms; } cases[] = {
        {"plain.wav", 541}, {"chunks.wav", 350}, {"stream.wav", 200}, {"riff.wav", std::nullopt},
        {"noformat.wav", std::nullopt}, {"text.wav", std::nullopt}, {"missing.wav", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(WavLengthMs(temp.path(c.file)), c.ms) << c.file;
}

// A voice sequence on the test's timers and a player that reports ends.
struct VoiceRig {
    TestTimers timers;
    EndReportingOutput output{timers};
    TWavSound ws{&output};
    TVoicePlayer player{ws};
    std::vector<int> files;
    int done = 0;

    VoiceRig()
    {
        ws.SetSoundLoop(false);
        player.After = timers.Waiter();
        player.OnFile = [this](int i) { files.push_back(i); };
        player.OnDone = [this] { ++done; };
    }
    void Run(qint64 until = std::numeric_limits<qint64>::max()) { timers.Run(until); }
    qint64 Now() const { return timers.now; }
};

using Started = std::vector<std::pair<QString, qint64>>;

TEST(VoicePlayer, EachFileToItsEndThenTheNext)
{
    TempFolder temp;
    temp.write("a.wav", WaveFile(541));
    temp.write("b.wav", WaveFile(350));
    VoiceRig r;
    r.player.Play({temp.path("a.wav"), temp.path("b.wav"), temp.path("a.wav")});
    EXPECT_TRUE(r.player.Playing());
    r.Run();
    EXPECT_EQ(r.output.started, (Started{{"a.wav", 0}, {"b.wav", 541}, {"a.wav", 891}}));
    EXPECT_EQ(r.files, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(r.done, 1);
    EXPECT_FALSE(r.player.Playing());
    EXPECT_EQ(r.Now(), 891 + 541 + TVoicePlayer::kEndMarginMs);  // the last margin runs out with nothing to do
}

TEST(VoicePlayer, WithoutEndReportsTheHeaderLengthAndAMargin)
{
    TempFolder temp;
    temp.write("a.wav", WaveFile(541));
    VoiceRig r;
    r.output.reportsEnd = false;
    r.player.Play({temp.path("a.wav"), temp.path("a.wav")});
    r.Run();
    const qint64 step = 541 + TVoicePlayer::kEndMarginMs;
    EXPECT_EQ(r.output.started, (Started{{"a.wav", 0}, {"a.wav", step}}));
    EXPECT_EQ(r.done, 1);
}

TEST(VoicePlayer, AMissingFileIsSkippedAndTheSequenceGoesOn)
{
    TempFolder temp;
    temp.write("a.wav", WaveFile(400));
    VoiceRig r;
    r.player.Play({temp.path("a.wav"), temp.path("missing.wav"), temp.path("a.wav")});
    r.Run();
    EXPECT_EQ(r.output.started, (Started{{"a.wav", 0}, {"missing.wav", 400}, {"a.wav", 400}}));
    EXPECT_EQ(r.done, 1);
}

TEST(VoicePlayer, StopEndsTheSoundAndTheSequence)
{
    TempFolder temp;
    temp.write("a.wav", WaveFile(400));
    VoiceRig r;
    r.player.Play({temp.path("a.wav"), temp.path("a.wav"), temp.path("a.wav")});
    r.Run(500);  // inside the second file
    r.player.Stop();
    EXPECT_EQ(r.output.playing, 0u);
    EXPECT_EQ(r.done, 1);
    r.Run();  // its timers come due and do nothing
    EXPECT_EQ(r.output.started.size(), 2u);
    EXPECT_EQ(r.done, 1);
    // A new sequence replaces one in progress.
    r.player.Play({temp.path("a.wav"), temp.path("a.wav")});
    r.Run(r.Now() + 100);
    r.player.Play({temp.path("a.wav")});
    EXPECT_EQ(r.done, 2);
    r.Run();
    EXPECT_EQ(r.output.started.size(), 4u);
    EXPECT_EQ(r.done, 3);
}

// The files the build ships, with their headers read here byte by byte.
TEST(ShippedVoiceFiles, TheExchangePlaysTheRightDigitsEachToItsEnd)
{
    const QString wav = qEnvironmentVariable("ZOX_TEST_PROGRAM_DIR") + QStringLiteral("/Wav/");
    std::map<std::string, qint64> lengthMs;
    for (const QString& name : kDigitFiles) {
        QFile f(wav + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray h = f.read(44);
        ASSERT_EQ(h.left(4), "RIFF");
        ASSERT_EQ(h.mid(8, 8), "WAVEfmt ");
        ASSERT_EQ(h.mid(36, 4), "data") << name.toStdString() << ": made by make_wav.sh, a plain header";
        auto le32 = [&h](int at) { return quint32(quint8(h[at])) | quint32(quint8(h[at + 1])) << 8 |
                                          quint32(quint8(h[at + 2])) << 16 | quint32(quint8(h[at + 3])) << 24; };
        const quint32 byteRate = le32(28);
        const quint32 dataBytes = le32(40);
        ASSERT_EQ(f.size(), 44 + qint64(dataBytes));
        const qint64 ms = (qint64(dataBytes) * 1000 + byteRate - 1) / byteRate;
        EXPECT_GT(ms, 200) << name.toStdString() << ": a spoken word";
        lengthMs[name.toStdString()] = ms;
    }
    // The fault that was: every piece but the last cut at 500 ms.
    EXPECT_GT(lengthMs["Devet.wav"], 500);

    const struct { QString year; std::vector<std::string> files; } cases[] = {
        {"00", {"Pet.wav", "Devet.wav", "Nic.wav", "Nic.wav"}},
        {"47", {"Pet.wav", "Devet.wav", "Stiri.wav", "Sedem.wav"}},
        {"99", {"Pet.wav", "Devet.wav", "Devet.wav", "Devet.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year.toStdString());
        VoiceRig r;
        QStringList paths;
        for (const QString& f : VoiceExchangeFiles(c.year)) paths << wav + f;
        r.player.Play(paths);
        r.Run();
        Started expected;
        qint64 at = 0;
        for (const std::string& f : c.files) {
            expected.emplace_back(QString::fromStdString(f), at);
            at += lengthMs[f];  // the next one starts where this one ends
        }
        EXPECT_EQ(r.output.started, expected);
        EXPECT_EQ(r.done, 1);
    }
}

}  // namespace
}  // namespace zox::test

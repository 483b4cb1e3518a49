// The wave player component and the voice messages, against a recording
// player on a virtual clock.

#include "TestDir.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/WavSound.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>

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
    void Exchange()
    {
        PlayVoiceExchange(ws, folder, [this](int ms) {
            waits.push_back(ms);
            clock.Advance(milliseconds(ms));
        });
    }
    int NowMs() { return int(std::chrono::duration_cast<milliseconds>(clock.Now()).count()); }

    TempFolder temp;
    QString folder;
    std::vector<int> waits;
};

using Timeline = std::vector<RecordingOutput::Heard>;

TEST_F(VoiceTest, FourFilesAtHalfSecondSteps)
{
    MakeFiles({"Pet.wav", "Devet.wav", "Sest.wav"});
    Exchange();
    EXPECT_EQ(output.Timeline, (Timeline{{0, "Pet.wav"}, {500, "Devet.wav"}, {1000, "Sest.wav"}, {1500, "Devet.wav"}}));
    EXPECT_EQ(waits, (std::vector<int>{500, 500, 500}));
    EXPECT_EQ(NowMs(), 1500);  // returns as the last file starts; it plays to its end
    EXPECT_EQ(output.Requests.back(), "play Devet.wav");
    EXPECT_EQ(ws.SoundFile(), folder + "Devet.wav");
}

TEST_F(VoiceTest, MissingFileIsSilenceAndTheSequenceGoesOn)
{
    MakeFiles({"Pet.wav", "Devet.wav"});
    Exchange();
    EXPECT_EQ(output.Timeline, (Timeline{{0, "Pet.wav"}, {500, "Devet.wav"}, {1000, ""}, {1500, "Devet.wav"}}));
    EXPECT_EQ(NowMs(), 1500);
}

TEST_F(VoiceTest, NoFilesAtAll)
{
    Exchange();
    EXPECT_TRUE(output.Timeline.empty());
    EXPECT_EQ(NowMs(), 1500);
    EXPECT_EQ(std::count(output.Requests.begin(), output.Requests.end(), "stop"), 4);
}

TEST_F(VoiceTest, Greeting)
{
    MakeFiles({"73.wav"});
    PlayGreeting(ws, folder);
    EXPECT_EQ(output.Timeline, (Timeline{{0, "73.wav"}}));
    EXPECT_EQ(events, (EventList{"before", "stop", "before", "play 73.wav", "after"}));
}

}  // namespace
}  // namespace zox::test

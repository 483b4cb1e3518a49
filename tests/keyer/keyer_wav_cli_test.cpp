// zox-keyer-wav, run as the separate program it is: the file lasts as long as
// the text keys, its tone starts and stops where the keyer keys, the macro
// words and speeds come from the settings file, and errors say what is wrong.

#include "TestDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace zox::test {
namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

struct Wave {
    int rate = 0;
    int channels = 0;
    int bits = 0;
    std::vector<qint16> samples;
};

quint32 Le(const QByteArray& b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | quint8(b[at + i]);
    return v;
}

// Reads the file the way a player would: RIFF, fmt, data.
std::optional<Wave> ReadWave(const QByteArray& b)
{
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE" || b.mid(12, 4) != "fmt ") return std::nullopt;
    if (Le(b, 4, 4) != quint32(b.size() - 8) || b.mid(36, 4) != "data") return std::nullopt;
    Wave w;
    if (Le(b, 20, 2) != 1) return std::nullopt;  // PCM
    w.channels = int(Le(b, 22, 2));
    w.rate = int(Le(b, 24, 4));
    w.bits = int(Le(b, 34, 2));
    const quint32 bytes = Le(b, 40, 4);
    if (bytes != quint32(b.size() - 44) || bytes % 2) return std::nullopt;
    for (quint32 i = 0; i < bytes; i += 2) w.samples.push_back(qint16(Le(b, 44 + int(i), 2)));
    return w;
}

// Where the tone's envelope crosses half its height, in ms: the middle of each
// raised-cosine edge. The envelope is the largest sample within half a period.
std::vector<double> HalfHeightCrossings(const Wave& w, int hertz)
{
    const int half = w.rate / hertz / 2 + 1;
    qint16 full = 0;
    for (qint16 s : w.samples) full = std::max<qint16>(full, qint16(std::abs(s)));
    std::vector<double> out;
    bool high = false;
    for (std::size_t i = 0; i < w.samples.size(); ++i) {
        int peak = 0;
        for (int k = -half; k <= half; ++k) {
            const auto j = qint64(i) + k;
            if (j >= 0 && j < qint64(w.samples.size())) peak = std::max(peak, std::abs(int(w.samples[std::size_t(j)])));
        }
        const bool now = peak > full / 2;
        if (now != high) out.push_back(1000.0 * double(i) / w.rate);
        high = now;
    }
    return out;
}

// The envelope seen through the largest sample within half a period may be
// that much early or late, and a sample more.
double Tolerance(int hertz) { return 500.0 / hertz + 0.3; }

// Key edges of texts in dots: '.' dot, '-' dash, ' ' empty slot (each slot ends with a dot of gap).
std::vector<double> NominalEdges(const std::string& pattern, double dotMs, double startMs = 0)
{
    std::vector<double> edges;
    double t = startMs;
    for (char c : pattern) {
        if (c != ' ') {
            edges.push_back(t);
            t += (c == '.' ? 1 : 3) * dotMs;
            edges.push_back(t);
        }
        t += dotMs;
    }
    return edges;
}

class KeyerWavCli : public ::testing::Test {
protected:
    QTemporaryDir config;
    TempFolder out;

    void writeSettings(const QString& text)
    {
        QFile f(config.filePath("Zox.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QStringEncoder enc("windows-1250");
        f.write(enc(text));
    }

    Result run(const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(out.dir.path());
        p.start(ZOX_KEYER_WAV, args);
        Result r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
};

TEST_F(KeyerWavCli, TheFileLastsAsLongAsTheTextKeys)
{
    const struct {
        const char* name;
        QStringList args;
        double ms;
    } cases[] = {
        {"PARIS and a space at 120: 49 dots of 45 ms", {"PARIS ", "a.wav", "--speed", "120"}, 49 * 45},
        {"the settings file's normal speed (115: 47 ms)", {"E", "a.wav"}, 4 * 47},
        {"speed markers", {"$E$", "a.wav", "--speed", "120"}, 3 * 32 + 4 * 32 + 3 * 45},
        {"the top speed", {"TEST", "a.wav", "--speed", "255"}, (6 + 4 + 8 + 6) * 21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = run(c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(r.err, "");
        const auto w = ReadWave(out.bytes("a.wav"));
        ASSERT_TRUE(w);
        EXPECT_EQ(w->rate, 48000);
        EXPECT_EQ(w->channels, 1);
        EXPECT_EQ(w->bits, 16);
        EXPECT_EQ(w->samples.size(), std::size_t(std::llround(c.ms * 48)));
    }
}

TEST_F(KeyerWavCli, TheToneFollowsTheKeyersTimeline)
{
    const Result r = run({"CQ TU", "cq.wav", "--speed", "150", "--tone", "1000"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const auto w = ReadWave(out.bytes("cq.wav"));
    ASSERT_TRUE(w);
    // C -.-. Q --.- space T - U ..- at 36 ms dots; each edge's middle 2.5 ms after the key change.
    const std::vector<double> expected = NominalEdges("-.-.  --.-     -  ..-  ", 36);
    const std::vector<double> found = HalfHeightCrossings(*w, 1000);
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_NEAR(found[i], expected[i] + 2.5, Tolerance(1000)) << "edge " << i;
}

TEST_F(KeyerWavCli, MemoriesAndMacroWordsComeFromTheSettings)
{
    writeSettings(QStringLiteral("[TMainFrm]\r\nUser Call=E\r\nUser Multi=T\r\nKeyer F3=<MYCALL><MYMULTI><SAVE>\r\n"
                                 "Keyer F4=<HISCALL>\r\nKeyer Speed=100\r\n"));
    // Memory 3 keys "ET" at 55 ms dots: E (4 dots) and T (6 dots).
    Result r = run({"--memory", "3", "m.wav"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    auto w = ReadWave(out.bytes("m.wav"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->samples.size(), std::size_t(10 * 55 * 48));
    const std::vector<double> expected = NominalEdges(".  -  ", 55);
    const std::vector<double> found = HalfHeightCrossings(*w, 600);
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) EXPECT_NEAR(found[i], expected[i] + 2.5, Tolerance(600));

    // <HISCALL> is the call given, or nothing.
    r = run({"--memory", "4", "h.wav", "--his-call", "e", "--speed", "120"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(ReadWave(out.bytes("h.wav"))->samples.size(), std::size_t(4 * 45 * 48));
    // Without one there is nothing to key: no file of silence.
    QFile::remove(out.dir.filePath("h.wav"));
    r = run({"--memory", "4", "h.wav"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "zox-keyer-wav: memory 4 has nothing to key\n");
    EXPECT_FALSE(QFile::exists(out.dir.filePath("h.wav")));
}

TEST_F(KeyerWavCli, ErrorsSayWhatIsWrongInOneLineAndLeaveTheFileAlone)
{
    out.write("keep.wav", "an older file");
    const struct {
        QStringList args;
        int exitCode;
        QByteArray message;
    } cases[] = {
        {{}, 2, "zox-keyer-wav: expected TEXT OUT.wav; see zox-keyer-wav --help\n"},
        {{"CQ"}, 2, "zox-keyer-wav: expected TEXT OUT.wav; see zox-keyer-wav --help\n"},
        {{"CQ", "keep.wav", "--speed", "300"}, 2,
         "zox-keyer-wav: the speed must be a number from 50 to 255, not \"300\"\n"},
        {{"CQ", "keep.wav", "--speed"}, 2, "zox-keyer-wav: --speed needs a speed\n"},
        {{"CQ", "keep.wav", "--tone", "100"}, 2,
         "zox-keyer-wav: the tone must be a number from 300 to 3000 (Hz), not \"100\"\n"},
        {{"--memory", "9", "keep.wav"}, 2, "zox-keyer-wav: the memory must be a number from 1 to 8, not \"9\"\n"},
        {{"--memory", "1", "CQ", "keep.wav"}, 2, "zox-keyer-wav: expected --memory N OUT.wav; see zox-keyer-wav --help\n"},
        {{"CQ", "keep.wav", "--loud"}, 2, "zox-keyer-wav: unknown option \"--loud\"; see zox-keyer-wav --help\n"},
        // Silence would pass for the memory's recording.
        {{"", "keep.wav"}, 2, "zox-keyer-wav: nothing to key in \"\"\n"},
        {{"<SAVE> $ %", "keep.wav"}, 2, "zox-keyer-wav: nothing to key in \"<SAVE> $ %\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(out.bytes("keep.wav"), "an older file");
    }
    // A folder that is not there: one line naming the file.
    const Result r = run({"CQ", "no/such/folder/cq.wav"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("zox-keyer-wav: " + QDir(out.dir.path()).filePath("no/such/folder/cq.wav").toLocal8Bit() + ": "))
        << r.err.constData();
    EXPECT_EQ(r.err.count('\n'), 1);
}

TEST_F(KeyerWavCli, HelpSaysItAll)
{
    const Result r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* part : {"Usage: zox-keyer-wav TEXT OUT.wav", "--memory N", "--speed N", "--tone HZ", "--his-call",
                             "<MYCALL>", "Zox.ini", "exit status"})
        EXPECT_TRUE(r.out.contains(part)) << part;
}

}  // namespace
}  // namespace zox::test

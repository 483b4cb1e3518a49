// zox-export, run as the separate program it is.
#include "ReportLogs.h"

#include <QDate>
#include <QProcess>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace zox;
using namespace zox::test;

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

// A settings folder of its own for each run.
class ExportCli : public ::testing::Test {
protected:
    QTemporaryDir config;

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
        p.start(ZOX_EXPORT_EXE, args);
        Result r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
};

const char kOperator[] = "[TMainFrm]\r\nTime=0\r\nRig Type=FT-1000MP\r\nRig Power=100 W\r\nAntenna=Dipol 2x20 m\r\n"
                         "User Call=S59ABC\r\nUser Multi=69\r\n";

}  // namespace

TEST_F(ExportCli, WritesTheThreeReportsWithTheOperatorFromTheSettings)
{
    writeSettings(kOperator);
    // The listing's title carries the current year.
    QByteArray listing = golden("listing_10.txt");
    listing.replace(0, 4, QByteArray::number(QDate::currentDate().year()));

    struct Case { const char* command; std::vector<Qso> qsos; QByteArray expected; } cases[] = {
        {"listing", tenQsos(), listing},
        {"summary", contestQsos(), golden("summary_161.sum")},
        {"adif", adifQsos(), golden("adif_3.adi")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        TestLog log(c.qsos);
        log.close();  // the log is locked while open
        log.write("out", "an older report\r\n");
        const Result r = run({c.command, log.logPath(), log.path("out")});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(crlfLines(log.bytes("out")), crlfLines(c.expected));
        EXPECT_EQ(log.bytes("out"), c.expected);
    }
}

TEST_F(ExportCli, WithoutASettingsFileTheDefaultCallIsUsed)
{
    TestLog log;
    log.close();
    const Result r = run({"listing", log.logPath(), log.path("out.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(log.bytes("out.txt").startsWith(QByteArray::number(QDate::currentDate().year()) + " Trelo Prvenstvo NLT X9XX\r\n"));
}

TEST_F(ExportCli, ErrorsGiveOneLineAndAFailureStatusAndChangeNothing)
{
    writeSettings(kOperator);
    TestLog log(tenQsos());
    log.write("foreign.DAT", "hello, I am a text file\r\n");
    {
        Table t;  // a table, but not a log: eleven fields
        t.setTableName(log.path("eleven.DAT"));
        t.fieldDefs = {{"Vexa", storage::FieldType::AutoInc, 0}};
        for (int i = 1; i < 11; ++i) t.fieldDefs << storage::FieldDef{QString("F%1").arg(i), storage::FieldType::Text, 10};
        t.indexDefs = {{"", "Vexa", true, true}};
        t.createTable();
    }
    const QByteArray eleven = log.bytes("eleven.DAT");
    log.close();
    TestLog other(tenQsos());
    other.close();

    struct Case { const char* what; QStringList args; int status; QString mentions; } cases[] = {
        {"missing log", {"listing", log.path("none.DAT"), log.path("out")}, 1, log.path("none.DAT")},
        {"text file", {"summary", log.path("foreign.DAT"), log.path("out")}, 1, log.path("foreign.DAT")},
        {"other table", {"adif", log.path("eleven.DAT"), log.path("out")}, 1, "not a log file"},
        {"folder as log", {"adif", log.path(""), log.path("out")}, 1, "no such log file"},
        {"unwritable output", {"listing", other.logPath(), log.path("missing/out")}, 1, log.path("missing/out")},
        {"unknown command", {"print", other.logPath(), log.path("out")}, 2, "unknown command"},
        {"missing argument", {"listing", other.logPath()}, 2, "--help"},
        {"no arguments", {}, 2, "--help"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.write("out", "an older report\r\n");
        const Result r = run(c.args);
        EXPECT_EQ(r.exitCode, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.err.startsWith("zox-export: ")) << r.err.constData();
        EXPECT_TRUE(r.err.endsWith('\n') && r.err.count('\n') == 1) << r.err.constData();
        EXPECT_TRUE(QString::fromLocal8Bit(r.err).contains(c.mentions)) << r.err.constData();
        EXPECT_EQ(log.bytes("out"), QByteArray("an older report\r\n"));
    }
    EXPECT_EQ(log.bytes("foreign.DAT"), QByteArray("hello, I am a text file\r\n"));
    EXPECT_EQ(log.bytes("eleven.DAT"), eleven);
}

TEST_F(ExportCli, ALogOpenInTheProgramIsRefused)
{
    TestLog log(tenQsos());  // open here, as in the running program
    const Result r = run({"listing", log.logPath(), log.path("out")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("in use by another program")) << r.err.constData();
    EXPECT_FALSE(QFile::exists(log.path("out")));
}

TEST_F(ExportCli, UnreadableSettingsAreAnError)
{
    QDir(config.path()).mkdir("Zox.ini");
    TestLog log(tenQsos());
    log.close();
    const Result r = run({"summary", log.logPath(), log.path("out")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "zox-export: Unable to read " + QFile::encodeName(config.filePath("Zox.ini")) + "\n");
    EXPECT_FALSE(QFile::exists(log.path("out")));
}

TEST_F(ExportCli, HelpSaysHowToUseIt)
{
    const Result r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    for (const char* word : {"zox-export COMMAND LOG OUT", "listing", "summary", "adif", "Zox.ini", "XDG_CONFIG_HOME",
                             "standard error", "exit status"})
        EXPECT_TRUE(r.out.contains(word)) << word;
}

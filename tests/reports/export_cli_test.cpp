// zox-export, run as the separate program it is.
#include "ReportLogs.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
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

    Result run(const QStringList& args, const QString& exe = ZOX_EXPORT_EXE, const QString& dataHome = QString(),
               const QString& folder = QString())
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        if (!dataHome.isEmpty()) env.insert("XDG_DATA_HOME", dataHome);
        p.setProcessEnvironment(env);
        if (!folder.isEmpty()) p.setWorkingDirectory(folder);
        p.start(exe, args);
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
        {"unwritable Cabrillo file", {"cabrillo", other.logPath(), log.path("missing/out")}, 1, log.path("missing/out")},
        {"Cabrillo of a text file", {"cabrillo", log.path("foreign.DAT"), log.path("out")}, 1, log.path("foreign.DAT")},
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

// Installed, a bare name is the program's own file under the data home, as in the
// program; a name with a folder in it is taken as it stands.
TEST_F(ExportCli, BareNamesAreTheProgramsOwnFiles)
{
    writeSettings(kOperator);
    QTemporaryDir root;
    const QString bin = root.filePath("usr/bin/zox-export");
    ASSERT_TRUE(QDir().mkpath(root.filePath("usr/bin")));
    ASSERT_TRUE(QDir().mkpath(root.filePath("usr/share/zox/Help")));
    ASSERT_TRUE(QFile::copy(ZOX_EXPORT_EXE, bin));
    const QString own = root.filePath("home/data/zox/");
    ASSERT_TRUE(QDir().mkpath(own + "Data"));
    TestLog log(contestQsos());
    log.close();
    ASSERT_TRUE(QFile::copy(log.logPath(), own + "Data/contest.DAT"));
    const QString cwd = root.filePath("cwd");
    ASSERT_TRUE(QDir().mkpath(cwd));

    struct Case { QStringList args; QString written; } cases[] = {
        {{"summary", "contest.DAT", "S59ABC.sum"}, own + "Txt/S59ABC.sum"},
        {{"listing", "contest.DAT", "S59ABC.txt"}, own + "Txt/S59ABC.txt"},
        {{"adif", "contest.DAT", "contest.adi"}, own + "Adif/contest.adi"},
        {{"summary", own + "Data/contest.DAT", "./here.sum"}, cwd + "/here.sum"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(c.args, bin, root.filePath("home/data"), cwd);
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_GT(QFileInfo(c.written).size(), 0);
    }
    EXPECT_EQ(QDir(root.filePath("usr/share/zox")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Help"});
    // A bare log name that is not there names the file it looked for.
    const Result r = run({"summary", "none.DAT", "x.sum"}, bin, root.filePath("home/data"), cwd);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QFile::encodeName(own + "Data/none.DAT"))) << r.err.constData();
}

TEST_F(ExportCli, HelpSaysHowToUseIt)
{
    const Result r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    for (const char* word : {"zox-export COMMAND LOG OUT", "listing", "summary", "adif", "cabrillo", "Zox.ini",
                             "XDG_CONFIG_HOME", "User Call", "User Multi", "standard error", "exit status"})
        EXPECT_TRUE(r.out.contains(word)) << word;
}

TEST_F(ExportCli, CabrilloWithTheOperatorFromTheSettings)
{
    writeSettings(QString(kOperator) + "User FName=Janez\r\nUser LName=Novak\r\nUser Addr=Trg 1\r\n"
                                       "User City=Ljubljana\r\nUser Country=Slovenija\r\n");
    TestLog log(cabrilloQsos());
    log.close();
    log.write("S59ABC.log", "an older file\r\n");
    const Result r = run({"cabrillo", log.logPath(), log.path("S59ABC.log")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    QByteArray expected = golden("cabrillo_mixed.log");
    expected.replace("CREATED-BY: Zox 1.0\r\n", "CREATED-BY: Zox " ZOX_VERSION "\r\n");
    EXPECT_EQ(crlfLines(log.bytes("S59ABC.log")), crlfLines(expected));
    EXPECT_EQ(log.bytes("S59ABC.log"), expected);
    // The empty values written as "-" are named, and are no error.
    EXPECT_EQ(r.err, "zox-export: QSO 6 RstR: empty, written as \"-\"\n"
                     "zox-export: QSO 7 MultiR: empty, written as \"-\"\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(ExportCli, CabrilloNamesWhatItLeftOut)
{
    writeSettings(QString(kOperator) + QString::fromUtf8("User FName=Jože\r\nUser City=Škofja Loka\r\n"));
    TestLog log({{"2026-12-09", "19:30:00", QString::fromUtf8("S59ČŽ"), "CW", "599", "599", "07", 7, 2}});
    log.close();
    const Result r = run({"cabrillo", log.logPath(), log.path("out.log")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(QString::fromLocal8Bit(r.err), QString::fromUtf8("zox-export: NAME: left out \"ž\"\n"
                                                               "zox-export: ADDRESS-CITY: left out \"Š\"\n"
                                                               "zox-export: QSO 1 Call: left out \"ČŽ\"\n"));
    const QByteArray file = log.bytes("out.log");
    EXPECT_TRUE(file.contains("\r\nNAME: Joe\r\nADDRESS-CITY: kofja Loka\r\n")) << file.constData();
    EXPECT_TRUE(file.contains(" S59           599 07\r\nEND-OF-LOG:\r\n")) << file.constData();
}

TEST_F(ExportCli, CabrilloNeedsTheOwnCallAndYearNumber)
{
    struct Case { const char* what; const char* settings; const char* mentions; } cases[] = {
        {"no year number", "[TMainFrm]\r\nUser Call=S59ABC\r\n", "\"User Multi\""},
        {"a blank year number", "[TMainFrm]\r\nUser Call=S59ABC\r\nUser Multi= \r\n", "\"User Multi\""},
        {"an empty call", "[TMainFrm]\r\nUser Call=\r\nUser Multi=69\r\n", "\"User Call\""},
    };
    TestLog log(cabrilloQsos());
    log.close();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeSettings(c.settings);
        log.write("out.log", "an older file\r\n");
        const Result r = run({"cabrillo", log.logPath(), log.path("out.log")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith("zox-export: ") && r.err.count('\n') == 1) << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.mentions)) << r.err.constData();
        EXPECT_TRUE(r.err.contains(QFile::encodeName(config.filePath("Zox.ini")))) << r.err.constData();
        EXPECT_EQ(log.bytes("out.log"), QByteArray("an older file\r\n"));
    }
}

TEST_F(ExportCli, AReportOverItsOwnLogIsRefused)
{
    writeSettings(kOperator);
    TestLog log(cabrilloQsos());
    log.close();
    const QByteArray before = log.bytes("log.DAT");
    QDir(log.path("")).mkdir("sub");
    for (const char* command : {"listing", "summary", "adif", "cabrillo"}) {
        SCOPED_TRACE(command);
        // Also when OUT names it another way.
        const Result r = run({command, log.logPath(), log.path("sub/../log.DAT")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("OUT is the log file itself")) << r.err.constData();
        EXPECT_EQ(log.bytes("log.DAT"), before);
    }
}

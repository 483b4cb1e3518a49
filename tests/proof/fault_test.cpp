// Faults met through the real main window: a log that can no longer be written,
// a second program on the open log, and files given to Open that are no log.
// Each time: a clear message, nothing half written, nothing lost, and work goes on.
#include "proof/ProofSupport.h"
#include "ui/WindowFixture.h"

#include <QFileInfo>

#include <optional>
#include <random>
#include <sqlite3.h>
#include <sys/resource.h>

using namespace zox;
using namespace zox::proof;
using zox::test::Window;
using Q = ScriptedDialogs::Question;

namespace {

// Runs SQL on a file with SQLite itself, to build files the program did not write.
void sql(const QString& path, const QString& statements)
{
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, statements.toUtf8().constData(), nullptr, nullptr, &err);
    const QString text = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(text));
}

QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Names, kinds and contents of everything in a folder: shows a changed file
// and any file left beside it (a journal, say).
QStringList snapshot(const QString& folder)
{
    QStringList out;
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        out << fi.fileName() + (fi.isDir() ? "/" : " " + QString::fromLatin1(QCryptographicHash::hash(bytes(fi.filePath()), QCryptographicHash::Sha256).toHex()));
    return out;
}

// A log of `n` contacts written by the program's own engine, then closed.
void writeLog(TDataFrm& data, const QString& path, int n)
{
    data.CreateLogTable(path);
    Table t;
    t.setTableName(path);
    t.open();
    t.startTransaction();
    for (int i = 0; i < n; ++i) {
        t.insert();
        t.setField("Date", QDate(2024, 3, 1));
        t.setField("Utc", QTime(7, 0).addSecs(i));
        t.setField("Call", "Q" + QString::number(i) + "ABC");
        t.setField("Mode", i % 2 ? "SSB" : "CW");
        t.setField("Band", "80");
        t.setField("RstS", "599");
        t.setField("RstR", "599");
        t.setField("MultiR", QString::number(10 + i % 90));
        t.setField("Point", 2);
        t.setField("Contest", "ZOX");
        t.post();
    }
    t.commit();
    t.close();
}

QStringList calls(const StoredLog& s)
{
    QStringList out;
    for (const auto& r : s.rows) out << r.at("Call").text;
    return out;
}

// Every record whole, and the file sound, once no program has it open.
void verifyWhole(const StoredLog& s)
{
    QCOMPARE(s.error, QString());
    QCOMPARE(s.integrity, QString("ok"));
    for (const auto& r : s.rows) QCOMPARE(recordFault(r), QString());
}

int told(const ScriptedDialogs& dlg) { return dlg.count(Q::Error) + dlg.count(Q::Message); }

// Clears a fault however the test ends.
struct Undo {
    explicit Undo(std::function<void()> f) : undo(std::move(f)) {}
    ~Undo() { undo(); }
    std::function<void()> undo;
};

}  // namespace

class FaultTest : public QObject {
    Q_OBJECT
private slots:
    void failedSaveKeepsTheLine_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<long>("limit");  // file size limit for "disk full"
        QTest::newRow("read-only file") << "read-only" << 0L;
        QTest::newRow("disk full at the first byte") << "disk full" << 1L;
        QTest::newRow("disk full half way into the journal") << "disk full" << 2048L;
        QTest::newRow("folder removed while open") << "folder gone" << 0L;
    }

    void failedSaveKeepsTheLine()
    {
        QFETCH(QString, fault);
        QFETCH(long, limit);
        Window t;
        const QString folder = t.root.filePath("logs");
        QVERIFY(QDir().mkpath(folder));
        const QString log = folder + "/faults.DAT";
        t.newLog(log);
        t.enter("Q1AAA");
        t.enter("Q1BBB", "50");
        QCOMPARE(t.w->edCall->text(), QString());
        const QStringList score = t.scoreLabels();
        t.dlg.clear();

        // The fault; `undo` clears it, also when the test stops early.
        std::optional<Undo> undo;
        if (fault == "read-only") {
            if (!setImmutable(log, true)) QSKIP("the immutable attribute cannot be set here (needs root on ext4, xfs or btrfs)");
            undo.emplace([log] { setImmutable(log, false); });
        } else if (fault == "disk full") {
            // A write past the limit then fails part way, as on a full disk.
            const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
            rlimit old{};
            ::getrlimit(RLIMIT_FSIZE, &old);
            const rlimit lim{rlim_t(limit), old.rlim_max};
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &lim) == 0);
            undo.emplace([old, oldSignal] {
                ::setrlimit(RLIMIT_FSIZE, &old);
                std::signal(SIGXFSZ, oldSignal);
            });
        } else if (fault == "folder gone") {
            // SQLite would go on writing into the deleted file, lost once it is closed.
            QVERIFY(QDir(folder).removeRecursively());
        }

        t.enter("Q1CCC", "51");
        undo.reset();

        QCOMPARE(t.dlg.count(Q::Error), 1);
        QCOMPARE(t.dlg.count(Q::Message), 0);
        QVERIFY2(t.dlg.last().text.contains(log), qPrintable(t.dlg.last().text));
        QCOMPARE(t.w->edCall->text(), QString("Q1CCC"));
        QCOMPARE(t.w->edHisMulti->text(), QString("51"));
        QCOMPARE(t.scoreLabels(), score);
        QCOMPARE(t.status(), QString("2  zvez !"));
        if (fault == "folder gone") {
            // The way out is a log that exists: here a new one in the same place.
            QVERIFY(QDir().mkpath(folder));
            t.newLog(log);
            QCOMPARE(t.dlg.count(Q::Error), 1);
            QCOMPARE(t.w->edCall->text(), QString("Q1CCC"));
        }

        // Fault gone: the same line is saved now.
        t.dlg.clear();
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Return);
        QCOMPARE(told(t.dlg), 0);
        QCOMPARE(t.w->edCall->text(), QString());
        t.w->close();
        t.w.reset();

        const StoredLog s = readStoredLog(log);
        verifyWhole(s);
        if (fault == "folder gone") QCOMPARE(calls(s), QStringList({"Q1CCC"}));
        else QCOMPARE(calls(s), QStringList({"Q1AAA", "Q1BBB", "Q1CCC"}));
    }

    // Another program instance (another process) tries the log this one has open.
    void secondInstanceIsRefused_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Odpri") << "open";
        QTest::newRow("Nova") << "new";
    }

    void secondInstanceIsRefused()
    {
        QFETCH(QString, how);
        Window t;
        const QString log = t.logPath("shared.DAT");
        t.newLog(log);
        t.enter("Q1AAA");
        t.enter("Q1BBB", "50");

        QTemporaryDir childTmp;
        Child second({"second", log, how}, childTmp.path(), childTmp.filePath("child.err"));
        QVERIFY(second.started());
        QByteArray line;
        QStringList said;
        while (second.readLine(line, 20'000)) said << QString::fromUtf8(line);
        second.wait(20'000);
        QVERIFY2(second.exitedCleanly(), qPrintable(second.errors()));

        const QStringList errors = said.filter(QRegularExpression("^ERROR "));
        QCOMPARE(said.filter(QRegularExpression("^MESSAGE ")), QStringList());
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(log) && errors[0].contains("in use by another program"), qPrintable(errors[0]));
        // The second instance still works in its own log.
        QCOMPARE(said.filter(QRegularExpression("^LOGOPEN ")), QStringList({"LOGOPEN 1"}));
        QVERIFY(said.filter(QRegularExpression("^LOGFILE .*/own\\.DAT$")).size() == 1);
        QCOMPARE(said.filter(QRegularExpression("^AFTER ")), QStringList({"AFTER "}));
        QCOMPARE(said.filter(QRegularExpression("^LINE ")), QStringList({"LINE "}));
        QCOMPARE(said.filter(QRegularExpression("^COUNT ")), QStringList({"COUNT 2"}));

        // And so does this one, in the log that was tried.
        t.enter("Q1CCC", "51");
        QCOMPARE(told(t.dlg), 0);
        QCOMPARE(t.w->edCall->text(), QString());
        t.w->close();
        t.w.reset();
        const StoredLog s = readStoredLog(log);
        verifyWhole(s);
        QCOMPARE(calls(s), QStringList({"Q1AAA", "Q1BBB", "Q1CCC"}));
    }

    // Open, and New, which takes an existing file as the log to go on with.
    void badFileGivenToOpen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");  // the program's own message after the path; empty: the engine's error
        QTest::addColumn<bool>("viaNew");
        const QString notALog = " ni ZOX datoteka !", damaged = " je poškodovana ZOX datoteka in ostane, kot je !";
        const struct { const char* name; const char* kind; QString told; } files[] = {
            {"empty file", "empty", {}},
            {"random bytes", "random", {}},
            {"log cut in half", "cut", {}},
            {"log with its second half zeroed", "zeroed", damaged},
            {"log with one page of rows zeroed", "page", damaged},
            {"no tables", "no tables", {}},
            {"two tables", "two tables", {}},
            {"one foreign table", "foreign", notALog},
            {"a log's fields without its indexes", "no indexes", {}},
            {"a folder", "folder", {}},
        };
        for (bool viaNew : {false, true})
            for (const auto& f : files)
                QTest::addRow("%s: %s", viaNew ? "Nova" : "Odpri", f.name) << f.kind << f.told << viaNew;
    }

    void badFileGivenToOpen()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(bool, viaNew);
        Window t;
        const QString current = t.logPath("current.DAT");
        t.newLog(current);
        t.enter("Q1AAA");

        const QString folder = t.root.filePath("bad");
        QVERIFY(QDir().mkpath(folder));
        const QString bad = folder + "/bad.DAT";
        if (kind == "empty") {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (kind == "random") {
            std::mt19937 rng(7);
            QByteArray b(8192, 0);
            for (char& c : b) c = char(rng());
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(b);
        } else if (kind == "page") {
            writeLog(t.w->Data, bad, 600);
            QFile f(bad);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.size() > 12 * 4096);
            f.seek(10 * 4096);  // past the schema, among the rows and indexes
            f.write(QByteArray(4096, 0));
        } else if (kind == "cut" || kind == "zeroed") {
            writeLog(t.w->Data, bad, 600);
            QFile f(bad);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const qint64 half = f.size() / 2;
            QVERIFY(half > 8 * 4096);  // more than the schema's pages
            if (kind == "cut") QVERIFY(f.resize(half));
            else {
                f.seek(half);
                f.write(QByteArray(int(f.size() - half), 0));
            }
        } else if (kind == "no tables") {
            sql(bad, "PRAGMA user_version = 7");
        } else if (kind == "two tables") {
            writeLog(t.w->Data, bad, 3);
            sql(bad, "CREATE TABLE notes (text TEXT)");
        } else if (kind == "foreign") {
            sql(bad, "CREATE TABLE stations (Znak VARCHAR(20) PRIMARY KEY, Letnica VARCHAR(2), Note TEXT);"
                     "INSERT INTO stations VALUES ('Q1AAA', '69', 'x')");
        } else if (kind == "no indexes") {
            sql(bad, "CREATE TABLE bad (Vexa INTEGER PRIMARY KEY AUTOINCREMENT, Date DATE, Utc TIME, Call VARCHAR(20),"
                     " Mode VARCHAR(3), Band VARCHAR(10), RstS VARCHAR(10), RstR VARCHAR(10), MultiR VARCHAR(10),"
                     " MultiP INTEGER, Point INTEGER, Contest VARCHAR(10));"
                     "INSERT INTO bad (Date, Utc, Call, Mode, Band, RstS, RstR, MultiR, Point, Contest)"
                     " VALUES ('2024-03-01', '07:00:00', 'Q5XYZ', 'CW', '80', '599', '599', '44', 2, 'ZOX')");
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(bad));
        }
        const QStringList before = snapshot(folder);
        const QString title = t.w->windowTitle();
        const QStringList score = t.scoreLabels();
        t.dlg.clear();

        if (viaNew) t.newLog(bad);
        else t.openLog(bad);

        QCOMPARE(told(t.dlg), 1);
        if (message.isEmpty()) {
            QCOMPARE(t.dlg.count(Q::Error), 1);
            QVERIFY2(t.dlg.last().text.contains(bad), qPrintable(t.dlg.last().text));
        } else {
            QVERIFY(t.dlg.last().question == Q::Message);
            QCOMPARE(t.dlg.last().text, bad + message);
        }
        QCOMPARE(snapshot(folder), before);
        // The current log is still the one open, as it was, and takes the next contact.
        QVERIFY(LogOpen);
        QCOMPARE(t.w->Data.LogTbl.filePath(), current);
        QCOMPARE(t.w->windowTitle(), title);
        QCOMPARE(t.scoreLabels(), score);
        t.dlg.clear();
        t.enter("Q1BBB", "50");
        QCOMPARE(told(t.dlg), 0);
        QCOMPARE(t.w->edCall->text(), QString());
        QCOMPARE(t.status(), QString("2  zvez !"));
        t.w->close();
        t.w.reset();
        QCOMPARE(snapshot(folder), before);
        const StoredLog s = readStoredLog(current);
        verifyWhole(s);
        QCOMPARE(calls(s), QStringList({"Q1AAA", "Q1BBB"}));
    }
};

QTEST_MAIN(FaultTest)
#include "fault_test.moc"

// The table engine against real SQLite files.
#include "storage/Table.h"
#include "TestDir.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zox::storage;
using zox::test::TempFolder;

namespace {

// A small table with a text key index that can hold NULLs.
void makePeople(const QString& path)
{
    Table t;
    t.setTableName(path);
    t.fieldDefs = {{"Id", FieldType::AutoInc, 0}, {"Name", FieldType::Text, 8}, {"Age", FieldType::Integer, 0},
                   {"Born", FieldType::Date, 0},   {"At", FieldType::Time, 0}};
    t.indexDefs = {{"", "Id", true, true}, {"byName", "Name", false, false}};
    t.createTable();
}

void add(Table& t, const QVariant& name, const QVariant& age = {})
{
    t.insert();
    t.setField("Name", name);
    t.setField("Age", age);
    t.post();
}

QStringList walk(Table& t, bool backwards = false)
{
    QStringList out;
    if (backwards) {
        t.last();
        while (!t.bof()) {
            out << t.field("Name").toString();
            t.prior();
        }
    } else {
        t.first();
        while (!t.eof()) {
            out << t.field("Name").toString();
            t.next();
        }
    }
    return out;
}

}  // namespace

TEST(Table, AddressingByBaseFolderAndFullPath)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setDatabaseName(tmp.dir.path());
    t.setTableName("p.db");
    EXPECT_TRUE(t.exists());
    EXPECT_EQ(t.filePath(), tmp.path("p.db"));
    t.setDatabaseName("/nonexistent/folder");
    t.setTableName(tmp.path("p.db"));  // a full path wins over the base folder
    EXPECT_TRUE(t.exists());
    t.setTableName("missing.db");
    EXPECT_FALSE(t.exists());
    EXPECT_THROW(t.open(), EngineError);
}

TEST(Table, EmptyTableIsAtEndAtOnce)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recordCount(), 0);
    t.first();
    EXPECT_TRUE(t.eof());
    EXPECT_FALSE(t.hasRecord());
    t.last();
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.hasRecord());
    EXPECT_TRUE(t.field("Name").isNull());
}

TEST(Table, WalksInIndexOrderBothWaysWithNulls)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    for (const char* n : {"dora", "ana", "", "cene", "ana", ""}) add(t, QString::fromLatin1(n));
    EXPECT_EQ(walk(t), (QStringList{"dora", "ana", "", "cene", "ana", ""}));
    t.close();
    t.setIndexName("byName");
    t.open();
    // Empty texts are stored as NULL and sort first; equal keys keep entry order.
    const QStringList sorted{"", "", "ana", "ana", "cene", "dora"};
    EXPECT_EQ(walk(t), sorted);
    QStringList back = walk(t, true);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, sorted);
    EXPECT_THROW(t.setIndexName("noSuchIndex"), EngineError);
}

TEST(Table, EndOfTableAfterNextOnLast)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    add(t, "a");
    add(t, "b");
    t.first();
    EXPECT_FALSE(t.eof());
    t.next();
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.field("Name").toString(), "b");
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.field("Name").toString(), "b");  // stays on the last record
}

TEST(Table, ValuesRoundTripAndTextsAreCut)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    t.insert();
    t.setField("Name", "Šimen Žužek");  // 11 characters into a field of 8
    t.setField("Age", 42);
    t.setField("Born", QDate(2001, 4, 1));
    t.setField("At", QTime(8, 5, 30));
    t.post();
    EXPECT_EQ(t.field("Name").toString(), QString("Šimen Žu"));
    EXPECT_EQ(t.field("Age").toLongLong(), 42);
    EXPECT_EQ(t.field("Born").toDate(), QDate(2001, 4, 1));
    EXPECT_EQ(t.field("At").toTime(), QTime(8, 5, 30));
    EXPECT_EQ(t.displayText("At"), "08:05:30");
    EXPECT_EQ(t.field("Id").toLongLong(), 1);
    t.close();
    // Other tools read it as plain SQL values.
    QProcess p;
    p.start("sqlite3", {tmp.path("p.db"), "SELECT Id,Name,Age,Born,At FROM p"});
    if (p.waitForFinished() && p.exitCode() == 0) {
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QString("1|Šimen Žu|42|2001-04-01|08:05:30"));
    }
}

TEST(Table, BadValuesFailAtTheFieldAndWriteNothing)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    t.insert();
    EXPECT_THROW(t.setField("At", "25:99:00"), EngineError);
    EXPECT_THROW(t.setField("Age", "x1"), EngineError);
    EXPECT_THROW(t.setField("Nope", 1), EngineError);
    t.cancel();
    EXPECT_EQ(t.recordCount(), 0);
}

TEST(Table, EditPostAndDeleteMoveAsExpected)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    for (const char* n : {"a", "b", "c"}) add(t, n);
    ASSERT_TRUE(t.locate("Name", {"b"}));
    const qint64 id = t.recordId();
    t.edit();
    t.setField("Name", "bb");
    t.post();
    EXPECT_EQ(t.recordId(), id);
    EXPECT_EQ(t.recordCount(), 3);
    // Deleting moves to the next record, or the previous one at the end.
    t.deleteRecord();
    EXPECT_EQ(t.field("Name").toString(), "c");
    t.deleteRecord();
    EXPECT_EQ(t.field("Name").toString(), "a");
    t.deleteRecord();
    EXPECT_FALSE(t.hasRecord());
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_THROW(t.deleteRecord(), EngineError);
    // Record numbers are never reused.
    add(t, "d");
    EXPECT_EQ(t.field("Id").toLongLong(), 4);
}

TEST(Table, LocateIsExactAndCaseSensitive)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    add(t, "Q1AB", 3);
    add(t, "Q1ABC", 4);
    add(t, "", 5);
    struct Case { QString fields; QVariantList values; bool found; qint64 age; } cases[] = {
        {"Name", {"Q1AB"}, true, 3},
        {"Name", {"q1ab"}, false, 0},
        {"Name", {"Q1A"}, false, 0},
        {"Name;Age", {"Q1ABC", 4}, true, 4},
        {"Name;Age", {"Q1ABC", 3}, false, 0},
        {"Name", {""}, true, 5},  // an empty text finds the empty field
    };
    for (const auto& c : cases) {
        t.first();
        const qint64 before = t.recordId();
        EXPECT_EQ(t.locate(c.fields, c.values), c.found) << c.fields.toStdString() << " " << c.values.first().toString().toStdString();
        if (c.found) EXPECT_EQ(t.field("Age").toLongLong(), c.age);
        else EXPECT_EQ(t.recordId(), before);  // a failed search does not move
    }
}

TEST(Table, CursorsOnOneFileSeeEachOtherAtOnce)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table a, b;
    for (Table* t : {&a, &b}) {
        t->setTableName(tmp.path("p.db"));
        t->setExclusive(true);
    }
    b.setIndexName("byName");
    a.open();
    b.open();
    add(a, "x");
    EXPECT_TRUE(b.locate("Name", {"x"}));
    EXPECT_EQ(b.recordCount(), 1);
    a.deleteRecord();
    EXPECT_FALSE(b.locate("Name", {"x"}));
    EXPECT_EQ(b.recordCount(), 0);
}

TEST(Table, FilesThatAreNotTablesGiveAnErrorAndStayUnchanged)
{
    TempFolder tmp;
    QByteArray random(4096, 0);
    for (auto& c : random) c = char(QRandomGenerator::global()->bounded(256));
    QByteArray sqliteHeaderOnly = QByteArray("SQLite format 3") + '\0' + QByteArray(84, '\x01');
    const std::pair<const char*, QByteArray> files[] = {
        {"empty.dat", QByteArray()},
        {"random.dat", random},
        {"text.dat", "Vexa;Date;Utc\r\nnot a table\r\n"},
        {"truncated.dat", sqliteHeaderOnly},
    };
    for (const auto& [name, data] : files) {
        tmp.write(name, data);
        Table t;
        t.setTableName(tmp.path(name));
        EXPECT_THROW(t.readFieldDefs(), EngineError) << name;
        EXPECT_THROW(t.open(), EngineError) << name;
        EXPECT_EQ(tmp.bytes(name), data) << name;
        EXPECT_FALSE(QFile::exists(tmp.path(QString(name) + "-journal"))) << name;
    }
    Table d;
    d.setTableName(tmp.dir.path());
    EXPECT_THROW(d.readFieldDefs(), EngineError);
}

// A foreign file with a generated column: "SELECT *" returns it, so it is a
// field too, or every value after it would land in the wrong field.
TEST(Table, AGeneratedColumnIsAFieldInItsPlace)
{
    TempFolder tmp;
    const QString path = tmp.path("g.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db,
                                "CREATE TABLE g (Id INTEGER PRIMARY KEY AUTOINCREMENT, Twice INTEGER AS (Age * 2),"
                                " Name VARCHAR(8), Age INTEGER);"
                                "INSERT INTO g (Name, Age) VALUES ('ann', 20), ('bob', 30);",
                                nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);

    Table t;
    t.setTableName(path);
    QStringList names;
    for (const auto& f : t.readFieldDefs()) names << f.name;
    EXPECT_EQ(names, (QStringList{"Id", "Twice", "Name", "Age"}));
    t.open();
    EXPECT_EQ(t.field("Name").toString(), "ann");
    EXPECT_EQ(t.field("Age").toLongLong(), 20);
    EXPECT_EQ(t.field("Twice").toLongLong(), 40);
    const auto rows = t.fetchRows(0, 2);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (QVariantList{qint64(2), qint64(60), QString("bob"), qint64(30), qint64(2)}));
    // The engine refuses to write a generated column, and says so.
    t.insert();
    t.setField("Name", "cid");
    EXPECT_THROW(t.post(), EngineError);
    t.cancel();
    EXPECT_EQ(t.recordCount(), 2);
}

// Run in a child process by the test below: tries to open a file another program holds.
TEST(TableChild, OpenHeldFile)
{
    const QString path = qEnvironmentVariable("ZOX_HELD_FILE");
    if (path.isEmpty()) GTEST_SKIP() << "only run as the child of ASecondProgramIsRefusedWhileTheFileIsOpen";
    Table other;
    other.setTableName(path);
    other.setExclusive(true);
    try {
        other.open();
        FAIL() << "opened a file another program holds";
    } catch (const EngineError& e) {
        EXPECT_TRUE(QString(e.what()).contains("another program")) << e.what();
    }
}

TEST(Table, ASecondProgramIsRefusedWhileTheFileIsOpen)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.setExclusive(true);
    t.open();
    add(t, "mine");
    QProcess child;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("ZOX_HELD_FILE", tmp.path("p.db"));
    child.setProcessEnvironment(env);
    child.start("/proc/self/exe", {"--gtest_filter=TableChild.OpenHeldFile"});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    EXPECT_TRUE(child.readAllStandardOutput().contains("[  PASSED  ] 1 test"));
    EXPECT_EQ(t.recordCount(), 1);
    t.first();
    EXPECT_EQ(t.field("Name").toString(), "mine");
}

TEST(Table, APostIsOnDiskWhenItReturns)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipefd[0]);
        Table t;
        t.setTableName(tmp.path("p.db"));
        t.setExclusive(true);
        t.open();
        add(t, "saved", 7);
        const char ok = 'k';
        if (write(pipefd[1], &ok, 1) != 1) _exit(3);
        for (;;) pause();  // killed here, with the file still open
    }
    close(pipefd[1]);
    char c = 0;
    ASSERT_EQ(read(pipefd[0], &c, 1), 1);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(pipefd[0]);
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    ASSERT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.field("Name").toString(), "saved");
    EXPECT_EQ(t.field("Age").toLongLong(), 7);
}

TEST(Table, SuspendedDisplayUpdatesAreHeldBack)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    std::vector<Table::Event> heard;
    t.addListener([&](Table::Event e) { heard.push_back(e); });
    add(t, "a");
    EXPECT_FALSE(heard.empty());
    heard.clear();
    t.disableControls();
    t.first();
    t.next();
    EXPECT_TRUE(heard.empty());
    t.enableControls();
    EXPECT_EQ(heard.size(), 1u);
}

TEST(Table, RowsForAGridByPosition)
{
    TempFolder tmp;
    makePeople(tmp.path("p.db"));
    Table t;
    t.setTableName(tmp.path("p.db"));
    t.open();
    for (int i = 0; i < 30; ++i) add(t, QString("n%1").arg(i), i);
    auto rows = t.fetchRows(10, 5);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][1].toString(), "n10");
    EXPECT_EQ(rows[4][2].toLongLong(), 14);
    ASSERT_TRUE(t.locate("Name", {"n17"}));
    EXPECT_EQ(t.recNo(), 17);
}

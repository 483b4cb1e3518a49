// The log table's structure and recognition, through the data module.
#include "log/uData.h"
#include "TestDir.h"

#include <gtest/gtest.h>

using namespace zox;
using storage::EngineError;
using storage::FieldDef;
using storage::FieldType;
using zox::test::TempFolder;

namespace {

void makeTable(const QString& path, const QList<FieldDef>& fields)
{
    Table t;
    t.setTableName(path);
    t.fieldDefs = fields;
    t.indexDefs = {{"", fields.first().name, true, true}};
    t.createTable();
}

QList<FieldDef> textFields(const QString& first, int n)
{
    QList<FieldDef> f{{first, FieldType::AutoInc, 0}};
    for (int i = 1; i < n; ++i) f << FieldDef{QString("F%1").arg(i), FieldType::Text, 10};
    return f;
}

}  // namespace

TEST(DataModule, NewLogTableHasTheTwelveFieldsAndFourIndexes)
{
    TempFolder tmp;
    TDataFrm d;
    d.CreateLogTable(tmp.path("log.DAT"));
    Table t;
    t.setTableName(tmp.path("log.DAT"));
    const QStringList names{"Vexa", "Date", "Utc", "Call", "Mode", "Band", "RstS", "RstR", "MultiR", "MultiP", "Point", "Contest"};
    const auto fields = t.readFieldDefs();
    QStringList got;
    for (auto& f : fields) got << f.name;
    EXPECT_EQ(got, names);
    EXPECT_EQ(fields, TDataFrm::LogFields());
    EXPECT_EQ(t.readIndexDefs(), TDataFrm::LogIndexes());
    EXPECT_TRUE(d.IsLogFile(tmp.path("log.DAT")));
}

TEST(DataModule, RecognisesOnlyTwelveFieldsStartingWithVexa)
{
    TempFolder tmp;
    TDataFrm d;
    struct Case { const char* file; QString first; int n; bool log; } cases[] = {
        {"ok.dat", "Vexa", 12, true},
        {"lower.dat", "vexa", 12, false},
        {"eleven.dat", "Vexa", 11, false},
        {"thirteen.dat", "Vexa", 13, false},
    };
    for (const auto& c : cases) {
        makeTable(tmp.path(c.file), textFields(c.first, c.n));
        EXPECT_EQ(d.IsLogFile(tmp.path(c.file)), c.log) << c.file;
    }
    tmp.write("text.dat", "hello\r\n");
    EXPECT_THROW(d.IsLogFile(tmp.path("text.dat")), EngineError);
    EXPECT_EQ(tmp.bytes("text.dat"), QByteArray("hello\r\n"));
}

TEST(DataModule, CreateOnAnExistingLogKeepsItsRecords)
{
    TempFolder tmp;
    TDataFrm d;
    const QString path = tmp.path("log.DAT");
    d.CreateLogTable(path);
    {
        Table t;
        t.setTableName(path);
        t.open();
        t.insert();
        t.setField("Call", "Q1AAA");
        t.post();
    }
    d.CreateLogTable(path);
    Table t;
    t.setTableName(path);
    t.open();
    EXPECT_EQ(t.recordCount(), 1);
}

TEST(DataModule, ALongCallIsCutAndAPostIsFoundByTheSearchCursors)
{
    TempFolder tmp;
    TDataFrm d;
    const QString path = tmp.path("log.DAT");
    d.CreateLogTable(path);
    for (Table* t : {&d.LogTbl, &d.LogTbl1, &d.LogTbl2}) t->setTableName(path);
    d.LogTbl1.setIndexName("byCallBand");
    d.LogTbl2.setIndexName("byBandMulti");
    d.LogTbl.open();
    d.LogTbl1.open();
    d.LogTbl2.open();
    d.LogTbl.insert();
    d.LogTbl.setField("Call", "Q1ABCDEFGHIJKLMNOPQRS");  // 21 characters
    d.LogTbl.setField("Mode", "CW");
    d.LogTbl.setField("MultiR", "69");
    d.LogTbl.setField("Contest", "ZOX Contest");
    d.LogTbl.post();
    EXPECT_EQ(d.LogTbl.field("Call").toString(), "Q1ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(d.LogTbl.field("Contest").toString(), "ZOX Contes");
    EXPECT_TRUE(d.LogTbl1.locate("Call;Mode", {"Q1ABCDEFGHIJKLMNOPQR", "CW"}));
    EXPECT_FALSE(d.LogTbl1.locate("Call;Mode", {"Q1ABCDEFGHIJKLMNOPQR", "SSB"}));
    EXPECT_TRUE(d.LogTbl2.locate("Mode;MultiR", {"CW", "69"}));
    for (Table* t : {&d.LogTbl, &d.LogTbl1, &d.LogTbl2}) t->close();
}

TEST(DataModule, FullPassReopensTheSearchCursorsAfterAnError)
{
    TempFolder tmp;
    TDataFrm d;
    const QString path = tmp.path("log.DAT");
    d.CreateLogTable(path);
    for (Table* t : {&d.LogTbl, &d.LogTbl1, &d.LogTbl2}) t->setTableName(path);
    d.LogTbl.open();
    d.LogTbl1.open();
    d.LogTbl2.open();
    for (int i = 0; i < 3; ++i) {
        d.LogTbl.insert();
        d.LogTbl.setField("Call", QString("Q1A%1").arg(i));
        d.LogTbl.post();
    }
    int seen = 0;
    d.FullPass([&](Table& t) {
        EXPECT_FALSE(d.LogTbl1.isOpen());
        EXPECT_TRUE(t.controlsDisabled());
        ++seen;
    });
    EXPECT_EQ(seen, 3);
    EXPECT_THROW(d.FullPass([](Table&) { throw EngineError("boom"); }), EngineError);
    EXPECT_TRUE(d.LogTbl1.isOpen());
    EXPECT_TRUE(d.LogTbl2.isOpen());
    EXPECT_FALSE(d.LogTbl.controlsDisabled());
    for (Table* t : {&d.LogTbl, &d.LogTbl1, &d.LogTbl2}) t->close();
}

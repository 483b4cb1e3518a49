// The ADIF export, and what the three reports leave behind, also on failure.
#include "reports/AdifExport.h"
#include "reports/CabrilloExport.h"
#include "reports/LogListing.h"
#include "reports/ProFileStream.h"
#include "reports/SummarySheet.h"
#include "ReportLogs.h"
#include "app/FileFaults.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zox;
using namespace zox::test;

namespace {

const std::vector<Qso> kAdif = adifQsos();

TUserInfo s59abc()
{
    TUserInfo u;
    u.User.Call = "S59ABC";
    return u;
}

}  // namespace

TEST(AdifExport, MatchesTheHandMadeFile)
{
    TestLog log(kAdif);
    log.write("log.adi", QByteArray(5000, 'x'));
    WriteAdif(log.data, s59abc(), log.path("log.adi"));
    EXPECT_EQ(crlfLines(log.bytes("log.adi")), crlfLines(golden("adif_3.adi")));
    EXPECT_EQ(log.bytes("log.adi"), golden("adif_3.adi"));
}

TEST(AdifExport, EmptyLogGivesTheHeaderAlone)
{
    TestLog log;
    WriteAdif(log.data, TUserInfo{}, log.path("log.adi"));
    EXPECT_EQ(log.bytes("log.adi"), QByteArray("Trelo Prvenstvo NLT <eoh>\r\n"));
}

TEST(AdifExport, TagWriterLeavesOutEmptyValues)
{
    EXPECT_EQ(AdifTag(2, "S57ABC"), "<Call:6>S57ABC");
    EXPECT_EQ(AdifTag(4, ""), "");
    EXPECT_EQ(AdifTag(0, "Ljubljana"), "<Qth:9>Ljubljana");
    EXPECT_EQ(AdifTag(14, "S5"), "<Pfx:2>S5");
    EXPECT_EQ(AdifTag(15, "x"), "");
}

TEST(AdifExport, FileNames)
{
    struct Case { const char* chosen; const char* file; } cases[] = {
        {"/home/op/Adif/contest", "/home/op/Adif/contest.adi"},
        {"/home/op/Adif/contest.adi", "/home/op/Adif/contest.adi"},
        {"/home/op/Adif/contest.txt", "/home/op/Adif/contest.txt"},
        {"/home/op/v1.2/contest", "/home/op/v1.2/contest.adi"},
    };
    for (const auto& c : cases) EXPECT_EQ(AdifFileName(c.chosen), c.file) << c.chosen;
    EXPECT_EQ(AdifOverwriteQuestion("/home/op/Adif/contest.adi"),
              QString::fromUtf8("Datoteka contest.adi že obstaja !\r\nKreiram novo ?"));
}

// Every report, on success and on failure: the search cursors are open again,
// the grid repaints again, and a failure leaves the old file as it was.
namespace {

struct Report {
    const char* name;
    bool closesSearchCursors;
    std::function<void(TDataFrm&, const QString&)> write;
};

std::vector<Report> reports()
{
    return {
        {"listing", true, [](TDataFrm& d, const QString& p) { WriteLogListing(d, s59abc(), p, "2026"); }},
        {"summary", true, [](TDataFrm& d, const QString& p) { SummaryZox(d, s59abc(), p); }},
        {"adif", false, [](TDataFrm& d, const QString& p) { WriteAdif(d, s59abc(), p); }},
        {"cabrillo", false, [](TDataFrm& d, const QString& p) { WriteCabrillo(d, s59abc(), p); }},
    };
}

void expectCursorsRestored(TestLog& log)
{
    EXPECT_TRUE(log.data.LogTbl1.isOpen());
    EXPECT_TRUE(log.data.LogTbl2.isOpen());
    EXPECT_EQ(log.data.LogTbl1.indexName(), "byCallBand");
    EXPECT_EQ(log.data.LogTbl2.indexName(), "byBandMulti");
    EXPECT_FALSE(log.data.LogTbl.controlsDisabled());
}

}  // namespace

TEST(Reports, FullPassLeavesTheCursorsAsTheyWere)
{
    for (const Report& r : reports()) {
        SCOPED_TRACE(r.name);
        TestLog log(kAdif);
        // The listing and the sheet close the search cursors for their pass;
        // the ADIF and Cabrillo exports leave them open throughout.
        QList<Table::Event> events;
        log.data.LogTbl1.addListener([&](Table::Event e) {
            if (e == Table::Event::Closed || e == Table::Event::Opened) events << e;
        });
        r.write(log.data, log.path("out"));
        const QList<Table::Event> expected =
            r.closesSearchCursors ? QList<Table::Event>{Table::Event::Closed, Table::Event::Opened} : QList<Table::Event>{};
        EXPECT_EQ(events, expected);
        expectCursorsRestored(log);
        // The pass leaves the main cursor on the last QSO.
        EXPECT_EQ(log.data.LogTbl.field("Call").toString(), QString::fromUtf8("S59ČŽ"));
    }
}

TEST(Reports, AFileThatCannotBeCreatedIsReportedAndChangesNothing)
{
    for (const Report& r : reports()) {
        SCOPED_TRACE(r.name);
        TestLog log(kAdif);
        const QString path = log.path("missing/out");
        try {
            r.write(log.data, path);
            FAIL() << "no error";
        } catch (const FileError& e) {
            EXPECT_EQ(e.text(), path + ": No such file or directory");
        }
        expectCursorsRestored(log);
    }
}

TEST(Reports, AFailureInThePassKeepsTheOldFile)
{
    // A table that passes for a log (twelve fields, the first "Vexa") but
    // lacks the fields a report reads: the engine fails in the middle of the pass.
    for (const Report& r : reports()) {
        SCOPED_TRACE(r.name);
        TestLog log;
        const QString odd = log.path("odd.DAT");
        {
            Table t;
            t.setTableName(odd);
            t.fieldDefs = {{"Vexa", storage::FieldType::AutoInc, 0}};
            for (int i = 1; i < 12; ++i) t.fieldDefs << storage::FieldDef{QString("F%1").arg(i), storage::FieldType::Text, 10};
            t.indexDefs = {{"", "Vexa", true, true}};
            t.createTable();
            t.open();
            t.insert();
            t.setField("F1", "x");
            t.post();
        }
        ASSERT_TRUE(log.data.IsLogFile(odd));
        TDataFrm data;
        data.LogTbl.setTableName(odd);
        data.LogTbl1.setTableName(odd);
        data.LogTbl.open();
        data.LogTbl1.open();
        log.write("out", "old report\r\n");
        EXPECT_THROW(r.write(data, log.path("out")), storage::EngineError);
        EXPECT_EQ(log.bytes("out"), QByteArray("old report\r\n"));
        EXPECT_TRUE(data.LogTbl1.isOpen());
        EXPECT_FALSE(data.LogTbl.controlsDisabled());
    }
}

TEST(Reports, ADiskFullWhileWritingKeepsTheOldFile)
{
    TestLog log;
    for (int i = 0; i < 2000; ++i) log.add(kAdif[size_t(i % 3)]);
    for (const Report& r : reports()) {
        SCOPED_TRACE(r.name);
        log.write("out", "old report\r\n");
        {
            FileSizeLimit limit(200);
            EXPECT_THROW(r.write(log.data, log.path("out")), FileError);
        }
        EXPECT_EQ(log.bytes("out"), QByteArray("old report\r\n"));
        expectCursorsRestored(log);
    }
}

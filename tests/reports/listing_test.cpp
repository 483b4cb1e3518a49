// The log listing, checked byte for byte against hand-made files.
#include "reports/LogListing.h"
#include "reports/ProFileStream.h"
#include "ReportLogs.h"

#include <gtest/gtest.h>

using namespace zox;
using namespace zox::test;

namespace {

TUserInfo operatorWithCall(const QString& call)
{
    TUserInfo u;
    u.User.Call = call;
    return u;
}

void expectSameFile(const QByteArray& got, const QByteArray& expected)
{
    EXPECT_EQ(crlfLines(got), crlfLines(expected));
    EXPECT_EQ(got, expected);  // line ends, code page and trailing spaces too
}

}  // namespace

TEST(LogListing, MatchesTheHandMadeFiles)
{
    struct Case { const char* golden; std::vector<Qso> qsos; } cases[] = {
        {"listing_10.txt", tenQsos()},
        {"listing_50.txt", fiftyQsos()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        TestLog log(c.qsos);
        WriteLogListing(log.data, operatorWithCall("S59ABC"), log.path("S59ABC.txt"), "2026");
        expectSameFile(log.bytes("S59ABC.txt"), golden(c.golden));
    }
}

TEST(LogListing, EmptyLogGivesTheHeaderAloneAndAnEmptyCallEndsTheTitle)
{
    TestLog log;
    WriteLogListing(log.data, operatorWithCall(""), log.path("X.txt"), "2001");
    EXPECT_EQ(log.bytes("X.txt"), QByteArray("2001 Trelo Prvenstvo NLT \r\n \r\n"
                                             "Band   Datum      Utc   QSO#  Znak           RstS RstR Letnica Multi To\xE8ke\r\n \r\n"));
}

TEST(LogListing, FourAndFiveDigitQsoNumbers)
{
    TestLog log;
    for (int i = 0; i < 10000; ++i) log.add({"2026-12-09", "19:30:00", "S59DEM", "CW", "599", "599", "69", std::nullopt, 2});
    WriteLogListing(log.data, operatorWithCall("S59ABC"), log.path("big.txt"), "2026");

    const QList<QByteArray> lines = crlfLines(log.bytes("big.txt"));
    EXPECT_EQ(lines.size(), 4 + 10000 + 1000 + 200 * 5);  // header, QSOs, blank after tens, headers after fifties
    QList<QByteArray> qsoLines;
    for (const auto& l : lines)
        if (l.startsWith("80 ")) qsoLines << l;
    ASSERT_EQ(qsoLines.size(), 10000);
    EXPECT_EQ((QList<QByteArray>{qsoLines[998], qsoLines[999], qsoLines[9998], qsoLines[9999]}),
              crlfLines(golden("listing_qso_999_1000_9999_10000.txt")));
}

TEST(LogListing, ReplacesAnExistingListingWhole)
{
    TestLog log(tenQsos());
    log.write("S59ABC.txt", QByteArray(20000, 'x'));
    WriteLogListing(log.data, operatorWithCall("S59ABC"), log.path("S59ABC.txt"), "2026");
    EXPECT_EQ(log.bytes("S59ABC.txt"), golden("listing_10.txt"));
}

TEST(LogListing, DefaultFileIsInTheTextFolder)
{
    const QString saved = Dir.Txt;
    Dir.Txt = "/opt/zox/Txt/";
    EXPECT_EQ(ListingPath("S59ABC"), "/opt/zox/Txt/S59ABC.txt");
    EXPECT_EQ(ListingPath(""), "/opt/zox/Txt/.txt");
    Dir.Txt = saved;
}

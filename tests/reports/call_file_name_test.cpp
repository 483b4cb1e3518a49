// File names made from a call sign: whatever the operator typed, a plain file
// directly inside its folder, and the report written there.
#include "reports/CallFileName.h"
#include "reports/LogListing.h"
#include "reports/SummarySheet.h"
#include "ReportLogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

using namespace zox;
using namespace zox::test;

namespace {

struct CallCase {
    QString call;
    QString stem;
};

const CallCase kCalls[] = {
    {"S59ABC", "S59ABC"},
    {"S59ABC/P", "S59ABC_P"},  // portable, common in this contest
    {"S5/Q5ABC/M", "S5_Q5ABC_M"},
    {"../../X", "__X"},
    {"..", ""},
    {"Q5A B", "Q5AB"},
    {"", ""},
    {QStringLiteral("S5\u010C\u0160\u017Dabc"), QStringLiteral("S5\u010C\u0160\u017Dabc")},  // ČŠŽ stay
    {"a\\b", "a_b"},
    {"Q5-X_Y", "Q5-X_Y"},
    {"Q5*?<>|:\"\t\nZ", "Q5Z"},
    {QString(100, u'A'), QString(kCallFileStemLimit, u'A')},
};

QString Cp1250(const QByteArray& bytes)
{
    QStringDecoder dec("windows-1250");
    return dec(bytes);
}

}  // namespace

TEST(CallFileName, KeepsOnlyWhatAFileNameMayHold)
{
    for (const CallCase& c : kCalls) {
        EXPECT_EQ(CallFileStem(c.call), c.stem) << c.call.toStdString();
        EXPECT_EQ(CallFilePath("/opt/zox/Txt/", c.call, ".txt"), "/opt/zox/Txt/" + c.stem + ".txt");
    }
}

TEST(CallFileName, TheListingAndTheSheetAreWrittenInsideTheTextFolder)
{
    TestLog log(contestQsos());
    const QString saved = Dir.Txt;
    QDir(log.path("prog")).mkpath("Txt");
    Dir.Txt = log.path("prog/Txt/");
    const QString folder = QFileInfo(Dir.Txt).canonicalFilePath();
    for (const CallCase& c : kCalls) {
        SCOPED_TRACE(c.call.toStdString());
        TUserInfo user = contestOperator();
        user.User.Call = c.call;
        for (const QString& path : {ListingPath(c.call), SummaryPath(c.call)}) {
            if (path == ListingPath(c.call)) WriteLogListing(log.data, user, path, "2026");
            else SummaryZox(log.data, user, path);
            const QFileInfo file(path);
            EXPECT_TRUE(file.isFile() && !file.isSymLink());
            EXPECT_EQ(file.canonicalPath(), folder);
            EXPECT_EQ(file.fileName(), c.stem + (path.endsWith(".txt") ? ".txt" : ".sum"));
        }
        // The call as typed in the listing's title and on the sheet (a line
        // break, which no call field takes, would break the line there).
        if (c.call.contains(u'\n')) continue;
        QFile listing(ListingPath(c.call));
        ASSERT_TRUE(listing.open(QIODevice::ReadOnly));
        EXPECT_EQ(Cp1250(listing.readLine()), "2026 Trelo Prvenstvo NLT " + c.call + "\r\n");
        QFile sheet(SummaryPath(c.call));
        ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = sheet.readAll().split('\n');
        ASSERT_GT(lines.size(), 4);
        EXPECT_TRUE(Cp1250(lines[3]).startsWith(c.call.left(13))) << lines[3].toStdString();
    }
    // Nothing landed beside the program folder or above it.
    EXPECT_EQ(QDir(log.path("")).entryList({"*.txt", "*.sum"}, QDir::Files), QStringList());
    EXPECT_EQ(QDir(log.path("prog")).entryList({"*.txt", "*.sum"}, QDir::Files), QStringList());
    Dir.Txt = saved;
}

// The text-file writer and the fill functions.
#include "reports/ProFileStream.h"
#include "TestDir.h"
#include "app/FileFaults.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace zox;
using zox::test::TempFolder;

TEST(TextFill, CountsCodePage1250BytesAndNeverShortens)
{
    struct Case { QString text; int width; QChar fill; QString left, right; } cases[] = {
        {"7", 4, u' ', "   7", "7   "},
        {QString::fromUtf8("Točke"), 20, u' ', QString(15, u' ') + QString::fromUtf8("Točke"), QString::fromUtf8("Točke") + QString(15, u' ')},
        {QString::fromUtf8("Množitelji"), 15, u' ', QString::fromUtf8("     Množitelji"), QString::fromUtf8("Množitelji     ")},
        {"S51ABC/S59XYZ/QRPP", 15, u' ', "S51ABC/S59XYZ/QRPP", "S51ABC/S59XYZ/QRPP"},
        {"12345", 5, u' ', "12345", "12345"},
        {"", 3, u' ', "   ", "   "},
        {"*", 5, u'*', "*****", "*****"},
        {"abc", 0, u' ', "abc", "abc"},
        {"abc", -1, u' ', "abc", "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PadLeft(c.text, c.width, c.fill), c.left) << c.text.toStdString();
        EXPECT_EQ(PadRight(c.text, c.width, c.fill), c.right) << c.text.toStdString();
    }
}

TEST(TextFill, LengthIsCountedInCodePageBytes)
{
    // One byte per character, also for one the code page lacks (written as a substitute).
    struct Case { QString text; int length; } cases[] = {
        {QString::fromUtf8("čćžšđ ČĆŽŠĐ"), 11}, {QString::fromUtf8("€„“”"), 4}, {QString::fromUtf8("ЖЖ"), 2},
        {QString::fromUtf8("a😀b"), 3}, {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(Cp1250Length(c.text), c.length) << c.text.toStdString();
}

TEST(TProFileStream, WritesCodePage1250LinesWithCrLfAndReplacesTheOldFile)
{
    TempFolder tmp;
    tmp.write("out.txt", QByteArray(10000, 'o'));
    {
        TProFileStream s(tmp.path("out.txt"));
        s.WriteLine(QString::fromUtf8("Točke"));
        s.WriteLine("");
        s.WriteLine(" ");
        EXPECT_EQ(tmp.bytes("out.txt"), QByteArray(10000, 'o'));  // old file stays until complete
        s.Commit();
    }
    EXPECT_EQ(tmp.bytes("out.txt"), QByteArray("To\xE8ke\r\n\r\n \r\n"));
}

TEST(TProFileStream, WithoutCommitNothingChanges)
{
    TempFolder tmp;
    tmp.write("out.txt", "old\r\n");
    {
        TProFileStream s(tmp.path("out.txt"));
        for (int i = 0; i < 10000; ++i) s.WriteLine("a line long enough to pass the buffer several times");
    }
    EXPECT_EQ(tmp.bytes("out.txt"), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(tmp.path("")).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

TEST(TProFileStream, FailuresNameTheFileAndKeepTheOldOne)
{
    TempFolder tmp;
    try {
        TProFileStream s(tmp.path("missing/out.txt"));
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), tmp.path("missing/out.txt") + ": No such file or directory");
    }

    tmp.write("out.txt", "old\r\n");
    try {
        zox::test::FileSizeLimit limit(1000);
        TProFileStream s(tmp.path("out.txt"));
        for (int i = 0; i < 10000; ++i) s.WriteLine("a line long enough to pass the buffer several times");
        s.Commit();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), tmp.path("out.txt") + ": File too large");
    }
    EXPECT_EQ(tmp.bytes("out.txt"), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(tmp.path("")).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

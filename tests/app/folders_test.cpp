// The folder table: a program folder that keeps everything beside the program, and an
// installed program that reads its data from share/zox and writes under the data home.
#include "app/uGlob.h"
#include "TestDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace zox;
using zox::test::TempFolder;

namespace {

void MakeFile(const QString& path, const QByteArray& data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(FolderTable, EveryFolderBesideTheProgram)
{
    struct Case { const char* program; const char* prog; const char* data; const char* help; const char* txt; } cases[] = {
        {"/home/op/Contest", "/home/op/Contest/", "/home/op/Contest/Data/", "/home/op/Contest/Help/", "/home/op/Contest/Txt/"},
        {"/home/op/Contest/", "/home/op/Contest/", "/home/op/Contest/Data/", "/home/op/Contest/Help/", "/home/op/Contest/Txt/"},
        {"/", "/", "/Data/", "/Help/", "/Txt/"},  // the root: no doubled separator
    };
    for (const auto& c : cases) {
        BuildFolderTable(QString::fromUtf8(c.program));
        EXPECT_EQ(Dir.Prog, c.prog) << c.program;
        EXPECT_EQ(Dir.Data, c.data) << c.program;
        EXPECT_EQ(Dir.Help, c.help) << c.program;
        EXPECT_EQ(Dir.Txt, c.txt) << c.program;
        EXPECT_EQ(Dir.Wav, Dir.Prog + "Wav/");
        EXPECT_EQ(Dir.Rules, Dir.Prog + "Rules/");
        EXPECT_EQ(Dir.Adif, Dir.Prog + "Adif/");
        EXPECT_EQ(Dir.Cabrillo, Dir.Prog + "Cabrillo/");
    }
}

TEST(FolderTable, ShippedDataAndOperatorFoldersApart)
{
    BuildFolderTable("/usr/share/zox", "/home/op/.local/share/zox");
    EXPECT_EQ(Dir.Prog, "/usr/share/zox/");
    EXPECT_EQ(Dir.Help, "/usr/share/zox/Help/");
    EXPECT_EQ(Dir.Wav, "/usr/share/zox/Wav/");
    EXPECT_EQ(Dir.Rules, "/usr/share/zox/Rules/");
    EXPECT_EQ(Dir.Data, "/home/op/.local/share/zox/Data/");
    EXPECT_EQ(Dir.Txt, "/home/op/.local/share/zox/Txt/");
    EXPECT_EQ(Dir.Adif, "/home/op/.local/share/zox/Adif/");
    EXPECT_EQ(Dir.Cabrillo, "/home/op/.local/share/zox/Cabrillo/");
}

TEST(FolderTable, ChoosesWhereTheFilesAre)
{
    // What lies in the temporary root: "bin" holds the program, "share/zox" the installed data.
    struct Case {
        const char* name;
        bool dataBesideProgram;
        bool installedData;
        const char* shipped;  // relative to the root; "home" is the data home's zox folder
        const char* own;
        bool installed;
    } cases[] = {
        {"build folder", true, false, "bin/", "bin/", false},
        {"build folder wins over an install", true, true, "bin/", "bin/", false},
        {"installed", false, true, "share/zox/", "home", true},
        {"nothing found: beside the program", false, false, "bin/", "bin/", false},
    };
    for (const auto& c : cases) {
        TempFolder tmp;
        const QString root = tmp.dir.path() + "/";
        QDir().mkpath(root + "bin");
        if (c.dataBesideProgram) QDir().mkpath(root + "bin/Help");
        if (c.installedData) QDir().mkpath(root + "share/zox/Help");
        const FolderRoots roots = ChooseFolderRoots(root + "bin", "../share/zox", root + "data-home");
        const QString home = root + "data-home/zox/";
        auto expect = [&](const char* rel) { return QString(rel) == "home" ? home : root + rel; };
        EXPECT_EQ(roots.shipped, expect(c.shipped)) << c.name;
        EXPECT_EQ(roots.own, expect(c.own)) << c.name;
        EXPECT_EQ(roots.installed, c.installed) << c.name;
    }
}

TEST(FolderTable, DataHomeFollowsXdgDataHome)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/tmp/some/data/");
    EXPECT_EQ(DataHome(), "/tmp/some/data");
    qputenv("XDG_DATA_HOME", "relative/path");  // not absolute: ignored, as the standard says
    EXPECT_EQ(DataHome(), QDir::homePath() + "/.local/share");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(DataHome(), QDir::homePath() + "/.local/share");
    if (!saved.isNull()) qputenv("XDG_DATA_HOME", saved);
}

TEST(FolderTable, FirstStartMakesTheOperatorFoldersAndCopiesTheListOnce)
{
    TempFolder tmp;
    const QString shipped = tmp.dir.path() + "/share/zox/";
    const QString own = tmp.dir.path() + "/home/zox/";
    MakeFile(shipped + "Data/S5_Letnice.dat", "shipped list");
    const FolderRoots roots{shipped, own, true};

    EXPECT_TRUE(PrepareOperatorFolders(roots).isEmpty());
    for (const char* sub : {"Data", "Txt", "Adif", "Cabrillo"}) EXPECT_TRUE(QFileInfo(own + sub).isDir()) << sub;
    EXPECT_EQ(Bytes(own + "Data/S5_Letnice.dat"), "shipped list");
    EXPECT_TRUE(QFileInfo(own + "Data/S5_Letnice.dat").isWritable());  // the operator edits his copy
    EXPECT_FALSE(QFileInfo::exists(own + "Data/S5_Letnice.dat.part"));

    // The operator's list is his: a later start never puts the shipped one back over it.
    MakeFile(own + "Data/S5_Letnice.dat", "edited list");
    EXPECT_TRUE(PrepareOperatorFolders(roots).isEmpty());
    EXPECT_EQ(Bytes(own + "Data/S5_Letnice.dat"), "edited list");
    EXPECT_EQ(Bytes(shipped + "Data/S5_Letnice.dat"), "shipped list");
}

TEST(FolderTable, FolderBesideTheProgramIsLeftAlone)
{
    TempFolder tmp;
    const QString prog = tmp.dir.path() + "/prog/";
    MakeFile(prog + "Help/index.html");
    EXPECT_TRUE(PrepareOperatorFolders({prog, prog, false}).isEmpty());
    EXPECT_EQ(QDir(prog).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Help"});
}

TEST(FolderTable, AFolderThatCannotBeMadeIsReported)
{
    TempFolder tmp;
    const QString shipped = tmp.dir.path() + "/share/zox/";
    MakeFile(shipped + "Data/S5_Letnice.dat", "shipped list");
    MakeFile(tmp.dir.path() + "/home/zox", "a file where the folder should be");
    const QStringList problems = PrepareOperatorFolders({shipped, tmp.dir.path() + "/home/zox/", true});
    ASSERT_FALSE(problems.isEmpty());
    EXPECT_TRUE(problems.first().contains(tmp.dir.path() + "/home/zox/Data")) << problems.first().toStdString();
    EXPECT_EQ(Bytes(tmp.dir.path() + "/home/zox"), "a file where the folder should be");
}

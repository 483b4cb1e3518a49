// The settings file module: code page 1250, foreign lines kept, safe saving.
#include "app/IniFile.h"
#include "TestDir.h"
#include "app/FileFaults.h"

#include <QDir>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace zox;
using zox::test::TempFolder;

namespace {

const QString S = QStringLiteral("TMainFrm");

QByteArray bytes(const char* s) { return QByteArray(s); }

}  // namespace

TEST(IniFile, SloveneLettersAreStoredAsCodePage1250AndReadBack)
{
    TempFolder tmp;
    const QString path = tmp.path("Zox.ini");
    {
        IniFile ini(path);
        ini.WriteString(S, "User FName", QString::fromUtf8("Čedo Šuštar"));
        ini.WriteString(S, "User City", QString::fromUtf8("čćžšđ Žalec"));
        ini.UpdateFile();
    }
    EXPECT_EQ(tmp.bytes("Zox.ini"), bytes("[TMainFrm]\r\n"
                                          "User FName=\xC8" "edo \x8Au\x9Atar\r\n"
                                          "User City=\xE8\xE6\x9E\x9A\xF0 \x8E" "alec\r\n"));
    IniFile again(path);
    EXPECT_EQ(again.ReadString(S, "User FName", ""), QString::fromUtf8("Čedo Šuštar"));
    EXPECT_EQ(again.ReadString(S, "User City", ""), QString::fromUtf8("čćžšđ Žalec"));
}

TEST(IniFile, KeepsEverythingItDoesNotOwnByteForByte)
{
    TempFolder tmp;
    const QByteArray before = "; settings\r\n"
                              "[Other]\r\n"
                              "User Call=FOREIGN\r\n"
                              "Weird line without equals\r\n"
                              "\r\n"
                              "[tmainfrm]\r\n"
                              "ActiveControl=edCall\n"
                              "user call = S59ABC \r\n"
                              "; User Multi=comment\r\n"
                              "NormPos=1,2,3,4\r\n"
                              "\xFF\x81 odd bytes\r\n"
                              "\r\n"
                              "[Keyer]\r\n"
                              "x=1";
    tmp.write("Zox.ini", before);
    IniFile ini(tmp.path("Zox.ini"));
    EXPECT_EQ(ini.ReadString(S, "User Call", ""), "S59ABC");
    EXPECT_EQ(ini.ReadString(S, "User Multi", "none"), "none");  // a comment is no key
    EXPECT_EQ(ini.ReadString("Other", "User Call", ""), "FOREIGN");

    ini.WriteString(S, "User Call", "S59ABC");  // the same value changes nothing
    EXPECT_FALSE(ini.Modified());
    ini.UpdateFile();
    EXPECT_EQ(tmp.bytes("Zox.ini"), before);

    ini.WriteString(S, "User Call", "S51XYZ");
    ini.WriteString(S, "User Multi", "69");
    ini.WriteString("New", "k", "v");
    ini.UpdateFile();
    EXPECT_EQ(tmp.bytes("Zox.ini"), QByteArray("; settings\r\n"
                                               "[Other]\r\n"
                                               "User Call=FOREIGN\r\n"
                                               "Weird line without equals\r\n"
                                               "\r\n"
                                               "[tmainfrm]\r\n"
                                               "ActiveControl=edCall\n"
                                               "user call = S51XYZ\r\n"
                                               "; User Multi=comment\r\n"
                                               "NormPos=1,2,3,4\r\n"
                                               "User Multi=69\r\n"
                                               "\xFF\x81 odd bytes\r\n"
                                               "\r\n"
                                               "[Keyer]\r\n"
                                               "x=1\r\n"
                                               "[New]\r\n"
                                               "k=v\r\n"));
}

TEST(IniFile, LooksUpSectionsAndKeysRegardlessOfCaseFirstOccurrenceWins)
{
    TempFolder tmp;
    tmp.write("Zox.ini", "[TMAINFRM]\r\nUSER CALL=A\r\nuser call=B\r\n[TMainFrm]\r\nUser Call=C\r\nTime=1\r\n");
    IniFile ini(tmp.path("Zox.ini"));
    EXPECT_EQ(ini.ReadString("tmainfrm", "User Call", ""), "A");
    EXPECT_EQ(ini.ReadString(S, "Time", "0"), "0");  // only the first section is looked at
    EXPECT_TRUE(ini.ValueExists(S, "user CALL"));
    ini.WriteString(S, "User Call", "D");
    EXPECT_EQ(ini.Bytes(), QByteArray("[TMAINFRM]\r\nUSER CALL=D\r\nuser call=B\r\n[TMainFrm]\r\nUser Call=C\r\nTime=1\r\n"));
}

TEST(IniFile, MissingFileGivesDefaultsAndIsNotCreatedWithoutChanges)
{
    TempFolder tmp;
    const QString path = tmp.path("Zox.ini");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString(S, "User Call", "X9XX"), "X9XX");
    EXPECT_EQ(ini.ReadInteger(S, "Keyer Speed", 115), 115);
    EXPECT_FALSE(ini.ValueExists(S, "User Call"));
    ini.UpdateFile();
    EXPECT_FALSE(QFile::exists(path));

    // A present key with an empty value is empty, not the default.
    tmp.write("Zox.ini", "[TMainFrm]\r\nUser Call=\r\n");
    EXPECT_EQ(IniFile(path).ReadString(S, "User Call", "X9XX"), "");
}

TEST(IniFile, AFileThatCannotBeReadIsAnError)
{
    TempFolder tmp;
    QDir(tmp.path("")).mkdir("Zox.ini");
    try {
        IniFile ini(tmp.path("Zox.ini"));
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_EQ(e.text(), "Unable to read " + tmp.path("Zox.ini"));
    }
}

TEST(IniFile, IntegerKeysWhoseValueIsNotANumberGiveTheDefault)
{
    struct Case { const char* stored; int expected; } cases[] = {
        {"115", 115}, {" 42 ", 42}, {"-3", -3}, {"+7", 7}, {"0", 0},
        {"abc", 115}, {"", 115}, {"12abc", 115}, {"1 2", 115}, {"-", 115},
        {"99999999999", 115}, {"0x10", 115}, {"$73", 115}, {"1.5", 115},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"2147483648", 115},
    };
    TempFolder tmp;
    for (const auto& c : cases) {
        tmp.write("Zox.ini", QByteArray("[TMainFrm]\r\nKeyer Speed=") + c.stored + "\r\n");
        EXPECT_EQ(IniFile(tmp.path("Zox.ini")).ReadInteger(S, "Keyer Speed", 115), c.expected) << c.stored;
    }
    IniFile ini(tmp.path("Zox.ini"));
    ini.WriteInteger(S, "Keyer Speed", -20);
    EXPECT_EQ(ini.ReadInteger(S, "Keyer Speed", 115), -20);
    EXPECT_EQ(ini.ReadString(S, "Keyer Speed", ""), "-20");
}

TEST(IniFile, EveryTextComesBackAsWritten)
{
    // Reading drops blanks around a value and one pair of quotes around it,
    // as Windows does; the writer quotes what would otherwise change.
    const QString values[] = {"", " lead", "trail ", "  ", "\"quoted\"", "'single'", "\"", "a=b", "x ; y",
                              "[Section]", "\"half", QString::fromUtf8("Moč 100 W")};
    TempFolder tmp;
    const QString path = tmp.path("Zox.ini");
    {
        IniFile ini(path);
        for (int i = 0; i < int(std::size(values)); ++i) ini.WriteString(S, QString("K%1").arg(i), values[i]);
        ini.UpdateFile();
    }
    IniFile ini(path);
    for (int i = 0; i < int(std::size(values)); ++i)
        EXPECT_EQ(ini.ReadString(S, QString("K%1").arg(i), "?"), values[i]) << i;

    // Hand-written files: blanks and quotes around values are not part of them.
    tmp.write("Zox.ini", "[TMainFrm]\r\n  User Call  =  \"S5 ABC\"  \r\nRig Type='x\r\n");
    IniFile hand(path);
    EXPECT_EQ(hand.ReadString(S, "User Call", ""), "S5 ABC");
    EXPECT_EQ(hand.ReadString(S, "Rig Type", ""), "'x");

    // A line break cannot be stored inside a line: it becomes a blank.
    IniFile breaks(path);
    breaks.WriteString(S, "Rig Type", "a\r\nb");
    EXPECT_EQ(breaks.ReadString(S, "Rig Type", ""), "a  b");
    EXPECT_FALSE(breaks.Bytes().contains("a\r\nb"));
}

namespace {

const QByteArray kOld = "[TMainFrm]\r\nUser Call=S59ABC\r\n";

void expectFailedSave(const TempFolder& tmp, IniFile& ini)
{
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_EQ(e.text(), "Unable to write to " + tmp.path("Zox.ini"));
    }
    EXPECT_EQ(tmp.bytes("Zox.ini"), kOld);
    EXPECT_EQ(QDir(tmp.path("")).entryList(QDir::Files | QDir::Hidden), QStringList{"Zox.ini"});
}

}  // namespace

TEST(IniFile, SavingIntoAReadOnlyFolderFailsAndKeepsTheOldFile)
{
    TempFolder tmp;
    tmp.write("Zox.ini", kOld);
    IniFile ini(tmp.path("Zox.ini"));
    ini.WriteString(S, "User Call", "S51XYZ");
    zox::test::ReadOnlyFolder ro(tmp.path(""));
    if (!ro.effective()) GTEST_SKIP() << "cannot make a read-only folder here";
    expectFailedSave(tmp, ini);
}

TEST(IniFile, ADiskFullPartWayKeepsTheOldFile)
{
    TempFolder tmp;
    tmp.write("Zox.ini", kOld);
    IniFile ini(tmp.path("Zox.ini"));
    ini.WriteString(S, "User Addr", QString(5000, u'x'));
    {
        zox::test::FileSizeLimit limit(1000);
        expectFailedSave(tmp, ini);
    }
    ini.UpdateFile();  // still modified: the next try writes it all
    EXPECT_EQ(IniFile(tmp.path("Zox.ini")).ReadString(S, "User Addr", ""), QString(5000, u'x'));
}

TEST(IniFile, SavingWhereNoFolderCanBeMadeFails)
{
    TempFolder tmp;
    tmp.write("notafolder", "x");
    IniFile ini(tmp.path("notafolder/Zox.ini"));
    ini.WriteString(S, "User Call", "S51XYZ");
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const IniFileError& e) {
        EXPECT_EQ(e.text(), "Unable to write to " + tmp.path("notafolder/Zox.ini"));
    }
    EXPECT_EQ(tmp.bytes("notafolder"), QByteArray("x"));
}

TEST(IniFile, ArbitraryBytesAreReadAndKept)
{
    for (quint32 seed = 1; seed <= 200; ++seed) {
        QRandomGenerator rnd(seed);
        // Plain noise, and noise laced with the bits of real lines.
        const bool laced = seed % 2 == 0;
        const QByteArray pieces[] = {"[", "]", "=", ";", "\r", "\n", "\r\n", " ", "\t", "[TMainFrm]", "User Call",
                                     "\"", "'", QByteArray(1, '\0'), "\xC8", "\x81"};
        QByteArray noise;
        const int n = int(rnd.bounded(400));
        for (int i = 0; i < n; ++i) {
            if (laced && rnd.bounded(3) == 0) noise += pieces[rnd.bounded(int(std::size(pieces)))];
            else noise += char(rnd.bounded(256));
        }
        if (!laced) noise.replace("[TMainFrm]", "[T]");  // keep the owned section new

        TempFolder tmp;
        tmp.write("Zox.ini", noise);
        IniFile ini(tmp.path("Zox.ini"));
        (void)ini.ReadString(S, "User Call", "X9XX");
        (void)ini.ReadInteger(S, "Keyer Speed", 115);
        EXPECT_EQ(ini.Bytes(), noise) << seed;  // reading changes nothing
        ini.WriteString(S, "User Call", QString::fromUtf8("S5Č ABC"));
        ini.UpdateFile();

        const QByteArray after = tmp.bytes("Zox.ini");
        IniFile again(tmp.path("Zox.ini"));
        EXPECT_EQ(again.ReadString(S, "User Call", ""), QString::fromUtf8("S5Č ABC")) << seed;
        if (!laced) {
            EXPECT_TRUE(after.startsWith(noise)) << seed;
        }
        again.WriteString(S, "User Call", QString::fromUtf8("S5Č ABC"));
        EXPECT_FALSE(again.Modified()) << seed;
    }
}

TEST(IniFile, SettingsFileLivesInTheConfigurationFolder)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool had = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    struct Case { const char* xdg; QString expected; } cases[] = {
        {"/srv/cfg", "/srv/cfg/Zox.ini"},
        {nullptr, QDir::homePath() + "/.config/Zox.ini"},
        {"", QDir::homePath() + "/.config/Zox.ini"},
        {"relative/cfg", QDir::homePath() + "/.config/Zox.ini"},
    };
    for (const auto& c : cases) {
        if (c.xdg) qputenv("XDG_CONFIG_HOME", c.xdg);
        else qunsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(SettingsFilePath(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
    if (had) qputenv("XDG_CONFIG_HOME", saved);
    else qunsetenv("XDG_CONFIG_HOME");
}

// The operator record and the time mode in the settings file.
#include "app/UserSettings.h"
#include "TestDir.h"

#include <gtest/gtest.h>

using namespace zox;
using zox::test::TempFolder;

TEST(UserSettings, FirstRunGivesUtcAndTheDefaultCallOnly)
{
    TempFolder tmp;
    IniFile ini(tmp.path("Zox.ini"));
    TUserInfo u;
    u.User.FName = "old";
    u.UserCountry.Country1 = "kept";
    ReadUserInfo(ini, u);
    EXPECT_EQ(u.User.Call, "X9XX");
    for (const QString* f : {&u.User.FName, &u.User.LName, &u.User.Addr, &u.User.City, &u.User.Country,
                             &u.User.Multi, &u.Rig.Type, &u.Rig.Power, &u.Rig.Antenna})
        EXPECT_EQ(*f, "");
    EXPECT_EQ(u.UserCountry.Country1, "kept");  // not stored anywhere
    EXPECT_TRUE(ReadUtcMode(ini));
}

TEST(UserSettings, TimeKeyZeroMeansUtc)
{
    struct Case { const char* file; bool utc; } cases[] = {
        {"[TMainFrm]\r\nTime=0\r\n", true},
        {"[TMainFrm]\r\nTime=1\r\n", false},
        {"[TMainFrm]\r\nTime=x\r\n", false},
        {"[TMainFrm]\r\nTime=\r\n", false},
        {"[TMainFrm]\r\nOther=1\r\n", true},
    };
    TempFolder tmp;
    for (const auto& c : cases) {
        tmp.write("Zox.ini", c.file);
        EXPECT_EQ(ReadUtcMode(IniFile(tmp.path("Zox.ini"))), c.utc) << c.file;
    }
    for (bool utc : {true, false}) {
        IniFile ini(tmp.path("none.ini"));
        WriteUtcMode(ini, utc);
        EXPECT_EQ(ini.Bytes(), QByteArray(utc ? "[TMainFrm]\r\nTime=0\r\n" : "[TMainFrm]\r\nTime=1\r\n"));
        EXPECT_EQ(ReadUtcMode(ini), utc);
    }
}

TEST(UserSettings, OperatorKeysAreWrittenInOrderAndReadBackAsTyped)
{
    TempFolder tmp;
    TUserInfo u;
    u.User = {"Janez", "Novak", "Cesta 1", "Ljubljana", "Slovenija", "69", "s59abc"};
    u.Rig = {"FT-1000", QString::fromUtf8("100 W moč"), "Dipol"};
    {
        IniFile ini(tmp.path("Zox.ini"));
        WriteUtcMode(ini, true);
        WriteUserInfo(ini, u);
        ini.UpdateFile();
    }
    EXPECT_EQ(tmp.bytes("Zox.ini"), QByteArray("[TMainFrm]\r\n"
                                               "Time=0\r\n"
                                               "Rig Type=FT-1000\r\n"
                                               "Rig Power=100 W mo\xE8\r\n"
                                               "Antenna=Dipol\r\n"
                                               "User FName=Janez\r\n"
                                               "User LName=Novak\r\n"
                                               "User Addr=Cesta 1\r\n"
                                               "User City=Ljubljana\r\n"
                                               "User Country=Slovenija\r\n"
                                               "User Call=s59abc\r\n"
                                               "User Multi=69\r\n"));
    TUserInfo back;
    ReadUserInfo(IniFile(tmp.path("Zox.ini")), back);
    EXPECT_EQ(back.User.Call, "s59abc");
    EXPECT_EQ(back.User.Multi, "69");
    EXPECT_EQ(back.Rig.Power, QString::fromUtf8("100 W moč"));
    EXPECT_EQ(back.User.Addr, "Cesta 1");

    // An emptied call is stored empty and stays empty, it does not fall back to X9XX.
    u.User.Call.clear();
    IniFile ini(tmp.path("Zox.ini"));
    WriteUserInfo(ini, u);
    ini.UpdateFile();
    ReadUserInfo(IniFile(tmp.path("Zox.ini")), back);
    EXPECT_EQ(back.User.Call, "");
}

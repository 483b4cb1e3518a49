// The summary sheet: its own score pass and its fixed layout.
#include "reports/SummarySheet.h"
#include "ReportLogs.h"

#include <gtest/gtest.h>

using namespace zox;
using namespace zox::test;

TEST(SummarySheet, MatchesTheHandMadeFiles)
{
    const TUserInfo contest = contestOperator();
    TUserInfo bare;  // a call of 13 characters meets the multiplier; no station data
    bare.User.Call = "S5/S59ABC/QRP";
    bare.User.Multi = "69";

    struct Case { const char* golden; std::vector<Qso> qsos; TUserInfo user; } cases[] = {
        {"summary_161.sum", contestQsos(), contest},
        {"summary_empty.sum", {}, bare},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        TestLog log(c.qsos);
        log.write("out.sum", QByteArray(5000, 'x'));  // replaced whole
        SummaryZox(log.data, c.user, log.path("out.sum"));
        EXPECT_EQ(crlfLines(log.bytes("out.sum")), crlfLines(golden(c.golden)));
        EXPECT_EQ(log.bytes("out.sum"), golden(c.golden));
    }
}

TEST(SummarySheet, ScoreCountsModesPointsAndMultipliersByTheRules)
{
    struct Case { const char* what; std::vector<Qso> qsos; SummaryScore expected; } cases[] = {
        {"contest", contestQsos(), {18, 4, 5, 3}},
        {"points count 2 and 1 whatever is stored", {scoreQso("CW", {}, 7), scoreQso("SSB", {}, 5)}, {2, 0, 1, 0}},
        {"no points and negative points", {scoreQso("CW", 1, std::nullopt), scoreQso("SSB", 2, -1)}, {0, 1, 0, 1}},
        {"other modes and other letter case", {scoreQso("RTTY", 5, 2), scoreQso("cw", 5, 2), scoreQso("", 5, 2)}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        TestLog log(c.qsos);
        const SummaryScore s = CountSummary(log.data);
        EXPECT_EQ((std::array{s.CwPoints, s.CwMulti, s.SsbPoints, s.SsbMulti}),
                  (std::array{c.expected.CwPoints, c.expected.CwMulti, c.expected.SsbPoints, c.expected.SsbMulti}))
            << c.what;
    }
    EXPECT_EQ((SummaryScore{18, 4, 5, 3}.Result()), 161);
}

TEST(SummarySheet, FileIsNamedAfterTheCall)
{
    const QString saved = Dir.Txt;
    Dir.Txt = "/opt/zox/Txt/";
    EXPECT_EQ(SummaryPath("S59ABC"), "/opt/zox/Txt/S59ABC.sum");
    EXPECT_EQ(SummaryPath(""), "/opt/zox/Txt/.sum");
    Dir.Txt = saved;
}

// The Cabrillo export: the hand-made files, a reader of our own that takes the
// file apart as a log checker does, the claimed score and the header categories.
#include "reports/CabrilloExport.h"
#include "reports/ProFileStream.h"
#include "ReportLogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace zox;
using namespace zox::test;

namespace {

// The golden files carry version 1.0; the file carries the project's version.
QByteArray goldenCabrillo(const char* name)
{
    QByteArray g = golden(name);
    g.replace("CREATED-BY: Zox 1.0\r\n", "CREATED-BY: Zox " ZOX_VERSION "\r\n");
    return g;
}

// A Cabrillo reader written from the format's rules, sharing nothing with the
// writer: tag lines "TAG: value", QSO: lines split at blanks into their ten
// fields by position, and every rule of the file's form checked on the way.
struct CabrilloFile {
    struct Contact {
        QByteArray freq, mode, date, time, myCall, rstS, exchS, call, rstR, exchR;
    };
    std::vector<std::pair<QByteArray, QByteArray>> tags;  // in file order, QSO: lines apart
    std::vector<Contact> qsos;
    QStringList errors;

    int count(const QByteArray& tag) const
    {
        int n = 0;
        for (const auto& t : tags) n += t.first == tag;
        return n;
    }
    QByteArray value(const QByteArray& tag) const
    {
        for (const auto& t : tags)
            if (t.first == tag) return t.second;
        return "(no " + tag + ")";
    }
};

// Start column (0-based) and width of each QSO field in the format's template;
// the reports are right-aligned, the rest left-aligned.
struct Column {
    int start, width;
    bool right;
};
const Column kColumns[10] = {{5, 5, true},   {11, 2, false}, {14, 10, false}, {25, 4, false}, {30, 13, false},
                             {44, 3, true},  {48, 6, false}, {55, 13, false}, {69, 3, true},  {73, 6, false}};

CabrilloFile readCabrillo(const QByteArray& bytes)
{
    CabrilloFile f;
    for (char c : bytes)
        if (uchar(c) >= 0x80 || (uchar(c) < 0x20 && c != '\r' && c != '\n')) {
            f.errors << QString("byte 0x%1 is not printable ASCII").arg(uchar(c), 2, 16, QChar('0'));
            break;
        }
    if (!bytes.endsWith("\r\n")) f.errors << "the last line has no CR LF";
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (!line.endsWith('\r')) f.errors << QString("line %1 ends without CR").arg(i + 1);
        line.chop(1);
        if (line.contains('\r')) f.errors << QString("line %1 holds a CR").arg(i + 1);
        if (line.endsWith(' ')) f.errors << QString("line %1 ends in a blank").arg(i + 1);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            f.errors << QString("line %1 has no tag").arg(i + 1);
            continue;
        }
        const QByteArray tag = line.left(colon);
        const QByteArray rest = line.mid(colon + 1);
        if (!rest.isEmpty() && !rest.startsWith(' ')) f.errors << QString("line %1: no blank after the tag").arg(i + 1);
        if (tag != "QSO") {
            f.tags.emplace_back(tag, rest.trimmed());
            continue;
        }
        const QList<QByteArray> v = rest.simplified().split(' ');
        if (v.size() != 10) {
            f.errors << QString("line %1 has %2 QSO fields").arg(i + 1).arg(v.size());
            continue;
        }
        f.qsos.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
        // Where every value fits its column, each stands where the template has it.
        bool fits = true;
        for (int k = 0; k < 10; ++k) fits = fits && v[k].size() <= kColumns[k].width;
        if (!fits) continue;
        for (int k = 0; k < 10; ++k) {
            const Column& c = kColumns[k];
            const QByteArray cell = line.mid(c.start, c.width);
            const QByteArray want = c.right ? v[k].rightJustified(c.width) : v[k];
            if ((c.right ? cell : cell.trimmed()) != want || (c.start > 0 && line[c.start - 1] != ' '))
                f.errors << QString("line %1: field %2 not in its column").arg(i + 1).arg(k + 1);
        }
    }
    if (f.tags.empty() || f.tags.front().first != "START-OF-LOG") f.errors << "START-OF-LOG: is not first";
    if (f.tags.empty() || f.tags.back().first != "END-OF-LOG") f.errors << "END-OF-LOG: is not last";
    for (const auto& t : f.tags)
        if (t.first != "ADDRESS" && f.count(t.first) != 1) f.errors << "tag " + QString(t.first) + " is repeated";
    return f;
}

QByteArray dash(const QString& v) { return v.isEmpty() ? QByteArray("-") : v.toLatin1(); }

// Contacts of every call length from 3 to 18 in both modes, some without a
// received report or year number.
std::vector<Qso> variedQsos(int n)
{
    std::vector<Qso> q;
    for (int i = 0; i < n; ++i) {
        const bool ssb = i % 3 == 0;
        QString call = QString("S5%1").arg(i);
        while (call.size() < 3 + i % 16) call += QChar(char16_t(u'A' + (i + call.size()) % 26));
        const int minute = 19 * 60 + i;
        q.push_back({QDate(2026, 12, 9).addDays(minute / 1440).toString(Qt::ISODate),
                     QTime(minute / 60 % 24, minute % 60, i % 60).toString("HH:mm:ss"), call, ssb ? "SSB" : "CW",
                     ssb ? "59" : "599", i % 17 == 0 ? "" : (ssb ? "57" : "579"),
                     i % 13 == 0 ? "" : QString("%1").arg(i * 7 % 100, 2, 10, QChar('0')), std::nullopt, std::nullopt});
    }
    return q;
}

}  // namespace

TEST(Cabrillo, MatchesTheHandMadeFile)
{
    TestLog log(cabrilloQsos());
    log.write("S59ABC.log", QByteArray(5000, 'x'));
    const CabrilloResult r = WriteCabrillo(log.data, cabrilloOperator(), log.path("S59ABC.log"));
    EXPECT_EQ(crlfLines(log.bytes("S59ABC.log")), crlfLines(goldenCabrillo("cabrillo_mixed.log")));
    EXPECT_EQ(log.bytes("S59ABC.log"), goldenCabrillo("cabrillo_mixed.log"));
    EXPECT_EQ(r.qsos, 7);
    EXPECT_EQ(r.claimedScore, 45);
    // The two empty values stand as "-" and are reported.
    EXPECT_EQ(r.notes, (QList<CabrilloNote>{{6, "RstR", ""}, {7, "MultiR", ""}}));
}

TEST(Cabrillo, EmptyLogGivesTheHeaderAndTheEnd)
{
    TestLog log;
    TUserInfo op;
    op.User.Call = "S59ABC";
    op.User.Multi = "69";
    const CabrilloResult r = WriteCabrillo(log.data, op, log.path("empty.log"));
    EXPECT_EQ(crlfLines(log.bytes("empty.log")), crlfLines(goldenCabrillo("cabrillo_empty.log")));
    EXPECT_EQ(log.bytes("empty.log"), goldenCabrillo("cabrillo_empty.log"));
    EXPECT_EQ(r.qsos, 0);
    EXPECT_TRUE(r.notes.isEmpty());
}

TEST(Cabrillo, AReaderGetsBackEveryContact)
{
    const std::vector<Qso> qsos = variedQsos(600);
    TestLog log(qsos);
    const TUserInfo op = cabrilloOperator();
    WriteCabrillo(log.data, op, log.path("out.log"));
    const CabrilloFile f = readCabrillo(log.bytes("out.log"));
    EXPECT_EQ(f.errors, QStringList());
    EXPECT_EQ(f.value("START-OF-LOG"), "3.0");
    EXPECT_EQ(f.value("CONTEST"), "TRELO-NLT");
    EXPECT_EQ(f.value("CALLSIGN"), "S59ABC");
    EXPECT_EQ(f.value("CATEGORY-MODE"), "MIXED");
    EXPECT_EQ(f.value("CREATED-BY"), "Zox " ZOX_VERSION);
    ASSERT_EQ(f.qsos.size(), qsos.size());
    for (size_t i = 0; i < qsos.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const Qso& q = qsos[i];
        const CabrilloFile::Contact& c = f.qsos[i];
        EXPECT_EQ(c.freq, "3500");
        EXPECT_EQ(c.mode, q.mode == "CW" ? "CW" : "PH");
        EXPECT_EQ(c.date, q.date.toLatin1());
        EXPECT_EQ(c.time, q.utc.left(5).remove(':').toLatin1());
        EXPECT_EQ(c.myCall, "S59ABC");
        EXPECT_EQ(c.rstS, q.rsts.toLatin1());
        EXPECT_EQ(c.exchS, "69");
        EXPECT_EQ(c.call, q.call.toLatin1());
        EXPECT_EQ(c.rstR, dash(q.rstr));
        EXPECT_EQ(c.exchR, dash(q.multiR));
    }
    // Calls longer than their column were among them, and came back whole.
    EXPECT_TRUE(std::any_of(qsos.begin(), qsos.end(), [](const Qso& q) { return q.call.size() == 18; }));
}

TEST(Cabrillo, EmptyValuesKeepEveryFieldInPlace)
{
    TestLog log({{"", "", "", "CW", "", "", "", std::nullopt, std::nullopt}});
    const CabrilloResult r = WriteCabrillo(log.data, TUserInfo{}, log.path("out.log"));
    const CabrilloFile f = readCabrillo(log.bytes("out.log"));
    EXPECT_EQ(f.errors, QStringList());
    EXPECT_EQ(f.value("CALLSIGN"), "");
    ASSERT_EQ(f.qsos.size(), 1u);
    const CabrilloFile::Contact& c = f.qsos[0];
    EXPECT_EQ((QList<QByteArray>{c.mode, c.date, c.time, c.myCall, c.rstS, c.exchS, c.call, c.rstR, c.exchR}),
              (QList<QByteArray>{"CW", "-", "-", "-", "-", "-", "-", "-", "-"}));
    EXPECT_EQ(r.notes, (QList<CabrilloNote>{{0, "CALLSIGN", ""}, {0, "Multi", ""}, {1, "Date", ""}, {1, "Utc", ""},
                                            {1, "RstS", ""}, {1, "Call", ""}, {1, "RstR", ""}, {1, "MultiR", ""}}));
}

TEST(Cabrillo, CharactersOutsideAsciiAreLeftOutAndReported)
{
    TestLog log({{"2026-12-09", "19:30:00", QString::fromUtf8("S59ČŽ"), "CW", "5 9 9", "599", "07", 7, 2},
                 {"2026-12-09", "19:31:00", QString::fromUtf8("ŠŠŠŠ"), "SSB", "59", "59", "08", 8, 1}});
    TUserInfo op;
    op.User.Call = "s59abc";
    op.User.Multi = "69";
    op.User.FName = QString::fromUtf8("Jože");
    op.User.LName = QString::fromUtf8("Čuk");
    // A line break in a value must not start a tag line of its own.
    op.User.Addr = "Trg 1\r\nCLAIMED-SCORE: 999999";
    op.User.City = QString::fromUtf8("Škofja Loka");
    op.User.Country = QString::fromUtf8("ČŠŽ");
    const CabrilloResult r = WriteCabrillo(log.data, op, log.path("out.log"));
    const CabrilloFile f = readCabrillo(log.bytes("out.log"));
    EXPECT_EQ(f.errors, QStringList());
    EXPECT_EQ(f.value("CALLSIGN"), "S59ABC");
    EXPECT_EQ(f.value("NAME"), "Joe uk");
    EXPECT_EQ(f.value("ADDRESS"), "Trg 1CLAIMED-SCORE: 999999");
    EXPECT_EQ(f.value("ADDRESS-CITY"), "kofja Loka");
    EXPECT_EQ(f.count("ADDRESS-COUNTRY"), 0) << "nothing of it was left";
    EXPECT_EQ(f.value("CLAIMED-SCORE"), "6");
    ASSERT_EQ(f.qsos.size(), 2u);
    EXPECT_EQ(f.qsos[0].call, "S59");
    EXPECT_EQ(f.qsos[0].rstS, "599");
    EXPECT_EQ(f.qsos[1].call, "-");
    EXPECT_EQ(r.notes, (QList<CabrilloNote>{{0, "NAME", QString::fromUtf8("žČ")},
                                            {0, "ADDRESS", "\r\n"},
                                            {0, "ADDRESS-CITY", QString::fromUtf8("Š")},
                                            {0, "ADDRESS-COUNTRY", QString::fromUtf8("ČŠŽ")},
                                            {1, "RstS", "  "},
                                            {1, "Call", QString::fromUtf8("ČŽ")},
                                            {2, "Call", QString::fromUtf8("ŠŠŠŠ")}}));
}

// The score comes from the rule over the stored calls, modes and year numbers,
// whatever marks another program stored.
TEST(Cabrillo, ClaimedScoreIsTheRulesResult)
{
    const auto withoutMarks = [](std::vector<Qso> q) {
        for (Qso& x : q) x.multiP = x.point = std::nullopt;
        return q;
    };
    const auto qso = [](const char* call, const char* mode, const char* year) {
        return Qso{"2026-12-09", "19:00:00", call, mode, "599", "599", year, 99, 9};
    };
    struct Case {
        const char* what;
        std::vector<Qso> qsos;
        qint32 score;
    } cases[] = {
        {"the hand-made log", cabrilloQsos(), 45},
        {"the hand-made log without stored marks", withoutMarks(cabrilloQsos()), 45},
        // Stored marks say 23 x 7; by the rule every S51A after the first is a duplicate and 69 the only year.
        {"stored marks that overstate", contestQsos(), 3 * 2},
        {"a call of three characters is never a duplicate", {qso("S5A", "CW", "10"), qso("S5A", "CW", "10")}, 4 * 1},
        {"the same call in the other mode counts", {qso("S51A", "CW", "10"), qso("S51A", "SSB", "10")}, 3 * 2},
        {"a year that is not two digits brings nothing", {qso("S51A", "CW", "7"), qso("S52A", "CW", "1x")}, 0},
        {"a mode of another contest earns nothing", {qso("S51A", "FM", "10"), qso("S52A", "CW", "11")}, 2 * 1},
        {"a duplicate can bring a multiplier", {qso("S51A", "CW", ""), qso("S51A", "CW", "12")}, 2 * 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestLog log(c.qsos);
        const CabrilloResult r = WriteCabrillo(log.data, cabrilloOperator(), log.path("out.log"));
        EXPECT_EQ(r.claimedScore, c.score);
        EXPECT_EQ(readCabrillo(log.bytes("out.log")).value("CLAIMED-SCORE"), QByteArray::number(c.score));
    }
}

TEST(Cabrillo, ModeCategoryFollowsTheModesInTheLog)
{
    const auto qso = [](const char* call, const char* mode) {
        return Qso{"2026-12-09", "19:00:00", call, mode, "599", "599", "10", std::nullopt, std::nullopt};
    };
    struct Case {
        std::vector<Qso> qsos;
        const char* category;
        QByteArray modes;  // of the QSO lines
    } cases[] = {
        {{qso("S51A", "CW"), qso("S52A", "CW")}, "CW", "CW CW"},
        {{qso("S51A", "SSB")}, "SSB", "PH"},
        {{qso("S51A", "CW"), qso("S52A", "SSB")}, "MIXED", "CW PH"},
        {{qso("S51A", "CW"), qso("S52A", "FM")}, "MIXED", "CW FM"},
        {{}, "MIXED", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modes.constData());
        TestLog log(c.qsos);
        WriteCabrillo(log.data, cabrilloOperator(), log.path("out.log"));
        const CabrilloFile f = readCabrillo(log.bytes("out.log"));
        EXPECT_EQ(f.value("CATEGORY-MODE"), c.category);
        QList<QByteArray> modes;
        for (const auto& q : f.qsos) modes << q.mode;
        EXPECT_EQ(modes.join(' '), c.modes);
    }
}

TEST(Cabrillo, PowerCategory)
{
    struct Case { const char* power; const char* category; } cases[] = {
        {"100 W", "LOW"}, {"100", "LOW"}, {"5W", "LOW"}, {" 50 W", "LOW"}, {"100.0 W", "LOW"},
        {"0,5 W", "LOW"}, {"100,5 W", "HIGH"}, {"101 W", "HIGH"}, {"400W PEP", "HIGH"},
        {"1 kW", "HIGH"}, {"1,5 KW", "HIGH"}, {"0.1 kW", "LOW"}, {"500 mW", "LOW"},
        {"", ""}, {"QRP", ""}, {"približno 100 W", ""}, {".5 W", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CabrilloPowerCategory(QString::fromUtf8(c.power)), c.category) << c.power;

    // The tag is there only with a category.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.power);
        TestLog log;
        TUserInfo op = cabrilloOperator();
        op.Rig.Power = QString::fromUtf8(c.power);
        WriteCabrillo(log.data, op, log.path("out.log"));
        const CabrilloFile f = readCabrillo(log.bytes("out.log"));
        EXPECT_EQ(f.count("CATEGORY-POWER"), *c.category ? 1 : 0);
        if (*c.category) {
            EXPECT_EQ(f.value("CATEGORY-POWER"), c.category);
        }
    }
}

TEST(Cabrillo, NameAndAddressOnlyWhereSet)
{
    struct Case {
        const char *fname, *lname, *addr, *city, *country;
        std::map<QByteArray, QByteArray> tags;  // present, with their values
    } cases[] = {
        {"", "", "", "", "", {}},
        {"Janez", "", "", "", "", {{"NAME", "Janez"}}},
        {"", "Novak", "", "Ljubljana", "", {{"NAME", "Novak"}, {"ADDRESS-CITY", "Ljubljana"}}},
        {" Janez ", " Novak", "  Trg  1 ", "", " Slovenija", {{"NAME", "Janez Novak"}, {"ADDRESS", "Trg 1"}, {"ADDRESS-COUNTRY", "Slovenija"}}},
    };
    for (const Case& c : cases) {
        TestLog log;
        TUserInfo op;
        op.User = {c.fname, c.lname, c.addr, c.city, c.country, "69", "S59ABC"};
        WriteCabrillo(log.data, op, log.path("out.log"));
        const CabrilloFile f = readCabrillo(log.bytes("out.log"));
        for (const char* tag : {"NAME", "ADDRESS", "ADDRESS-CITY", "ADDRESS-COUNTRY"}) {
            SCOPED_TRACE(tag);
            const auto it = c.tags.find(tag);
            EXPECT_EQ(f.count(tag), it == c.tags.end() ? 0 : 1);
            if (it != c.tags.end()) {
                EXPECT_EQ(f.value(tag), it->second);
            }
        }
    }
}

TEST(Cabrillo, FileNames)
{
    struct Case { const char* chosen; const char* file; } cases[] = {
        {"/home/op/Cabrillo/S59ABC", "/home/op/Cabrillo/S59ABC.log"},
        {"/home/op/Cabrillo/S59ABC.log", "/home/op/Cabrillo/S59ABC.log"},
        {"/home/op/Cabrillo/S59ABC.cbr", "/home/op/Cabrillo/S59ABC.cbr"},
        {"/home/op/v1.2/S59ABC", "/home/op/v1.2/S59ABC.log"},
    };
    for (const auto& c : cases) EXPECT_EQ(CabrilloFileName(c.chosen), c.file) << c.chosen;
}

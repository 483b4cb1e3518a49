#include "reports/CabrilloExport.h"

#include "reports/ProFileStream.h"
#include "reports/QsoText.h"
#include "scoring/Score.h"

#include <QFileInfo>

#include <algorithm>

namespace zox {

using namespace reports_detail;

namespace {

// Column widths of the format's QSO template; a longer value is written whole
// and pushes the rest of the line right, always after one blank.
constexpr int kCallWidth = 13;
constexpr int kRstWidth = 3;
constexpr int kExchWidth = 6;

// A log checker splits a QSO: line at blanks, so an empty field would shift
// every field after it: it is written as "-".
const QString kMissing = QStringLiteral("-");

// Keeps the characters the file may hold: printable ASCII, with blanks only
// where `blanks` allows them. Returns those left out.
QString keepAscii(QString& value, bool blanks)
{
    const char16_t lowest = blanks ? 0x20 : 0x21;
    const auto fits = [lowest](QChar c) { return c.unicode() >= lowest && c.unicode() <= 0x7e; };
    if (std::all_of(value.cbegin(), value.cend(), fits)) return {};
    QString kept, leftOut;
    for (QChar c : value) (fits(c) ? kept : leftOut) += c;
    value = kept;
    return leftOut;
}

// One blank-free field of a QSO: line, empty when nothing of it can be
// written; `qso` 0 for the operator's own values.
QString cleanField(QString value, int qso, const QString& name, QList<CabrilloNote>& notes)
{
    const QString leftOut = keepAscii(value, false);
    if (!leftOut.isEmpty()) notes << CabrilloNote{qso, name, leftOut};
    else if (value.isEmpty()) notes << CabrilloNote{qso, name, QString()};
    return value;
}

QString field(const QString& value, int qso, const QString& name, QList<CabrilloNote>& notes)
{
    const QString v = cleanField(value, qso, name, notes);
    return v.isEmpty() ? kMissing : v;
}

// Appends n as `digits` decimal digits.
void appendDigits(QString& line, int n, int digits)
{
    int div = 1;
    for (int d = 1; d < digits; ++d) div *= 10;
    for (; div > 0; div /= 10) line += QChar(char16_t(u'0' + n / div % 10));
}

// The stored date as yyyy-mm-dd, or what the engine handed back instead.
QString dateText(const QVariant& v)
{
    if (!hasDate(v)) return text(v);
    const QDate d = v.toDate();
    QString s;
    s.reserve(10);
    if (d.year() >= 0 && d.year() <= 9999) appendDigits(s, d.year(), 4);
    else s += year(d.year());
    s += u'-';
    appendDigits(s, d.month(), 2);
    s += u'-';
    appendDigits(s, d.day(), 2);
    return s;
}

// The stored time as hhmm, seconds dropped.
QString timeText(const QVariant& v)
{
    if (!hasTime(v)) return text(v);
    const QTime t = v.toTime();
    QString s;
    s.reserve(4);
    appendDigits(s, t.hour(), 2);
    appendDigits(s, t.minute(), 2);
    return s;
}

// Appends a value and one blank, filled to its column; the values are ASCII
// by now, so one character is one byte.
void appendColumn(QString& line, const QString& value, int width, bool right = false)
{
    const qsizetype fill = width - value.size();
    if (right && fill > 0) line.resize(line.size() + fill, u' ');
    line += value;
    if (!right && fill > 0) line.resize(line.size() + fill, u' ');
    line += u' ';
}

QString modeText(const QString& mode)
{
    if (mode == QLatin1String("CW")) return mode;
    if (mode == QLatin1String("SSB")) return QStringLiteral("PH");
    return mode;  // not of this contest; written as stored
}

class Header {
public:
    explicit Header(QList<CabrilloNote>& notes) : m_notes(notes) {}

    // A tag with its value; an optional tag without a value is left out.
    void tag(const char* name, QString value, bool optional = false)
    {
        const QString tagName = QLatin1String(name);
        const QString leftOut = keepAscii(value, true);
        if (!leftOut.isEmpty()) m_notes << CabrilloNote{0, tagName, leftOut};
        value = value.simplified();
        if (value.isEmpty() && optional) return;
        lines << (value.isEmpty() ? tagName + u':' : tagName + QStringLiteral(": ") + value);
    }

    QStringList lines;

private:
    QList<CabrilloNote>& m_notes;
};

}  // namespace

QString CabrilloFileName(const QString& chosen)
{
    // Only the name counts: a dot in a folder name is no extension.
    return QFileInfo(chosen).fileName().contains(u'.') ? chosen : chosen + QStringLiteral(".log");
}

QString CabrilloPowerCategory(const QString& power)
{
    const QString p = power.trimmed();
    const auto digit = [&p](qsizetype i) { return i < p.size() && p[i] >= u'0' && p[i] <= u'9'; };
    qsizetype i = 0;
    while (digit(i)) ++i;
    if (i == 0) return {};
    QString number = p.left(i);
    // A decimal point or a decimal comma, as the operator may write it.
    if (i + 1 < p.size() && (p[i] == u'.' || p[i] == u',') && digit(i + 1)) {
        number += u'.';
        for (++i; digit(i); ++i) number += p[i];
    }
    double watts = number.toDouble();
    const QString unit = p.mid(i).trimmed();
    if (unit.startsWith(QLatin1String("kW"), Qt::CaseInsensitive)) watts *= 1000;
    else if (unit.startsWith(QLatin1String("mW"))) watts /= 1000;
    return watts <= 100 ? QStringLiteral("LOW") : QStringLiteral("HIGH");
}

QString CabrilloVisible(const QString& leftOut)
{
    QString shown = leftOut;
    return shown.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n")).replace(u'\t', QStringLiteral("\\t"));
}

QString CabrilloCreatedBy() { return QStringLiteral("Zox " ZOX_VERSION); }

CabrilloResult WriteCabrillo(TDataFrm& data, const TUserInfo& user, const QString& path)
{
    CabrilloResult result;
    // The own call and year number stand in every QSO line; their notes are the header's.
    const QString callsign = cleanField(user.User.Call.toUpper(), 0, QStringLiteral("CALLSIGN"), result.notes);
    const QString ownCall = callsign.isEmpty() ? kMissing : callsign;
    const QString ownYear = field(user.User.Multi, 0, QStringLiteral("Multi"), result.notes);
    Header header(result.notes);
    QList<CabrilloNote> notes;  // the contacts', after the header's

    TProFileStream out(path);

    // The header needs the modes and the score of the whole log, so the
    // contacts are kept until the pass is over.
    QStringList qsoLines;
    qsoLines.reserve(data.LogTbl.recordCount());
    RuleWalk walk;
    ScoreTotals totals;
    bool cw = false, ssb = false, other = false;
    data.FullPass(
        [&](Table& q) {
            const int n = ++result.qsos;
            const QString mode = text(q.field(QStringLiteral("Mode")));
            const QString call = text(q.field(QStringLiteral("Call")));
            const QString multiR = text(q.field(QStringLiteral("MultiR")));
            const QsoMarks marks = walk.Next(call, mode, multiR);
            totals.Count(mode, marks.point, marks.multiP);
            if (mode == QLatin1String("CW")) cw = true;
            else if (mode == QLatin1String("SSB")) ssb = true;
            else other = true;

            QString line;
            line.reserve(96);
            line += QStringLiteral("QSO:  3500 ");
            appendColumn(line, field(modeText(mode), n, QStringLiteral("Mode"), notes), 2);
            appendColumn(line, field(dateText(q.field(QStringLiteral("Date"))), n, QStringLiteral("Date"), notes), 10);
            appendColumn(line, field(timeText(q.field(QStringLiteral("Utc"))), n, QStringLiteral("Utc"), notes), 4);
            appendColumn(line, ownCall, kCallWidth);
            appendColumn(line, field(text(q.field(QStringLiteral("RstS"))), n, QStringLiteral("RstS"), notes), kRstWidth, true);
            appendColumn(line, ownYear, kExchWidth);
            appendColumn(line, field(call.toUpper(), n, QStringLiteral("Call"), notes), kCallWidth);
            appendColumn(line, field(text(q.field(QStringLiteral("RstR"))), n, QStringLiteral("RstR"), notes), kRstWidth, true);
            line += field(multiR, n, QStringLiteral("MultiR"), notes);
            qsoLines << line;
        },
        /*closeSearchCursors=*/false,
        {QStringLiteral("Date"), QStringLiteral("Utc"), QStringLiteral("Call"), QStringLiteral("Mode"),
         QStringLiteral("RstS"), QStringLiteral("RstR"), QStringLiteral("MultiR")});
    result.claimedScore = totals.Rezultat();

    const QString category = cw && !ssb && !other ? QStringLiteral("CW")
                             : ssb && !cw && !other ? QStringLiteral("SSB")
                                                    : QStringLiteral("MIXED");
    header.lines << QStringLiteral("START-OF-LOG: 3.0") << QStringLiteral("CONTEST: TRELO-NLT");
    header.lines << (callsign.isEmpty() ? QStringLiteral("CALLSIGN:") : QStringLiteral("CALLSIGN: ") + callsign);
    header.tag("CATEGORY-OPERATOR", QStringLiteral("SINGLE-OP"));
    header.tag("CATEGORY-BAND", QStringLiteral("80M"));
    header.tag("CATEGORY-MODE", category);
    header.tag("CATEGORY-POWER", CabrilloPowerCategory(user.Rig.Power), true);
    header.tag("CLAIMED-SCORE", QString::number(result.claimedScore));
    header.tag("NAME", user.User.FName.trimmed() + u' ' + user.User.LName.trimmed(), true);
    header.tag("ADDRESS", user.User.Addr, true);
    header.tag("ADDRESS-CITY", user.User.City, true);
    header.tag("ADDRESS-COUNTRY", user.User.Country, true);
    header.tag("CREATED-BY", CabrilloCreatedBy());
    result.notes += notes;

    for (const QString& l : header.lines) out.WriteLine(l);
    for (const QString& l : qsoLines) out.WriteLine(l);
    out.WriteLine(QStringLiteral("END-OF-LOG:"));
    out.Commit();
    return result;
}

}  // namespace zox

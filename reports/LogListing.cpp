#include "reports/LogListing.h"

#include "reports/CallFileName.h"
#include "reports/ProFileStream.h"
#include "reports/QsoText.h"

#include <QDate>

namespace zox {

using namespace reports_detail;

namespace {

void writeHeader(TProFileStream& out, const QString& yearText, const QString& call)
{
    out.WriteLine(yearText + QStringLiteral(" Trelo Prvenstvo NLT ") + call);
    out.WriteLine(QStringLiteral(" "));
    out.WriteLine(QStringLiteral("Band   Datum      Utc   QSO#  Znak           RstS RstR Letnica Multi Točke"));
    out.WriteLine(QStringLiteral(" "));
}

// Ten characters, day.month.year; anything else the engine hands back is
// written as it is, filled to the same width.
QString dateColumn(const QVariant& v)
{
    if (hasDate(v)) {
        const QDate d = v.toDate();
        return twoDigits(d.day()) + u'.' + twoDigits(d.month()) + u'.' + year(d.year());
    }
    return PadRight(text(v), 10);
}

QString timeColumn(const QVariant& v)
{
    if (hasTime(v)) {
        const QTime t = v.toTime();
        return twoDigits(t.hour()) + u':' + twoDigits(t.minute());
    }
    return PadRight(text(v), 5);
}

QString qsoLine(int number, const Table& q)
{
    QString line = QStringLiteral("80 ");
    line += PadRight(text(q.field(QStringLiteral("Mode"))), 4);
    line += dateColumn(q.field(QStringLiteral("Date"))) + u' ';
    line += timeColumn(q.field(QStringLiteral("Utc"))) + u' ';
    line += PadLeft(QString::number(number), 4) + QStringLiteral("  ");
    line += PadRight(text(q.field(QStringLiteral("Call"))), 15);
    line += PadRight(text(q.field(QStringLiteral("RstS"))), 5);
    line += PadRight(text(q.field(QStringLiteral("RstR"))), 5);
    line += PadRight(text(q.field(QStringLiteral("MultiR"))), 7);
    line += PadRight(integer(q.field(QStringLiteral("MultiP"))), 8);
    line += PadRight(integer(q.field(QStringLiteral("Point"))), 6);
    return line;
}

}  // namespace

QString ListingPath(const QString& call) { return CallFilePath(Dir.Txt, call, QStringLiteral(".txt")); }

void WriteLogListing(TDataFrm& data, const TUserInfo& user, const QString& path)
{
    WriteLogListing(data, user, path, QString::number(QDate::currentDate().year()));
}

void WriteLogListing(TDataFrm& data, const TUserInfo& user, const QString& path, const QString& yearText)
{
    TProFileStream out(path);
    writeHeader(out, yearText, user.User.Call);
    int number = 0;
    data.FullPass([&](Table& q) {
        ++number;
        out.WriteLine(qsoLine(number, q));
        if (number % 50 == 0) {
            out.WriteLine(QStringLiteral(" "));
            writeHeader(out, yearText, user.User.Call);
        }
        if (number % 10 == 0) out.WriteLine(QStringLiteral(" "));
    });
    out.Commit();
}

}  // namespace zox

#include "reports/AdifExport.h"

#include "reports/ProFileStream.h"
#include "reports/QsoText.h"

#include <QFileInfo>

#include <iterator>

namespace zox {

using namespace reports_detail;

namespace {

const char* const kTagNames[] = {"Qth",      "Name",    "Call",    "Rst_Sent", "Rst_Rcvd",
                                 "Mode",     "Band",    "Qsl_Sent", "Qsl_Rcvd", "Comment",
                                 "Qsl_Via",  "CqZ",     "ItuZ",    "Cont",     "Pfx"};

// Fields that hold for every QSO of the contest.
const QString kConstantFields = QStringLiteral("<freq:3>3.5<Qsl_Sent:1>N<Qsl_Rcvd:1>N<CqZ:2>15<ItuZ:2>28<Cont:2>EU<Pfx:2>S5<eor>");

QString record(const Table& q)
{
    QString r;
    // A date or time the engine could not read would make a tag whose length
    // lies; such a field is left out instead.
    const QVariant date = q.field(QStringLiteral("Date"));
    if (hasDate(date)) {
        const QDate d = date.toDate();
        r += QStringLiteral("<qso_date:8:d>") + year(d.year()) + twoDigits(d.month()) + twoDigits(d.day());
    }
    const QVariant time = q.field(QStringLiteral("Utc"));
    if (hasTime(time)) {
        const QTime t = time.toTime();
        r += QStringLiteral("<time_on:4>") + twoDigits(t.hour()) + twoDigits(t.minute());
    }
    r += AdifTag(2, text(q.field(QStringLiteral("Call"))));
    r += AdifTag(3, text(q.field(QStringLiteral("RstS"))));
    r += AdifTag(4, text(q.field(QStringLiteral("RstR"))));
    r += AdifTag(5, text(q.field(QStringLiteral("Mode"))));
    r += AdifTag(6, QStringLiteral("80M"));
    r += kConstantFields;
    return r;
}

}  // namespace

QString AdifFileName(const QString& chosen)
{
    // Only the name counts: a dot in a folder name is no extension.
    return QFileInfo(chosen).fileName().contains(u'.') ? chosen : chosen + QStringLiteral(".adi");
}

QString AdifOverwriteQuestion(const QString& path)
{
    return QStringLiteral("Datoteka ") + QFileInfo(path).fileName() + QStringLiteral(" že obstaja !\r\nKreiram novo ?");
}

QString AdifTag(int index, const QString& value)
{
    if (value.isEmpty() || index < 0 || index >= int(std::size(kTagNames))) return QString();
    // The length is what lands in the file: code page 1250 bytes.
    return u'<' + QLatin1String(kTagNames[index]) + u':' + QString::number(Cp1250Length(value)) + u'>' + value;
}

void WriteAdif(TDataFrm& data, const TUserInfo& user, const QString& path)
{
    TProFileStream out(path);
    QString title = QStringLiteral("Trelo Prvenstvo NLT");
    if (!user.User.Call.isEmpty()) title += u' ' + user.User.Call;
    out.WriteLine(title + QStringLiteral(" <eoh>"));
    data.FullPass([&](Table& q) { out.WriteLine(record(q)); }, /*closeSearchCursors=*/false);
    out.Commit();
}

}  // namespace zox

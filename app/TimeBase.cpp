#include "app/TimeBase.h"

#include "app/uGlob.h"

namespace zox {

QDateTime NowUtc() { return QDateTime::currentDateTimeUtc(); }

QString EntryTimeNow()
{
    const QTime t = UtcMode ? NowUtc().time() : QDateTime::currentDateTime().time();
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QString CurrentYearText() { return QString::number(QDate::currentDate().year()); }

}  // namespace zox

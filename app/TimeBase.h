#pragma once
// The time base: entry times and the clock follow UTC or local time by UtcMode.
#include <QDateTime>
#include <QString>

namespace zox {

QDateTime NowUtc();
// The time of day for the entry line's time field, "hh:mm:ss".
QString EntryTimeNow();
QString CurrentYearText();

}  // namespace zox

#pragma once
// How the reports write the stored values of a QSO.

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>

namespace zox::reports_detail {

inline QString twoDigits(int n)
{
    return QString(QChar(u'0' + n / 10 % 10)) + QChar(u'0' + n % 10);
}

// A text field; empty for null.
inline QString text(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

// An integer field as decimal text; empty for null.
inline QString integer(const QVariant& v) { return v.isNull() ? QString() : QString::number(v.toLongLong()); }

inline bool hasDate(const QVariant& v) { return v.typeId() == QMetaType::QDate && v.toDate().isValid(); }
inline bool hasTime(const QVariant& v) { return v.typeId() == QMetaType::QTime && v.toTime().isValid(); }

inline QString year(int y) { return QString::number(y).rightJustified(4, u'0'); }

}  // namespace zox::reports_detail

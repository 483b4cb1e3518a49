#include "scoring/Score.h"

#include <QLocale>
#include <QTime>

namespace zox {

int ModePoints(const QString& mode)
{
    if (mode == QLatin1String("CW")) return 2;
    if (mode == QLatin1String("SSB")) return 1;
    return 0;
}

bool IsYearNumber(const QString& multiR)
{
    return multiR.size() == 2 && multiR[0] >= u'0' && multiR[0] <= u'9' && multiR[1] >= u'0' && multiR[1] <= u'9';
}

bool CanBeDupe(const QString& call) { return call.size() >= 4; }

int RulePoint(const QString& call, const QString& mode, bool callWorkedEarlier)
{
    const bool dupe = CanBeDupe(call) && callWorkedEarlier;
    return dupe ? 0 : ModePoints(mode);
}

QVariant RuleMultiP(const QString& multiR, bool yearWorkedEarlier)
{
    if (!IsYearNumber(multiR) || yearWorkedEarlier) return QVariant();
    return QVariant(qint64(multiR.toInt()));
}

QsoMarks RuleWalk::Next(const QString& call, const QString& mode, const QString& multiR)
{
    const QString callKey = mode + u'\n' + call;
    const QString yearKey = mode + u'\n' + multiR;
    QsoMarks m{RulePoint(call, mode, m_calls.contains(callKey)), RuleMultiP(multiR, m_years.contains(yearKey))};
    m_calls.insert(callKey);
    m_years.insert(yearKey);
    return m;
}

void ScoreTotals::Count(const QString& mode, const QVariant& point, const QVariant& multiP, int sign)
{
    // The sums of what is stored: a log whose marks another program wrote shows
    // what it holds until "Preveri rezultat" puts the marks right.
    const qint32 points = point.isNull() ? 0 : qint32(point.toLongLong());
    const qint32 multi = multiP.isNull() ? 0 : 1;
    if (mode == QLatin1String("CW")) {
        CwTocke += points * sign;
        CwMulti += multi * sign;
    } else if (mode == QLatin1String("SSB")) {
        SsbTocke += points * sign;
        SsbMulti += multi * sign;
    }
    Sum();
}

void ScoreTotals::Sum()
{
    SkpTocke = CwTocke + SsbTocke;
    SkpMnoz = CwMulti + SsbMulti;
}

qint32 ScoreTotals::Rezultat() const
{
    // 32-bit product, wrapping like the integers it is made of.
    return qint32(quint32(CwTocke + SsbTocke) * quint32(CwMulti + SsbMulti));
}

bool IsFirstHour(const QVariant& utc)
{
    const QTime t = utc.toTime();
    // Whole seconds; a QSO without a time counts as the first hour like midnight does.
    const int secs = t.isValid() ? t.hour() * 3600 + t.minute() * 60 + t.second() : 0;
    return secs <= 9 * 3600 + 59 * 60 + 59;
}

QString RateText(double value)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(value, 'g', 15);
}

}  // namespace zox

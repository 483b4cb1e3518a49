#pragma once
// The contest's rule and the figures made from it. For a log taken in order of
// entry: a QSO is a duplicate when its call has at least four characters and an
// earlier QSO has the same call in the same mode; it earns 0 points then, else 2
// in CW and 1 in SSB. It brings a multiplier when its received year number is
// two digits and no earlier QSO of its mode has the same one. A duplicate can
// bring a multiplier. Result = points x multipliers, modes added.

#include <QSet>
#include <QString>
#include <QVariant>

namespace zox {

// Only a call of four characters or more can be a duplicate.
bool CanBeDupe(const QString& call);
// Points of a QSO in its mode: CW 2, SSB 1; another mode is not part of the contest.
int ModePoints(const QString& mode);
// Two digits: the only received year number that can be a multiplier.
bool IsYearNumber(const QString& multiR);
// The stored `Point` of a QSO, given whether an earlier QSO has its call in its mode.
int RulePoint(const QString& call, const QString& mode, bool callWorkedEarlier);
// The stored `MultiP`: the year as a number when it brings a multiplier, else null.
QVariant RuleMultiP(const QString& multiR, bool yearWorkedEarlier);

struct QsoMarks {
    int point = 0;
    QVariant multiP;
    bool operator==(const QsoMarks&) const = default;
};

// The rule over a whole log: feed the QSOs in order of entry.
class RuleWalk {
public:
    QsoMarks Next(const QString& call, const QString& mode, const QString& multiR);
private:
    QSet<QString> m_calls;  // mode + '\n' + call
    QSet<QString> m_years;  // mode + '\n' + year
};

struct ScoreTotals {
    qint32 CwTocke = 0;
    qint32 SsbTocke = 0;
    qint32 CwMulti = 0;
    qint32 SsbMulti = 0;
    qint32 SkpTocke = 0;
    qint32 SkpMnoz = 0;

    // Adds or takes back what one stored QSO contributes: its points and its
    // multiplier mark, in CW or SSB (another mode is not part of the contest).
    void Count(const QString& mode, const QVariant& point, const QVariant& multiP, int sign = 1);
    void Sum();  // SkpTocke and SkpMnoz from the per-mode figures
    qint32 Rezultat() const;
    bool operator==(const ScoreTotals&) const = default;
};

// True when the QSO's time of day is at or before 09:59:59.
bool IsFirstHour(const QVariant& utc);

struct HourCounts {
    double PrvaUra = 0;
    double DrugaUra = 0;
    double Povprecje() const { return (PrvaUra + DrugaUra) / 2; }
    void Count(const QVariant& utc, int sign = 1) { (IsFirstHour(utc) ? PrvaUra : DrugaUra) += sign; }
    bool operator==(const HourCounts&) const = default;
};

// A rate figure: general form, up to 15 significant digits, the user's decimal separator.
QString RateText(double value);

}  // namespace zox

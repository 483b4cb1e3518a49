#pragma once
// The contest's scoring: points by mode (a duplicate earns none), multipliers
// per mode by the mark stored with the QSO, result = points x multipliers.

#include "storage/Table.h"

#include <QString>
#include <QVariant>

namespace zox {

class TDataFrm;
using storage::Table;

struct ScoreTotals {
    qint32 CwTocke = 0;
    qint32 SsbTocke = 0;
    qint32 CwMulti = 0;
    qint32 SsbMulti = 0;
    qint32 SkpTocke = 0;
    qint32 SkpMnoz = 0;

    // Points of the QSO being saved, added to its mode's points.
    int ScoreQso(bool dupeMark, int modeIndex);
    void AddNewMulti(bool newMulti, int modeIndex);
    // Adds or takes back what one stored QSO contributes.
    void Count(const QString& mode, const QVariant& point, const QVariant& multiP, int sign = 1);
    void Sum();  // SkpTocke and SkpMnoz from the per-mode figures
    qint32 Rezultat() const;
    bool operator==(const ScoreTotals&) const = default;
};

// Rebuilds the per-mode figures from the whole log; leaves LogTbl on the last QSO
// and the search cursors open.
void RecountScore(TDataFrm& data, ScoreTotals& totals);

// The duplicate search: the same call in the same mode. Calls under four
// characters are never duplicates and make no search.
bool IsDupeCall(Table& logTbl1, const QString& call, const QString& modeText);
// Whether a QSO of this mode already carries this received year number.
bool MultiWorked(Table& logTbl2, const QString& modeText, const QString& multi);

struct HourCounts {
    double PrvaUra = 0;
    double DrugaUra = 0;
    double Povprecje() const { return (PrvaUra + DrugaUra) / 2; }
};

// True when the QSO's time of day is at or before 09:59:59.
bool IsFirstHour(const QVariant& utc);
void RecountRates(TDataFrm& data, HourCounts& counts);
// A rate figure: general form, up to 15 significant digits, the user's decimal separator.
QString RateText(double value);

}  // namespace zox

#include "scoring/Score.h"

#include "log/uData.h"

#include <QLocale>
#include <QTime>

namespace zox {

int ScoreTotals::ScoreQso(bool dupeMark, int modeIndex)
{
    if (dupeMark) return 0;
    if (modeIndex == 0) {
        CwTocke += 2;
        return 2;
    }
    SsbTocke += 1;
    return 1;
}

void ScoreTotals::AddNewMulti(bool newMulti, int modeIndex)
{
    if (!newMulti) return;
    if (modeIndex == 0) ++CwMulti;
    else ++SsbMulti;
}

void ScoreTotals::Count(const QString& mode, const QVariant& point, const QVariant& multiP, int sign)
{
    const bool scored = !point.isNull() && point.toLongLong() > 0;
    const bool multi = !multiP.isNull();
    if (mode == QLatin1String("CW")) {
        if (scored) CwTocke += 2 * sign;
        if (multi) CwMulti += sign;
    } else if (mode == QLatin1String("SSB")) {
        if (scored) SsbTocke += sign;
        if (multi) SsbMulti += sign;
    }
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

void RecountScore(TDataFrm& data, ScoreTotals& totals)
{
    totals = ScoreTotals{};
    data.FullPass(
        [&](Table& t) { totals.Count(t.field("Mode").toString(), t.field("Point"), t.field("MultiP")); },
        false, {"Mode", "Point", "MultiP"});
    data.LogTbl.last();
}

bool IsDupeCall(Table& logTbl1, const QString& call, const QString& modeText)
{
    if (call.size() < 4) return false;
    return logTbl1.locate(QStringLiteral("Call;Mode"), {call, modeText});
}

bool MultiWorked(Table& logTbl2, const QString& modeText, const QString& multi)
{
    return logTbl2.locate(QStringLiteral("Mode;MultiR"), {modeText, multi});
}

bool IsFirstHour(const QVariant& utc)
{
    const QTime t = utc.toTime();
    // Whole seconds; a QSO without a time counts as the first hour like midnight does.
    const int secs = t.isValid() ? t.hour() * 3600 + t.minute() * 60 + t.second() : 0;
    return secs <= 9 * 3600 + 59 * 60 + 59;
}

void RecountRates(TDataFrm& data, HourCounts& counts)
{
    counts = HourCounts{};
    if (data.LogTbl.recordCount() == 0) return;
    data.FullPass(
        [&](Table& t) {
            if (IsFirstHour(t.field("Utc"))) counts.PrvaUra += 1;
            else counts.DrugaUra += 1;
        },
        true, {"Utc"});
}

QString RateText(double value)
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(value, 'g', 15);
}

}  // namespace zox

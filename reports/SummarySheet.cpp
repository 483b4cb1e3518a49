#include "reports/SummarySheet.h"

#include "reports/CallFileName.h"
#include "reports/ProFileStream.h"

namespace zox {

SummaryScore CountSummary(TDataFrm& data)
{
    SummaryScore s;
    data.FullPass([&](Table& q) {
        const QString mode = q.field(QStringLiteral("Mode")).toString();
        const QVariant point = q.field(QStringLiteral("Point"));
        const bool scored = !point.isNull() && point.toLongLong() > 0;
        const bool multi = !q.field(QStringLiteral("MultiP")).isNull();
        if (mode == QLatin1String("CW")) {
            if (scored) s.CwPoints += 2;
            if (multi) ++s.CwMulti;
        } else if (mode == QLatin1String("SSB")) {
            if (scored) s.SsbPoints += 1;
            if (multi) ++s.SsbMulti;
        }
    });
    return s;
}

QString SummaryPath(const QString& call) { return CallFilePath(Dir.Txt, call, QStringLiteral(".sum")); }

void SummaryZox(TDataFrm& data, const TUserInfo& user, const QString& path)
{
    const SummaryScore s = CountSummary(data);
    auto n = [](qint64 v) { return QString::number(v); };
    auto row = [&](const QString& label, qint64 a, qint64 b) {
        return PadRight(label, 10) + PadLeft(n(a), 10) + PadLeft(n(b), 10);
    };

    TProFileStream out(path);
    out.WriteLine(QStringLiteral("ZBIRNI LIST ZA TRELO PRVENSTVO NLT"));
    out.WriteLine(QStringLiteral(" "));
    out.WriteLine(QStringLiteral("Klicni znak  Lastni mnozitelj"));
    out.WriteLine(PadRight(user.User.Call, 13) + user.User.Multi);
    out.WriteLine(QStringLiteral(" "));
    out.WriteLine(QStringLiteral("Izracun skupnega števila tock:"));
    out.WriteLine(QStringLiteral(" "));
    out.WriteLine(PadLeft(QStringLiteral("Točke"), 20) + PadLeft(QStringLiteral("Množitelji"), 15));
    out.WriteLine(row(QStringLiteral("CW"), s.CwPoints, s.CwMulti));
    out.WriteLine(row(QStringLiteral("SSB"), s.SsbPoints, s.SsbMulti));
    out.WriteLine(PadRight(QStringLiteral("*"), 40, u'*'));
    out.WriteLine(row(QStringLiteral("Skupaj"), s.TotalPoints(), s.TotalMulti()));
    out.WriteLine(PadRight(QStringLiteral("Rezultat"), 10) + PadLeft(n(s.Result()), 10));
    out.WriteLine(QStringLiteral("Podatki o radijski postaji"));
    out.WriteLine(user.Rig.Type + u' ' + user.Rig.Antenna);
    out.WriteLine(QStringLiteral(" "));
    out.WriteLine(QStringLiteral("Moč na priključku antene"));
    out.WriteLine(user.Rig.Power);
    out.WriteLine(QStringLiteral(" "));
    out.WriteLine(QStringLiteral("Kategorija po moči oddajnika"));
    out.Commit();
}

}  // namespace zox

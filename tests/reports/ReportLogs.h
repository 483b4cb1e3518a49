#pragma once
// The logs behind the hand-made files in golden/.

#include "app/uGlob.h"
#include "ReportTestLog.h"

namespace zox::test {

// golden/listing_10.txt: an 18-character call, empty MultiP and Point, a
// duplicate, letters outside ASCII, values that fill their column exactly.
inline std::vector<Qso> tenQsos()
{
    return {
        {"2026-12-09", "19:00:05", "S59DEM", "CW", "599", "599", "69", 69, 2},
        {"2026-12-09", "19:01:10", "S53MM", "SSB", "59", "59", "55", 55, 1},
        {"2026-12-09", "19:02:00", "S51ABC/S59XYZ/QRPP", "CW", "599", "579", "70", std::nullopt, 2},
        {"2026-12-09", "19:03:00", "S57C", "CW", "599", "599", "45", 45, std::nullopt},
        {"2026-12-09", "19:10:59", "S50R", "SSB", "59", "57", "88", std::nullopt, 1},
        {"2026-12-09", "19:20:00", "S59DEM", "CW", "599", "599", "69", std::nullopt, 0},
        {"2026-12-09", "19:30:00", QString::fromUtf8("S59ČŽ"), "CW", "599", "599", "07", 7, 2},
        {"2026-12-09", "19:45:00", "S51A", "SSB", "59", "59", "07", 7, 1},
        {"2026-12-09", "19:59:59", "S56B", "CW", "599", "599", "", std::nullopt, 2},
        {"2026-12-09", "20:00:00", "S58X", "CW", "599", "599", "1234567", 1234567, 2},
    };
}

// golden/listing_50.txt, by one rule per QSO number.
inline std::vector<Qso> fiftyQsos()
{
    std::vector<Qso> q;
    for (int i = 1; i <= 50; ++i) {
        const bool cw = i % 2 == 1;
        const QString rst = cw ? "599" : "59";
        q.push_back({"2026-12-09", QString("19:%1:%2").arg(i, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
                     QString("S5%1A%2").arg(i % 10).arg(QChar('A' + i % 26)), cw ? "CW" : "SSB", rst, rst,
                     QString("%1").arg(i * 7 % 100, 2, 10, QChar('0')),
                     i % 4 == 1 ? std::optional<qint64>(i * 7 % 100) : std::nullopt, i % 9 == 0 ? 0 : (cw ? 2 : 1)});
    }
    return q;
}

inline Qso scoreQso(const char* mode, std::optional<qint64> multiP, std::optional<qint64> point)
{
    const bool cw = QLatin1String(mode) == QLatin1String("CW");
    return {"2026-12-09", "19:00:00", "S51A", mode, cw ? "599" : "59", cw ? "599" : "59", "69", multiP, point};
}

// golden/summary_161.sum: 10 CW QSOs with 4 multipliers, one of them a
// duplicate; 5 SSB QSOs with 3 multipliers.
inline std::vector<Qso> contestQsos()
{
    std::vector<Qso> q;
    for (int i = 0; i < 10; ++i)
        q.push_back(scoreQso("CW", i < 4 ? std::optional<qint64>(10 + i) : std::nullopt, i == 9 ? 0 : 2));
    for (int i = 0; i < 5; ++i) q.push_back(scoreQso("SSB", i < 3 ? std::optional<qint64>(20 + i) : std::nullopt, 1));
    return q;
}

inline TUserInfo contestOperator()
{
    TUserInfo u;
    u.User.Call = "S59ABC";
    u.User.Multi = "69";
    u.Rig = {"FT-1000MP", "100 W", "Dipol 2x20 m"};
    return u;
}

// golden/adif_3.adi: the CW QSO of 1 April 2001 at 08:05:30, one without a
// received report, one with letters outside ASCII in the call.
inline std::vector<Qso> adifQsos()
{
    return {
        {"2001-04-01", "08:05:30", "S57ABC", "CW", "599", "599", "69", 69, 2},
        {"2001-12-09", "21:40:00", "S51Z", "SSB", "59", "", "55", std::nullopt, 1},
        {"2001-12-09", "23:59:59", QString::fromUtf8("S59ČŽ"), "CW", "599", "579", "", std::nullopt, 0},
    };
}

// golden/cabrillo_mixed.log: both modes, a duplicate, an 18-character call, a
// QSO without a received report and one without a year number, past midnight.
// By the rule: CW 6 points and 2 multipliers, SSB 3 and 3; 9 x 5 = 45.
inline std::vector<Qso> cabrilloQsos()
{
    return {
        {"2026-12-09", "19:00:05", "S59DEM", "CW", "599", "599", "69", 69, 2},
        {"2026-12-09", "19:01:10", "S53MM", "SSB", "59", "59", "55", 55, 1},
        {"2026-12-09", "19:02:00", "S51ABC/S59XYZ/QRPP", "CW", "599", "579", "70", 70, 2},
        {"2026-12-09", "19:20:00", "S59DEM", "CW", "599", "599", "69", std::nullopt, 0},
        {"2026-12-09", "19:45:00", "S59DEM", "SSB", "59", "57", "69", 69, 1},
        {"2026-12-09", "20:05:59", "S51Z", "SSB", "59", "", "07", 7, 1},
        {"2026-12-10", "00:00:00", "S57C", "CW", "599", "599", "", std::nullopt, 2},
    };
}

inline TUserInfo cabrilloOperator()
{
    TUserInfo u = contestOperator();
    u.User.FName = "Janez";
    u.User.LName = "Novak";
    u.User.Addr = "Trg 1";
    u.User.City = "Ljubljana";
    u.User.Country = "Slovenija";
    return u;
}

}  // namespace zox::test

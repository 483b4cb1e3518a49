#pragma once
// Realistic contest logs for benchmarks: plausible call signs, both modes,
// some duplicates, two-digit year numbers, times over two hours.
#include "log/uData.h"
#include "scoring/Score.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QTime>

namespace zox::bench {

inline QString randomCall(QRandomGenerator& r)
{
    static const char* prefixes[] = {"S5", "S51", "S52", "S53", "S54", "S56", "S57", "S58", "S59", "9A", "OE", "DL",
                                     "OK", "OM", "HA", "I", "YU", "E7", "F", "G", "SP", "YL"};
    QString c = prefixes[r.bounded(int(std::size(prefixes)))];
    if (!c.back().isDigit()) c += QChar('0' + r.bounded(10));
    const int n = 1 + r.bounded(3);
    for (int i = 0; i < n; ++i) c += QChar('A' + r.bounded(26));
    return c;
}

// Writes `qsos` contacts into a new log at `path` (replacing any file there).
inline void generateLog(const QString& path, int qsos, quint32 seed = 1)
{
    QFile::remove(path);
    TDataFrm d;
    d.CreateLogTable(path);
    Table t;
    t.setTableName(path);
    t.open();
    QRandomGenerator r(seed);
    QStringList worked;
    RuleWalk rule;  // the marks the program gives them
    t.startTransaction();
    for (int i = 0; i < qsos; ++i) {
        const bool dupe = !worked.isEmpty() && r.bounded(20) == 0;
        const QString call = dupe ? worked[r.bounded(int(worked.size()))] : randomCall(r);
        worked << call;
        const bool cw = r.bounded(3) != 0;
        t.insert();
        t.setField("Date", QDate(2026, 12, 9));
        t.setField("Utc", QTime(9, 0).addSecs(qint64(i) * 7200 / qsos));
        t.setField("Call", call);
        t.setField("Mode", cw ? "CW" : "SSB");
        t.setField("Band", "80");
        t.setField("RstS", cw ? "599" : "59");
        t.setField("RstR", cw ? "599" : "59");
        const QString year = QString("%1").arg(20 + r.bounded(80), 2, 10, QChar('0'));
        const QsoMarks m = rule.Next(call, cw ? "CW" : "SSB", year);
        t.setField("MultiR", year);
        t.setField("MultiP", m.multiP);
        t.setField("Point", m.point);
        t.setField("Contest", "ZOX");
        t.post();
    }
    t.commit();
}

// A year-number list of `entries` calls.
inline void generateLetnice(const QString& path, int entries, quint32 seed = 2)
{
    QFile::remove(path);
    TDataFrm::CreateLetniceTable(path);
    Table t;
    t.setTableName(path);
    t.open();
    QRandomGenerator r(seed);
    t.startTransaction();
    for (int i = 0; i < entries; ++i) {
        t.insert();
        t.setField("Znak", randomCall(r) + QString::number(i));
        t.setField("Letnica", QString::number(20 + r.bounded(80)));
        t.post();
    }
    t.commit();
}

}  // namespace zox::bench

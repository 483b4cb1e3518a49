// The searches that run on every keystroke, on a 100,000-QSO log, each beside a
// bare prepared SQLite statement doing the same lookup (on a copy of the file,
// since the program holds its log exclusively).
#include "common/LogGenerator.h"
#include "log/ContestSession.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDir>
#include <QTemporaryDir>

using namespace zox;

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString log, copy;
    TDataFrm data;
    ContestSession session{data};
    QStringList calls, listCalls;
    sqlite3* db = nullptr;
    sqlite3* listDb = nullptr;

    Fixture()
    {
        log = dir.filePath("big.DAT");
        copy = dir.filePath("copy.DAT");
        bench::generateLog(log, 100000);
        QFile::copy(log, copy);
        const QString list = dir.filePath("S5_Letnice.dat");
        bench::generateLetnice(list, 100000);
        QFile::copy(list, dir.filePath("list_copy.dat"));
        sqlite3_open_v2(dir.filePath("list_copy.dat").toUtf8().constData(), &listDb, SQLITE_OPEN_READONLY, nullptr);
        data.LetniceTbl.setTableName(list);
        data.LetniceTbl.open();
        for (data.LetniceTbl.first(); !data.LetniceTbl.eof() && listCalls.size() < 1000; data.LetniceTbl.next())
            listCalls << data.LetniceTbl.field("Znak").toString();
        for (Table* t : {&data.LogTbl, &data.LogTbl1, &data.LogTbl2}) t->setTableName(log);
        data.LogTbl1.setIndexName("byCallBand");
        data.LogTbl2.setIndexName("byBandMulti");
        data.LogTbl.open();
        data.LogTbl1.open();
        data.LogTbl2.open();
        for (data.LogTbl.first(); !data.LogTbl.eof() && calls.size() < 1000; data.LogTbl.next())
            calls << data.LogTbl.field("Call").toString();
        sqlite3_open_v2(copy.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~Fixture()
    {
        sqlite3_close(db);
        sqlite3_close(listDb);
    }
};

Fixture& fx()
{
    static Fixture f;
    return f;
}

void BM_IsDupe_Hit(benchmark::State& st)
{
    auto& f = fx();
    int i = 0;
    for (auto _ : st) benchmark::DoNotOptimize(f.session.Check(f.calls[i++ % f.calls.size()], "CW", QString()).dupe);
}

void BM_IsDupe_Miss(benchmark::State& st)
{
    auto& f = fx();
    int i = 0;
    for (auto _ : st) benchmark::DoNotOptimize(f.session.Check(QString("Q1X%1").arg(i++ % 997), "CW", QString()).dupe);
}

void BM_Baseline_Dupe(benchmark::State& st)
{
    auto& f = fx();
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(f.db, "SELECT rowid FROM big WHERE Call=?1 AND Mode=?2 LIMIT 1", -1, &s, nullptr);
    int i = 0;
    for (auto _ : st) {
        const QByteArray call = f.calls[i++ % f.calls.size()].toUtf8();
        sqlite3_bind_text(s, 1, call.constData(), int(call.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, "CW", 2, SQLITE_STATIC);
        benchmark::DoNotOptimize(sqlite3_step(s));
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}

void BM_CheckNewMulti_Worked(benchmark::State& st)
{
    auto& f = fx();
    int i = 0;
    for (auto _ : st) benchmark::DoNotOptimize(f.session.Check(QString(), "CW", QString::number(20 + i++ % 80)).newMulti);
}

void BM_CheckNewMulti_New(benchmark::State& st)
{
    auto& f = fx();
    for (auto _ : st) benchmark::DoNotOptimize(f.session.Check(QString(), "SSB", "05").newMulti);
}

void BM_Baseline_Multi(benchmark::State& st)
{
    auto& f = fx();
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(f.db, "SELECT rowid FROM big WHERE Mode=?1 AND MultiR=?2 LIMIT 1", -1, &s, nullptr);
    int i = 0;
    for (auto _ : st) {
        const QByteArray m = QByteArray::number(20 + i++ % 80);
        sqlite3_bind_text(s, 1, "CW", 2, SQLITE_STATIC);
        sqlite3_bind_text(s, 2, m.constData(), int(m.size()), SQLITE_TRANSIENT);
        benchmark::DoNotOptimize(sqlite3_step(s));
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}

// The year-number lookup of the entry line (a known call; half of them unknown).
void BM_LetniceLookup(benchmark::State& st)
{
    auto& f = fx();
    int i = 0;
    for (auto _ : st) {
        const QString call = (i & 1) ? f.listCalls[i % f.listCalls.size()] : QString("Q9N%1").arg(i % 997);
        ++i;
        if (f.data.LetniceTbl.findKey({call})) benchmark::DoNotOptimize(f.data.LetniceTbl.field("Letnica"));
    }
}

void BM_Baseline_Letnice(benchmark::State& st)
{
    auto& f = fx();
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(f.listDb, "SELECT Letnica FROM S5_Letnice WHERE Znak=?1", -1, &s, nullptr);
    int i = 0;
    for (auto _ : st) {
        const QByteArray call = ((i & 1) ? f.listCalls[i % f.listCalls.size()] : QString("Q9N%1").arg(i % 997)).toUtf8();
        ++i;
        sqlite3_bind_text(s, 1, call.constData(), int(call.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(s) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_text(s, 0));
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}

// Baseline of opening a log: the two recounts' passes as bare scans of the same columns.
void BM_Baseline_OpenScan(benchmark::State& st)
{
    auto& f = fx();
    sqlite3_stmt* a = nullptr;
    sqlite3_stmt* b = nullptr;
    sqlite3_prepare_v2(f.db, "SELECT Mode,Point,MultiP FROM big ORDER BY Vexa", -1, &a, nullptr);
    sqlite3_prepare_v2(f.db, "SELECT Utc FROM big ORDER BY Vexa", -1, &b, nullptr);
    for (auto _ : st) {
        qint64 n = 0;
        while (sqlite3_step(a) == SQLITE_ROW) n += sqlite3_column_bytes(a, 0) + sqlite3_column_int(a, 1) + sqlite3_column_type(a, 2);
        while (sqlite3_step(b) == SQLITE_ROW) n += sqlite3_column_bytes(b, 0);
        sqlite3_reset(a);
        sqlite3_reset(b);
        benchmark::DoNotOptimize(n);
    }
    sqlite3_finalize(a);
    sqlite3_finalize(b);
}

}  // namespace

BENCHMARK(BM_LetniceLookup);
BENCHMARK(BM_Baseline_Letnice);
BENCHMARK(BM_Baseline_OpenScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsDupe_Hit);
BENCHMARK(BM_IsDupe_Miss);
BENCHMARK(BM_Baseline_Dupe);
BENCHMARK(BM_CheckNewMulti_Worked);
BENCHMARK(BM_CheckNewMulti_New);
BENCHMARK(BM_Baseline_Multi);
BENCHMARK_MAIN();

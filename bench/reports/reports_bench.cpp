// The reports of a 100,000-QSO log; each should take at most a second.
#include "reports/AdifExport.h"
#include "reports/CabrilloExport.h"
#include "reports/LogListing.h"
#include "reports/SummarySheet.h"

#include <QDir>
#include <QTemporaryDir>

#include "common/LogGenerator.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

using namespace zox;

namespace {

constexpr int kQsos = 100000;

// One log for every benchmark: the data module allows a log to be open once.
// A copy made before it is opened serves the bare SQLite baseline.
struct BigLog {
    QTemporaryDir logDir;
    QTemporaryDir outDir;
    TDataFrm data;
    TUserInfo user;
    sqlite3* db = nullptr;

    BigLog()
    {
        const QString path = logDir.filePath("big.DAT");
        bench::generateLog(path, kQsos);
        QFile::copy(path, logDir.filePath("copy.DAT"));
        sqlite3_open_v2(logDir.filePath("copy.DAT").toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        data.LogTbl.setTableName(path);
        data.LogTbl1.setTableName(path);
        data.LogTbl2.setTableName(path);
        data.LogTbl1.setIndexName("byCallBand");
        data.LogTbl2.setIndexName("byBandMulti");
        data.LogTbl.open();
        data.LogTbl1.open();
        data.LogTbl2.open();
        user.User.Call = "S59ABC";
        user.User.Multi = "69";
    }
    ~BigLog() { sqlite3_close(db); }
};

BigLog& bigLog()
{
    static auto log = std::make_unique<BigLog>();
    return *log;
}

void BM_LogListing(benchmark::State& state)
{
    BigLog& log = bigLog();
    for (auto _ : state) WriteLogListing(log.data, log.user, log.outDir.filePath("S59ABC.txt"), "2026");
}
BENCHMARK(BM_LogListing)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SummarySheet(benchmark::State& state)
{
    BigLog& log = bigLog();
    for (auto _ : state) SummaryZox(log.data, log.user, log.outDir.filePath("S59ABC.sum"));
}
BENCHMARK(BM_SummarySheet)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AdifExport(benchmark::State& state)
{
    BigLog& log = bigLog();
    for (auto _ : state) WriteAdif(log.data, log.user, log.outDir.filePath("contest.adi"));
}
BENCHMARK(BM_AdifExport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CabrilloExport(benchmark::State& state)
{
    BigLog& log = bigLog();
    for (auto _ : state) {
        const CabrilloResult r = WriteCabrillo(log.data, log.user, log.outDir.filePath("S59ABC.log"));
        if (r.qsos != kQsos) state.SkipWithError("not every QSO was written");
    }
}
BENCHMARK(BM_CabrilloExport)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: a bare SQLite scan reading every column the reports read, in entry order.
void BM_Baseline_ReportScan(benchmark::State& state)
{
    BigLog& log = bigLog();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(log.db, "SELECT Vexa,Date,Utc,Call,Mode,Band,RstS,RstR,MultiR,MultiP,Point FROM big ORDER BY Vexa", -1, &st,
                       nullptr);
    for (auto _ : state) {
        qint64 bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < 11; ++c) bytes += sqlite3_column_bytes(st, c) + (sqlite3_column_text(st, c) != nullptr);
        sqlite3_reset(st);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_finalize(st);
}
BENCHMARK(BM_Baseline_ReportScan)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

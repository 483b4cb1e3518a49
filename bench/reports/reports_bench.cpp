// The three reports of a 100,000-QSO log; each should take at most a second.
#include "reports/AdifExport.h"
#include "reports/LogListing.h"
#include "reports/SummarySheet.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace zox;

namespace {

constexpr int kQsos = 100000;

// One log for every benchmark: the data module allows a log to be open once.
struct BigLog {
    // The log is built in memory where possible (each post is synced to disk);
    // the reports are written to the ordinary temporary folder.
    QTemporaryDir logDir{QDir("/dev/shm").exists() ? "/dev/shm/zox-bench-XXXXXX" : QDir::temp().filePath("zox-bench-XXXXXX")};
    QTemporaryDir outDir;
    TDataFrm data;
    TUserInfo user;

    BigLog()
    {
        const QString path = logDir.filePath("big.DAT");
        data.CreateLogTable(path);
        data.LogTbl.setTableName(path);
        data.LogTbl1.setTableName(path);
        data.LogTbl2.setTableName(path);
        data.LogTbl1.setIndexName("byCallBand");
        data.LogTbl2.setIndexName("byBandMulti");
        data.LogTbl.open();
        data.LogTbl1.open();
        data.LogTbl2.open();
        Table& t = data.LogTbl;
        for (int i = 0; i < kQsos; ++i) {
            const bool cw = i % 3 != 0;
            t.insert();
            t.setField("Date", QDate(2026, 12, 9));
            t.setField("Utc", QTime(19, 0).addSecs(i % 7200));
            t.setField("Call", QString("S5%1%2").arg(i % 10).arg(QChar('A' + i % 26)) + QString::number(i));
            t.setField("Mode", cw ? "CW" : "SSB");
            t.setField("Band", "80");
            t.setField("RstS", cw ? "599" : "59");
            t.setField("RstR", cw ? "599" : "59");
            t.setField("MultiR", QString("%1").arg(i % 100, 2, 10, QChar('0')));
            t.setField("MultiP", i < 200 ? QVariant(qint64(i % 100)) : QVariant());
            t.setField("Point", cw ? 2 : 1);
            t.setField("Contest", "ZOX Contes");
            t.post();
        }
        user.User.Call = "S59ABC";
        user.User.Multi = "69";
    }
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

}  // namespace

BENCHMARK_MAIN();

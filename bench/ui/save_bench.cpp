// Save through the real window (offscreen), on an empty log and on a
// 100,000-QSO log, each commit on disk; and opening the big log with its recounts.
#include "RigctldSupport.h"
#include "app/uGlob.h"
#include "common/LogGenerator.h"
#include "rig/HamlibLink.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uMainZox.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>

using namespace zox;

namespace {

QTemporaryDir* root;

double residentMegabytes()
{
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

TMainFrm& window()
{
    static TMainFrm* w = [] {
        auto* w = new TMainFrm;
        w->show();
        return w;
    }();
    return *w;
}

void openLog(const QString& path)
{
    ScriptedDialogs dlg;
    dlg.answerFile(path);
    window().Odpri1->trigger();
}

void saveLoop(benchmark::State& st, const QString& path)
{
    TMainFrm& w = window();
    openLog(path);
    int i = 0;
    for (auto _ : st) {
        w.edCall->setText(QString("Q1B%1").arg(i++));
        w.edHisMulti->setText("42");
        w.Save();
    }
    st.counters["qsos"] = w.Data.LogTbl.recordCount();
}

void BM_Save_EmptyLog(benchmark::State& st)
{
    static int run = 0;  // a fresh empty log for each repetition
    const QString path = root->filePath(QString("prog/Data/empty%1.DAT").arg(++run));
    TDataFrm().CreateLogTable(path);
    saveLoop(st, path);
}

void BM_Save_BigLog(benchmark::State& st) { saveLoop(st, root->filePath("prog/Data/big.DAT")); }

// The same with the radio linked through a rigctld that has stopped answering,
// so that the radio thread is held inside one call all the while.
void BM_Save_BigLog_RadioHung(benchmark::State& st)
{
    TMainFrm& w = window();
    test::Rigctld radio;
    if (!radio.Start()) {
        st.SkipWithError("rigctld did not start");
        return;
    }
    RadioSettings s;
    s.link = RadioLinkKind::Rigctld;
    s.port = radio.Port();
    s.timeoutMs = 600000;
    w.SetRadioSettings(s);
    auto* link = qobject_cast<HamlibLink*>(w.Radio);
    auto waitFor = [](const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    };
    const bool linked = waitFor([&] {
        return w.RadioLabel && (w.RadioLabel->text().startsWith("Radio: ") || w.RadioLabel->text().startsWith("Radio je na "));
    });
    radio.Pause();
    QThread::msleep(2 * HamlibLink::kPollMs);
    const bool held = linked && waitFor([&] { return link->Calls().begun > link->Calls().ended; });
    const HamlibLink::CallCounts before = link->Calls();
    saveLoop(st, root->filePath("prog/Data/big.DAT"));
    // 1 when the radio thread was in the same call from the first Save to the last.
    st.counters["radio_held"] = held && link->Calls().ended == before.ended ? 1 : 0;
    radio.Resume();
    w.SetRadioSettings(RadioSettings{});
}

// The same with the rigctld gone (stopped): the link has said so and looks
// for it again every few seconds while the contacts are saved.
void BM_Save_BigLog_RadioLost(benchmark::State& st)
{
    TMainFrm& w = window();
    test::Rigctld radio;
    if (!radio.Start()) {
        st.SkipWithError("rigctld did not start");
        return;
    }
    RadioSettings s;
    s.link = RadioLinkKind::Rigctld;
    s.port = radio.Port();
    w.SetRadioSettings(s);
    auto waitFor = [](const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    };
    const bool linked = waitFor([&] { return w.RadioLabel && w.RadioLabel->text().startsWith("Radio"); }) &&
                        waitFor([&] { return !w.RadioLabel->text().startsWith("Povezovanje"); });
    radio.Stop();
    const bool lost = linked && waitFor([&] { return w.RadioLabel->text().startsWith("Radio ni dosegljiv"); });
    saveLoop(st, root->filePath("prog/Data/big.DAT"));
    // 1 when the loss had been told before the first Save.
    st.counters["radio_lost"] = lost ? 1 : 0;
    w.SetRadioSettings(RadioSettings{});
}

// A QSO in the middle of the big log loaded with "Uredi zvezo", its call and
// year number changed, saved: the QSO and those it affects are scored again.
void BM_Correction_BigLog(benchmark::State& st)
{
    TMainFrm& w = window();
    openLog(root->filePath("prog/Data/big.DAT"));
    int i = 0;
    for (auto _ : st) {
        w.Data.LogTbl.gotoRecordId(20000 + 97 * (i % 500));
        w.UrediZvezo->trigger();
        w.edCall->setText(QString("Q1C%1").arg(i % 7));
        w.edHisMulti->setText(QString::number(20 + i % 80));
        w.Save();
        ++i;
    }
}

void BM_Delete_BigLog(benchmark::State& st)
{
    TMainFrm& w = window();
    openLog(root->filePath("prog/Data/big.DAT"));
    ScriptedDialogs dlg;
    qint64 id = 60000;
    for (auto _ : st) {
        while (!w.Data.LogTbl.gotoRecordId(id)) ++id;
        dlg.answerMessage(mrYes);
        w.IzbrisiZvezo->trigger();
        id += 3;
    }
}

// "Preveri rezultat" on the big log whose marks are right: a pass and nothing to write.
void BM_Recheck_BigLog(benchmark::State& st)
{
    TMainFrm& w = window();
    openLog(root->filePath("prog/Data/big.DAT"));
    ScriptedDialogs dlg;
    for (auto _ : st) {
        dlg.answerMessage(mrOk);
        w.SpeedItem9->click();
    }
}

// The same on a log written by another program without any marks: every QSO rewritten.
void BM_Recheck_AllMarksWrong_BigLog(benchmark::State& st)
{
    TMainFrm& w = window();
    ScriptedDialogs dlg;
    const QString unmarked = root->filePath("prog/Data/unmarked.DAT");
    for (auto _ : st) {
        st.PauseTiming();
        const QString copy = root->filePath("prog/Data/unmarked-copy.DAT");
        openLog(root->filePath("prog/Data/big.DAT"));  // lets go of the copy
        QFile::remove(copy);
        QFile::copy(unmarked, copy);
        openLog(copy);
        dlg.answerMessage(mrOk);
        st.ResumeTiming();
        w.SpeedItem9->click();
    }
}

void BM_OpenWithRecounts_BigLog(benchmark::State& st)
{
    for (auto _ : st) openLog(root->filePath("prog/Data/big.DAT"));
    st.counters["rss_mb"] = residentMegabytes();
}

// From creating the main window to its first idle moment, shown with its settings restored.
void BM_StartupToIdle(benchmark::State& st)
{
    for (auto _ : st) {
        auto* w = new TMainFrm;
        w->show();
        QEventLoop idle;
        QTimer::singleShot(0, &idle, &QEventLoop::quit);
        idle.exec();
        st.PauseTiming();
        w->close();
        delete w;
        st.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_Save_EmptyLog)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_Save_BigLog)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_Save_BigLog_RadioHung)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_Save_BigLog_RadioLost)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_Correction_BigLog)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_Delete_BigLog)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_Recheck_BigLog)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Recheck_AllMarksWrong_BigLog)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenWithRecounts_BigLog)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartupToIdle)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    root = &dir;
    QDir(dir.path()).mkpath("prog/Data");
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    BuildFolderTable(dir.filePath("prog"));
    bench::generateLetnice(Dir.Data + "S5_Letnice.dat", 1000);
    bench::generateLog(Dir.Data + "big.DAT", 100000);
    bench::generateLog(Dir.Data + "unmarked.DAT", 100000);
    {
        Table t;
        t.setTableName(Dir.Data + "unmarked.DAT");
        t.open();
        t.startTransaction();
        for (t.first(); !t.eof(); t.next()) t.updateRecord(t.recordId(), {"Point", "MultiP"}, {QVariant(), QVariant()});
        t.commit();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Keying accuracy on the real clock while the program is busy: 30 s of text
// at the top speed (255, 21 ms dots) keyed on the keying thread, while the
// user-interface thread saves a contact into a 100,000-QSO log every 100 ms
// and writes the log's listing every second, and another thread spins on the
// second core. Once with real-time scheduling asked for, once without; the
// counter "realtime" says whether the keying thread had it.
//
// The nominal edges come from the same text keyed on the virtual clock.
// Counters: max_edge_error_ms and p999_edge_error_ms (distance of a key edge
// from its nominal time, counted from the first edge), length_error_pct (first
// to last edge against the nominal), and what the user-interface thread did:
// saves, listings and its longest stretch of work (ui_longest_ms).
//
// The baseline: a bare thread, scheduled as the keying thread is, sleeping
// to the same deadlines under the same load: what the machine itself allows.

#include "app/uGlob.h"
#include "common/LogGenerator.h"
#include "keyer/CwKeyer.h"
#include "keyer/KeyerPlatform.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uMainZox.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace {

using namespace zox;
using Time = KeyerPlatform::Time;

QTemporaryDir* root;

// The key edges, each with its nominal time (as due) or its real time (as it came).
class TEdgeRecorder final : public TKeyOutput {
public:
    explicit TEdgeRecorder(KeyerPlatform* stamp) : m_stamp(stamp) { m_edges.reserve(100000); }
    void Apply(Time at, const TKeyEvent& e) override
    {
        if (e.Kind != TKeyEvent::Control || e.Key == m_key) return;
        m_key = e.Key;
        const Time when = m_stamp ? m_stamp->Now() : at;
        const std::lock_guard lock(m_mutex);
        m_edges.push_back(when);
    }
    std::vector<Time> Edges() const
    {
        const std::lock_guard lock(m_mutex);
        return m_edges;
    }

private:
    KeyerPlatform* m_stamp;
    bool m_key = false;
    mutable std::mutex m_mutex;
    std::vector<Time> m_edges;
};

std::vector<Time> NominalEdges(const QString& text)
{
    TVirtualKeyerPlatform clock;
    auto out = std::make_unique<TEdgeRecorder>(nullptr);
    TEdgeRecorder* rec = out.get();
    TCwKeyer keyer(&clock, std::move(out));
    keyer.SetSpeed(255);
    keyer.SendText(text);
    clock.RunUntil([&] { return keyer.Idle(); });
    return rec->Edges();
}

QString ThirtySecondText()
{
    const QString round = QStringLiteral("CQ TEST S59ABC 5NN 069 TU ? / + 0 ");
    const std::vector<Time> once = NominalEdges(round);
    const double roundMs = std::chrono::duration<double, std::milli>(once.back() - once.front()).count();
    return round.repeated(qsizetype(std::ceil(30000 / roundMs)));
}

TMainFrm& window()
{
    static TMainFrm* w = [] {
        auto* w = new TMainFrm;
        w->show();
        w->KeyerDisable();  // only the keyer measured keys
        ScriptedDialogs dlg;
        dlg.answerFile(root->filePath("prog/Data/big.DAT"));
        w->Odpri1->trigger();
        UserInfo.User.Call = QStringLiteral("S59ABC");  // the listing's name; no question
        return w;
    }();
    return *w;
}

// Keys the text while the user-interface thread works and the other core spins.
// bare: the baseline, a thread scheduled as the keying thread is that only
// sleeps to the same deadlines, for what the machine itself allows.
void Measure(benchmark::State& state, bool realTime, bool bare)
{
    const QString text = ThirtySecondText();
    const std::vector<Time> nominal = NominalEdges(text);
    TMainFrm& w = window();

    std::atomic<bool> spin{true};
    std::thread busy([&spin] {
        volatile unsigned long n = 0;
        while (spin.load(std::memory_order_relaxed)) n = n + 1;
    });

    auto platform = MakeRealKeyerPlatform(realTime);
    auto stamp = MakeRealKeyerPlatform(false);

    // The user-interface thread's work: a save every 100 ms, a listing every tenth time.
    int saves = 0, listings = 0;
    double longestMs = 0;
    QTimer work;
    work.setInterval(100);
    QObject::connect(&work, &QTimer::timeout, [&] {
        const Time from = stamp->Now();
        w.edCall->setText(QStringLiteral("Q1K%1").arg(saves));
        w.edHisMulti->setText(QStringLiteral("42"));
        w.Save();
        ++saves;
        if (saves % 10 == 0) {
            w.LogKreiraj->trigger();
            ++listings;
        }
        longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(stamp->Now() - from).count());
    });

    std::vector<Time> real;
    bool granted = false;
    for (auto _ : state) {
        QEventLoop loop;
        work.start();
        if (bare) {
            std::thread sleeper([&] {
                MinimiseTimerSlack();
                granted = realTime && RequestRealTimeScheduling();
                if (!granted) RequestShortTimeSlice();
                const Time start = stamp->Now();
                for (const Time edge : nominal) {
                    platform->SleepUntil(start + (edge - nominal.front()));
                    real.push_back(stamp->Now());
                }
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            });
            loop.exec();
            sleeper.join();
        } else {
            auto out = std::make_unique<TEdgeRecorder>(stamp.get());
            TEdgeRecorder* rec = out.get();
            TCwKeyer keyer(platform.get(), std::move(out));
            keyer.SetSpeed(255);
            keyer.SetSpeaker(true);
            granted = keyer.RealTime();
            keyer.SendText(text, [&](bool) { loop.quit(); });
            loop.exec();
            real = rec->Edges();
        }
        work.stop();
    }
    spin = false;
    busy.join();

    if (real.size() != nominal.size()) {
        state.SkipWithError("the real run keyed a different sequence");
        return;
    }
    std::vector<double> errors;
    for (std::size_t i = 0; i < real.size(); ++i)
        errors.push_back(std::abs(
            std::chrono::duration<double, std::milli>((real[i] - real[0]) - (nominal[i] - nominal[0])).count()));
    std::sort(errors.begin(), errors.end());
    const double nominalMs = std::chrono::duration<double, std::milli>(nominal.back() - nominal.front()).count();
    const double realMs = std::chrono::duration<double, std::milli>(real.back() - real.front()).count();
    state.counters["realtime"] = granted ? 1 : 0;
    state.counters["nominal_s"] = nominalMs / 1000;
    state.counters["edges"] = double(real.size());
    state.counters["max_edge_error_ms"] = errors.back();
    state.counters["p999_edge_error_ms"] = errors[std::min(errors.size() - 1, errors.size() * 999 / 1000)];
    state.counters["p99_edge_error_ms"] = errors[errors.size() * 99 / 100];
    state.counters["length_error_pct"] = std::abs(realMs - nominalMs) / nominalMs * 100;
    state.counters["saves"] = saves;
    state.counters["listings"] = listings;
    state.counters["ui_longest_ms"] = longestMs;
}

void BM_Key30sAt255WhileSaving(benchmark::State& state, bool realTime) { Measure(state, realTime, false); }
void BM_Baseline_BareSleeps(benchmark::State& state, bool realTime) { Measure(state, realTime, true); }

BENCHMARK_CAPTURE(BM_Key30sAt255WhileSaving, realtime, true)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Key30sAt255WhileSaving, normal, false)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Baseline_BareSleeps, realtime, true)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Baseline_BareSleeps, normal, false)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    root = &dir;
    QDir(dir.path()).mkpath("prog/Data");
    QDir(dir.path()).mkpath("prog/Txt");
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    BuildFolderTable(dir.filePath("prog"));
    bench::generateLetnice(Dir.Data + "S5_Letnice.dat", 1000);
    bench::generateLog(Dir.Data + "big.DAT", 100000);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

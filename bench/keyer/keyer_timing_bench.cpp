// Keying accuracy against the real clock: a text of about 30 seconds at the
// top speed, with the speaker on, keyed onto the recording port device while
// a spinning thread keeps the other core busy. The nominal timeline comes from
// the same text keyed on the virtual clock.
//
// Counters: max_edge_error_ms (largest distance of a key-line write from its
// nominal time, counted from the start of the send), p99_edge_error_ms,
// edges_over_2ms, and length_error_pct (whole text against its nominal length).

#include "keyer/CwKeyer.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/zlportio.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

using namespace zox;
using Time = KeyerPlatform::Time;

struct Run {
    std::vector<Time> Edges;  // key-line writes, from the start of the send
    Time Length{0};
};

Run Key(KeyerPlatform& platform, const QString& text)
{
    auto device = std::make_unique<TRecordingPortDevice>([&platform] { return platform.Now(); });
    TRecordingPortDevice* rec = device.get();
    rec->Reserve(200000);
    ZlPortIoStart(std::move(device));

    TCwKeyer keyer(&platform);
    keyer.SetSpeed(255);
    keyer.SetSpeaker(true);
    const Time start = platform.Now();
    keyer.SendText(text);
    Run run;
    run.Length = platform.Now() - start;
    for (const TPortRecord& r : rec->Records())
        if (r.IsWrite() && r.Request.Port == 0x37A) run.Edges.push_back(r.Time - start);
    ZlPortIoEnd();
    return run;
}

Run Nominal(const QString& text)
{
    TVirtualKeyerPlatform clock;
    return Key(clock, text);
}

QString ThirtySecondText()
{
    const QStringList words = QStringLiteral("CQ TEST S59ABC 5NN 069 TU ? / + 0").split(' ');
    QString text;
    for (int i = 0; Nominal(text).Length < std::chrono::seconds(30); ++i)
        text += words[i % words.size()] + QLatin1Char(' ');
    return text;
}

void BM_KeyThirtySecondsAt255(benchmark::State& state)
{
    const QString text = ThirtySecondText();
    const Run nominal = Nominal(text);

    std::atomic<bool> spin{true};
    std::thread busy([&spin] {
        volatile unsigned long n = 0;
        while (spin.load(std::memory_order_relaxed)) n = n + 1;
    });

    Run real;
    for (auto _ : state) real = Key(RealKeyerPlatform(), text);

    spin = false;
    busy.join();

    if (real.Edges.size() != nominal.Edges.size()) {
        state.SkipWithError("the real run keyed a different sequence");
        return;
    }
    std::vector<double> errors;
    for (std::size_t i = 0; i < real.Edges.size(); ++i)
        errors.push_back(std::abs(std::chrono::duration<double, std::milli>(real.Edges[i] - nominal.Edges[i]).count()));
    std::sort(errors.begin(), errors.end());
    const double maxEdge = errors.empty() ? 0 : errors.back();
    const double p99Edge = errors.empty() ? 0 : errors[errors.size() * 99 / 100];
    const auto over2ms = std::count_if(errors.begin(), errors.end(), [](double e) { return e > 2.0; });
    const double nominalMs = std::chrono::duration<double, std::milli>(nominal.Length).count();
    const double realMs = std::chrono::duration<double, std::milli>(real.Length).count();
    state.counters["nominal_s"] = nominalMs / 1000;
    state.counters["edges"] = double(real.Edges.size());
    state.counters["max_edge_error_ms"] = maxEdge;
    state.counters["p99_edge_error_ms"] = p99Edge;
    state.counters["edges_over_2ms"] = double(over2ms);
    state.counters["length_error_pct"] = std::abs(realMs - nominalMs) / nominalMs * 100;
}
BENCHMARK(BM_KeyThirtySecondsAt255)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    // The real platform handles pending input at every element, as in the program.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

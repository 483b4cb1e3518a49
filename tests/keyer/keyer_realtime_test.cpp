// Keying on the real clock while the thread that owns the keyer is busy: the
// key edges keep their times, because the keying thread does not wait for it.
// The bound is far from what is measured (see bench/keyer) and far below the
// 50 ms the owning thread is busy, so a late edge means the keyer waited.

#include "keyer/CwKeyer.h"
#include "keyer/KeyerPlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <mutex>

using namespace zox;
using Time = KeyerPlatform::Time;

namespace {

// Key edges with the time they happened on the keyer's clock.
class TEdgeRecorder final : public TKeyOutput {
public:
    explicit TEdgeRecorder(KeyerPlatform& clock, bool stampNow) : m_clock(clock), m_stampNow(stampNow) {}
    void Apply(Time at, const TKeyEvent& e) override
    {
        if (e.Kind != TKeyEvent::Control || e.Key == m_key) return;
        m_key = e.Key;
        const std::lock_guard lock(m_mutex);
        m_edges.push_back(m_stampNow ? m_clock.Now() : at);
    }
    std::vector<Time> Edges() const
    {
        const std::lock_guard lock(m_mutex);
        return m_edges;
    }

private:
    KeyerPlatform& m_clock;
    const bool m_stampNow;
    bool m_key = false;
    mutable std::mutex m_mutex;
    std::vector<Time> m_edges;
};

// Whether PTT is on, and whether the key ever went down; kept where the
// test can read it after the keyer has destroyed its output.
struct TPttState {
    std::atomic<bool> Ptt{false};
    std::atomic<bool> Keyed{false};
};

class TPttRecorder final : public TKeyOutput {
public:
    explicit TPttRecorder(TPttState& state) : m_state(state) {}
    void Apply(Time, const TKeyEvent& e) override
    {
        if (e.Kind == TKeyEvent::Ptt) m_state.Ptt = e.Value != 0;
        if (e.Kind == TKeyEvent::Control && e.Key) m_state.Keyed = true;
    }
    bool HasPtt() const override { return true; }

private:
    TPttState& m_state;
};

const QString kText = QStringLiteral("CQ TEST S59ABC 5NN 069 TU");
constexpr int kSpeed = 150;  // 36 ms dots

}  // namespace

class KeyerRealTimeTest : public QObject {
    Q_OBJECT
private slots:
    void edgesAreNotDelayedByABusyUserInterfaceThread()
    {
        // Where the edges belong: the same text on the virtual clock.
        std::vector<Time> nominal;
        {
            TVirtualKeyerPlatform clock;
            auto out = std::make_unique<TEdgeRecorder>(clock, false);
            TEdgeRecorder* rec = out.get();
            TCwKeyer keyer(&clock, std::move(out));
            keyer.SetSpeed(kSpeed);
            keyer.SendText(kText);
            QVERIFY(clock.RunUntil([&] { return keyer.Idle(); }));
            nominal = rec->Edges();
        }
        QVERIFY(nominal.size() > 50);

        auto platform = MakeRealKeyerPlatform(false);
        auto out = std::make_unique<TEdgeRecorder>(*platform, true);
        TEdgeRecorder* rec = out.get();
        TCwKeyer keyer(platform.get(), std::move(out));
        keyer.SetSpeed(kSpeed);
        bool ended = false;
        bool queuedCallRan = false;
        QTimer::singleShot(0, [&] { queuedCallRan = true; });
        keyer.SendText(kText, [&](bool toTheEnd) { ended = toTheEnd; });
        // It returned at once, without running this thread's events.
        QVERIFY(keyer.Sending());
        QVERIFY(!queuedCallRan);
        QVERIFY(!ended);

        // This thread is busy for 50 ms at a time, with short breaks for its events.
        std::vector<std::pair<Time, Time>> busy;
        QElapsedTimer limit;
        limit.start();
        while (!ended && limit.elapsed() < 30000) {
            const Time from = platform->Now();
            while (platform->Now() - from < std::chrono::milliseconds(50)) {
            }
            busy.emplace_back(from, platform->Now());
            QTest::qWait(5);
        }
        QVERIFY(ended);
        QVERIFY(queuedCallRan);

        const std::vector<Time> real = rec->Edges();
        QCOMPARE(real.size(), nominal.size());
        double worst = 0;
        int duringBusy = 0;
        for (std::size_t i = 0; i < real.size(); ++i) {
            const Time error = (real[i] - real[0]) - (nominal[i] - nominal[0]);
            worst = std::max(worst, std::abs(std::chrono::duration<double, std::milli>(error).count()));
            for (const auto& [from, to] : busy) duringBusy += real[i] >= from && real[i] < to;
        }
        // Most edges fell while this thread was busy, and none of them waited for it.
        QVERIFY2(duringBusy > int(real.size()) / 2, qPrintable(QString::number(duringBusy)));
        QVERIFY2(worst < 20, qPrintable(QStringLiteral("worst edge %1 ms off").arg(worst)));
    }

    // Switching the keyer off (or closing) in a long PTT lead ends it at once,
    // not when the lead has run out: the window waits for the keying thread.
    void shutdownInALongLeadDoesNotWaitForIt()
    {
        TPttState state;
        TCwKeyer keyer(nullptr, std::make_unique<TPttRecorder>(state));
        keyer.SetPttTiming({true, 5000, 100});
        keyer.SendText(QStringLiteral("E"));
        QTRY_VERIFY_WITH_TIMEOUT(state.Ptt, 1000);
        QElapsedTimer shutdown;
        shutdown.start();
        keyer.Shutdown();
        // Far below the lead, far above a scheduling delay.
        QVERIFY2(shutdown.elapsed() < 2500, qPrintable(QString::number(shutdown.elapsed())));
        QVERIFY(!state.Ptt);
        QVERIFY(!state.Keyed);
    }
};

QTEST_GUILESS_MAIN(KeyerRealTimeTest)
#include "keyer_realtime_test.moc"

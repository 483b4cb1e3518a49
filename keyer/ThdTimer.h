#pragma once
// A timer whose timing runs on a thread of its own. (The keyer does not need
// it: its keying thread polls the paddles itself, see CwKeyer.h.)
// At each tick the thread hands the tick to the thread that owns the timer
// (the user-interface thread) and waits until the handler has run there, so
// the handler never runs beside other user-interface code and ticks never pile up.

#include <QObject>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace zox {

class TThreadedTimer;

// Shared between the timer, its thread and ticks in flight, so that neither
// side waits on the other after the timer is gone.
struct TTimerState {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Terminate = false;
    bool Parked = true;
    bool Event = false;  // auto-reset: wakes the thread once, without a tick
    quint32 Interval = 1000;
    bool TickHandled = true;
};

class TTimerThread : public QThread {
public:
    TTimerThread(TThreadedTimer& timer, std::shared_ptr<TTimerState> state);

protected:
    void run() override;

private:
    TThreadedTimer& m_timer;
    std::shared_ptr<TTimerState> m_state;
};

class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    explicit TThreadedTimer(QObject* parent = nullptr);
    ~TThreadedTimer() override;

    bool AllowZero() const { return m_allowZero; }
    void SetAllowZero(bool allow) { m_allowZero = allow; }
    bool Enabled() const { return m_enabled; }
    // True: the first tick comes one full interval later (not with interval 0
    // unless AllowZero). False: the thread parks.
    void SetEnabled(bool enabled);
    quint32 Interval() const { return m_interval; }
    // Keeps the enabled state; an enabled timer starts a fresh interval.
    void SetInterval(quint32 milliseconds);
    QThread::Priority ThreadPriority() const { return m_priority; }
    void SetThreadPriority(QThread::Priority priority);

    // Run on the owning thread at each tick while enabled. May destroy the timer.
    std::function<void()> OnTimer;

    // The timing thread is parked (not measuring time).
    bool Parked() const;

private:
    friend class TTimerThread;
    void PostTick();  // from the timing thread
    void Tick();      // on the owning thread

    std::shared_ptr<TTimerState> m_state;
    TTimerThread m_thread;
    bool m_allowZero = false;
    bool m_enabled = false;
    quint32 m_interval = 1000;
    QThread::Priority m_priority = QThread::NormalPriority;
};

}  // namespace zox

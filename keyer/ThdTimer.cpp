#include "keyer/ThdTimer.h"

#include <chrono>

namespace zox {

TTimerThread::TTimerThread(TThreadedTimer& timer, std::shared_ptr<TTimerState> state)
    : m_timer(timer), m_state(std::move(state))
{
}

void TTimerThread::run()
{
    TTimerState& s = *m_state;
    std::unique_lock lock(s.Mutex);
    while (!s.Terminate) {
        if (s.Parked) {
            s.Changed.wait(lock, [&] { return !s.Parked || s.Terminate; });
            continue;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(s.Interval);
        s.Changed.wait_until(lock, deadline, [&] { return s.Event || s.Terminate || s.Parked; });
        if (s.Terminate) break;
        if (s.Event) {
            s.Event = false;  // woken: start a fresh interval, no tick
            continue;
        }
        if (s.Parked) continue;
        // Timed out: one tick, handed over and waited for.
        s.TickHandled = false;
        lock.unlock();
        m_timer.PostTick();
        lock.lock();
        s.Changed.wait(lock, [&] { return s.TickHandled || s.Terminate; });
    }
}

TThreadedTimer::TThreadedTimer(QObject* parent)
    : QObject(parent), m_state(std::make_shared<TTimerState>()), m_thread(*this, m_state)
{
    m_thread.start();
}

TThreadedTimer::~TThreadedTimer()
{
    {
        std::lock_guard lock(m_state->Mutex);
        m_state->Terminate = true;
        m_state->Event = true;
        m_state->Parked = false;
    }
    m_state->Changed.notify_all();
    // The thread never waits for this thread once Terminate is set, so this cannot hang;
    // a tick still queued is dropped with this object.
    m_thread.wait();
}

void TThreadedTimer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    {
        std::lock_guard lock(m_state->Mutex);
        if (!enabled) {
            m_state->Parked = true;
        } else if (m_interval != 0 || m_allowZero) {
            m_state->Event = true;
            m_state->Parked = false;
        }
    }
    m_state->Changed.notify_all();
}

void TThreadedTimer::SetInterval(quint32 milliseconds)
{
    if (milliseconds == m_interval) return;
    const bool wasEnabled = m_enabled;
    SetEnabled(false);
    m_interval = milliseconds;
    {
        std::lock_guard lock(m_state->Mutex);
        m_state->Interval = milliseconds;
    }
    SetEnabled(wasEnabled);
}

void TThreadedTimer::SetThreadPriority(QThread::Priority priority)
{
    if (priority == m_priority) return;
    m_priority = priority;
    m_thread.setPriority(priority);
}

bool TThreadedTimer::Parked() const
{
    std::lock_guard lock(m_state->Mutex);
    return m_state->Parked;
}

void TThreadedTimer::PostTick()
{
    // Queued to this object: if the timer is destroyed first, Qt drops the call.
    std::shared_ptr<TTimerState> state = m_state;
    QMetaObject::invokeMethod(
        this,
        [this, state] {
            Tick();  // may destroy this timer: only the shared state is used afterwards
            {
                std::lock_guard lock(state->Mutex);
                state->TickHandled = true;
            }
            state->Changed.notify_all();
        },
        Qt::QueuedConnection);
}

void TThreadedTimer::Tick()
{
    if (!m_enabled || !OnTimer) return;
    const auto handler = OnTimer;  // stays alive even if the handler destroys the timer
    handler();
}

}  // namespace zox

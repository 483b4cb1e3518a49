#include "keyer/KeyerPlatform.h"

#include "keyer/PiMutex.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#endif

namespace zox {

namespace {

using Time = KeyerPlatform::Time;

#if defined(__linux__)

timespec ToTimespec(Time t)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t.count() / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(t.count() % 1'000'000'000);
    return ts;
}

class TRealKeyerPlatform final : public KeyerPlatform {
public:
    explicit TRealKeyerPlatform(bool realTime) : m_realTime(realTime)
    {
        pthread_condattr_t attr;
        pthread_condattr_init(&attr);
        pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
        pthread_cond_init(&m_cond, &attr);
        pthread_condattr_destroy(&attr);
    }
    ~TRealKeyerPlatform() override { pthread_cond_destroy(&m_cond); }

    Time Now() override
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
    }

    void SleepUntil(Time deadline) override
    {
        // An absolute sleep: lateness of one wake-up does not carry into the next.
        const timespec ts = ToTimespec(deadline);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
    }

    void WaitUntil(Time deadline) override
    {
        const std::lock_guard lock(m_mutex);
        const timespec ts = ToTimespec(deadline);
        while (!m_woken) {
            const int rc = deadline == kNever ? pthread_cond_wait(&m_cond, m_mutex.native_handle())
                                              : pthread_cond_timedwait(&m_cond, m_mutex.native_handle(), &ts);
            if (rc == ETIMEDOUT) break;
        }
        m_woken = false;
    }

    void Wake() override
    {
        const std::lock_guard lock(m_mutex);
        m_woken = true;
        pthread_cond_signal(&m_cond);
    }

    bool RealTimeWanted() const override { return m_realTime; }

private:
    const bool m_realTime;
    TPiMutex m_mutex;
    pthread_cond_t m_cond;
    bool m_woken = false;
};

#else

class TRealKeyerPlatform final : public KeyerPlatform {
public:
    explicit TRealKeyerPlatform(bool realTime) : m_realTime(realTime) {}
    Time Now() override { return std::chrono::steady_clock::now().time_since_epoch(); }
    void SleepUntil(Time deadline) override
    {
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline)));
    }
    void WaitUntil(Time deadline) override
    {
        std::unique_lock lock(m_mutex);
        if (deadline == kNever) m_cond.wait(lock, [this] { return m_woken; });
        else
            m_cond.wait_until(lock,
                              std::chrono::steady_clock::time_point(
                                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline)),
                              [this] { return m_woken; });
        m_woken = false;
    }
    void Wake() override
    {
        const std::lock_guard lock(m_mutex);
        m_woken = true;
        m_cond.notify_one();
    }
    bool RealTimeWanted() const override { return m_realTime; }

private:
    const bool m_realTime;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_woken = false;
};

#endif

// A keying thread that never waits is a fault in the keyer; a test should say so, not hang.
constexpr auto kThreadStepLimit = std::chrono::seconds(60);

}  // namespace

std::unique_ptr<KeyerPlatform> MakeRealKeyerPlatform(bool realTime)
{
    return std::make_unique<TRealKeyerPlatform>(realTime);
}

bool RequestRealTimeScheduling()
{
#if defined(__linux__)
    const int lowest = sched_get_priority_min(SCHED_FIFO);
    int priority = std::max(lowest, std::min(50, sched_get_priority_max(SCHED_FIFO)));
    // Without CAP_SYS_NICE an unprivileged process may go up to its RLIMIT_RTPRIO.
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur > 0 &&
        limit.rlim_cur < rlim_t(priority))
        priority = std::max(lowest, int(limit.rlim_cur));
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
#else
    return false;
#endif
}

bool RequestShortTimeSlice()
{
#if defined(__linux__) && defined(SYS_sched_setattr)
    // struct sched_attr as the kernel takes it (its first version, 48 bytes).
    struct {
        quint32 size;
        quint32 policy;
        quint64 flags;
        qint32 nice;
        quint32 priority;
        quint64 runtime;
        quint64 deadline;
        quint64 period;
    } attr{};
    attr.size = sizeof attr;
    attr.policy = SCHED_OTHER;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (errno != 0) return false;
    attr.nice = nice;             // kept as it is
    attr.runtime = 100'000;       // the slice, in nanoseconds
    return syscall(SYS_sched_setattr, 0, &attr, 0) == 0;
#else
    return false;
#endif
}

void MinimiseTimerSlack()
{
#if defined(__linux__)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

// ---- the virtual clock

Time TVirtualKeyerPlatform::Now()
{
    const std::lock_guard lock(m_mutex);
    return m_now;
}

bool TVirtualKeyerPlatform::OnKeyingThread() const
{
    return m_thread != TThreadState::None && std::this_thread::get_id() == m_threadId;
}

void TVirtualKeyerPlatform::Block(Time deadline, bool wakeable, std::unique_lock<std::mutex>& lock)
{
    for (;;) {
        if (m_interrupted) return;
        if (wakeable && m_woken) {
            m_woken = false;
            return;
        }
        if (deadline <= m_now) return;
        m_thread = TThreadState::Waiting;
        m_deadline = deadline;
        m_wakeable = wakeable;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_thread != TThreadState::Waiting || m_interrupted; });
        m_thread = TThreadState::Running;
        if (m_threadAction) {
            auto action = std::move(m_threadAction);
            m_threadAction = nullptr;
            lock.unlock();
            action();  // may throw: the wait ends with it
            lock.lock();
        }
    }
}

void TVirtualKeyerPlatform::SleepUntil(Time deadline)
{
    std::unique_lock lock(m_mutex);
    if (OnKeyingThread()) {
        Block(deadline, false, lock);
        return;
    }
    lock.unlock();
    RunUntil(deadline);
}

void TVirtualKeyerPlatform::WaitUntil(Time deadline)
{
    std::unique_lock lock(m_mutex);
    if (OnKeyingThread()) {
        Block(deadline, true, lock);
        return;
    }
    lock.unlock();
    RunUntil(deadline);
}

void TVirtualKeyerPlatform::Wake()
{
    // Noted only: the waiting thread goes on when the test lets the clock
    // run, so whatever the test gives between two runs reaches it together.
    const std::lock_guard lock(m_mutex);
    m_woken = true;
}

void TVirtualKeyerPlatform::AttachThread()
{
    const std::lock_guard lock(m_mutex);
    if (m_thread != TThreadState::None) throw std::logic_error("a virtual keyer clock serves one keying thread at a time");
    m_thread = TThreadState::Running;  // counts as running until it first waits
    m_threadId = {};
    m_woken = false;
    m_interrupted = false;
}

void TVirtualKeyerPlatform::ThreadBegins()
{
    std::unique_lock lock(m_mutex);
    m_threadId = std::this_thread::get_id();
    // Nothing before the test lets the clock run first.
    m_thread = TThreadState::Waiting;
    m_deadline = m_now;
    m_wakeable = false;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_thread != TThreadState::Waiting || m_interrupted; });
    m_thread = TThreadState::Running;
}

void TVirtualKeyerPlatform::DetachThread()
{
    const std::lock_guard lock(m_mutex);
    m_thread = TThreadState::None;
    m_threadId = {};
    m_changed.notify_all();
}

void TVirtualKeyerPlatform::Interrupt()
{
    const std::lock_guard lock(m_mutex);
    m_interrupted = true;
    m_changed.notify_all();
}

void TVirtualKeyerPlatform::Advance(Time duration)
{
    std::unique_lock lock(m_mutex);
    const Time until = m_now + duration;
    if (OnKeyingThread()) {
        Block(until, false, lock);
        return;
    }
    lock.unlock();
    RunUntil(until);
}

void TVirtualKeyerPlatform::At(Time time, std::function<void()> action)
{
    const std::lock_guard lock(m_mutex);
    m_actions.emplace(time, std::move(action));
}

void TVirtualKeyerPlatform::AtOnKeyingThread(Time time, std::function<void()> action)
{
    const std::lock_guard lock(m_mutex);
    m_threadActions.emplace(time, std::move(action));
}

void TVirtualKeyerPlatform::RunUntil(Time until)
{
    RunUntil(nullptr, until);
    const std::lock_guard lock(m_mutex);
    m_now = std::max(m_now, until);
}

void TVirtualKeyerPlatform::Step()
{
    // The calls the keying thread posted to this thread arrive now, in order,
    // while the clock stands where the thread posted them.
    if (QCoreApplication* app = QCoreApplication::instance(); app && QThread::currentThread() == app->thread())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    if (OnProcessEvents) {
        const auto hook = OnProcessEvents;  // the hook may replace itself
        hook();
    }
}

bool TVirtualKeyerPlatform::RunUntil(const std::function<bool()>& done, Time limit)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_changed.wait_for(lock, kThreadStepLimit, [this] { return m_thread != TThreadState::Running; }))
            throw std::runtime_error("the keying thread did not come to a wait");
        if (m_thread == TThreadState::Waiting && m_wakeable && m_woken) {
            m_thread = TThreadState::Running;  // a message for it came meanwhile
            m_changed.notify_all();
            continue;
        }
        lock.unlock();
        Step();
        const bool finished = done && done();
        lock.lock();
        if (finished) return true;
        if (m_thread == TThreadState::Waiting && m_wakeable && m_woken) continue;  // the step gave it a message

        const bool waiting = m_thread == TThreadState::Waiting;
        Time next = waiting ? m_deadline : kNever;
        enum { Thread, Action, ThreadAction } what = Thread;
        if (!m_actions.empty() && m_actions.begin()->first <= next) {
            next = m_actions.begin()->first;
            what = Action;
        }
        if (!m_threadActions.empty() && m_threadActions.begin()->first < next) {
            next = m_threadActions.begin()->first;
            what = ThreadAction;
        }
        if (next == kNever || next > limit) {
            if (limit != kNever) m_now = std::max(m_now, limit);
            return false;
        }
        m_now = std::max(m_now, next);
        switch (what) {
        case Action: {
            auto action = std::move(m_actions.begin()->second);
            m_actions.erase(m_actions.begin());
            lock.unlock();
            action();
            lock.lock();
            break;
        }
        case ThreadAction: {
            auto action = std::move(m_threadActions.begin()->second);
            m_threadActions.erase(m_threadActions.begin());
            if (waiting) {
                m_threadAction = std::move(action);
                m_thread = TThreadState::Running;
                m_changed.notify_all();
            } else {
                lock.unlock();
                action();
                lock.lock();
            }
            break;
        }
        case Thread:
            m_thread = TThreadState::Running;
            m_changed.notify_all();
            break;
        }
    }
}

}  // namespace zox

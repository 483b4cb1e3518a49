#include "keyer/KeyerPlatform.h"

#include <QCoreApplication>
#include <cerrno>
#include <thread>

#if defined(__linux__)
#include <time.h>
#endif

namespace zox {

namespace {

class TRealKeyerPlatform final : public KeyerPlatform {
public:
    Time Now() override
    {
#if defined(__linux__)
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
#else
        return std::chrono::steady_clock::now().time_since_epoch();
#endif
    }

    void SleepUntil(Time deadline) override
    {
#if defined(__linux__)
        // An absolute sleep: lateness of one wake-up does not carry into the next.
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(deadline.count() / 1'000'000'000);
        ts.tv_nsec = static_cast<long>(deadline.count() % 1'000'000'000);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
#else
        std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline)));
#endif
    }

    void ProcessEvents() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
};

}  // namespace

KeyerPlatform& RealKeyerPlatform()
{
    static TRealKeyerPlatform platform;
    return platform;
}

void TVirtualKeyerPlatform::RunDueUntil(Time until)
{
    // Actions may add actions; take them one at a time.
    for (;;) {
        auto it = m_actions.begin();
        if (it == m_actions.end() || it->first > until) break;
        if (it->first > m_now) m_now = it->first;
        auto action = std::move(it->second);
        m_actions.erase(it);
        action();
    }
}

void TVirtualKeyerPlatform::SleepUntil(Time deadline)
{
    RunDueUntil(deadline);
    if (deadline > m_now) m_now = deadline;
}

void TVirtualKeyerPlatform::ProcessEvents()
{
    if (OnProcessEvents) {
        auto hook = OnProcessEvents;  // the hook may replace itself
        hook();
    }
}

void TVirtualKeyerPlatform::Advance(Time duration)
{
    SleepUntil(m_now + duration);
}

void TVirtualKeyerPlatform::At(Time time, std::function<void()> action)
{
    m_actions.emplace(time, std::move(action));
}

}  // namespace zox

#pragma once
// What the keyer needs of the platform: a monotonic clock, sleeping until a
// deadline, and handling the user-interface input that is waiting.
// The real platform sleeps on the system's monotonic clock; the virtual one
// only moves its own clock, so timing tests run exactly and without waiting.

#include <chrono>
#include <functional>
#include <map>

namespace zox {

class KeyerPlatform {
public:
    using Time = std::chrono::nanoseconds;  // since an arbitrary fixed point

    virtual ~KeyerPlatform() = default;
    virtual Time Now() = 0;
    // Returns at the deadline (at once when it has passed).
    virtual void SleepUntil(Time deadline) = 0;
    // Handles queued keyboard, mouse, timer and window messages, then returns.
    virtual void ProcessEvents() = 0;
};

// The real platform: monotonic clock, absolute sleeps, QCoreApplication::processEvents.
KeyerPlatform& RealKeyerPlatform();

// A clock that moves only when the keyer sleeps or a test advances it.
class TVirtualKeyerPlatform : public KeyerPlatform {
public:
    Time Now() override { return m_now; }
    void SleepUntil(Time deadline) override;
    void ProcessEvents() override;

    // Lets time pass as if work had taken it (runs actions falling due on the way).
    void Advance(Time duration);
    // Runs action when the clock reaches time, e.g. a click during a sleep.
    void At(Time time, std::function<void()> action);

    // Runs at every ProcessEvents: stands in for the user's queued input.
    std::function<void()> OnProcessEvents;

private:
    void RunDueUntil(Time until);

    Time m_now{0};
    std::multimap<Time, std::function<void()>> m_actions;
};

}  // namespace zox

#pragma once
// What the keying thread needs of the platform: a monotonic clock, sleeping
// until a deadline, and an idle wait that another thread can end.
//
// The real platform sleeps with clock_nanosleep on the monotonic clock. The
// virtual one has no time of its own: its clock moves only when the test
// lets it (RunUntil), and then only as far as the keying thread's next
// deadline, so a test drives the keying thread step by step and every port
// write lands at an exact time.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace zox {

class KeyerPlatform {
public:
    using Time = std::chrono::nanoseconds;  // since an arbitrary fixed point
    static constexpr Time kNever = Time::max();

    virtual ~KeyerPlatform() = default;
    // Any thread.
    virtual Time Now() = 0;
    // Keying thread: returns at the deadline (at once when it has passed).
    virtual void SleepUntil(Time deadline) = 0;
    // Keying thread: returns at the deadline (kNever: none) or once Wake() is
    // called, whichever comes first. A Wake() that came while the thread was
    // busy ends its next wait at once.
    virtual void WaitUntil(Time deadline) = 0;
    // Any thread: ends the keying thread's idle wait.
    virtual void Wake() = 0;

    // The keying thread's life: AttachThread on the thread that starts it,
    // before it exists; ThreadBegins and DetachThread on the keying thread
    // itself, first and last.
    virtual void AttachThread() {}
    virtual void ThreadBegins() {}
    virtual void DetachThread() {}
    // Any thread: the keyer is going away and its thread must end soon. The
    // real platform lets the element being keyed run out; the virtual one
    // ends every wait at once.
    virtual void Interrupt() {}

    // Whether the keying thread should ask for real-time scheduling.
    virtual bool RealTimeWanted() const { return false; }
};

// The real platform. realTime: the keying thread asks for SCHED_FIFO where
// the process may have it.
std::unique_ptr<KeyerPlatform> MakeRealKeyerPlatform(bool realTime = true);

// For the calling thread, how the keying thread asks to be scheduled:
// real-time scheduling (SCHED_FIFO), where the process may have it
// (RLIMIT_RTPRIO above 0, or CAP_SYS_NICE). Returns whether it was granted;
// the thread runs on unchanged otherwise.
bool RequestRealTimeScheduling();
// As a normal thread: a short time slice (0.1 ms), which lets a thread that
// mostly sleeps take the processor from busy ones as soon as it wakes (Linux
// 6.12 and later; older kernels ignore it). Returns whether it was taken.
bool RequestShortTimeSlice();
// Its timers end as close to their deadline as the kernel allows (timer
// slack 1 ns instead of 50 µs).
void MinimiseTimerSlack();

// A clock that moves only when a test lets it. One keying thread at a time.
//
// The test thread (the one that owns the keyer) calls RunUntil: the keying
// thread then runs until it waits, the clock moves to the earliest of its
// deadline and the actions set with At, and so on, step by step. At each
// step, while the keying thread waits, the queued calls it posted to the
// test thread are delivered (when that thread runs a Qt application) and
// OnProcessEvents runs. A Wake() only takes effect when the test next lets
// the clock run, so whatever the test gives the keyer between two runs
// reaches the keying thread together, in order.
class TVirtualKeyerPlatform : public KeyerPlatform {
public:
    TVirtualKeyerPlatform() = default;
    ~TVirtualKeyerPlatform() override = default;

    Time Now() override;
    // On the keying thread as described above; on any other thread it runs
    // the clock to the deadline (RunUntil).
    void SleepUntil(Time deadline) override;
    void WaitUntil(Time deadline) override;
    void Wake() override;
    void AttachThread() override;
    void ThreadBegins() override;
    void DetachThread() override;
    void Interrupt() override;

    // Lets time pass as if work had taken it: on the keying thread a sleep,
    // elsewhere RunUntil(Now() + duration).
    void Advance(Time duration);
    // Runs action on the test thread when the clock reaches time (during
    // RunUntil), while the keying thread waits: a click at a given moment.
    void At(Time time, std::function<void()> action);
    // Runs action on the keying thread when the clock reaches time, inside
    // the wait it is in then (an exception leaves that wait): a device that
    // fails in the middle of an element.
    void AtOnKeyingThread(Time time, std::function<void()> action);

    // Runs everything that falls due up to `until`; the clock ends there.
    void RunUntil(Time until);
    // Runs until done() holds (asked at every step), or until nothing more
    // can happen before `limit`. Returns whether done() held.
    bool RunUntil(const std::function<bool()>& done, Time limit = std::chrono::hours(24));

    // Runs at every step on the test thread, while the keying thread waits.
    std::function<void()> OnProcessEvents;

private:
    enum class TThreadState { None, Running, Waiting };

    bool OnKeyingThread() const;  // call with the mutex held
    // Keying thread, mutex held: waits until the deadline (or a wake).
    void Block(Time deadline, bool wakeable, std::unique_lock<std::mutex>& lock);
    void Step();  // the step's work on the test thread, mutex not held

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    Time m_now{0};
    TThreadState m_thread = TThreadState::None;
    std::thread::id m_threadId;
    Time m_deadline{0};
    bool m_wakeable = false;
    bool m_woken = false;
    bool m_interrupted = false;
    std::function<void()> m_threadAction;  // handed to the keying thread to run
    std::multimap<Time, std::function<void()>> m_actions;
    std::multimap<Time, std::function<void()>> m_threadActions;
};

}  // namespace zox

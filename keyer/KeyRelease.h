#pragma once
// Key-up on every way out of the program. A transmitter left keyed sends a
// carrier until someone notices, so whatever can key it registers here how to
// let the key go:
//  - a normal action, run by ReleaseKeys() on the orderly ways out: the end of
//    the program, the keyer switched off, a termination signal handled in the
//    event loop;
//  - an async-signal-safe action, run by ReleaseKeysFromSignal() from fatal
//    signal handlers and from std::terminate: no allocation, no locks, only
//    calls such as write() and ioctl() on descriptors opened beforehand.
// Both also silence the sidetone.
//
// Threads: AddKeyRelease, RemoveKeyRelease and ReleaseKeys may be called from
// any thread; ReleaseKeysFromSignal from anywhere, a signal handler included.

#include <atomic>
#include <functional>

namespace zox {

// Keeps a signal handler's key-up the last word on a device that the keying
// thread writes to. The keying thread wraps each write in Enter/Leave; the
// handler closes the fence first: no write starts afterwards, and one under
// way on another thread ends before the handler writes. (One under way on the
// handler's own thread never ends; the handler waits 20 ms at most for it.)
// Only atomics: usable from a signal handler.
class TWriteFence {
public:
    // Before a write; false: the program is going down, do not write.
    bool Enter() noexcept
    {
        m_inFlight.fetch_add(1);
        if (!m_closed.load()) return true;
        m_inFlight.fetch_sub(1);
        return false;
    }
    void Leave() noexcept { m_inFlight.fetch_sub(1); }
    // From the signal handler, before its key release.
    void Close() noexcept;
    // A new device, or a test going on after calling the handler's release.
    void Open() noexcept { m_closed.store(false); }
    bool Closed() const noexcept { return m_closed.load(); }

private:
    std::atomic<int> m_inFlight{0};
    std::atomic<bool> m_closed{false};
};

using TSignalSafeRelease = void (*)(void* context) noexcept;

// Returns the registration's id. Up to 16 signal-safe actions are kept; one
// more is dropped (its normal action still runs).
int AddKeyRelease(std::function<void()> release, TSignalSafeRelease signalSafe = nullptr,
                  void* context = nullptr);
void RemoveKeyRelease(int id);

// Runs every normal action, oldest first.
void ReleaseKeys();
// Runs every signal-safe action.
void ReleaseKeysFromSignal() noexcept;

// Fatal signals (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL) and std::terminate
// release the keys through the signal-safe actions; then the default action
// follows, so the process still ends by the same signal (and leaves its core
// dump). Safe to call more than once.
void InstallFatalKeyRelease();

}  // namespace zox

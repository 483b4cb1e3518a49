#include "keyer/KeyRelease.h"

#include <array>
#include <atomic>
#include <csignal>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#if defined(__unix__)
#include <signal.h>
#include <time.h>
#endif

namespace zox {

void TWriteFence::Close() noexcept
{
    m_closed.store(true);
#if defined(__unix__)
    // clock_gettime is async-signal-safe.
    timespec start{}, now{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (m_inFlight.load() > 0) {
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long ns = (now.tv_sec - start.tv_sec) * 1'000'000'000LL + (now.tv_nsec - start.tv_nsec);
        if (ns > 20'000'000) break;
    }
#else
    for (long spins = 0; m_inFlight.load() > 0 && spins < 100'000'000; ++spins) {
    }
#endif
}

namespace {

// Read by signal handlers: plain atomics in a fixed table, nothing that allocates.
struct TSafeSlot {
    std::atomic<TSignalSafeRelease> Fn{nullptr};
    std::atomic<void*> Context{nullptr};
};
constexpr std::size_t kSafeSlots = 16;

struct TEntry {
    int Id;
    std::function<void()> Release;
    int Slot;  // -1: no signal-safe part
};

struct TRegistry {
    std::mutex Lock;
    std::vector<TEntry> Entries;
    int NextId = 1;
    std::array<TSafeSlot, kSafeSlots> Safe;
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}

}  // namespace

int AddKeyRelease(std::function<void()> release, TSignalSafeRelease signalSafe, void* context)
{
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    int slot = -1;
    if (signalSafe) {
        for (std::size_t i = 0; i < kSafeSlots; ++i) {
            if (r.Safe[i].Fn.load() == nullptr) {
                // The context first: a handler that sees the function sees its context too.
                r.Safe[i].Context.store(context);
                r.Safe[i].Fn.store(signalSafe);
                slot = int(i);
                break;
            }
        }
    }
    const int id = r.NextId++;
    r.Entries.push_back({id, std::move(release), slot});
    return id;
}

void RemoveKeyRelease(int id)
{
    TRegistry& r = Registry();
    const std::lock_guard lock(r.Lock);
    for (auto it = r.Entries.begin(); it != r.Entries.end(); ++it) {
        if (it->Id != id) continue;
        if (it->Slot >= 0) {
            r.Safe[std::size_t(it->Slot)].Fn.store(nullptr);
            r.Safe[std::size_t(it->Slot)].Context.store(nullptr);
        }
        r.Entries.erase(it);
        return;
    }
}

void ReleaseKeys()
{
    std::vector<std::function<void()>> actions;
    {
        TRegistry& r = Registry();
        const std::lock_guard lock(r.Lock);
        for (const TEntry& e : r.Entries)
            if (e.Release) actions.push_back(e.Release);
    }
    // Outside the lock: an action may register or remove others.
    for (const auto& release : actions) release();
}

void ReleaseKeysFromSignal() noexcept
{
    for (TSafeSlot& slot : Registry().Safe) {
        const TSignalSafeRelease fn = slot.Fn.load();
        if (fn) fn(slot.Context.load());
    }
}

namespace {

std::terminate_handler g_previousTerminate = nullptr;

void OnTerminate()
{
    ReleaseKeysFromSignal();
    // The previous handler says which exception it was, then aborts.
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

}  // namespace

#if defined(__unix__)

namespace {

extern "C" void OnFatalSignal(int sig)
{
    ReleaseKeysFromSignal();
    // SA_RESETHAND has put the default action back; the signal stays blocked
    // until the handler returns, and then ends the process as it would have.
    raise(sig);
}

}  // namespace

void InstallFatalKeyRelease()
{
    static bool installed = false;
    if (installed) return;
    installed = true;

    // A stack of its own, so a stack overflow still reaches the handler.
    static char altStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);

    struct sigaction sa{};
    sa.sa_handler = OnFatalSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_ONSTACK;
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) sigaction(sig, &sa, nullptr);

    g_previousTerminate = std::set_terminate(OnTerminate);
}

#else

void InstallFatalKeyRelease()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    g_previousTerminate = std::set_terminate(OnTerminate);
}

#endif

}  // namespace zox

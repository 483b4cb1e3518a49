#include "keyer/TermSignals.h"

#include "keyer/KeyRelease.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#if defined(__unix__)
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace zox {

#if defined(__unix__)

namespace {

constexpr int kTermSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_asked = 0;

extern "C" void OnTermSignal(int sig)
{
    const int savedErrno = errno;
    if (g_asked) {
        // Asked before and still running: the orderly way is stuck.
        ReleaseKeysFromSignal();
        signal(sig, SIG_DFL);
        raise(sig);  // delivered once the handler returns
    } else {
        g_asked = 1;
        const unsigned char byte = static_cast<unsigned char>(sig);
        [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TTermSignalWatcher::TTermSignalWatcher(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_asked = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { ReadPipe(); });

    struct sigaction sa{};
    sa.sa_handler = OnTermSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kTermSignals) sigaction(sig, &sa, nullptr);
}

TTermSignalWatcher::~TTermSignalWatcher()
{
    if (!m_notifier) return;
    for (int sig : kTermSignals) signal(sig, SIG_DFL);
}

void TTermSignalWatcher::ReadPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) emit Received(byte);
}

#else

TTermSignalWatcher::TTermSignalWatcher(QObject* parent) : QObject(parent) {}
TTermSignalWatcher::~TTermSignalWatcher() = default;
void TTermSignalWatcher::ReadPipe() {}

#endif

}  // namespace zox

// The key line goes up however the program ends: a child process keying on a
// port device that writes every request to a pipe is ended in the middle of a
// dash (or with Tune held) by each signal, and the requests it wrote are read
// back from the pipe.

#include "ChildExec.h"
#include "keyer/zlportio.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zox::test {
namespace {

constexpr quint32 kControl = 0x37A;
constexpr quint32 kSpeakerGate = 0x61;

// A keyer_exit_child, its requests coming through a pipe.
class ExitChild {
public:
    ExitChild(const std::string& mode, const QString& tempFolder)
    {
        // Its temporary folders land in tempFolder, so a child that dies leaves nothing behind.
        const ChildExec exec(ZOX_KEYER_EXIT_CHILD, {QString::fromStdString(mode)}, tempFolder);

        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here to exec.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(126);
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);  // the fatal signals dump no core here
            ::dup2(fds[1], 3);
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) ::dup2(null, 2);
            ::execve(exec.Argv()[0], exec.Argv(), exec.Envp());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_in = fds[0];
    }
    ~ExitChild()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_in >= 0) ::close(m_in);
    }

    bool Started() const { return m_pid > 0 && m_in >= 0; }
    void Signal(int sig) { ::kill(m_pid, sig); }

    // Reads requests until `until` holds for the last one, the pipe ends, or 10 s pass.
    bool ReadUntil(const std::function<bool(const std::vector<TPortRequest>&)>& until)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!until(Requests)) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (m_eof || left <= 0) return false;
            pollfd p{m_in, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0) continue;
            quint8 buf[4096];
            const ssize_t n = ::read(m_in, buf, sizeof buf);
            if (n <= 0) {
                m_eof = true;
                continue;
            }
            m_bytes.append(reinterpret_cast<const char*>(buf), n);
            while (m_bytes.size() >= 16) {
                const auto* r = reinterpret_cast<const quint8*>(m_bytes.constData());
                const quint32 code = quint32(r[0]) | (quint32(r[1]) << 8) | (quint32(r[2]) << 16) | (quint32(r[3]) << 24);
                if (code == kPortWriteRequest) Requests.push_back(*DecodePortRequest(r + 4, 12));
                m_bytes.remove(0, 16);
            }
        }
        return true;
    }
    bool ReadToEnd()
    {
        return ReadUntil([this](const std::vector<TPortRequest>&) { return m_eof; });
    }
    int Wait()
    {
        if (!m_reaped && ::waitpid(m_pid, &m_status, 0) == m_pid) m_reaped = true;
        return m_status;
    }

    std::vector<TPortRequest> Requests;  // the write requests, in order

private:
    pid_t m_pid = -1;
    int m_in = -1;
    bool m_eof = false;
    bool m_reaped = false;
    int m_status = 0;
    QByteArray m_bytes;
};

int LastValue(const std::vector<TPortRequest>& requests, quint32 port)
{
    for (std::size_t i = requests.size(); i > 0; --i)
        if (requests[i - 1].Port == port) return int(requests[i - 1].Value);
    return -1;
}

bool KeyDown(int controlValue) { return controlValue >= 0 && (controlValue & kLptKeyedBits) != 0; }

struct ExitCase {
    const char* name;
    const char* mode;  // send: in a dash with the speaker on; tune: Tune held
    int sig;           // 0: the child calls std::terminate
    bool orderly;      // closes its window and exits with 0
};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }

class KeyerExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(KeyerExit, TheLastRequestsLeaveTheKeyUpAndTheSpeakerOff)
{
    const ExitCase& c = GetParam();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    ExitChild child(c.mode, temp.path());
    ASSERT_TRUE(child.Started());

    const bool send = std::string(c.mode) == "send";
    // Keyed: in a send, the dash's key-down and its whole tone-on (the timer's
    // high byte last); with Tune, the manual key-down.
    std::size_t keyedAt = 0;
    const bool keyed = child.ReadUntil([&](const std::vector<TPortRequest>& r) {
        for (std::size_t i = 0; i + (send ? 4 : 0) < r.size(); ++i) {
            if (r[i].Port != kControl || !KeyDown(int(r[i].Value))) continue;
            if (send && !(r[i + 1].Port == kSpeakerGate && r[i + 1].Value == 0xFF && r[i + 4].Port == 0x42)) continue;
            keyedAt = i + (send ? 5 : 1);
            return true;
        }
        return false;
    });
    ASSERT_TRUE(keyed) << "the child never keyed";
    if (c.sig != 0) child.Signal(c.sig);
    ASSERT_TRUE(child.ReadToEnd()) << "the child did not end";
    const int status = child.Wait();

    const auto& r = child.Requests;
    ASSERT_GT(r.size(), keyedAt) << "nothing was written after the key went down";
    EXPECT_FALSE(KeyDown(LastValue(r, kControl))) << "key line left down";
    if (send) EXPECT_EQ(LastValue(r, kSpeakerGate), 0xFC) << "speaker left on";
    else EXPECT_EQ(LastValue(r, kSpeakerGate), -1) << "Tune has no tone";

    if (c.orderly) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    } else {
        const int expected = c.sig != 0 ? c.sig : SIGABRT;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == expected) << "status " << status;
        // From the handler, at once: the dash is cut, its own key-up never comes.
        const std::vector<TPortRequest> after(r.begin() + std::ptrdiff_t(keyedAt), r.end());
        ASSERT_FALSE(after.empty());
        EXPECT_EQ(after.front().Port, kControl);
        EXPECT_FALSE(KeyDown(int(after.front().Value)));
        for (const TPortRequest& q : after) EXPECT_FALSE(q.Port == kControl && KeyDown(int(q.Value)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, KeyerExit,
    ::testing::Values(ExitCase{"SendSigterm", "send", SIGTERM, true}, ExitCase{"SendSigint", "send", SIGINT, true},
                      ExitCase{"SendSighup", "send", SIGHUP, true}, ExitCase{"SendSigsegv", "send", SIGSEGV, false},
                      ExitCase{"SendSigabrt", "send", SIGABRT, false}, ExitCase{"TuneSigterm", "tune", SIGTERM, true},
                      ExitCase{"TuneSigint", "tune", SIGINT, true}, ExitCase{"TuneSighup", "tune", SIGHUP, true},
                      ExitCase{"TuneSigsegv", "tune", SIGSEGV, false},
                      ExitCase{"TuneSigabrt", "tune", SIGABRT, false},
                      ExitCase{"TuneTerminate", "terminate", 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zox::test

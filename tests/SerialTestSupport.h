#pragma once
// A stand-in for the serial port's system calls, for the tests of keying and
// PTT on DTR and RTS: it keeps every call with the keyer's time.

#include "keyer/KeyerPlatform.h"
#include "keyer/SerialKeyOutput.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <sys/ioctl.h>
#include <vector>

namespace zox::test {

// A serial port as the kernel keeps it: opening raises both lines (as Linux
// does for a port with a baud rate), the ioctl calls change them.
class TFakeSerialIo final : public TSerialIo {
public:
    explicit TFakeSerialIo(KeyerPlatform* clock = nullptr) : m_clock(clock) {}

    int Open(const QString& path, QString& error) override
    {
        const std::lock_guard lock(m_mutex);
        if (path.contains(QLatin1String("missing"))) {
            error = QStringLiteral("No such file or directory");
            return -1;
        }
        m_notATty = path.contains(QLatin1String("null"));
        m_lines = TIOCM_DTR | TIOCM_RTS;
        Note("open " + path.toStdString());
        return 7;
    }
    int Ioctl(int fd, unsigned long request, int* bits) override
    {
        const std::lock_guard lock(m_mutex);
        if (fd != 7 || m_notATty || m_failing) {
            errno = m_failing ? EIO : ENOTTY;
            return -1;
        }
        switch (request) {
        case TIOCMBIS: m_lines |= *bits; break;
        case TIOCMBIC: m_lines &= ~*bits; break;
        case TIOCMGET: *bits = m_lines; break;
        case TIOCMSET: m_lines = *bits; break;
        default: errno = EINVAL; return -1;
        }
        if (request == TIOCMBIS || request == TIOCMBIC)
            Note(std::string(request == TIOCMBIS ? "raise" : "drop") + Names(*bits));
        return 0;
    }
    void Close(int) override
    {
        const std::lock_guard lock(m_mutex);
        Note("close");
    }

    void Fail()
    {
        const std::lock_guard lock(m_mutex);
        m_failing = true;
    }
    int Lines() const
    {
        const std::lock_guard lock(m_mutex);
        return m_lines;
    }
    // "<ms> what" for each call, the time from the keyer's clock.
    std::vector<std::string> Calls() const
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }
    void Clear()
    {
        const std::lock_guard lock(m_mutex);
        m_calls.clear();
    }

private:
    static std::string Names(int bits)
    {
        std::string s;
        if (bits & TIOCM_DTR) s += " DTR";
        if (bits & TIOCM_RTS) s += " RTS";
        return s;
    }
    void Note(const std::string& what)
    {
        const long long ms =
            m_clock ? std::chrono::duration_cast<std::chrono::milliseconds>(m_clock->Now()).count() : 0;
        m_calls.push_back(std::to_string(ms) + " " + what);
    }

    KeyerPlatform* m_clock;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    int m_lines = 0;
    bool m_notATty = false;
    bool m_failing = false;
};

}  // namespace zox::test

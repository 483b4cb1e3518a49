#pragma once
// Shared by the proof tests: a program instance in a child process, and a log
// file read with SQLite itself, past the program's own engine.

#include "ChildExec.h"

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTime>

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zox::proof {

// The helper program that runs a real main window (tests/proof/proof_child.cpp).
inline QString childProgram() { return QStringLiteral(ZOX_PROOF_CHILD); }

// A program instance in its own process; its stdout comes through a pipe, its
// stderr goes to a file (Qt's own chatter stays out of the test's output).
class Child {
public:
    Child(const QStringList& args, const QString& tempFolder, const QString& errFile)
        : m_errFile(errFile)
    {
        // Its temporary program folder lands in tempFolder, so a killed child leaves nothing behind.
        const test::ChildExec exec(childProgram(), args, tempFolder, {"XDG_CONFIG_HOME"});

        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        const int err = ::open(QFile::encodeName(errFile).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here to exec.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a crashed test
            if (::getppid() != parent) ::_exit(126);
            ::dup2(fds[1], 1);
            if (err >= 0) ::dup2(err, 2);
            ::execve(exec.Argv()[0], exec.Argv(), exec.Envp());
            ::_exit(127);
        }
        ::close(fds[1]);
        if (err >= 0) ::close(err);
        m_out = fds[0];
        if (m_pid < 0) { ::close(m_out); m_out = -1; }
    }
    ~Child()
    {
        if (running()) kill();
        if (m_out >= 0) ::close(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return m_pid > 0 && m_out >= 0; }
    bool running()
    {
        if (m_pid <= 0 || m_reaped) return false;
        int st = 0;
        if (::waitpid(m_pid, &st, WNOHANG) == m_pid) {
            m_reaped = true;
            m_status = st;
            return false;
        }
        return true;
    }
    // SIGKILL, then reap. Returns the wait status.
    int kill()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            reap();
        }
        return m_status;
    }
    // Waits for the end of the process (killing it after timeoutMs); returns the wait status.
    int wait(int timeoutMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (running() && std::chrono::steady_clock::now() < end) ::usleep(10'000);
        if (running()) return kill();
        return m_status;
    }
    bool killedBySigkill() const { return WIFSIGNALED(m_status) && WTERMSIG(m_status) == SIGKILL; }
    bool exitedCleanly() const { return WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0; }

    // The next whole line of stdout (without '\n'), waiting up to timeoutMs; false at the end or on time-out.
    bool readLine(QByteArray& line, int timeoutMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const int nl = m_buf.indexOf('\n');
            if (nl >= 0) {
                line = m_buf.left(nl);
                m_buf.remove(0, nl + 1);
                return true;
            }
            if (m_eof) return false;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0) return false;
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, int(left)) > 0) fill();
        }
    }
    // Everything still in the pipe once the process is gone: whole lines, and what
    // is left without a line end.
    QList<QByteArray> restOfOutput(QByteArray& partial)
    {
        while (!m_eof) fill();
        QList<QByteArray> lines = m_buf.split('\n');
        partial = lines.takeLast();
        m_buf.clear();
        return lines;
    }
    QString errors() const
    {
        QFile f(m_errFile);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).right(4000);
    }

private:
    void fill()
    {
        char chunk[4096];
        const ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n > 0) m_buf.append(chunk, int(n));
        else if (n == 0 || (errno != EINTR && errno != EAGAIN)) m_eof = true;
    }
    void reap()
    {
        int st = 0;
        while (::waitpid(m_pid, &st, 0) < 0 && errno == EINTR) {}
        m_status = st;
        m_reaped = true;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    bool m_reaped = false;
    bool m_eof = false;
    int m_status = 0;
    QByteArray m_buf;
    QString m_errFile;
};

// One stored value: SQLite's storage class ("text", "integer", "null", ...) and the value as text.
struct Stored {
    QString type;
    QString text;
    bool operator==(const Stored&) const = default;
};

struct StoredLog {
    QString error;      // opening or reading failed
    QString integrity;  // PRAGMA integrity_check: "ok" when the file is sound
    QStringList columns;
    std::vector<std::map<QString, Stored>> rows;  // in Vexa order
};

// Reads a closed log file the way any other program would (read-write, so a hot
// journal left by a crash is rolled back first, as the next program to open it does).
inline StoredLog readStoredLog(const QString& path)
{
    StoredLog out;
    sqlite3* db = nullptr;
    struct Close { sqlite3*& d; ~Close() { sqlite3_close_v2(d); } } closer{db};
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        out.error = QString::fromUtf8(sqlite3_errmsg(db));
        return out;
    }
    auto each = [&](const QString& sql, const std::function<void(sqlite3_stmt*)>& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            out.error = QString::fromUtf8(sqlite3_errmsg(db));
            return;
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(st);
        if (rc != SQLITE_DONE) out.error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
    };
    auto text = [](sqlite3_stmt* st, int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
    QStringList integrity;
    each("PRAGMA integrity_check", [&](sqlite3_stmt* st) { integrity << text(st, 0); });
    out.integrity = integrity.join('\n');
    QStringList tables;
    each("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
         [&](sqlite3_stmt* st) { tables << text(st, 0); });
    if (tables.size() != 1) {
        if (out.error.isEmpty()) out.error = QStringLiteral("%1 tables in the file").arg(tables.size());
        return out;
    }
    const QString table = '"' + QString(tables.first()).replace('"', "\"\"") + '"';
    each("SELECT * FROM " + table + " ORDER BY Vexa", [&](sqlite3_stmt* st) {
        if (out.columns.isEmpty())
            for (int i = 0; i < sqlite3_column_count(st); ++i) out.columns << QString::fromUtf8(sqlite3_column_name(st, i));
        std::map<QString, Stored> r;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            static const char* const kinds[] = {"", "integer", "real", "text", "blob", "null"};
            const int t = sqlite3_column_type(st, i);
            r[out.columns[i]] = Stored{QString::fromLatin1(kinds[t]), t == SQLITE_NULL ? QString() : text(st, i)};
        }
        out.rows.push_back(std::move(r));
    });
    return out;
}

// What is wrong with one stored QSO record, or an empty text when it is whole:
// every field present, of its type, and a value the entry line can produce.
inline QString recordFault(const std::map<QString, Stored>& r)
{
    static const QStringList names{"Vexa", "Date", "Utc", "Call", "Mode", "Band", "RstS", "RstR", "MultiR", "MultiP", "Point", "Contest"};
    for (const QString& n : names)
        if (!r.count(n)) return "no field " + n;
    auto is = [&](const char* n, const char* type) { return r.at(n).type == QLatin1String(type); };
    auto v = [&](const char* n) { return r.at(n).text; };
    if (!is("Vexa", "integer") || v("Vexa").toLongLong() <= 0) return "Vexa " + v("Vexa");
    static const QRegularExpression date("^\\d{4}-\\d{2}-\\d{2}$"), time("^\\d{2}:\\d{2}:\\d{2}$"),
        call("^[A-Z0-9/]{1,20}$"), multi("^\\S{2}$");
    if (!is("Date", "text") || !date.match(v("Date")).hasMatch() || !QDate::fromString(v("Date"), Qt::ISODate).isValid())
        return "Date " + v("Date");
    if (!is("Utc", "text") || !time.match(v("Utc")).hasMatch() || !QTime::fromString(v("Utc"), "HH:mm:ss").isValid())
        return "Utc " + v("Utc");
    if (!is("Call", "text") || !call.match(v("Call")).hasMatch()) return "Call " + v("Call");
    const bool cw = v("Mode") == "CW";
    if (!is("Mode", "text") || (!cw && v("Mode") != "SSB")) return "Mode " + v("Mode");
    if (!is("Band", "text") || v("Band") != "80") return "Band " + v("Band");
    for (const char* rst : {"RstS", "RstR"})
        if (!is(rst, "text") || v(rst).isEmpty() || v(rst).size() > 10) return QString(rst) + " " + v(rst);
    if (!is("MultiR", "text") || !multi.match(v("MultiR")).hasMatch()) return "MultiR " + v("MultiR");
    if (!is("MultiP", "null") && !(is("MultiP", "integer") && v("MultiP").toInt() == v("MultiR").toInt()))
        return "MultiP " + v("MultiP");
    const int point = v("Point").toInt();
    if (!is("Point", "integer") || !(point == 0 || point == (cw ? 2 : 1))) return "Point " + v("Point");
    if (!is("Contest", "text") || v("Contest").isEmpty() || v("Contest").size() > 10) return "Contest " + v("Contest");
    return {};
}

// A file nobody may change, not even root: the immutable attribute. False when the
// file system or the process's capabilities do not allow it.
inline bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace zox::proof

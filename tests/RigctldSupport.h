#pragma once
// A real rigctld over Hamlib's dummy rig on a free local port, started and
// stopped by the test, and rigctl to set and read the dummy from outside as
// an operator's hand on the radio would.
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zox::test {

// A port nobody listens on now.
inline int FreeLocalPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

inline bool Accepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

class Rigctld {
public:
    explicit Rigctld(int port = FreeLocalPort()) : m_port(port) {}
    ~Rigctld() { Stop(); }

    int Port() const { return m_port; }
    QString Address() const { return QString("127.0.0.1:%1").arg(m_port); }

    // The dummy (model 1) with PTT through its CAT, logging every command it is
    // given with its time (the last run's log is kept in LogPath).
    bool Start()
    {
        m_proc.setProgram("rigctld");
        m_proc.setArguments({"-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", QString::number(m_port), "-vvvvv", "-Z"});
        m_proc.setStandardOutputFile(QProcess::nullDevice());
        m_proc.setStandardErrorFile(LogPath());
        m_proc.start();
        if (!m_proc.waitForStarted(5000)) return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000) {
            if (Accepts(m_port)) return true;
            if (m_proc.state() != QProcess::Running) return false;
            QThread::msleep(20);
        }
        return false;
    }
    void Stop()
    {
        if (m_proc.state() == QProcess::NotRunning) return;
        Resume();
        m_proc.terminate();
        if (!m_proc.waitForFinished(5000)) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    // A rigctld that takes connections and answers nothing, as a hung one does.
    void Pause() { ::kill(pid_t(m_proc.processId()), SIGSTOP); }
    void Resume()
    {
        if (m_proc.state() == QProcess::Running) ::kill(pid_t(m_proc.processId()), SIGCONT);
    }

    // rigctl's answer to the commands, one value a line; empty on failure.
    QString Rigctl(const QStringList& commands) const
    {
        QProcess p;
        p.start("rigctl", QStringList{"-m", "2", "-r", Address()} + commands);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
            return QString();
        }
        return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
    }
    QString Mode() const { return Rigctl({"m"}).section('\n', 0, 0); }
    QString Ptt() const { return Rigctl({"t"}); }
    void SetMode(const QString& mode) const { Rigctl({"M", mode, "0"}); }
    void SetFrequency(qint64 hz) const { Rigctl({"F", QString::number(hz)}); }

    QString LogPath() const { return m_dir.filePath("rigctld.log"); }
    QByteArray Log() const
    {
        QFile f(LogPath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    // When the log's lines holding `what` were written, in UTC ("2026-12-10T08:04:19.099963-0000: ...").
    QList<QDateTime> LoggedAt(const QByteArray& what) const
    {
        QList<QDateTime> times;
        for (const QByteArray& line : Log().split('\n')) {
            if (!line.contains(what) || line.size() < 26) continue;
            QDateTime t = QDateTime::fromString(QString::fromLatin1(line.left(23)), "yyyy-MM-ddTHH:mm:ss.zzz");
            t.setTimeSpec(Qt::UTC);
            if (t.isValid()) times << t;
        }
        return times;
    }

private:
    int m_port;
    QTemporaryDir m_dir;
    QProcess m_proc;
};

}  // namespace zox::test

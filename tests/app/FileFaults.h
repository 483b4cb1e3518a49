#pragma once
// Ways to make writing a file fail, for the tests of what a failed write leaves.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zox::test {

// A folder in which no file can be created. Permissions stop everyone but
// root; for root the immutable attribute is set as well, where the file
// system has it. effective() says whether the folder really refuses.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(QFile::encodeName(path))
    {
        ::chmod(m_path.constData(), 0555);
        if (!refuses()) setImmutable(true);
        m_effective = refuses();
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable) setImmutable(false);
        ::chmod(m_path.constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool effective() const { return m_effective; }

private:
    bool refuses() const
    {
        const QByteArray probe = m_path + "/probe.tmp";
        const int fd = ::open(probe.constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        if (fd < 0) return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }
    void setImmutable(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0) m_immutable = on;
        }
        ::close(fd);
    }

    QByteArray m_path;
    bool m_immutable = false;
    bool m_effective = false;
};

// While alive, no file of this process grows past `bytes`: a longer write
// fails as on a full disk, part way through.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{bytes, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

}  // namespace zox::test

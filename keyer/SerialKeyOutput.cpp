#include "keyer/SerialKeyOutput.h"

#include "keyer/KeyRelease.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace zox {

QString SerialLineName(TSerialLine line)
{
    return line == TSerialLine::Dtr ? QStringLiteral("DTR") : QStringLiteral("RTS");
}

std::optional<TSerialLine> SerialLineFromName(const QString& name)
{
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("DTR")) return TSerialLine::Dtr;
    if (n == QLatin1String("RTS")) return TSerialLine::Rts;
    return std::nullopt;
}

namespace {

// What the system says of a device, in the program's language where it is common.
QString DeviceErrorText(int error)
{
    switch (error) {
    case ENOENT: return QStringLiteral("naprava ne obstaja");
    case EACCES:
    case EPERM: return QStringLiteral("ni dovoljenja (skupina dialout?)");
    case EBUSY: return QStringLiteral("naprava je zasedena");
    case ENODEV:
    case ENXIO: return QStringLiteral("naprave ni več");
    case EIO: return QStringLiteral("napaka naprave (je vmesnik izključen?)");
    case ENOTTY:
    case EINVAL: return QStringLiteral("naprava nima linij DTR in RTS");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

#if defined(__unix__)

constexpr int kDtr = TIOCM_DTR;
constexpr int kRts = TIOCM_RTS;
constexpr unsigned long kLinesOn = TIOCMBIS;
constexpr unsigned long kLinesOff = TIOCMBIC;

class TSystemSerialIo final : public TSerialIo {
public:
    int Open(const QString& path, QString& error) override
    {
        // No controlling terminal; no wait for a carrier.
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) error = DeviceErrorText(errno);
        return fd;
    }
    int Ioctl(int fd, unsigned long request, int* bits) override { return ::ioctl(fd, request, bits); }
    void Close(int fd) override { ::close(fd); }
};

#else

constexpr int kDtr = 0x002;
constexpr int kRts = 0x004;
constexpr unsigned long kLinesOn = 1;
constexpr unsigned long kLinesOff = 2;

class TSystemSerialIo final : public TSerialIo {
public:
    int Open(const QString&, QString& error) override
    {
        error = QStringLiteral("ni na voljo");
        return -1;
    }
    int Ioctl(int, unsigned long, int*) override { return -1; }
    void Close(int) override {}
};

#endif

void SignalSafeRelease(void* context) noexcept
{
    static_cast<TSerialKeyOutput*>(context)->ReleaseLinesFromSignal();
}

}  // namespace

TSerialIo& SystemSerialIo()
{
    static TSystemSerialIo io;
    return io;
}

TSerialKeyOutput::TSerialKeyOutput(TSerialIo& io, std::optional<TSerialLine> keyLine,
                                   std::optional<TSerialLine> pttLine)
    : m_io(io), m_keyLine(keyLine), m_pttLine(pttLine)
{
    if (m_keyLine && m_pttLine && *m_keyLine == *m_pttLine) m_pttLine.reset();  // one line cannot do both
}

TSerialKeyOutput::~TSerialKeyOutput()
{
    Close();
}

int TSerialKeyOutput::Bits(std::optional<TSerialLine> line) const
{
    if (!line) return 0;
    return *line == TSerialLine::Dtr ? kDtr : kRts;
}

bool TSerialKeyOutput::Open(const QString& path)
{
    Close();
    QString error;
    const int fd = m_io.Open(path, error);
    if (fd < 0) {
        m_error = QStringLiteral("Serijskih vrat %1 ni mogoče odpreti: %2").arg(path, error);
        return false;
    }
    // The system may have raised both lines on opening: down with them before anything else.
    int both = kDtr | kRts;
    if (m_io.Ioctl(fd, kLinesOff, &both) != 0) {
        m_error = QStringLiteral("%1 niso serijska vrata (%2)").arg(path, DeviceErrorText(errno));
        m_io.Close(fd);
        return false;
    }
    m_fd.store(fd);
    m_path = path;
    m_error.clear();
    m_keyDown = false;
    m_pttOn = false;
    m_failed = false;
    m_release = AddKeyRelease([this] { ReleaseLines(); }, SignalSafeRelease, this);
    return true;
}

void TSerialKeyOutput::Close()
{
    if (m_release) {
        RemoveKeyRelease(m_release);
        m_release = 0;
    }
    const int fd = m_fd.exchange(-1);
    if (fd < 0) return;
    int both = kDtr | kRts;
    m_io.Ioctl(fd, kLinesOff, &both);
    m_io.Close(fd);
}

void TSerialKeyOutput::ReleaseLines() noexcept
{
    const int fd = m_fd.load();
    if (fd < 0) return;
    int both = kDtr | kRts;
    m_io.Ioctl(fd, kLinesOff, &both);
}

void TSerialKeyOutput::ReleaseLinesFromSignal() noexcept
{
    m_fence.Close();
    ReleaseLines();
}

void TSerialKeyOutput::SetLine(std::optional<TSerialLine> line, bool on)
{
    if (!m_fence.Enter()) return;
    int bits = Bits(line);
    const int rc = m_io.Ioctl(m_fd.load(), on ? kLinesOn : kLinesOff, &bits);
    m_fence.Leave();
    if (rc == 0) return;
    // The adapter was pulled out, say: let go of what can be let go, say so once.
    const QString reason = DeviceErrorText(errno);
    m_failed = true;
    ReleaseLines();
    throw std::runtime_error(QStringLiteral("Serijska vrata %1: %2").arg(m_path, reason).toStdString());
}

void TSerialKeyOutput::Apply(Time, const TKeyEvent& event)
{
    if (m_fd.load() < 0 || m_failed) return;
    if (event.Kind == TKeyEvent::Control && m_keyLine && event.Key != m_keyDown) {
        m_keyDown = event.Key;
        SetLine(m_keyLine, event.Key);
    } else if (event.Kind == TKeyEvent::Ptt && m_pttLine && (event.Value != 0) != m_pttOn) {
        m_pttOn = event.Value != 0;
        SetLine(m_pttLine, m_pttOn);
    }
}

// ---- the ports there are

namespace {

// ttyS2 before ttyS10.
bool NaturalLess(const QString& a, const QString& b)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const auto ma = split.match(a);
    const auto mb = split.match(b);
    if (ma.captured(1) != mb.captured(1)) return ma.captured(1) < mb.captured(1);
    return ma.captured(2).toLongLong() < mb.captured(2).toLongLong();
}

}  // namespace

QList<TSerialPortInfo> ListSerialPorts(const QString& devRoot)
{
    const QDir dev(devRoot);
    QStringList devices = dev.entryList({QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    std::sort(devices.begin(), devices.end(), NaturalLess);

    // Which device each stable name stands for.
    QList<TSerialPortInfo> byId;
    const QDir ids(dev.filePath(QStringLiteral("serial/by-id")));
    for (const QString& name : ids.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = QFileInfo(ids.filePath(name)).canonicalFilePath();
        for (const QString& d : devices) {
            if (QFileInfo(dev.filePath(d)).canonicalFilePath() == target && !target.isEmpty()) {
                byId.push_back({ids.filePath(name), dev.filePath(d)});
                break;
            }
        }
    }
    QList<TSerialPortInfo> ports = byId;
    for (const QString& d : devices) {
        const QString path = dev.filePath(d);
        const bool named = std::any_of(byId.begin(), byId.end(), [&](const TSerialPortInfo& p) { return p.Device == path; });
        if (!named) ports.push_back({path, path});
    }
    return ports;
}

}  // namespace zox

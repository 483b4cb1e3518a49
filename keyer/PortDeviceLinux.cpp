#include "keyer/PortDeviceLinux.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#if defined(__linux__)
#include <fcntl.h>
#include <linux/input.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define ZOX_RAW_PORTS 1
#endif
#endif

namespace zox {

bool TPitSpeakerFollower::Write(quint32 port, quint8 value)
{
    switch (port) {
    case kSpeakerControlPort:
        m_portB = value;
        return true;
    case kTimerModePort:
        if ((value >> 6) != 2) return true;  // another channel: not the speaker's
        if (((value >> 4) & 3) == 0) return true;  // counter latch: changes nothing
        m_access = (value >> 4) & 3;
        m_mode = (value >> 1) & 7;
        m_bcd = value & 1;
        // A new mode stops the output until a count is written.
        m_loaded = false;
        m_highNext = false;
        return true;
    case kTimerChannel2Port:
        if (m_access == 1) {
            m_count = value;
            m_loaded = true;
        } else if (m_access == 2) {
            m_count = quint16(value << 8);
            m_loaded = true;
        } else if (!m_highNext) {
            m_low = value;
            m_highNext = true;
        } else {
            m_count = quint16(m_low | (value << 8));
            m_highNext = false;
            m_loaded = true;
        }
        return true;
    default:
        return false;
    }
}

int TPitSpeakerFollower::ToneHz() const
{
    // Bit 0 gates channel 2, bit 1 connects it to the speaker.
    if ((m_portB & 3) != 3 || !m_loaded) return 0;
    // Only the rate generator and square-wave modes repeat; the others give one edge.
    if ((m_mode & 3) != 2 && (m_mode & 3) != 3) return 0;
    quint32 divisor = m_count;
    if (m_bcd) {
        divisor = (m_count & 0xF) + 10 * ((m_count >> 4) & 0xF) + 100 * ((m_count >> 8) & 0xF) +
                  1000 * ((m_count >> 12) & 0xF);
        if (divisor == 0) divisor = 10000;
    } else if (divisor == 0) {
        divisor = 65536;
    }
    return int(kTimerClockHz / divisor);
}

std::vector<TParportInfo> ListParports(const QString& procRoot)
{
    std::vector<TParportInfo> result;
    static const QRegularExpression name(QStringLiteral("^parport(\\d+)$"));
    const QDir root(procRoot);
    for (const QString& entry : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const auto match = name.match(entry);
        if (!match.hasMatch()) continue;
        QFile file(root.filePath(entry + QStringLiteral("/base-addr")));
        if (!file.open(QIODevice::ReadOnly)) continue;
        // "888\t1912": the base, then the upper (ECP) base.
        const QByteArray first = file.readAll().simplified().split(' ').value(0);
        bool ok = false;
        const quint32 base = first.toUInt(&ok);
        if (ok) result.push_back({match.captured(1).toInt(), base});
    }
    return result;
}

#if defined(__linux__)

namespace {

constexpr int kBitsPerLong = int(sizeof(unsigned long) * 8);

bool TestBit(const unsigned long* bits, int bit)
{
    return (bits[bit / kBitsPerLong] >> (bit % kBitsPerLong)) & 1UL;
}

bool IsSpeakerPort(quint32 port)
{
    return port == kSpeakerControlPort || port == kTimerModePort || port == kTimerChannel2Port;
}

}  // namespace

TLinuxPortDevice::TLinuxPortDevice(TPaths paths) : m_paths(std::move(paths)) {}

TLinuxPortDevice::~TLinuxPortDevice()
{
    Close();
}

bool TLinuxPortDevice::Open()
{
    Close();
    for (const TParportInfo& info : ListParports(m_paths.ParportProc)) {
        const QByteArray path = QFile::encodeName(m_paths.Dev + QStringLiteral("/parport") +
                                                  QString::number(info.Number));
        const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) m_parports.push_back({info, fd, false});
    }
    OpenSpeaker();
#ifdef ZOX_RAW_PORTS
    m_rawPossible = ioperm(kSpeakerControlPort, 1, 1) == 0;
#endif
    return !m_parports.empty() || m_speakerFd >= 0 || m_rawPossible;
}

void TLinuxPortDevice::OpenSpeaker()
{
    const QDir input(m_paths.Input);
    for (const QString& entry : input.entryList({QStringLiteral("event*")}, QDir::System | QDir::Files,
                                                QDir::Name)) {
        const QByteArray path = QFile::encodeName(input.filePath(entry));
        const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) continue;
        unsigned long types[(EV_MAX + kBitsPerLong) / kBitsPerLong] = {};
        unsigned long sounds[(SND_MAX + kBitsPerLong) / kBitsPerLong] = {};
        if (ioctl(fd, EVIOCGBIT(0, sizeof types), types) >= 0 && TestBit(types, EV_SND) &&
            ioctl(fd, EVIOCGBIT(EV_SND, sizeof sounds), sounds) >= 0 && TestBit(sounds, SND_TONE)) {
            m_speakerFd = fd;
            return;
        }
        ::close(fd);
    }
}

void TLinuxPortDevice::Close()
{
    // Never leave the speaker sounding after the program.
    if (m_toneSent != 0) SendTone(0);
#ifdef ZOX_RAW_PORTS
    if (m_rawSpeakerUsed) outb(static_cast<unsigned char>(inb(kSpeakerControlPort) & 0xFC), kSpeakerControlPort);
#endif
    m_rawSpeakerUsed = false;
    for (TParport& p : m_parports) {
        if (p.Claimed) ioctl(p.Fd, PPRELEASE);
        ::close(p.Fd);
    }
    m_parports.clear();
    if (m_speakerFd >= 0) ::close(m_speakerFd);
    m_speakerFd = -1;
    m_pit = {};
    m_rawPossible = false;
    m_rawPorts.clear();
    m_rawGrantedCount = 0;
}

bool TLinuxPortDevice::DeviceIoControl(quint32 code, const quint8* in, std::size_t inSize, quint8* out,
                                       std::size_t outSize)
{
    const auto request = DecodePortRequest(in, inSize);
    if (!request || request->Size > kPortDWord) return false;
    if (code == kPortWriteRequest) {
        Write(request->Port, request->Size, request->Value);
        return true;
    }
    if (code == kPortReadRequest && out && outSize >= 4) {
        const quint32 value = Read(request->Port, request->Size);
        for (int i = 0; i < 4; ++i) out[i] = static_cast<quint8>(value >> (8 * i));
        return true;
    }
    return false;
}

TLinuxPortDevice::TParport* TLinuxPortDevice::ParportFor(quint32 port)
{
    for (TParport& p : m_parports) {
        if (port < p.Info.Base || port > p.Info.Base + 2) continue;
        if (!p.Claimed) {
            // Claimed on first use and kept, so a printer driver keeps the port until then.
            if (ioctl(p.Fd, PPCLAIM) != 0) return nullptr;
            p.Claimed = true;
        }
        return &p;
    }
    return nullptr;
}

bool TLinuxPortDevice::RawAllowed(quint32 port, quint32 size)
{
#ifdef ZOX_RAW_PORTS
    if (!m_rawPossible || port > 0xFFFF) return false;
    const auto known = m_rawPorts.find(port);
    if (known != m_rawPorts.end()) return known->second;
    const unsigned long width = size == kPortDWord ? 4 : size == kPortWord ? 2 : 1;
    const bool ok = ioperm(port, width, 1) == 0;
    m_rawPorts[port] = ok;
    if (ok && m_rawGrantedCount < m_rawGranted.size()) m_rawGranted[m_rawGrantedCount++] = port;
    return ok;
#else
    Q_UNUSED(port);
    Q_UNUSED(size);
    return false;
#endif
}

void TLinuxPortDevice::Write(quint32 port, quint32 size, quint32 value)
{
    if (IsSpeakerPort(port) && size == kPortByte && m_speakerFd >= 0) {
        m_pit.Write(port, static_cast<quint8>(value));
        SendTone(m_pit.ToneHz());
        return;
    }
    if (size == kPortByte) {
        if (TParport* p = ParportFor(port)) {
            unsigned char byte = static_cast<unsigned char>(value);
            if (port == p->Info.Base + 2) ioctl(p->Fd, PPWCONTROL, &byte);
            else if (port == p->Info.Base) ioctl(p->Fd, PPWDATA, &byte);
            // The status register cannot be written.
            return;
        }
    }
#ifdef ZOX_RAW_PORTS
    if (RawAllowed(port, size)) {
        if (port == kSpeakerControlPort) m_rawSpeakerUsed = true;
        if (size == kPortByte) outb(static_cast<unsigned char>(value), static_cast<unsigned short>(port));
        else if (size == kPortWord) outw(static_cast<unsigned short>(value), static_cast<unsigned short>(port));
        else outl(value, static_cast<unsigned short>(port));
    }
#endif
}

quint32 TLinuxPortDevice::Read(quint32 port, quint32 size)
{
    if (size == kPortByte) {
        if (TParport* p = ParportFor(port)) {
            unsigned char byte = 0xFF;
            int rc = -1;
            if (port == p->Info.Base + 1) rc = ioctl(p->Fd, PPRSTATUS, &byte);
            else if (port == p->Info.Base + 2) rc = ioctl(p->Fd, PPRCONTROL, &byte);
            else rc = ioctl(p->Fd, PPRDATA, &byte);
            return rc == 0 ? byte : PortIdleValue(size);
        }
    }
#ifdef ZOX_RAW_PORTS
    if (!IsSpeakerPort(port) || m_speakerFd < 0) {
        if (RawAllowed(port, size)) {
            const auto p16 = static_cast<unsigned short>(port);
            if (size == kPortByte) return inb(p16);
            if (size == kPortWord) return inw(p16);
            return inl(p16);
        }
    }
#endif
    return PortIdleValue(size);
}

void TLinuxPortDevice::WriteFromSignal(const TPortRequest* requests, std::size_t count) noexcept
{
    for (std::size_t i = 0; i < count; ++i) {
        const TPortRequest& r = requests[i];
        if (r.Size != kPortByte) continue;
        const auto byte = static_cast<unsigned char>(r.Value);
        if (IsSpeakerPort(r.Port) && m_speakerFd >= 0) {
            // Only silence: a signal handler never starts a tone.
            if (r.Port == kSpeakerControlPort && (byte & 3) != 3) {
                input_event ev{};
                ev.type = EV_SND;
                ev.code = SND_TONE;
                ev.value = 0;
                [[maybe_unused]] const ssize_t n = ::write(m_speakerFd, &ev, sizeof ev);
            }
            continue;
        }
        bool done = false;
        for (const TParport& p : m_parports) {
            if (p.Claimed && r.Port == p.Info.Base + 2) {
                unsigned char value = byte;
                ioctl(p.Fd, PPWCONTROL, &value);
                done = true;
                break;
            }
        }
#ifdef ZOX_RAW_PORTS
        for (std::size_t g = 0; !done && g < m_rawGrantedCount; ++g) {
            if (m_rawGranted[g] == r.Port) {
                outb(byte, static_cast<unsigned short>(r.Port));
                done = true;
            }
        }
#endif
        Q_UNUSED(done);
    }
}

void TLinuxPortDevice::SendTone(int hertz)
{
    if (hertz == m_toneSent || m_speakerFd < 0) return;
    input_event ev{};
    ev.type = EV_SND;
    ev.code = SND_TONE;
    ev.value = hertz;
    if (::write(m_speakerFd, &ev, sizeof ev) == ssize_t(sizeof ev)) m_toneSent = hertz;
}

std::unique_ptr<TPortDevice> MakePlatformPortDevice()
{
    return std::make_unique<TLinuxPortDevice>();
}

#else

std::unique_ptr<TPortDevice> MakePlatformPortDevice()
{
    return nullptr;  // not ready: writes dropped, reads idle
}

#endif

}  // namespace zox

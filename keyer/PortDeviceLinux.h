#pragma once
// The port device on Linux: a user-space stand-in for a port driver. It takes
// the same requests as a driver would and carries them out through
//  1. the ppdev device /dev/parportN of the parallel port whose base address
//     matches (control register writes, status register reads),
//  2. the kernel's PC-speaker input device (EV_SND/SND_TONE), following the
//     speaker and timer ports $61, $43, $42 as the timer chip would,
//  3. raw port instructions where the process has the right (ioperm),
// and otherwise drops writes and reads all ones.

#include "keyer/zlportio.h"

#include <QString>
#include <array>
#include <map>
#include <vector>

namespace zox {

// Follows writes to the speaker gate port $61, the timer mode port $43 and timer
// channel 2 ($42) the way the timer chip and the speaker would react to them.
class TPitSpeakerFollower {
public:
    // Returns false when the port is none of the three.
    bool Write(quint32 port, quint8 value);
    // The tone the speaker gives now, in hertz; 0 when silent.
    int ToneHz() const;

private:
    quint8 m_portB = 0;
    quint8 m_access = 3;  // 1 low byte only, 2 high byte only, 3 low then high
    quint8 m_mode = 3;
    bool m_bcd = false;
    bool m_highNext = false;
    quint8 m_low = 0;
    quint16 m_count = 0;
    bool m_loaded = false;
};

struct TParportInfo {
    int Number = 0;    // N of /dev/parportN
    quint32 Base = 0;  // first number of base-addr
};

// The parallel ports the kernel knows, from <procRoot>/parportN/base-addr.
std::vector<TParportInfo> ListParports(const QString& procRoot = QStringLiteral("/proc/sys/dev/parport"));

#if defined(__linux__)

class TLinuxPortDevice final : public TPortDevice {
public:
    struct TPaths {
        QString ParportProc = QStringLiteral("/proc/sys/dev/parport");
        QString Dev = QStringLiteral("/dev");
        QString Input = QStringLiteral("/dev/input");
    };

    TLinuxPortDevice() : TLinuxPortDevice(TPaths{}) {}
    explicit TLinuxPortDevice(TPaths paths);
    ~TLinuxPortDevice() override;

    bool Open() override;
    void Close() override;
    bool DeviceIoControl(quint32 code, const quint8* in, std::size_t inSize, quint8* out,
                         std::size_t outSize) override;
    // Control register writes through the claimed ppdev descriptors, speaker
    // silence through the speaker device, raw writes on ports already granted.
    void WriteFromSignal(const TPortRequest* requests, std::size_t count) noexcept override;

private:
    struct TParport {
        TParportInfo Info;
        int Fd = -1;
        bool Claimed = false;
    };

    void Write(quint32 port, quint32 size, quint32 value);
    quint32 Read(quint32 port, quint32 size);
    // The opened and claimed parallel port whose registers include port.
    TParport* ParportFor(quint32 port);
    bool RawAllowed(quint32 port, quint32 size);
    void SendTone(int hertz);
    void OpenSpeaker();

    TPaths m_paths;
    std::vector<TParport> m_parports;
    int m_speakerFd = -1;
    TPitSpeakerFollower m_pit;
    int m_toneSent = 0;
    bool m_rawPossible = false;
    bool m_rawSpeakerUsed = false;
    std::map<quint32, bool> m_rawPorts;
    // The raw ports granted so far, where a signal handler may look them up.
    std::array<quint32, 8> m_rawGranted{};
    std::size_t m_rawGrantedCount = 0;
};

#endif

}  // namespace zox

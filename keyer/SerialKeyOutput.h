#pragma once
// Keying through a serial port's modem lines, as most operators' USB serial
// adapters and interfaces do: the key on DTR or RTS, PTT on the other line or
// none. Opening the port never keys the transmitter (both lines are dropped
// at once after the open), and closing it leaves both lines released.

#include "keyer/KeyOutput.h"
#include "keyer/KeyRelease.h"

#include <QList>
#include <QString>

#include <atomic>
#include <optional>

namespace zox {

enum class TSerialLine { Dtr, Rts };

// "DTR" / "RTS".
QString SerialLineName(TSerialLine line);
std::optional<TSerialLine> SerialLineFromName(const QString& name);

// The system calls the serial output makes, so a test can stand in for the port.
class TSerialIo {
public:
    virtual ~TSerialIo() = default;
    // A descriptor, or -1 with the reason in `error`.
    virtual int Open(const QString& path, QString& error) = 0;
    // ioctl(fd, request, bits) for TIOCMBIS, TIOCMBIC, TIOCMGET and TIOCMSET:
    // 0, or -1 with errno set. Must be async-signal-safe for TIOCMBIC (key
    // release from a signal handler).
    virtual int Ioctl(int fd, unsigned long request, int* bits) = 0;
    virtual void Close(int fd) = 0;
};

// The system's own calls.
TSerialIo& SystemSerialIo();

class TSerialKeyOutput final : public TKeyOutput {
public:
    // keyLine: the line the key is on (none: this port only gives PTT);
    // pttLine: the PTT line (none: no PTT). The two are never the same line.
    TSerialKeyOutput(TSerialIo& io, std::optional<TSerialLine> keyLine, std::optional<TSerialLine> pttLine);
    // Both lines released, the port closed.
    ~TSerialKeyOutput() override;

    // Opens the port and drops both lines at once. False, with Error(), when
    // it cannot be opened or is no serial port.
    bool Open(const QString& path);
    bool IsOpen() const { return m_fd.load() >= 0; }
    QString Error() const { return m_error; }
    QString Path() const { return m_path; }

    void Apply(Time at, const TKeyEvent& event) override;
    bool HasPtt() const override { return m_pttLine.has_value(); }

    // Both lines down now (the way out of the program).
    void ReleaseLines() noexcept;
    // The same from a signal handler: and nothing keyed after it.
    void ReleaseLinesFromSignal() noexcept;

private:
    int Bits(std::optional<TSerialLine> line) const;
    void SetLine(std::optional<TSerialLine> line, bool on);
    void Close();

    TSerialIo& m_io;
    std::optional<TSerialLine> m_keyLine;
    std::optional<TSerialLine> m_pttLine;
    std::atomic<int> m_fd{-1};
    TWriteFence m_fence;  // a signal handler's release is the last word
    QString m_path;
    QString m_error;
    bool m_keyDown = false;
    bool m_pttOn = false;
    bool m_failed = false;
    int m_release = 0;  // key release registration
};

// A serial port the operator may choose.
struct TSerialPortInfo {
    QString Path;    // what is stored: the /dev/serial/by-id name where there is one
    QString Device;  // the device it stands for: /dev/ttyUSB0
    bool operator==(const TSerialPortInfo&) const = default;
};

// /dev/ttyS*, /dev/ttyUSB* and /dev/ttyACM* under devRoot, each by its
// /dev/serial/by-id name where one points at it; by-id names first.
QList<TSerialPortInfo> ListSerialPorts(const QString& devRoot = QStringLiteral("/dev"));

}  // namespace zox

#pragma once
// Port-access layer: every x86 I/O port access of the program goes through
// PortOut/PortIn, which pass it as a device request (request code plus a
// 12-byte request block) to the port device installed at layer start.
// Not ready (no device, or it could not open): writes are dropped and reads
// give all ones, which leaves the paddles idle. Nothing is reported to the user.
// Any thread may make requests (the keying thread keys, the user-interface
// thread lets the key go on the way out); they reach the device one at a time.

#include <QtGlobal>
#include <array>
#include <memory>
#include <optional>

namespace zox {

// Device control code: (device type shl 16) or (access shl 14) or (function shl 2) or method.
constexpr quint32 CtlCode(quint32 deviceType, quint32 function, quint32 method, quint32 access)
{
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

constexpr quint32 kPortDeviceType = 0x80FF;
constexpr quint32 kMethodBuffered = 0;
constexpr quint32 kAnyAccess = 0;
constexpr quint32 kPortReadRequest = CtlCode(kPortDeviceType, 1, kMethodBuffered, kAnyAccess);
constexpr quint32 kPortWriteRequest = CtlCode(kPortDeviceType, 2, kMethodBuffered, kAnyAccess);
static_assert(kPortReadRequest == 0x80FF0004u && kPortWriteRequest == 0x80FF0008u);

// Data size codes of the request block.
constexpr quint32 kPortByte = 0;
constexpr quint32 kPortWord = 1;
constexpr quint32 kPortDWord = 2;

// The request block: port, size code, value (the value has no meaning in a read).
struct TPortRequest {
    quint32 Port = 0;
    quint32 Size = kPortByte;
    quint32 Value = 0;
    bool operator==(const TPortRequest&) const = default;
};

constexpr std::size_t kPortRequestBytes = 12;
using TPortRequestBlock = std::array<quint8, kPortRequestBytes>;

TPortRequestBlock EncodePortRequest(const TPortRequest& request);  // little-endian
std::optional<TPortRequest> DecodePortRequest(const quint8* data, std::size_t size);

// All ones in the width of the size code: what a read gives when nothing answers.
quint32 PortIdleValue(quint32 size);

// What stands in for the port driver: receives the device requests.
class TPortDevice {
public:
    virtual ~TPortDevice() = default;
    // At layer start; true when port access is available through this device.
    virtual bool Open() = 0;
    // At layer end.
    virtual void Close() = 0;
    // One device request. A read request's reply is 4 bytes (out, outSize >= 4).
    virtual bool DeviceIoControl(quint32 code, const quint8* in, std::size_t inSize, quint8* out,
                                 std::size_t outSize) = 0;
    // Carries out write requests from a signal handler, so the key line goes up
    // even when the program dies: only async-signal-safe calls on what is open
    // already, no allocation, no locks. A device that cannot do that does nothing.
    virtual void WriteFromSignal(const TPortRequest* requests, std::size_t count) noexcept
    {
        Q_UNUSED(requests);
        Q_UNUSED(count);
    }
};

// This platform's own port device (on Linux: parallel port through ppdev, the
// speaker through the kernel's PC-speaker input device, raw port instructions).
std::unique_ptr<TPortDevice> MakePlatformPortDevice();

// Layer start with the platform's device; call once before any window exists.
// Returns whether port access is ready.
bool ZlPortIoStart();
// Layer start with a given device (tests, benchmarks, another back end). Ends a
// running layer first. A device that does not open leaves the layer not ready
// but stays installed, so a test can see that it was never asked anything.
bool ZlPortIoStart(std::unique_ptr<TPortDevice> device);
// Layer end; call at program end: the key goes up and the speaker off first.
// Safe to call more than once.
void ZlPortIoEnd();
bool ZlPortIoReady();
// The installed device (nullptr when none).
TPortDevice* ZlPortIoDevice();

void PortOut(quint32 port, quint32 size, quint32 value);
quint32 PortIn(quint32 port, quint32 size);

// Keying outputs on the parallel port and the PC speaker.
constexpr quint32 kSpeakerControlPort = 0x61;  // system control port B
constexpr quint32 kTimerModePort = 0x43;
constexpr quint32 kTimerChannel2Port = 0x42;
constexpr quint32 kTimerClockHz = 1193181;

// Control bits set only while the key is down: the key line (pin 1) and the
// manual key bits; clearing them from the last value written gives key-up.
constexpr quint8 kLptKeyedBits = 0x01 | 0x04 | 0x10;

void LptWriteControl(quint16 base, quint8 value);  // control register, base + 2
quint8 LptReadStatus(quint16 base);                // status register, base + 1
void ToneOn(int hertz);
void ToneOff();

// Key-up on every control register written since layer start, and the speaker
// off when it was sounded. Registered with ReleaseKeys() (keyer/KeyRelease.h)
// at the first layer start; the signal-safe variant goes through the device's
// WriteFromSignal.
void ZlPortIoReleaseKey();
void ZlPortIoReleaseKeyFromSignal() noexcept;

}  // namespace zox

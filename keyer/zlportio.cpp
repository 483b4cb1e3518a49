#include "keyer/zlportio.h"

#include "keyer/KeyRelease.h"
#include "keyer/PiMutex.h"

#include <atomic>
#include <mutex>

namespace zox {

namespace {

// The keying thread and the user-interface thread (key release) both reach
// the device; a device request is short, so one lock serialises them.
struct TPortLayer {
    TPiMutex lock;
    std::unique_ptr<TPortDevice> device;
    bool ready = false;
};

TPortLayer& Layer()
{
    static TPortLayer layer;
    return layer;
}

// What key-up means on each control register written: the last value with the
// keyed bits cleared. Plain atomics, because signal handlers read them.
struct TKeyUpPort {
    std::atomic<quint32> Port{0};  // 0: free
    std::atomic<quint32> Value{0};
};
std::array<TKeyUpPort, 4> g_keyUp;
std::atomic<bool> g_toneUsed{false};
std::atomic<TPortDevice*> g_signalDevice{nullptr};
TWriteFence g_fence;  // the handler's key-up is the last write

void ResetKeyUpTable()
{
    for (TKeyUpPort& k : g_keyUp) k.Port.store(0);
    g_toneUsed.store(false);
}

void NoteControlWrite(quint32 port, quint8 value)
{
    const quint32 up = value & quint8(~kLptKeyedBits);
    for (TKeyUpPort& k : g_keyUp) {
        if (k.Port.load() == port) {
            k.Value.store(up);
            return;
        }
    }
    for (TKeyUpPort& k : g_keyUp) {
        if (k.Port.load() == 0) {
            k.Value.store(up);  // before the port: a handler that sees the port sees its value
            k.Port.store(port);
            return;
        }
    }
    // More than four registers never happens: the keyer has three base addresses.
}

void SignalSafeRelease(void*) noexcept
{
    ZlPortIoReleaseKeyFromSignal();
}

void PutLe32(quint8* at, quint32 v)
{
    at[0] = static_cast<quint8>(v);
    at[1] = static_cast<quint8>(v >> 8);
    at[2] = static_cast<quint8>(v >> 16);
    at[3] = static_cast<quint8>(v >> 24);
}

quint32 GetLe32(const quint8* at)
{
    return quint32(at[0]) | (quint32(at[1]) << 8) | (quint32(at[2]) << 16) | (quint32(at[3]) << 24);
}

}  // namespace

TPortRequestBlock EncodePortRequest(const TPortRequest& request)
{
    TPortRequestBlock block{};
    PutLe32(block.data(), request.Port);
    PutLe32(block.data() + 4, request.Size);
    PutLe32(block.data() + 8, request.Value);
    return block;
}

std::optional<TPortRequest> DecodePortRequest(const quint8* data, std::size_t size)
{
    if (!data || size < kPortRequestBytes) return std::nullopt;
    return TPortRequest{GetLe32(data), GetLe32(data + 4), GetLe32(data + 8)};
}

quint32 PortIdleValue(quint32 size)
{
    switch (size) {
    case kPortWord: return 0xFFFF;
    case kPortDWord: return 0xFFFFFFFF;
    default: return 0xFF;
    }
}

bool ZlPortIoStart()
{
    return ZlPortIoStart(MakePlatformPortDevice());
}

bool ZlPortIoStart(std::unique_ptr<TPortDevice> device)
{
    // Once for the whole run, whichever devices come and go.
    static const int registration = AddKeyRelease(ZlPortIoReleaseKey, SignalSafeRelease, nullptr);
    Q_UNUSED(registration);

    ZlPortIoEnd();
    TPortLayer& layer = Layer();
    const std::lock_guard lock(layer.lock);
    ResetKeyUpTable();
    g_fence.Open();
    layer.device = std::move(device);
    layer.ready = layer.device && layer.device->Open();
    if (layer.ready) g_signalDevice.store(layer.device.get());
    return layer.ready;
}

void ZlPortIoEnd()
{
    TPortLayer& layer = Layer();
    if (ZlPortIoReady()) ZlPortIoReleaseKey();
    const std::lock_guard lock(layer.lock);
    g_signalDevice.store(nullptr);
    if (layer.ready && layer.device) layer.device->Close();
    layer.ready = false;
    layer.device.reset();
    ResetKeyUpTable();
}

void ZlPortIoReleaseKey()
{
    for (const TKeyUpPort& k : g_keyUp) {
        const quint32 port = k.Port.load();
        if (port != 0) PortOut(port, kPortByte, k.Value.load());
    }
    if (g_toneUsed.load()) ToneOff();
}

void ZlPortIoReleaseKeyFromSignal() noexcept
{
    TPortDevice* device = g_signalDevice.load();
    if (!device) return;
    g_fence.Close();
    TPortRequest requests[std::tuple_size_v<decltype(g_keyUp)> + 1];
    std::size_t count = 0;
    for (const TKeyUpPort& k : g_keyUp) {
        const quint32 port = k.Port.load();
        if (port != 0) requests[count++] = {port, kPortByte, k.Value.load()};
    }
    if (g_toneUsed.load()) requests[count++] = {kSpeakerControlPort, kPortByte, 0xFC};
    if (count > 0) device->WriteFromSignal(requests, count);
}

bool ZlPortIoReady()
{
    TPortLayer& layer = Layer();
    const std::lock_guard lock(layer.lock);
    return layer.ready;
}

TPortDevice* ZlPortIoDevice()
{
    TPortLayer& layer = Layer();
    const std::lock_guard lock(layer.lock);
    return layer.device.get();
}

void PortOut(quint32 port, quint32 size, quint32 value)
{
    TPortLayer& layer = Layer();
    const std::lock_guard lock(layer.lock);
    if (!layer.ready) return;
    const TPortRequestBlock block = EncodePortRequest({port, size, value});
    if (!g_fence.Enter()) return;
    // The outcome is of no use to the keyer: a failed write is a dropped write.
    layer.device->DeviceIoControl(kPortWriteRequest, block.data(), block.size(), nullptr, 0);
    g_fence.Leave();
}

quint32 PortIn(quint32 port, quint32 size)
{
    TPortLayer& layer = Layer();
    const std::lock_guard lock(layer.lock);
    if (!layer.ready) return PortIdleValue(size);
    const TPortRequestBlock block = EncodePortRequest({port, size, 0});
    // Start from all ones so a failed request reads as idle, never as closed contacts.
    quint8 reply[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    layer.device->DeviceIoControl(kPortReadRequest, block.data(), block.size(), reply, sizeof reply);
    return GetLe32(reply) & PortIdleValue(size);
}

void LptWriteControl(quint16 base, quint8 value)
{
    // Noted before the write, so a signal during it still knows the register.
    NoteControlWrite(quint32(base) + 2, value);
    PortOut(quint32(base) + 2, kPortByte, value);
}

quint8 LptReadStatus(quint16 base)
{
    return static_cast<quint8>(PortIn(quint32(base) + 1, kPortByte));
}

void ToneOn(int hertz)
{
    if (hertz <= 0) hertz = 1;  // no division by zero; such a tone is out of hearing anyway
    g_toneUsed.store(true);
    PortOut(kSpeakerControlPort, kPortByte, 0xFF);
    PortOut(kTimerModePort, kPortByte, 0xB6);  // channel 2, low then high byte, square wave, binary
    const quint32 divisor = (kTimerClockHz / quint32(hertz)) & 0xFFFF;
    PortOut(kTimerChannel2Port, kPortByte, divisor & 0xFF);
    PortOut(kTimerChannel2Port, kPortByte, (divisor >> 8) & 0xFF);
}

void ToneOff()
{
    PortOut(kSpeakerControlPort, kPortByte, 0xFC);
}

}  // namespace zox

#include "keyer/zlportio.h"

namespace zox {

namespace {

struct TPortLayer {
    std::unique_ptr<TPortDevice> device;
    bool ready = false;
};

TPortLayer& Layer()
{
    static TPortLayer layer;
    return layer;
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
    ZlPortIoEnd();
    TPortLayer& layer = Layer();
    layer.device = std::move(device);
    layer.ready = layer.device && layer.device->Open();
    return layer.ready;
}

void ZlPortIoEnd()
{
    TPortLayer& layer = Layer();
    if (layer.ready && layer.device) layer.device->Close();
    layer.ready = false;
    layer.device.reset();
}

bool ZlPortIoReady()
{
    return Layer().ready;
}

TPortDevice* ZlPortIoDevice()
{
    return Layer().device.get();
}

void PortOut(quint32 port, quint32 size, quint32 value)
{
    TPortLayer& layer = Layer();
    if (!layer.ready) return;
    const TPortRequestBlock block = EncodePortRequest({port, size, value});
    // The outcome is of no use to the keyer: a failed write is a dropped write.
    layer.device->DeviceIoControl(kPortWriteRequest, block.data(), block.size(), nullptr, 0);
}

quint32 PortIn(quint32 port, quint32 size)
{
    TPortLayer& layer = Layer();
    if (!layer.ready) return PortIdleValue(size);
    const TPortRequestBlock block = EncodePortRequest({port, size, 0});
    // Start from all ones so a failed request reads as idle, never as closed contacts.
    quint8 reply[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    layer.device->DeviceIoControl(kPortReadRequest, block.data(), block.size(), reply, sizeof reply);
    return GetLe32(reply) & PortIdleValue(size);
}

void LptWriteControl(quint16 base, quint8 value)
{
    PortOut(quint32(base) + 2, kPortByte, value);
}

quint8 LptReadStatus(quint16 base)
{
    return static_cast<quint8>(PortIn(quint32(base) + 1, kPortByte));
}

void ToneOn(int hertz)
{
    if (hertz <= 0) hertz = 1;  // no division by zero; such a tone is out of hearing anyway
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

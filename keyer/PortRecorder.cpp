#include "keyer/PortRecorder.h"

#include <algorithm>

namespace zox {

TRecordingPortDevice::TRecordingPortDevice(Clock clock, bool opens)
    : m_clock(std::move(clock)), m_opens(opens)
{
}

bool TRecordingPortDevice::DeviceIoControl(quint32 code, const quint8* in, std::size_t inSize,
                                           quint8* out, std::size_t outSize)
{
    const auto request = DecodePortRequest(in, inSize);
    if (!request || (code != kPortReadRequest && code != kPortWriteRequest)) return false;

    TPortRecord record;
    record.Time = m_clock ? m_clock() : std::chrono::nanoseconds{0};
    record.Code = code;
    std::copy_n(in, kPortRequestBytes, record.Block.begin());
    record.Request = *request;
    if (code == kPortReadRequest) {
        if (!out || outSize < 4) return false;
        record.Reply = m_readHandler ? m_readHandler(request->Port, request->Size)
                                     : PortIdleValue(request->Size);
        for (int i = 0; i < 4; ++i) out[i] = static_cast<quint8>(record.Reply >> (8 * i));
    }
    m_records.push_back(record);
    return true;
}

std::vector<TPortRecord> TRecordingPortDevice::Writes() const
{
    std::vector<TPortRecord> writes;
    std::copy_if(m_records.begin(), m_records.end(), std::back_inserter(writes),
                 [](const TPortRecord& r) { return r.IsWrite(); });
    return writes;
}

}  // namespace zox

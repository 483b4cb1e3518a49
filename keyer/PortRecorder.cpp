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
        ReadHandler handler;
        {
            const std::lock_guard lock(m_mutex);
            handler = m_readHandler;
        }
        // Outside the lock: a handler may look at what was recorded.
        record.Reply = handler ? handler(request->Port, request->Size) : PortIdleValue(request->Size);
        for (int i = 0; i < 4; ++i) out[i] = static_cast<quint8>(record.Reply >> (8 * i));
    }
    const std::lock_guard lock(m_mutex);
    m_records.push_back(record);
    return true;
}

void TRecordingPortDevice::SetReadHandler(ReadHandler handler)
{
    const std::lock_guard lock(m_mutex);
    m_readHandler = std::move(handler);
}

void TRecordingPortDevice::Reserve(std::size_t count)
{
    const std::lock_guard lock(m_mutex);
    m_records.reserve(count);
}

void TRecordingPortDevice::Clear()
{
    const std::lock_guard lock(m_mutex);
    m_records.clear();
}

std::vector<TPortRecord> TRecordingPortDevice::Records() const
{
    const std::lock_guard lock(m_mutex);
    return m_records;
}

std::vector<TPortRecord> TRecordingPortDevice::Writes() const
{
    const std::lock_guard lock(m_mutex);
    std::vector<TPortRecord> writes;
    std::copy_if(m_records.begin(), m_records.end(), std::back_inserter(writes),
                 [](const TPortRecord& r) { return r.IsWrite(); });
    return writes;
}

}  // namespace zox

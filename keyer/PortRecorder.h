#pragma once
// A port device that carries nothing out: it keeps every request with the time
// it arrived, and answers reads from a handler (all ones when there is none).
// Used by tests on a virtual clock and by benchmarks on the real one. The
// keying thread records while a test reads, so every access is locked.

#include "keyer/zlportio.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace zox {

struct TPortRecord {
    std::chrono::nanoseconds Time{0};
    quint32 Code = 0;
    TPortRequestBlock Block{};
    TPortRequest Request;  // the block decoded
    quint32 Reply = 0;     // what a read answered
    bool IsWrite() const { return Code == kPortWriteRequest; }
};

class TRecordingPortDevice : public TPortDevice {
public:
    using Clock = std::function<std::chrono::nanoseconds()>;
    using ReadHandler = std::function<quint32(quint32 port, quint32 size)>;

    // With no clock every request is recorded at time 0.
    explicit TRecordingPortDevice(Clock clock = {}, bool opens = true);

    bool Open() override { return m_opens; }
    void Close() override { m_closed = true; }
    bool DeviceIoControl(quint32 code, const quint8* in, std::size_t inSize, quint8* out,
                         std::size_t outSize) override;

    void SetReadHandler(ReadHandler handler);
    void Reserve(std::size_t count);
    void Clear();

    std::vector<TPortRecord> Records() const;
    std::vector<TPortRecord> Writes() const;
    bool Closed() const { return m_closed; }

private:
    mutable std::mutex m_mutex;
    Clock m_clock;
    bool m_opens;
    bool m_closed = false;
    ReadHandler m_readHandler;
    std::vector<TPortRecord> m_records;
};

}  // namespace zox

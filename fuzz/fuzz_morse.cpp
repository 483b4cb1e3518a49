// The Morse encoder on a virtual clock with a recording port device.
// Input: the text to key (Latin-1), optionally followed by "\n" and parameter
// bytes in this order: speed, speed 1, speed 2, tone (2 bytes, little-endian),
// flags (1: speaker), and the input-processing points (0: never) at which the
// operator stops the send, starts a nested send of the text's first n
// characters (then n), or destroys the keyer; the bytes after those are paddle
// status readings, one per poll.
// Checked: the key ends up and the speaker off, the clock never runs back, and the
// speed and dot length stay consistent.

#include "FuzzSupport.h"
#include "keyer/CwKeyer.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/zlportio.h"

#include <cstdint>
#include <memory>

using namespace zox;

namespace {

TVirtualKeyerPlatform* g_clock = nullptr;
TRecordingPortDevice* g_port = nullptr;
quint8 g_status = 0xFF;

constexpr quint32 kControlPort = 0x378 + 2;

// Key up, and speaker off when it was ever switched on.
void CheckIdle(const std::vector<TPortRecord>& records)
{
    const TPortRecord* control = nullptr;
    const TPortRecord* speaker = nullptr;
    std::chrono::nanoseconds last{0};
    for (const TPortRecord& r : records) {
        FUZZ_CHECK(r.Time >= last);
        last = r.Time;
        if (!r.IsWrite()) continue;
        if (r.Request.Port == kControlPort) control = &r;
        if (r.Request.Port == kSpeakerControlPort) speaker = &r;
    }
    if (control) FUZZ_CHECK((control->Request.Value & TCwKeyer::kKeyBit) == 0);
    if (speaker) FUZZ_CHECK((speaker->Request.Value & 0x03) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_clock = new TVirtualKeyerPlatform;
    auto device = std::make_unique<TRecordingPortDevice>([] { return g_clock->Now(); });
    device->SetReadHandler([](quint32, quint32) { return quint32(g_status); });
    g_port = device.get();
    if (!ZlPortIoStart(std::move(device))) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nl = all.indexOf('\n');
    const QString text = QString::fromLatin1(nl < 0 ? all : all.left(nl));
    const QByteArray tail = nl < 0 ? QByteArray() : all.mid(nl + 1);
    qsizetype at = 0;
    auto next = [&tail, &at] { return at < tail.size() ? quint8(tail[at++]) : quint8(0); };

    g_port->Clear();
    g_status = 0xFF;
    auto keyer = std::make_unique<TCwKeyer>(g_clock);
    bool destroyed = false;
    int stopAt = 0, nestAt = 0, destroyAt = 0, point = 0;
    QString nested;
    if (!tail.isEmpty()) {
        keyer->SetSpeed(next());
        keyer->SetHiSpeed(next());
        keyer->SetHiSpeed1(next());
        const int low = next();
        keyer->SetTone(low | next() << 8);
        keyer->SetSpeaker(next() & 1);
        stopAt = next();
        nestAt = next();
        nested = text.left(next());
        destroyAt = next();
        TCwKeyer* raw = keyer.get();
        raw->OnProcessInput = [&, raw] {
            ++point;
            if (point == stopAt) raw->SetStop(true);
            if (point == nestAt) {
                raw->OnProcessInput = nullptr;  // one nested send, not a chain
                raw->SendText(nested);
                return;  // the keyer lives on: destroying it comes only outside the nested send
            }
            if (point == destroyAt) {
                destroyed = true;
                keyer.reset();
            }
        };
    } else {
        keyer->SetSpeaker(false);
    }

    keyer->SendText(text);
    CheckIdle(g_port->Records());
    if (destroyed) {
        FUZZ_CHECK(!keyer);
        return 0;
    }
    FUZZ_CHECK(keyer->Stop());
    FUZZ_CHECK(keyer->Speed() >= TCwKeyer::kMinSpeed && keyer->Speed() <= TCwKeyer::kMaxSpeed);
    FUZZ_CHECK(keyer->DotLength() == TCwKeyer::kTimingConstant / keyer->Speed());
    keyer->OnProcessInput = nullptr;

    // Paddles: each remaining byte is the status register for one poll.
    keyer->SetPisem(true);
    while (at < tail.size()) {
        g_status = next();
        keyer->PollDot();
        keyer->PollDash();
        QString ch;
        if (keyer->ReadPaddleChar(ch)) {
            FUZZ_CHECK(ch.size() == 1);
            FUZZ_CHECK(TCwKeyer::TablePosition(ch[0]) != TCwKeyer::kSilentPosition);
        }
    }
    CheckIdle(g_port->Records());
    return 0;
}

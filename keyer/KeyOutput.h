#pragma once
// Keying outputs: what the keyer's changes of key, tone and PTT reach. The
// keyer is given one output (several at once through TKeyOutputs) and knows
// nothing of the hardware behind it; each interface is one class.
//
// Threads: an output is made on the user-interface thread and then used only
// by the keying thread (Apply, ReadStatus), until the keyer gives it up.

#include "keyer/KeyerPlatform.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

namespace zox {

struct TKeyEvent {
    enum TKind : quint8 {
        Control,  // the key line
        Tone,     // the sidetone
        Ptt,      // push-to-talk
    };
    TKind Kind = Control;
    // Control: the byte for the parallel port's control register; Tone: the
    // tone in hertz, 0 for silence; Ptt: 1 on, 0 off.
    quint32 Value = 0;
    // Control: whether the key is down. The parallel port also gets short
    // pulses of the manual bits that do not key; outputs with a single key
    // line follow this flag only.
    bool Key = false;
    // Control: the parallel port's base address.
    quint16 LptPort = 0x378;
    bool operator==(const TKeyEvent&) const = default;
};

// A run of a send's text at one speed (the keyer's speed number), as an
// output with a keyer of its own is given it; the speed markers are gone.
struct TTextSection {
    QString Text;
    int Speed = 0;
    bool operator==(const TTextSection&) const = default;
};

class TKeyOutput {
public:
    using Time = KeyerPlatform::Time;

    virtual ~TKeyOutput() = default;
    // One change, at `at` on the keyer's clock: the deadline it was due at
    // (the call itself comes as soon after it as the thread wakes).
    // An exception means the device failed; the keyer reports it once.
    virtual void Apply(Time at, const TKeyEvent& event) = 0;
    // The paddle contacts as the parallel port's status register reads them
    // (a contact reads 0 while closed); nothing where there are no paddles.
    virtual std::optional<quint8> ReadStatus(quint16 lptPort)
    {
        Q_UNUSED(lptPort);
        return std::nullopt;
    }
    // A PTT line is there: the keyer then keeps its lead before keying.
    virtual bool HasPtt() const { return false; }

    // An output with a keyer of its own (a radio's) is given each send as
    // text instead of its elements. KeyText starts it and returns at once;
    // TextEnded then says nothing until it has ended, and then whether it
    // was sent to its end; StopText ends it early. All on the keying thread.
    virtual bool KeysText() const { return false; }
    virtual void KeyText(const std::vector<TTextSection>& sections) { Q_UNUSED(sections); }
    virtual std::optional<bool> TextEnded() { return true; }
    virtual void StopText() {}
};

// Several outputs fed the same changes, in the order added.
class TKeyOutputs final : public TKeyOutput {
public:
    void Add(std::unique_ptr<TKeyOutput> output);
    bool Empty() const { return m_outputs.empty(); }

    void Apply(Time at, const TKeyEvent& event) override;
    std::optional<quint8> ReadStatus(quint16 lptPort) override;  // the first that has paddles
    bool HasPtt() const override;
    bool KeysText() const override;
    void KeyText(const std::vector<TTextSection>& sections) override;
    std::optional<bool> TextEnded() override;  // once all have ended; true if all sent it
    void StopText() override;

private:
    std::vector<std::unique_ptr<TKeyOutput>> m_outputs;
};

// The key line and the paddles on the parallel port, through the port-access
// layer (keyer/zlportio.h): every control byte is written as it is.
class TLptOutput final : public TKeyOutput {
public:
    void Apply(Time at, const TKeyEvent& event) override;
    std::optional<quint8> ReadStatus(quint16 lptPort) override;
};

// The sidetone on the PC speaker, through the port-access layer.
class TPcSpeakerOutput final : public TKeyOutput {
public:
    void Apply(Time at, const TKeyEvent& event) override;
};

// The keyer's outputs when it is given none: the parallel port and the PC speaker.
std::unique_ptr<TKeyOutput> MakeParallelPortOutputs();

}  // namespace zox

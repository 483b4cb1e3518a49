#pragma once
// The radio as a keying output: PTT through its CAT command, and CW from its
// own keyer, which is given each send's text with its speed sections (the
// keyer's speed number becomes words per minute there, at the same pace).
// The radio sounds its own sidetone. A text the radio could not take ends
// its send as a failing device does, with a message.
//
// Threads: made on the user-interface thread, used on the keying thread like
// every output. It reaches the radio through a TRadioPort and never waits
// for it: the end of a text comes back from the radio thread as a flag.

#include "keyer/KeyOutput.h"
#include "rig/RadioPort.h"

#include <memory>

namespace zox {

class TRadioKeyOutput final : public TKeyOutput {
public:
    // keysCw: CW goes to the radio's keyer; ptt: PTT through CAT.
    TRadioKeyOutput(std::shared_ptr<TRadioPort> port, bool keysCw, bool ptt);
    // A text still being sent is stopped.
    ~TRadioKeyOutput() override;

    void Apply(Time at, const TKeyEvent& event) override;
    bool HasPtt() const override { return m_ptt; }
    bool KeysText() const override { return m_keysCw; }
    void KeyText(const std::vector<TTextSection>& sections) override;
    std::optional<bool> TextEnded() override;
    void StopText() override;

private:
    struct TState;

    const std::shared_ptr<TRadioPort> m_port;
    const bool m_keysCw;
    const bool m_ptt;
    const std::shared_ptr<TState> m_state;  // shared with the radio thread's callback
};

}  // namespace zox

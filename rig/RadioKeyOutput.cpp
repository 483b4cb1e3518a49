#include "rig/RadioKeyOutput.h"

#include <mutex>
#include <stdexcept>

namespace zox {

struct TRadioKeyOutput::TState {
    std::mutex lock;
    quint64 send = 0;             // the text now with the radio; a later one makes earlier ends stale
    std::optional<bool> ended = true;
    bool failed = false;          // the radio could not take it (no link, an error)
};

TRadioKeyOutput::TRadioKeyOutput(std::shared_ptr<TRadioPort> port, bool keysCw, bool ptt)
    : m_port(std::move(port)), m_keysCw(keysCw), m_ptt(ptt), m_state(std::make_shared<TState>())
{
}

TRadioKeyOutput::~TRadioKeyOutput()
{
    if (!TextEnded()) StopText();
}

void TRadioKeyOutput::Apply(Time, const TKeyEvent& event)
{
    if (event.Kind == TKeyEvent::Ptt && m_ptt) m_port->SetPtt(event.Value != 0);
}

void TRadioKeyOutput::KeyText(const std::vector<TTextSection>& sections)
{
    QList<MorseSection> morse;
    for (const TTextSection& s : sections) morse.append({s.Text, s.Speed});
    quint64 send;
    {
        const std::lock_guard lock(m_state->lock);
        send = ++m_state->send;
        m_state->ended.reset();
    }
    m_port->SendMorse(morse, [state = m_state, send](MorseEnd end) {
        const std::lock_guard lock(state->lock);
        if (state->send != send) return;
        state->ended = end == MorseEnd::Sent;
        state->failed = end == MorseEnd::Failed;
    });
}

std::optional<bool> TRadioKeyOutput::TextEnded()
{
    const std::lock_guard lock(m_state->lock);
    if (m_state->failed) {
        // As a failing device: the keyer ends the send and says so.
        m_state->failed = false;
        throw std::runtime_error("Radio ni oddal besedila (ni povezave z njim) !");
    }
    return m_state->ended;
}

void TRadioKeyOutput::StopText()
{
    {
        const std::lock_guard lock(m_state->lock);
        ++m_state->send;  // whatever the radio says of it now comes too late
        m_state->ended = false;
        m_state->failed = false;
    }
    m_port->StopMorse();
}

}  // namespace zox

#include "rig/RadioKeyOutput.h"

#include <mutex>

namespace zox {

struct TRadioKeyOutput::TState {
    std::mutex lock;
    quint64 send = 0;             // the text now with the radio; a later one makes earlier ends stale
    std::optional<bool> ended = true;
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
        if (state->send == send) state->ended = end == MorseEnd::Sent;
    });
}

std::optional<bool> TRadioKeyOutput::TextEnded()
{
    const std::lock_guard lock(m_state->lock);
    return m_state->ended;
}

void TRadioKeyOutput::StopText()
{
    {
        const std::lock_guard lock(m_state->lock);
        ++m_state->send;  // whatever the radio says of it now comes too late
        m_state->ended = false;
    }
    m_port->StopMorse();
}

}  // namespace zox

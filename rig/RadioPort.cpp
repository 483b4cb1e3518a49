#include "rig/RadioPort.h"

#include <atomic>

namespace zox {

// The end of one send, told once: by the link, or by giving the link up.
struct TRadioPort::TPending {
    explicit TPending(std::function<void(MorseEnd)> f) : ended(std::move(f)) {}
    void End(MorseEnd end)
    {
        if (!told.exchange(true) && ended) ended(end);
    }
    std::function<void(MorseEnd)> ended;
    std::atomic<bool> told{false};
};

void TRadioPort::Attach(RadioLink* link)
{
    std::shared_ptr<TPending> given;
    {
        const std::lock_guard lock(m_lock);
        if (link == m_link) return;
        m_link = link;
        given = std::exchange(m_pending, nullptr);
    }
    if (given) given->End(MorseEnd::Stopped);
}

void TRadioPort::SetPtt(bool on)
{
    const std::lock_guard lock(m_lock);
    if (m_link) m_link->SetPtt(on);
}

void TRadioPort::SendMorse(const QList<MorseSection>& sections, std::function<void(MorseEnd)> ended)
{
    auto pending = std::make_shared<TPending>(std::move(ended));
    {
        const std::lock_guard lock(m_lock);
        if (m_link) {
            m_pending = pending;
            m_link->SendMorse(sections, [pending](MorseEnd end) { pending->End(end); });
            return;
        }
    }
    pending->End(MorseEnd::Failed);
}

void TRadioPort::StopMorse()
{
    const std::lock_guard lock(m_lock);
    if (m_link) m_link->StopMorse();
}

}  // namespace zox

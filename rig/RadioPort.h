#pragma once
// The radio as the keying thread reaches it: PTT and CW from the radio's own
// keyer, through whichever link is open now (the settings may make a new one
// at any time), or none.
//
// Threads: Attach on the user-interface thread, which owns the links; the
// requests from any thread. None of them waits for the radio: a request only
// queues work on the link's radio thread.

#include "rig/RadioLink.h"

#include <functional>
#include <memory>
#include <mutex>

namespace zox {

class TRadioPort {
public:
    // The link the requests go to from now on (nullptr: none). A send still
    // going on the link given up ends as stopped. Call it before closing the
    // link: afterwards no request reaches that link.
    void Attach(RadioLink* link);

    void SetPtt(bool on);
    // `ended` runs once, however the send ends: on the radio thread, or at
    // once as failed when there is no link.
    void SendMorse(const QList<MorseSection>& sections, std::function<void(MorseEnd)> ended);
    void StopMorse();

private:
    struct TPending;

    std::mutex m_lock;  // held while a request is being queued on the link
    RadioLink* m_link = nullptr;
    std::shared_ptr<TPending> m_pending;  // the send last given to the link
};

}  // namespace zox

#pragma once
// The sidetone from the sound card: the keyer's tone changes, rendered by
// TSidetoneSynth, on the default audio output through Qt Multimedia. The
// sound follows the keyer's timeline a constant kDelay later, enough for the
// device's buffer to be filled ahead of it.
//
// Threads: made and destroyed on any thread; Apply on the keying thread. The
// device is driven by a thread of its own, so a busy user-interface thread
// does not make the sidetone stutter. Without a sound device it stays
// silent: nothing is reported.

#include "keyer/KeyOutput.h"
#include "keyer/Sidetone.h"

#include <atomic>
#include <memory>

namespace zox {

class TSoundCardSidetone final : public TKeyOutput {
public:
    static constexpr int kSampleRate = 48000;
    static constexpr Time kDelay = std::chrono::milliseconds(40);
    static constexpr Time kDeviceBuffer = std::chrono::milliseconds(20);

    // clock: the keyer's, whose times the tone changes carry.
    explicit TSoundCardSidetone(KeyerPlatform& clock);
    ~TSoundCardSidetone() override;

    void Apply(Time at, const TKeyEvent& event) override;
    // A sound device is playing the sidetone.
    bool Playing() const { return m_playing->load(); }

private:
    class TDeviceThread;

    std::shared_ptr<TSidetoneSynth> m_synth;
    std::shared_ptr<std::atomic<bool>> m_playing;
    std::unique_ptr<TDeviceThread> m_thread;
};

}  // namespace zox

#pragma once
// The sidetone as samples: a sine at the keyer's tone whose envelope follows
// the keyer's tone changes with raised-cosine edges of 5 ms, so it does not
// click. The same synthesis serves the sound card (a constant delay ahead of
// the device's buffer) and the wave files of zox-keyer-wav (no delay).
//
// Threads: Add from any thread (the keying thread); Render from one thread
// at a time (the sound card's, or the caller's), in time order.

#include "keyer/KeyOutput.h"

#include <QtGlobal>

#include <deque>
#include <memory>
#include <mutex>

namespace zox {

class TSidetoneSynth {
public:
    using Time = KeyerPlatform::Time;
    static constexpr Time kRamp = std::chrono::milliseconds(5);

    // amplitude: of the full tone, 0..1 of the sample range.
    TSidetoneSynth(int sampleRate, Time delay, double amplitude = 0.5);

    int SampleRate() const { return m_rate; }
    Time Delay() const { return m_delay; }
    double Amplitude() const { return m_amplitude; }
    // The largest change of the envelope from one sample to the next: the
    // raised cosine at its steepest.
    double MaxEnvelopeStep() const;

    // A tone change at `at` on the keyer's clock (hertz 0: silence). It
    // sounds at `at` + Delay(): an edge starts there and takes kRamp. One that
    // comes too late starts with the next sample, still without a step.
    void Add(Time at, int hertz);
    // The next `count` samples, the first at `first` on the keyer's clock and
    // each one sample period after the one before. envelope (optional): the
    // envelope of each sample, 0..1.
    void Render(Time first, qint16* out, std::size_t count, float* envelope = nullptr);
    // No tone sounds and none is pending (on the thread that renders).
    bool Silent() const;

private:
    struct TEdge {
        Time At;
        int Hertz;
    };

    const int m_rate;
    const Time m_delay;
    const double m_amplitude;

    mutable std::mutex m_mutex;
    std::deque<TEdge> m_pending;  // from Add, not yet taken by Render

    // Rendering state.
    std::deque<TEdge> m_edges;
    double m_phase = 0;
    int m_hertz = 0;
    double m_level = 0;
    double m_from = 0;
    double m_to = 0;
    Time m_rampStart{0};
    bool m_ramping = false;
    Time m_lastSample = Time::min();
};

// Feeds a synthesiser from the keyer's tone changes.
class TSynthToneOutput final : public TKeyOutput {
public:
    explicit TSynthToneOutput(std::shared_ptr<TSidetoneSynth> synth) : m_synth(std::move(synth)) {}
    void Apply(Time at, const TKeyEvent& event) override;

private:
    std::shared_ptr<TSidetoneSynth> m_synth;
};

}  // namespace zox

#include "keyer/Sidetone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zox {

TSidetoneSynth::TSidetoneSynth(int sampleRate, Time delay, double amplitude)
    : m_rate(std::max(sampleRate, 1)), m_delay(delay), m_amplitude(std::clamp(amplitude, 0.0, 1.0))
{
}

double TSidetoneSynth::MaxEnvelopeStep() const
{
    // d/dt of (1 - cos(pi t / R)) / 2 is at most pi / (2 R).
    const double rampSeconds = std::chrono::duration<double>(kRamp).count();
    return std::numbers::pi / (2 * rampSeconds * m_rate);
}

void TSidetoneSynth::Add(Time at, int hertz)
{
    const std::lock_guard lock(m_mutex);
    m_pending.push_back({at, std::max(hertz, 0)});
}

bool TSidetoneSynth::Silent() const
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_pending.empty()) return false;
    }
    return m_edges.empty() && !m_ramping && m_level == 0;
}

void TSidetoneSynth::Render(Time first, qint16* out, std::size_t count, float* envelope)
{
    {
        const std::lock_guard lock(m_mutex);
        for (const TEdge& e : m_pending) m_edges.push_back(e);
        m_pending.clear();
    }
    const double periodNs = 1e9 / m_rate;
    const double rampNs = double(std::chrono::duration_cast<Time>(kRamp).count());
    const double scale = m_amplitude * 32767.0;
    for (std::size_t i = 0; i < count; ++i) {
        const Time t = first + Time(std::llround(double(i) * periodNs));
        while (!m_edges.empty() && m_edges.front().At + m_delay <= t) {
            const TEdge edge = m_edges.front();
            m_edges.pop_front();
            // From where the envelope stands, so an edge in the middle of
            // another, or a late one, makes no step.
            m_rampStart = std::max(edge.At + m_delay, m_lastSample);
            m_from = m_level;
            m_to = edge.Hertz > 0 ? 1.0 : 0.0;
            if (edge.Hertz > 0) m_hertz = edge.Hertz;
            m_ramping = true;
        }
        if (m_ramping) {
            const double x = double((t - m_rampStart).count()) / rampNs;
            if (x >= 1) {
                m_level = m_to;
                m_ramping = false;
            } else {
                m_level = m_from + (m_to - m_from) * 0.5 * (1 - std::cos(std::numbers::pi * std::max(x, 0.0)));
            }
        }
        out[i] = static_cast<qint16>(std::lround(scale * m_level * std::sin(m_phase)));
        if (envelope) envelope[i] = float(m_level);
        m_phase += 2 * std::numbers::pi * m_hertz / m_rate;
        if (m_phase >= 2 * std::numbers::pi) m_phase -= 2 * std::numbers::pi;
        m_lastSample = t;
    }
}

void TSynthToneOutput::Apply(Time at, const TKeyEvent& event)
{
    if (event.Kind == TKeyEvent::Tone) m_synth->Add(at, int(event.Value));
}

}  // namespace zox

// The sidetone's samples, rendered from the keyer's timeline on the virtual
// clock: every edge where the timeline puts it (within one sample period,
// after the constant delay), raised-cosine edges without a step, the sine
// continuous, and edges that come late or overlap still without a click.

#include "KeyerTestSupport.h"

#include "keyer/Sidetone.h"

#include <cmath>
#include <numbers>

namespace zox::test {
namespace {

using Time = KeyerPlatform::Time;

constexpr int kRate = 48000;
constexpr Time kDelay = milliseconds(40);

struct Rendered {
    std::vector<qint16> samples;
    std::vector<float> envelope;
};

Rendered Render(TSidetoneSynth& synth, Time first, std::size_t count)
{
    Rendered r;
    r.samples.resize(count);
    r.envelope.resize(count);
    synth.Render(first, r.samples.data(), count, r.envelope.data());
    return r;
}

double SampleMs(Time first, std::size_t i) { return std::chrono::duration<double, std::milli>(first).count() + 1000.0 * double(i) / kRate; }

// The envelope never changes by more than the raised cosine's steepest step,
// and the samples by no more than the sine and that step allow.
void ExpectNoStep(const TSidetoneSynth& synth, const Rendered& r, int hertz)
{
    const double maxEnvelope = synth.MaxEnvelopeStep() * (1 + 1e-6) + 1e-7;
    const double fullScale = synth.Amplitude() * 32767;
    const double maxSample = fullScale * (2 * std::numbers::pi * hertz / kRate + synth.MaxEnvelopeStep()) + 1.5;
    double worstEnvelope = 0, worstSample = 0;
    for (std::size_t i = 1; i < r.samples.size(); ++i) {
        worstEnvelope = std::max(worstEnvelope, double(std::abs(r.envelope[i] - r.envelope[i - 1])));
        worstSample = std::max(worstSample, double(std::abs(r.samples[i] - r.samples[i - 1])));
    }
    EXPECT_LE(worstEnvelope, maxEnvelope);
    EXPECT_LE(worstSample, maxSample);
}

TEST(Sidetone, EdgesFollowTheKeyersTimelineAfterTheDelay)
{
    // The keyer at the top speed (21 ms dots) feeds both the synthesiser and a recorder.
    TVirtualKeyerPlatform clock;
    auto synth = std::make_shared<TSidetoneSynth>(kRate, kDelay);
    auto outputs = std::make_unique<TKeyOutputs>();
    auto recorder = std::make_unique<TRecordingKeyOutput>();
    TRecordingKeyOutput* tones = recorder.get();
    outputs->Add(std::make_unique<TSynthToneOutput>(synth));
    outputs->Add(std::move(recorder));
    TCwKeyer keyer(&clock, std::move(outputs));
    keyer.SetSpeed(255);
    keyer.SetTone(700);
    keyer.SetSpeaker(true);
    keyer.SendText("CQ TEST 5NN ?");
    ASSERT_TRUE(Finish(clock, keyer));

    const auto timeline = tones->Of(TKeyEvent::Tone);
    ASSERT_GT(timeline.size(), 20u);
    // In blocks, as a sound card asks for them.
    const Time end = clock.Now() + kDelay + milliseconds(10);
    Rendered all;
    for (Time first{0}; first < end;) {
        const std::size_t block = 441;
        const Rendered r = Render(*synth, first, block);
        all.samples.insert(all.samples.end(), r.samples.begin(), r.samples.end());
        all.envelope.insert(all.envelope.end(), r.envelope.begin(), r.envelope.end());
        first = Time(std::llround(double(all.samples.size()) * 1e9 / kRate));
    }

    // Where the envelope leaves silence or full tone: each edge's first sample.
    std::vector<double> edges;
    for (std::size_t i = 1; i < all.envelope.size(); ++i) {
        if ((all.envelope[i - 1] == 0 && all.envelope[i] > 0) || (all.envelope[i - 1] == 1 && all.envelope[i] < 1))
            edges.push_back(SampleMs(Time{0}, i));
    }
    // Tone changes that merely repeat the state (silence in empty slots) make no edge.
    std::vector<double> expected;
    quint32 on = 0;
    for (const auto& [ms, hertz] : timeline) {
        if ((hertz != 0) == (on != 0)) continue;
        on = hertz;
        expected.push_back(ms + std::chrono::duration<double, std::milli>(kDelay).count());
    }
    ASSERT_EQ(edges.size(), expected.size());
    const double periodMs = 1000.0 / kRate;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        EXPECT_GT(edges[i], expected[i] - 1e-6) << "edge " << i;
        EXPECT_LE(edges[i], expected[i] + periodMs + 1e-6) << "edge " << i;
    }
    // Full tone between the edges of an element, once the ramp is over.
    const std::size_t firstFull = std::size_t((expected[0] + 5.0) * kRate / 1000.0) + 1;
    const std::size_t firstOff = std::size_t(expected[1] * kRate / 1000.0);
    for (std::size_t i = firstFull; i < firstOff; ++i) ASSERT_EQ(all.envelope[i], 1.0f) << i;
    ExpectNoStep(*synth, all, 700);
}

TEST(Sidetone, LateAndOverlappingEdgesMakeNoStep)
{
    TSidetoneSynth synth(kRate, kDelay);
    // Rendered up to 100 ms before anything is known.
    Render(synth, Time{0}, 4800);
    const Time next = milliseconds(100);
    // A tone that should have sounded at 50 ms starts with the next sample,
    // and is cut 2 ms into its edge by the silence after it.
    synth.Add(milliseconds(10), 600);
    synth.Add(milliseconds(62), 0);
    synth.Add(milliseconds(64), 600);
    synth.Add(milliseconds(90), 0);
    const Rendered r = Render(synth, next, 9600);
    EXPECT_GT(r.envelope[0], 0.0f);    // the late edge begins at once
    EXPECT_LT(r.envelope[0], 0.001f);  // from silence, not at full tone
    ExpectNoStep(synth, r, 600);
    float peak = 0;
    for (float e : r.envelope) peak = std::max(peak, e);
    EXPECT_EQ(peak, 1.0f);
    EXPECT_EQ(r.envelope.back(), 0.0f);
    EXPECT_TRUE(synth.Silent());
}

TEST(Sidetone, TheToneIsASineAtTheKeyersFrequency)
{
    TSidetoneSynth synth(kRate, Time{0}, 0.5);
    synth.Add(Time{0}, 1000);
    const Rendered r = Render(synth, Time{0}, 4800);
    // 1000 Hz at 48000 samples a second: 48 samples a period, zero crossings
    // every 24 samples once the edge is over.
    int crossings = 0;
    for (std::size_t i = 480; i + 1 < r.samples.size(); ++i)
        if ((r.samples[i] <= 0) != (r.samples[i + 1] <= 0)) ++crossings;
    EXPECT_NEAR(crossings, (4800 - 480) / 24, 1);
    qint16 peak = 0;
    for (std::size_t i = 480; i < r.samples.size(); ++i) peak = std::max<qint16>(peak, r.samples[i]);
    EXPECT_NEAR(peak, 0.5 * 32767, 2);
}

}  // namespace
}  // namespace zox::test

#include "keyer/audio/SoundCardSidetone.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zox {

namespace {

using Time = KeyerPlatform::Time;

// Pulled by the audio sink: samples from the synthesiser, labelled with the
// keyer's clock at the moment they will be heard.
class TGenerator final : public QIODevice {
public:
    TGenerator(TSidetoneSynth& synth, KeyerPlatform& clock) : m_synth(synth), m_clock(clock) {}

    void SetBufferBytes(qint64 bytes) { m_bufferBytes = bytes; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 16; }  // never runs dry

protected:
    qint64 readData(char* data, qint64 maxlen) override
    {
        const qint64 count = maxlen / 2;
        if (count <= 0) return 0;
        // What is handed over now plays after what the device holds already.
        // The sound card's clock drifts from the keyer's: follow it while silent.
        const qint64 queuedBytes = std::max<qint64>(0, m_bufferBytes - maxlen);
        const Time heard = m_clock.Now() + Time(queuedBytes * 1'000'000'000 / (2 * m_synth.SampleRate()));
        if (!m_anchored || (m_synth.Silent() && std::abs((heard - m_next).count()) > 2'000'000)) {
            m_next = heard;
            m_anchored = true;
        }
        m_samples.resize(std::size_t(count));
        m_synth.Render(m_next, m_samples.data(), m_samples.size());
        std::memcpy(data, m_samples.data(), std::size_t(count) * 2);
        m_next += Time(std::llround(double(count) * 1e9 / m_synth.SampleRate()));
        return count * 2;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    TSidetoneSynth& m_synth;
    KeyerPlatform& m_clock;
    qint64 m_bufferBytes = 0;
    bool m_anchored = false;
    Time m_next{0};
    std::vector<qint16> m_samples;
};

}  // namespace

class TSoundCardSidetone::TDeviceThread final : public QThread {
public:
    TDeviceThread(QAudioDevice device, std::shared_ptr<TSidetoneSynth> synth, KeyerPlatform& clock,
                  std::shared_ptr<std::atomic<bool>> playing)
        : m_device(std::move(device)), m_synth(std::move(synth)), m_clock(clock), m_playing(std::move(playing))
    {
    }

protected:
    void run() override
    {
        QAudioFormat format;
        format.setSampleRate(kSampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!m_device.isFormatSupported(format)) return;  // silent

        TGenerator generator(*m_synth, m_clock);
        generator.open(QIODevice::ReadOnly);
        QAudioSink sink(m_device, format);
        const qint64 bufferBytes =
            qint64(kSampleRate) * 2 * std::chrono::duration_cast<std::chrono::milliseconds>(kDeviceBuffer).count() / 1000;
        sink.setBufferSize(bufferBytes);
        sink.start(&generator);
        if (sink.error() != QAudio::NoError) return;  // silent
        generator.SetBufferBytes(sink.bufferSize());
        m_playing->store(true);
        exec();
        m_playing->store(false);
        sink.stop();
    }

private:
    QAudioDevice m_device;
    std::shared_ptr<TSidetoneSynth> m_synth;
    KeyerPlatform& m_clock;
    std::shared_ptr<std::atomic<bool>> m_playing;
};

TSoundCardSidetone::TSoundCardSidetone(KeyerPlatform& clock)
    : m_synth(std::make_shared<TSidetoneSynth>(kSampleRate, kDelay)),
      m_playing(std::make_shared<std::atomic<bool>>(false))
{
    // No device, no thread: the sidetone is silent and nothing is said.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    m_thread = std::make_unique<TDeviceThread>(device, m_synth, clock, m_playing);
    m_thread->start();
}

TSoundCardSidetone::~TSoundCardSidetone()
{
    if (!m_thread) return;
    m_thread->quit();
    m_thread->wait();
}

void TSoundCardSidetone::Apply(Time at, const TKeyEvent& event)
{
    // Without a device nothing takes the changes away: they are not kept.
    if (event.Kind == TKeyEvent::Tone && m_playing->load()) m_synth->Add(at, int(event.Value));
}

}  // namespace zox

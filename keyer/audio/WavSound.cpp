#include "keyer/audio/WavSound.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace zox {

// ---- TQtWavOutput ----

TQtWavOutput::TQtWavOutput() = default;

TQtWavOutput::~TQtWavOutput()
{
    if (m_player) m_player->stop();
}

bool TQtWavOutput::CanPlay() const
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool TQtWavOutput::Play(const QString& path, bool loop)
{
    Stop();
    // Checked here so a missing file stays silent instead of becoming a
    // player error later, and no player is made for nothing.
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile() || !file.isReadable()) return false;
    // Without a sound device some players fail hard instead of staying quiet.
    if (QMediaDevices::audioOutputs().isEmpty()) return false;

    if (!m_player) {
        m_player = std::make_unique<QMediaPlayer>();
        m_audio = std::make_unique<QAudioOutput>();
        // Its errors (no sound device, a file it cannot decode) are silence.
        m_player->setAudioOutput(m_audio.get());
        // Queued: whoever hears of the end may start the next file, which is
        // better not done inside the player's own signal.
        QObject::connect(
            m_player.get(), &QMediaPlayer::mediaStatusChanged, m_player.get(),
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia && m_player->loops() == QMediaPlayer::Once && OnFinished)
                    OnFinished();
            },
            Qt::QueuedConnection);
    }
    m_player->setLoops(loop ? QMediaPlayer::Infinite : QMediaPlayer::Once);
    m_player->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_player->play();
    m_current = path;
    return true;
}

void TQtWavOutput::Stop()
{
    if (m_player) m_player->stop();
    m_current.clear();
}

// ---- TWavSound ----

TWavSound::TWavSound(TWavOutput* output, QObject* parent) : QObject(parent)
{
    if (!output) {
        m_ownOutput = std::make_unique<TQtWavOutput>();
        output = m_ownOutput.get();
    }
    m_output = output;
    m_output->OnFinished = [this] {
        if (OnEnd) OnEnd();
    };
}

TWavSound::~TWavSound()
{
    m_output->OnFinished = nullptr;  // a player given from outside may outlive us
}

void TWavSound::PlayRequest(const QString& path, bool loop)
{
    if (BeforePlay) BeforePlay();
    if (path.isEmpty())
        m_output->Stop();
    else
        m_output->Play(path, loop);  // a file that cannot be played is silence
}

void TWavSound::SetSoundFile(const QString& path)
{
    m_soundFile = path;
    // Nothing plays any more, so a looping sound is no longer active.
    m_active = false;
    PlayRequest(QString(), false);
}

void TWavSound::SetActive(bool active)
{
    if (active) {
        if (m_soundFile.isEmpty()) return;
        m_active = true;
        PlayRequest(m_soundFile, m_soundLoop);
        if (!m_soundLoop) {
            // A single play goes on by itself in the background.
            m_active = false;
            if (AfterPlay) AfterPlay();
        }
        return;
    }
    if (m_soundLoop && m_active) {
        m_active = false;
        PlayRequest(QString(), false);
        if (AfterPlay) AfterPlay();
    }
}

// ---- the greeting ----

void PlayGreeting(TWavSound& ws, const QString& wavFolder)
{
    ws.SetSoundFile(wavFolder + kGreetingFile);
    ws.SetActive(true);
}

}  // namespace zox

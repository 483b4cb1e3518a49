#pragma once
// Wave-file playback: TWavSound starts a file and returns at once; the sound
// goes on in the background. Only one sound plays at a time. A file that is
// missing or cannot be played, or a machine without sound output, gives
// silence and no message.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace zox {

// The platform's wave player.
class TWavOutput {
public:
    virtual ~TWavOutput() = default;
    // Stops the sound that is playing, then starts the file (looping when
    // asked). Returns false, and stays silent, when the file cannot be played.
    virtual bool Play(const QString& path, bool loop) = 0;
    // Stops the sound that is playing.
    virtual void Stop() = 0;
    // There is a device to play on.
    virtual bool CanPlay() const { return true; }

    // Called later, on the same thread, when a single play has reached the end
    // of its file. A player that cannot tell never calls it.
    std::function<void()> OnFinished;
};

// The real player, over Qt Multimedia. It plays in the background, so a
// caller that sleeps on the user-interface thread does not cut the sound.
class TQtWavOutput final : public TWavOutput {
public:
    TQtWavOutput();
    ~TQtWavOutput() override;
    bool Play(const QString& path, bool loop) override;
    void Stop() override;
    bool CanPlay() const override;
    // The file started last; empty once stopped or when it could not be opened.
    QString CurrentFile() const { return m_current; }

private:
    std::unique_ptr<QMediaPlayer> m_player;  // made when the first file plays
    std::unique_ptr<QAudioOutput> m_audio;
    QString m_current;
};

class TWavSound : public QObject {
    Q_OBJECT
public:
    // output: not owned; nullptr plays through Qt Multimedia.
    explicit TWavSound(TWavOutput* output = nullptr, QObject* parent = nullptr);
    ~TWavSound() override;

    QString SoundFile() const { return m_soundFile; }
    // Stores the path and stops whatever sound is playing.
    void SetSoundFile(const QString& path);
    bool SoundLoop() const { return m_soundLoop; }
    void SetSoundLoop(bool loop) { m_soundLoop = loop; }
    // There is a sound device to play on.
    bool CanPlay() const { return m_output->CanPlay(); }
    // True while a looping sound plays; a single play leaves it false.
    bool Active() const { return m_active; }
    // True starts SoundFile (nothing without one); false stops a looping sound.
    void SetActive(bool active);

    // Called before every play or stop request.
    std::function<void()> BeforePlay;
    // Called once a single play has started or a looping sound has stopped.
    std::function<void()> AfterPlay;
    // Called when a single play has played its file to the end (when the
    // player can tell; later, not from inside SetActive).
    std::function<void()> OnEnd;

private:
    // An empty path stops the sound.
    void PlayRequest(const QString& path, bool loop);

    std::unique_ptr<TWavOutput> m_ownOutput;
    TWavOutput* m_output;
    QString m_soundFile;
    bool m_soundLoop = true;
    bool m_active = false;
};

inline const QString kGreetingFile = QStringLiteral("73.wav");

// When the main window is first shown.
void PlayGreeting(TWavSound& ws, const QString& wavFolder);

}  // namespace zox

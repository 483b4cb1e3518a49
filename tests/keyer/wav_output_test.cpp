// The Qt Multimedia player behind TWavSound, and the voice files the build
// puts into the program folder. The test machine may have no sound device:
// playing must then be silent, never an error.

#include "keyer/CwKeyer.h"
#include "keyer/audio/SoundCardSidetone.h"
#include "keyer/audio/VoiceExchange.h"
#include "keyer/audio/WavSound.h"

#include <QFile>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QtTest>

using namespace zox;

namespace {

QString WavFolder() { return qEnvironmentVariable("ZOX_TEST_PROGRAM_DIR") + QStringLiteral("/Wav/"); }

}  // namespace

class WavOutputTest : public QObject {
    Q_OBJECT
private slots:
    void shippedVoiceFiles_data();
    void shippedVoiceFiles();
    void missingFileIsSilentAndStopsTheSoundBefore();
    void playsInTheBackground();
    void soundCardSidetoneIsSilentWithoutADevice();
};

void WavOutputTest::shippedVoiceFiles_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : kDigitFiles) QTest::newRow(qPrintable(name)) << name;
    QTest::newRow(qPrintable(kGreetingFile)) << kGreetingFile;
}

void WavOutputTest::shippedVoiceFiles()
{
    QFETCH(QString, name);
    QFile f(WavFolder() + name);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    const QByteArray header = f.read(44);
    QCOMPARE(header.left(4), QByteArray("RIFF"));
    QCOMPARE(header.mid(8, 4), QByteArray("WAVE"));
    QVERIFY(f.size() > 2000);  // a spoken word, not an empty shell
}

void WavOutputTest::missingFileIsSilentAndStopsTheSoundBefore()
{
    TQtWavOutput out;
    QTemporaryDir empty;
    const QString missing = empty.filePath(QStringLiteral("Sest.wav"));
    const QString pet = WavFolder() + QStringLiteral("Pet.wav");
    if (QMediaDevices::audioOutputs().isEmpty()) {
        QVERIFY(!out.Play(pet, false));  // no device: silence
    } else {
        QVERIFY(out.Play(pet, false));
        QCOMPARE(out.CurrentFile(), pet);
    }
    QVERIFY(!out.Play(missing, false));
    QCOMPARE(out.CurrentFile(), QString());
    QVERIFY(!out.Play(empty.path(), false));  // a folder is no sound either
    QVERIFY(!out.Play(QString(), false));
}

void WavOutputTest::playsInTheBackground()
{
    // Through the component, as the program plays its greeting: returns at
    // once and leaves the single play inactive, with or without a device.
    TWavSound ws;
    ws.SetSoundLoop(false);
    PlayGreeting(ws, WavFolder());
    QVERIFY(!ws.Active());
    QTest::qWait(50);  // let the player report whatever it has to
    ws.SetSoundFile(QString());
    QVERIFY(!ws.Active());
}

void WavOutputTest::soundCardSidetoneIsSilentWithoutADevice()
{
    // A keyer keying onto the sound card: with a device it plays, without one
    // it stays silent, and neither way says anything or gets in the way.
    auto clock = MakeRealKeyerPlatform(false);
    auto sidetone = std::make_unique<TSoundCardSidetone>(*clock);
    TSoundCardSidetone* card = sidetone.get();
    const bool device = !QMediaDevices::defaultAudioOutput().isNull();
    QStringList failures;
    {
        TCwKeyer keyer(clock.get(), std::move(sidetone));
        keyer.OnFailure = [&](const QString& text) { failures << text; };
        keyer.SetSpeed(255);
        keyer.SetSpeaker(true);
        bool ended = false;
        keyer.SendText(QStringLiteral("TEST"), [&](bool toTheEnd) { ended = toTheEnd; });
        QTRY_VERIFY_WITH_TIMEOUT(ended, 10000);
        if (!device) QVERIFY(!card->Playing());
    }
    QVERIFY(failures.isEmpty());
}

QTEST_MAIN(WavOutputTest)
#include "wav_output_test.moc"

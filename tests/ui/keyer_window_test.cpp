// The memory keys through the real window, on a virtual clock and a recording port.
#include "WindowFixture.h"

#include "keyer/CwKeyer.h"
#include "keyer/CwKeyerSetup.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/WavSound.h"
#include "keyer/zlportio.h"

using namespace zox;
using namespace std::chrono_literals;
using zox::test::Window;

namespace {

struct Rig {
    TVirtualKeyerPlatform clock;
    KeyerPlatform* active = &clock;  // the clock the port records by
    TRecordingPortDevice* port = nullptr;
    Window t;

    Rig()
    {
        auto dev = std::make_unique<TRecordingPortDevice>([this] { return active->Now(); });
        port = dev.get();
        ZlPortIoStart(std::move(dev));
        t.w->KeyerPlatformForTests = &clock;
        t.w->KeyerDisable();
        t.w->KeyerEnable();  // a keyer on the virtual clock
        UserInfo.User.Call = "Q5OP";
        UserInfo.User.Multi = "77";
        port->Clear();
    }
    ~Rig() { ZlPortIoEnd(); }

    // The key-line writes (values and times from the first) of what happened since the last call.
    std::vector<std::pair<quint32, qint64>> keyed()
    {
        std::vector<std::pair<quint32, qint64>> out;
        const auto w = port->Writes();
        for (const auto& r : w)
            if (r.Request.Port == quint32(t.w->Keyer->LptPort() + 2))
                out.emplace_back(r.Request.Value, (r.Time - w.front().Time).count());
        port->Clear();
        return out;
    }
    // What a keyer with the same settings keys for this text.
    std::vector<std::pair<quint32, qint64>> reference(const QString& text)
    {
        port->Clear();
        TVirtualKeyerPlatform c2;
        active = &c2;
        TCwKeyer k(&c2);
        k.SetSpeed(t.w->Keyer->Speed());
        k.SetSpeaker(t.w->Keyer->Speaker());
        k.SetLptPort(t.w->Keyer->LptPort());
        k.SendText(text);
        active = &clock;
        return keyed();
    }
};

// Plays nothing, remembers which files were asked for and when.
struct RecordingOutput : TWavOutput {
    std::vector<std::pair<QString, qint64>>* log;
    qint64* now;
    bool Play(const QString& file, bool) override
    {
        log->emplace_back(QFileInfo(file).fileName(), *now);
        return QFileInfo::exists(file);
    }
    void Stop() override {}
};

}  // namespace

class KeyerWindowTest : public QObject {
    Q_OBJECT
private slots:
    void f1KeysTheExpandedMemory()
    {
        Rig r;
        r.t.newLog(r.t.logPath());
        r.t.w->Keyer->Memory()[1] = "TU <MYCALL> 5NN <HISCALL>";
        r.t.w->edCall->setText("Q1AAA");
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        const auto sent = r.keyed();
        QVERIFY(!sent.empty());
        const auto expected = r.reference("TU Q5OP 5NN Q1AAA");
        QCOMPARE(sent, expected);
    }

    void saveAfterTheText()
    {
        Rig r;
        r.t.newLog(r.t.logPath());
        r.t.w->Keyer->Memory()[2] = "TU <SAVE>";
        r.t.w->edCall->setText("Q1AAA");
        r.t.w->edHisMulti->setText("69");
        QTest::keyClick(r.t.w->edCall, Qt::Key_F2);
        QCOMPARE(r.t.status(), QString("1  zvez !"));
        QCOMPARE(r.t.w->edCall->text(), QString());
        // Stopped with "Počisti" half-way: the contact is still saved.
        r.t.w->edCall->setText("Q1BBB");
        r.t.w->edHisMulti->setText("70");
        r.clock.OnProcessEvents = [&] {
            if (r.clock.Now() > 50ms && !r.t.w->Keyer->Stop()) r.t.w->Button2->click();
        };
        QTest::keyClick(r.t.w->edCall, Qt::Key_F2);
        r.clock.OnProcessEvents = nullptr;
        QCOMPARE(r.t.status(), QString("2  zvez !"));
    }

    void aDuplicateSendsQsoB4AndClears()
    {
        Rig r;
        r.t.newLog(r.t.logPath());
        r.t.enter("Q1AAA", "69");
        r.port->Clear();
        r.t.w->Keyer->Memory()[5] = "TU <SAVE>";
        r.t.w->edCall->setFocus();
        QTest::keyClicks(r.t.w->edCall, "Q1AAA");
        QVERIFY(r.t.w->DupeMark);
        r.t.w->edHisMulti->setText("69");
        QTest::keyClick(r.t.w->edCall, Qt::Key_F5);
        const auto sent = r.keyed();
        const auto expected = r.reference("$QSO B4$");
        QCOMPARE(sent, expected);
        QCOMPARE(r.t.w->edCall->text(), QString());
        QCOMPARE(r.t.status(), QString("1  zvez !"));  // no save
    }

    void anFKeyDuringASendReplacesTheRest()
    {
        Rig r;
        r.t.newLog(r.t.logPath());
        r.t.w->Keyer->Memory()[1] = "CQ CQ CQ TEST";
        r.t.w->Keyer->Memory()[3] = "T";
        bool pressed = false;
        r.clock.OnProcessEvents = [&] {
            if (!pressed && r.clock.Now() > 300ms) {
                pressed = true;
                QTest::keyClick(r.t.w->edCall, Qt::Key_F3);
            }
        };
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.clock.OnProcessEvents = nullptr;
        QVERIFY(pressed);
        const auto sent = r.keyed();
        const auto full = r.reference("CQ CQ CQ TEST");
        const auto t = r.reference("T");
        QVERIFY(sent.size() < full.size() / 2);
        // It ends with the second memory's text.
        QVERIFY(sent.size() > t.size());
        for (size_t i = 0; i < t.size(); ++i)
            QCOMPARE(sent[sent.size() - t.size() + i].first, t[i].first);
    }

    void voiceInSsbAndMemoryOneInCw()
    {
        std::vector<std::pair<QString, qint64>> played;
        qint64 now = 0;
        RecordingOutput out;  // outlives the window
        out.log = &played;
        out.now = &now;
        Rig r;
        delete r.t.w->WS;
        r.t.w->WS = new TWavSound(&out, r.t.w.get());
        r.t.w->WS->SetSoundLoop(false);
        r.t.w->VoiceWait = [&](int ms) { now += ms; };
        QDir().mkpath(Dir.Wav);
        for (const char* f : {"Pet.wav", "Devet.wav"}) QFile(Dir.Wav + f).open(QIODevice::WriteOnly);  // Sest.wav missing
        r.t.setMode(1);
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        const std::vector<std::pair<QString, qint64>> voice{
            {"Pet.wav", 0}, {"Devet.wav", 500}, {"Sest.wav", 1000}, {"Devet.wav", 1500}};
        QCOMPARE(played, voice);
        QVERIFY(r.keyed().empty());
        r.t.setMode(0);
        r.t.w->Keyer->Memory()[1] = "E";
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        QCOMPARE(played.size(), size_t(4));
        const auto sent = r.keyed();
        const auto expected = r.reference("E");
        QCOMPARE(sent, expected);
    }

    void dialogPortIsUsedForTheNextElement()
    {
        Rig r;
        // OK in the dialog with "$278" chosen.
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<TSetupFrm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->rgLpt->findChildren<QRadioButton*>().at(1)->click();
            dlg->OKBtn->click();
        });
        r.t.w->NastavitveItem->trigger();
        QCOMPARE(r.t.w->Keyer->LptPort(), quint16(0x278));
        r.t.w->Keyer->Memory()[1] = "E";
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        bool at278 = false;
        for (const auto& w : r.port->Writes()) at278 |= w.Request.Port == 0x27A;
        QVERIFY(at278);
    }
};

QTEST_MAIN(KeyerWindowTest)
#include "keyer_window_test.moc"

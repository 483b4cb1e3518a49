// The memory keys through the real window, on a virtual clock and a recording
// port. The keyer keys on its own thread: a test presses the keys and then
// lets the keyer's clock run (run()); at each step of it the keyer's queued
// calls reach the window and OnProcessEvents stands in for the operator.
#include "SerialTestSupport.h"
#include "WindowFixture.h"
#include "WindowVoiceSupport.h"

#include "keyer/CwKeyer.h"
#include "ui/CwKeyerSetup.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/audio/VoiceExchange.h"
#include "keyer/audio/WavSound.h"
#include "keyer/zlportio.h"
#include "ui/SendIndicator.h"

#include <map>

using namespace zox;
using namespace std::chrono_literals;
using zox::test::TestTimers;
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

    // Lets the window's keyer key what it was given, and its end come back.
    void run() { QVERIFY(clock.RunUntil([this] { return t.w->Keyer->Idle(); })); }

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
        if (!c2.RunUntil([&k] { return k.Idle(); })) qWarning("the reference keyer did not finish");
        active = &clock;
        return keyed();
    }
};

using zox::test::VoiceOutput;

QByteArray iniBytes(const Window& t)
{
    QFile f(t.root.filePath("config/Zox.ini"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

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
        r.run();
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
        r.run();
        QCOMPARE(r.t.status(), QString("1  zvez !"));
        QCOMPARE(r.t.w->edCall->text(), QString());
        // Stopped with "Počisti" half-way: the contact is still saved.
        r.t.w->edCall->setText("Q1BBB");
        r.t.w->edHisMulti->setText("70");
        r.clock.OnProcessEvents = [&] {
            if (r.clock.Now() > 50ms && !r.t.w->Keyer->Stop()) r.t.w->Button2->click();
        };
        QTest::keyClick(r.t.w->edCall, Qt::Key_F2);
        r.run();
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
        r.run();
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
        r.run();
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

    void voiceInSsbSpeaksTheOwnYearAndMemoryOneInCw()
    {
        VoiceOutput out;  // outlives the window
        Rig r;
        out.Install(*r.t.w);
        QDir().mkpath(Dir.Wav);
        const std::map<QString, int> lengths{{"Pet.wav", 351}, {"Devet.wav", 541}, {"Sedem.wav", 566}};
        for (const auto& [file, ms] : lengths) QVERIFY(zox::test::WriteWaveFile(Dir.Wav + file, ms));
        r.t.setMode(1);
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.run();  // the keyer says when: at once, with no PTT line
        // It returns at once: the files follow one another on the timers.
        QCOMPARE(out.output.started.size(), size_t(1));
        QVERIFY(r.t.w->SendIndicator->Sending());
        QCOMPARE(r.t.w->SendIndicator->Shown(), QString("5 9 7 7"));
        out.timers.Run(400);
        QCOMPARE(r.t.w->SendIndicator->Sent(), 2);  // "9" is being said
        out.timers.Run();
        const std::vector<std::pair<QString, qint64>> voice{
            {"Pet.wav", 0}, {"Devet.wav", 351}, {"Sedem.wav", 892}, {"Sedem.wav", 1458}};
        QCOMPARE(out.output.started, voice);  // each to its end
        QVERIFY(!r.t.w->SendIndicator->Sending());
        QVERIFY(r.keyed().empty());

        // "Počisti" stops it, and clears nothing else.
        r.t.w->edCall->setText("Q1AAA");
        out.output.started.clear();
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.run();
        out.timers.Run(out.timers.now + 400);
        r.t.w->Button2->click();
        QVERIFY(!r.t.w->Voice->Playing());
        QVERIFY(!r.t.w->SendIndicator->Sending());
        QCOMPARE(r.t.w->edCall->text(), QString("Q1AAA"));
        out.timers.Run();
        QCOMPARE(out.output.started.size(), size_t(2));

        // Without an own year number it says so and plays nothing.
        const struct { QString multi; QString info; } missing[] = {
            {"", "Ni lastnega množitelja !"}, {"7", "Lastni množitelj ni dvomesten !"}};
        for (const auto& m : missing) {
            UserInfo.User.Multi = m.multi;
            out.output.started.clear();
            QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
            r.run();
            out.timers.Run();
            QVERIFY(out.output.started.empty());
            QCOMPARE(r.t.w->InfoLabel->text(), m.info);
            QVERIFY(!r.t.w->SendIndicator->Sending());
        }

        r.t.setMode(0);
        r.t.w->Keyer->Memory()[1] = "E";
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.run();
        QVERIFY(out.output.started.empty());
        const auto sent = r.keyed();
        const auto expected = r.reference("E");
        QCOMPARE(sent, expected);
    }

    void stopInsideAFastSectionLeavesTheNormalSpeed()
    {
        Rig r;
        r.t.newLog(r.t.logPath());
        QCOMPARE(r.t.w->edKeyerSpeed->value(), 115);
        r.t.w->Keyer->Memory()[1] = "$CQ TEST$";
        r.t.w->Keyer->Memory()[2] = "E";
        bool stopped = false;
        r.clock.OnProcessEvents = [&] {
            if (!stopped && r.clock.Now() > 300ms) {
                stopped = true;
                QCOMPARE(r.t.w->Keyer->Speed(), 170);  // in the middle of the fast section
                r.t.w->Button2->click();
            }
        };
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.run();
        r.clock.OnProcessEvents = nullptr;
        QVERIFY(stopped);
        QCOMPARE(r.t.w->Keyer->Speed(), 115);
        r.keyed();
        // The next message goes out at the normal speed: a dot of 5500 div 115 = 47 ms.
        QTest::keyClick(r.t.w->edCall, Qt::Key_F2);
        r.run();
        const auto sent = r.keyed();
        QVERIFY(sent.size() >= 2);
        QCOMPARE(sent[0], (std::pair<quint32, qint64>{0x03, 0}));
        QCOMPARE(sent[1], (std::pair<quint32, qint64>{0x17, 47'000'000}));
        QCOMPARE(r.t.w->edKeyerSpeed->value(), 115);
        r.t.w->close();
        QVERIFY(iniBytes(r.t).contains("Keyer Speed=115\r\n"));
    }

    void theSendingIndicatorFollowsTheSend()
    {
        Rig r;
        r.t.newLog(r.t.logPath());
        QVERIFY(r.t.w->statusBar()->isAncestorOf(r.t.w->SendIndicator));
        QVERIFY(!r.t.w->SendIndicator->isVisible());
        r.t.w->Keyer->Memory()[1] = "CQ <MYCALL> $TEST$";
        std::vector<int> sent;
        QString shown, html;
        bool visible = true;
        r.clock.OnProcessEvents = [&] {
            if (!r.t.w->Keyer->Sending()) return;  // the last step: the send is over
            visible = visible && r.t.w->SendIndicator->isVisible();
            shown = r.t.w->SendIndicator->Shown();
            html = r.t.w->SendIndicator->text();
            if (sent.empty() || sent.back() != r.t.w->SendIndicator->Sent()) sent.push_back(r.t.w->SendIndicator->Sent());
            if (r.clock.Now() > 3000ms && !r.t.w->Keyer->Stop()) r.t.w->Button2->click();
        };
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.run();
        r.clock.OnProcessEvents = nullptr;
        QVERIFY(visible);
        QCOMPARE(shown, QString("CQ Q5OP TEST"));  // expanded, without the speed markers
        // Character by character, and stopped before the end.
        QCOMPARE(sent.front(), 0);
        for (size_t i = 1; i < sent.size(); ++i) QCOMPARE(sent[i], sent[i - 1] + 1);
        QVERIFY(sent.back() > 3 && sent.back() < 11);
        // At the stop: "CQ Q5" sent (grey), "O" being sent (underlined), the rest to come.
        QCOMPARE(sent.back(), 5);
        QVERIFY2(html.contains("<span style=\"color:gray\">CQ&nbsp;Q5</span><u><b>O</b></u><b>P&nbsp;TEST</b>"),
                 qPrintable(html));
        // Cleared after the stop.
        QVERIFY(!r.t.w->SendIndicator->isVisible());
        QVERIFY(!r.t.w->SendIndicator->Sending());
        QCOMPARE(r.t.w->SendIndicator->Shown(), QString());

        // A memory key during a send shows its own text; at the end nothing is left.
        r.t.w->Keyer->Memory()[1] = "CQ CQ CQ";
        r.t.w->Keyer->Memory()[3] = "TU";
        bool pressed = false;
        QString during;
        r.clock.OnProcessEvents = [&] {
            if (!pressed && r.clock.Now() > 5000ms) {
                pressed = true;
                QTest::keyClick(r.t.w->edCall, Qt::Key_F3);
            }
            if (pressed && during.isEmpty()) during = r.t.w->SendIndicator->Shown();
        };
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.run();
        r.clock.OnProcessEvents = nullptr;
        QVERIFY(pressed);
        QCOMPARE(during, QString("TU"));
        QCOMPARE(r.t.w->SendIndicator->Shown(), QString());
        QVERIFY(!r.t.w->SendIndicator->isVisible());
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
        r.run();
        bool at278 = false;
        for (const auto& w : r.port->Writes()) at278 |= w.Request.Port == 0x27A;
        QVERIFY(at278);
    }

    void paddleCharactersGoToTheCallFieldInCw()
    {
        Rig r;
        // Dot then dash keyed with the paddles: "A".
        r.port->SetReadHandler([&r](quint32 port, quint32) -> quint32 {
            if (port != 0x379) return 0xFF;
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(r.clock.Now()).count();
            quint32 status = 0xFF;
            if (ms < 10) status &= ~quint32(TCwKeyer::kDotPaddleBit);
            if (ms >= 85 && ms < 100) status &= ~quint32(TCwKeyer::kDashPaddleBit);
            return status;
        });
        r.t.w->edCall->setFocus();
        r.t.w->AvtoEdit->trigger();
        QVERIFY(r.t.w->Keyer->Pisem());
        r.t.w->edCall->setText("Q1");
        r.clock.RunUntil(r.clock.Now() + 1000ms);
        QCOMPARE(r.t.w->edCall->text(), QString("Q1A"));

        // In SSB the paddles are not polled.
        r.t.setMode(1);
        QVERIFY(!r.t.w->Keyer->PaddlePoll());
        const auto start = r.clock.Now();
        r.port->SetReadHandler([](quint32, quint32) -> quint32 { return 0xFF & ~quint32(TCwKeyer::kDotPaddleBit); });
        r.port->Clear();
        r.clock.RunUntil(start + 500ms);
        QVERIFY(r.port->Records().empty());
        r.t.setMode(0);
        QVERIFY(r.t.w->Keyer->PaddlePoll());
    }

    void aMemoryKeyReturnsAtOnce()
    {
        Rig r;
        r.t.w->Keyer->Memory()[1] = "CQ TEST";
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        // Nothing is keyed until the keying thread gets to it; the window goes on.
        QVERIFY(r.t.w->Keyer->Sending());
        QVERIFY(r.t.w->SendIndicator->Sending());
        QVERIFY(r.port->Writes().empty());
        QTest::keyClicks(r.t.w->edCall, "Q1");
        QCOMPARE(r.t.w->edCall->text(), QString("Q1"));
        r.run();
        QVERIFY(!r.t.w->SendIndicator->Sending());
        const auto sent = r.keyed();
        QCOMPARE(sent, r.reference("CQ TEST"));
    }

    // Switching the keyer off (Taster > Omogoči) ends what is being sent as a
    // stop does: the indicator clears and the after-send action runs; a
    // voice message waiting for its PTT lead stops and never plays.
    void switchingTheKeyerOffEndsTheSendAsAStop()
    {
        VoiceOutput out;  // outlives the window
        Rig r;
        zox::test::TFakeSerialIo io(&r.clock);
        r.t.w->SerialIoForTests = &io;
        out.Install(*r.t.w);
        r.t.newLog(r.t.logPath());
        r.t.w->Keyer->Memory()[2] = "TU TU TU <SAVE>";
        r.t.w->edCall->setText("Q1AAA");
        r.t.w->edHisMulti->setText("69");
        QTest::keyClick(r.t.w->edCall, Qt::Key_F2);
        r.clock.RunUntil(r.clock.Now() + 300ms);
        QVERIFY(r.t.w->SendIndicator->Sending());
        r.t.w->Keyer1->trigger();
        QVERIFY(!r.t.w->Keyer);
        QTRY_COMPARE(r.t.status(), QString("1  zvez !"));
        QVERIFY(!r.t.w->SendIndicator->Sending());
        QCOMPARE(r.t.w->edCall->text(), QString());

        // The spoken exchange behind a PTT lead on a serial line.
        QDir().mkpath(Dir.Wav);
        for (const char* file : {"Pet.wav", "Devet.wav", "Sedem.wav"}) QVERIFY(zox::test::WriteWaveFile(Dir.Wav + QLatin1String(file), 300));
        r.t.w->KeyingSettings.Output = TKeyingSettings::TOutput::Serial;
        r.t.w->KeyingSettings.SerialPort = "/dev/ttyUSB0";
        r.t.w->KeyingSettings.KeyLine = TSerialLine::Dtr;
        r.t.w->KeyingSettings.PttLine = TSerialLine::Rts;
        r.t.w->KeyingSettings.Ptt.LeadMs = 300;
        r.t.w->Keyer1->trigger();
        QVERIFY(r.t.w->Keyer);
        r.t.setMode(1);
        io.Clear();
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.clock.RunUntil(r.clock.Now() + 100ms);
        QCOMPARE(io.Lines(), TIOCM_RTS);  // PTT on, in its lead
        QVERIFY(r.t.w->SendIndicator->Sending());
        r.t.w->Keyer1->trigger();
        QVERIFY(!r.t.w->Voice->Playing());
        QVERIFY(!r.t.w->SendIndicator->Sending());
        QCoreApplication::processEvents();
        out.timers.Run();
        QVERIFY(out.output.started.empty());
        QCOMPARE(io.Lines(), 0);

        // With no sound device the transmitter is not keyed for silence.
        r.t.w->Keyer1->trigger();
        QVERIFY(r.t.w->Keyer);
        out.output.device = false;
        io.Clear();
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        r.clock.RunUntil(r.clock.Now() + 1000ms);
        out.timers.Run();
        QCOMPARE(r.t.w->InfoLabel->text(), QString("Ni zvočne naprave !"));
        QVERIFY(!r.t.w->SendIndicator->Sending());
        QVERIFY(out.output.started.empty());
        QCOMPARE(io.Lines(), 0);
        QVERIFY(io.Calls().size() <= 2);  // the port opened and dropped, never raised
        for (const auto& call : io.Calls()) QVERIFY2(call.find("raise") == std::string::npos, call.c_str());
        r.t.w->KeyerDisable();  // its port goes before the fake it uses
    }

    void serialOutputChosenInTheDialogKeysAndGivesPttForVoice()
    {
        VoiceOutput out;  // outlives the window
        Rig r;
        zox::test::TFakeSerialIo io(&r.clock);
        r.t.w->SerialIoForTests = &io;
        out.Install(*r.t.w);
        QDir().mkpath(Dir.Wav);
        for (const char* file : {"Pet.wav", "Devet.wav", "Sedem.wav"}) QVERIFY(zox::test::WriteWaveFile(Dir.Wav + QLatin1String(file), 300));

        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<TSetupFrm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->Pages->setCurrentIndex(2);
            dlg->rgOutput->findChildren<QRadioButton*>().at(1)->click();  // "Serijska vrata"
            dlg->cbSerialPort->setEditText("/dev/ttyUSB0");
            dlg->cbKeyLine->setCurrentIndex(0);  // DTR
            dlg->cbPttLine->setCurrentIndex(2);  // RTS
            dlg->OKBtn->click();
        });
        r.t.w->NastavitveItem->trigger();
        r.run();  // the keyer takes the new output
        QCOMPARE(io.Calls(), (std::vector<std::string>{"0 open /dev/ttyUSB0", "0 drop DTR RTS"}));
        QVERIFY(r.port->Writes().empty());  // the parallel port is not keyed any more

        // CW keys DTR, without PTT (PTT is for voice unless asked for CW too).
        io.Clear();
        r.t.w->Keyer->Memory()[2] = "E";
        QTest::keyClick(r.t.w->edCall, Qt::Key_F2);
        r.run();
        QCOMPARE(io.Calls(), (std::vector<std::string>{"0 raise DTR", "47 drop DTR"}));  // speed 115

        // The spoken exchange: PTT on RTS, the first word after the lead, PTT off after the tail.
        io.Clear();
        r.t.setMode(1);
        const auto t0 = r.clock.Now();
        QTest::keyClick(r.t.w->edCall, Qt::Key_F1);
        QVERIFY(r.clock.RunUntil([&] { return !out.output.started.empty(); }));
        QCOMPARE(r.clock.Now() - t0, KeyerPlatform::Time(30ms));
        out.timers.Run();  // the four words, each to its end
        QCOMPARE(out.output.started.size(), size_t(4));
        const auto t1 = r.clock.Now();
        r.clock.RunUntil(t1 + 1000ms);
        const auto ms = [](KeyerPlatform::Time t) {
            return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
        };
        QCOMPARE(io.Calls(), (std::vector<std::string>{ms(t0) + " raise RTS", ms(t1 + 100ms) + " drop RTS"}));

        // The outputs are kept in their own section.
        r.t.w->close();
        const QByteArray ini = iniBytes(r.t);
        QVERIFY(ini.contains("[Keying]\r\nOutput=serial\r\nSerial Port=/dev/ttyUSB0\r\nKey Line=DTR\r\n"
                             "PTT Line=RTS\r\nPTT CW=0\r\nPTT Lead=30\r\nPTT Tail=100\r\nSidetone=speaker\r\n"));
        // Closed with the keyer: both lines released.
        QCOMPARE(io.Calls().back(), ms(t1 + 1000ms) + " close");
        QCOMPARE(io.Lines(), 0);
    }
};

QTEST_MAIN(KeyerWindowTest)
#include "keyer_window_test.moc"

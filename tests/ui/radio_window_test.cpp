// The radio in the loop through a real rigctld with Hamlib's dummy rig: the
// program's mode follows the radio and sets it, PTT and CW reach it (also as
// the keyer's output: voice PTT through CAT, memories from the radio's
// keyer), the Radio page links it, and a radio that goes away or hangs never
// holds up the window or a Save.
#include "WindowFixture.h"
#include "WindowVoiceSupport.h"

#include "RigctldSupport.h"
#include "app/IniFile.h"
#include "keyer/ThdTimer.h"
#include "rig/HamlibLink.h"
#include "rig/RigMorse.h"
#include "ui/CwKeyerSetup.h"
#include "ui/SendIndicator.h"

#include <QElapsedTimer>
#include <QTabBar>
#include <QSignalSpy>
#include <QStringEncoder>

using namespace zox;
using zox::test::Rigctld;
using zox::test::Window;

namespace {

QString iniPath(const Window& t) { return t.root.filePath("config/Zox.ini"); }

QByteArray iniBytes(const Window& t)
{
    QFile f(iniPath(t));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A fresh window over the same folders with `ini` as its settings file, as at the next start.
void restart(Window& t, const QString& ini)
{
    if (t.w) t.w->close();
    t.w.reset();
    QFile f(iniPath(t));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringEncoder("windows-1250")(ini));
    f.close();
    ResetGlobals();
    t.w = std::make_unique<TMainFrm>();
    t.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(t.w.get()));
}

QString radioIni(int port) { return QString("[Radio]\r\nLink=rigctld\r\nHost=127.0.0.1\r\nPort=%1\r\n").arg(port); }

RadioSettings rigctldAt(int port)
{
    RadioSettings s;
    s.link = RadioLinkKind::Rigctld;
    s.port = port;
    return s;
}

QString radioText(const Window& t);
bool radioUp(const Window& t);

// The radio on 80 m in CW, and the window linked to it through rigctld.
void linkTo(Window& t, const Rigctld& radio, int timeoutMs = 0)
{
    radio.SetFrequency(3550000);
    radio.SetMode("CW");
    RadioSettings s = rigctldAt(radio.Port());
    s.timeoutMs = timeoutMs;
    t.w->SetRadioSettings(s);
    QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 5000);
}

QString radioText(const Window& t) { return t.w->RadioLabel ? t.w->RadioLabel->text() : QString(); }
// Linked, and the radio has told where it is.
bool radioUp(const Window& t) { return radioText(t).startsWith("Radio: ") || radioText(t).startsWith("Radio je na "); }

int records(const QString& path)
{
    Table tbl;
    tbl.setTableName(path);
    tbl.open();
    return tbl.recordCount();
}

}  // namespace

class RadioWindowTest : public QObject {
    Q_OBJECT
private slots:
    void modeFollowsTheRadio()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        radio.SetFrequency(3550000);
        radio.SetMode("CW");
        Window t;
        restart(t, radioIni(radio.Port()));
        QVERIFY(t.w->Radio);
        QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 5000);
        t.newLog(t.logPath());
        t.enter("Q1AAA");  // a CW contact: the same call is a duplicate in CW only
        QVERIFY(t.w->KeyerOn);
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1AAA");
        QCOMPARE(t.w->InfoLabel->text(), QString("Dupe !"));

        // Turned on the radio, each mode reaches the program within a second, as
        // if chosen in "Vrsta oddaje": reports, the paddle poll and the marks follow.
        const struct { const char* radio; const char* mode; const char* report; const char* info; } cases[] = {
            {"USB", "SSB", "59", ""}, {"CW", "CW", "599", "Dupe !"}, {"LSB", "SSB", "59", ""},
            {"CWR", "CW", "599", "Dupe !"}, {"USB", "SSB", "59", ""},
        };
        for (const auto& c : cases) {
            radio.SetMode(c.radio);
            QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString(c.mode), 1000);
            QCOMPARE(ModeText, QString(c.mode));
            QCOMPARE(t.w->edRstS->text(), QString(c.report));
            QCOMPARE(t.w->edRstR->text(), QString(c.report));
            QCOMPARE(t.w->Keyer->PaddlePoll(), QString(c.mode) == "CW");
            QCOMPARE(t.w->InfoLabel->text(), QString(c.info));
            QVERIFY2(radioText(t).endsWith(c.radio), qPrintable(radioText(t)));
        }
        // Other modes change nothing.
        radio.SetMode("FM");
        QTRY_VERIFY_WITH_TIMEOUT(radioText(t).endsWith("FM"), 1000);
        QTest::qWait(2 * HamlibLink::kPollMs);
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));
        // Back from FM to SSB is a change of the radio: the program's SSB stays.
        radio.SetMode("LSB");
        QTRY_VERIFY_WITH_TIMEOUT(radioText(t).endsWith("LSB"), 1000);
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));

        // Off the contest band: a warning, in red, until the radio is back on it.
        radio.SetFrequency(7030000);
        QTRY_COMPARE_WITH_TIMEOUT(radioText(t), QString::fromUtf8("Radio je na 7030,0 kHz, zunaj pasu 3500–3800 kHz !"), 1000);
        QVERIFY(t.w->RadioLabel->styleSheet().contains("red"));
        radio.SetFrequency(3799000);
        QTRY_COMPARE_WITH_TIMEOUT(radioText(t), QString("Radio: 3799,0 kHz LSB"), 1000);
        QVERIFY(!t.w->RadioLabel->styleSheet().contains("red"));
        // The QSO count keeps its place in the status bar.
        QCOMPARE(t.status(), QString("1  zvez !"));
    }

    void programModeSetsTheRadio()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        Window t;
        linkTo(t, radio);
        t.setMode(1);
        QTRY_COMPARE_WITH_TIMEOUT(radio.Mode(), QString("LSB"), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(radioText(t).endsWith("LSB"), 1000);
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));
        t.setMode(0);
        QTRY_COMPARE_WITH_TIMEOUT(radio.Mode(), QString("CW"), 3000);
        // A radio already in the family keeps the operator's sideband.
        radio.SetMode("USB");
        QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString("SSB"), 1000);
        t.setMode(1);
        QTest::qWait(2 * HamlibLink::kPollMs);
        QCOMPARE(radio.Mode(), QString("USB"));
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));

        // Settings changed in the program are kept in [Radio]; the rest of the file stays.
        t.w->close();
        const QByteArray ini = iniBytes(t);
        QVERIFY(ini.contains(QString("[Radio]\r\nLink=rigctld\r\nModel=0\r\nDevice=\r\nBaud=0\r\nHost=127.0.0.1\r\nPort=%1\r\n")
                                 .arg(radio.Port()).toLatin1()));
        QVERIFY(ini.contains("[TMainFrm]\r\n"));
    }

    // Correcting a stored QSO neither tunes the radio nor takes its mode; the
    // line takes the radio's mode again once the correction is saved.
    void correctionIsNotTheRadios()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        Window t;
        linkTo(t, radio);
        t.newLog(t.logPath());
        t.enter("Q1AAA");  // CW
        radio.SetMode("USB");
        QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString("SSB"), 1000);

        t.w->ZadnjaZveza->trigger();
        t.w->UrediZvezo->trigger();
        QVERIFY(t.w->Session.Correcting());
        QCOMPARE(t.w->cbMode->currentText(), QString("CW"));
        radio.SetMode("CW");
        QTRY_VERIFY_WITH_TIMEOUT(radioText(t).endsWith(" CW"), 1000);
        radio.SetMode("USB");
        QTRY_VERIFY_WITH_TIMEOUT(radioText(t).endsWith("USB"), 1000);
        QTest::qWait(HamlibLink::kPollMs);
        QCOMPARE(t.w->cbMode->currentText(), QString("CW"));
        QCOMPARE(radio.Mode(), QString("USB"));

        t.w->edHisMulti->setText("44");
        t.w->Button1->click();
        QVERIFY(!t.w->Session.Correcting());
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));
        QCOMPARE(t.w->edRstS->text(), QString("59"));
        Table tbl;
        tbl.setTableName(t.logPath());
        tbl.open();
        tbl.last();
        QCOMPARE(tbl.field("Mode").toString(), QString("CW"));
        QCOMPARE(tbl.field("MultiR").toString(), QString("44"));
        QCOMPARE(radio.Mode(), QString("USB"));

        // A correction given up with "Počisti" gives the line back to the radio too.
        t.w->UrediZvezo->trigger();
        QCOMPARE(t.w->cbMode->currentText(), QString("CW"));
        t.w->Button2->click();  // the first after the keyer was made only stops it
        t.w->Button2->click();
        QVERIFY(!t.w->Session.Correcting());
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));
        QCOMPARE(radio.Mode(), QString("USB"));
    }

    void pttAndCwReachTheRadio()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        Window t;
        linkTo(t, radio);
        RadioLink* link = t.w->Radio;
        QSignalSpy ptt(link, &RadioLink::PttDone);
        QSignalSpy done(link, &RadioLink::MorseDone);
        QSignalSpy failures(link, &RadioLink::Failure);

        link->SetPtt(true);
        QTRY_COMPARE(ptt.size(), 1);
        QCOMPARE(radio.Ptt(), QString("1"));
        link->SetPtt(false);
        QTRY_COMPARE(ptt.size(), 2);
        QCOMPARE(radio.Ptt(), QString("0"));

        // Two speeds: 115 and 150 are 26 and 33 words a minute, as the keyer keys them.
        QElapsedTimer clock;
        clock.start();
        const quint64 id = link->SendMorse({{"cq test ", 115}, {"S59ABC", 150}});
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
        QCOMPARE(done[0][0].value<quint64>(), id);
        QCOMPARE(done[0][1].value<MorseEnd>(), MorseEnd::Sent);
        QVERIFY(clock.elapsed() >= NominalMorseMs("CQ TEST ", 26) + NominalMorseMs("S59ABC", 33));
        QCOMPARE(radio.Rigctl({"l", "KEYSPD"}), QString("33"));
        const QByteArray log = radio.Log();
        const qsizetype speed1 = log.indexOf("KEYSPD 26"), text1 = log.indexOf("CQ TEST");
        const qsizetype speed2 = log.indexOf("KEYSPD 33"), text2 = log.indexOf("S59ABC");
        QVERIFY(speed1 >= 0 && text1 > speed1 && speed2 > text1 && text2 > speed2);
        QCOMPARE(failures.size(), 0);

        // PTT left on when the program ends is released on the radio.
        link->SetPtt(true);
        QTRY_COMPARE(ptt.size(), 3);
        QCOMPARE(radio.Ptt(), QString("1"));
        t.w->close();
        QCOMPARE(radio.Ptt(), QString("0"));
    }

    // F1 in SSB with PTT through CAT: the radio's PTT goes on before the first
    // word, the lead kept, and off once the tail after the last has passed.
    void voiceMessagePttThroughCat()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        radio.SetFrequency(3700000);
        radio.SetMode("LSB");
        Window t;
        zox::test::VoiceOutput out;
        restart(t, radioIni(radio.Port()) + "[Keying]\r\nOutput=none\r\nPTT Line=CAT\r\nPTT Lead=150\r\n"
                                            "PTT Tail=300\r\nSidetone=none\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString("SSB"), 1000);
        out.Install(*t.w);
        UserInfo.User.Multi = "77";
        QDir().mkpath(Dir.Wav);
        for (const QString& file : VoiceExchangeFiles("77")) QVERIFY(zox::test::WriteWaveFile(Dir.Wav + file, 300));

        const QDateTime pressed = QDateTime::currentDateTimeUtc();
        QTest::keyClick(t.w->edCall, Qt::Key_F1);
        QVERIFY(t.w->SendIndicator->Sending());
        QTRY_VERIFY_WITH_TIMEOUT(!out.output.started.empty(), 2000);
        const QDateTime spoken = QDateTime::currentDateTimeUtc();
        QCOMPARE(radio.Ptt(), QString("1"));
        const QDateTime ended = QDateTime::currentDateTimeUtc();  // the tail counts from after this
        out.timers.Run();  // the words, each to its end
        QCOMPARE(out.output.started.size(), size_t(4));
        QVERIFY(!t.w->SendIndicator->Sending());
        QTRY_COMPARE_WITH_TIMEOUT(radio.LoggedAt("set_ptt ptt=0").size(), 1, 3000);
        const QList<QDateTime> on = radio.LoggedAt("set_ptt ptt=1");
        const QList<QDateTime> off = radio.LoggedAt("set_ptt ptt=0");
        QCOMPARE(on.size(), 1);
        // The radio had PTT before the first word, which waited out the lead.
        QVERIFY2(on[0] >= pressed.addMSecs(-1) && on[0] <= spoken,
                 qPrintable(QString("PTT on %1 ms after F1, the word %2 ms after").arg(pressed.msecsTo(on[0])).arg(pressed.msecsTo(spoken))));
        QVERIFY2(pressed.msecsTo(spoken) >= 150, qPrintable(QString("the word %1 ms after F1").arg(pressed.msecsTo(spoken))));
        QVERIFY2(ended.msecsTo(off[0]) >= 300, qPrintable(QString("PTT off %1 ms after the last word").arg(ended.msecsTo(off[0]))));
        QCOMPARE(radio.Ptt(), QString("0"));
        qInfo("PTT on at the radio %lld ms after F1, the first word at %lld ms, PTT off %lld ms after the last word",
              pressed.msecsTo(on[0]), pressed.msecsTo(spoken), ended.msecsTo(off[0]));
    }

    // A memory through the radio's keyer: the text and its speed sections
    // reach rigctld, the contact is saved once the radio has sent it, and
    // "Počisti" stops the radio's keyer.
    void memoryThroughTheRadiosKeyer()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        radio.SetFrequency(3550000);
        radio.SetMode("CW");
        Window t;
        restart(t, radioIni(radio.Port()) + "[Keying]\r\nOutput=radio\r\nSidetone=none\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 5000);
        t.newLog(t.logPath());
        QCOMPARE(t.w->Keyer->NormalSpeed(), 115);
        QCOMPARE(t.w->Keyer->HiSpeed(), 150);
        t.w->Keyer->Memory()[2] = "<HISCALL> %5NN% <SAVE>";
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1AAA");
        t.w->edHisMulti->setText("69");

        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(t.w->edCall, Qt::Key_F2);
        // Returned at once: the radio has it, nothing saved yet.
        QVERIFY(t.w->SendIndicator->Sending());
        QCOMPARE(records(t.logPath()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(records(t.logPath()), 1, 10000);
        const qint64 took = clock.elapsed();
        // 115 and 150 are 26 and 33 words a minute.
        const qint64 nominal = NominalMorseMs("Q1AAA ", 26) + NominalMorseMs("5NN", 33) + NominalMorseMs(" ", 26);
        QVERIFY2(took >= nominal, qPrintable(QString("saved %1 ms after F2, nominal %2 ms").arg(took).arg(nominal)));
        QVERIFY(!t.w->SendIndicator->Sending());
        QCOMPARE(t.w->edCall->text(), QString());
        qInfo("saved %lld ms after F2; the text's nominal length %lld ms", took, nominal);
        const QByteArray log = radio.Log();
        const qsizetype speed1 = log.indexOf("KEYSPD 26"), text1 = log.indexOf("Q1AAA ");
        const qsizetype speed2 = log.indexOf("KEYSPD 33"), text2 = log.indexOf("5NN");
        const qsizetype speed3 = log.indexOf("KEYSPD 26", text2);
        QVERIFY2(speed1 >= 0 && text1 > speed1 && speed2 > text1 && text2 > speed2 && speed3 > text2, log.right(3000).constData());
        QCOMPARE(radio.Rigctl({"l", "KEYSPD"}), QString("26"));

        // "Počisti" during a long one: the radio's keyer is stopped, the line cleared.
        t.w->Keyer->Memory()[3] = "CQ CQ CQ TEST TEST TEST";
        QTest::keyClick(t.w->edCall, Qt::Key_F3);
        QTRY_VERIFY_WITH_TIMEOUT(radio.Log().contains("CQ CQ CQ TEST"), 3000);
        QVERIFY(!radio.Log().contains("stop_morse"));
        t.w->Button2->click();
        QTRY_VERIFY_WITH_TIMEOUT(!t.w->SendIndicator->Sending(), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(radio.Log().contains("stop_morse"), 3000);
    }

    // The Radio page of the keyer settings: typed in, taken with OK, kept in
    // [Radio], and the program linked anew at once.
    void radioPageLinksAnew()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        radio.SetFrequency(3550000);
        radio.SetMode("CW");
        Window t;
        QVERIFY(!t.w->Radio);
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<TSetupFrm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            QTabBar* bar = dlg->Pages->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
            dlg->cbRadioLink->setFocus();
            QTest::keyClick(dlg->cbRadioLink, Qt::Key_End);  // rigctld
            dlg->edRadioPort->setFocus();
            dlg->edRadioPort->selectAll();
            QTest::keyClicks(dlg->edRadioPort, QString::number(radio.Port()));
            QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
        });
        t.w->NastavitveItem->trigger();
        QCOMPARE(t.w->RadioConfig.link, RadioLinkKind::Rigctld);
        QCOMPARE(t.w->RadioConfig.port, radio.Port());
        QVERIFY(t.w->Radio);
        QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString("CW"), 1000);
        t.w->close();
        QVERIFY(iniBytes(t).contains(QString("[Radio]\r\nLink=rigctld\r\nModel=0\r\nDevice=\r\nBaud=0\r\n"
                                             "Host=127.0.0.1\r\nPort=%1\r\n").arg(radio.Port()).toLatin1()));
    }

    void lostRadioComesBack()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        Window t;
        linkTo(t, radio);
        QSignalSpy failures(t.w->Radio, &RadioLink::Failure);
        QSignalSpy linked(t.w->Radio, &RadioLink::Linked);
        t.newLog(t.logPath());

        radio.Stop();
        const QString lost = "Radio ni dosegljiv (napaka povezave), program dela brez njega !";
        QTRY_COMPARE_WITH_TIMEOUT(radioText(t), lost, 3000);
        // Looked for again and again, told once; the program works as with no radio.
        QTest::qWait(2 * HamlibLink::kRetryMs + 500);
        QCOMPARE(failures.size(), 1);
        t.enter("Q1AAA");
        QCOMPARE(records(t.logPath()), 1);
        t.setMode(1);
        QCOMPARE(t.w->edRstS->text(), QString("59"));
        QCOMPARE(radioText(t), lost);

        // Back: linked by itself, and the radio's mode is the program's again.
        QVERIFY(radio.Start());
        QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 3 * HamlibLink::kRetryMs);
        QCOMPARE(linked.size(), 2);
        QCOMPARE(linked[0][0].toBool(), false);
        QCOMPARE(linked[1][0].toBool(), true);
        radio.SetMode("CW");
        QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString("CW"), 1000);
        radio.SetMode("USB");
        QTRY_COMPARE_WITH_TIMEOUT(t.w->cbMode->currentText(), QString("SSB"), 1000);
        QCOMPARE(failures.size(), 1);
    }

    // A rigctld that hangs holds the radio thread inside a call for its whole
    // timeout; Save and the window go on meanwhile.
    void saveWhileTheRadioHangs()
    {
        Rigctld radio;
        QVERIFY(radio.Start());
        Window t;
        linkTo(t, radio, 20000);
        auto* link = qobject_cast<HamlibLink*>(t.w->Radio);
        QVERIFY(link);
        t.newLog(t.logPath());

        radio.Pause();
        QTRY_VERIFY_WITH_TIMEOUT(link->Calls().begun > link->Calls().ended, 2000);
        QTest::qWait(HamlibLink::kPollMs);  // surely held now, not in a call answered just before
        const HamlibLink::CallCounts during = link->Calls();
        QVERIFY(during.begun > during.ended);
        QElapsedTimer clock;
        clock.start();
        t.enter("Q1AAA");
        t.setMode(1);  // asks the radio too
        t.enter("Q1AAB", "44");
        const qint64 took = clock.elapsed();
        // Both contacts are in the log while the radio thread is still in the
        // same call: nothing in Save waited for it.
        QCOMPARE(records(t.logPath()), 2);
        QCOMPARE(link->Calls().begun, during.begun);
        QCOMPARE(link->Calls().ended, during.ended);
        qInfo("two saves and a mode change took %lld ms with the radio thread held", took);
        radio.Resume();
        QTRY_COMPARE_WITH_TIMEOUT(radio.Mode(), QString("LSB"), 5000);
    }

    void linkSettingsFromTheFile()
    {
        Window t;
        // Hand-written settings the program cannot use: said once, nothing linked, the lines kept.
        const QString odd = "[Radio]\r\nLink=serial\r\nModel=1\r\n";
        restart(t, odd);
        QVERIFY(!t.w->Radio);
        QCOMPARE(radioText(t), QString("Povezava z radiem \"serial\" v Zox.ini ni znana (none, hamlib, rigctld), program dela brez radia !"));
        t.w->close();
        QVERIFY(iniBytes(t).contains("[Radio]\r\nLink=serial\r\nModel=1\r\n"));

        restart(t, "[Radio]\r\nLink=rigctld\r\nPort=99999\r\n");
        QVERIFY(!t.w->Radio);
        QVERIFY(radioText(t).startsWith("Vrata rigctld 99999"));

        // No section: no link and nothing in the status bar.
        restart(t, "[TMainFrm]\r\nTime=0\r\n");
        QVERIFY(!t.w->Radio);
        QVERIFY(!t.w->RadioLabel || !t.w->RadioLabel->isVisible());
        t.w->close();
        QVERIFY(!iniBytes(t).contains("[Radio]"));

        // The dummy in this process, from the file; then back to none.
        restart(t, "[Radio]\r\nLink=hamlib\r\nModel=1\r\n");
        QVERIFY(t.w->Radio);
        QTRY_VERIFY_WITH_TIMEOUT(radioUp(t), 5000);
        t.w->SetRadioSettings(RadioSettings{});
        QVERIFY(!t.w->Radio);
        QVERIFY(!t.w->RadioLabel->isVisible());
    }
};

QTEST_MAIN(RadioWindowTest)
#include "radio_window_test.moc"

// The radio in the loop through a real rigctld with Hamlib's dummy rig: the
// program's mode follows the radio and sets it, PTT and CW reach it, and a
// radio that goes away or hangs never holds up the window or a Save.
#include "WindowFixture.h"

#include "RigctldSupport.h"
#include "app/IniFile.h"
#include "keyer/ThdTimer.h"
#include "rig/HamlibLink.h"
#include "rig/RigMorse.h"

#include <QElapsedTimer>
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

        // Two speeds: 115 and 150 characters a minute are 23 and 30 words.
        QElapsedTimer clock;
        clock.start();
        const quint64 id = link->SendMorse({{"cq test ", 115}, {"S59ABC", 150}});
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
        QCOMPARE(done[0][0].value<quint64>(), id);
        QCOMPARE(done[0][1].value<MorseEnd>(), MorseEnd::Sent);
        QVERIFY(clock.elapsed() >= NominalMorseMs("CQ TEST ", 23) + NominalMorseMs("S59ABC", 30));
        QCOMPARE(radio.Rigctl({"l", "KEYSPD"}), QString("30"));
        const QByteArray log = radio.Log();
        const qsizetype speed1 = log.indexOf("KEYSPD 23"), text1 = log.indexOf("CQ TEST");
        const qsizetype speed2 = log.indexOf("KEYSPD 30"), text2 = log.indexOf("S59ABC");
        QVERIFY(speed1 >= 0 && text1 > speed1 && speed2 > text1 && text2 > speed2);
        QCOMPARE(failures.size(), 0);

        // PTT left on when the program ends is released on the radio.
        link->SetPtt(true);
        QTRY_COMPARE(ptt.size(), 3);
        QCOMPARE(radio.Ptt(), QString("1"));
        t.w->close();
        QCOMPARE(radio.Ptt(), QString("0"));
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

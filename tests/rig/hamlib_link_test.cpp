// The link through the Hamlib library itself, with its dummy rig (model 1)
// in this process: the mode both ways, PTT, CW from the radio's keyer (on
// their own and as the keyer's output), and radios that are not there.
#include "keyer/CwKeyer.h"
#include "rig/HamlibLink.h"
#include "rig/RadioKeyOutput.h"
#include "rig/RadioPort.h"
#include "rig/RigMorse.h"

#include <hamlib/rig.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <QScopeGuard>

#include <atomic>
#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

using namespace zox;

namespace {

RadioSettings Dummy()
{
    RadioSettings s;
    s.link = RadioLinkKind::Hamlib;
    s.model = 1;
    return s;
}

// Runs f on the radio thread and waits for it.
template <class F> void OnRadio(HamlibLink& link, F f)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    link.RunOnRadioThread([f, done](RIG* rig) {
        if (rig) f(rig);
        *done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done->load(), 5000);
}

rmode_t DummyMode(HamlibLink& link)
{
    rmode_t mode = RIG_MODE_NONE;
    OnRadio(link, [&](RIG* rig) {
        pbwidth_t w;
        rig_get_mode(rig, RIG_VFO_CURR, &mode, &w);
    });
    return mode;
}

// The family of the last status reported.
RadioModeFamily LastFamily(const QSignalSpy& spy)
{
    return spy.isEmpty() ? RadioModeFamily::Other : spy.last().at(0).value<RadioStatus>().family;
}

}  // namespace

class HamlibLinkTest : public QObject {
    Q_OBJECT
private slots:
    void followsTheDummysModeAndSetsIt()
    {
        HamlibLink link(Dummy());
        QSignalSpy linked(&link, &RadioLink::Linked);
        QSignalSpy status(&link, &RadioLink::Status);
        QSignalSpy failures(&link, &RadioLink::Failure);
        QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 5000);
        QCOMPARE(linked[0][0].toBool(), true);
        QTRY_VERIFY(!status.isEmpty());

        // The operator's hand on the radio: each mode is reported within a poll or two.
        const struct { rmode_t mode; RadioModeFamily family; const char* name; } cases[] = {
            {RIG_MODE_CW, RadioModeFamily::Cw, "CW"},       {RIG_MODE_USB, RadioModeFamily::Ssb, "USB"},
            {RIG_MODE_CWR, RadioModeFamily::Cw, "CWR"},     {RIG_MODE_LSB, RadioModeFamily::Ssb, "LSB"},
            {RIG_MODE_FM, RadioModeFamily::Other, "FM"},    {RIG_MODE_CW, RadioModeFamily::Cw, "CW"},
        };
        for (const auto& c : cases) {
            OnRadio(link, [&](RIG* rig) { rig_set_mode(rig, RIG_VFO_CURR, c.mode, RIG_PASSBAND_NORMAL); });
            QTRY_COMPARE_WITH_TIMEOUT(status.last().at(0).value<RadioStatus>().modeName, QString(c.name), 1000);
            QCOMPARE(LastFamily(status), c.family);
        }
        OnRadio(link, [](RIG* rig) { rig_set_freq(rig, RIG_VFO_CURR, 3512345); });
        QTRY_COMPARE_WITH_TIMEOUT(status.last().at(0).value<RadioStatus>().frequencyHz, qint64(3512345), 1000);

        // The program's choice: SSB is lower sideband on 80 m; a radio already in
        // the family is left as the operator set it.
        link.SetContestMode(ContestMode::Ssb);
        QTRY_COMPARE(DummyMode(link), rmode_t(RIG_MODE_LSB));
        QTRY_COMPARE(LastFamily(status), RadioModeFamily::Ssb);
        OnRadio(link, [](RIG* rig) { rig_set_mode(rig, RIG_VFO_CURR, RIG_MODE_USB, RIG_PASSBAND_NORMAL); });
        link.SetContestMode(ContestMode::Ssb);
        link.SetContestMode(ContestMode::Ssb);
        QTest::qWait(2 * HamlibLink::kPollMs);
        QCOMPARE(DummyMode(link), rmode_t(RIG_MODE_USB));
        link.SetContestMode(ContestMode::Cw);
        QTRY_COMPARE(DummyMode(link), rmode_t(RIG_MODE_CW));
        QTRY_COMPARE(LastFamily(status), RadioModeFamily::Cw);
        OnRadio(link, [](RIG* rig) { rig_set_mode(rig, RIG_VFO_CURR, RIG_MODE_CWR, RIG_PASSBAND_NORMAL); });
        link.SetContestMode(ContestMode::Cw);
        QTest::qWait(2 * HamlibLink::kPollMs);
        QCOMPARE(DummyMode(link), rmode_t(RIG_MODE_CWR));
        QCOMPARE(failures.size(), 0);
        QCOMPARE(linked.size(), 1);
    }

    void pttThroughCat()
    {
        HamlibLink link(Dummy());
        QSignalSpy linked(&link, &RadioLink::Linked);
        QSignalSpy ptt(&link, &RadioLink::PttDone);
        QSignalSpy failures(&link, &RadioLink::Failure);
        QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 5000);
        auto dummyPtt = [&] {
            ptt_t p = RIG_PTT_OFF;
            OnRadio(link, [&](RIG* rig) { rig_get_ptt(rig, RIG_VFO_CURR, &p); });
            return p;
        };
        for (bool on : {true, false, true, false}) {
            link.SetPtt(on);
            QTRY_VERIFY(!ptt.isEmpty() && ptt.last().at(0).toBool() == on);
            QCOMPARE(dummyPtt(), on ? RIG_PTT_ON : RIG_PTT_OFF);
        }
        QCOMPARE(ptt.size(), 4);
        QCOMPARE(failures.size(), 0);
    }

    void cwFromTheRadiosKeyer()
    {
        HamlibLink link(Dummy());
        QSignalSpy linked(&link, &RadioLink::Linked);
        QSignalSpy done(&link, &RadioLink::MorseDone);
        QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 5000);
        auto keyspd = [&] {
            value_t v;
            v.i = 0;
            OnRadio(link, [&](RIG* rig) { rig_get_level(rig, RIG_VFO_CURR, RIG_LEVEL_KEYSPD, &v); });
            return v.i;
        };

        // Two speeds: the second section's speed is set once the first is sent;
        // the dummy cannot say when it is done, so each takes its nominal length.
        QElapsedTimer t;
        t.start();
        const quint64 id = link.SendMorse({{"E", 250}, {"EE", 150}});
        QTRY_COMPARE_WITH_TIMEOUT(keyspd(), 33, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 5000);
        const qint64 took = t.elapsed();
        QCOMPARE(done[0][0].value<quint64>(), id);
        QCOMPARE(done[0][1].value<MorseEnd>(), MorseEnd::Sent);
        const qint64 nominal = NominalMorseMs("E", 55) + NominalMorseMs("EE", 33);
        QVERIFY2(took >= nominal, qPrintable(QString("%1 ms, nominal %2 ms").arg(took).arg(nominal)));

        // A stop ends it at once; a new send replaces one still going.
        const quint64 a = link.SendMorse({{"PARIS PARIS PARIS", 60}});
        QTRY_COMPARE(keyspd(), 13);
        link.StopMorse();
        QTRY_COMPARE(done.size(), 2);
        QCOMPARE(done[1][0].value<quint64>(), a);
        QCOMPARE(done[1][1].value<MorseEnd>(), MorseEnd::Stopped);
        const quint64 b = link.SendMorse({{"PARIS PARIS PARIS", 60}});
        const quint64 c = link.SendMorse({{"E", 150}});
        QTRY_COMPARE(done.size(), 4);
        QCOMPARE(done[2][0].value<quint64>(), b);
        QCOMPARE(done[2][1].value<MorseEnd>(), MorseEnd::Stopped);
        QCOMPARE(done[3][0].value<quint64>(), c);
        QCOMPARE(done[3][1].value<MorseEnd>(), MorseEnd::Sent);
        QCOMPARE(keyspd(), 33);
    }

    // The keyer's voice PTT through CAT, on the real clock: on before the
    // lead has passed, off only once the tail has.
    void keyerPttThroughCat()
    {
        HamlibLink link(Dummy());
        QSignalSpy linked(&link, &RadioLink::Linked);
        QSignalSpy ptt(&link, &RadioLink::PttDone);
        QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 5000);
        auto port = std::make_shared<TRadioPort>();
        port->Attach(&link);
        TCwKeyer keyer(nullptr, std::make_unique<TRadioKeyOutput>(port, false, true));
        keyer.SetPttTiming({false, 200, 400});
        auto dummyPtt = [&] {
            ptt_t p = RIG_PTT_OFF;
            OnRadio(link, [&](RIG* rig) { rig_get_ptt(rig, RIG_VFO_CURR, &p); });
            return p;
        };

        QElapsedTimer clock;
        clock.start();
        qint64 readyAt = -1;
        keyer.VoiceStart([&] { readyAt = clock.elapsed(); });
        QTRY_COMPARE(ptt.size(), 1);  // the radio took it
        QCOMPARE(ptt[0][0].toBool(), true);
        QCOMPARE(dummyPtt(), RIG_PTT_ON);
        QTRY_VERIFY(readyAt >= 0);
        QVERIFY2(readyAt >= 200, qPrintable(QString("the voice began %1 ms after PTT").arg(readyAt)));
        const qint64 endAt = clock.elapsed();
        keyer.VoiceEnd();
        QTRY_COMPARE_WITH_TIMEOUT(ptt.size(), 2, 3000);
        QCOMPARE(ptt[1][0].toBool(), false);
        QVERIFY2(clock.elapsed() - endAt >= 400, qPrintable(QString("off %1 ms after the voice").arg(clock.elapsed() - endAt)));
        QCOMPARE(dummyPtt(), RIG_PTT_OFF);
        port->Attach(nullptr);
    }

    // A memory through the radio's keyer: its speed sections become the
    // radio's speeds, the send ends when the radio has sent it (the dummy
    // cannot say, so after its nominal length), and a stop or a new link
    // ends it at once.
    void keyerCwThroughTheRadiosKeyer()
    {
        HamlibLink link(Dummy());
        QSignalSpy linked(&link, &RadioLink::Linked);
        QSignalSpy done(&link, &RadioLink::MorseDone);
        QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 5000);
        auto port = std::make_shared<TRadioPort>();
        port->Attach(&link);
        TCwKeyer keyer(nullptr, std::make_unique<TRadioKeyOutput>(port, true, false));
        keyer.SetSpeed(150);
        keyer.SetHiSpeed(100);
        auto keyspd = [&] {
            value_t v;
            v.i = 0;
            OnRadio(link, [&](RIG* rig) { rig_get_level(rig, RIG_VFO_CURR, RIG_LEVEL_KEYSPD, &v); });
            return v.i;
        };

        QElapsedTimer clock;
        clock.start();
        std::vector<bool> ends;
        keyer.SendText("%test% e", [&](bool toTheEnd) { ends.push_back(toTheEnd); });
        QTRY_COMPARE_WITH_TIMEOUT(keyspd(), 22, 1000);  // speed 100 while TEST goes
        QTRY_COMPARE_WITH_TIMEOUT(int(ends.size()), 1, 5000);
        QCOMPARE(ends[0], true);
        const qint64 nominal = NominalMorseMs("TEST", 22) + NominalMorseMs(" E", 33);
        QVERIFY2(clock.elapsed() >= nominal, qPrintable(QString("%1 ms, nominal %2 ms").arg(clock.elapsed()).arg(nominal)));
        QCOMPARE(keyspd(), 33);
        QCOMPARE(done.size(), 1);
        QCOMPARE(done[0][1].value<MorseEnd>(), MorseEnd::Sent);

        // Esc: the radio's keyer is stopped, the send ends as stopped.
        keyer.SendText("PARIS PARIS PARIS", [&](bool toTheEnd) { ends.push_back(toTheEnd); });
        QTest::qWait(100);
        keyer.SetStop(true);
        QTRY_COMPARE(int(ends.size()), 2);
        QCOMPARE(ends[1], false);
        QTRY_COMPARE(done.size(), 2);
        QCOMPARE(done[1][1].value<MorseEnd>(), MorseEnd::Stopped);

        // The link given up (new settings): the send ends at once.
        keyer.SendText("PARIS PARIS PARIS", [&](bool toTheEnd) { ends.push_back(toTheEnd); });
        QTest::qWait(100);
        port->Attach(nullptr);
        QTRY_COMPARE(int(ends.size()), 3);
        QCOMPARE(ends[2], false);
        // With no link a text ends at once, unsent, and the operator is told.
        QStringList failures;
        keyer.OnFailure = [&](const QString& text) { failures << text; };
        keyer.SendText("E", [&](bool toTheEnd) { ends.push_back(toTheEnd); });
        QTRY_COMPARE(int(ends.size()), 4);
        QCOMPARE(ends[3], false);
        QTRY_COMPARE(failures, QStringList{"Radio ni oddal besedila (ni povezave z njim) !"});
    }

    // No radio there: one message however often it is looked for, never a
    // link, and what is asked of it ends at once.
    void absentRadios_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such serial port") << 1035 << "/nonexistent/ttyUSB9" << "Radio ni dosegljiv (napaka povezave), program dela brez njega !";
        QTest::newRow("unknown model") << 999999 << "" << "Hamlib ne pozna modela radia 999999 !";
        // Unknown in a family already in use (the dummy's, Yaesu's above): Hamlib
        // would end the process.
        QTest::newRow("unknown model beside the dummy") << 50 << "" << "Hamlib ne pozna modela radia 50 !";
        QTest::newRow("no model") << 0 << "" << "Hamlib ne pozna modela radia 0 !";
        QTest::newRow("unknown model beside a known one") << 1099 << "" << "Hamlib ne pozna modela radia 1099 !";
        // A port that opens, with nothing answering on it: a radio switched off.
        QTest::newRow("silent port") << 1020 << "pty" << "Radio ni dosegljiv (radio se ne odziva), program dela brez njega !";
    }
    void absentRadios()
    {
        QFETCH(int, model);
        QFETCH(QString, device);
        QFETCH(QString, message);
        RadioSettings s;
        s.link = RadioLinkKind::Hamlib;
        s.model = model;
        s.device = device;
        s.timeoutMs = 200;
        int pty = -1;
        const auto closePty = qScopeGuard([&] { if (pty >= 0) ::close(pty); });
        if (device == "pty") {
            pty = ::posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(pty >= 0 && ::grantpt(pty) == 0 && ::unlockpt(pty) == 0);
            s.device = QString::fromLatin1(::ptsname(pty));
        }
        HamlibLink link(s);
        QSignalSpy linked(&link, &RadioLink::Linked);
        QSignalSpy failures(&link, &RadioLink::Failure);
        QSignalSpy done(&link, &RadioLink::MorseDone);
        QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, 5000);
        QCOMPARE(failures[0][0].toString(), message);
        QTest::qWait(HamlibLink::kRetryMs * 2 + 500);  // looked for twice more
        QCOMPARE(failures.size(), 1);
        QCOMPARE(linked.size(), 0);
        link.SendMorse({{"TEST", 100}});
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(done[0][1].value<MorseEnd>(), MorseEnd::Failed);
    }
};

QTEST_GUILESS_MAIN(HamlibLinkTest)
#include "hamlib_link_test.moc"

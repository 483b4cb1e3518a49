// The poll timer: ticks come from its own thread but run on the thread that
// owns the timer. Times are only checked as lower bounds and order.

#include "keyer/ThdTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

using namespace zox;

class ThreadedTimerTest : public QObject {
    Q_OBJECT
private slots:
    void startsDisabledAndParked()
    {
        TThreadedTimer t;
        QCOMPARE(t.Enabled(), false);
        QCOMPARE(t.Interval(), 1000u);
        QCOMPARE(t.AllowZero(), false);
        QCOMPARE(t.ThreadPriority(), QThread::NormalPriority);
        QVERIFY(t.Parked());
    }

    void firstTickAFullIntervalAfterEnabling()
    {
        TThreadedTimer t;
        QElapsedTimer clock;
        qint64 firstAt = -1;
        t.OnTimer = [&] {
            if (firstAt < 0) firstAt = clock.elapsed();
        };
        t.SetInterval(150);
        clock.start();
        t.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(firstAt >= 0, 10000);
        QVERIFY2(firstAt >= 150, qPrintable(QString::number(firstAt)));

        // Enabled again with a new interval: again a full interval first.
        t.SetEnabled(false);
        QTest::qWait(20);  // a tick already queued finds the timer disabled
        firstAt = -1;
        t.SetInterval(300);
        clock.restart();
        t.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(firstAt >= 0, 10000);
        QVERIFY2(firstAt >= 300, qPrintable(QString::number(firstAt)));
    }

    void handlerRunsOnTheOwningThread()
    {
        TThreadedTimer t;
        QThread* ranOn = nullptr;
        t.OnTimer = [&] { ranOn = QThread::currentThread(); };
        t.SetInterval(1);
        t.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ranOn != nullptr, 10000);
        QCOMPARE(ranOn, QCoreApplication::instance()->thread());
    }

    void disablingParks()
    {
        TThreadedTimer t;
        int ticks = 0;
        t.OnTimer = [&] { ++ticks; };
        t.SetInterval(2);
        t.SetEnabled(true);
        QVERIFY(!t.Parked());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 10000);
        t.SetEnabled(false);
        QVERIFY(t.Parked());
        const int atDisable = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks, atDisable);
    }

    void intervalChangeKeepsTheEnabledState()
    {
        TThreadedTimer t;
        int ticks = 0;
        t.OnTimer = [&] { ++ticks; };

        t.SetInterval(5);  // while disabled: stays disabled
        QCOMPARE(t.Enabled(), false);
        QVERIFY(t.Parked());
        QTest::qWait(60);
        QCOMPARE(ticks, 0);

        t.SetEnabled(true);
        t.SetInterval(3);  // while enabled: stays enabled and keeps ticking
        QCOMPARE(t.Enabled(), true);
        QVERIFY(!t.Parked());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 10000);
    }

    void zeroIntervalNeedsAllowZero()
    {
        TThreadedTimer t;
        int ticks = 0;
        t.OnTimer = [&] { ++ticks; };
        t.SetInterval(0);
        t.SetEnabled(true);
        QVERIFY(t.Parked());
        QTest::qWait(50);
        QCOMPARE(ticks, 0);

        t.SetEnabled(false);
        t.SetAllowZero(true);
        t.SetEnabled(true);
        QVERIFY(!t.Parked());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 10000);
    }

    void destroyedWhileATickWaitsForTheHandler()
    {
        int ticks = 0;
        auto* t = new TThreadedTimer;
        t->OnTimer = [&] { ++ticks; };
        t->SetInterval(1);
        t->SetEnabled(true);
        QThread::msleep(50);  // a tick is now queued and its thread waits for it
        delete t;  // must neither hang nor run the queued tick later
        QCoreApplication::processEvents();
        QCOMPARE(ticks, 0);
    }

    void destroyedByItsOwnHandler()
    {
        QPointer<TThreadedTimer> t = new TThreadedTimer;
        int ticks = 0;
        t->OnTimer = [&] {
            ++ticks;
            delete t.data();
        };
        t->SetInterval(1);
        t->SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(t.isNull(), 10000);
        QTest::qWait(20);
        QCOMPARE(ticks, 1);
    }
};

QTEST_GUILESS_MAIN(ThreadedTimerTest)
#include "thd_timer_test.moc"

// The road of one contact through the real entry line, and what Save refuses.
#include "WindowFixture.h"

#include <csignal>
#include <sys/resource.h>

using namespace zox;
using zox::test::Window;

namespace {

QVariantMap lastRecord(const QString& path)
{
    Table t;
    t.setTableName(path);
    t.open();
    t.last();
    QVariantMap m;
    for (const QString& f : t.fieldNames()) m[f] = t.field(f);
    return m;
}

int records(const QString& path)
{
    Table t;
    t.setTableName(path);
    t.open();
    return t.recordCount();
}

}  // namespace

class EntryTest : public QObject {
    Q_OBJECT
private slots:
    void roadOfOneContact()
    {
        Window t;
        UtcMode = true;
        t.newLog(t.logPath());
        const QTime before = QDateTime::currentDateTimeUtc().time();
        t.enter("Q1AAA");  // the year number comes from the list
        const QTime after = QDateTime::currentDateTimeUtc().time();
        const QVariantMap r = lastRecord(t.logPath());
        QCOMPARE(r["Date"].toDate(), QDate::currentDate());
        QVERIFY(r["Utc"].toTime() >= before.addMSecs(-before.msec()) && r["Utc"].toTime() <= after);
        QCOMPARE(r["Call"].toString(), QString("Q1AAA"));
        QCOMPARE(r["Band"].toString(), QString("80"));
        QCOMPARE(r["Mode"].toString(), QString("CW"));
        QCOMPARE(r["RstS"].toString(), QString("599"));
        QCOMPARE(r["RstR"].toString(), QString("599"));
        QCOMPARE(r["MultiR"].toString(), QString("69"));
        QCOMPARE(r["MultiP"].toInt(), 69);
        QCOMPARE(r["Point"].toInt(), 2);
        QCOMPARE(r["Contest"].toString(), QString("ZOX Contes"));
        QCOMPARE(t.scoreLabels(), (QStringList{"2", "1", "0", "0", "2", "1", "2"}));
        QCOMPARE(t.status(), QString("1  zvez !"));
        QCOMPARE(t.w->edCall->text(), QString());
        QCOMPARE(t.w->edHisMulti->text(), QString());
        QVERIFY(t.w->TimeFieldBlank());
        QCOMPARE(t.w->InfoLabel->text(), QString());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edCall));
    }

    void furtherCases()
    {
        Window t;
        t.newLog(t.logPath());
        // A duplicate is saved with 0 points.
        t.enter("Q1AAA");
        t.enter("Q1AAA");
        QCOMPARE(lastRecord(t.logPath())["Point"].toInt(), 0);
        // SSB reports, and they overwrite typed ones.
        t.w->edRstS->setText("57");
        t.setMode(1);
        QCOMPARE(t.w->edRstS->text(), QString("59"));
        QCOMPARE(t.w->edRstR->text(), QString("59"));
        t.enter("Q1BBB", "44");
        QCOMPARE(lastRecord(t.logPath())["RstR"].toString(), QString("59"));
        QCOMPARE(t.w->edRstS->text(), QString("59"));
        // A typed time is kept as typed, whatever the time mode.
        for (bool utc : {true, false}) {
            UtcMode = utc;
            t.enter(utc ? "Q1CCC" : "Q1DDD", "45", "12:34:56");
            QCOMPARE(lastRecord(t.logPath())["Utc"].toTime(), QTime(12, 34, 56));
        }
        // Band "20" shows "80".
        t.w->cbBand->setCurrentIndex(3);
        emit t.w->cbBand->activated(3);
        QCOMPARE(t.w->cbBand->currentText(), QString("80"));
        QCOMPARE(BandText, QString("80"));
        // An empty year number saves nothing and puts the focus in the call field.
        const int n = records(t.logPath());
        t.enter("Q1EEE", "");
        QCOMPARE(records(t.logPath()), n);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edCall));
        QCOMPARE(t.w->edCall->text(), QString("Q1EEE"));
    }

    void refusedTimesAndYearNumbersKeepTheLine()
    {
        Window t;
        t.newLog(t.logPath());
        struct Case { const char* time; const char* multi; QLineEdit* TMainFrm::*focus; const char* told; } cases[] = {
            {"25:99:00", "46", &TMainFrm::edUtc, "Čas 25:99:00 ni veljaven !"},
            {"12:3", "47", &TMainFrm::edUtc, "Čas 12:3 : ni veljaven !"},  // only partly filled: shown as it stands
            {"", "X1", &TMainFrm::edHisMulti, "Letnica X1 ni število !"},  // a year number that is not a number
        };
        for (const auto& c : cases) {
            t.dlg.clear();
            t.enter("Q1ZZZ", c.multi, c.time);
            QCOMPARE(records(t.logPath()), 0);
            QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Message), 1);
            QCOMPARE(t.dlg.last().kind, int(mtWarning));
            QCOMPARE(t.dlg.last().text, QString(c.told));
            QCOMPARE(t.w->edCall->text(), QString("Q1ZZZ"));
            QCOMPARE(t.w->edHisMulti->text(), QString(c.multi));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>((*t.w).*(c.focus)));
            QCOMPARE(t.scoreLabels(), QStringList(7, "0"));
            t.w->ClearEntry();
        }
    }

    void aFailedPostKeepsTheLine()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AAA");
        // A full disk: no file may grow, so not even the journal can be written.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 1;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        t.enter("Q1BBB", "50");
        ::setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 1);
        QCOMPARE(t.w->edCall->text(), QString("Q1BBB"));
        QCOMPARE(t.scoreLabels(), (QStringList{"2", "1", "0", "0", "2", "1", "2"}));
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Return);  // the fault is gone: saved now
        QCOMPARE(records(t.logPath()), 2);
        QCOMPARE(t.w->edCall->text(), QString());
    }

    void timeBase()
    {
        Window t;
        UtcMode = true;
        emit t.w->as1->aboutToShow();
        QVERIFY(t.w->UtcCas->isChecked());
        QVERIFY(!t.w->LokalCas->isChecked());
        t.w->LokalCas->trigger();
        QVERIFY(!UtcMode);
        emit t.w->as1->aboutToShow();
        QVERIFY(t.w->LokalCas->isChecked());
        QVERIFY(!t.w->UtcCas->isChecked());
        t.w->UtcCas->trigger();
        QVERIFY(UtcMode);
        // A double click puts the current time into the field, over what it holds.
        t.w->edUtc->setText("01:02:03");
        QTest::mouseDClick(t.w->edUtc, Qt::LeftButton);
        const QTime shown = QTime::fromString(t.w->edUtc->text(), "HH:mm:ss");
        QVERIFY(shown.isValid());
        const int apart = qAbs(shown.secsTo(QDateTime::currentDateTimeUtc().time()));
        QVERIFY(apart <= 2 || apart >= 86400 - 2);  // also across midnight
    }

    void noLogOpen()
    {
        Window t;
        t.enter("Q1AAA", "69");
        QCOMPARE(t.dlg.last().text, QString(" Odpri datoteko !"));
        // The first Clear only stops the keyer, which has sent nothing yet; the message comes each time.
        QTest::keyClick(t.w->edCall, Qt::Key_Escape);
        QCOMPARE(t.dlg.last().text, QString(" Datoteka ni odprta !"));
        QCOMPARE(t.w->edCall->text(), QString("Q1AAA"));
        QTest::keyClick(t.w->edCall, Qt::Key_Escape);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Message), 3);
        QCOMPARE(t.w->edCall->text(), QString());
    }
};

QTEST_MAIN(EntryTest)
#include "entry_test.moc"

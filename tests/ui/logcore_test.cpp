// Logging through the real window: duplicate and multiplier checks, scoring,
// hourly counts, and New and Open of log files.
#include "WindowFixture.h"

#include <QMenu>
#include <QRandomGenerator>

using namespace zox;
using zox::test::Window;

namespace {

struct Stored {
    QString call, mode, multiR;
    QVariant multiP, point;
};

QList<Stored> storedLog(TDataFrm& d)
{
    QList<Stored> out;
    Table t;
    t.setTableName(d.LogTbl.tableName());
    // The log is held by this process: read through the shared connection.
    t.open();
    for (t.first(); !t.eof(); t.next())
        out << Stored{t.field("Call").toString(), t.field("Mode").toString(), t.field("MultiR").toString(),
                      t.field("MultiP"), t.field("Point")};
    return out;
}

}  // namespace

class LogcoreTest : public QObject {
    Q_OBJECT
private slots:
    void infoLineFollowsTheCall()
    {
        Window t;
        t.newLog(t.logPath());
        QCOMPARE(t.w->InfoLabel->text(), QString());
        t.enter("Q1AB", "69");
        struct Step { QString typed; int mode; QString info; bool dupe; } steps[] = {
            {"Q1A", 0, "", false},       // under four characters: no search
            {"Q1AB", 0, "Dupe !", true},
            {"Q1ABC", 0, "", false},
            {"Q1AB", 1, "", false},      // the same call in SSB is no duplicate
        };
        for (const auto& s : steps) {
            t.setMode(s.mode);
            t.w->edCall->clear();
            t.w->edCall->setFocus();
            QTest::keyClicks(t.w->edCall, s.typed);
            QCOMPARE(t.w->InfoLabel->text(), s.info);
            QCOMPARE(t.w->DupeMark, s.dupe);
        }
        // Deleting back below four characters clears it.
        t.setMode(0);
        t.w->edCall->clear();
        QTest::keyClicks(t.w->edCall, "Q1AB");
        QCOMPARE(t.w->InfoLabel->text(), QString("Dupe !"));
        QTest::keyClick(t.w->edCall, Qt::Key_Backspace);
        QCOMPARE(t.w->InfoLabel->text(), QString());
        QVERIFY(!t.w->DupeMark);
        // Text put into the call field is cut at its first blank.
        t.w->edCall->clear();
        t.w->edCall->insert("q1aaa x");
        QCOMPARE(t.w->edCall->text(), QString("Q1AAA"));
        // Space moves between the call and the year number and types nothing.
        QTest::keyClick(t.w->edCall, Qt::Key_Space);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edHisMulti));
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Space);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edCall));
        QCOMPARE(t.w->edCall->text(), QString("Q1AAA"));
        QCOMPARE(t.w->edHisMulti->text(), QString("69"));  // filled from the list on the way
    }

    void multiplierMark()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AB", "69");
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1AB");  // duplicate
        QCOMPARE(t.w->InfoLabel->text(), QString("Dupe !"));
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QTest::keyClicks(t.w->edHisMulti, "70");
        QCOMPARE(t.w->InfoLabel->text(), QString("New Multiplier !"));
        QVERIFY(t.w->NewMulti);
        QVERIFY(t.w->DupeMark);  // the line was replaced, the mark stays
        // Shortened below two characters: the mark and the line go.
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Backspace);
        QVERIFY(!t.w->NewMulti);
        QCOMPARE(t.w->InfoLabel->text(), QString());
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Backspace);
        QTest::keyClicks(t.w->edHisMulti, "69");
        QCOMPARE(t.w->InfoLabel->text(), QString());  // 69 is worked in CW
        QVERIFY(!t.w->NewMulti);
        // A known call fills its year number from the list on entering the field.
        t.w->edCall->setFocus();
        t.w->edCall->clear();
        QTest::keyClicks(t.w->edCall, "Q5ABC");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QCOMPARE(t.w->edHisMulti->text(), QString("55"));
        QCOMPARE(t.w->InfoLabel->text(), QString("New Multiplier !"));
        // An unknown call empties it, whatever was typed before.
        t.w->edCall->setFocus();
        t.w->edCall->clear();
        QTest::keyClicks(t.w->edCall, "Q9ZZZ");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QCOMPARE(t.w->edHisMulti->text(), QString());
    }

    void scoringCases()
    {
        Window t;
        t.newLog(t.logPath());
        struct Case { const char* call; int mode; const char* multi; QStringList labels; int point; QVariant multiP; } cases[] = {
            {"Q1AAA", 0, "69", {"2", "1", "0", "0", "2", "1", "2"}, 2, 69},    // first CW QSO
            {"Q1AAA", 0, "69", {"2", "1", "0", "0", "2", "1", "2"}, 0, {}},    // the same station again
            {"Q1AAA", 1, "69", {"2", "1", "1", "1", "3", "2", "6"}, 1, 69},    // the same station in SSB
            {"Q1AAA", 0, "05", {"2", "2", "1", "1", "3", "3", "9"}, 0, 5},     // a duplicate bringing a multiplier
            {"Q1BBB", 0, "69", {"4", "2", "1", "1", "5", "3", "15"}, 2, {}},
        };
        for (const auto& c : cases) {
            t.setMode(c.mode);
            t.enter(c.call, c.multi);
            QCOMPARE(t.scoreLabels(), c.labels);
            const auto log = storedLog(t.w->Data);
            QCOMPARE(log.last().point.toInt(), c.point);
            QCOMPARE(log.last().multiP, c.multiP);
            QCOMPARE(log.last().multiR, QString(c.multi));
        }
        QCOMPARE(t.status(), QString("5  zvez !"));
        // "Preveri rezultat" gives the same figures.
        const QStringList before = t.scoreLabels();
        t.w->SpeedItem9->click();
        QCOMPARE(t.scoreLabels(), before);
        // Deleting the QSO that carries a CW multiplier takes points and multiplier away.
        QVERIFY(t.w->Data.LogTbl.locate("Call;MultiR", {"Q1AAA", "05"}));
        t.dlg.answerMessage(mrYes);
        t.w->IzbrisiZvezo->trigger();  // a duplicate: points unchanged, multiplier -1
        QCOMPARE(t.scoreLabels(), (QStringList{"4", "1", "1", "1", "5", "2", "10"}));
        t.w->SpeedItem9->click();
        QCOMPARE(t.scoreLabels(), (QStringList{"4", "1", "1", "1", "5", "2", "10"}));
    }

    // After any sequence of saves and deletes the running totals equal a recount.
    void runningTotalsEqualRecount()
    {
        Window t;
        t.newLog(t.logPath());
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 60; ++i) {
            if (i % 7 == 6 && t.w->Data.LogTbl.recordCount() > 0) {
                t.w->Data.LogTbl.last();
                for (int k = int(rng->bounded(3)); k > 0; --k) t.w->Data.LogTbl.prior();
                t.dlg.answerMessage(mrYes);
                t.w->IzbrisiZvezo->trigger();
                continue;
            }
            t.setMode(int(rng->bounded(2)));
            t.enter(QString("Q1A%1").arg(rng->bounded(6)), QString::number(40 + rng->bounded(8)));
        }
        const QStringList running = t.scoreLabels();
        t.w->SpeedItem9->click();
        QCOMPARE(t.scoreLabels(), running);
    }

    void hourlyCounts()
    {
        Window t;
        t.newLog(t.logPath());
        QCOMPARE(t.rateLabels(), (QStringList{"0", "0", "0"}));
        t.enter("Q1AAA", "61", "09:00:00");
        QCOMPARE(t.rateLabels(), (QStringList{"1", "0", "0.5"}).replaceInStrings(".", QLocale().decimalPoint()));
        t.enter("Q1AAB", "62", "09:30:00");
        t.enter("Q1AAC", "63", "09:59:59");
        t.enter("Q1AAD", "64", "10:00:00");
        QCOMPARE(t.rateLabels(), (QStringList{"3", "1", "2"}));
        // Reopening recounts from the log.
        t.openLog(t.logPath());
        QCOMPARE(t.rateLabels(), (QStringList{"3", "1", "2"}));
        QCOMPARE(RateText(22.5), QString("22") + QLocale().decimalPoint() + "5");
        QCOMPARE(RateText(12345), QString("12345"));
    }

    void openAndNew()
    {
        Window t;
        // Cancelled dialogs change nothing.
        t.openLog(QString());
        t.newLog(QString());
        QVERIFY(!LogOpen);
        QCOMPARE(t.w->InfoLabel->text(), QString("No table Open !"));

        t.newLog(t.logPath());
        QCOMPARE(t.w->windowTitle(), "Zox prvenstvo " + t.logPath());
        QCOMPARE(t.status(), QString("0  zvez !"));
        QVERIFY(t.w->QsoMenu->isEnabled());
        QVERIFY(t.w->SpeedItem9->isEnabled());
        QCOMPARE(BandText, QString("80"));
        QCOMPARE(t.w->cbBand->currentText(), QString("80"));
        t.enter("Q1AAA", "69");
        t.enter("Q1AAB", "70");
        QCOMPARE(storedLog(t.w->Data).first().multiR, QString("69"));
        {
            Table raw;
            raw.setTableName(t.logPath());
            raw.open();
            raw.first();
            QCOMPARE(raw.field("Contest").toString(), QString("ZOX Contes"));
        }
        const QStringList totals = t.scoreLabels();

        // An eleven-field table is refused and the current log stays.
        {
            Table foreign;
            foreign.setTableName(Dir.Data + "foreign.DAT");
            foreign.fieldDefs = TDataFrm::LogFields().mid(0, 11);
            foreign.indexDefs = {{"", "Vexa", true, true}};
            foreign.createTable();
        }
        t.openLog(Dir.Data + "foreign.DAT");
        QCOMPARE(t.dlg.last().text, Dir.Data + "foreign.DAT ni ZOX datoteka !");
        QCOMPARE(t.dlg.last().kind, int(mtWarning));
        QVERIFY(LogOpen);
        QCOMPARE(t.w->windowTitle(), "Zox prvenstvo " + t.logPath());
        t.newLog(Dir.Data + "foreign.DAT");  // New refuses a foreign table too
        QCOMPARE(t.dlg.last().text, Dir.Data + "foreign.DAT ni ZOX datoteka !");
        QCOMPARE(t.w->windowTitle(), "Zox prvenstvo " + t.logPath());

        // Reopening the current log gives the same totals; QSOs then carry "ZOX".
        t.openLog(t.logPath());
        QCOMPARE(t.scoreLabels(), totals);
        QCOMPARE(t.status(), QString("2  zvez !"));
        t.enter("Q1AAC", "71");
        {
            Table raw;
            raw.setTableName(t.logPath());
            raw.open();
            raw.last();
            QCOMPARE(raw.field("Contest").toString(), QString("ZOX"));
        }

        // New on the name of an existing log keeps its QSOs and recounts.
        t.newLog(Dir.Data + "other.DAT");
        QCOMPARE(t.scoreLabels(), QStringList(7, "0"));
        t.newLog(t.logPath());
        QCOMPARE(t.status(), QString("3  zvez !"));
        QCOMPARE(t.w->lblSkpTocke->text(), QString("6"));
        QCOMPARE(t.dlg.unanswered(), 2);  // the two cancelled dialogs at the start
    }
};

QTEST_MAIN(LogcoreTest)
#include "logcore_test.moc"

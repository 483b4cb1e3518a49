// Browsing, correcting, deleting and finding contacts through the real window.
#include "WindowFixture.h"
#include "letnice/uMultiWnd.h"

using namespace zox;
using zox::test::Window;

namespace {

QVariantMap record(const QString& path, qint64 vexa)
{
    Table t;
    t.setTableName(path);
    t.open();
    QVariantMap m;
    if (!t.gotoRecordId(vexa)) return m;
    for (const QString& f : t.fieldNames()) m[f] = t.field(f);
    return m;
}

int selectedRow(const Window& t) { return t.w->LogGrid->currentIndex().row(); }

QString gridCall(const Window& t, int row) { return t.w->LogModel->index(row, 2).data().toString(); }

}  // namespace

class BrowseTest : public QObject {
    Q_OBJECT
private slots:
    void findCall()
    {
        Window t;
        t.newLog(t.logPath());
        for (const char* c : {"Q1AB", "Q1ABC", "Q1XYZ"}) t.enter(c, "50");
        t.dlg.answerText("Q1AB");
        t.w->SpeedItem16->click();
        QCOMPARE(t.dlg.last().title, QString("Najdi znak"));
        QCOMPARE(t.dlg.last().text, QString("Vpiši znak"));
        QCOMPARE(t.dlg.last().caseMode, 1);  // typed letters become capitals
        QCOMPARE(gridCall(t, selectedRow(t)), QString("Q1AB"));
        t.w->ZadnjaZveza->trigger();
        QCOMPARE(selectedRow(t), 2);
        const int before = t.dlg.count();
        t.dlg.answerText("Q1A");  // no whole-call match: nothing happens, nothing is said
        t.w->Najdi1->trigger();
        QCOMPARE(selectedRow(t), 2);
        QCOMPARE(t.dlg.count(), before + 1);
        t.dlg.cancelText();
        t.w->Najdi1->trigger();
        QCOMPARE(selectedRow(t), 2);
    }

    void deleteAsksAndAdjusts()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AAA", "69");
        t.dlg.answerMessage(mrNo);
        t.w->IzbrisiZvezo->trigger();
        QCOMPARE(t.dlg.last().text, QString("Zveza Q1AAA bo izbrisana !"));
        QCOMPARE(t.dlg.last().buttons, int(mbYesNo));
        QCOMPARE(t.status(), QString("1  zvez !"));
        QCOMPARE(t.w->lblRezultat->text(), QString("2"));
        t.dlg.answerMessage(mrYes);
        t.w->SpeedItem7->click();
        QCOMPARE(t.status(), QString("0  zvez !"));
        QCOMPARE(t.w->LogModel->rowCount(), 0);
        QCOMPARE(t.scoreLabels(), QStringList(7, "0"));
        QCOMPARE(t.rateLabels(), QStringList(3, "0"));
        // On an empty log delete and edit do nothing and ask nothing.
        const int asked = t.dlg.count();
        t.w->IzbrisiZvezo->trigger();
        t.w->UrediZvezo->trigger();
        QCOMPARE(t.dlg.count(), asked);
        QVERIFY(!t.w->Session.Correcting());
    }

    void editAnSsbQsoWhileWorkingCw()
    {
        Window t;
        t.newLog(t.logPath());
        t.setMode(1);
        t.w->edRstS->setText("57");
        t.enter("Q1SSB", "51");
        const qint64 vexa = t.w->Data.LogTbl.recordId();
        t.setMode(0);
        t.enter("Q1CW", "52");
        t.w->PrvaZveza->trigger();
        t.w->SpeedItem8->click();
        QVERIFY(t.w->Session.Correcting());
        QCOMPARE(t.w->cbMode->currentText(), QString("SSB"));
        QCOMPARE(ModeIndex, 1);
        QCOMPARE(ModeText, QString("SSB"));
        QCOMPARE(t.w->edRstS->text(), QString("57"));
        QCOMPARE(t.w->edCall->text(), QString("Q1SSB"));
        // Typing while editing shows no duplicate mark.
        t.w->edCall->clear();
        QTest::keyClicks(t.w->edCall, "Q1CW");
        QCOMPARE(t.w->InfoLabel->text(), QString());
        QVERIFY(!t.w->DupeMark);
        t.w->edCall->clear();
        QTest::keyClicks(t.w->edCall, "Q1NEW");
        // The grid may move meanwhile; the correction lands in the loaded record.
        t.w->ZadnjaZveza->trigger();
        QTest::keyClick(t.w->edCall, Qt::Key_Return);
        QCOMPARE(record(t.logPath(), vexa)["Call"].toString(), QString("Q1NEW"));
        QCOMPARE(record(t.logPath(), vexa)["RstS"].toString(), QString("57"));
        QCOMPARE(t.status(), QString("2  zvez !"));
        QVERIFY(!t.w->Session.Correcting());
        // The next contact is new, in SSB with fresh reports.
        QCOMPARE(t.w->edRstS->text(), QString("59"));
        t.enter("Q1NEXT", "53");
        QCOMPARE(t.status(), QString("3  zvez !"));
        QCOMPARE(t.w->Data.LogTbl.field("Mode").toString(), QString("SSB"));
    }

    // After saves, corrections and deletes the figures equal those of reopening the log.
    void figuresEqualAReopen()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AAA", "61", "09:10:00");
        t.enter("Q1BBB", "62", "10:10:00");
        t.enter("Q1CCC", "61", "09:20:00");
        t.setMode(1);
        t.enter("Q1AAA", "61", "10:30:00");
        // Correct the second QSO: another year number, another hour, another call that is a duplicate.
        t.w->PrvaZveza->trigger();
        t.w->NaslednjaZveza->trigger();
        t.w->UrediZvezo->trigger();
        t.w->edUtc->setText("09:40:00");
        t.w->edCall->setText("Q1AAA");
        t.w->edHisMulti->setText("63");
        t.w->Save();
        // Correct the fourth: SSB to CW.
        t.w->ZadnjaZveza->trigger();
        t.w->UrediZvezo->trigger();
        t.setMode(0);
        t.w->Save();
        // Delete the first.
        t.w->PrvaZveza->trigger();
        t.dlg.answerMessage(mrYes);
        t.w->IzbrisiZvezo->trigger();
        const QStringList score = t.scoreLabels();
        const QStringList rates = t.rateLabels();
        t.openLog(t.logPath());
        QCOMPARE(t.scoreLabels(), score);
        QCOMPARE(t.rateLabels(), rates);
    }

    void gridEditsAreScored()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AAA", "61");
        t.enter("Q1BBB", "62");
        // Change the mode of the first row in place; it is written, and scored, when the row is left.
        t.w->LogGrid->setFocus();
        const QModelIndex mode = t.w->LogModel->index(0, 3);
        t.w->LogGrid->setCurrentIndex(mode);
        QVERIFY(t.w->LogModel->setData(mode, "SSB", Qt::EditRole));
        QCOMPARE(record(t.logPath(), 1)["Mode"].toString(), QString("CW"));
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(1, 3));
        QCOMPARE(record(t.logPath(), 1)["Mode"].toString(), QString("SSB"));
        QCOMPARE(record(t.logPath(), 1)["Point"].toInt(), 1);
        QCOMPARE(t.scoreLabels(), (QStringList{"2", "1", "1", "1", "3", "2", "6"}));
        // The marks follow from the rule: their columns cannot be typed into.
        for (int col : {8, 9}) {
            QVERIFY(!(t.w->LogModel->flags(t.w->LogModel->index(0, col)) & Qt::ItemIsEditable));
            QVERIFY(!t.w->LogModel->setData(t.w->LogModel->index(0, col), 7, Qt::EditRole));
        }
        t.dlg.answerMessage(mrOk);
        t.w->SpeedItem9->click();
        QCOMPARE(t.dlg.last().text, QString("Rezultat je pravilen, popravkov ni."));
        QCOMPARE(t.scoreLabels(), (QStringList{"2", "1", "1", "1", "3", "2", "6"}));
        // Ins starts a new row; left unchanged it is dropped.
        QTest::keyClick(t.w->LogGrid, Qt::Key_Insert);
        QCOMPARE(t.w->LogModel->rowCount(), 3);
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(0, 3));
        QCOMPARE(t.w->LogModel->rowCount(), 2);
        // Moving past the last row starts one too; a changed one is stored.
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(1, 2));
        QTest::keyClick(t.w->LogGrid, Qt::Key_Down);
        QCOMPARE(t.w->LogModel->rowCount(), 3);
        QVERIFY(t.w->LogModel->setData(t.w->LogModel->index(2, 2), "Q1GRID", Qt::EditRole));
        QVERIFY(t.w->LogModel->setData(t.w->LogModel->index(2, 7), "62", Qt::EditRole));
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(0, 2));
        QCOMPARE(t.status(), QString("3  zvez !"));
        QCOMPARE(t.w->LogModel->rowCount(), 3);
        QCOMPARE(gridCall(t, 2), QString("Q1GRID"));
        QCOMPARE(t.w->lblRezultat->text(), QString("10"));  // in CW, the line's mode: 2 points, 62 worked
        // Ctrl+Del asks the grid's question; Cancel keeps the row.
        t.dlg.answerMessage(mrCancel);
        QTest::keyClick(t.w->LogGrid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(t.dlg.last().text, QString("Delete record?"));
        QCOMPARE(t.w->LogModel->rowCount(), 3);
        t.dlg.answerMessage(mrOk);
        QTest::keyClick(t.w->LogGrid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(t.w->LogModel->rowCount(), 2);
        QCOMPARE(t.status(), QString("2  zvez !"));
    }

    void multipliersWindowFromTheMenu()
    {
        Window t;
        t.newLog(t.logPath());
        QVERIFY(!t.w->MultiWnd->isVisible());
        t.w->Multiplier2->trigger();
        QVERIFY(t.w->MultiWnd->isVisible());
        QCOMPARE(t.w->MultiWnd->windowTitle(), QString("Multipliers"));
        QCOMPARE(t.w->MultiWnd->MultiModel->rowCount(), 2);  // the fixture's list
    }

    void noLogOpen()
    {
        Window t;
        for (QAction* a : {t.w->Najdi1, t.w->UrediZvezo, t.w->IzbrisiZvezo}) {
            a->trigger();
            QCOMPARE(t.dlg.last().text, QString(" Datoteka ni odprta !"));
        }
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Text), 0);
    }
};

QTEST_MAIN(BrowseTest)
#include "browse_test.moc"

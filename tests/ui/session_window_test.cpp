// The entry line as the operator works it: the focus leaving and coming back,
// real modal dialogs, the mode or the log changed half-way through a contact.
// Whatever the road, what is stored is what the line held, scored by the rule.
#include "WindowFixture.h"

#include "letnice/uMultiWnd.h"
#include "ui/uClock.h"

#include <QMessageBox>
#include <QTimer>

using namespace zox;
using zox::test::Window;

namespace {

struct Row {
    QString call, mode, multiR, utc;
    QVariant point, multiP;
};

QList<Row> stored(const QString& path)
{
    QList<Row> out;
    Table t;
    t.setTableName(path);
    t.open();  // through the program's own connection
    for (t.first(); !t.eof(); t.next())
        out << Row{t.field("Call").toString(), t.field("Mode").toString(), t.field("MultiR").toString(),
                   t.displayText("Utc"), t.field("Point"), t.field("MultiP")};
    return out;
}

// Activates `other`, then the main window again, as a click on another window and back does.
void leaveAndComeBack(Window& t, QWidget* other)
{
    other->show();
    other->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(other));
    t.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(t.w.get()));
}

// Presses the default button of the real modal dialog that the command opens.
void closeRealDialogSoon()
{
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box->defaultButton()->click();
        else if (modal) modal->close();
    });
}

void typeInto(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClicks(e, text);
}

// The mode chosen with the keyboard in the real selector, as the operator does.
void chooseMode(Window& t, const QString& mode)
{
    t.w->cbMode->setFocus(Qt::TabFocusReason);
    QTest::keyClick(t.w->cbMode, t.w->cbMode->findText(mode) > t.w->cbMode->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(t.w->cbMode->currentText(), mode);
}

}  // namespace

class SessionWindowTest : public QObject {
    Q_OBJECT
private slots:
    void typedYearSurvivesTheFocusLeaving()
    {
        Window t;  // the list knows Q1AAA as 69
        t.newLog(t.logPath());
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1AAA");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QCOMPARE(t.w->edHisMulti->text(), QString("69"));
        typeInto(t.w->edHisMulti, "47");
        // Another window, the clock, the Multipliers window: and back.
        leaveAndComeBack(t, t.w->Ura);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edHisMulti));
        QCOMPARE(t.w->edHisMulti->text(), QString("47"));
        leaveAndComeBack(t, t.w->MultiWnd);
        QCOMPARE(t.w->edHisMulti->text(), QString("47"));
        // A real modal dialog opened and closed over the line.
        SetDialogProvider(nullptr);
        closeRealDialogSoon();
        ShowMessageDlg("Test", mtWarning, mbOK);
        SetDialogProvider(&t.dlg);
        QCOMPARE(t.w->edHisMulti->text(), QString("47"));
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Return);
        const auto log = stored(t.logPath());
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].multiR, QString("47"));
        QCOMPARE(log[0].multiP.toInt(), 47);
    }

    // Every way the operator moves into the year number looks the call up.
    void lookupOnMovingIntoTheYear_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Tab") << 0;
        QTest::newRow("Shift+Tab from Shrani") << 1;
        QTest::newRow("Space") << 2;
        QTest::newRow("a click") << 3;
        QTest::newRow("Alt+N") << 4;
    }
    void lookupOnMovingIntoTheYear()
    {
        QFETCH(int, way);
        Window t;  // the list knows Q1AAA as 69
        t.newLog(t.logPath());
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1AAA");
        switch (way) {
        case 0: QTest::keyClick(t.w->edCall, Qt::Key_Tab); break;
        case 1:
            t.w->Button1->setFocus(Qt::TabFocusReason);
            QTest::keyClick(t.w->Button1, Qt::Key_Backtab, Qt::ShiftModifier);
            break;
        case 2: QTest::keyClick(t.w->edCall, Qt::Key_Space); break;
        case 3: QTest::mouseClick(t.w->edHisMulti, Qt::LeftButton); break;
        case 4: QTest::keyClick(t.w->edCall, Qt::Key_N, Qt::AltModifier); break;
        }
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edHisMulti));
        QCOMPARE(t.w->edHisMulti->text(), QString("69"));
        QCOMPARE(t.w->InfoLabel->text(), QString("New Multiplier !"));

        // The operator puts the list's year right, goes back to the call and
        // comes in again the same way: the correction stays.
        typeInto(t.w->edHisMulti, "47");
        QTest::mouseClick(t.w->edCall, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edCall));
        if (way == 1) t.w->Button1->setFocus(Qt::TabFocusReason);
        switch (way) {
        case 0: QTest::keyClick(t.w->edCall, Qt::Key_Tab); break;
        case 1: QTest::keyClick(t.w->Button1, Qt::Key_Backtab, Qt::ShiftModifier); break;
        case 2: QTest::keyClick(t.w->edCall, Qt::Key_Space); break;
        case 3: QTest::mouseClick(t.w->edHisMulti, Qt::LeftButton); break;
        case 4: QTest::keyClick(t.w->edCall, Qt::Key_N, Qt::AltModifier); break;
        }
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edHisMulti));
        QCOMPARE(t.w->edHisMulti->text(), QString("47"));
        // Another call is another station: the list speaks for it.
        QTest::mouseClick(t.w->edCall, Qt::LeftButton);
        t.w->edCall->setText("Q1BBB");
        QTest::mouseClick(t.w->edHisMulti, Qt::LeftButton);
        QCOMPARE(t.w->edHisMulti->text(), QString(""));
    }

    void refusedSaveLeavesTheLineAsItWas()
    {
        Window t;
        t.newLog(t.logPath());
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1XYZ");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QTest::keyClicks(t.w->edHisMulti, "4A");
        // The refusal in a real dialog; the focus comes back to the year number.
        SetDialogProvider(nullptr);
        closeRealDialogSoon();
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Return);
        SetDialogProvider(&t.dlg);
        t.w->activateWindow();  // as the window manager does when the dialog goes
        QVERIFY(QTest::qWaitForWindowActive(t.w.get()));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edHisMulti));
        QCOMPARE(t.w->edHisMulti->text(), QString("4A"));
        QVERIFY(t.w->TimeFieldBlank());  // not stamped by a save that did not happen
        QCOMPARE(t.w->edCall->text(), QString("Q1XYZ"));
        QCOMPARE(t.status(), QString("0  zvez !"));
        // Mended, it saves with the time of the save.
        typeInto(t.w->edHisMulti, "47");
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Return);
        QCOMPARE(stored(t.logPath()).size(), 1);
        QVERIFY(!stored(t.logPath())[0].utc.isEmpty());
    }

    void modeChangedBetweenTypingAndEnter_data()
    {
        QTest::addColumn<QString>("firstMode");
        QTest::addColumn<QString>("typedIn");
        QTest::addColumn<QString>("savedIn");
        QTest::addColumn<QString>("infoAfterChange");
        QTest::addColumn<int>("point");
        QTest::addColumn<QVariant>("multiP");
        // Typed as a duplicate in CW, saved in SSB: a new contact and a new SSB multiplier.
        QTest::newRow("dupe in CW, saved in SSB") << "CW" << "CW" << "SSB" << "New Multiplier !" << 1 << QVariant(47);
        // Typed as new in SSB, saved in CW where it is a duplicate.
        QTest::newRow("new in SSB, saved in CW") << "CW" << "SSB" << "CW" << "Dupe !" << 0 << QVariant();
    }
    void modeChangedBetweenTypingAndEnter()
    {
        QFETCH(QString, firstMode);
        QFETCH(QString, typedIn);
        QFETCH(QString, savedIn);
        QFETCH(QString, infoAfterChange);
        QFETCH(int, point);
        QFETCH(QVariant, multiP);
        Window t;
        t.newLog(t.logPath());
        t.setMode(t.w->cbMode->findText(firstMode));
        t.enter("Q1ABC", "47");
        chooseMode(t, typedIn);
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1ABC");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        typeInto(t.w->edHisMulti, "47");
        chooseMode(t, savedIn);
        QCOMPARE(t.w->InfoLabel->text(), infoAfterChange);
        QTest::keyClick(t.w->cbMode, Qt::Key_Return);
        const auto log = stored(t.logPath());
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[1].mode, savedIn);
        QCOMPARE(log[1].point.toInt(), point);
        QCOMPARE(log[1].multiP.isNull(), multiP.isNull());
        if (!multiP.isNull()) QCOMPARE(log[1].multiP.toInt(), multiP.toInt());
    }

    void correctionNeverCrossesIntoAnotherLog()
    {
        Window t;
        const QString a = t.logPath("a.DAT"), b = t.logPath("b.DAT");
        t.newLog(a);
        t.enter("Q1ABC", "47");
        t.w->UrediZvezo->trigger();
        QCOMPARE(t.w->edCall->text(), QString("Q1ABC"));
        t.newLog(b);
        QVERIFY(!t.w->Session.Correcting());
        QCOMPARE(t.w->edCall->text(), QString());  // the loaded contact stays with its log
        t.enter("Q1ABC", "47");                     // first contact of b: no duplicate
        QCOMPARE(stored(b).size(), 1);
        QCOMPARE(stored(b)[0].point.toInt(), 2);
        QCOMPARE(stored(b)[0].multiP.toInt(), 47);
        t.openLog(a);
        QCOMPARE(stored(a).size(), 1);
        // A contact being typed goes with the switch too, and its marks.
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1ABC");
        QCOMPARE(t.w->InfoLabel->text(), QString("Dupe !"));
        t.newLog(t.logPath("c.DAT"));
        QCOMPARE(t.w->edCall->text(), QString());  // a switch starts the line afresh
        QCOMPARE(t.w->InfoLabel->text(), QString());
        QVERIFY(!t.w->DupeMark);
    }

    void correctionKeepsItsYearAndEndsWithItsQso()
    {
        Window t;  // the list knows Q1AAA as 69
        t.newLog(t.logPath());
        t.enter("Q1AAA", "47");
        t.w->UrediZvezo->trigger();
        // Moving into the year number does not look the call up while correcting.
        t.w->edCall->setFocus();
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QCOMPARE(t.w->edHisMulti->text(), QString("47"));
        QTest::mouseClick(t.w->edHisMulti, Qt::LeftButton);
        QCOMPARE(t.w->edHisMulti->text(), QString("47"));
        QTest::keyClick(t.w->edHisMulti, Qt::Key_Return);
        QCOMPARE(stored(t.logPath())[0].multiP.toInt(), 47);
        // Deleting the QSO being corrected ends the correction and clears the line.
        t.w->UrediZvezo->trigger();
        QVERIFY(t.w->Session.Correcting());
        t.dlg.answerMessage(mrYes);
        t.w->IzbrisiZvezo->trigger();
        QVERIFY(!t.w->Session.Correcting());
        QCOMPARE(t.w->edCall->text(), QString());
        t.enter("Q1BBB", "48");
        QCOMPARE(stored(t.logPath()).size(), 1);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 0);
    }

    void enterOnAFocusedButtonPressesIt()
    {
        Window t;
        t.newLog(t.logPath());
        t.w->edCall->setFocus();
        QTest::keyClicks(t.w->edCall, "Q1ABC");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QTest::keyClicks(t.w->edHisMulti, "47");
        t.w->Button2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(t.w->Button2, Qt::Key_Return);
        if (t.w->Keyer) QTest::keyClick(t.w->Button2, Qt::Key_Return);  // the first only stops the keyer
        QCOMPARE(t.w->edCall->text(), QString());  // "Počisti"
        QCOMPARE(stored(t.logPath()).size(), 0);
        QTest::keyClicks(t.w->edCall, "Q1ABC");
        QTest::keyClick(t.w->edCall, Qt::Key_Tab);
        QTest::keyClicks(t.w->edHisMulti, "47");
        t.w->Button1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(t.w->Button1, Qt::Key_Enter);
        QCOMPARE(stored(t.logPath()).size(), 1);  // "Shrani"
    }

    // Typed in the grid, a contact follows the entry line's rules and defaults.
    void gridTypesLikeTheEntryLine()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AAA", "47", "09:10:00");
        auto editCell = [&](int row, int col, const std::function<void(QWidget*)>& type) {
            // A double click opens the cell's editor (F2 is a memory key here).
            t.w->LogGrid->setFocus();
            const QModelIndex cell = t.w->LogModel->index(row, col);
            t.w->LogGrid->scrollTo(cell);
            const QPoint at = t.w->LogGrid->visualRect(cell).center();
            QTest::mouseClick(t.w->LogGrid->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(t.w->LogGrid->viewport(), Qt::LeftButton, {}, at);
            QWidget* editor = QApplication::focusWidget();
            QVERIFY(editor && editor != t.w->LogGrid && t.w->LogGrid->isAncestorOf(editor));
            type(editor);
            QTest::keyClick(editor, Qt::Key_Return);
        };
        // The time typed over digit by digit, whole.
        editCell(0, 1, [](QWidget* e) { QTest::keyClicks(e, "101500"); });
        // The mode chosen, not typed.
        editCell(0, 3, [](QWidget* e) {
            QVERIFY(qobject_cast<QComboBox*>(e));
            QTest::keyClick(e, Qt::Key_Down);
        });
        // A new row: the call in capitals; what is not typed comes from the line.
        QTest::keyClick(t.w->LogGrid, Qt::Key_Insert);
        editCell(1, 2, [](QWidget* e) { QTest::keyClicks(e, "q1bbb"); });
        editCell(1, 7, [](QWidget* e) { QTest::keyClicks(e, "47"); });
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(0, 0));  // leaving the rows writes them
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 0);
        const auto log = stored(t.logPath());
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0].utc, QString("10:15:00"));
        QCOMPARE(log[0].mode, QString("SSB"));
        QCOMPARE(log[1].call, QString("Q1BBB"));
        QCOMPARE(log[1].mode, t.w->cbMode->currentText());
        QVERIFY(!log[1].utc.isEmpty());
        QCOMPARE(log[1].multiP.toInt(), 47);  // 47 is worked in SSB only
        QCOMPARE(t.status(), QString("2  zvez !"));
        // A row the line would refuse is refused with the line's words, and not stored.
        QTest::keyClick(t.w->LogGrid, Qt::Key_Insert);
        editCell(2, 2, [](QWidget* e) { QTest::keyClicks(e, "Q1CCC"); });
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(0, 0));
        QCOMPARE(t.dlg.last().text, QString("Zveza brez znaka ali letnice ni shranjena !"));
        QCOMPARE(stored(t.logPath()).size(), 2);
    }

    void gridDeleteTakesTheHourCountAlong()
    {
        Window t;
        t.newLog(t.logPath());
        t.enter("Q1AAA", "47", "09:10:00");
        t.enter("Q1BBB", "48", "10:10:00");
        QCOMPARE(t.rateLabels(), (QStringList{"1", "1", "1"}));
        t.w->LogGrid->setFocus();
        t.w->LogGrid->setCurrentIndex(t.w->LogModel->index(1, 2));
        t.dlg.answerMessage(mrOk);
        QTest::keyClick(t.w->LogGrid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(t.rateLabels(), (QStringList{"1", "0", QString("0") + QLocale().decimalPoint() + "5"}));
        QCOMPARE(t.status(), QString("1  zvez !"));
        QCOMPARE(t.scoreLabels(), (QStringList{"2", "1", "0", "0", "2", "1", "2"}));
    }
};

QTEST_MAIN(SessionWindowTest)
#include "session_window_test.moc"

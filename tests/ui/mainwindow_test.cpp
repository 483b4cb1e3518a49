// The main window as it stands after start-up, and the default error display.
#include "WindowFixture.h"

#include "ui/base/CMEnable.h"
#include "ui/SizingFrame.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QTableView>
#include <QToolButton>
#include <QSignalSpy>

using namespace zox;
using zox::test::Window;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void folderTable_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("prog");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("txt");
        QTest::newRow("folder") << "/opt/Contest" << "/opt/Contest/" << "/opt/Contest/Data/" << "/opt/Contest/Txt/";
        QTest::newRow("trailing separator") << "/opt/Contest/" << "/opt/Contest/" << "/opt/Contest/Data/" << "/opt/Contest/Txt/";
        QTest::newRow("root folder") << "/" << "/" << "/Data/" << "/Txt/";
    }
    void folderTable()
    {
        QFETCH(QString, program);
        QFETCH(QString, prog);
        QFETCH(QString, data);
        QFETCH(QString, txt);
        const TDir saved = Dir;
        BuildFolderTable(program);
        QCOMPARE(Dir.Prog, prog);
        QCOMPARE(Dir.Data, data);
        QCOMPARE(Dir.Txt, txt);
        QCOMPARE(Dir.Help, prog + "Help/");
        QCOMPARE(Dir.Wav, prog + "Wav/");
        QCOMPARE(Dir.User, prog + "User");
        QCOMPARE(Dir.Cabrillo, prog + "Cabrillo/");
        Dir = saved;
    }

    void startsWithNoLogOpen()
    {
        Window t;
        QCOMPARE(t.w->windowTitle(), QString("Zox prvenstvo "));
        QCOMPARE(t.w->InfoLabel->text(), QString("No table Open !"));
        QCOMPARE(t.scoreLabels(), QStringList(7, "0"));
        QCOMPARE(t.rateLabels(), QStringList(3, "0"));
        QCOMPARE(DataFolder, Dir.Data);
        QCOMPARE(BandText, QString("160"));
        QCOMPARE(t.w->cbMode->currentText(), QString("CW"));
        QCOMPARE(t.w->cbBand->currentText(), QString("160"));
        QCOMPARE(t.w->edDate->date(), QDate::currentDate());
        QVERIFY(!LogOpen);
        QVERIFY(!t.w->QsoMenu->isEnabled());
        QVERIFY(!t.w->SpeedItem9->isEnabled());
        QVERIFY(!t.w->DBNavigator1->isEnabled());
        QVERIFY(!t.w->FButtons[0]->isEnabled());
        QVERIFY(t.w->DbBar->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(t.w->edCall));
        QCOMPARE(t.dlg.count(), 0);
    }

    void regionsStandInOrder()
    {
        Window t;
        QStringList menus;
        for (QAction* a : t.w->menuBar()->actions()) menus << a->text().remove('&');
        QCOMPARE(menus, (QStringList{"Datoteka", "Urejanje", "Qso", "Taster", "Pomoč"}));
        QVERIFY(t.w->SpeedBar1->geometry().bottom() < t.w->DbBar->geometry().top());
        const auto mapY = [&](QWidget* x) { return x->mapTo(t.w.get(), QPoint(0, 0)).y(); };
        QVERIFY(mapY(t.w->DbBar) < mapY(t.w->Panel1));
        QVERIFY(mapY(t.w->Panel1) < mapY(t.w->LogGrid));
        QCOMPARE(t.w->Panel1->height(), 207);
        QCOMPARE(t.w->Statistika->title(), QString("Statistika"));
        // Tab order of the entry line: the received report comes last, after "Počisti".
        QList<QWidget*> order{t.w->edDate, t.w->edUtc, t.w->cbMode, t.w->cbBand, t.w->edRstS, t.w->edMyMulti,
                              t.w->edCall, t.w->edHisMulti, t.w->Button1, t.w->Button2, t.w->edRstR};
        QWidget* w = t.w->edDate;
        for (int i = 1; i < order.size(); ++i) {
            do w = w->nextInFocusChain(); while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || w->focusProxy());
            QCOMPARE(w->objectName(), order[i]->objectName());
        }
        // Grid columns: Vexa and Contest have none.
        QStringList titles;
        for (int c = 0; c < t.w->LogModel->columnCount(); ++c)
            titles << t.w->LogModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(titles, (QStringList{"Datum", "Utc", "Znak", "Vrsta oddaje", "Band", "Oddan Rst", "Sprejet Rst",
                                      "Letnica", "Množ", "Točke"}));
    }

    void keyerMenuKeysBringTheMemoryKeysInStep()
    {
        Window t;  // the keyer starts on, the memory keys disabled
        QSignalSpy sent3(t.w->SendMemory[2], &QAction::triggered);
        QVERIFY(t.w->KeyerOn);
        QVERIFY(!t.w->FButtons[2]->isEnabled());
        // The first F-key enables the buttons and sends at once.
        QTest::keyClick(t.w->edCall, Qt::Key_F3);
        QCOMPARE(sent3.count(), 1);
        QVERIFY(t.w->FButtons[2]->isEnabled());
        QVERIFY(t.w->SendMemory[7]->isEnabled());
        // Keyer off: F3 finds the group disabled and runs nothing.
        t.w->Keyer1->trigger();
        QTest::keyClick(t.w->edCall, Qt::Key_F3);
        QCOMPARE(sent3.count(), 1);
        QVERIFY(!t.w->FButtons[2]->isEnabled());
        // Opening the menu follows the flag.
        t.w->KeyerOn = true;
        emit t.w->Taster->aboutToShow();
        QVERIFY(t.w->FButtons[0]->isEnabled());
        t.w->KeyerOn = false;
        emit t.w->Taster->aboutToShow();
        QVERIFY(!t.w->FButtons[0]->isEnabled());
        QVERIFY(!t.w->SendMemory[0]->isEnabled());
        QVERIFY(t.w->DbBar->isEnabled());  // the other groups are untouched
    }

    void ctrlClickSizesAControl()
    {
        Window t;
        const QRect design = t.w->edCall->geometry();
        QTest::mouseClick(t.w->edCall, Qt::LeftButton, Qt::ControlModifier, QPoint(5, 5));
        auto* frame = t.w->Panel1->findChild<TSizingFrame*>("SizingFrame");
        QVERIFY(frame);
        QCOMPARE(frame->geometry(), design.adjusted(-2, -2, 2, 2));
        QCOMPARE(frame->handleAt(QPoint(1, 1)), 0);
        const QPoint corner(frame->width() - 3, frame->height() - 3);
        QCOMPARE(frame->handleAt(corner), 4);
        // Drag the bottom-right handle: the call field grows with the frame.
        QTest::mousePress(frame, Qt::LeftButton, Qt::NoModifier, corner);
        QMouseEvent move(QEvent::MouseMove, QPointF(corner + QPoint(40, 10)), frame->mapToGlobal(QPointF(corner + QPoint(40, 10))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &move);
        QTest::mouseRelease(frame, Qt::LeftButton, Qt::NoModifier, corner + QPoint(40, 10));
        QCOMPARE(t.w->edCall->geometry(), design.adjusted(0, 0, 40, 10));
        QCOMPARE(t.w->edCall->geometry(), frame->geometry().adjusted(2, 2, -2, -2));
        // Dragging inside the frame moves the control.
        const QPoint mid(frame->width() / 3, frame->height() / 2 + 1);
        QTest::mousePress(frame, Qt::LeftButton, Qt::NoModifier, mid);
        QMouseEvent move2(QEvent::MouseMove, QPointF(mid + QPoint(7, 3)), frame->mapToGlobal(QPointF(mid + QPoint(7, 3))),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &move2);
        QTest::mouseRelease(frame, Qt::LeftButton, Qt::NoModifier, mid + QPoint(7, 3));
        QCOMPARE(t.w->edCall->pos(), design.topLeft() + QPoint(7, 3));
        // Losing the focus removes the frame; the control keeps its place.
        QPointer<TSizingFrame> gone(frame);
        t.w->edHisMulti->setFocus();
        QTRY_VERIFY(!gone);
        QCOMPARE(t.w->edCall->pos(), design.topLeft() + QPoint(7, 3));
        // A plain click makes no frame; nothing is stored for the next start.
        QTest::mouseClick(t.w->edHisMulti, Qt::LeftButton);
        QVERIFY(!t.w->Panel1->findChild<TSizingFrame*>("SizingFrame"));
        t.w->close();
        t.w = std::make_unique<TMainFrm>();
        t.w->show();
        QCOMPARE(t.w->edCall->geometry(), design);
    }

    void ownMultiplierButton()
    {
        Window t;
        UserInfo.User.Multi = "61";
        t.dlg.answerStandardInput("75");
        t.w->edMyMultiButton->click();
        QCOMPARE(t.dlg.last().title, QString("New multplier"));
        QCOMPARE(t.dlg.last().text, QString("Type your multiplier"));
        QCOMPARE(t.dlg.last().value, QString("61"));
        QCOMPARE(UserInfo.User.Multi, QString("75"));
        QCOMPARE(t.w->edMyMulti->text(), QString("75"));
        t.dlg.cancelStandardInput();
        t.w->edMyMultiButton->click();
        QCOMPARE(t.w->edMyMulti->text(), QString("75"));
    }

    void engineErrorsReachTheErrorDisplay()
    {
        Window t;
        // A log in a folder that does not exist cannot be created.
        t.newLog(Dir.Data + "missing/folder/x.DAT");
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 1);
        QVERIFY(t.dlg.last().text.contains("x.DAT"));
        QVERIFY(!LogOpen);
        // The program goes on: a proper log opens afterwards.
        t.newLog(t.logPath());
        QVERIFY(LogOpen);
        QCOMPARE(t.w->windowTitle(), "Zox prvenstvo " + t.logPath());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

// The "Multipliers" window over a real year-number list, driven through its
// buttons, its grid and its real dialogs.

#include "TestDir.h"
#include "letnice/uAddEditMulti.h"
#include "letnice/uFindMulti.h"
#include "letnice/uMultiWnd.h"
#include "ui/base/TableModel.h"
#include "log/uData.h"
#include "ui/base/ScriptedDialogs.h"

#include <QtTest>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>

#include <functional>
#include <memory>

using namespace zox;
using storage::Table;
using Q = ScriptedDialogs::Question;

namespace {

// Works every modal dialog the window opens while it is in scope, and counts them.
// A dialog the action leaves open is closed after a few seconds, so a fault shows
// as a failed check rather than a hung test.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(QDialog*)> action) : m_action(std::move(action))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible() || d == m_last) return;
            m_last = d;
            ++m_seen;
            QPointer<QDialog> guard(d);
            QTimer::singleShot(3000, d, [guard] {
                if (guard && guard->isVisible()) guard->reject();
            });
            QTest::qWait(0);
            m_action(d);
        });
        m_timer.start();
    }
    int seen() const { return m_seen; }

private:
    QTimer m_timer;
    std::function<void(QDialog*)> m_action;
    QPointer<QDialog> m_last;
    int m_seen = 0;
};

// Replaces a line edit's text the way an operator does: select all, type.
void retype(QLineEdit* e, const QString& text)
{
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, text);
}

bool near(QPoint a, QPoint b) { return (a - b).manhattanLength() <= 2; }

const QList<std::pair<QString, QString>> kEntries{{"S50A", "55"}, {"S51B", "69"}, {"S52C", "73"}, {"S53D", "80"}};

}  // namespace

class MultiWndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempFolder> tmp;
    std::unique_ptr<Table> table;
    std::unique_ptr<QWidget> mainWnd;
    TMultiWnd* w = nullptr;
    std::unique_ptr<ScriptedDialogs> dlg;

    QString listPath() const { return tmp->path("S5_Letnice.dat"); }

    // The stored list, read through a cursor of its own.
    QMap<QString, QString> stored() const
    {
        Table t;
        t.setTableName(listPath());
        t.open();
        QMap<QString, QString> out;
        t.scan([&](Table& r) { out[r.field("Znak").toString()] = r.field("Letnica").toString(); });
        return out;
    }
    QMap<QString, QString> original() const
    {
        QMap<QString, QString> m;
        for (auto& [c, y] : kEntries) m[c] = y;
        return m;
    }
    QString current() const { return table->field("Znak").toString(); }
    QString gridCurrent() const
    {
        const QModelIndex i = w->MultiGrid->currentIndex();
        return i.isValid() ? w->MultiModel->index(i.row(), 0).data().toString() : QString();
    }
    int rowOf(const QString& call) const
    {
        for (int r = 0; r < w->MultiModel->rowCount(); ++r)
            if (w->MultiModel->index(r, 0).data().toString() == call) return r;
        return -1;
    }
    void goTo(const QString& call)
    {
        QVERIFY(table->findKey({call}));
        QCoreApplication::processEvents();
        QCOMPARE(gridCurrent(), call);
    }
    void clickCell(int row, int col)
    {
        const QRect r = w->MultiGrid->visualRect(w->MultiModel->index(row, col));
        QTest::mouseClick(w->MultiGrid->viewport(), Qt::LeftButton, {}, r.center());
    }

private slots:
    void init()
    {
        // Any warning of the view or the models is a fault; the offscreen platform's
        // own notices are not.
        QTest::failOnWarning(QRegularExpression("^(?!This plugin does not support).*"));
        tmp = std::make_unique<test::TempFolder>();
        TDataFrm::CreateLetniceTable(listPath());
        table = std::make_unique<Table>();
        table->setTableName(listPath());
        table->open();
        for (auto& [call, year] : kEntries) {
            table->insert();
            table->setField("Znak", call);
            table->setField("Letnica", year);
            table->post();
        }
        table->first();

        mainWnd = std::make_unique<QWidget>();
        mainWnd->setGeometry(10, 10, 500, 400);
        mainWnd->show();
        QVERIFY(QTest::qWaitForWindowExposed(mainWnd.get()));
        w = new TMultiWnd(mainWnd.get(), *table);
        QVERIFY(!w->isVisible());
        w->move(520, 40);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->activateWindow();
        dlg = std::make_unique<ScriptedDialogs>();
    }

    void cleanup()
    {
        dlg.reset();
        delete w;
        w = nullptr;
        mainWnd.reset();
        table.reset();
        tmp.reset();
    }

    void windowShape()
    {
        QCOMPARE(w->windowTitle(), QString("Multipliers"));
        QVERIFY(w->windowFlags() & Qt::Tool);
        QCOMPARE(w->size(), QSize(305, 217));
        QCOMPARE(w->MultiModel->rowCount(), 4);
        QCOMPARE(w->MultiModel->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Znak"));
        QCOMPARE(w->MultiModel->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Letnica"));
        QCOMPARE(gridCurrent(), QString("S50A"));
        // Every button sits inside the window, left to right in this order.
        QList<QWidget*> order;
        for (auto* b : w->NavButtons) order << b;
        order << w->SpeedItem3 << w->SpeedItem6 << w->SpeedItem10 << w->SpeedItem4 << w->SpeedItem5;
        int x = -1;
        for (QWidget* b : order) {
            const QRect r(b->mapTo(w, QPoint(0, 0)), b->size());
            QVERIFY2(w->rect().contains(r), qPrintable(b->objectName()));
            QVERIFY(r.left() > x);
            x = r.left();
        }
        QCOMPARE(w->SpeedItem3->toolTip(), QString("Find..."));
    }

    void navigatorAndGrid()
    {
        const QStringList expected{"S50A", "S51B", "S52C", "S51B", "S53D", "S50A"};
        const int presses[] = {0, 2, 2, 1, 3, 0};
        for (int i = 0; i < 6; ++i) {
            QTest::mouseClick(w->NavButtons[presses[i]], Qt::LeftButton);
            QCOMPARE(current(), expected[i]);
            QCOMPARE(gridCurrent(), expected[i]);
        }
        // And the other way: a row picked in the grid becomes the current entry.
        clickCell(rowOf("S52C"), 1);
        QCOMPARE(current(), QString("S52C"));
        QCOMPARE(dlg->count(), 0);
    }

    void closeKeepsPositionAndCursor()
    {
        goTo("S52C");
        w->move(600, 120);
        QCoreApplication::processEvents();
        const QPoint pos = w->pos();
        QTest::mouseClick(w->SpeedItem5, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(current(), QString("S52C"));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->pos(), pos);
        QCOMPARE(gridCurrent(), QString("S52C"));
    }

    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("expectCurrent");
        QTest::addColumn<QString>("expectMessage");
        QTest::newRow("found, typed in lower case") << "s52c" << true << "S52C" << "";
        QTest::newRow("not found") << "s5zz" << true << "S51B" << "S5ZZ ne najdem !";
        QTest::newRow("not found, part of a call") << "s5" << true << "S51B" << "S5 ne najdem !";
        QTest::newRow("cancelled") << "s52c" << false << "S51B" << "";
    }
    void find()
    {
        QFETCH(QString, typed);
        QFETCH(bool, confirm);
        QFETCH(QString, expectCurrent);
        QFETCH(QString, expectMessage);
        goTo("S51B");
        DialogDriver drive([&](QDialog* d) {
            auto* f = qobject_cast<TFindMultiFrm*>(d);
            QVERIFY(f);
            QCOMPARE(f->windowTitle(), QString("Find..."));
            QCOMPARE(f->Label1->text(), QString("Call to find..."));
            QVERIFY(near(f->frameGeometry().center(), mainWnd->frameGeometry().center()));
            QTest::keyClicks(f->edCall, typed);
            QCOMPARE(f->edCall->text(), typed.toUpper());
            QTest::keyClick(f->edCall, confirm ? Qt::Key_Return : Qt::Key_Escape);
        });
        QTest::mouseClick(w->SpeedItem3, Qt::LeftButton);
        QCOMPARE(drive.seen(), 1);
        QCOMPARE(current(), expectCurrent);
        QCOMPARE(gridCurrent(), expectCurrent);
        if (expectMessage.isEmpty()) {
            QCOMPARE(dlg->count(), 0);
        } else {
            QCOMPARE(dlg->count(), 1);
            QCOMPARE(dlg->last().text, expectMessage);
            QCOMPARE(dlg->last().kind, int(mtInformation));
            QCOMPARE(dlg->last().buttons, int(mbOK));
        }
        QCOMPARE(stored(), original());
    }

    void add()
    {
        goTo("S53D");
        DialogDriver drive([&](QDialog* d) {
            auto* f = qobject_cast<TAddEditFrm*>(d);
            QVERIFY(f);
            QCOMPARE(f->windowTitle(), QString("Add Call"));
            QCOMPARE(f->Label1->text(), QString("&Call"));
            QCOMPARE(f->Label2->text(), QString("&Multiplier"));
            QVERIFY(f->edCall->text().isEmpty() && f->edMulti->text().isEmpty());
            QVERIFY(near(f->frameGeometry().center(), f->screen()->availableGeometry().center()));
            QTest::keyClicks(f->edCall, "s51z");
            QTest::keyClicks(f->edMulti, "7a8");  // two characters at most
            QCOMPARE(f->edMulti->text(), QString("7A"));
            retype(f->edMulti, "77");
            QTest::keyClick(f->edMulti, Qt::Key_Return);
        });
        QTest::mouseClick(w->SpeedItem6, Qt::LeftButton);
        QCOMPARE(drive.seen(), 1);
        QCOMPARE(dlg->count(), 0);
        auto expected = original();
        expected["S51Z"] = "77";
        QCOMPARE(stored(), expected);
        // The new entry sorts between others; the cursor and the grid are on it.
        QCOMPARE(current(), QString("S51Z"));
        QCOMPARE(w->MultiModel->rowCount(), 5);
        QCOMPARE(gridCurrent(), QString("S51Z"));
        QCOMPARE(w->MultiGrid->currentIndex().row(), 2);
    }

    void addCancelled()
    {
        DialogDriver drive([&](QDialog* d) {
            auto* f = qobject_cast<TAddEditFrm*>(d);
            QVERIFY(f);
            QTest::keyClicks(f->edCall, "S59X");
            QTest::keyClicks(f->edMulti, "12");
            QTest::mouseClick(f->CancelBtn, Qt::LeftButton);
        });
        QTest::mouseClick(w->SpeedItem6, Qt::LeftButton);
        QCOMPARE(drive.seen(), 1);
        QCOMPARE(stored(), original());
        QCOMPARE(table->state(), Table::State::Browse);
    }

    void addDuplicate()
    {
        goTo("S52C");
        {
            DialogDriver drive([&](QDialog* d) {
                auto* f = qobject_cast<TAddEditFrm*>(d);
                QVERIFY(f);
                QTest::keyClicks(f->edCall, "S51B");
                QTest::keyClicks(f->edMulti, "11");
                QTest::keyClick(f->edMulti, Qt::Key_Return);
            });
            QTest::mouseClick(w->SpeedItem6, Qt::LeftButton);
            QCOMPARE(drive.seen(), 1);
        }
        QCOMPARE(dlg->count(), 1);
        QCOMPARE(dlg->last().question, Q::Error);
        QVERIFY2(dlg->last().text.contains("cannot add the record"), qPrintable(dlg->last().text));
        QCOMPARE(stored(), original());
        QCOMPARE(table->state(), Table::State::Browse);
        QCOMPARE(current(), QString("S52C"));
        QCOMPARE(w->MultiModel->rowCount(), 4);

        // The window goes on working.
        DialogDriver drive([&](QDialog* d) {
            auto* f = qobject_cast<TAddEditFrm*>(d);
            QVERIFY(f);
            QTest::keyClicks(f->edCall, "S54E");
            QTest::keyClicks(f->edMulti, "90");
            QTest::keyClick(f->edMulti, Qt::Key_Return);
        });
        QTest::mouseClick(w->SpeedItem6, Qt::LeftButton);
        QCOMPARE(drive.seen(), 1);
        QCOMPARE(dlg->count(), 1);
        QCOMPARE(stored().value("S54E"), QString("90"));
        QCOMPARE(gridCurrent(), QString("S54E"));
    }

    void edit_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void edit()
    {
        QFETCH(bool, confirm);
        goTo("S51B");
        DialogDriver drive([&](QDialog* d) {
            auto* f = qobject_cast<TAddEditFrm*>(d);
            QVERIFY(f);
            QCOMPARE(f->windowTitle(), QString("Edit..."));
            QCOMPARE(f->edCall->text(), QString("S51B"));
            QCOMPARE(f->edMulti->text(), QString("69"));
            QVERIFY(near(f->frameGeometry().center(), f->screen()->availableGeometry().center()));
            retype(f->edCall, "s55x");
            retype(f->edMulti, "70");
            if (confirm) QTest::keyClick(f->edCall, Qt::Key_Return);
            else QTest::mouseClick(f->CancelBtn, Qt::LeftButton);
        });
        QTest::mouseClick(w->SpeedItem4, Qt::LeftButton);
        QCOMPARE(drive.seen(), 1);
        QCOMPARE(dlg->count(), 0);
        QCOMPARE(table->state(), Table::State::Browse);
        auto expected = original();
        if (confirm) {
            expected.remove("S51B");
            expected["S55X"] = "70";
        }
        QCOMPARE(stored(), expected);
        const QString now = confirm ? "S55X" : "S51B";
        QCOMPARE(current(), now);
        QCOMPARE(gridCurrent(), now);
    }

    void editToTakenCall()
    {
        goTo("S51B");
        DialogDriver drive([&](QDialog* d) {
            auto* f = qobject_cast<TAddEditFrm*>(d);
            QVERIFY(f);
            retype(f->edCall, "S53D");
            QTest::keyClick(f->edCall, Qt::Key_Return);
        });
        QTest::mouseClick(w->SpeedItem4, Qt::LeftButton);
        QCOMPARE(drive.seen(), 1);
        QCOMPARE(dlg->count(Q::Error), 1);
        QCOMPARE(stored(), original());
        QCOMPARE(table->state(), Table::State::Browse);
        QCOMPARE(current(), QString("S51B"));
    }

    void deleteEntry_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << int(mrYes);
        QTest::newRow("No") << int(mrNo);
    }
    void deleteEntry()
    {
        QFETCH(int, answer);
        goTo("S51B");
        dlg->answerMessage(answer);
        QTest::mouseClick(w->SpeedItem10, Qt::LeftButton);
        QCOMPARE(dlg->count(), 1);
        QCOMPARE(dlg->last().text, QString("Brišem S51B ?"));
        QCOMPARE(dlg->last().kind, int(mtConfirmation));
        QCOMPARE(dlg->last().buttons, int(mbYesNo));
        auto expected = original();
        if (answer == mrYes) expected.remove("S51B");
        QCOMPARE(stored(), expected);
        const QString now = answer == mrYes ? "S52C" : "S51B";
        QCOMPARE(current(), now);
        QCOMPARE(gridCurrent(), now);
        QCOMPARE(w->MultiModel->rowCount(), expected.size());
    }

    void gridEdit_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expectCall");  // empty: refused
        QTest::addColumn<QString>("expectYear");
        QTest::newRow("year") << 1 << "12" << "S52C" << "12";
        QTest::newRow("call sign") << 0 << "S59Q" << "S59Q" << "73";
        QTest::newRow("call sign already listed") << 0 << "S50A" << "" << "";
    }
    void gridEdit()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, expectCall);
        QFETCH(QString, expectYear);
        clickCell(rowOf("S52C"), column);
        QCOMPARE(current(), QString("S52C"));
        QTest::keyClick(w->MultiGrid, Qt::Key_F2);
        auto* editor = w->MultiGrid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        retype(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::qWait(0);
        QCOMPARE(table->state(), Table::State::Browse);
        auto expected = original();
        if (expectCall.isEmpty()) {
            QTRY_COMPARE(dlg->count(Q::Error), 1);  // told from the event loop
            QCOMPARE(current(), QString("S52C"));
        } else {
            QCOMPARE(dlg->count(), 0);
            expected.remove("S52C");
            expected[expectCall] = expectYear;
            QCOMPARE(current(), expectCall);
        }
        QCOMPARE(stored(), expected);
        QTRY_COMPARE(gridCurrent(), current());
        QCOMPARE(w->MultiModel->index(rowOf(current()), 1).data().toString(), expected.value(current()));
    }

    void ctrlDelete_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("OK") << int(mrOk);
        QTest::newRow("Cancel") << int(mrCancel);
    }
    void ctrlDelete()
    {
        QFETCH(int, answer);
        clickCell(rowOf("S52C"), 0);
        dlg->answerMessage(answer);
        QTest::keyClick(w->MultiGrid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(dlg->count(), 1);
        QCOMPARE(dlg->last().text, QString("Delete record?"));
        QCOMPARE(dlg->last().buttons, int(mbOK | mbCancel));
        auto expected = original();
        if (answer == mrOk) expected.remove("S52C");
        QCOMPARE(stored(), expected);
        QCOMPARE(w->MultiModel->rowCount(), expected.size());
        QCOMPARE(gridCurrent(), current());
    }

    void closedListDoesNothing()
    {
        table->close();
        QCOMPARE(w->MultiModel->rowCount(), 0);
        DialogDriver drive([](QDialog* d) { d->reject(); });
        QList<QToolButton*> buttons = w->NavButtons;
        buttons << w->SpeedItem3 << w->SpeedItem6 << w->SpeedItem10 << w->SpeedItem4;
        for (auto* b : buttons) QTest::mouseClick(b, Qt::LeftButton);
        QTest::keyClick(w->MultiGrid, Qt::Key_Delete, Qt::ControlModifier);
        QTest::qWait(20);
        QCOMPARE(drive.seen(), 0);
        QCOMPARE(dlg->count(), 0);
        QVERIFY(!table->isOpen());
        QVERIFY(w->isVisible());

        // Opening the list again brings the grid back.
        table->open();
        QCOMPARE(w->MultiModel->rowCount(), 4);
        QCOMPARE(gridCurrent(), QString("S50A"));
        QCOMPARE(stored(), original());
    }
};

QTEST_MAIN(MultiWndTest)
#include "multiwnd_test.moc"

// The real message and input dialogs, worked through their buttons and keys.

#include "ModalHelper.h"
#include "ui/base/Dialogs.h"
#include "ui/base/MsgDlgSlo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <algorithm>

using namespace zox;
using zox::test::OnModal;
using zox::test::PressKey;

namespace {

// The dialog's buttons from left to right.
QList<QPushButton*> ButtonRow(QWidget* dlg)
{
    QList<QPushButton*> buttons = dlg->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    return buttons;
}

QPushButton* ButtonByText(QWidget* dlg, const QString& text)
{
    for (QPushButton* b : dlg->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Types like the operator, letters outside ASCII included.
void TypeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(w, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// One step of the operator: a key, "close" (the close box) or a button caption.
void Step(QWidget* dlg, const QString& step)
{
    if (step == "Enter")
        PressKey(dlg, Qt::Key_Return);
    else if (step == "Escape")
        PressKey(dlg, Qt::Key_Escape);
    else if (step == "close")
        dlg->close();
    else if (QPushButton* b = ButtonByText(dlg, step))
        QTest::mouseClick(b, Qt::LeftButton);
    else
        QFAIL(qPrintable("no button " + step));
}

struct Outcome {
    int result = -1;
    bool closedEarly = false;  // the dialog went away before the last step
};

// Shows a message through the program's own call and works it with `steps`.
Outcome RunMessage(const QString& text, int kind, int buttons, const QStringList& steps, int helpCtx = 0)
{
    Outcome out;
    OnModal([&](QWidget* dlg) {
        QPointer<QWidget> guard(dlg);
        for (int i = 0; i < steps.size(); ++i) {
            if (!guard || !guard->isVisible()) {
                out.closedEarly = true;
                return;
            }
            Step(dlg, steps[i]);
            QTest::qWait(0);
        }
    });
    out.result = ShowMessageDlg(text, kind, buttons, helpCtx);
    return out;
}

}  // namespace

class MsgDlgTest : public QObject {
    Q_OBJECT
private slots:
    void results_data();
    void results();
    void kindsGiveTitleAndIcon_data();
    void kindsGiveTitleAndIcon();
    void buttonsInFixedOrderWithFirstFocused();
    void helpButtonOpensItsContextAndStaysOpen();
    void oneWordStillFitsItsButtonRow();
    void longMessageWrapsAtHalfTheScreen();
    void textIsNeverMarkup();
    void fontFallsBackToAnInstalledOne();

    void askTextLetterCase_data();
    void askTextLetterCase();
    void askTextNotConfirmedKeepsValue_data();
    void askTextNotConfirmedKeepsValue();
    void askTextStartsSelectedAndConfirmsEmpty();
    void askTextAtMost255Characters();
};

void MsgDlgTest::results_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("expected");

    QTest::newRow("yes/no: Da") << mbYesNo << QStringList{"&Da"} << 6;
    QTest::newRow("yes/no: Ne") << mbYesNo << QStringList{"&Ne"} << 7;
    QTest::newRow("yes/no: Enter presses Da") << mbYesNo << QStringList{"Enter"} << 6;
    QTest::newRow("yes/no: Escape presses Ne") << mbYesNo << QStringList{"Escape"} << 7;
    QTest::newRow("yes/no: close box") << mbYesNo << QStringList{"close"} << 2;
    QTest::newRow("ok: V redu") << mbOKOnly << QStringList{"&V redu"} << 1;
    QTest::newRow("ok: Enter") << mbOKOnly << QStringList{"Enter"} << 1;
    QTest::newRow("ok: close box") << mbOKOnly << QStringList{"close"} << 2;
    // Escape must leave the dialog open; the close box then ends it.
    QTest::newRow("ok: Escape does nothing") << mbOKOnly << QStringList{"Escape", "close"} << 2;
    QTest::newRow("ok: Escape, then Enter") << mbOKOnly << QStringList{"Escape", "Enter"} << 1;
    QTest::newRow("ok/cancel: Escape presses Prekliči") << (mbOK | mbCancel) << QStringList{"Escape"} << 2;
    QTest::newRow("retry") << (mbAbort | mbRetry | mbIgnore) << QStringList{"P&onovi"} << 4;
    QTest::newRow("all") << (mbYes | mbAll) << QStringList{"V&se"} << 8;
}

void MsgDlgTest::results()
{
    QFETCH(int, buttons);
    QFETCH(QStringList, steps);
    QFETCH(int, expected);
    const Outcome out = RunMessage("Zveza S59ABC bo izbrisana !", mtWarning, buttons, steps);
    QVERIFY2(!out.closedEarly, "the dialog closed before the last step");
    QCOMPARE(out.result, expected);
}

void MsgDlgTest::kindsGiveTitleAndIcon_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("icon");
    QTest::newRow("warning") << int(mtWarning) << "Opozorilo" << true;
    QTest::newRow("error") << int(mtError) << "Napaka" << true;
    QTest::newRow("information") << int(mtInformation) << "Info" << true;
    QTest::newRow("confirmation") << int(mtConfirmation) << "Potrditev" << true;
    QTest::newRow("custom") << int(mtCustom) << "Zox test" << false;
}

void MsgDlgTest::kindsGiveTitleAndIcon()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(bool, icon);
    QGuiApplication::setApplicationDisplayName("Zox test");
    QString shownTitle;
    bool hasIcon = false;
    int textLeft = -1;
    OnModal([&](QWidget* dlg) {
        shownTitle = dlg->windowTitle();
        auto* image = dlg->findChild<QLabel*>("Image");
        hasIcon = image && !image->pixmap().isNull() && image->pixmap().width() == 32;
        textLeft = dlg->findChild<QLabel*>("Message")->x();
        dlg->close();
    });
    ShowMessageDlg("Ne najdem !", kind, mbOKOnly);
    QCOMPARE(shownTitle, title);
    QCOMPARE(hasIcon, icon);
    // The text stands right of the icon, or at the margin without one.
    QCOMPARE(textLeft > 32, icon);
}

void MsgDlgTest::buttonsInFixedOrderWithFirstFocused()
{
    QStringList captions;
    QString focused;
    bool oneRow = true;
    OnModal([&](QWidget* dlg) {
        const QList<QPushButton*> row = ButtonRow(dlg);
        for (QPushButton* b : row) {
            captions << b->text();
            oneRow = oneRow && b->y() == row.first()->y() && b->size() == row.first()->size() && b->icon().isNull();
        }
        if (auto* b = qobject_cast<QPushButton*>(QApplication::focusWidget()))
            focused = b->text();
        dlg->close();
    });
    // Every bit set, Help first in value order: the row order must not follow the bits.
    ShowMessageDlg("Vse tipke", mtConfirmation, 511);
    QCOMPARE(captions, (QStringList{"&Da", "&Ne", "&V redu", "&Prekliči", "P&rekini", "P&onovi", "Pre&zri", "V&se",
                                    "&Help"}));
    QVERIFY(oneRow);
    QCOMPARE(focused, QString("&Da"));
}

void MsgDlgTest::helpButtonOpensItsContextAndStaysOpen()
{
    QList<int> opened;
    SetHelpContextHandler([&](int ctx) { opened << ctx; });
    Outcome out = RunMessage("Pomoč", mtInformation, mbOK | mbHelp, {"&Help", "&V redu"}, 42);
    QVERIFY(!out.closedEarly);
    QCOMPARE(out.result, 1);
    QCOMPARE(opened, QList<int>{42});

    out = RunMessage("Brez pomoči", mtInformation, mbOK | mbHelp, {"&Help", "&V redu"}, 0);
    QVERIFY(!out.closedEarly);
    QCOMPARE(opened, QList<int>{42});  // context 0 opens nothing
    SetHelpContextHandler(nullptr);
}

void MsgDlgTest::oneWordStillFitsItsButtonRow()
{
    for (int kind : {int(mtWarning), int(mtCustom)}) {
        std::unique_ptr<SloDialog> dlg = CreateMessageDialog("Da", kind, mbYesNo);
        dlg->show();
        const QList<QPushButton*> row = ButtonRow(dlg.get());
        QCOMPARE(row.size(), 2);
        const int leftGap = row.first()->x();
        const int rightGap = dlg->width() - row.last()->geometry().right() - 1;
        QVERIFY(leftGap > 0);
        QVERIFY(qAbs(leftGap - rightGap) <= 1);  // centred
        QVERIFY(row[1]->x() > row[0]->geometry().right());  // no overlap
        QVERIFY(row.first()->width() > QFontMetrics(row.first()->font()).horizontalAdvance("&Da"));
        // Nothing overlaps the text or sticks out below.
        auto* label = dlg->findChild<QLabel*>("Message");
        QVERIFY(row.first()->y() > label->geometry().bottom());
        QVERIFY(row.first()->geometry().bottom() < dlg->height());
    }
}

void MsgDlgTest::longMessageWrapsAtHalfTheScreen()
{
    const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
    std::unique_ptr<SloDialog> shortDlg = CreateMessageDialog("Ne najdem !", mtInformation, mbOKOnly);
    const QString longText = QString("Zveza S59ABC bo izbrisana ! ").repeated(20);
    std::unique_ptr<SloDialog> longDlg = CreateMessageDialog(longText, mtInformation, mbOKOnly);
    longDlg->show();

    auto* label = longDlg->findChild<QLabel*>("Message");
    const int lineHeight = QFontMetrics(label->font()).height();
    QVERIFY2(label->width() <= halfScreen, qPrintable(QString("%1 > %2").arg(label->width()).arg(halfScreen)));
    QVERIFY(label->width() > halfScreen * 3 / 4);   // it does use the width
    QVERIFY(label->height() >= 4 * lineHeight);     // many lines
    QVERIFY(label->heightForWidth(label->width()) <= label->height());  // nothing cut off
    QVERIFY(longDlg->height() > shortDlg->height() + 3 * lineHeight);
    QVERIFY(longDlg->width() < halfScreen + 100);
    QVERIFY(ButtonRow(longDlg.get()).first()->y() > label->geometry().bottom());

    // Fixed frame, centred on the screen.
    QCOMPARE(longDlg->minimumSize(), longDlg->maximumSize());
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    const QPoint off = longDlg->frameGeometry().center() - centre;  // the frame may add a few pixels
    QVERIFY(qAbs(off.x()) <= 4 && qAbs(off.y()) <= 4);
}

void MsgDlgTest::textIsNeverMarkup()
{
    std::unique_ptr<SloDialog> dlg = CreateMessageDialog("<b>a&b.DAT</b> Odpri datoteko !", mtWarning, mbOKOnly);
    auto* label = dlg->findChild<QLabel*>("Message");
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), QString("<b>a&b.DAT</b> Odpri datoteko !"));
}

void MsgDlgTest::fontFallsBackToAnInstalledOne()
{
    const QFont font = DialogFont();
    QCOMPARE(font.family(), QString("MS Sans Serif"));
    QCOMPARE(font.pointSize(), 8);
    QVERIFY(!QFontInfo(font).family().isEmpty());
    QVERIFY(QFontMetrics(font).horizontalAdvance("ABC") > 0);
}

void MsgDlgTest::askTextLetterCase_data()
{
    QTest::addColumn<int>("caseMode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("as typed") << 0 << "S59abc/p" << "S59abc/p";
    QTest::newRow("upper") << 1 << "s59abč/p" << "S59ABČ/P";
    QTest::newRow("lower") << 2 << "S59ABČ/P" << "s59abč/p";
}

void MsgDlgTest::askTextLetterCase()
{
    QFETCH(int, caseMode);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QString shown, title, prompt;
    OnModal([&](QWidget* dlg) {
        title = dlg->windowTitle();
        prompt = dlg->findChild<QLabel*>("Prompt")->text();
        auto* edit = dlg->findChild<QLineEdit*>("Edit");
        TypeText(QApplication::focusWidget(), typed);
        shown = edit->text();
        QTest::mouseClick(ButtonByText(dlg, "&V redu"), Qt::LeftButton);
    });
    QString value = "prej";
    const bool ok = AskText("Najdi znak", "Vpiši znak", value, caseMode);
    QVERIFY(ok);
    QCOMPARE(shown, expected);
    QCOMPARE(value, expected);
    QCOMPARE(title, QString("Najdi znak"));
    QCOMPARE(prompt, QString("Vpiši znak"));
}

void MsgDlgTest::askTextNotConfirmedKeepsValue_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("Prekliči") << "&Prekliči";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("close box") << "close";
}

void MsgDlgTest::askTextNotConfirmedKeepsValue()
{
    QFETCH(QString, step);
    OnModal([&](QWidget* dlg) {
        QTest::keyClicks(QApplication::focusWidget(), "s51xyz");
        Step(dlg, step);
    });
    QString value = "S59ABC";
    QVERIFY(!AskText("Znak", "Vpiši znak", value));
    QCOMPARE(value, QString("S59ABC"));
}

void MsgDlgTest::askTextStartsSelectedAndConfirmsEmpty()
{
    QString selected;
    bool editHasFocus = false;
    OnModal([&](QWidget* dlg) {
        auto* edit = dlg->findChild<QLineEdit*>("Edit");
        editHasFocus = QApplication::focusWidget() == edit;
        selected = edit->selectedText();
        PressKey(dlg, Qt::Key_Backspace);  // the selection goes
        PressKey(dlg, Qt::Key_Return);
    });
    QString value = "CQ TEST S59ABC";
    QVERIFY(AskText("Spomin F1", "Vpiši text", value));
    QVERIFY(editHasFocus);
    QCOMPARE(selected, QString("CQ TEST S59ABC"));
    QCOMPARE(value, QString());
}

void MsgDlgTest::askTextAtMost255Characters()
{
    OnModal([&](QWidget* dlg) {
        QTest::keyClicks(QApplication::focusWidget(), QString(300, 'e'));
        PressKey(dlg, Qt::Key_Enter);
    });
    QString value;
    QVERIFY(AskText("Spomin F2", "Vpiši text", value));
    QCOMPARE(value, QString(255, 'E'));
}

QTEST_MAIN(MsgDlgTest)
#include "msgdlg_test.moc"

// The operator dialog worked through its real fields, tabs and buttons, and the entry
// line's multiplier prompt answered through the scripted dialogs.

#include "uibase/ModalHelper.h"
#include "app/uGlob.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uUserDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

using namespace zox;
using zox::test::OnModal;
using Q = ScriptedDialogs::Question;

namespace {

// The ten fields as the operator sees them, in the order they are filled and stored.
struct Field {
    const char* page;
    const char* label;
    int width;
    QString& (*of)(TUserInfo&);
};
const Field Fields[] = {
    {"User", "Name", 150, [](TUserInfo& i) -> QString& { return i.User.FName; }},
    {"User", "Last name", 150, [](TUserInfo& i) -> QString& { return i.User.LName; }},
    {"User", "Address", 150, [](TUserInfo& i) -> QString& { return i.User.Addr; }},
    {"User", "City", 150, [](TUserInfo& i) -> QString& { return i.User.City; }},
    {"User", "Country", 150, [](TUserInfo& i) -> QString& { return i.User.Country; }},
    {"User", "Multiplier", 70, [](TUserInfo& i) -> QString& { return i.User.Multi; }},
    {"User", "Call", 70, [](TUserInfo& i) -> QString& { return i.User.Call; }},
    {"Rig", "Rig", 200, [](TUserInfo& i) -> QString& { return i.Rig.Type; }},
    {"Rig", "Power", 200, [](TUserInfo& i) -> QString& { return i.Rig.Power; }},
    {"Rig", "Antenna", 200, [](TUserInfo& i) -> QString& { return i.Rig.Antenna; }},
};

const QString Keep = QStringLiteral("<keep>");  // typed list: leave this field alone

TUserInfo Sample()
{
    TUserInfo info;
    info.User = {"Žan", "Novak", "Cesta 1", "Ljubljana", "Slovenija", "55", "s59abc"};  // case as typed
    info.Rig = {"FT-817", "5 W", "Dipol"};
    info.UserCountry = {"EU", "S5", "28", "15", "S5"};
    return info;
}

// Every field of the record, the group the dialog does not show included.
QStringList Values(const TUserInfo& i)
{
    return {i.User.FName, i.User.LName, i.User.Addr, i.User.City, i.User.Country, i.User.Multi, i.User.Call,
            i.Rig.Type, i.Rig.Power, i.Rig.Antenna, i.UserCountry.Country1, i.UserCountry.Country2,
            i.UserCountry.Country3, i.UserCountry.Country4, i.UserCountry.Country5};
}

QLabel* LabelNamed(QWidget* dlg, const QString& text)
{
    for (QLabel* l : dlg->findChildren<QLabel*>())
        if (l->text() == text && qobject_cast<QLineEdit*>(l->buddy()))
            return l;
    return nullptr;
}

// The edit under a label, found the way the operator finds it.
QLineEdit* EditLabelled(QWidget* dlg, const QString& text)
{
    QLabel* l = LabelNamed(dlg, text);
    return l ? qobject_cast<QLineEdit*>(l->buddy()) : nullptr;
}

QString LabelOf(QWidget* dlg, QWidget* edit)
{
    for (QLabel* l : dlg->findChildren<QLabel*>())
        if (edit && l->buddy() == edit)
            return l->text();
    return edit ? "(unlabelled " + edit->objectName() + ")" : "(nothing)";
}

QPushButton* ButtonByText(QWidget* dlg, const QString& text)
{
    for (QPushButton* b : dlg->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QStringList TabTitles(QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

// A click on the page's tab.
void ShowPage(QWidget* dlg, const QString& title)
{
    auto* tabs = dlg->findChild<QTabWidget*>();
    QVERIFY(tabs);
    const int index = static_cast<int>(TabTitles(tabs).indexOf(title));
    QVERIFY2(index >= 0, qPrintable("no page " + title));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
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

// Goes to the field, wipes it and types `text`.
void Retype(QWidget* dlg, const Field& f, const QString& text)
{
    ShowPage(dlg, f.page);
    QLineEdit* edit = EditLabelled(dlg, f.label);
    QVERIFY2(edit, f.label);
    QTest::mouseClick(edit, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeText(edit, text);
    QCOMPARE(edit->text(), text);
}

// Ends the dialog as the operator does: a button's caption, "Enter", "Escape" or "close".
void Finish(QWidget* dlg, const QString& how)
{
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = focus && dlg->isAncestorOf(focus) ? focus : dlg;
    if (how == "Enter")
        QTest::keyClick(target, Qt::Key_Return);
    else if (how == "Escape")
        QTest::keyClick(target, Qt::Key_Escape);
    else if (how == "close")
        dlg->close();
    else if (QPushButton* b = ButtonByText(dlg, how))
        QTest::mouseClick(b, Qt::LeftButton);
    else
        QFAIL(qPrintable("no button " + how));
}

struct Run {
    bool result = false;
    bool reached = false;  // the dialog was shown and worked
};

// Opens the dialog through the program's call, types `typed` (one entry per field, Keep
// to leave it) and ends it with `how`.
Run EditAndFinish(TUserInfo& info, const QStringList& typed, const QString& how)
{
    Run run;
    OnModal([&](QWidget* dlg) {
        for (size_t i = 0; i < std::size(Fields); ++i)
            if (typed.value(int(i), Keep) != Keep)
                Retype(dlg, Fields[i], typed[int(i)]);
        Finish(dlg, how);
        run.reached = true;
    });
    run.result = EditUserInfo(nullptr, info);
    return run;
}

const QStringList Typed = {"Žiga", "čadež", "Šolska ulica 5 ", "Šoštanj", "slovenija", "7a",
                           "s57đšč", "ft-817nd", "100 w", "inv. vee ž"};

}  // namespace

class UserDlgTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndFill();
    void tabOrder();
    void okStoresWhatWasTyped_data();
    void okStoresWhatWasTyped();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void myMultiPrompt_data();
    void myMultiPrompt();
};

void UserDlgTest::layoutAndFill()
{
    TUserInfo info = Sample();
    bool seen = false;
    OnModal([&](QWidget* dlg) {
        QCOMPARE(dlg->windowTitle(), QString("User info"));
        QCOMPARE(dlg->size(), QSize(399, 321));
        auto* tabs = dlg->findChild<QTabWidget*>();
        QVERIFY(tabs);
        QCOMPARE(TabTitles(tabs), QStringList({"User", "Rig"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->geometry(), QRect(0, 0, 399, 281));

        TUserInfo expected = Sample();
        for (const Field& f : Fields) {
            QLabel* label = LabelNamed(dlg, f.label);
            QVERIFY2(label, f.label);
            auto* edit = qobject_cast<QLineEdit*>(label->buddy());
            QCOMPARE(tabs->widget(int(TabTitles(tabs).indexOf(f.page)))->isAncestorOf(edit), true);
            QCOMPARE(edit->width(), f.width);
            QVERIFY2(label->geometry().bottom() < edit->y() && label->x() == edit->x(), f.label);  // over it
            QCOMPARE(edit->text(), f.of(expected));
        }
        QPushButton* ok = ButtonByText(dlg, "OK");
        QVERIFY(ok && ButtonByText(dlg, "Cancel"));
        QVERIFY(ok->isDefault());
        QVERIFY(ok->y() >= 281);
        seen = true;
        ButtonByText(dlg, "Cancel")->click();
    });
    QCOMPARE(EditUserInfo(nullptr, info), false);
    QVERIFY(seen);
}

void UserDlgTest::tabOrder()
{
    TUserInfo info = Sample();
    QStringList userPage, rigPage;
    OnModal([&](QWidget* dlg) {
        QWidget* start = QApplication::focusWidget();
        userPage << LabelOf(dlg, start);
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            userPage << LabelOf(dlg, QApplication::focusWidget());
        }
        ShowPage(dlg, "Rig");
        QTest::mouseClick(EditLabelled(dlg, "Rig"), Qt::LeftButton);
        rigPage << LabelOf(dlg, QApplication::focusWidget());
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            rigPage << LabelOf(dlg, QApplication::focusWidget());
        }
        Finish(dlg, "Escape");
    });
    QCOMPARE(EditUserInfo(nullptr, info), false);
    QCOMPARE(userPage, QStringList({"Name", "Last name", "Address", "City", "Country", "Multiplier", "Call"}));
    QCOMPARE(rigPage, QStringList({"Rig", "Power", "Antenna"}));
}

void UserDlgTest::okStoresWhatWasTyped_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("how");

    QTest::newRow("every field, OK button") << Typed << "OK";
    QTest::newRow("every field, Enter in the last") << Typed << "Enter";
    QTest::newRow("call emptied") << QStringList{Keep, Keep, Keep, Keep, Keep, Keep, ""} << "OK";
    QTest::newRow("nothing typed") << QStringList{} << "OK";
}

void UserDlgTest::okStoresWhatWasTyped()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, how);
    TUserInfo info = Sample();
    TUserInfo expected = Sample();
    for (size_t i = 0; i < std::size(Fields); ++i)
        if (typed.value(int(i), Keep) != Keep)
            Fields[i].of(expected) = typed[int(i)];

    const Run run = EditAndFinish(info, typed, how);
    QVERIFY(run.reached);
    QCOMPARE(run.result, true);
    QCOMPARE(Values(info), Values(expected));
}

void UserDlgTest::cancelChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "Cancel";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("close box") << "close";
}

void UserDlgTest::cancelChangesNothing()
{
    QFETCH(QString, how);
    TUserInfo info = Sample();
    const Run run = EditAndFinish(info, Typed, how);
    QVERIFY(run.reached);
    QCOMPARE(run.result, false);
    QCOMPARE(Values(info), Values(Sample()));
}

void UserDlgTest::myMultiPrompt_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");

    QTest::newRow("OK") << "55" << true << "69" << "69";
    QTest::newRow("OK keeps case and blanks") << "55" << true << " 7a " << " 7a ";
    QTest::newRow("OK with nothing") << "55" << true << "" << "";
    QTest::newRow("OK from empty") << "" << true << "72" << "72";
    QTest::newRow("Cancel") << "55" << false << "" << "55";
}

void UserDlgTest::myMultiPrompt()
{
    QFETCH(QString, start);
    QFETCH(bool, confirm);
    QFETCH(QString, answer);
    QFETCH(QString, expected);

    TUserInfo info = Sample();
    info.User.Multi = start;
    TUserInfo others = info;
    ScriptedDialogs dlg;
    if (confirm)
        dlg.answerStandardInput(answer);
    else
        dlg.cancelStandardInput();

    QCOMPARE(AskMyMulti(info), confirm);
    QCOMPARE(dlg.count(), 1);
    QCOMPARE(dlg.asked(0).question, Q::StandardInput);
    QCOMPARE(dlg.asked(0).title, QString("New multplier"));
    QCOMPARE(dlg.asked(0).text, QString("Type your multiplier"));
    QCOMPARE(dlg.asked(0).value, start);
    QCOMPARE(dlg.unanswered(), 0);
    QCOMPARE(info.User.Multi, expected);
    others.User.Multi = expected;
    QCOMPARE(Values(info), Values(others));
}

QTEST_MAIN(UserDlgTest)
#include "userdlg_test.moc"

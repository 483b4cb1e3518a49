// Control groups: switched by name, whatever the letter case, across widgets and menu items.

#include "ui/base/CMEnable.h"

#include <QAction>
#include <QPushButton>
#include <QToolBar>
#include <QWidget>
#include <QtTest>

#include <memory>

using namespace zox;

namespace {

QColor Background(const QWidget* w) { return w->palette().color(QPalette::Active, w->backgroundRole()); }

// A small window with the main window's three groups.
struct Window {
    QWidget window;
    QPushButton* f1 = new QPushButton("F1", &window);
    QPushButton* f2 = new QPushButton("F2", &window);
    QAction* memory1 = new QAction("Prvi spomin", &window);
    QPushButton* navigator = new QPushButton("DBNavigator1", &window);
    QAction* speed7 = new QAction("SpeedItem7", &window);
    QToolBar* dbBar = new QToolBar(&window);
    TCMEnabler enabler;

    Window()
    {
        enabler.Add(memory1, "FGrup");
        enabler.Add(f1, "FGrup");
        enabler.Add(f2, "FGrup");
        enabler.Add(navigator, "Db");
        enabler.Add(speed7, "Db");
        enabler.Add(dbBar, "Keyer");
    }
    // Enabled states in the order fgrup (memory1, f1, f2), db (navigator, speed7), keyer.
    QList<bool> states() const
    {
        return {memory1->isEnabled(), f1->isEnabled(), f2->isEnabled(), navigator->isEnabled(), speed7->isEnabled(),
                dbBar->isEnabled()};
    }
};

const QList<bool> AllOn{true, true, true, true, true, true};
const QList<bool> FGrupOff{false, false, false, true, true, true};
const QList<bool> DbOff{true, true, true, false, false, true};

}  // namespace

class CMEnableTest : public QObject {
    Q_OBJECT
private slots:
    void groupNamesIgnoreCase_data();
    void groupNamesIgnoreCase();
    void allEnabledSwitchesEveryGroup();
    void destroyedControlLeavesItsGroup();
    void coloursRememberedAndRestored();
    void withoutDisableColourNothingChangesColour();
    void objectWithoutEnabledIsSkipped();
};

void CMEnableTest::groupNamesIgnoreCase_data()
{
    QTest::addColumn<QString>("disableAs");
    QTest::addColumn<QString>("enableAs");
    QTest::addColumn<QList<bool>>("disabled");
    QTest::newRow("FGrup / FGrup") << "FGrup" << "FGrup" << FGrupOff;
    QTest::newRow("Fgrup / FGRUP") << "Fgrup" << "FGRUP" << FGrupOff;
    QTest::newRow("fgrup / fGrUp") << "fgrup" << "fGrUp" << FGrupOff;
    QTest::newRow("db / DB") << "db" << "DB" << DbOff;
    QTest::newRow("unknown group") << "Nič" << "nič" << AllOn;
}

void CMEnableTest::groupNamesIgnoreCase()
{
    QFETCH(QString, disableAs);
    QFETCH(QString, enableAs);
    QFETCH(QList<bool>, disabled);
    Window w;
    w.enabler.SetAllEnabled(true);
    QCOMPARE(w.states(), AllOn);
    w.enabler.DisableGroup(disableAs);
    QCOMPARE(w.states(), disabled);
    w.enabler.EnableGroup(enableAs);
    QCOMPARE(w.states(), AllOn);
}

void CMEnableTest::allEnabledSwitchesEveryGroup()
{
    Window w;
    w.enabler.SetAllEnabled(false);
    QVERIFY(!w.enabler.AllEnabled());
    QCOMPARE(w.states(), (QList<bool>{false, false, false, false, false, false}));
    w.enabler.SetAllEnabled(true);
    QVERIFY(w.enabler.AllEnabled());
    QCOMPARE(w.states(), AllOn);
}

void CMEnableTest::destroyedControlLeavesItsGroup()
{
    Window w;
    QCOMPARE(w.enabler.ActionItems().size(), size_t(6));
    delete w.f1;
    delete w.memory1;
    QCOMPARE(w.enabler.ActionItems().size(), size_t(4));
    for (const TCMEnablerItem& item : w.enabler.ActionItems())
        QVERIFY(item.Component() != nullptr);

    w.enabler.DisableGroup("FGrup");
    QVERIFY(!w.f2->isEnabled());
    QVERIFY(w.navigator->isEnabled());
    w.enabler.EnableGroup("fgrup");
    QVERIFY(w.f2->isEnabled());

    // A component destroyed after the enabler is gone must not reach back into it.
    auto late = std::make_unique<QPushButton>("F8");
    {
        TCMEnabler shortLived;
        shortLived.Add(late.get(), "FGrup");
    }
    late.reset();
}

void CMEnableTest::coloursRememberedAndRestored()
{
    Window w;
    QPalette p = w.dbBar->palette();
    p.setColor(w.dbBar->backgroundRole(), QColor(255, 0, 0));
    w.dbBar->setPalette(p);
    TCMEnabler enabler;
    enabler.SetUseDisableColor(true);
    QCOMPARE(enabler.DisabledColor(), QColor(192, 192, 192));
    enabler.Add(w.dbBar, "Keyer");
    enabler.Add(w.speed7, "Keyer");  // a menu item has no colour and keeps none
    QCOMPARE(enabler.ActionItems()[0].Color(), QColor(255, 0, 0));

    enabler.DisableGroup("Keyer");
    QCOMPARE(Background(w.dbBar), QColor(192, 192, 192));
    QVERIFY(!w.speed7->isEnabled());
    // Disabled twice (the "Taster" menu re-applies the state): the own colour survives.
    enabler.DisableGroup("keyer");
    enabler.EnableGroup("Keyer");
    QCOMPARE(Background(w.dbBar), QColor(255, 0, 0));
    QVERIFY(w.dbBar->isEnabled());
    QVERIFY(w.speed7->isEnabled());

    enabler.SetDisabledColor(QColor(0, 0, 128));
    enabler.SetAllEnabled(false);
    QCOMPARE(Background(w.dbBar), QColor(0, 0, 128));
    enabler.SetAllEnabled(true);
    QCOMPARE(Background(w.dbBar), QColor(255, 0, 0));
}

void CMEnableTest::withoutDisableColourNothingChangesColour()
{
    Window w;
    const QColor own = Background(w.f1);
    w.enabler.SetUseDisableColor(false);
    w.enabler.DisableGroup("FGrup");
    QVERIFY(!w.f1->isEnabled());
    QCOMPARE(Background(w.f1), own);
}

void CMEnableTest::objectWithoutEnabledIsSkipped()
{
    QObject plain;
    QPushButton button;
    TCMEnabler enabler;
    enabler.Add(&plain, "Db");
    enabler.Add(nullptr, "Db");
    enabler.Add(&button, "Db");
    enabler.DisableGroup("Db");
    QVERIFY(!button.isEnabled());
    QVERIFY(!plain.property("enabled").isValid());  // no dynamic property made up
    enabler.EnableGroup("Db");
    QVERIFY(button.isEnabled());
}

QTEST_MAIN(CMEnableTest)
#include "cmenable_test.moc"

// The keyer settings dialog, worked through its real widgets.

#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "keyer/CwKeyerSetup.h"
#include "keyer/KeyerPlatform.h"
#include "uibase/ModalHelper.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using namespace zox;
using zox::test::OnModal;
using zox::test::PressKey;

namespace {

TSetupFrm* Frm(QWidget* w)
{
    auto* frm = qobject_cast<TSetupFrm*>(w);
    if (!frm) qWarning("the modal window is not the settings dialog");
    return frm;
}

QRadioButton* LptChoice(TSetupFrm* frm, const QString& caption)
{
    for (QRadioButton* r : frm->rgLpt->findChildren<QRadioButton*>())
        if (r->text() == caption) return r;
    return nullptr;
}

// Replaces a field's text as the operator does: select all, type.
void Type(QWidget* field, const QString& text)
{
    field->setFocus();
    if (auto* spin = qobject_cast<QSpinBox*>(field))
        spin->selectAll();
    else if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// A click on a check box's or radio button's caption (a wide button only
// reacts on its indicator and text).
void ClickCaption(QAbstractButton* button)
{
    const QPoint onText(std::min(button->sizeHint().width(), button->width()) / 2, button->height() / 2);
    QTest::mouseClick(button, Qt::LeftButton, {}, onText);
}

void ShowPage(TSetupFrm* frm, int index)
{
    QTabBar* bar = frm->Pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

}  // namespace

class SetupDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void hasItsPagesAndControls();
    void fillsFromTheKeyer();
    void okTakesTheValuesOver();
    void otherWaysOutDiscard_data();
    void otherWaysOutDiscard();
    void numbersReadAsNumberFields_data();
    void numbersReadAsNumberFields();
    void keyerHelpWhileOpen();

private:
    TVirtualKeyerPlatform clock;
    std::unique_ptr<TCwKeyer> keyer;
    QStringList helpFiles;
    QStringList helpShown;
};

void SetupDialogTest::init()
{
    BuildFolderTable(QStringLiteral("/opt/zox"));
    keyer = std::make_unique<TCwKeyer>(&clock);
    helpFiles.clear();
    helpShown.clear();
    KeyerSetupHelp().SetHelpFile = [this](const QString& file) { helpFiles << file; };
    KeyerSetupHelp().ShowContents = [this] { helpShown << helpFiles.value(helpFiles.size() - 1); };
}

void SetupDialogTest::cleanup()
{
    KeyerSetupHelp() = {};
    keyer.reset();
}

void SetupDialogTest::hasItsPagesAndControls()
{
    TSetupFrm frm;
    QCOMPARE(frm.windowTitle(), QStringLiteral("SetupFrm"));
    QCOMPARE(frm.Pages->count(), 2);
    QCOMPARE(frm.Pages->tabText(0), QStringLiteral("Keyer"));
    QCOMPARE(frm.Pages->tabText(1), QStringLiteral("Memories"));

    const struct {
        QSpinBox* field;
        const char* label;
        int min, max, value;
    } numbers[] = {
        {frm.edTon, "&Tone", 300, 3000, 600},
        {frm.edSpeed, "Normal speed", 50, 255, 120},
        {frm.edHiSpeed, "Faster speed", 50, 255, 150},
        {frm.edHiSpeed1, "Fastest speed", 50, 255, 170},
    };
    const auto labels = frm.findChildren<QLabel*>();
    for (const auto& n : numbers) {
        QCOMPARE(n.field->minimum(), n.min);
        QCOMPARE(n.field->maximum(), n.max);
        QCOMPARE(n.field->value(), n.value);
        const bool labelled = std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
            return l->text() == QLatin1String(n.label) && l->buddy() == n.field;
        });
        QVERIFY2(labelled, n.label);
    }
    QCOMPARE(frm.cbSpeaker->text(), QStringLiteral("Speaker"));
    QCOMPARE(frm.rgLpt->title(), QStringLiteral("LPT port"));
    QStringList ports;
    for (QRadioButton* r : frm.rgLpt->findChildren<QRadioButton*>()) ports << r->text();
    QCOMPARE(ports, (QStringList{"$378", "$278", "$3BC"}));
    QVERIFY(LptChoice(&frm, "$378")->isChecked());
    // The three choices side by side.
    auto* lptLayout = qobject_cast<QGridLayout*>(frm.rgLpt->layout());
    QVERIFY(lptLayout);
    QCOMPARE(lptLayout->rowCount(), 1);
    QCOMPARE(lptLayout->columnCount(), 3);

    // Memories in rows F2 F3 F4 / F5 F6 F7 / F8 F9.
    auto* grid = qobject_cast<QGridLayout*>(frm.edF2->parentWidget()->layout());
    QVERIFY(grid);
    const QLineEdit* fields[] = {frm.edF2, frm.edF3, frm.edF4, frm.edF5, frm.edF6, frm.edF7, frm.edF8, frm.edF9};
    for (int i = 0; i < 8; ++i) {
        int row, column, rs, cs;
        grid->getItemPosition(grid->indexOf(fields[i]), &row, &column, &rs, &cs);
        QCOMPARE(row, i / 3);
        QCOMPARE(fields[i]->objectName(), QStringLiteral("edF%1").arg(i + 2));
        auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, column - 1)->widget());
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("F%1").arg(i + 2));
    }

    QCOMPARE(frm.OKBtn->text(), QStringLiteral("OK"));
    QVERIFY(frm.OKBtn->isDefault());
    QCOMPARE(frm.CancelBtn->text(), QStringLiteral("Cancel"));
    QCOMPARE(frm.HelpBtn->text(), QStringLiteral("&Help"));
}

void SetupDialogTest::fillsFromTheKeyer()
{
    keyer->SetTone(800);
    keyer->SetSpeaker(false);
    keyer->SetSpeed(100);
    keyer->SetHiSpeed(200);
    keyer->SetHiSpeed1(220);
    keyer->SetLptPort(0x3BC);
    for (int slot = 1; slot <= 8; ++slot) keyer->Memory()[slot] = QStringLiteral("M%1 <MYCALL>").arg(slot);

    bool seen = false;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        seen = true;
        QCOMPARE(frm->edTon->text(), QStringLiteral("800"));
        QVERIFY(!frm->cbSpeaker->isChecked());
        QCOMPARE(frm->edSpeed->text(), QStringLiteral("100"));
        QCOMPARE(frm->edHiSpeed->text(), QStringLiteral("200"));
        QCOMPARE(frm->edHiSpeed1->text(), QStringLiteral("220"));
        QVERIFY(LptChoice(frm, "$3BC")->isChecked());
        for (int slot = 1; slot <= 8; ++slot)
            QCOMPARE(frm->MemoryField(slot)->text(), QStringLiteral("M%1 <MYCALL>").arg(slot));
        QTest::mouseClick(frm->CancelBtn, Qt::LeftButton);
    });
    QVERIFY(!ShowSetup(*keyer, nullptr));
    QVERIFY(seen);
}

void SetupDialogTest::okTakesTheValuesOver()
{
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        Type(frm->edTon, "750");
        ClickCaption(frm->cbSpeaker);  // on at creation: now off
        Type(frm->edSpeed, "90");
        Type(frm->edHiSpeed, "160");
        Type(frm->edHiSpeed1, "230");
        ClickCaption(LptChoice(frm, "$278"));
        ShowPage(frm, 1);
        Type(frm->edF3, "cq nlt <mycall>");
        QCOMPARE(frm->edF3->text(), QStringLiteral("CQ NLT <MYCALL>"));
        Type(frm->edF9, "tu 73");
        QTest::mouseClick(frm->OKBtn, Qt::LeftButton);
    });
    QVERIFY(ShowSetup(*keyer, nullptr));
    QCOMPARE(keyer->Tone(), 750);
    QVERIFY(!keyer->Speaker());
    QCOMPARE(keyer->Speed(), 90);
    QCOMPARE(int(keyer->DotLength()), 5500 / 90);
    QCOMPARE(keyer->HiSpeed(), 160);
    QCOMPARE(keyer->HiSpeed1(), 230);
    QCOMPARE(keyer->LptPort(), quint16(0x278));
    QCOMPARE(keyer->Memory()[2], QStringLiteral("CQ NLT <MYCALL>"));
    QCOMPARE(keyer->Memory()[8], QStringLiteral("TU 73"));
    QCOMPARE(keyer->Memory()[1], QStringLiteral("F2"));
}

void SetupDialogTest::otherWaysOutDiscard_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void SetupDialogTest::otherWaysOutDiscard()
{
    QFETCH(QString, way);
    keyer->SetLptPort(0x278);
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        Type(frm->edTon, "1500");
        Type(frm->edSpeed, "200");
        ClickCaption(frm->cbSpeaker);
        QVERIFY(!frm->cbSpeaker->isChecked());
        ClickCaption(LptChoice(frm, "$3BC"));
        QVERIFY(LptChoice(frm, "$3BC")->isChecked());
        ShowPage(frm, 1);
        Type(frm->edF2, "CHANGED");
        if (way == "cancel")
            QTest::mouseClick(frm->CancelBtn, Qt::LeftButton);
        else if (way == "escape")
            PressKey(frm, Qt::Key_Escape);
        else
            frm->close();
    });
    QVERIFY(!ShowSetup(*keyer, nullptr));
    QCOMPARE(keyer->Tone(), 600);
    QCOMPARE(keyer->Speed(), 120);
    QVERIFY(keyer->Speaker());
    QCOMPARE(keyer->LptPort(), quint16(0x278));
    QCOMPARE(keyer->Memory()[1], QStringLiteral("F2"));
}

void SetupDialogTest::numbersReadAsNumberFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("byClick");  // leaving the field first, or Enter in it
    const struct {
        const char* field;
        const char* typed;
        int expected;
    } cases[] = {
        {"edTon", "2500", 2500},  // the dialog allows up to 3000
        {"edTon", "5000", 3000},
        {"edTon", "100", 300},
        {"edTon", "", 300},  // not a number: the minimum
        {"edSpeed", "1000", 255},
        {"edSpeed", "49", 50},
        {"edSpeed", "", 50},
        {"edHiSpeed", "-7", 50},
        {"edHiSpeed1", "254", 254},
    };
    for (const auto& c : cases) {
        for (bool click : {false, true}) {
            QTest::addRow("%s '%s' %s", c.field, c.typed, click ? "OK clicked" : "Enter")
                << c.field << c.typed << c.expected << click;
        }
    }
}

void SetupDialogTest::numbersReadAsNumberFields()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, expected);
    QFETCH(bool, byClick);
    keyer->SetSpeed(200);
    keyer->SetHiSpeed(200);
    keyer->SetHiSpeed1(200);
    keyer->SetTone(1000);
    QString shown;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        auto* edit = frm->findChild<QSpinBox*>(field);
        Type(edit, typed);
        if (byClick) {
            QTest::mouseClick(frm->OKBtn, Qt::LeftButton);
        } else {
            QTest::keyClick(edit, Qt::Key_Return);
        }
        shown = edit->text();
    });
    QVERIFY(ShowSetup(*keyer, nullptr));
    const int got = field == "edTon"       ? keyer->Tone()
                    : field == "edSpeed"   ? keyer->Speed()
                    : field == "edHiSpeed" ? keyer->HiSpeed()
                                           : keyer->HiSpeed1();
    QCOMPARE(got, expected);
    if (byClick) QCOMPARE(shown, QString::number(expected));  // left, the field shows what it reads as
}

void SetupDialogTest::keyerHelpWhileOpen()
{
    QStringList whileOpen;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        whileOpen = helpFiles;
        QTest::mouseClick(frm->HelpBtn, Qt::LeftButton);
        QVERIFY(frm->isVisible());  // help leaves the dialog open
        QTest::mouseClick(frm->CancelBtn, Qt::LeftButton);
    });
    ShowSetup(*keyer, nullptr);
    QCOMPARE(whileOpen, (QStringList{"/opt/zox/Help/Keyer.hlp"}));
    QCOMPARE(helpShown, (QStringList{"/opt/zox/Help/Keyer.hlp"}));
    QCOMPARE(helpFiles, (QStringList{"/opt/zox/Help/Keyer.hlp", "/opt/zox/Help/Zox.hlp"}));
}

QTEST_MAIN(SetupDialogTest)
#include "setup_dialog_test.moc"

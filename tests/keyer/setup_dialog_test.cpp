// The keyer settings dialog, worked through its real widgets.

#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "ui/CwKeyerSetup.h"
#include "keyer/KeyerPlatform.h"
#include "uibase/ModalHelper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStandardItemModel>
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

QRadioButton* Choice(QGroupBox* group, const QString& caption)
{
    for (QRadioButton* r : group->findChildren<QRadioButton*>())
        if (r->text() == caption) return r;
    return nullptr;
}

QRadioButton* LptChoice(TSetupFrm* frm, const QString& caption) { return Choice(frm->rgLpt, caption); }

QStringList Captions(QGroupBox* group)
{
    QStringList captions;
    for (QRadioButton* r : group->findChildren<QRadioButton*>()) captions << r->text();
    return captions;
}

QStringList Items(QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// The label that names a field.
QString LabelOf(QWidget* dialog, QWidget* field)
{
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->buddy() == field) return l->text();
    return QString();
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

// Chooses an item of a list as the operator does with the arrow keys.
void Pick(QComboBox* combo, const QString& item)
{
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < combo->count() && combo->currentText() != item; ++i) QTest::keyClick(combo, Qt::Key_Down);
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
    void outputsPage();
    void outputsTakenOverOnOk_data();
    void outputsTakenOverOnOk();
    void outputsKeptOtherwise();
    void saysWhetherRealTimeSchedulingIsOn();
    void radioPage();
    void radioTakenOverOnOk_data();
    void radioTakenOverOnOk();
    void radioKeptOtherwise();

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
    KeyerSetupSerialPorts() = [] {
        return QList<TSerialPortInfo>{{QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"), QStringLiteral("/dev/ttyUSB0")},
                                      {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS0")}};
    };
}

void SetupDialogTest::cleanup()
{
    KeyerSetupHelp() = {};
    KeyerSetupSerialPorts() = [] { return ListSerialPorts(); };
    keyer.reset();
}

void SetupDialogTest::hasItsPagesAndControls()
{
    TSetupFrm frm;
    QCOMPARE(frm.windowTitle(), QStringLiteral("SetupFrm"));
    QCOMPARE(frm.Pages->count(), 4);
    QCOMPARE(frm.Pages->tabText(0), QStringLiteral("Keyer"));
    QCOMPARE(frm.Pages->tabText(1), QStringLiteral("Memories"));
    QCOMPARE(frm.Pages->tabText(2), QStringLiteral("Izhodi"));
    QCOMPARE(frm.Pages->tabText(3), QStringLiteral("Radio"));

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

void SetupDialogTest::outputsPage()
{
    TSetupFrm frm;
    QCOMPARE(frm.rgOutput->title(), QStringLiteral("Tipkanje oddajnika"));
    QCOMPARE(Captions(frm.rgOutput), (QStringList{"Paralelna vrata", "Serijska vrata", "Radio", "Brez"}));
    QVERIFY(Choice(frm.rgOutput, "Paralelna vrata")->isChecked());
    QCOMPARE(frm.rgSidetone->title(), QStringLiteral("Kontrolni ton"));
    QCOMPARE(Captions(frm.rgSidetone), (QStringList{QString::fromUtf8("PC zvočnik"), QString::fromUtf8("Zvočna kartica"), "Brez"}));
    // The ports by their stable names, the device they stand for as the tip.
    QCOMPARE(Items(frm.cbSerialPort), (QStringList{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "/dev/ttyS0"}));
    QCOMPARE(frm.cbSerialPort->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(frm.cbSerialPort->isEditable());
    QCOMPARE(Items(frm.cbKeyLine), (QStringList{"DTR", "RTS"}));
    QCOMPARE(Items(frm.cbPttLine), (QStringList{"brez", "DTR", "RTS", "CAT"}));
    QCOMPARE(frm.cbPttCw->text(), QStringLiteral("PTT tudi pri CW"));
    const struct {
        QWidget* field;
        const char* label;
    } labelled[] = {
        {frm.cbSerialPort, "Serijska vrata"},        {frm.cbKeyLine, "Tipka na liniji"},
        {frm.cbPttLine, "PTT na liniji"},            {frm.edPttLead, "PTT pred oddajo (ms)"},
        {frm.edPttTail, "PTT po oddaji (ms)"},
    };
    for (const auto& l : labelled) QCOMPARE(LabelOf(&frm, l.field), QString::fromUtf8(l.label));
    QCOMPARE(frm.edPttLead->minimum(), 0);
    QCOMPARE(frm.edPttLead->maximum(), 2000);
    QCOMPARE(frm.edPttLead->value(), 30);
    QCOMPARE(frm.edPttTail->value(), 100);

    // Only what the output uses can be set.
    frm.show();
    ShowPage(&frm, 2);
    QVERIFY(!frm.cbSerialPort->isEnabled());
    QVERIFY(!frm.cbKeyLine->isEnabled());
    QVERIFY(!frm.cbPttCw->isEnabled());
    QVERIFY(!frm.edPttLead->isEnabled());
    ClickCaption(Choice(frm.rgOutput, "Serijska vrata"));
    QVERIFY(frm.cbSerialPort->isEnabled());
    QVERIFY(frm.cbKeyLine->isEnabled());
    QVERIFY(!frm.edPttTail->isEnabled());
    frm.cbPttLine->setCurrentIndex(2);
    QVERIFY(frm.cbPttCw->isEnabled());
    QVERIFY(frm.edPttLead->isEnabled());
    QVERIFY(frm.edPttTail->isEnabled());
    // The key line is not offered for PTT; keying on the PTT line leaves no PTT, in sight.
    const auto offered = [&frm](int i) {
        return bool(qobject_cast<QStandardItemModel*>(frm.cbPttLine->model())->item(i)->flags() & Qt::ItemIsEnabled);
    };
    QVERIFY(!offered(1) && offered(2));
    frm.cbKeyLine->setCurrentIndex(1);  // RTS
    QCOMPARE(frm.cbPttLine->currentText(), QStringLiteral("brez"));
    QVERIFY(offered(1) && !offered(2));
    QVERIFY(!frm.edPttLead->isEnabled());
    frm.cbPttLine->setCurrentIndex(1);  // DTR
    QVERIFY(frm.edPttLead->isEnabled());
    // PTT alone on the serial port, keying on the parallel port.
    ClickCaption(Choice(frm.rgOutput, "Paralelna vrata"));
    QVERIFY(frm.cbSerialPort->isEnabled());
    QVERIFY(!frm.cbKeyLine->isEnabled());
    // The radio's keyer with PTT through CAT: no serial port, the PTT times.
    ClickCaption(Choice(frm.rgOutput, "Radio"));
    frm.cbPttLine->setCurrentIndex(3);
    QVERIFY(!frm.cbSerialPort->isEnabled());
    QVERIFY(!frm.cbKeyLine->isEnabled());
    QVERIFY(frm.cbPttCw->isEnabled());
    QVERIFY(frm.edPttLead->isEnabled());
}

void SetupDialogTest::outputsTakenOverOnOk_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("port");  // -1: typed in
    QTest::addColumn<int>("keyLine");
    QTest::addColumn<int>("pttLine");
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<QString>("sidetone");
    QTest::addColumn<QString>("expected");  // what ends in the settings, one line
    QTest::newRow("serial, key RTS, PTT DTR for CW too")
        << "Serijska vrata" << 0 << 1 << 1 << "45" << "5000" << QString::fromUtf8("Zvočna kartica")
        << "serial /dev/serial/by-id/usb-FTDI_FT232R-if00-port0 RTS DTR cw 45 2000 soundcard";
    QTest::newRow("a port typed in, PTT on the key line is none")
        << "Serijska vrata" << -1 << 0 << 1 << "" << "80" << "Brez" << "serial /dev/ttyACM3 DTR none - 30 100 none";
    QTest::newRow("a port typed in, lead left empty")
        << "Serijska vrata" << -1 << 0 << 2 << "" << "80" << "Brez" << "serial /dev/ttyACM3 DTR RTS cw 0 80 none";
    QTest::newRow("parallel port with PTT on the serial port")
        << "Paralelna vrata" << 1 << 0 << 2 << "30" << "100" << QString::fromUtf8("PC zvočnik")
        << "lpt /dev/ttyS0 DTR RTS cw 30 100 speaker";
    QTest::newRow("none") << "Brez" << 1 << 0 << 0 << "30" << "100" << "Brez" << "none /dev/ttyS0 DTR none - 30 100 none";
    QTest::newRow("the radio's keyer, PTT through CAT")
        << "Radio" << 1 << 0 << 3 << "50" << "150" << "Brez" << "radio /dev/ttyS0 DTR CAT cw 50 150 none";
}

namespace {

QString Describe(const TKeyingSettings& s)
{
    using O = TKeyingSettings::TOutput;
    using T = TKeyingSettings::TSidetone;
    return QStringList{s.Output == O::Lpt      ? "lpt"
                       : s.Output == O::Serial ? "serial"
                       : s.Output == O::Radio  ? "radio"
                                               : "none",
                       s.SerialPort,
                       SerialLineName(s.KeyLine),
                       s.PttLine ? SerialLineName(*s.PttLine) : s.PttCat ? "CAT" : "none",
                       s.Ptt.ForCw ? "cw" : "-",
                       QString::number(s.Ptt.LeadMs),
                       QString::number(s.Ptt.TailMs),
                       s.Sidetone == T::Speaker ? "speaker" : s.Sidetone == T::SoundCard ? "soundcard" : "none"}
        .join(' ');
}

}  // namespace

void SetupDialogTest::outputsTakenOverOnOk()
{
    QFETCH(QString, output);
    QFETCH(int, port);
    QFETCH(int, keyLine);
    QFETCH(int, pttLine);
    QFETCH(QString, lead);
    QFETCH(QString, tail);
    QFETCH(QString, sidetone);
    QFETCH(QString, expected);
    TKeyingSettings keying;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        ShowPage(frm, 2);
        ClickCaption(Choice(frm->rgOutput, output));
        if (port >= 0) frm->cbSerialPort->setCurrentIndex(port);
        else {
            frm->cbSerialPort->setFocus();
            frm->cbSerialPort->lineEdit()->selectAll();
            QTest::keyClicks(frm->cbSerialPort->lineEdit(), "/dev/ttyACM3");
        }
        frm->cbKeyLine->setCurrentIndex(keyLine);
        frm->cbPttLine->setCurrentIndex(pttLine);
        if (pttLine > 0) ClickCaption(frm->cbPttCw);
        if (pttLine > 0) {
            Type(frm->edPttLead, lead);
            Type(frm->edPttTail, tail);
        }
        ClickCaption(Choice(frm->rgSidetone, sidetone));
        QTest::mouseClick(frm->OKBtn, Qt::LeftButton);
    });
    QVERIFY(ShowSetup(*keyer, &keying, nullptr));
    QCOMPARE(Describe(keying), expected);
    QVERIFY(keying.Loaded);
}

void SetupDialogTest::outputsKeptOtherwise()
{
    TKeyingSettings keying;
    keying.Output = TKeyingSettings::TOutput::Serial;
    keying.SerialPort = QStringLiteral("/dev/ttyS0");
    keying.PttLine = TSerialLine::Rts;
    keying.Loaded = true;
    const TKeyingSettings before = keying;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        ShowPage(frm, 2);
        // Filled from the settings.
        QVERIFY(Choice(frm->rgOutput, "Serijska vrata")->isChecked());
        QCOMPARE(frm->SerialPort(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(frm->cbPttLine->currentText(), QStringLiteral("RTS"));
        ClickCaption(Choice(frm->rgOutput, "Brez"));
        frm->cbPttLine->setCurrentIndex(0);
        QTest::mouseClick(frm->CancelBtn, Qt::LeftButton);
    });
    QVERIFY(!ShowSetup(*keyer, &keying, nullptr));
    QVERIFY(keying == before);
}

void SetupDialogTest::saysWhetherRealTimeSchedulingIsOn()
{
    TSetupFrm frm;
    frm.LoadKeying(TKeyingSettings{}, false);
    QCOMPARE(frm.lblRealTime->text(),
             QString::fromUtf8("Sprotno razporejanje (SCHED_FIFO) ni dovoljeno: taster teče kot navadna nit. "
                               "Dovoli ga omejitev rtprio ali CAP_SYS_NICE."));
    frm.LoadKeying(TKeyingSettings{}, true);
    QCOMPARE(frm.lblRealTime->text(), QStringLiteral("Sprotno razporejanje (SCHED_FIFO): vklopljeno."));
    // The dialog of a keyer says what its thread has: on the virtual clock, none.
    bool shown = false;
    OnModal([&](QWidget* w) {
        TSetupFrm* f = Frm(w);
        if (!f) return;
        shown = f->lblRealTime->text().contains(QStringLiteral("ni dovoljeno"));
        QTest::mouseClick(f->CancelBtn, Qt::LeftButton);
    });
    ShowSetup(*keyer, nullptr);
    QVERIFY(shown);
}

void SetupDialogTest::radioPage()
{
    TSetupFrm frm;
    QCOMPARE(Items(frm.cbRadioLink), (QStringList{"brez", "Hamlib", "rigctld"}));
    QCOMPARE(frm.cbRadioLink->currentIndex(), 0);
    const struct {
        QWidget* field;
        const char* label;
    } labelled[] = {
        {frm.cbRadioLink, "Povezava"},          {frm.edRadioModel, "Model (rigctl -l)"},
        {frm.cbRadioDevice, "Serijska vrata"},  {frm.cbRadioBaud, "Hitrost (baud)"},
        {frm.edRadioHost, "Strežnik rigctld"}, {frm.edRadioPort, "Vrata rigctld"},
    };
    for (const auto& l : labelled) QCOMPARE(LabelOf(&frm, l.field), QString::fromUtf8(l.label));
    QCOMPARE(Items(frm.cbRadioDevice), (QStringList{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "/dev/ttyS0"}));
    QCOMPARE(frm.cbRadioBaud->currentText(), QStringLiteral("privzeta"));
    QCOMPARE(frm.edRadioHost->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(frm.edRadioPort->value(), 4532);
    QCOMPARE(frm.edRadioPort->minimum(), 1);
    QCOMPARE(frm.edRadioPort->maximum(), 65535);

    // Only what the link uses can be set.
    frm.show();
    ShowPage(&frm, 3);
    const struct {
        const char* link;
        bool rig, daemon;
    } states[] = {{"brez", false, false}, {"Hamlib", true, false}, {"rigctld", false, true}};
    for (const auto& st : states) {
        Pick(frm.cbRadioLink, st.link);
        QCOMPARE(frm.cbRadioLink->currentText(), QString(st.link));
        QCOMPARE(frm.edRadioModel->isEnabled(), st.rig);
        QCOMPARE(frm.cbRadioDevice->isEnabled(), st.rig);
        QCOMPARE(frm.cbRadioBaud->isEnabled(), st.rig);
        QCOMPARE(frm.edRadioHost->isEnabled(), st.daemon);
        QCOMPARE(frm.edRadioPort->isEnabled(), st.daemon);
    }
}

void SetupDialogTest::radioTakenOverOnOk_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("expected");  // link model device baud host port
    QTest::newRow("a rig model on a serial port")
        << "Hamlib" << "3073" << "/dev/ttyUSB1" << "19200" << "" << "" << "hamlib 3073 /dev/ttyUSB1 19200 127.0.0.1 4532";
    QTest::newRow("the rig's own rate") << "Hamlib" << "1" << "" << "" << "" << "" << "hamlib 1  0 127.0.0.1 4532";
    QTest::newRow("rigctld on another computer")
        << "rigctld" << "" << "" << "" << "192.168.1.20" << "4533" << "rigctld 0  0 192.168.1.20 4533";
    QTest::newRow("rigctld, host emptied, port out of range")
        << "rigctld" << "" << "" << "" << " " << "99999" << "rigctld 0  0 127.0.0.1 65535";
}

namespace {

QString Describe(const RadioSettings& s)
{
    return QStringList{LinkKindText(s.link), QString::number(s.model), s.device, QString::number(s.baud), s.host,
                       QString::number(s.port)}
        .join(' ');
}

}  // namespace

void SetupDialogTest::radioTakenOverOnOk()
{
    QFETCH(QString, link);
    QFETCH(QString, model);
    QFETCH(QString, device);
    QFETCH(QString, baud);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, expected);
    RadioSettings radio;
    TKeyingSettings keying;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        ShowPage(frm, 3);
        Pick(frm->cbRadioLink, link);
        if (!model.isEmpty()) Type(frm->edRadioModel, model);
        if (!device.isEmpty()) Type(frm->cbRadioDevice->lineEdit(), device);
        if (!baud.isEmpty()) Type(frm->cbRadioBaud->lineEdit(), baud);
        if (!host.isEmpty()) Type(frm->edRadioHost, host);
        if (!port.isEmpty()) Type(frm->edRadioPort, port);
        QTest::mouseClick(frm->OKBtn, Qt::LeftButton);
    });
    QVERIFY(ShowSetup(*keyer, &keying, &radio, nullptr));
    QCOMPARE(Describe(radio), expected);
}

void SetupDialogTest::radioKeptOtherwise()
{
    RadioSettings radio;
    radio.link = RadioLinkKind::Hamlib;
    radio.model = 1035;
    radio.device = QStringLiteral("/dev/ttyS0");
    radio.baud = 4800;
    const RadioSettings before = radio;
    TKeyingSettings keying;
    OnModal([&](QWidget* w) {
        TSetupFrm* frm = Frm(w);
        if (!frm) return;
        ShowPage(frm, 3);
        // Filled from the settings.
        QCOMPARE(frm->cbRadioLink->currentText(), QStringLiteral("Hamlib"));
        QCOMPARE(frm->edRadioModel->value(), 1035);
        QCOMPARE(frm->cbRadioDevice->currentText(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(frm->cbRadioBaud->currentText(), QStringLiteral("4800"));
        Pick(frm->cbRadioLink, "rigctld");
        Type(frm->edRadioPort, "5000");
        QTest::mouseClick(frm->CancelBtn, Qt::LeftButton);
    });
    QVERIFY(!ShowSetup(*keyer, &keying, &radio, nullptr));
    QVERIFY(radio == before);
}

QTEST_MAIN(SetupDialogTest)
#include "setup_dialog_test.moc"

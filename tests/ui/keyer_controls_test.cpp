// The keyer as the window works it: on and off, the toolbar fields, speed keys,
// Tune, Clear's stop step, and the keyer's keys in the settings file.
#include "WindowFixture.h"

#include "keyer/CwKeyer.h"
#include "ui/CwKeyerSetup.h"
#include "keyer/KeyerPlatform.h"
#include "keyer/PortRecorder.h"
#include "keyer/zlportio.h"

using namespace zox;
using zox::test::Window;

namespace {

QString iniPath(const Window& t) { return t.root.filePath("config/Zox.ini"); }

void restartWith(Window& t, const QByteArray& ini)
{
    t.w->close();
    t.w.reset();
    QFile f(iniPath(t));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(ini);
    f.close();
    ResetGlobals();
    t.w = std::make_unique<TMainFrm>();
    t.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(t.w.get()));
}

QByteArray iniBytes(const Window& t)
{
    QFile f(iniPath(t));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

class KeyerControlsTest : public QObject {
    Q_OBJECT
private slots:
    void restoreCases()
    {
        Window t;
        // No file: keyer on with its defaults.
        QVERIFY(t.w->Keyer);
        QVERIFY(t.w->KeyerOn);
        QVERIFY(t.w->Keyer1->isChecked());
        QCOMPARE(t.w->Keyer->Memory()[1], QString("F1"));
        QCOMPARE(t.w->Keyer->Memory()[8], QString("F8"));
        QCOMPARE(t.w->Keyer->Speed(), 115);
        QCOMPARE(t.w->Keyer->HiSpeed(), 150);
        QCOMPARE(t.w->Keyer->HiSpeed1(), 170);
        QCOMPARE(t.w->Keyer->Tone(), 600);
        QVERIFY(!t.w->Keyer->Speaker());
        QCOMPARE(t.w->edKeyerSpeed->value(), 115);

        struct Case { QByteArray ini; int speed, speed2; } cases[] = {
            {"[TMainFrm]\r\nKeyer Speed=abc\r\n", 115, 170},
            {"[TMainFrm]\r\nKeyer Speed=20\r\nKeyer Speed 2=300\r\n", 50, 255},
        };
        for (const auto& c : cases) {
            restartWith(t, c.ini);
            QCOMPARE(t.w->Keyer->Speed(), c.speed);
            QCOMPARE(t.w->Keyer->HiSpeed1(), c.speed2);
        }
    }

    void keyerDisabledKeepsItsKeys()
    {
        Window t;
        restartWith(t, "[TMainFrm]\r\nKeyer Enabled=0\r\nKeyer F1=CQ TEST\r\nKeyer Speed=99\r\n");
        QVERIFY(!t.w->Keyer);
        QVERIFY(!t.w->Keyer1->isChecked());
        QVERIFY(!t.w->FButtons[0]->isEnabled());
        // Commands that reach the keyer change nothing while it is off.
        t.w->edKeyerSpeed->setValue(200);
        t.w->Povecaj->trigger();
        t.w->ZvocnikBtn->click();
        QVERIFY(!t.w->ZvocnikBtn->isChecked());
        t.w->close();
        const QByteArray bytes = iniBytes(t);
        QVERIFY(bytes.contains("Keyer Enabled=0\r\n"));
        QVERIFY(bytes.contains("Keyer F1=CQ TEST\r\n"));
        QVERIFY(bytes.contains("Keyer Speed=99\r\n"));
        // Switched on during a run: the keyer is loaded with the operator's
        // values, and those are what is written.
        restartWith(t, "[TMainFrm]\r\nKeyer Enabled=0\r\nKeyer F1=CQ TEST\r\nKeyer Speed=99\r\n");
        t.w->Keyer1->trigger();
        QVERIFY(t.w->Keyer);
        QCOMPARE(t.w->Keyer->Memory()[1], QString("CQ TEST"));
        QCOMPARE(t.w->Keyer->Memory()[2], QString("F2"));
        QCOMPARE(t.w->Keyer->Speed(), 99);
        QCOMPARE(t.w->edKeyerSpeed->value(), 99);
        t.w->close();
        const QByteArray after = iniBytes(t);
        QVERIFY(after.contains("Keyer Enabled=1\r\n"));
        QVERIFY(after.contains("Keyer F1=CQ TEST\r\n"));
        QVERIFY(after.contains("Keyer F2=F2\r\n"));
        QVERIFY(after.contains("Keyer Speed=99\r\n"));
    }

    void speedKeysAndFields()
    {
        Window t;
        t.w->edKeyerSpeed->setValue(253);
        QTest::keyClick(t.w->edCall, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(t.w->Keyer->Speed(), 255);
        QTest::keyClick(t.w->edCall, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(t.w->Keyer->Speed(), 255);
        QCOMPARE(t.w->edKeyerSpeed->value(), 255);
        t.w->edKeyerSpeed->setValue(52);
        QTest::keyClick(t.w->edCall, Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(t.w->edCall, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(t.w->Keyer->Speed(), 50);
        // Typing counts at once, held in range; an empty field is the minimum.
        QLineEdit* line = t.w->edKeyerSpeed->findChild<QLineEdit*>();
        line->selectAll();
        QTest::keyClicks(line, "1000");
        QCOMPARE(t.w->Keyer->Speed(), 255);
        QCOMPARE(line->text(), QString("255"));
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Delete);
        QCOMPARE(t.w->Keyer->Speed(), 50);
        // The tone field holds 2000 at most, and the keyer takes what it shows.
        t.w->Keyer->SetTone(2500);
        t.w->RefreshKeyerFields();
        QCOMPARE(t.w->edKeyerTone->value(), 2000);
        QCOMPARE(t.w->Keyer->Tone(), 2000);
    }

    void offAndOnKeepsTheOperatorsMemoriesAndSpeeds()
    {
        Window t;
        // Set as an operator does: Shift+F1, the speed fields, the settings dialog.
        t.dlg.answerText("cq test <mycall>");
        t.w->EditMemory[0]->trigger();
        QLineEdit* normal = t.w->edKeyerSpeed->findChild<QLineEdit*>();
        normal->selectAll();
        QTest::keyClicks(normal, "130");
        t.w->edkeyerSpeed1->setValue(160);
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<TSetupFrm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->MemoryField(8)->setText("73 TU");
            dlg->edHiSpeed1->setValue(200);
            dlg->OKBtn->click();
        });
        t.w->NastavitveItem->trigger();
        QTest::keyClick(t.w->edCall, Qt::Key_U, Qt::ControlModifier);  // 135

        t.w->Keyer1->trigger();  // off
        QVERIFY(!t.w->KeyerOn);
        QVERIFY(!t.w->SendMemory[0]->isEnabled());
        QTest::keyClick(t.w->edCall, Qt::Key_F1);
        QVERIFY(!t.w->FButtons[0]->isEnabled());
        t.w->Keyer1->trigger();  // on
        QVERIFY(t.w->FButtons[0]->isEnabled());
        QCOMPARE(t.w->Keyer->Memory()[1], QString("CQ TEST <MYCALL>"));
        QCOMPARE(t.w->Keyer->Memory()[2], QString("F2"));
        QCOMPARE(t.w->Keyer->Memory()[8], QString("73 TU"));
        QCOMPARE(t.w->Keyer->Speed(), 135);
        QCOMPARE(t.w->Keyer->HiSpeed(), 160);
        QCOMPARE(t.w->Keyer->HiSpeed1(), 200);
        QCOMPARE(t.w->edKeyerSpeed->value(), 135);
        QCOMPARE(t.w->edKeyerSpeed2->value(), 200);

        // Off again, and closed while off: the file holds what was set.
        t.w->Keyer1->trigger();
        t.w->close();
        const QByteArray bytes = iniBytes(t);
        QVERIFY(bytes.contains("Keyer Enabled=0\r\n"));
        QVERIFY(bytes.contains("Keyer F1=CQ TEST <MYCALL>\r\n"));
        QVERIFY(bytes.contains("Keyer F2=F2\r\n"));
        QVERIFY(bytes.contains("Keyer F8=73 TU\r\n"));
        QVERIFY(bytes.contains("Keyer Speed=135\r\n"));
        QVERIFY(bytes.contains("Keyer Speed 1=160\r\n"));
        QVERIFY(bytes.contains("Keyer Speed 2=200\r\n"));
    }

    void tuneAndClear()
    {
        auto* device = new TRecordingPortDevice;
        ZlPortIoStart(std::unique_ptr<TPortDevice>(device));
        Window t;
        device->Clear();
        QTest::mousePress(t.w->SpeedItem12, Qt::LeftButton);
        // The keying thread writes it as soon as it wakes.
        QTRY_VERIFY(!device->Writes().empty());
        const auto down = device->Writes();
        QTest::mouseRelease(t.w->SpeedItem12, Qt::LeftButton);
        QTRY_VERIFY(device->Writes().size() > down.size());
        const auto all = device->Writes();
        QCOMPARE(all.back().Request.Port, quint32(0x37A));
        // The first Clear after the keyer was made only sets its stop flag.
        t.newLog(t.logPath());
        t.w->edCall->setText("Q1AAA");
        t.w->Button2->click();
        QVERIFY(t.w->Keyer->Stop());
        QCOMPARE(t.w->edCall->text(), QString("Q1AAA"));
        t.w->Button2->click();
        QCOMPARE(t.w->edCall->text(), QString());
        ZlPortIoEnd();
    }
};

QTEST_MAIN(KeyerControlsTest)
#include "keyer_controls_test.moc"

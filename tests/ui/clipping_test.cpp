// Nothing is clipped: every text of the main window, the clock window and each dialog
// has the room it needs, measured with the widget's own font in the fonts that stand
// in on this desktop, with Qt's Slovene texts loaded as the program loads them.

#include "Clipping.h"
#include "WindowFixture.h"

#include "ui/CwKeyerSetup.h"
#include "letnice/uAddEditMulti.h"
#include "letnice/uFindMulti.h"
#include "letnice/uMultiWnd.h"
#include "ui/HelpViewer.h"
#include "ui/TextEditorWnd.h"
#include "ui/base/MsgDlgSlo.h"
#include "ui/base/Translation.h"
#include "ui/uAbout.h"
#include "ui/uClock.h"
#include "ui/uUserDlg.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QTabWidget>

#include <functional>
#include <memory>

using namespace zox;
using zox::test::ClippedTexts;
using zox::test::Window;

namespace {

using Factory = std::function<std::unique_ptr<QWidget>()>;

// Walks every page of every tab widget, as the operator would see them one by one.
QStringList ClippedOnEveryPage(QWidget* window)
{
    QStringList out = ClippedTexts(window);
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == current) continue;
            tabs->setCurrentIndex(i);
            out << ClippedTexts(window);
        }
        tabs->setCurrentIndex(current);
    }
    out.removeDuplicates();
    return out;
}

QString Report(const QStringList& problems) { return problems.join(QStringLiteral("\n  ")); }

}  // namespace

class ClippingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(InstallSloveneTranslation(), "Qt's Slovene translation (qt6-translations-l10n) is not installed");
        // The design fonts are not installed here: DejaVu stands in, as on a Debian desktop.
        QFont design(QStringLiteral("MS Sans Serif"));
        design.setPixelSize(13);
        QVERIFY2(QFontInfo(design).family().startsWith(QStringLiteral("DejaVu")), qPrintable(QFontInfo(design).family()));
    }

    void mainWindowAtItsFirstStartSize()
    {
        Window t;
        QCOMPARE(t.w->size(), QSize(787, 599));
        t.newLog(t.logPath());
        t.enter(QStringLiteral("Q5ABC"), QString(), QStringLiteral("09:00:12"));
        t.enter(QStringLiteral("Q1AAA"), QString(), QStringLiteral("10:00:44"));
        // The widest texts the fields show: a full time, a new multiplier.
        t.w->edUtc->setFocus();
        t.w->edUtc->selectAll();
        QTest::keyClicks(t.w->edUtc, QStringLiteral("23:59:59"));
        QCOMPARE(t.w->edUtc->displayText(), QStringLiteral("23:59:59"));
        t.w->ShowInfo(3);
        QTest::qWait(50);
        const QStringList problems = ClippedTexts(t.w.get());
        QVERIFY2(problems.isEmpty(), qPrintable(Report(problems)));
        // The keyer's words on the information line.
        for (const QString& info : {TMainFrm::kInfoNoOwnYear, TMainFrm::kInfoOwnYearNotTwoDigits, TMainFrm::kInfoNoSoundDevice}) {
            t.w->InfoLabel->setText(info);
            QVERIFY2(ClippedTexts(t.w.get()).isEmpty(), qPrintable(Report(ClippedTexts(t.w.get()))));
        }
        // And before any log is open, with the grid's titles alone.
        t.w->Session.Close();
        t.w->ShowInfo(1);
        QVERIFY2(ClippedTexts(t.w.get()).isEmpty(), qPrintable(Report(ClippedTexts(t.w.get()))));
    }

    void toolWindowsOfTheMainWindow()
    {
        Window t;
        QVERIFY(QTest::qWaitForWindowExposed(t.w->Ura));
        QStringList problems = ClippedTexts(t.w->Ura);
        t.w->Multiplier2->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(t.w->MultiWnd));
        problems << ClippedTexts(t.w->MultiWnd);
        QVERIFY2(problems.isEmpty(), qPrintable(Report(problems)));
    }

    void dialogs_data()
    {
        QTest::addColumn<Factory>("make");
        auto message = [](const QString& text, int kind, int buttons) -> Factory {
            return [=] { return std::unique_ptr<QWidget>(CreateMessageDialog(text, kind, buttons).release()); };
        };
        QTest::newRow("message, warning") << message("Q5OP.txt Datoteka ni odprta !", mtWarning, mbOK);
        QTest::newRow("message, question") << message("Zveza Q5ABC bo izbrisana !", mtWarning, mbYesNo);
        QTest::newRow("message, information") << message("Ne najdem !", mtInformation, mbOK);
        QTest::newRow("message, every button")
            << message("Brišem Q5ABC ?", mtConfirmation, mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll | mbHelp);
        QTest::newRow("message, custom") << message("Besedilo", mtCustom, mbYesNo | mbCancel);
        QTest::newRow("message, long") << message(QString("Dolgo sporočilo, ki se prelomi. ").repeated(20), mtError, mbOK);
        QTest::newRow("ask for text") << Factory([] {
            return std::unique_ptr<QWidget>(CreateAskTextDialog("Spomin F1", "Vpiši text", "CQ TEST <MYCALL>", 1).release());
        });
        QTest::newRow("ask for a call") << Factory([] {
            return std::unique_ptr<QWidget>(CreateAskTextDialog("Najdi znak", "Vpiši znak", "", 1).release());
        });
        QTest::newRow("operator") << Factory([] { return std::make_unique<TUserDlgFrm>(); });
        QTest::newRow("keyer settings") << Factory([] { return std::make_unique<TSetupFrm>(); });
        QTest::newRow("about") << Factory([] { return std::make_unique<TAboutFrm>(); });
        QTest::newRow("find a year number") << Factory([] { return std::make_unique<TFindMultiFrm>(); });
        QTest::newRow("add a year number") << Factory([] { return std::make_unique<TAddEditFrm>("Dodaj"); });
        QTest::newRow("help") << Factory([] { return std::make_unique<THelpFrm>(); });
        QTest::newRow("text window") << Factory([] { return std::make_unique<TTextEditorWnd>(); });
        // Qt's own dialogs, in Slovene.
        QTest::newRow("log file dialog") << Factory([] {
            return std::unique_ptr<QWidget>(
                CreateFileDialog(nullptr, QString(), QDir::tempPath(), "Zox datoteke (*.DAT)|*.DAT", false, false).release());
        });
        QTest::newRow("ADIF file dialog") << Factory([] {
            return std::unique_ptr<QWidget>(CreateFileDialog(nullptr, "Kreiraj novo Adif datoteko", QDir::tempPath(),
                                                             "Adif files(*.adi)|*.adi", false, false)
                                                .release());
        });
        QTest::newRow("font dialog") << Factory([] {
            auto d = std::make_unique<QFontDialog>();
            d->setOption(QFontDialog::DontUseNativeDialog);
            return std::unique_ptr<QWidget>(d.release());
        });
        QTest::newRow("platform input") << Factory([] {
            auto d = std::make_unique<QInputDialog>();
            d->setWindowTitle("New multplier");
            d->setLabelText("Type your multiplier");
            return std::unique_ptr<QWidget>(d.release());
        });
        QTest::newRow("platform message box") << Factory([] {
            return std::make_unique<QMessageBox>(QMessageBox::Information, "Zox", "Datoteka že obstaja !",
                                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        });
    }
    void dialogs()
    {
        QFETCH(Factory, make);
        std::unique_ptr<QWidget> dlg = make();
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        const QStringList problems = ClippedOnEveryPage(dlg.get());
        QVERIFY2(problems.isEmpty(), qPrintable(Report(problems)));
    }

    // The check itself finds what it is for.
    void findsAClippedText_data()
    {
        QTest::addColumn<Factory>("make");
        QTest::addColumn<QString>("found");
        QTest::newRow("label") << Factory([] {
            auto* l = new QLabel("Povprečje");
            l->setFixedWidth(QFontMetrics(l->font()).horizontalAdvance("Povprečje") - 3);
            return std::unique_ptr<QWidget>(l);
        }) << "\"Povprečje\": needs";
        QTest::newRow("time field") << Factory([] {
            auto* e = new QLineEdit;
            e->setInputMask("90:00:00");
            e->setText("23:59:59");
            e->setFixedWidth(QFontMetrics(e->font()).horizontalAdvance("23:59:59"));
            return std::unique_ptr<QWidget>(e);
        }) << "\"23:59:59\": needs";
        QTest::newRow("button") << Factory([] {
            auto* b = new QPushButton("Prekliči");
            b->setFixedWidth(QFontMetrics(b->font()).horizontalAdvance("Prekliči"));
            return std::unique_ptr<QWidget>(b);
        }) << "\"Prekliči\": needs";
        QTest::newRow("drop-down item") << Factory([] {
            auto* c = new QComboBox;
            c->addItems({"CW", "SSB"});
            c->setFixedWidth(QFontMetrics(c->font()).horizontalAdvance("SSB") + 4);
            return std::unique_ptr<QWidget>(c);
        }) << "\"SSB\": needs";
        QTest::newRow("labels run together") << Factory([] {
            auto* w = new QWidget;
            w->resize(200, 40);
            auto* a = new QLabel("Druga ura", w);
            a->adjustSize();
            auto* b = new QLabel("Povprečje", w);
            b->adjustSize();
            b->move(a->width(), 0);
            return std::unique_ptr<QWidget>(w);
        }) << "run together";
        QTest::newRow("column cut off at the window's edge") << Factory([] {
            auto* v = new QTableView;
            auto* m = new QStandardItemModel(1, 3, v);
            m->setHorizontalHeaderLabels({"Datum", "Znak", "Točke"});
            v->setModel(m);
            v->resize(250, 100);
            for (int i = 0; i < 3; ++i) v->setColumnWidth(i, 100);
            return std::unique_ptr<QWidget>(v);
        }) << "\"Točke\": needs";
    }
    void findsAClippedText()
    {
        QFETCH(Factory, make);
        QFETCH(QString, found);
        std::unique_ptr<QWidget> w = make();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QStringList problems = ClippedTexts(w.get());
        QVERIFY(!problems.isEmpty());
        QVERIFY2(problems.join('\n').contains(found), qPrintable(problems.join('\n')));
    }
};

QTEST_MAIN(ClippingTest)
#include "clipping_test.moc"

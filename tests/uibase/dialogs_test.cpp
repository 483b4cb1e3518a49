// The dialog seam: the scripted provider, Guarded, and the real file and standard dialogs.

#include "ModalHelper.h"
#include "TestDir.h"
#include "ui/base/Dialogs.h"
#include "ui/base/ScriptedDialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <stdexcept>

using namespace zox;
using zox::test::OnModal;
using zox::test::PressKey;
using Q = ScriptedDialogs::Question;

namespace {

QPushButton* ButtonByText(QWidget* dlg, const QString& text)
{
    for (QPushButton* b : dlg->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void scriptedInstallsForItsLifetime();
    void scriptedAnswersAndRecords();
    void scriptedCancelsWhatIsNotScripted();
    void guardedShowsTheErrorAndStops();

    void nameFilter_data();
    void nameFilter();
    void fileDialogMatchesAnyCaseAndAcceptsNewName();
    void fileDialogCancel();
    void standardQuestion_data();
    void standardQuestion();
    void standardInput();
    void showErrorShowsItsText();
    void fontDialog();
};

void DialogsTest::scriptedInstallsForItsLifetime()
{
    DialogProvider* real = &Dialogs();
    {
        ScriptedDialogs outer;
        QCOMPARE(&Dialogs(), static_cast<DialogProvider*>(&outer));
        {
            ScriptedDialogs inner;
            QCOMPARE(&Dialogs(), static_cast<DialogProvider*>(&inner));
            ShowMessageDlg("v notranjem", mtWarning, mbOKOnly);
            QCOMPARE(inner.count(), 1);
        }
        QCOMPARE(&Dialogs(), static_cast<DialogProvider*>(&outer));
        QCOMPARE(outer.count(), 0);
    }
    QCOMPARE(&Dialogs(), real);
}

void DialogsTest::scriptedAnswersAndRecords()
{
    ScriptedDialogs dlg;
    dlg.answerMessage(mrYes).answerMessage(mrNo);
    dlg.answerText("S59ABC").cancelText();
    dlg.answerFile("/tmp/log.DAT");
    dlg.answerFont(QFont("DejaVu Sans", 14));
    dlg.answerStandard(mrYes);
    dlg.answerStandardInput("53");

    QCOMPARE(ShowMessageDlg("Zveza S59ABC bo izbrisana !", mtWarning, mbYesNo), int(mrYes));
    QCOMPARE(ShowMessageDlg("Brišem S59ABC ?", mtConfirmation, mbYesNo), int(mrNo));
    QString call = "prej";
    QVERIFY(AskText("Najdi znak", "Vpiši znak", call));
    QCOMPARE(call, QString("S59ABC"));
    QString memory = "CQ TEST";
    QVERIFY(!AskText("Spomin F3", "Vpiši text", memory));
    QCOMPARE(memory, QString("CQ TEST"));
    QCOMPARE(Dialogs().fileName(nullptr, "", "/data", "Zox datoteke (*.DAT)|*.DAT", false, false),
             QString("/tmp/log.DAT"));
    QFont font("Serif", 9);
    QVERIFY(Dialogs().chooseFont(nullptr, font));
    QCOMPARE(font.pointSize(), 14);
    QCOMPARE(Dialogs().standardQuestion("Adif", "Datoteka a.adi že obstaja !"), int(mrYes));
    QString multi = "12";
    QVERIFY(Dialogs().standardInput("New multplier", "Type your multiplier", multi));
    QCOMPARE(multi, QString("53"));
    ShowError("disk full");

    QCOMPARE(dlg.count(), 9);
    QCOMPARE(dlg.unanswered(), 0);
    QCOMPARE(dlg.unusedAnswers(), 0);
    const auto& m = dlg.asked(1);
    QCOMPARE(m.question, Q::Message);
    QCOMPARE(m.title, QString("Potrditev"));
    QCOMPARE(m.text, QString("Brišem S59ABC ?"));
    QCOMPARE(m.kind, int(mtConfirmation));
    QCOMPARE(m.buttons, mbYesNo);
    const auto& t = dlg.asked(3);
    QCOMPARE(t.question, Q::Text);
    QCOMPARE(t.title, QString("Spomin F3"));
    QCOMPARE(t.text, QString("Vpiši text"));
    QCOMPARE(t.value, QString("CQ TEST"));
    QCOMPARE(t.caseMode, 1);
    const auto& f = dlg.asked(4);
    QCOMPARE(f.question, Q::File);
    QCOMPARE(f.value, QString("/data"));
    QCOMPARE(f.filter, QString("Zox datoteke (*.DAT)|*.DAT"));
    QVERIFY(!f.mustExist);
    QCOMPARE(dlg.last().question, Q::Error);
    QCOMPARE(dlg.last().text, QString("disk full"));
    QCOMPARE(dlg.count(Q::Message), 2);
    QCOMPARE(dlg.count(Q::StandardInput), 1);
}

void DialogsTest::scriptedCancelsWhatIsNotScripted()
{
    ScriptedDialogs dlg;
    dlg.answerText("nikoli");  // a text answer does not answer a message
    QCOMPARE(ShowMessageDlg("Ne najdem", mtInformation, mbOKOnly), int(mrCancel));
    QString value = "S59ABC";
    QVERIFY(!Dialogs().standardInput("New multplier", "Type your multiplier", value));
    QCOMPARE(value, QString("S59ABC"));
    QCOMPARE(Dialogs().fileName(nullptr, "", "", "", true, false), QString());
    QFont font("Serif", 9);
    QVERIFY(!Dialogs().chooseFont(nullptr, font));
    QCOMPARE(font.pointSize(), 9);
    // Unanswered, the overwrite question must not say yes.
    QCOMPARE(Dialogs().standardQuestion("Adif", "Kreiram novo ?"), int(mrNo));

    QCOMPARE(dlg.unanswered(), 5);
    QVERIFY(!dlg.asked(0).answered);
    QCOMPARE(dlg.unusedAnswers(), 1);
    dlg.clear();
    QCOMPARE(dlg.count(), 0);
    QCOMPARE(dlg.unusedAnswers(), 0);
}

void DialogsTest::guardedShowsTheErrorAndStops()
{
    ScriptedDialogs dlg;
    bool ranOn = false;
    const bool ok = Guarded([&] {
        throw std::runtime_error("file is not a database");
        ranOn = true;
    });
    QVERIFY(!ok);
    QVERIFY(!ranOn);
    QCOMPARE(dlg.count(), 1);
    QCOMPARE(dlg.last().question, Q::Error);
    QCOMPARE(dlg.last().text, QString("file is not a database"));

    int runs = 0;
    QVERIFY(Guarded([&] { ++runs; }));
    QCOMPARE(runs, 1);
    QCOMPARE(dlg.count(), 1);
}

void DialogsTest::nameFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("log files") << "Zox datoteke (*.DAT)|*.DAT" << "Zox datoteke (*.DAT)";
    QTest::newRow("adif") << "Adif files(*.adi)|*.adi" << "Adif files(*.adi)";
    QTest::newRow("plain description") << "Besedila|*.txt;*.log|Vse|*.*" << "Besedila (*.txt *.log);;Vse (*.*)";
    QTest::newRow("empty") << "" << "";
}

void DialogsTest::nameFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(QtNameFilter(filter), expected);
}

void DialogsTest::fileDialogMatchesAnyCaseAndAcceptsNewName()
{
    zox::test::TempFolder folder;
    for (const char* name : {"upper.DAT", "lower.dat", "mixed.Dat", "other.txt"})
        folder.write(name, "x");

    QStringList listed;
    OnModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        QVERIFY(dlg);
        auto* model = dlg->findChild<QFileSystemModel*>();
        QVERIFY(model);
        const QModelIndex root = model->index(folder.dir.path());
        QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(root) >= 3, true, 5000);
        QTest::qWait(50);
        for (int r = 0; r < model->rowCount(root); ++r) {
            const QModelIndex i = model->index(r, 0, root);
            if (model->flags(i) & Qt::ItemIsEnabled)
                listed << model->fileName(i);
        }
        auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(edit);
        edit->setFocus();
        QTest::keyClicks(edit, "novi");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const QString path = Dialogs().fileName(nullptr, QString(), folder.dir.path(), "Zox datoteke (*.DAT)|*.DAT",
                                            false, false);
    listed.sort();
    QCOMPARE(listed, (QStringList{"lower.dat", "mixed.Dat", "upper.DAT"}));
    QCOMPARE(path, folder.path("novi"));
}

void DialogsTest::fileDialogCancel()
{
    zox::test::TempFolder folder;
    OnModal([](QWidget* w) { PressKey(w, Qt::Key_Escape); });
    QCOMPARE(Dialogs().fileName(nullptr, "Kreiraj novo Adif datoteko", folder.dir.path(), "Adif files(*.adi)|*.adi",
                                false, false),
             QString());
}

void DialogsTest::standardQuestion_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("expected");
    QTest::newRow("Yes") << "&Yes" << int(mrYes);
    QTest::newRow("No") << "&No" << int(mrNo);
    QTest::newRow("Escape") << "Escape" << int(mrNo);
    QTest::newRow("close box") << "close" << int(mrNo);
}

void DialogsTest::standardQuestion()
{
    QFETCH(QString, step);
    QFETCH(int, expected);
    QString title, text;
    OnModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        if (step == "Escape")
            PressKey(w, Qt::Key_Escape);
        else if (step == "close")
            w->close();
        else if (QPushButton* b = ButtonByText(w, step))
            QTest::mouseClick(b, Qt::LeftButton);
    });
    QCOMPARE(Dialogs().standardQuestion("Adif", "Datoteka a.adi že obstaja !\r\nKreiram novo ?"), expected);
    QCOMPARE(title, QString("Adif"));
    QCOMPARE(text, QString("Datoteka a.adi že obstaja !\r\nKreiram novo ?"));
}

void DialogsTest::standardInput()
{
    QString selected, title, prompt;
    OnModal([&](QWidget* w) {
        title = w->windowTitle();
        prompt = w->findChild<QLabel*>()->text();
        auto* edit = w->findChild<QLineEdit*>();
        selected = edit->selectedText();
        QTest::keyClicks(edit, "53");
        QTest::mouseClick(ButtonByText(w, "OK"), Qt::LeftButton);
    });
    QString multi = "12";
    QVERIFY(Dialogs().standardInput("New multplier", "Type your multiplier", multi));
    QCOMPARE(multi, QString("53"));
    QCOMPARE(selected, QString("12"));
    QCOMPARE(title, QString("New multplier"));
    QCOMPARE(prompt, QString("Type your multiplier"));

    OnModal([&](QWidget* w) {
        QTest::keyClicks(w->findChild<QLineEdit*>(), "99");
        QTest::mouseClick(ButtonByText(w, "Cancel"), Qt::LeftButton);
    });
    QVERIFY(!Dialogs().standardInput("New multplier", "Type your multiplier", multi));
    QCOMPARE(multi, QString("53"));
}

void DialogsTest::showErrorShowsItsText()
{
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    OnModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        text = box->text();
        icon = box->icon();
        box->close();
    });
    QVERIFY(!Guarded([] { throw std::runtime_error("disk I/O error"); }));
    QCOMPARE(text, QString("disk I/O error"));
    QCOMPARE(icon, QMessageBox::Critical);
}

void DialogsTest::fontDialog()
{
    QFont font("DejaVu Sans", 11);
    OnModal([](QWidget* w) { PressKey(w, Qt::Key_Escape); });
    QVERIFY(!Dialogs().chooseFont(nullptr, font));
    QCOMPARE(font.pointSize(), 11);

    OnModal([](QWidget* w) {
        auto* box = w->findChild<QDialogButtonBox*>();
        QVERIFY(box);
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QFont chosen = font;
    QVERIFY(Dialogs().chooseFont(nullptr, chosen));
    QCOMPARE(QFontInfo(chosen).family(), QFontInfo(font).family());
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"

// The report commands through the real window.
#include "WindowFixture.h"

#include "ui/uUserDlg.h"

#include <QStringDecoder>
#include <QTimer>

using namespace zox;
using zox::test::Window;

namespace {
bool exists(const QString& p) { return QFileInfo::exists(p); }

QByteArray bytes(const QString& p)
{
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The real operator dialog, answered as the operator does as soon as it shows:
// types the call and the year number into it (when given) and presses OK, or
// presses Cancel. Notes which field had the focus.
struct OperatorDialog {
    QObject guard;  // ends the watch with the test
    int shown = 0;
    QString focused;

    void answer(const QString& call, const QString& multi, bool ok)
    {
        auto* timer = new QTimer(&guard);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [=, this] {
            auto* d = qobject_cast<TUserDlgFrm*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible()) return;
            timer->stop();
            ++shown;
            focused = d->focusWidget() ? d->focusWidget()->objectName() : QString();
            for (auto [edit, text] : {std::pair{d->edCall, call}, std::pair{d->edMulti, multi}}) {
                if (text.isNull()) continue;
                edit->selectAll();
                QTest::keyClicks(edit, text);
            }
            QTest::mouseClick(ok ? d->btnOK : d->btnCancel, Qt::LeftButton);
        });
        timer->start();
    }
};
}  // namespace

class ReportCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void noLogOpenWritesNothing()
    {
        Window t;
        QDir().mkpath(Dir.Txt);
        for (QAction* a : {t.w->LogKreiraj, t.w->ZbirniKreiraj, t.w->Adif1, t.w->Cabrillo1}) {
            a->trigger();
            QCOMPARE(t.dlg.last().text, QString(" Datoteka ni odprta !"));
        }
        QCOMPARE(QDir(Dir.Txt).entryList(QDir::Files).size(), 0);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::File), 0);
    }

    void listingAndSummaryAreNamedAfterTheCall()
    {
        Window t;
        QDir().mkpath(Dir.Txt);
        t.newLog(t.logPath());
        t.enter("Q1AAA");
        UserInfo.User.Call = "Q5OP";
        t.w->LogKreiraj->trigger();
        t.w->ZbirniKreiraj->trigger();
        QVERIFY(exists(Dir.Txt + "Q5OP.txt"));
        QVERIFY(exists(Dir.Txt + "Q5OP.sum"));
        // An empty call asks for one; Cancel writes nothing.
        UserInfo.User.Call.clear();
        t.dlg.cancelText();
        t.w->LogKreiraj->trigger();
        QCOMPARE(t.dlg.last().title, QString("Znak"));
        QCOMPARE(t.dlg.last().text, QString("Vpiši znak"));
        QCOMPARE(t.dlg.last().caseMode, 1);
        t.dlg.answerText("Q5ASK");
        t.w->LogKreiraj->trigger();
        QVERIFY(exists(Dir.Txt + "Q5ASK.txt"));
        // The grid and the searches work afterwards.
        QVERIFY(t.w->Data.LogTbl1.isOpen() && t.w->Data.LogTbl2.isOpen());
        t.enter("Q1AAA");
        QCOMPARE(t.w->InfoLabel->text(), QString());
        QCOMPARE(t.status(), QString("2  zvez !"));
    }

    void adifAppendsItsExtensionAndAsksBeforeOverwriting()
    {
        Window t;
        QDir().mkpath(Dir.Adif);
        t.newLog(t.logPath());
        t.enter("Q1AAA");
        t.dlg.answerFile(Dir.Adif + "contest");
        t.w->Adif1->trigger();
        QCOMPARE(t.dlg.last().title, QString("Kreiraj novo Adif datoteko"));
        QCOMPARE(t.dlg.last().value, Dir.Adif);
        QVERIFY(exists(Dir.Adif + "contest.adi"));
        QFile f(Dir.Adif + "contest.adi");
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write("old");
        f.close();
        t.dlg.answerFile(Dir.Adif + "contest.adi").answerStandard(mrNo);
        t.w->Adif1->trigger();
        QCOMPARE(t.dlg.last().text, QString("Datoteka contest.adi že obstaja !\r\nKreiram novo ?"));
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), QByteArray("old"));
        f.close();
        t.dlg.answerFile(Dir.Adif + "contest.adi").answerStandard(mrYes);
        t.w->Adif1->trigger();
        f.open(QIODevice::ReadOnly);
        QVERIFY(f.readAll().contains("<eoh>"));
    }

    void callsThatAreNoFileNamesStillGiveTheirReports_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("stem");
        QTest::newRow("portable") << "S59ABC/P" << "S59ABC_P";
        QTest::newRow("up and out") << "../../X" << "__X";
        QTest::newRow("blank") << "Q5A B" << "Q5AB";
        QTest::newRow("Slovene letters") << QStringLiteral("S5\u010C\u0160\u017D") << QStringLiteral("S5\u010C\u0160\u017D");
    }
    void callsThatAreNoFileNamesStillGiveTheirReports()
    {
        QFETCH(QString, call);
        QFETCH(QString, stem);
        Window t;
        QDir().mkpath(Dir.Txt);
        t.newLog(t.logPath());
        t.enter("Q1AAA");
        UserInfo.User.Call = call;
        t.w->LogKreiraj->trigger();
        t.w->ZbirniKreiraj->trigger();
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 0);
        QCOMPARE(QDir(Dir.Txt).entryList(QDir::Files | QDir::Hidden), (QStringList{stem + ".sum", stem + ".txt"}));
        QFile listing(Dir.Txt + stem + ".txt");
        QVERIFY(listing.open(QIODevice::ReadOnly));
        QStringDecoder cp1250("windows-1250");
        const QString title = cp1250(listing.readLine());
        QVERIFY2(title.endsWith(" Trelo Prvenstvo NLT " + call + "\r\n"), qPrintable(title));  // as typed
        // Nothing beside the program folder.
        QCOMPARE(QDir(t.root.path()).entryList(QDir::Files), QStringList());
    }

    void aFolderThatIsMissingGivesTheSystemsMessage()
    {
        Window t;  // no Txt folder
        t.newLog(t.logPath());
        t.enter("Q1AAA");
        UserInfo.User.Call = "Q5OP";
        t.w->LogKreiraj->trigger();
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 1);
        QVERIFY(t.dlg.last().text.contains("Q5OP.txt"));
        QVERIFY(t.w->Data.LogTbl1.isOpen() && t.w->Data.LogTbl2.isOpen());
        QVERIFY(!t.w->Data.LogTbl.controlsDisabled());
    }

    void cabrilloAsksForTheOwnCallAndYearNumberFirst()
    {
        Window t;
        QDir().mkpath(Dir.Cabrillo);
        t.newLog(t.logPath());
        t.enter("Q1AAA");  // the list gives 69
        const struct {
            const char* what;
            QString call, multi;  // before the command
            QString focused;      // where the dialog starts
        } cases[] = {
            {"neither", "", "", "edCall"},
            {"no year number", "S59ABC", "", "edMulti"},
            {"no call", "", "69", "edCall"},
            {"blanks only", " ", "69", "edCall"},
        };
        for (const auto& c : cases) {
            // Cancel: nothing further is asked and nothing is written.
            UserInfo.User.Call = c.call;
            UserInfo.User.Multi = c.multi;
            t.dlg.clear();
            OperatorDialog op;
            op.answer(QString(), QString(), false);
            t.w->Cabrillo1->trigger();
            QVERIFY2(op.shown == 1, c.what);
            QCOMPARE(op.focused, c.focused);
            QCOMPARE(t.dlg.count(), 0);
            QCOMPARE(UserInfo.User.Call, c.call);
            QCOMPARE(UserInfo.User.Multi, c.multi);
            QCOMPARE(QDir(Dir.Cabrillo).entryList(QDir::Files).size(), 0);
        }

        // OK with what was missing typed in: the file follows, with them.
        UserInfo.User.Call.clear();
        UserInfo.User.Multi.clear();
        t.w->edMyMulti->clear();
        t.dlg.clear();
        t.dlg.answerFile(Dir.Cabrillo + "contest").answerMessage(mrOk);
        OperatorDialog op;
        op.answer("S59ABC", "69", true);
        t.w->Cabrillo1->trigger();
        QCOMPARE(op.shown, 1);
        QCOMPARE(UserInfo.User.Call, QString("S59ABC"));
        QCOMPARE(UserInfo.User.Multi, QString("69"));
        QCOMPARE(t.w->edMyMulti->text(), QString("69"));
        QCOMPARE(t.dlg.asked(0).question, ScriptedDialogs::Question::File);
        const QByteArray file = bytes(Dir.Cabrillo + "contest.log");
        QVERIFY2(file.contains("\r\nCALLSIGN: S59ABC\r\n"), file.constData());
        QVERIFY2(file.contains(" S59ABC        599 69     Q1AAA         599 69\r\nEND-OF-LOG:\r\n"), file.constData());

        // OK without them: a notice, and nothing written.
        UserInfo.User.Call.clear();
        t.dlg.clear();
        t.dlg.answerMessage(mrOk);
        OperatorDialog again;
        again.answer(QString(), QString(), true);
        t.w->Cabrillo1->trigger();
        QCOMPARE(again.shown, 1);
        QCOMPARE(t.dlg.count(), 1);
        QCOMPARE(t.dlg.last().text,
                 QString("Brez svojega znaka in svojega množitelja ne morem zapisati Cabrillo datoteke !"));
        QCOMPARE(QDir(Dir.Cabrillo).entryList(QDir::Files), QStringList{"contest.log"});

        // With both set, no operator dialog comes up.
        UserInfo.User.Call = "S59ABC";
        t.dlg.clear();
        t.dlg.answerFile(QString());
        OperatorDialog none;
        none.answer(QString(), QString(), false);
        t.w->Cabrillo1->trigger();
        QTest::qWait(50);
        QCOMPARE(none.shown, 0);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::File), 1);
    }

    void cabrilloAppendsItsExtensionAsksBeforeOverwritingAndReports()
    {
        Window t;
        QDir().mkpath(Dir.Cabrillo);
        t.newLog(t.logPath());
        UserInfo.User.Call = "S59ABC";
        UserInfo.User.Multi = "69";
        UserInfo.User.FName = QString::fromUtf8("Jože");
        t.enter("Q1AAA");
        t.enter("Q5ABC");
        t.enter("Q1AAA");  // a duplicate stays in the file
        t.w->edRstR->clear();
        t.enter("S51Z", "07");
        t.dlg.clear();
        t.dlg.answerFile(Dir.Cabrillo + "contest").answerMessage(mrOk);
        t.w->Cabrillo1->trigger();
        const ScriptedDialogs::Asked dialog = t.dlg.asked(0);
        QCOMPARE(dialog.title, QString("Kreiraj Cabrillo datoteko"));
        QCOMPARE(dialog.value, Dir.Cabrillo);
        QCOMPARE(QtNameFilter(dialog.filter), QString("Cabrillo (*.log *.cbr)"));
        QVERIFY(!dialog.mustExist);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::StandardQuestion), 0);
        const QByteArray file = bytes(Dir.Cabrillo + "contest.log");
        QCOMPARE(file.count("\r\nQSO: "), 4);
        // The claimed score is the one the window shows.
        QVERIFY2(file.contains("\r\nCLAIMED-SCORE: " + t.w->lblRezultat->text().toLatin1() + "\r\n"), file.constData());
        QCOMPARE(t.w->lblRezultat->text(), QString("18"));  // 6 points x 3 multipliers
        QVERIFY2(file.contains("\r\nNAME: Joe\r\n"), file.constData());
        QVERIFY2(file.contains(" S51Z            - 07\r\n"), file.constData());
        // The message that ends the export names what the file could not hold.
        QCOMPARE(t.dlg.last().question, ScriptedDialogs::Question::Message);
        QCOMPARE(t.dlg.last().kind, int(mtWarning));
        QCOMPARE(t.dlg.last().text, QString::fromUtf8("Cabrillo datoteka contest.log je zapisana.\nZveze: 4, rezultat: 18.\n\n"
                                                      "Izpuščeni znaki (datoteka sme imeti le znake ASCII):\nNAME: \"ž\"\n\n"
                                                      "Prazno, v datoteki zapisano \"-\":\nzveza 4, sprejeti raport"));

        // An existing file is replaced only after Yes.
        QFile f(Dir.Cabrillo + "contest.log");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("old");
        f.close();
        t.dlg.clear();
        t.dlg.answerFile(Dir.Cabrillo + "contest.log").answerStandard(mrNo);
        t.w->Cabrillo1->trigger();
        QCOMPARE(t.dlg.last().question, ScriptedDialogs::Question::StandardQuestion);
        QCOMPARE(t.dlg.last().text, QString("Datoteka contest.log že obstaja !\r\nKreiram novo ?"));
        QCOMPARE(bytes(Dir.Cabrillo + "contest.log"), QByteArray("old"));
        UserInfo.User.FName.clear();
        t.dlg.clear();
        t.dlg.answerFile(Dir.Cabrillo + "contest.log").answerStandard(mrYes).answerMessage(mrOk);
        t.w->Cabrillo1->trigger();
        QVERIFY(bytes(Dir.Cabrillo + "contest.log").startsWith("START-OF-LOG: 3.0\r\n"));
        QCOMPARE(t.dlg.last().text, QString::fromUtf8("Cabrillo datoteka contest.log je zapisana.\nZveze: 4, rezultat: 18.\n\n"
                                                      "Prazno, v datoteki zapisano \"-\":\nzveza 4, sprejeti raport"));
        // Another extension is kept.
        t.dlg.clear();
        t.dlg.answerFile(Dir.Cabrillo + "S59ABC.cbr").answerMessage(mrOk);
        t.w->Cabrillo1->trigger();
        QVERIFY(exists(Dir.Cabrillo + "S59ABC.cbr"));
        QVERIFY(!exists(Dir.Cabrillo + "S59ABC.cbr.log"));
        QCOMPARE(t.dlg.unanswered(), 0);
    }

    // Neither export may put its file in the open log's place, whatever the overwrite answer.
    void exportsNeverGoOverTheOpenLog_data()
    {
        QTest::addColumn<bool>("cabrillo");
        QTest::newRow("Adif") << false;
        QTest::newRow("Cabrillo") << true;
    }
    void exportsNeverGoOverTheOpenLog()
    {
        QFETCH(bool, cabrillo);
        Window t;
        t.newLog(t.logPath());
        UserInfo.User.Call = "S59ABC";
        UserInfo.User.Multi = "69";
        t.enter("Q1AAA");
        const QByteArray before = bytes(t.logPath());
        t.dlg.clear();
        t.dlg.answerFile(Dir.Data + "sub/../test.DAT").answerStandard(mrYes).answerMessage(mrOk);
        QDir().mkpath(Dir.Data + "sub");
        (cabrillo ? t.w->Cabrillo1 : t.w->Adif1)->trigger();
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::StandardQuestion), 0);
        QCOMPARE(t.dlg.last().text, QString("Datoteka test.DAT je odprti dnevnik !"));
        QCOMPARE(bytes(t.logPath()), before);
        t.enter("Q5ABC");
        QCOMPARE(t.status(), QString("2  zvez !"));
    }

    void cabrilloIntoAMissingFolderGivesTheSystemsMessage()
    {
        Window t;  // no Cabrillo folder
        t.newLog(t.logPath());
        UserInfo.User.Call = "S59ABC";
        UserInfo.User.Multi = "69";
        t.enter("Q1AAA");
        t.dlg.answerFile(Dir.Cabrillo + "contest");
        t.w->Cabrillo1->trigger();
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 1);
        QVERIFY(t.dlg.last().text.contains("contest.log"));
        QVERIFY(t.w->Data.LogTbl1.isOpen() && t.w->Data.LogTbl2.isOpen());
        QVERIFY(!t.w->Data.LogTbl.controlsDisabled());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(ReportCommandsTest)
#include "report_commands_test.moc"

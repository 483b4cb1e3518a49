// The report commands through the real window.
#include "WindowFixture.h"

#include <QStringDecoder>

using namespace zox;
using zox::test::Window;

namespace {
bool exists(const QString& p) { return QFileInfo::exists(p); }
}  // namespace

class ReportCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void noLogOpenWritesNothing()
    {
        Window t;
        QDir().mkpath(Dir.Txt);
        for (QAction* a : {t.w->LogKreiraj, t.w->ZbirniKreiraj, t.w->Adif1}) {
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
};

QTEST_MAIN(ReportCommandsTest)
#include "report_commands_test.moc"

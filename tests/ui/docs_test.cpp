// External documents and help: starting the editor and the word processor, the four
// document commands and their messages, the current help file and the help window, the
// about box, and the documents shipped in share/.

#include "uibase/ModalHelper.h"
#include "app/uGlob.h"
#include "ui/CwKeyerSetup.h"
#include "ui/HelpViewer.h"
#include "ui/ProUtils.h"
#include "ui/TextEditorWnd.h"
#include "ui/base/MsgDlgSlo.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uAbout.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include <algorithm>

using namespace zox;
using zox::test::OnModal;
using Q = ScriptedDialogs::Question;

namespace {

// The repository's share/ folder, found from this file's own path.
QDir ShareDir() { return QDir(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../../share")); }

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A program folder of our own and a made-up set of installed programs.
struct ProgramFolder {
    QTemporaryDir root;
    QHash<QString, QString> installed;  // name -> full path
    QString logPath;                    // what the recording program writes

    ProgramFolder()
    {
        BuildFolderTable(root.filePath(QStringLiteral("prog")));
        for (const char* sub : {"Rules", "Manual", "Txt", "Help"}) QDir(Dir.Prog).mkpath(QLatin1String(sub));
        logPath = root.filePath(QStringLiteral("started.log"));
        SetProgramLookup([this](const QString& name) { return installed.value(name); });
    }
    ~ProgramFolder() { SetProgramLookup({}); }

    // A program that records its working folder and each argument, one a line.
    QString recorder()
    {
        const QString path = root.filePath(QStringLiteral("recorder.sh"));
        const QByteArray script = "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; echo --; } >> '" +
                                  QFile::encodeName(logPath) + "'\n";
        if (!WriteFile(path, script)) return {};
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
        return path;
    }
    QStringList started() const
    {
        return QString::fromLocal8Bit(ReadAll(logPath)).split('\n', Qt::SkipEmptyParts);
    }
};

}  // namespace

class DocsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        SetProgramLookup({});
        delete HelpWindow();
    }

    // ---- RunProgram

    void resolvesTheDesktopPrograms_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("command");  // "" for none

        const QString file = QStringLiteral("a file.txt");
        QTest::newRow("first editor of the list") << "Notepad.exe" << QStringList{"kate", "gedit"}
                                                  << QStringList{"/opt/gedit", file};
        QTest::newRow("a later editor") << "Notepad.exe" << QStringList{"mousepad", "xdg-open"}
                                        << QStringList{"/opt/mousepad", file};
        QTest::newRow("the desktop's choice last") << "Notepad.exe" << QStringList{"xdg-open", "lowriter"}
                                                   << QStringList{"/opt/xdg-open", file};
        QTest::newRow("any letter case") << "notepad" << QStringList{"leafpad"} << QStringList{"/opt/leafpad", file};
        QTest::newRow("no editor") << "Notepad.exe" << QStringList{"lowriter", "abiword"} << QStringList{};
        QTest::newRow("word processor with its switch") << "WinWord.exe" << QStringList{"abiword", "libreoffice"}
                                                        << QStringList{"/opt/libreoffice", "--writer", file};
        QTest::newRow("second word processor") << "WINWORD.EXE" << QStringList{"abiword", "lowriter"}
                                               << QStringList{"/opt/lowriter", file};
        QTest::newRow("no word processor") << "WinWord.exe" << QStringList{"gedit", "kate"} << QStringList{};
        QTest::newRow("another program as given") << "mc" << QStringList{"mc", "gedit"} << QStringList{"/opt/mc", file};
        QTest::newRow("another program missing") << "mc" << QStringList{"gedit"} << QStringList{};
    }
    void resolvesTheDesktopPrograms()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, installed);
        QFETCH(QStringList, command);
        SetProgramLookup([&](const QString& name) {
            return installed.contains(name) ? QStringLiteral("/opt/") + name : QString();
        });
        QCOMPARE(ResolveProgram(program, QStringLiteral("a file.txt")), command);
    }

    void startsTheProgramWithOneArgumentInItsFolder()
    {
        ProgramFolder p;
        p.installed[QStringLiteral("pluma")] = p.recorder();
        const QString folder = p.root.filePath(QStringLiteral("work dir"));
        QVERIFY(QDir().mkpath(folder));
        // Blanks and shell characters reach the program untouched, as one argument.
        const QString file = QStringLiteral("my log; $HOME 'x'.txt");
        QVERIFY(RunProgram(QStringLiteral("Notepad.exe"), file, folder, swNormal) > 32);
        QTRY_COMPARE(p.started(), (QStringList{QDir(folder).canonicalPath(), file, "--"}));
    }

    void startsAProgramThatExists()
    {
        ProgramFolder p;
        p.installed[QStringLiteral("true")] = QStringLiteral("/bin/true");
        QCOMPARE(RunProgram(QStringLiteral("true"), QString(), QString(), swMaximized), kRunStarted);
        QCOMPARE(RunProgram(QStringLiteral("/bin/true"), QStringLiteral("x"), Dir.Prog, swMinimized), kRunStarted);
    }

    void reportsAProgramThatCannotStart_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("lookupResult");  // what the lookup gives for every name
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("result");
        QTest::newRow("not installed") << "Notepad.exe" << "" << "" << kRunFileNotFound;
        QTest::newRow("missing path") << "/no/such/program" << "" << "" << kRunFileNotFound;
        QTest::newRow("no such folder") << "Notepad.exe" << "/bin/true" << "/no/such/folder" << kRunPathNotFound;
        QTest::newRow("not executable") << "Notepad.exe" << "@plain" << "" << kRunFailed;
    }
    void reportsAProgramThatCannotStart()
    {
        QFETCH(QString, program);
        QFETCH(QString, lookupResult);
        QFETCH(QString, folder);
        QFETCH(int, result);
        ProgramFolder p;
        if (lookupResult == QLatin1String("@plain")) {
            lookupResult = p.root.filePath(QStringLiteral("plain.txt"));
            QVERIFY(WriteFile(lookupResult, "not a program\n"));
        }
        SetProgramLookup([&](const QString&) { return lookupResult; });
        const int rc = RunProgram(program, QStringLiteral("Zox_rules.txt"), folder, swNormal);
        QCOMPARE(rc, result);
        QVERIFY(rc <= 32);
    }

    // ---- the four document commands

    void manualGoesToTheWordProcessor()
    {
        ProgramFolder p;
        p.installed[QStringLiteral("lowriter")] = p.recorder();
        ScriptedDialogs dlg;
        Navodila1Click();
        QCOMPARE(dlg.count(), 0);
        QTRY_COMPARE(p.started(), (QStringList{QDir(Dir.Prog + "Manual").canonicalPath(), "Zox_navodila.doc", "--"}));
    }

    // The code page 1250 files open in the program's own text window, never in a
    // desktop editor that would read them as UTF-8.
    void codePageFilesOpenInTheTextWindow_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("file");  // relative to the program folder
        QTest::newRow("rules") << 0 << "Q5OP" << "Rules/Zox_rules.txt";
        QTest::newRow("listing") << 2 << "Q5OP" << "Txt/Q5OP.txt";
        QTest::newRow("summary") << 3 << "Q5OP" << "Txt/Q5OP.sum";
        QTest::newRow("listing, empty call") << 2 << "" << "Txt/.txt";
        QTest::newRow("summary, empty call") << 3 << "" << "Txt/.sum";
        // A portable call opens the files the reports were written to, inside Txt.
        QTest::newRow("listing, portable call") << 2 << "S59ABC/P" << "Txt/S59ABC_P.txt";
        QTest::newRow("summary, call leaving Txt") << 3 << "../../X" << "Txt/__X.sum";
    }
    void codePageFilesOpenInTheTextWindow()
    {
        QFETCH(int, command);
        QFETCH(QString, call);
        QFETCH(QString, file);
        ProgramFolder p;
        p.installed[QStringLiteral("gedit")] = p.recorder();  // an editor is there, and stays unused
        const QString path = Dir.Prog + file;
        QVERIFY(WriteFile(path, "To\xe8ke in mno\x9eitelji\r\n"));
        ScriptedDialogs dlg;
        RunCommand(command, call);
        QCOMPARE(dlg.count(), 0);
        TTextEditorWnd* window = TextEditorFor(path);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->Editor->toPlainText(), QStringLiteral("Točke in množitelji\n"));
        QTest::qWait(100);
        QCOMPARE(p.started(), QStringList());
        window->close();
    }

    void aMissingFileIsReported_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("file");
        QTest::newRow("rules") << 0 << "Ne najdem !" << "Rules/Zox_rules.txt";
        QTest::newRow("listing") << 2 << "Ne najdem" << "Txt/Q5OP.txt";
        QTest::newRow("summary") << 3 << "Ne najdem !" << "Txt/Q5OP.sum";
    }
    void aMissingFileIsReported()
    {
        QFETCH(int, command);
        QFETCH(QString, message);
        QFETCH(QString, file);
        ProgramFolder p;
        ScriptedDialogs dlg;
        dlg.answerMessage(mrOk);
        RunCommand(command, QStringLiteral("Q5OP"));
        QCOMPARE(dlg.count(), 1);
        QCOMPARE(dlg.last().question, Q::Message);
        QCOMPARE(dlg.last().text, message + "\n" + Dir.Prog + file);
        QCOMPARE(dlg.last().kind, int(mtInformation));
        QCOMPARE(dlg.last().buttons, int(mbOK));
        QVERIFY(!TextEditorFor(Dir.Prog + file));
    }

    void withoutWordProcessorOnlyTheManualFails()
    {
        ProgramFolder p;
        p.installed[QStringLiteral("gedit")] = p.recorder();
        QVERIFY(WriteFile(Dir.Rules + "Zox_rules.txt", "Pravila\r\n"));
        ScriptedDialogs dlg;
        dlg.answerMessage(mrOk);
        Navodila1Click();
        QCOMPARE(dlg.count(), 1);
        QCOMPARE(dlg.last().text, QStringLiteral("Ne najdem !"));
        QCOMPARE(dlg.last().kind, int(mtInformation));
        Pravila1Click();
        QCOMPARE(dlg.count(), 1);
        QVERIFY(TextEditorFor(Dir.Rules + "Zox_rules.txt"));
        TextEditorFor(Dir.Rules + "Zox_rules.txt")->close();
    }

    // ---- the current help file and the help window

    void helpFileStandsForItsContentsPage()
    {
        QCOMPARE(HelpContentsPage(QStringLiteral("/p/Help/Zox.hlp")), QStringLiteral("/p/Help/Zox/index.html"));
        QCOMPARE(HelpContentsPage(QStringLiteral("/p/Help/Keyer.hlp")), QStringLiteral("/p/Help/Keyer/index.html"));
        QCOMPARE(HelpContentsPage(QString()), QString());
    }

    void keyerSettingsMakeTheKeyerHelpCurrentWhileOpen()
    {
        ProgramFolder p;
        WriteHelp(QStringLiteral("Zox"), QStringLiteral("Pomoč programa"));
        WriteHelp(QStringLiteral("Keyer"), QStringLiteral("Pomoč tastra"));
        InstallHelp();
        QCOMPARE(HelpFile(), Dir.Help + "Zox.hlp");
        {
            TSetupFrm setup;
            QCOMPARE(HelpFile(), Dir.Help + "Keyer.hlp");
            setup.show();
            QTest::mouseClick(setup.HelpBtn, Qt::LeftButton);
            QVERIFY(HelpWindow() && HelpWindow()->isVisible());
            QVERIFY(HelpWindow()->Browser->toPlainText().contains(QStringLiteral("Pomoč tastra")));
            setup.reject();  // cancelled
        }
        QCOMPARE(HelpFile(), Dir.Help + "Zox.hlp");
        THelpFrm* help = ShowHelpContents();
        QVERIFY(help->Browser->toPlainText().contains(QStringLiteral("Pomoč programa")));
    }

    void helpAskedFromAModalDialogCanBeUsed()
    {
        ProgramFolder p;
        WriteHelp(QStringLiteral("Keyer"), QStringLiteral("Pomoč tastra"));
        InstallHelp();
        const QUrl contents = QUrl::fromLocalFile(Dir.Help + "Keyer/index.html");
        bool done = false;
        OnModal([&](QWidget* w) {
            auto* setup = qobject_cast<TSetupFrm*>(w);
            QVERIFY(setup);
            QTest::mouseClick(setup->HelpBtn, Qt::LeftButton);
            THelpFrm* help = HelpWindow();
            QVERIFY(help && help->isVisible());
            help->Browser->setSource(QUrl::fromLocalFile(Dir.Help + "Keyer/druga.html"));
            // The dialog does not block the help: a click as the window system delivers it works.
            QVERIFY(help->windowHandle());
            QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {},
                              help->HomeBtn->mapTo(help, help->HomeBtn->rect().center()));
            QCOMPARE(help->Browser->source(), contents);
            done = true;
            setup->reject();
        });
        TSetupFrm setup;
        setup.exec();
        QVERIFY(done);
    }

    void viewerOpensAtTheContentsPage()
    {
        ProgramFolder p;
        WriteHelp(QStringLiteral("Zox"), QStringLiteral("Vsebina pomoči"));
        SetHelpFile(Dir.Help + "Zox.hlp");
        THelpFrm* help = ShowHelpContents();
        QVERIFY(help->isVisible());
        QVERIFY(!help->Missing());
        QCOMPARE(help->Browser->source(), QUrl::fromLocalFile(Dir.Help + "Zox/index.html"));
        QCOMPARE(help->windowTitle(), QStringLiteral("Pomoč – Vsebina pomoči"));

        // Away to another page and back with "Vsebina".
        help->Browser->setSource(QUrl::fromLocalFile(Dir.Help + "Zox/druga.html"));
        QVERIFY(help->Browser->toPlainText().contains(QStringLiteral("Druga stran")));
        QVERIFY(help->BackBtn->isEnabled());
        QTest::mouseClick(help->HomeBtn, Qt::LeftButton);
        QCOMPARE(help->Browser->source(), QUrl::fromLocalFile(Dir.Help + "Zox/index.html"));

        // Asking again brings the same window back at the contents.
        help->Browser->setSource(QUrl::fromLocalFile(Dir.Help + "Zox/druga.html"));
        QCOMPARE(ShowHelpContents(), help);
        QCOMPARE(help->Browser->source(), QUrl::fromLocalFile(Dir.Help + "Zox/index.html"));
    }

    void viewerSaysWhenTheHelpFileIsMissing()
    {
        ProgramFolder p;
        WriteHelp(QStringLiteral("Zox"), QStringLiteral("Vsebina pomoči"));
        SetHelpFile(Dir.Help + "Zox.hlp");
        ShowHelpContents();
        SetHelpFile(Dir.Help + "Keyer.hlp");  // not written
        THelpFrm* help = ShowHelpContents();
        QVERIFY(help->isVisible());
        QVERIFY(help->Missing());
        const QString text = help->Browser->toPlainText();
        QVERIFY(text.contains(QStringLiteral("Ne najdem datoteke pomoči")));
        QVERIFY(text.contains(Dir.Help + "Keyer.hlp"));
        QVERIFY(!text.contains(QStringLiteral("Vsebina pomoči")));  // nothing of the page before
        QVERIFY(!help->BackBtn->isEnabled());
    }

    void helpButtonOfAMessageShowsTheHelp()
    {
        ProgramFolder p;
        WriteHelp(QStringLiteral("Zox"), QStringLiteral("Vsebina pomoči"));
        InstallHelp();
        auto dlg = CreateMessageDialog(QStringLiteral("Besedilo"), mtInformation, mbOK | mbHelp, 7);
        dlg->show();
        QPushButton* helpButton = nullptr;
        for (QPushButton* b : dlg->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("&Help")) helpButton = b;
        QVERIFY(helpButton);
        QTest::mouseClick(helpButton, Qt::LeftButton);
        QVERIFY(HelpWindow() && HelpWindow()->isVisible());
        QVERIFY(HelpWindow()->Browser->toPlainText().contains(QStringLiteral("Vsebina pomoči")));
        QVERIFY(dlg->isVisible());  // Help does not end the message
    }

    // ---- the about box

    void aboutBox()
    {
        ProgramFolder p;
        QVERIFY(QFile::copy(ShareDir().filePath(QStringLiteral("Help/emblem.png")), Dir.Help + "emblem.png"));
        bool checked = false;
        OnModal([&](QWidget* w) {
            auto* about = qobject_cast<TAboutFrm*>(w);
            QVERIFY(about);
            QCOMPARE(about->windowTitle(), QStringLiteral("Trelo prvenstvo NLT"));
            QCOMPARE(about->size(), QSize(454, 232));
            QCOMPARE(about->minimumSize(), about->maximumSize());
            QCOMPARE(about->Panel1->geometry(), QRect(0, 0, 454, 232));
            QCOMPARE(about->Panel1->palette().color(QPalette::Window), QColor(Qt::white));
            QCOMPARE(about->ProgramIcon->geometry().size(), QSize(207, 230));
            QVERIFY(about->ProgramIcon->geometry().left() < 10);
            QCOMPARE(about->ProgramIcon->pixmap().size(), QSize(207, 230));
            QCOMPARE(about->OKButton->text(), QStringLiteral("OK"));
            QVERIFY(about->OKButton->isDefault());
            QVERIFY(about->OKButton->geometry().right() > 454 / 2);
            QVERIFY(about->OKButton->geometry().bottom() > 232 / 2);
            checked = true;
            zox::test::PressKey(about, Qt::Key_Return);
        });
        ShowAbout(nullptr);
        QVERIFY(checked);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(),
                             [](QWidget* w) { return qobject_cast<TAboutFrm*>(w) != nullptr; }));  // destroyed
    }

    // ---- the documents shipped with the program

    void shippedHelpHasEveryPageAndNoBrokenLink()
    {
        const QDir help(ShareDir().filePath(QStringLiteral("Help")));
        const QStringList areas{"vnos", "dnevnik", "tocke", "letnice", "taster", "porocila", "nastavitve"};
        const QString contents = QString::fromUtf8(ReadAll(help.filePath(QStringLiteral("Zox/index.html"))));
        for (const QString& area : areas) {
            QVERIFY2(contents.contains(QStringLiteral("href=\"%1.html\"").arg(area)), qPrintable(area));
        }
        QVERIFY(QFileInfo(help.filePath(QStringLiteral("Keyer/index.html"))).isFile());

        static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#:]+)\""));
        int pages = 0;
        for (const QString& sub : {QStringLiteral("Zox"), QStringLiteral("Keyer")}) {
            const QDir dir(help.filePath(sub));
            for (const QString& name : dir.entryList({QStringLiteral("*.html")})) {
                ++pages;
                const QString html = QString::fromUtf8(ReadAll(dir.filePath(name)));
                QVERIFY2(html.contains(QStringLiteral("<meta charset=\"utf-8\">")), qPrintable(name));
                for (auto m = link.globalMatch(html); m.hasNext();) {
                    const QString target = m.next().captured(1);
                    QVERIFY2(QFileInfo(dir.filePath(target)).isFile(), qPrintable(sub + "/" + name + " -> " + target));
                }
                // The viewer reads it as the text it is.
                QTextBrowser browser;
                browser.setSource(QUrl::fromLocalFile(dir.filePath(name)));
                QVERIFY2(!browser.documentTitle().isEmpty(), qPrintable(name));
                QVERIFY2(!browser.toPlainText().contains(QChar(0xFFFD)), qPrintable(name));
                if (sub == QLatin1String("Zox") && name != QLatin1String("index.html"))
                    QVERIFY2(contents.contains("href=\"" + name + "\""), qPrintable(name + " is not in the contents"));
            }
        }
        QCOMPARE(pages, int(areas.size()) + 2);
    }

    void shippedRulesAreCodePage1250WithCrLf()
    {
        const QByteArray bytes = ReadAll(ShareDir().filePath(QStringLiteral("Rules/Zox_rules.txt")));
        QVERIFY(!bytes.isEmpty());
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r"), bytes.count("\n"));
        QCOMPARE(bytes.count("\r\n"), bytes.count("\n"));
        QStringDecoder cp1250("windows-1250");
        QVERIFY(cp1250.isValid());
        const QString text = cp1250(bytes);
        QVERIFY(!cp1250.hasError());
        QVERIFY(text.contains(QStringLiteral("točk")));
        QVERIFY(text.contains(QStringLiteral("Množitelj")));
        // The same text as its source.
        QString source = QString::fromUtf8(ReadAll(ShareDir().filePath(QStringLiteral("Manual/Zox_rules.src.txt"))));
        source.replace(QRegularExpression(QStringLiteral("[ \\t]+\\n")), QStringLiteral("\n"));
        QString shipped = text;
        shipped.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(shipped.trimmed(), source.trimmed());
    }

    void shippedManualIsRtf()
    {
        const QByteArray rtf = ReadAll(ShareDir().filePath(QStringLiteral("Manual/Zox_navodila.doc")));
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1250"));
        int depth = 0;
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            const char c = rtf[i];
            QVERIFY2(static_cast<unsigned char>(c) < 128, "RTF holds only ASCII");
            if (c == '\\') ++i;  // an escaped brace or backslash
            else if (c == '{') ++depth;
            else if (c == '}') QVERIFY(--depth >= 0);
            if (depth == 0) QCOMPARE(rtf.mid(i + 1).trimmed(), QByteArray());
        }
        QCOMPARE(depth, 0);
        // Slovene letters as Unicode with a code page 1250 fallback: č is U+010D, byte E8.
        QVERIFY(rtf.contains("\\u269\\'e8"));
    }

    void shippedEmblem()
    {
        const QImage emblem(ShareDir().filePath(QStringLiteral("Help/emblem.png")));
        QCOMPARE(emblem.size(), QSize(207, 230));
    }

private:
    static void RunCommand(int command, const QString& call)
    {
        switch (command) {
        case 0: Pravila1Click(); break;
        case 1: Navodila1Click(); break;
        case 2: Uredi2Click(call); break;
        default: Uredi1Click(call); break;
        }
    }

    // A help file of two pages: the contents and a second page it links to.
    static void WriteHelp(const QString& stem, const QString& title)
    {
        const QString folder = Dir.Help + stem + "/";
        QVERIFY(WriteFile(folder + "index.html",
                          "<html><head><meta charset=\"utf-8\"><title>" + title.toUtf8() + "</title></head><body><h1>" +
                              title.toUtf8() + "</h1><p><a href=\"druga.html\">Druga</a></p></body></html>"));
        QVERIFY(WriteFile(folder + "druga.html",
                          "<html><head><meta charset=\"utf-8\"><title>Druga</title></head><body><p>Druga stran</p>"
                          "</body></html>"));
    }
};

QTEST_MAIN(DocsTest)
#include "docs_test.moc"

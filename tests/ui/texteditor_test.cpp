// The program's text window for its code page 1250 files: reading, editing and saving
// byte for byte, refusing what the code page cannot hold, and asking before unsaved
// changes are lost.

#include "TestDir.h"
#include "ui/TextEditorWnd.h"
#include "ui/base/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringDecoder>
#include <QTextBlock>
#include <QtTest>

using namespace zox;
using zox::test::TempFolder;
using Q = ScriptedDialogs::Question;

namespace {

// Every byte the code page has a character for, and the five it has none for, in
// lines ended by CR LF.
QByteArray EveryByte()
{
    QByteArray bytes = "\t";
    for (int b = 0x20; b <= 0xFF; ++b) {
        bytes += char(b);
        if (b % 32 == 31) bytes += "\r\n";
    }
    return bytes;
}

// Key presses carrying any character, as a keyboard layout delivers them
// (QTest::keyClicks takes ASCII only).
void Type(QWidget* w, const QString& text)
{
    for (qsizetype i = 0; i < text.size();) {
        const QString c = text.mid(i, text.at(i).isHighSurrogate() ? 2 : 1);  // one key, one character
        i += c.size();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, c);
        QApplication::sendEvent(w, &release);
    }
}

void TypeAtEnd(TTextEditorWnd* w, int line, const QString& text)
{
    QTextCursor c(w->Editor->document()->findBlockByNumber(line));
    c.movePosition(QTextCursor::EndOfBlock);
    w->Editor->setTextCursor(c);
    Type(w->Editor, text);
}

void PressSave(TTextEditorWnd* w) { QTest::keyClick(w->Editor, Qt::Key_S, Qt::ControlModifier); }

// The window as the operator gets it: shown and active, so its keys work.
TTextEditorWnd* Open(const QString& path)
{
    TTextEditorWnd* w = EditTextFile(path, QStringLiteral("Ne najdem !"));
    if (w && !QTest::qWaitForWindowActive(w)) return nullptr;
    return w;
}

}  // namespace

class TextEditorTest : public QObject {
    Q_OBJECT

    TempFolder* tmp = nullptr;
    QString path;

private slots:
    void init()
    {
        tmp = new TempFolder;
        path = tmp->path(QStringLiteral("Q5OP.sum"));
    }
    void cleanup()
    {
        QList<QPointer<TTextEditorWnd>> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* e = qobject_cast<TTextEditorWnd*>(w)) open << e;
        for (const QPointer<TTextEditorWnd>& e : open) delete e.data();
        delete tmp;
    }

    void lineEndsAndCodePage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << "a\nb\n" << QByteArray("a\r\nb\r\n");
        QTest::newRow("no end after the last line") << QByteArray("a\r\nb") << "a\nb" << QByteArray("a\r\nb");
        QTest::newRow("lone LF and CR become CR LF") << QByteArray("a\nb\rc\r\n") << "a\nb\nc\n"
                                                     << QByteArray("a\r\nb\r\nc\r\n");
        QTest::newRow("Slovene letters") << QByteArray("\xe8 \x9a \x9e \xc8 \x8a \x8e") << "č š ž Č Š Ž"
                                         << QByteArray("\xe8 \x9a \x9e \xc8 \x8a \x8e");
        QTest::newRow("euro sign is in the code page") << QByteArray("\x80") << "€" << QByteArray("\x80");
        QTest::newRow("empty") << QByteArray() << "" << QByteArray();
    }
    void lineEndsAndCodePage()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        QFETCH(QByteArray, saved);
        QCOMPARE(Cp1250ToText(file), shown);
        QVERIFY(!FirstUnwritableChar(shown));
        QCOMPARE(TextToCp1250(shown), saved);
    }

    void opensReadablyAndSavesByteForByte()
    {
        const QByteArray before = "ZBIRNI LIST\r\n\xe8 \x9a \x9e \xc8 \x8a \x8e\r\nKategorija po mo\xe8i oddajnika\r\n";
        tmp->write(QStringLiteral("Q5OP.sum"), before);
        ScriptedDialogs dlg;
        TTextEditorWnd* w = Open(path);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("ZBIRNI LIST\nč š ž Č Š Ž\nKategorija po moči oddajnika\n"));
        QVERIFY(w->windowTitle().contains(QStringLiteral("Q5OP.sum")));
        QVERIFY(!w->IsModified());

        w->activateWindow();
        TypeAtEnd(w, 2, QStringLiteral(": Č ćđ 100 €"));
        QVERIFY(w->IsModified());
        QVERIFY(w->isWindowModified());
        PressSave(w);
        QCOMPARE(dlg.count(), 0);
        QVERIFY(!w->IsModified());
        QCOMPARE(tmp->bytes(QStringLiteral("Q5OP.sum")),
                 QByteArray("ZBIRNI LIST\r\n\xe8 \x9a \x9e \xc8 \x8a \x8e\r\nKategorija po mo\xe8i oddajnika: "
                            "\xc8 \xe6\xf0 100 \x80\r\n"));
        QVERIFY(!QFileInfo::exists(path + ".tmp"));
        QCOMPARE(QDir(tmp->dir.path()).entryList(QDir::Files), QStringList{"Q5OP.sum"});  // no temporary left
    }

    void anEditUndoneSavesTheVeryBytesItRead()
    {
        tmp->write(QStringLiteral("Q5OP.sum"), EveryByte());
        ScriptedDialogs dlg;
        TTextEditorWnd* w = Open(path);
        QVERIFY(w);
        TypeAtEnd(w, 0, QStringLiteral("x"));
        QTest::keyClick(w->Editor, Qt::Key_Backspace);
        w->Editor->document()->setModified(true);
        QVERIFY(w->SaveFile());
        QCOMPARE(tmp->bytes(QStringLiteral("Q5OP.sum")), EveryByte());
        QCOMPARE(dlg.count(), 0);
    }

    void refusesACharacterOutsideTheCodePage_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("named");
        QTest::newRow("n with tilde") << "Español ñ" << "»ñ« (U+00F1)";
        QTest::newRow("arrow") << "a → b" << "»→« (U+2192)";
        QTest::newRow("outside the BMP") << "73 😀" << "»😀« (U+1F600)";
        QTest::newRow("Greek") << "Ω" << "»Ω« (U+03A9)";
    }
    void refusesACharacterOutsideTheCodePage()
    {
        QFETCH(QString, typed);
        QFETCH(QString, named);
        const QByteArray before = "Prva vrstica\r\nDruga \xe8\r\n";
        tmp->write(QStringLiteral("Q5OP.sum"), before);
        ScriptedDialogs dlg;
        dlg.answerMessage(mrOk);
        TTextEditorWnd* w = Open(path);
        QVERIFY(w);
        TypeAtEnd(w, 1, typed);
        PressSave(w);
        QCOMPARE(dlg.count(), 1);
        QCOMPARE(dlg.last().question, Q::Message);
        QCOMPARE(dlg.last().kind, int(mtWarning));
        QVERIFY2(dlg.last().text.contains(named), qPrintable(dlg.last().text));
        QVERIFY2(dlg.last().text.contains(QStringLiteral("vrstici 2")), qPrintable(dlg.last().text));
        QVERIFY(dlg.last().text.contains(QStringLiteral("ni shranjena")));
        QCOMPARE(tmp->bytes(QStringLiteral("Q5OP.sum")), before);  // untouched
        QVERIFY(w->IsModified());                                   // and nothing lost
        QVERIFY(w->Editor->textCursor().selectedText() == named.mid(1, named.indexOf(u'«') - 1));
    }

    void closeWithUnsavedChangesAsks_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("yes: saved and closed") << int(mrYes) << true << QByteArray("Vrstica\r\nnovo");
        QTest::newRow("no: closed, file as it was") << int(mrNo) << true << QByteArray("Vrstica\r\n");
        QTest::newRow("cancel: stays open") << int(mrCancel) << false << QByteArray("Vrstica\r\n");
    }
    void closeWithUnsavedChangesAsks()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QByteArray, file);
        tmp->write(QStringLiteral("Q5OP.sum"), "Vrstica\r\n");
        ScriptedDialogs dlg;
        QPointer<TTextEditorWnd> w = Open(path);
        QVERIFY(w);
        TypeAtEnd(w, 1, QStringLiteral("novo"));
        dlg.answerMessage(answer);
        w->Zapri->trigger();
        QCOMPARE(dlg.count(), 1);
        QCOMPARE(dlg.last().kind, int(mtConfirmation));
        QCOMPARE(dlg.last().buttons, int(mbYes | mbNo | mbCancel));
        QVERIFY(dlg.last().text.contains(QStringLiteral("Q5OP.sum")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(w.isNull(), closed);
        QCOMPARE(tmp->bytes(QStringLiteral("Q5OP.sum")), file);
        if (!closed) QVERIFY(w->IsModified());
    }

    void closeWithoutChangesDoesNotAsk()
    {
        tmp->write(QStringLiteral("Q5OP.sum"), "Vrstica\r\n");
        ScriptedDialogs dlg;
        QPointer<TTextEditorWnd> w = Open(path);
        QVERIFY(w);
        QVERIFY(w->close());
        QCOMPARE(dlg.count(), 0);
    }

    void aSaveThatFailsKeepsTheText()
    {
        const QString folder = tmp->path(QStringLiteral("Txt"));
        QVERIFY(QDir().mkpath(folder));
        const QString inFolder = folder + "/Q5OP.txt";
        tmp->write(QStringLiteral("Txt/Q5OP.txt"), "Vrstica\r\n");
        ScriptedDialogs dlg;
        dlg.answerMessage(mrOk);
        TTextEditorWnd* w = Open(inFolder);
        QVERIFY(w);
        TypeAtEnd(w, 0, QStringLiteral(" dodano"));
        QVERIFY(QDir(folder).removeRecursively());  // the folder went away meanwhile
        PressSave(w);
        QCOMPARE(dlg.count(), 1);
        QVERIFY(dlg.last().text.contains(QStringLiteral("ne morem shraniti")));
        QVERIFY(dlg.last().text.contains(inFolder));
        QVERIFY(w->IsModified());
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("Vrstica dodano\n"));
    }

    void oneWindowForAFile()
    {
        tmp->write(QStringLiteral("Q5OP.sum"), "prvi\r\n");
        ScriptedDialogs dlg;
        TTextEditorWnd* w = Open(path);
        QVERIFY(w);
        // Written again meanwhile (a new summary sheet): an unchanged window shows it.
        tmp->write(QStringLiteral("Q5OP.sum"), "drugi\r\n");
        QCOMPARE(Open(path), w);
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("drugi\n"));
        // A window with changes keeps them.
        TypeAtEnd(w, 0, QStringLiteral(" moje"));
        tmp->write(QStringLiteral("Q5OP.sum"), "tretji\r\n");
        QCOMPARE(EditTextFile(tmp->dir.path() + "/./Q5OP.sum", QStringLiteral("Ne najdem !")), w);
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("drugi moje\n"));
        QCOMPARE(dlg.count(), 0);
    }

    void plainTextWindowWithASloveneMenu()
    {
        tmp->write(QStringLiteral("Q5OP.sum"), "x\r\n");
        TTextEditorWnd* w = Open(path);
        QVERIFY(w);
        QVERIFY(QFontInfo(w->Editor->font()).fixedPitch());
        QCOMPARE(w->Editor->lineWrapMode(), QPlainTextEdit::NoWrap);
        QStringList menus;
        for (QAction* a : w->menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, (QStringList{"&Datoteka", "&Urejanje"}));
        QCOMPARE(w->Shrani->text(), QStringLiteral("&Shrani"));
        QCOMPARE(w->Shrani->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(w->Zapri->text(), QStringLiteral("&Zapri"));
        QVERIFY(w->Datoteka->actions().contains(w->Shrani));
        QVERIFY(w->testAttribute(Qt::WA_QuitOnClose));  // an open window keeps the program running
        QCOMPARE(w->parentWidget(), nullptr);           // and outlives the main window
    }
};

QTEST_MAIN(TextEditorTest)
#include "texteditor_test.moc"

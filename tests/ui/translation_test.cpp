// Qt's own texts in Slovene with the real translation loaded as the program loads it:
// the log dialog, the platform message boxes, the font dialog and the context menus.

#include "WindowFixture.h"
#include "uibase/ModalHelper.h"

#include "ui/TextEditorWnd.h"
#include "ui/base/Translation.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPlainTextEdit>

using namespace zox;
using zox::test::OnModal;
using zox::test::Window;

namespace {

QStringList Texts(QWidget* dlg)
{
    QStringList texts;
    for (QLabel* l : dlg->findChildren<QLabel*>()) texts << l->text();
    for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>()) texts << b->text();
    return texts;
}

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text().section('\t', 0, 0);
    return texts;
}

}  // namespace

class TranslationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(InstallSloveneTranslation(), "Qt's Slovene translation (qt6-translations-l10n) is not installed");
    }

    void translationIsFoundOnlyWhereItIs()
    {
        QTemporaryDir empty;
        QVERIFY(!InstallSloveneTranslation(empty.path()));
        QVERIFY(QFileInfo::exists(QtTranslationsFolder() + "/qt_sl.qm"));
    }

    void logDialogSpeaksSlovene()
    {
        Window t;
        SetDialogProvider(nullptr);  // the real dialogs
        QStringList texts;
        QString title;
        OnModal([&](QWidget* dlg) {
            QVERIFY(qobject_cast<QFileDialog*>(dlg));
            title = dlg->windowTitle();
            texts = Texts(dlg);
            static_cast<QDialog*>(dlg)->reject();
        });
        t.w->Odpri1->trigger();
        SetDialogProvider(&t.dlg);
        QCOMPARE(title, QStringLiteral("Odpri"));  // Qt's own default title, in Slovene
        for (const char* text : {"Išči v:", "Ime &datoteke:", "Datoteke vrste:", "&Odpri", "Prekliči"})
            QVERIFY2(texts.contains(QString::fromUtf8(text)), qPrintable(text + QString(" not in ") + texts.join(" | ")));
        for (const char* english : {"Look in:", "File &name:", "Cancel", "&Open"})
            QVERIFY2(!texts.contains(QString::fromUtf8(english)), english);
    }

    void platformMessageBoxesSpeakSlovene_data()
    {
        QTest::addColumn<int>("kind");  // 0 the default error display, 1 the standard question
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("error display") << 0 << QStringList{"V redu"};
        QTest::newRow("standard question") << 1 << QStringList{"&Da", "&Ne"};
    }
    void platformMessageBoxesSpeakSlovene()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, buttons);
        QStringList shown;
        OnModal([&](QWidget* dlg) {
            auto* box = qobject_cast<QMessageBox*>(dlg);
            QVERIFY(box);
            for (QAbstractButton* b : box->buttons()) shown << b->text();
            box->reject();
        });
        if (kind == 0) Dialogs().showError(QStringLiteral("Napaka pri pisanju"));
        else Dialogs().standardQuestion(QStringLiteral("Zox"), QStringLiteral("Datoteka že obstaja !"));
        shown.sort();
        buttons.sort();
        QCOMPARE(shown, buttons);
    }

    void fontDialogSpeaksSlovene()
    {
        QStringList texts;
        QString title;
        OnModal([&](QWidget* dlg) {
            title = dlg->windowTitle();
            texts = Texts(dlg);
            static_cast<QDialog*>(dlg)->reject();
        });
        QFont f;
        QVERIFY(!Dialogs().chooseFont(nullptr, f));
        QCOMPARE(title, QStringLiteral("Izberite pisavo"));
        for (const char* text : {"&Pisava", "&Slog pisave", "V redu", "Prekliči"})
            QVERIFY2(texts.contains(QString::fromUtf8(text)), qPrintable(text + QString(" not in ") + texts.join(" | ")));
    }

    void contextMenusSpeakSlovene()
    {
        QLineEdit edit("Q5ABC");
        std::unique_ptr<QMenu> lineMenu(edit.createStandardContextMenu());
        QVERIFY2(MenuTexts(lineMenu.get()).contains(QStringLiteral("S&kopiraj")), qPrintable(MenuTexts(lineMenu.get()).join(" | ")));
        QVERIFY(MenuTexts(lineMenu.get()).contains(QStringLiteral("Izberi vse")));

        // The text window's editor: its menu comes from another part of Qt.
        TTextEditorWnd window;
        window.Editor->setPlainText(QStringLiteral("Točke"));
        std::unique_ptr<QMenu> textMenu(window.Editor->createStandardContextMenu());
        QVERIFY2(MenuTexts(textMenu.get()).contains(QStringLiteral("S&kopiraj")), qPrintable(MenuTexts(textMenu.get()).join(" | ")));
        QVERIFY(MenuTexts(textMenu.get()).contains(QStringLiteral("Pri&lepi")));
    }

    void calendarNamesAreSlovene()
    {
        QCOMPARE(QLocale().language(), QLocale::Slovenian);
        QCOMPARE(QLocale().monthName(3), QStringLiteral("marec"));
        QCOMPARE(QLocale().dayName(1), QStringLiteral("ponedeljek"));
    }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"

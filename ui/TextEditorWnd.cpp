#include "ui/TextEditorWnd.h"

#include "ui/base/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSaveFile>
#include <QScreen>
#include <QStatusBar>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBlock>

namespace zox {

namespace {

const char* const kCodePage = "windows-1250";

QList<QPointer<TTextEditorWnd>>& Windows()
{
    static QList<QPointer<TTextEditorWnd>> windows;
    return windows;
}

QString SamePath(const QString& path)
{
    const QFileInfo f(path);
    const QString canonical = f.canonicalFilePath();
    return canonical.isEmpty() ? f.absoluteFilePath() : canonical;
}

// "U+00F1" for a message.
QString CodePointText(const QString& character)
{
    const QList<uint> ucs4 = character.toUcs4();
    return QStringLiteral("U+%1").arg(ucs4.isEmpty() ? 0u : ucs4.first(), 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString Cp1250ToText(const QByteArray& bytes)
{
    QStringDecoder decoder(kCodePage);
    QString text = decoder(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::optional<UnwritableChar> FirstUnwritableChar(const QString& text)
{
    {
        QStringEncoder whole(kCodePage, QStringConverter::Flag::Stateless);
        const QByteArray bytes = whole(text);  // the encoder works only when its result is taken
        if (!whole.hasError()) return std::nullopt;
    }
    // Only a text that holds one is walked character by character.
    QStringEncoder one(kCodePage, QStringConverter::Flag::Stateless);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        const QByteArray bytes = one(character);
        if (one.hasError()) return UnwritableChar{character, i};
        i += length;
    }
    return std::nullopt;
}

QByteArray TextToCp1250(const QString& text)
{
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QStringEncoder encoder(kCodePage, QStringConverter::Flag::Stateless);
    return encoder(crlf);
}

TTextEditorWnd::TTextEditorWnd(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TextEditorWnd"));
    setAttribute(Qt::WA_DeleteOnClose);

    Editor = new QPlainTextEdit(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setLineWrapMode(QPlainTextEdit::NoWrap);  // the listing is in columns
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setStyleHint(QFont::TypeWriter);
    Editor->setFont(mono);
    setCentralWidget(Editor);

    Datoteka = menuBar()->addMenu(QStringLiteral("&Datoteka"));
    Shrani = Datoteka->addAction(QStringLiteral("&Shrani"), this, [this] { SaveFile(); });
    Shrani->setObjectName(QStringLiteral("Shrani"));
    Shrani->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    Datoteka->addSeparator();
    Zapri = Datoteka->addAction(QStringLiteral("&Zapri"), this, &QWidget::close);
    Zapri->setObjectName(QStringLiteral("Zapri"));

    Urejanje = menuBar()->addMenu(QStringLiteral("&Urejanje"));
    QAction* undo = Urejanje->addAction(QStringLiteral("&Razveljavi"), Editor, &QPlainTextEdit::undo);
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = Urejanje->addAction(QStringLiteral("&Uveljavi znova"), Editor, &QPlainTextEdit::redo);
    redo->setShortcut(QKeySequence::Redo);
    Urejanje->addSeparator();
    QAction* cut = Urejanje->addAction(QStringLiteral("&Izreži"), Editor, &QPlainTextEdit::cut);
    cut->setShortcut(QKeySequence::Cut);
    QAction* copy = Urejanje->addAction(QStringLiteral("&Kopiraj"), Editor, &QPlainTextEdit::copy);
    copy->setShortcut(QKeySequence::Copy);
    QAction* paste = Urejanje->addAction(QStringLiteral("&Prilepi"), Editor, &QPlainTextEdit::paste);
    paste->setShortcut(QKeySequence::Paste);
    Urejanje->addSeparator();
    QAction* all = Urejanje->addAction(QStringLiteral("Izberi &vse"), Editor, &QPlainTextEdit::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    undo->setEnabled(false);
    redo->setEnabled(false);
    cut->setEnabled(false);
    copy->setEnabled(false);
    connect(Editor, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(Editor, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);
    connect(Editor, &QPlainTextEdit::copyAvailable, copy, &QAction::setEnabled);
    connect(Editor, &QPlainTextEdit::copyAvailable, this, [this, cut](bool yes) { cut->setEnabled(yes && !m_readOnly); });

    Position = new QLabel(this);
    Position->setObjectName(QStringLiteral("Position"));
    statusBar()->addPermanentWidget(Position);
    connect(Editor, &QPlainTextEdit::cursorPositionChanged, this, &TTextEditorWnd::ShowPosition);
    connect(Editor->document(), &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);
    ShowPosition();

    // Room for a line of the listing.
    const QFontMetrics fm(mono);
    resize(fm.horizontalAdvance(QString(86, QLatin1Char('0'))) + 40, fm.lineSpacing() * 32 + 60);
    UpdateTitle();
}

bool TTextEditorWnd::IsModified() const { return Editor->document()->isModified(); }

bool TTextEditorWnd::OpenFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageDlg(QStringLiteral("Datoteke %1 ne morem odpreti: %2").arg(path, file.errorString()), mtWarning, mbOK);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ShowMessageDlg(QStringLiteral("Datoteke %1 ne morem prebrati: %2").arg(path, file.errorString()), mtWarning, mbOK);
        return false;
    }
    m_path = SamePath(path);
    // A shipped file in an installed program is only shown.
    m_readOnly = !QFileInfo(m_path).isWritable();
    Editor->setReadOnly(m_readOnly);
    Shrani->setEnabled(!m_readOnly);
    Editor->setPlainText(Cp1250ToText(bytes));
    Editor->document()->setModified(false);
    setWindowModified(false);
    UpdateTitle();
    return true;
}

bool TTextEditorWnd::SaveFile()
{
    if (m_path.isEmpty() || m_readOnly) return false;
    // The raw text: toPlainText would turn a no-break space into a plain one.
    QString text = Editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (const std::optional<UnwritableChar> bad = FirstUnwritableChar(text)) {
        QTextCursor at(Editor->document());
        at.setPosition(int(bad->position));
        at.setPosition(int(bad->position + bad->character.size()), QTextCursor::KeepAnchor);
        Editor->setTextCursor(at);
        ShowMessageDlg(QStringLiteral("Znaka »%1« (%2) v vrstici %3 ni v kodni tabeli 1250. "
                                      "Zamenjajte ga; datoteka ni shranjena.")
                           .arg(bad->character, CodePointText(bad->character))
                           .arg(at.blockNumber() + 1),
                       mtWarning, mbOK);
        return false;
    }
    const QByteArray bytes = TextToCp1250(text);
    QSaveFile file(m_path);
    bool ok = file.open(QIODevice::WriteOnly);
    // QSaveFile takes a short write quietly; only commit tells.
    if (ok) ok = file.write(bytes) == bytes.size();
    if (ok) ok = file.commit();
    if (!ok) {
        ShowMessageDlg(QStringLiteral("Datoteke %1 ne morem shraniti: %2").arg(m_path, file.errorString()), mtWarning, mbOK);
        return false;
    }
    Editor->document()->setModified(false);
    return true;
}

void TTextEditorWnd::closeEvent(QCloseEvent* e)
{
    if (IsModified() && !m_readOnly) {
        const int answer = ShowMessageDlg(
            QStringLiteral("Datoteka %1 je spremenjena. Shranim spremembe ?").arg(QFileInfo(m_path).fileName()),
            mtConfirmation, mbYes | mbNo | mbCancel);
        if (answer == mrCancel || (answer == mrYes && !SaveFile())) {
            e->ignore();
            return;
        }
    }
    e->accept();
}

void TTextEditorWnd::UpdateTitle()
{
    QString title = m_path.isEmpty() ? QStringLiteral("Urejevalnik") : QFileInfo(m_path).fileName();
    title += QStringLiteral("[*]");
    if (m_readOnly) title += QStringLiteral(" (samo za branje)");
    setWindowTitle(title + QStringLiteral(" – Zox"));
}

void TTextEditorWnd::ShowPosition()
{
    const QTextCursor c = Editor->textCursor();
    Position->setText(QStringLiteral("Vrstica %1, stolpec %2").arg(c.blockNumber() + 1).arg(c.positionInBlock() + 1));
}

TTextEditorWnd* TextEditorFor(const QString& path)
{
    const QString same = SamePath(path);
    for (const QPointer<TTextEditorWnd>& w : Windows())
        if (w && w->FileName() == same) return w.data();
    return nullptr;
}

TTextEditorWnd* EditTextFile(const QString& path, const QString& notFound)
{
    if (!QFileInfo(path).isFile()) {
        ShowMessageDlg(notFound + QLatin1Char('\n') + path, mtInformation, mbOK);
        return nullptr;
    }
    TTextEditorWnd* window = TextEditorFor(path);
    if (window) {
        if (!window->IsModified()) window->OpenFile(path);  // a report written again since
    } else {
        window = new TTextEditorWnd;
        if (!window->OpenFile(path)) {
            delete window;
            return nullptr;
        }
        Windows().removeAll(nullptr);
        Windows() << window;
        // Beside the window that asked for it, within the screen.
        if (QWidget* from = QApplication::activeWindow()) {
            const QRect avail = from->screen()->availableGeometry();
            QPoint at = from->frameGeometry().topLeft() + QPoint(40, 40);
            at.setX(qBound(avail.left(), at.x(), qMax(avail.left(), avail.right() - window->width())));
            at.setY(qBound(avail.top(), at.y(), qMax(avail.top(), avail.bottom() - window->height())));
            window->move(at);
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace zox

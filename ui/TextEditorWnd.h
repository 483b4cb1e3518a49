#pragma once
// The program's own small text window for its code page 1250 files (the listing, the
// summary sheet, the rules): plain text in a fixed-width font, read and written as
// code page 1250 with CR LF line ends, saved whole or not at all.

#include <QByteArray>
#include <QMainWindow>
#include <QString>

#include <optional>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;

namespace zox {

// File bytes to the text shown: code page 1250, CR LF (or a lone CR or LF) to "\n".
QString Cp1250ToText(const QByteArray& bytes);
// The first character of `text` that code page 1250 cannot hold, with its position
// (in UTF-16 units); nothing when every character fits.
struct UnwritableChar {
    QString character;  // one character, two UTF-16 units for one outside the BMP
    qsizetype position;
};
std::optional<UnwritableChar> FirstUnwritableChar(const QString& text);
// The text shown to file bytes: "\n" to CR LF, code page 1250. Call only for a text
// without unwritable characters.
QByteArray TextToCp1250(const QString& text);

class TTextEditorWnd : public QMainWindow {
    Q_OBJECT
public:
    explicit TTextEditorWnd(QWidget* parent = nullptr);

    // Reads the file; false, with a message, when it cannot be read (the window keeps
    // what it had).
    bool OpenFile(const QString& path);
    // Writes the text back; false, with a message naming the reason, when it cannot
    // (a character code page 1250 cannot hold, a write error). The file on disk is
    // either the whole new text or left as it was.
    bool SaveFile();
    QString FileName() const { return m_path; }
    bool IsModified() const;
    bool IsReadOnly() const { return m_readOnly; }

    QPlainTextEdit* Editor = nullptr;
    QMenu* Datoteka = nullptr;
    QMenu* Urejanje = nullptr;
    QAction* Shrani = nullptr;
    QAction* Zapri = nullptr;
    QLabel* Position = nullptr;  // line and column of the cursor

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void UpdateTitle();
    void ShowPosition();

    QString m_path;
    bool m_readOnly = false;
};

// Shows `path` in a text window: the one already showing it is brought to the front
// (read again when it holds no changes), else a new one is opened. A missing or
// unreadable file gives `notFound` as an information message, with the file's name
// on the next line, and no window. The windows stand on their own: closing the main
// window leaves them open until they are closed themselves.
TTextEditorWnd* EditTextFile(const QString& path, const QString& notFound);
// The text window showing `path`, or nullptr.
TTextEditorWnd* TextEditorFor(const QString& path);

}  // namespace zox

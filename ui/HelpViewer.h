#pragma once
// The program's help: one current help file and a small window that shows it.
//
// Help files keep their traditional names ("Zox.hlp", "Keyer.hlp" in the Help folder);
// each stands for the HTML pages in the folder of the same stem beside it, opened at
// their contents page: Help/Zox.hlp is Help/Zox/index.html.

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace zox {

// The current help file (a full name such as Dir.Help + "Zox.hlp"); empty until set.
QString HelpFile();
void SetHelpFile(const QString& helpFile);

// The contents page that stands for a help file.
QString HelpContentsPage(const QString& helpFile);

// The help window: the pages with a small bar of "Vsebina", "Nazaj", "Naprej".
class THelpFrm : public QWidget {
    Q_OBJECT
public:
    explicit THelpFrm(QWidget* parent = nullptr);

    // Shows the help file at its contents page. A file that is not there gives the
    // window's own message instead, and false.
    bool OpenHelpFile(const QString& helpFile);
    QString OpenedHelpFile() const { return m_helpFile; }
    bool Missing() const { return m_missing; }

    QTextBrowser* Browser = nullptr;
    QToolButton* HomeBtn = nullptr;
    QToolButton* BackBtn = nullptr;
    QToolButton* ForwardBtn = nullptr;

private:
    void ShowMissing(const QString& helpFile, const QString& page);

    QString m_helpFile;
    bool m_missing = false;
};

// Opens the help window (created on first use) on the current help file at its
// contents page and brings it to the front. Returns the window.
THelpFrm* ShowHelpContents();
// The help window while it exists, else nullptr.
THelpFrm* HelpWindow();

// Makes the program's help current (Dir.Help + "Zox.hlp") and connects the help to the
// "&Help" buttons of the message dialogs and of the keyer settings dialog, which makes
// the keyer help current while it exists. The help window is owned by `owner` (the
// main window) when given.
void InstallHelp(QWidget* owner = nullptr);

}  // namespace zox

#pragma once
// Every modal question the program asks goes through the current DialogProvider: the
// real one shows the real dialogs, a test installs ScriptedDialogs to answer them.

#include <QFont>
#include <QString>

#include <exception>
#include <functional>
#include <memory>

class QFileDialog;

class QWidget;

namespace zox {

enum DialogKind { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };
enum DialogButton {
    mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32, mbIgnore = 64, mbAll = 128, mbHelp = 256
};
constexpr int mbYesNo = mbYes | mbNo;  // 3
constexpr int mbOKOnly = mbOK;         // 4
enum DialogResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8 };

class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    virtual int message(const QString& text, int kind, int buttons, int helpCtx) = 0;  // ShowMessageDlg
    virtual bool askText(const QString& caption, const QString& prompt, QString& value, int caseMode) = 0;  // AskText
    // Open-file dialog; returns the chosen path, empty on cancel. mustExist=false accepts a
    // new name; confirmOverwrite for save dialogs. `filter` is in "Description|*.EXT" form.
    virtual QString fileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                             bool mustExist, bool confirmOverwrite) = 0;
    virtual bool chooseFont(QWidget* parent, QFont& font) = 0;  // true = OK, font set
    // The two platform-standard questions with English captions: a Yes/No question
    // ("&Yes"/"&No"), and an input prompt ("OK"/"Cancel").
    virtual int standardQuestion(const QString& title, const QString& text) = 0;  // mrYes / mrNo
    virtual bool standardInput(const QString& title, const QString& prompt, QString& value) = 0;
    // The default error display: a message box with the error's own text.
    virtual void showError(const QString& text) = 0;
};

// The file dialog the real provider shows, built but not shown: Qt's own dialog (it
// speaks the program's language), Slovene column titles given their room.
std::unique_ptr<QFileDialog> CreateFileDialog(QWidget* parent, const QString& title, const QString& dir,
                                              const QString& filter, bool mustExist, bool confirmOverwrite);

DialogProvider& Dialogs();                  // the current provider (the real one by default)
void SetDialogProvider(DialogProvider* p);  // nullptr restores the real one; not owned
int ShowMessageDlg(const QString& msg, int kind, int buttons, int helpCtx = 0);
bool AskText(const QString& caption, const QString& prompt, QString& value, int caseMode = 1);
void ShowError(const QString& text);
// Runs a command; an exception (std::exception) goes to ShowError with its text and the
// command stops there. Returns false then.
bool Guarded(const std::function<void()>& command);
// The error display from places that must not open a dialog themselves (a
// model being painted, an event filter, a destructor): the message is shown
// from the event loop, once it is back.
void ReportLater(const QString& text);
QString ErrorText(const std::exception_ptr& e);

// "Description|*.A;*.B|Description 2|*.C" as a Qt name filter list
// ("Description (*.A *.B);;Description 2 (*.C)").
QString QtNameFilter(const QString& filter);

}  // namespace zox

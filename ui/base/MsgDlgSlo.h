#pragma once
// The Slovene message and input dialogs, built in code and laid out in dialog units.
// The program calls them through Dialogs.h (ShowMessageDlg, AskText) so that tests can
// answer them; the functions here are what a real run shows.

#include <QDialog>
#include <QFont>
#include <QString>

#include <functional>
#include <memory>

class QPushButton;

namespace zox {

// Font of both dialogs: "MS Sans Serif" 8 pt, or the nearest installed sans serif font.
QFont DialogFont();

// Title bar text of a message kind ("Opozorilo", "Napaka", "Info", "Potrditev"; the
// application's title for the custom kind and anything unknown).
QString MessageDlgTitle(int kind);

// A dialog whose buttons end it with their own result. Escape presses the button with
// the cancel role and does nothing without one; the close box ends it with 2 (Cancel).
class SloDialog : public QDialog {
    Q_OBJECT
public:
    explicit SloDialog(QWidget* parent = nullptr);
    // Adds a button that ends the dialog with `result` (0: the button does not end it).
    QPushButton* addResultButton(const QString& caption, int result);
    void setCancelButton(QPushButton* button) { cancelButton_ = button; }
    QPushButton* cancelButton() const { return cancelButton_; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* cancelButton_ = nullptr;
};

// Builds the message dialog of ShowMessageDlg without showing it. Centred on the screen.
std::unique_ptr<SloDialog> CreateMessageDialog(const QString& msg, int kind, int buttons, int helpCtx = 0);
// Builds the input dialog of AskText without showing it; the edit line is object "Edit".
std::unique_ptr<SloDialog> CreateAskTextDialog(const QString& caption, const QString& prompt,
                                               const QString& value, int caseMode);

// Shows the message dialog modally and returns the result of the button pressed.
int MessageDlgSlo(const QString& msg, int kind, int buttons, int helpCtx = 0);
// Shows the input dialog modally; true (and `value` set) only when confirmed.
bool AskTextSlo(const QString& caption, const QString& prompt, QString& value, int caseMode = 1);

// What the "&Help" button of a message does with its help context (never called for 0).
// The help viewer lives above this library, so it registers itself here.
void SetHelpContextHandler(std::function<void(int helpCtx)> handler);

}  // namespace zox

#pragma once
// The about box of "Pomoč" > "Program".

#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

namespace zox {

class TAboutFrm : public QDialog {
    Q_OBJECT
public:
    // The emblem is read from the Help folder ("emblem.png"); without it the place
    // stays white.
    explicit TAboutFrm(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;       // white, over the whole client area
    QLabel* ProgramIcon = nullptr;  // the emblem, 207 x 230, on the left
    QLabel* ProductName = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Greeting = nullptr;     // the last line
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_centred = false;
};

// Shows the about box modally and destroys it when it closes.
void ShowAbout(QWidget* parent);

}  // namespace zox

#pragma once
// Asks for a call sign and its year number: adding an entry to the list
// ("Add Call") or changing the current one ("Edit...").

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zox {

class TAddEditFrm : public QDialog {
    Q_OBJECT
public:
    // Shown centred on the screen, whatever the parent.
    explicit TAddEditFrm(const QString& caption, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;  // "&Call"
    QLabel* Label2 = nullptr;  // "&Multiplier"
    QLineEdit* edCall = nullptr;
    QLineEdit* edMulti = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};

}  // namespace zox

#pragma once
// Asks for a call sign to look up in the year-number list.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zox {

class TFindMultiFrm : public QDialog {
    Q_OBJECT
public:
    // Shown centred on `parent` (the main window).
    explicit TFindMultiFrm(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* edCall = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

}  // namespace zox

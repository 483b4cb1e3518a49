#include "letnice/uAddEditMulti.h"

#include "ui/base/UpperCase.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zox {

TAddEditFrm::TAddEditFrm(const QString& caption, QWidget* parent) : QDialog(parent)
{
    setObjectName("AddEditFrm");
    setWindowTitle(caption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    edCall = new QLineEdit(this);
    edCall->setObjectName("edCall");
    edCall->setMaxLength(20);  // the size of the list's key
    ForceUpperCase(edCall);
    edMulti = new QLineEdit(this);
    edMulti->setObjectName("edMulti");
    edMulti->setMaxLength(2);
    ForceUpperCase(edMulti);
    Label1 = new QLabel("&Call", this);
    Label1->setBuddy(edCall);
    Label2 = new QLabel("&Multiplier", this);
    Label2->setBuddy(edMulti);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Label2, 0, 1);
    fields->addWidget(edCall, 1, 0);
    fields->addWidget(edMulti, 1, 1);
    fields->setColumnStretch(0, 3);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(240, 0)));
    edCall->setFocus();
}

void TAddEditFrm::showEvent(QShowEvent* e)
{
    // QDialog would centre itself on its parent; this one belongs in the middle of the screen.
    QScreen* s = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (s) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(e);
}

}  // namespace zox

#include "letnice/uFindMulti.h"

#include "ui/base/UpperCase.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zox {

TFindMultiFrm::TFindMultiFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName("FindMultiFrm");
    setWindowTitle("Find...");
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    Label1 = new QLabel("Call to find...", this);
    edCall = new QLineEdit(this);
    edCall->setObjectName("edCall");
    edCall->setMaxLength(20);  // the size of the list's key
    ForceUpperCase(edCall);
    Label1->setBuddy(edCall);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(edCall);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(240, 0)));
    edCall->setFocus();
}

}  // namespace zox

#include "ui/uUserDlg.h"

#include "ui/base/Dialogs.h"
#include "ui/base/MsgDlgSlo.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <algorithm>

namespace zox {

namespace {

constexpr int ClientWidth = 399;
constexpr int ClientHeight = 321;
constexpr int PagesHeight = 281;

// Label-over-edit rows on the pages.
constexpr int Left = 16;
constexpr int SecondColumn = 200;
constexpr int ThirdColumn = 288;
constexpr int Row1 = 16;
constexpr int Row2 = 72;
constexpr int Row3 = 128;
constexpr int LabelToEdit = 16;
constexpr int FootTop = 200;

// QLineEdit's own limit, raised when a stored value is longer so that OK never cuts it.
constexpr int DefaultMaxLength = 32767;

void SetText(QLineEdit* edit, const QString& text)
{
    edit->setMaxLength(static_cast<int>(std::max<qsizetype>(DefaultMaxLength, text.size())));
    edit->setText(text);
}

}  // namespace

TUserDlgFrm::TUserDlgFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("UserDlgFrm"));
    setWindowTitle(QStringLiteral("User info"));
    setFont(DialogFont());
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, ClientWidth, PagesHeight);

    tsUser = new QWidget;
    tsUser->setObjectName(QStringLiteral("tsUser"));
    PageControl1->addTab(tsUser, QStringLiteral("User"));
    edFName = addField(tsUser, QStringLiteral("Name"), "edFName", Left, Row1, 150);
    edLName = addField(tsUser, QStringLiteral("Last name"), "edLName", SecondColumn, Row1, 150);
    edAddr = addField(tsUser, QStringLiteral("Address"), "edAddr", Left, Row2, 150);
    edCity = addField(tsUser, QStringLiteral("City"), "edCity", SecondColumn, Row2, 150);
    edCountry = addField(tsUser, QStringLiteral("Country"), "edCountry", Left, Row3, 150);
    edCall = addField(tsUser, QStringLiteral("Call"), "edCall", SecondColumn, Row3, 70);
    edMulti = addField(tsUser, QStringLiteral("Multiplier"), "edMulti", ThirdColumn, Row3, 70);
    addFootLabel(tsUser, "lblUserFoot");

    tsRig = new QWidget;
    tsRig->setObjectName(QStringLiteral("tsRig"));
    PageControl1->addTab(tsRig, QStringLiteral("Rig"));
    edRig = addField(tsRig, QStringLiteral("Rig"), "edRig", Left, Row1, 200);
    edPower = addField(tsRig, QStringLiteral("Power"), "edPower", Left, Row2, 200);
    edAntenna = addField(tsRig, QStringLiteral("Antenna"), "edAntenna", Left, Row3, 200);
    addFootLabel(tsRig, "lblRigFoot");

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setGeometry(228, PagesHeight + 9, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(312, PagesHeight + 9, 75, 25);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);  // Escape and the close box too

    // The multiplier is typed before the call, although it sits to the right of it.
    QWidget* order[] = {PageControl1, edFName, edLName, edAddr, edCity, edCountry, edMulti,
                        edCall, edRig, edPower, edAntenna, btnOK, btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    PageControl1->setCurrentWidget(tsUser);
    edFName->setFocus();

    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
}

QLineEdit* TUserDlgFrm::addField(QWidget* page, const QString& label, const char* name, int x, int y, int width)
{
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(x, y + LabelToEdit, width, edit->sizeHint().height());
    auto* caption = new QLabel(label, page);
    caption->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(name + 2));
    caption->setBuddy(edit);
    caption->move(x, y);
    caption->adjustSize();
    return edit;
}

void TUserDlgFrm::addFootLabel(QWidget* page, const char* name)
{
    auto* label = new QLabel(QStringLiteral("Trelo prvenstvo NLT"), page);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setStyleHint(QFont::Cursive);  // seldom installed: take the nearest informal face
    font.setPixelSize(19);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(191, 191, 255));
    label->setPalette(palette);
    label->move(Left, FootTop);
    label->adjustSize();
}

void TUserDlgFrm::loadFrom(const TUserInfo& info)
{
    SetText(edFName, info.User.FName);
    SetText(edLName, info.User.LName);
    SetText(edAddr, info.User.Addr);
    SetText(edCity, info.User.City);
    SetText(edCountry, info.User.Country);
    SetText(edMulti, info.User.Multi);
    SetText(edCall, info.User.Call);
    SetText(edRig, info.Rig.Type);
    SetText(edPower, info.Rig.Power);
    SetText(edAntenna, info.Rig.Antenna);
}

void TUserDlgFrm::storeTo(TUserInfo& info) const
{
    info.User.FName = edFName->text();
    info.User.LName = edLName->text();
    info.User.Addr = edAddr->text();
    info.User.City = edCity->text();
    info.User.Country = edCountry->text();
    info.User.Multi = edMulti->text();
    info.User.Call = edCall->text();
    info.Rig.Type = edRig->text();
    info.Rig.Power = edPower->text();
    info.Rig.Antenna = edAntenna->text();
}

bool EditUserInfo(QWidget* parent, TUserInfo& info)
{
    TUserDlgFrm dlg(parent);
    dlg.loadFrom(info);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    dlg.storeTo(info);
    return true;
}

bool AskMyMulti(TUserInfo& info)
{
    QString value = info.User.Multi;
    if (!Dialogs().standardInput(QStringLiteral("New multplier"), QStringLiteral("Type your multiplier"), value))
        return false;
    info.User.Multi = value;
    return true;
}

}  // namespace zox

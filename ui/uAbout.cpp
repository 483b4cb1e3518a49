#include "ui/uAbout.h"

#include "app/uGlob.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>


namespace zox {

TAboutFrm::TAboutFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(QStringLiteral("Trelo prvenstvo NLT"));
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(454, 232);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 454, 232);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Panel1->setPalette(white);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(1, 1, 207, 230);
    ProgramIcon->setAlignment(Qt::AlignCenter);
    const QPixmap emblem(Dir.Help + QStringLiteral("emblem.png"));
    if (!emblem.isNull())
        ProgramIcon->setPixmap(emblem.scaled(207, 230, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    auto text = [this](const char* name, const QString& caption, int y, int height, int pointSize, bool bold) {
        auto* l = new QLabel(caption, Panel1);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(222, y, 224, height);
        l->setWordWrap(true);
        QFont f = l->font();
        if (pointSize > 0) f.setPointSize(pointSize);
        f.setBold(bold);
        l->setFont(f);
        return l;
    };
    ProductName = text("ProductName", QStringLiteral("ZOX"), 14, 36, 20, true);
    Comments = text("Comments",
                    QStringLiteral("Dnevnik za Trelo prvenstvo NLT na 80 m, CW in SSB.\n"
                                   "Vnos zvez, podvojene zveze in novi množitelji, točke, "
                                   "elektronski taster in poročila."),
                    58, 80, 0, false);
    Greeting = text("Greeting", QStringLiteral("Srečno v prvenstvu in 73!"), 146, 22, 0, true);

    OKButton = new QPushButton(QStringLiteral("OK"), Panel1);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(366, 196, 75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_centred) return;
    m_centred = true;
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void ShowAbout(QWidget* parent)
{
    // The parent may go while the box is open; then it takes the box with it.
    const QPointer<TAboutFrm> dlg = new TAboutFrm(parent);
    dlg->exec();
    delete dlg.data();
}

}  // namespace zox

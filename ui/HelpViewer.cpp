#include "ui/HelpViewer.h"

#include "app/uGlob.h"
#include "ui/CwKeyerSetup.h"
#include "ui/base/MsgDlgSlo.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace zox {

namespace {

QString& CurrentHelpFile()
{
    static QString file;
    return file;
}

QPointer<THelpFrm>& Window()
{
    static QPointer<THelpFrm> window;
    return window;
}

QPointer<QWidget>& Owner()
{
    static QPointer<QWidget> owner;
    return owner;
}

const QString kTitle = QStringLiteral("Pomoč");

}  // namespace

QString HelpFile() { return CurrentHelpFile(); }

void SetHelpFile(const QString& helpFile) { CurrentHelpFile() = helpFile; }

QString HelpContentsPage(const QString& helpFile)
{
    if (helpFile.isEmpty()) return {};
    const QFileInfo f(helpFile);
    return f.dir().filePath(f.completeBaseName() + QStringLiteral("/index.html"));
}

THelpFrm::THelpFrm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpFrm"));
    setWindowTitle(kTitle);
    // An open help window must not keep the program running after the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(640, 560);

    auto button = [this](const char* name, const QString& caption, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        return b;
    };
    HomeBtn = button("HomeBtn", QStringLiteral("&Vsebina"), QStyle::SP_DirHomeIcon);
    BackBtn = button("BackBtn", QStringLiteral("&Nazaj"), QStyle::SP_ArrowBack);
    ForwardBtn = button("ForwardBtn", QStringLiteral("Na&prej"), QStyle::SP_ArrowForward);
    BackBtn->setEnabled(false);
    ForwardBtn->setEnabled(false);

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(true);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    bar->addWidget(HomeBtn);
    bar->addWidget(BackBtn);
    bar->addWidget(ForwardBtn);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(Browser);

    connect(HomeBtn, &QToolButton::clicked, this, [this] { OpenHelpFile(m_helpFile); });
    connect(BackBtn, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardBtn, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, BackBtn, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardBtn, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? kTitle : kTitle + QStringLiteral(" – ") + title);
    });
}

bool THelpFrm::OpenHelpFile(const QString& helpFile)
{
    m_helpFile = helpFile;
    const QString page = HelpContentsPage(helpFile);
    m_missing = page.isEmpty() || !QFileInfo(page).isFile();
    if (m_missing) {
        ShowMissing(helpFile, page);
        return false;
    }
    Browser->setSource(QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
    Browser->clearHistory();  // each help file starts a history of its own
    return true;
}

void THelpFrm::ShowMissing(const QString& helpFile, const QString& page)
{
    // No way back to a page of the file shown before: the message is all the window holds.
    Browser->clearHistory();
    const QString name = helpFile.isEmpty() ? QStringLiteral("(ni določena)") : helpFile.toHtmlEscaped();
    const QString where = page.isEmpty() ? QString()
                                         : QStringLiteral("<p>Iskal sem stran <b>%1</b>.</p>").arg(page.toHtmlEscaped());
    Browser->setHtml(QStringLiteral("<h2>Pomoči ni mogoče prikazati</h2>"
                                    "<p>Ne najdem datoteke pomoči <b>%1</b>.</p>%2"
                                    "<p>Pomoč je v mapi <i>Help</i> poleg programa. Če je mapa prazna ali "
                                    "je ni, program namestite znova.</p>")
                         .arg(name, where));
    setWindowTitle(kTitle);
}

THelpFrm* HelpWindow() { return Window().data(); }

THelpFrm* ShowHelpContents()
{
    QPointer<THelpFrm>& window = Window();
    // A modal dialog (the keyer settings, a message) blocks every window that is not
    // its own, so help asked for from one belongs to it and closes with it.
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = Owner().data();
    if (!window) window = new THelpFrm(parent);
    else if (window->parentWidget() != parent) window->setParent(parent, window->windowFlags());
    window->OpenHelpFile(HelpFile());
    window->show();
    window->raise();
    window->activateWindow();
    return window.data();
}

void InstallHelp(QWidget* owner)
{
    Owner() = owner;
    SetHelpFile(Dir.Help + QStringLiteral("Zox.hlp"));
    // No help topic has a page of its own: every "&Help" shows the contents.
    SetHelpContextHandler([](int) { ShowHelpContents(); });
    KeyerSetupHelp().SetHelpFile = [](const QString& helpFile) { SetHelpFile(helpFile); };
    KeyerSetupHelp().ShowContents = [] { ShowHelpContents(); };
}

}  // namespace zox

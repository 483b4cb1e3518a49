// Preloaded into the installed program (LD_PRELOAD) to work it as an operator would,
// through its real menus and dialogs, with nothing of the program linked in:
// "Datoteka" > "Nova" with a log name typed into the file dialog, "Urejanje" > "Log" >
// "Kreiraj", "Pomoč" > "Vsebina"; then it closes the main window. What it saw goes,
// one "key=value" a line, to the file named by ZOX_DRIVER_REPORT.

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

QStringList& Report()
{
    static QStringList lines;
    return lines;
}

void Finish(int code)
{
    QFile f(qEnvironmentVariable("ZOX_DRIVER_REPORT"));
    if (f.open(QIODevice::WriteOnly)) f.write((Report().join('\n') + '\n').toUtf8());
    f.close();
    if (code != 0) QCoreApplication::exit(code);
}

QWidget* TopLevel(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// A menu item by the texts the operator reads, "&" marks left out.
QAction* MenuItem(QWidget* window, const QStringList& path)
{
    auto* bar = window->findChild<QMenuBar*>();
    QList<QAction*> actions = bar ? bar->actions() : QList<QAction*>();
    QAction* found = nullptr;
    for (const QString& text : path) {
        found = nullptr;
        for (QAction* a : actions)
            if (QString(a->text()).remove('&') == text) found = a;
        if (!found) return nullptr;
        actions = found->menu() ? found->menu()->actions() : QList<QAction*>();
    }
    return found;
}

// Runs `step` once `ready` holds, looking every 50 ms; gives up after the watchdog.
void When(std::function<bool()> ready, std::function<void()> step)
{
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, step] {
        if (!ready()) return;
        timer->stop();
        timer->deleteLater();
        step();
    });
    timer->start();
}

void Drive()
{
    QTimer::singleShot(30000, [] {
        Report() << "result=timeout";
        Finish(3);
    });
    When([] { return TopLevel("MainFrm") != nullptr; }, [] {
        QWidget* main = TopLevel("MainFrm");
        Report() << "title=" + main->windowTitle();
        // The log dialog is modal: answer it when it shows.
        When([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; }, [] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            Report() << "logdialog.title=" + dlg->windowTitle();
            Report() << "logdialog.folder=" + dlg->directory().absolutePath();
            auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
            name->setText("contest.DAT");
            static_cast<QDialog*>(dlg)->accept();  // as the "Odpri" button does
        });
        QAction* nova = MenuItem(main, {"Datoteka", "Nova"});
        if (!nova) { Report() << "result=no Nova"; Finish(4); return; }
        QTimer::singleShot(0, nova, &QAction::trigger);
        When([main] { return main->windowTitle().endsWith("contest.DAT"); }, [main] {
            Report() << "log=" + main->windowTitle().mid(QStringLiteral("Zox prvenstvo ").size());
            MenuItem(main, {"Urejanje", "Log", "Kreiraj"})->trigger();
            MenuItem(main, {"Pomoč", "Vsebina"})->trigger();
            When([] { return TopLevel("HelpFrm") != nullptr; }, [main] {
                auto* browser = TopLevel("HelpFrm")->findChild<QTextBrowser*>("Browser");
                Report() << "help.page=" + browser->source().toLocalFile();
                Report() << "help.title=" + browser->documentTitle();
                main->close();
                Report() << "result=done";
                Finish(0);
            });
        });
    });
}

// Runs while the application object is being made; the driving starts with its event loop.
void Start()
{
    QTimer::singleShot(0, [] {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) Drive();
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)

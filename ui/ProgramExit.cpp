#include "ui/ProgramExit.h"

#include "keyer/TermSignals.h"

#include <QCoreApplication>
#include <QWidget>

namespace zox {

void CloseOnTermSignals(QWidget& mainWindow)
{
    auto* watcher = new TTermSignalWatcher(&mainWindow);
    QObject::connect(watcher, &TTermSignalWatcher::Received, &mainWindow, [&mainWindow] {
        mainWindow.close();
        // The tool windows or a dialog may still be open: end the loops all the same.
        QCoreApplication::quit();
    });
}

}  // namespace zox

#include "app/uGlob.h"
#include "keyer/KeyRelease.h"
#include "keyer/zlportio.h"
#include "log/uData.h"
#include "ui/ProgramExit.h"
#include "ui/uMainZox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before anything can key the transmitter: a crash still lets the key go.
    zox::InstallFatalKeyRelease();
    zox::ZlPortIoStart();
    zox::BuildFolderTable();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zox");
    zox::DataFrm();
    zox::TMainFrm w;
    zox::CloseOnTermSignals(w);
    w.show();
    const int rc = app.exec();
    zox::ZlPortIoEnd();  // key up and speaker off, then the port device closes
    return rc;
}

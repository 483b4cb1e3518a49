#include "app/uGlob.h"
#include "keyer/KeyRelease.h"
#include "keyer/zlportio.h"
#include "log/uData.h"
#include "ui/ProgramExit.h"
#include "ui/base/GuardedApplication.h"
#include "ui/base/Translation.h"
#include "ui/uMainZox.h"

#include "app/IniFile.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char** argv)
{
    // Before anything can key the transmitter: a crash still lets the key go.
    zox::InstallFatalKeyRelease();
    zox::ZlPortIoStart();
    const zox::FolderRoots roots = zox::ProgramFolderRoots();
    zox::BuildFolderTable(roots.shipped, roots.own);
    // A folder that cannot be made shows up when a file in it is opened; say so here too.
    for (const QString& problem : zox::PrepareOperatorFolders(roots))
        std::fprintf(stderr, "zox: %s\n", problem.toLocal8Bit().constData());
    zox::GuardedApplication app(argc, argv);
    QApplication::setApplicationName("Zox");
    QApplication::setDesktopFileName("zox");
    zox::InstallSloveneTranslation();
    if (!zox::CodePageAvailable()) {
        QMessageBox::critical(nullptr, QStringLiteral("Zox"), zox::CodePageMissingText());
        return 1;
    }
    zox::DataFrm();
    zox::TMainFrm w;
    zox::CloseOnTermSignals(w);
    w.show();
    const int rc = app.exec();
    zox::ZlPortIoEnd();  // key up and speaker off, then the port device closes
    return rc;
}

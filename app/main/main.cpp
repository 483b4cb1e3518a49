#include "app/uGlob.h"
#include "keyer/zlportio.h"
#include "log/uData.h"
#include "ui/uMainZox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    zox::ZlPortIoStart();
    zox::BuildFolderTable();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zox");
    zox::DataFrm();
    zox::TMainFrm w;
    w.show();
    const int rc = app.exec();
    zox::ZlPortIoEnd();
    return rc;
}

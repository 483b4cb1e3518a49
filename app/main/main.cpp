#include "app/uGlob.h"
#include "log/uData.h"
#include "ui/uMainZox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    zox::BuildFolderTable();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zox");
    zox::DataFrm();
    zox::TMainFrm w;
    w.show();
    return app.exec();
}

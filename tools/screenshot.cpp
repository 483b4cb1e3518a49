// Opens the main window over a small made-up log and saves a picture of it.
#include "app/uGlob.h"
#include "log/uData.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uMainZox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zox-screenshot OUT.png\n");
        return 2;
    }
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    // The program folder beside this tool's folder has the shipped data.
    zox::BuildFolderTable(QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath() + "/../program");
    QApplication app(argc, argv);
    zox::UserInfo.User.Call = "Q5OP";
    zox::TMainFrm w;
    w.show();
    const QString log = dir.filePath("NLT2026.DAT");
    {
        zox::ScriptedDialogs dlg;
        dlg.answerFile(log);
        w.Nova1->trigger();
    }
    struct Qso { const char* time; const char* call; int mode; const char* multi; } qsos[] = {
        {"09:00:12", "Q5ABC", 0, "55"}, {"09:01:40", "Q52LT", 0, "43"}, {"09:03:05", "Q58KM", 0, "61"},
        {"09:05:51", "Q5ABC", 1, "55"}, {"09:07:30", "Q59ZX", 1, "70"}, {"09:09:02", "Q52LT", 0, "43"},
        {"10:00:44", "Q56RT", 0, "47"}, {"10:02:10", "Q53NB", 1, "61"},
    };
    for (const auto& q : qsos) {
        w.cbMode->setCurrentIndex(q.mode);
        emit w.cbMode->activated(q.mode);
        w.edUtc->setText(q.time);
        w.edCall->setText(q.call);
        w.edHisMulti->setText(q.multi);
        w.Save();
    }
    w.edCall->setText("Q5ABC");
    QTimer::singleShot(800, [&] {
        const QPixmap shot = w.grab();
        const bool ok = shot.save(QString::fromLocal8Bit(argv[1]));
        app.exit(ok ? 0 : 1);
    });
    return app.exec();
}

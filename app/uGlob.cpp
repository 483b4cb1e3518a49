#include "app/uGlob.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace zox {

void BuildFolderTable(const QString& programFolder)
{
    QString prog = programFolder;
    if (!prog.endsWith('/')) prog += '/';
    Dir.Prog = prog;
    Dir.Data = prog + "Data/";
    Dir.Help = prog + "Help/";
    Dir.User = prog + "User";
    Dir.Adif = prog + "Adif/";
    Dir.Rtf = prog + "Rtf";
    Dir.Doc = prog + "Doc";
    Dir.Wav = prog + "Wav/";
    Dir.Rules = prog + "Rules/";
    Dir.Txt = prog + "Txt/";
    Dir.Cabrillo = prog + "Cabrillo/";
}

void BuildFolderTable()
{
    // Runs before the application object exists, so ask the kernel directly.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    QString folder = exe.exists() ? QFileInfo(exe.symLinkTarget()).absolutePath()
                                  : QCoreApplication::applicationDirPath();
    BuildFolderTable(folder);
}

void ResetGlobals()
{
    DataFolder.clear();
    LogOpen = false;
    UtcMode = false;
    ContestKind = 0;
    ContestName.clear();
    ModeIndex = 0;
    ModeText.clear();
    BandText.clear();
}

}  // namespace zox

#include "app/uGlob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef ZOX_SHARED_FROM_BIN
#define ZOX_SHARED_FROM_BIN "../share/zox"
#endif

namespace zox {

namespace {

QString WithSlash(QString folder)
{
    if (!folder.endsWith('/')) folder += '/';
    return folder;
}

// A folder with the program's shipped data in it.
bool HoldsData(const QString& folder)
{
    return QFileInfo(folder + "Help").isDir() || QFileInfo(folder + "Data/S5_Letnice.dat").isFile();
}

const char* const kOperatorFolders[] = {"Data", "Txt", "Adif", "Cabrillo"};
const char* const kLetnice = "S5_Letnice.dat";

}  // namespace

void BuildFolderTable(const QString& shipped, const QString& own)
{
    const QString s = WithSlash(shipped);
    const QString o = WithSlash(own);
    Dir.Prog = s;
    Dir.Help = s + "Help/";
    Dir.Wav = s + "Wav/";
    Dir.Rules = s + "Rules/";
    Dir.Data = o + "Data/";
    Dir.User = o + "User";
    Dir.Adif = o + "Adif/";
    Dir.Rtf = o + "Rtf";
    Dir.Doc = o + "Doc";
    Dir.Txt = o + "Txt/";
    Dir.Cabrillo = o + "Cabrillo/";
}

void BuildFolderTable(const QString& programFolder) { BuildFolderTable(programFolder, programFolder); }

QString DataHome()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::cleanPath(QDir::homePath() + "/.local/share");
}

FolderRoots ChooseFolderRoots(const QString& exeFolder, const QString& sharedFromBin, const QString& dataHome)
{
    const QString exe = WithSlash(QDir::cleanPath(exeFolder));
    const QString own = WithSlash(QDir::cleanPath(dataHome + "/zox"));
    // The build folder or a portable copy: everything stays together.
    if (HoldsData(exe) && QFileInfo(exe).isWritable()) return {exe, exe, false};
    const QString shared = WithSlash(QDir::cleanPath(exe + sharedFromBin));
    if (HoldsData(shared)) return {shared, own, true};
    // A copy that may not be written (a read-only medium): read from it, write at home.
    if (HoldsData(exe)) return {exe, own, true};
    return {exe, exe, false};
}

FolderRoots ProgramFolderRoots()
{
    // Runs before the application object exists, so ask the kernel directly.
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString folder = self.exists() ? QFileInfo(self.symLinkTarget()).absolutePath()
                                         : QCoreApplication::applicationDirPath();
    return ChooseFolderRoots(folder, QStringLiteral(ZOX_SHARED_FROM_BIN), DataHome());
}

void BuildFolderTable()
{
    const FolderRoots roots = ProgramFolderRoots();
    BuildFolderTable(roots.shipped, roots.own);
}

QStringList PrepareOperatorFolders(const FolderRoots& roots)
{
    QStringList problems;
    if (!roots.installed) return problems;  // beside the program they come with it
    for (const char* name : kOperatorFolders) {
        const QString folder = roots.own + name;
        if (!QDir().mkpath(folder)) problems << QStringLiteral("Ne morem ustvariti mape %1").arg(folder);
    }
    const QString list = roots.own + "Data/" + kLetnice;
    const QString shippedList = roots.shipped + "Data/" + kLetnice;
    // The operator edits his copy; the shipped list only starts it.
    if (!QFileInfo::exists(list) && QFileInfo(shippedList).isFile()) {
        // Copied under a temporary name first, so a half copy is never taken for the list.
        const QString part = list + ".part";
        QFile::remove(part);
        if (!QFile::copy(shippedList, part) ||
            !QFile::setPermissions(part, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther) ||
            !QFile::rename(part, list)) {
            QFile::remove(part);
            problems << QStringLiteral("Ne morem kopirati %1 v %2").arg(shippedList, list);
        }
    }
    return problems;
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

#pragma once
// Process-wide state: the folder table, the operator record and the global values.
// Read and written only on the user-interface thread.

#include <QString>
#include <QStringList>

namespace zox {

struct TDir {
    QString Prog;   // folder of the program file, with trailing separator
    QString Data;
    QString Help;
    QString User;
    QString Adif;
    QString Rtf;
    QString Doc;
    QString Wav;
    QString Rules;
    QString Txt;
    QString Cabrillo;
};

struct TUser {
    QString FName, LName, Addr, City, Country, Multi, Call;
};
struct TRig {
    QString Type, Power, Antenna;
};
struct TUserCountry {
    QString Country1, Country2, Country3, Country4, Country5;
};
struct TUserInfo {
    TUser User;
    TRig Rig;
    TUserCountry UserCountry;
};

inline TDir Dir;
inline TUserInfo UserInfo;

inline QString DataFolder;
inline bool LogOpen = false;
inline bool UtcMode = false;
inline int ContestKind = 0;
inline QString ContestName;
inline int ModeIndex = 0;
inline QString ModeText;
inline QString BandText;

// Fills Dir from the folder of the program file (with or without trailing separator):
// every folder beside the program, as in a build folder or a portable copy.
void BuildFolderTable(const QString& programFolder);
// Fills Dir with the shipped data (Help, Wav, Rules, Manual; Prog) read from `shipped`
// and the operator's own folders (Data, Txt, Adif, Cabrillo) under `own`.
void BuildFolderTable(const QString& shipped, const QString& own);

// Where the program's files are. A program folder that holds its data and may be
// written keeps everything beside the program; an installed program reads its data
// from <prefix>/share/zox and keeps the operator's files under the data home.
struct FolderRoots {
    QString shipped;  // with trailing "/"
    QString own;      // with trailing "/"
    bool installed = false;
};
// `exeFolder` is the running executable's folder; `sharedFromBin` the shipped data's
// folder relative to it ("../share/zox"); `dataHome` is $XDG_DATA_HOME or ~/.local/share.
FolderRoots ChooseFolderRoots(const QString& exeFolder, const QString& sharedFromBin, const QString& dataHome);
// $XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
QString DataHome();
// The roots for the running executable.
FolderRoots ProgramFolderRoots();
// Fills Dir from the running executable's folder by ChooseFolderRoots.
void BuildFolderTable();

// Makes the operator's folders (Data, Txt, Adif, Cabrillo) where they are missing and
// copies the shipped year-number list into Data when it is not there yet. Returns the
// problems met, one line each; an empty list when all is in place.
QStringList PrepareOperatorFolders(const FolderRoots& roots);
// Back to the values at process start (Dir and UserInfo are kept); for a second window in tests.
void ResetGlobals();

}  // namespace zox

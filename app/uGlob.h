#pragma once
// Process-wide state: the folder table, the operator record and the global values.
// Read and written only on the user-interface thread.

#include <QString>

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

// Fills Dir from the folder of the program file (with or without trailing separator).
void BuildFolderTable(const QString& programFolder);
// Fills Dir from the running executable's folder.
void BuildFolderTable();
// Back to the values at process start (Dir and UserInfo are kept); for a second window in tests.
void ResetGlobals();

}  // namespace zox

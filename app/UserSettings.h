#pragma once
// The persistent form of the operator record and of the time mode: keys of
// the main window's section in the settings file.

#include "app/IniFile.h"
#include "app/uGlob.h"

namespace zox {

// The section that holds every key of the program.
inline const QString kMainSection = QStringLiteral("TMainFrm");

// "Rig Type", "Rig Power", "Antenna", "User FName" ... "User Multi"; absent
// keys give empty texts, but "User Call" gives "X9XX". TUserCountry is not stored.
void ReadUserInfo(const IniFile& ini, TUserInfo& info);
void WriteUserInfo(IniFile& ini, const TUserInfo& info);

// "Time": "0" (also when absent) is UTC, anything else local time.
bool ReadUtcMode(const IniFile& ini);
void WriteUtcMode(IniFile& ini, bool utc);

}  // namespace zox

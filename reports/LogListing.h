#pragma once
// The paged text listing of the log, one line per QSO.

#include "app/uGlob.h"
#include "log/uData.h"

#include <QString>

namespace zox {

// The listing's file for an operator's call sign: Dir.Txt + the call made
// safe for a file name (CallFileStem) + ".txt".
QString ListingPath(const QString& call);

// Writes the listing of the log open in `data` to `path` in one full pass
// over LogTbl. The title line carries `yearText` (the local year when not
// given) and the operator's call. Raises FileError or the engine's error;
// the old file at `path` is then untouched.
void WriteLogListing(TDataFrm& data, const TUserInfo& user, const QString& path);
void WriteLogListing(TDataFrm& data, const TUserInfo& user, const QString& path, const QString& yearText);

}  // namespace zox

#pragma once
// The summary sheet: the entry's cover page with the score worked out from
// the stored log.

#include "app/uGlob.h"
#include "log/uData.h"

#include <QString>

namespace zox {

struct SummaryScore {
    qint64 CwPoints = 0, CwMulti = 0, SsbPoints = 0, SsbMulti = 0;
    qint64 TotalPoints() const { return CwPoints + SsbPoints; }
    qint64 TotalMulti() const { return CwMulti + SsbMulti; }
    qint64 Result() const { return TotalPoints() * TotalMulti(); }
};

// The score pass over LogTbl: 2 points per CW and 1 per SSB QSO with points,
// one multiplier per QSO with MultiP, counted per mode.
SummaryScore CountSummary(TDataFrm& data);

// The sheet's file for an operator's call sign: Dir.Txt + the call made
// safe for a file name (CallFileStem) + ".sum".
QString SummaryPath(const QString& call);

// Writes the sheet for the log open in `data` to `path`. Raises FileError or
// the engine's error; the old file at `path` is then untouched.
void SummaryZox(TDataFrm& data, const TUserInfo& user, const QString& path);

}  // namespace zox

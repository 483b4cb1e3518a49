#pragma once
// The ADIF export: one record line per QSO with the contest's constant fields.

#include "app/uGlob.h"
#include "log/uData.h"

#include <QString>

namespace zox {

// The file for a name chosen in the dialog: ".adi" added when the name has
// no extension; one with another extension keeps it.
QString AdifFileName(const QString& chosen);

// The question before replacing an existing file (lines joined by CR LF).
QString AdifOverwriteQuestion(const QString& path);

// One ADIF field as the tag writer writes it: "<name:length>value", or
// nothing for an empty value. Names by index 0 to 14 ("Qth" ... "Pfx").
QString AdifTag(int index, const QString& value);

// Writes the log open in `data` to `path`: the header line ending in
// " <eoh>", then one record per QSO in entry order. The search cursors stay
// open. Raises FileError or the engine's error; the old file at `path` is
// then untouched.
void WriteAdif(TDataFrm& data, const TUserInfo& user, const QString& path);

}  // namespace zox

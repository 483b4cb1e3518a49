#pragma once
// The Cabrillo 3.0 export for the contest's log checker: a header of tagged
// lines, one QSO: line per contact in order of entry (duplicates included),
// then END-OF-LOG:. The file holds ASCII only.

#include "app/uGlob.h"
#include "log/uData.h"

#include <QList>
#include <QString>

namespace zox {

// Something the file could not hold as stored.
struct CabrilloNote {
    int qso = 0;      // the contact's number in order of entry; 0 for the header
    QString field;    // header tag ("NAME"), log field ("Call", "RstR"), or "Multi" for the own year number
    QString leftOut;  // the characters left out; empty when the value was empty and "-" stands for it
    bool operator==(const CabrilloNote&) const = default;
};

struct CabrilloResult {
    int qsos = 0;
    qint32 claimedScore = 0;
    QList<CabrilloNote> notes;
};

// The file for a name chosen in the dialog: ".log" added when the name has
// no extension; one with another extension keeps it.
QString CabrilloFileName(const QString& chosen);

// CATEGORY-POWER for the operator's power text: "LOW" up to 100 W, "HIGH"
// above, empty (the tag is left out) when the text does not start with a number.
QString CabrilloPowerCategory(const QString& power);

// Characters left out as a message shows them: line breaks and tabs as \r \n \t.
QString CabrilloVisible(const QString& leftOut);

// CREATED-BY: the program and its version.
QString CabrilloCreatedBy();

// Writes the log open in `data` to `path` in one pass over LogTbl; the search
// cursors stay open. The claimed score is the rule's result over the stored
// calls, modes and year numbers. Raises FileError or the engine's error; the
// old file at `path` is then untouched.
CabrilloResult WriteCabrillo(TDataFrm& data, const TUserInfo& user, const QString& path);

}  // namespace zox

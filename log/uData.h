#pragma once
// The data module: the three cursors on the current log and the one on the
// year-number list.

#include "storage/Table.h"

#include <functional>

namespace zox {

using storage::Table;

class TDataFrm {
public:
    TDataFrm();  // DataModuleCreate

    Table LogTbl;      // entry order: grid, save, delete, full passes
    Table LogTbl1;     // byCallBand: duplicate search
    Table LogTbl2;     // byBandMulti: new-multiplier search
    Table LetniceTbl;  // year-number list, primary key Znak

    static QList<storage::FieldDef> LogFields();
    static QList<storage::IndexDef> LogIndexes();
    static QList<storage::FieldDef> LetniceFields();
    static QList<storage::IndexDef> LetniceIndexes();

    bool IsLogFile(const QString& path) const;
    // A log file whose pages and indexes SQLite finds sound.
    bool IsSoundLog(const QString& path) const;
    void CreateLogTable(const QString& path) const;
    // Creates a year-number table file (used by the build and by tests).
    static void CreateLetniceTable(const QString& path);

    // Walks LogTbl from first to last with repainting suspended and the search
    // cursors closed; reopens and resumes afterwards, also when `visit` throws.
    // `fields` names what the visit reads (all when empty).
    void FullPass(const std::function<void(Table&)>& visit, bool closeSearchCursors = true,
                  const QStringList& fields = {});
};

// The one data module of the process.
TDataFrm& DataFrm();

}  // namespace zox

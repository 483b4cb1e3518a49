#include "log/uData.h"

#include "app/uGlob.h"

namespace zox {

using storage::FieldDef;
using storage::FieldType;
using storage::IndexDef;

TDataFrm::TDataFrm()
{
    LogTbl.setDatabaseName(DataFolder);
    LogTbl1.setDatabaseName(DataFolder);
    LogTbl2.setDatabaseName(DataFolder);
    for (Table* t : {&LogTbl, &LogTbl1, &LogTbl2}) t->setExclusive(true);
}

QList<FieldDef> TDataFrm::LogFields()
{
    return {
        {"Vexa", FieldType::AutoInc, 0},  {"Date", FieldType::Date, 0},     {"Utc", FieldType::Time, 0},
        {"Call", FieldType::Text, 20},    {"Mode", FieldType::Text, 3},     {"Band", FieldType::Text, 10},
        {"RstS", FieldType::Text, 10},    {"RstR", FieldType::Text, 10},    {"MultiR", FieldType::Text, 10},
        {"MultiP", FieldType::Integer, 0}, {"Point", FieldType::Integer, 0}, {"Contest", FieldType::Text, 10},
    };
}

QList<IndexDef> TDataFrm::LogIndexes()
{
    return {
        {"", "Vexa", true, true},
        {"byCall", "Call", false, false},
        {"byCallBand", "Call;Band", false, false},
        {"byBandMulti", "Band;MultiR", false, false},
    };
}

QList<FieldDef> TDataFrm::LetniceFields()
{
    return {{"Znak", FieldType::Text, 20}, {"Letnica", FieldType::Text, 2}};
}

QList<IndexDef> TDataFrm::LetniceIndexes() { return {{"", "Znak", true, true}}; }

bool TDataFrm::IsLogFile(const QString& path) const
{
    Table t;
    t.setDatabaseName(DataFolder);
    t.setTableName(path);
    const auto fields = t.readFieldDefs();  // the engine's error goes on to the caller
    return fields.size() == 12 && fields.first().name == QLatin1String("Vexa");
}

void TDataFrm::CreateLogTable(const QString& path) const
{
    Table t;
    t.setDatabaseName(DataFolder);
    t.setTableName(path);
    t.setExclusive(true);
    t.fieldDefs = LogFields();
    t.indexDefs = LogIndexes();
    if (t.exists()) return;
    t.createTable();
    t.restructure(t.fieldDefs, t.indexDefs);
    // The multiplier search looks up Mode and MultiR; no named index starts with
    // them. Band last, so the matches come in the search cursor's own order.
    t.addSearchIndex("MultiR;Mode;Band");
}

void TDataFrm::CreateLetniceTable(const QString& path)
{
    Table t;
    t.setTableName(path);
    t.fieldDefs = LetniceFields();
    t.indexDefs = LetniceIndexes();
    t.createTable();
}

void TDataFrm::FullPass(const std::function<void(Table&)>& visit, bool closeSearchCursors, const QStringList& fields)
{
    const bool reopen1 = closeSearchCursors && LogTbl1.isOpen();
    const bool reopen2 = closeSearchCursors && LogTbl2.isOpen();
    if (closeSearchCursors) {
        LogTbl1.close();
        LogTbl2.close();
    }
    LogTbl.disableControls();
    struct Restore {
        TDataFrm& d;
        bool r1, r2;
        ~Restore()
        {
            try {
                if (r1) d.LogTbl1.open();
                if (r2) d.LogTbl2.open();
            } catch (...) {
            }
            d.LogTbl.enableControls();
        }
    } restore{*this, reopen1, reopen2};
    LogTbl.scan(visit, fields);
}

TDataFrm& DataFrm()
{
    static TDataFrm d;
    return d;
}

}  // namespace zox

#include "log/uData.h"

#include "app/uGlob.h"

namespace zox {

namespace {
QString ErrorOf(const std::exception_ptr& e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
        return QString();
    }
}
}  // namespace

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

bool TDataFrm::IsSoundLog(const QString& path) const
{
    Table t;
    t.setDatabaseName(DataFolder);
    t.setTableName(path);
    return t.isSound();
}

void TDataFrm::CreateLogTable(const QString& path) const
{
    Table t;
    t.setDatabaseName(DataFolder);
    t.setTableName(path);
    t.setExclusive(true);
    t.fieldDefs = LogFields();
    t.indexDefs = LogIndexes();
    // The multiplier search looks up Mode and MultiR; no named index starts with
    // them. Band last, so the matches come in the search cursor's own order.
    t.searchIndexes = {"MultiR;Mode;Band"};
    if (t.exists()) return;
    t.createTable();
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
    std::exception_ptr failure;
    try {
        LogTbl.scan(visit, fields);
    } catch (...) {
        failure = std::current_exception();
    }
    // The cursors as they were. A log whose search cursors cannot be put back
    // is closed whole: half open, every keystroke would fail on it.
    try {
        if (reopen1) LogTbl1.open();
        if (reopen2) LogTbl2.open();
    } catch (...) {
        const QString path = LogTbl.filePath();
        LogTbl1.close();
        LogTbl2.close();
        LogTbl.close();
        LogOpen = false;
        if (!failure)
            failure = std::make_exception_ptr(storage::EngineError(
                path + QStringLiteral(": the log could not be read again after a pass and is closed: ") + ErrorOf(std::current_exception()),
                storage::EngineError::Kind::IoError));
    }
    LogTbl.enableControls();
    if (failure) std::rethrow_exception(failure);
}

TDataFrm& DataFrm()
{
    static TDataFrm d;
    return d;
}

}  // namespace zox

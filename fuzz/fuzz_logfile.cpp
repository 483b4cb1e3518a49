// A log file of any bytes, taken the way the program takes one: the log test,
// and for a file that passes it, the cursors the main window opens and the
// passes it makes. Engine errors are the expected answer to a bad file;
// anything else escaping, or a sanitizer report, is a finding.

#include "FuzzSupport.h"
#include "log/uData.h"

#include <QFile>

#include <cstdint>

using namespace zox;
using storage::EngineError;
using storage::Table;

namespace {

void UseAsLog(const QString& path)
{
    Table log;
    log.setTableName(path);
    log.setExclusive(true);
    log.open();
    const int count = log.recordCount();
    const auto rows = log.fetchRows(0, 50);
    // Fewer when the file is damaged: SQLite may count through an index and
    // then find no rows in the table itself, without reporting an error.
    FUZZ_CHECK(rows.size() <= size_t(std::min(count, 50)));
    if (count > 50) log.fetchRows(count - 10, 10);  // the grid's end of the log
    const QStringList names = log.fieldNames();
    log.scan([&](Table& t) {
        for (const QString& n : names) t.displayText(n);
    });
    log.scan([](Table& t) { t.field(QStringLiteral("Call")); }, {QStringLiteral("Call"), QStringLiteral("Mode")});
    log.last();
    log.prior();
    log.recNo();

    // The duplicate and new-multiplier searches.
    Table dupes;
    dupes.setTableName(path);
    dupes.setIndexName(QStringLiteral("byCallBand"));
    dupes.open();
    dupes.locate(QStringLiteral("Call;Band"), {QStringLiteral("S50A"), QStringLiteral("80")});
    Table multis;
    multis.setTableName(path);
    multis.setIndexName(QStringLiteral("byBandMulti"));
    multis.open();
    multis.locate(QStringLiteral("MultiR;Mode;Band"), {QStringLiteral("75"), QStringLiteral("CW"), QStringLiteral("80")});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TDataFrm frm;
    const QString path = fuzz::ScratchPath(QStringLiteral("fuzz.DAT"));
    QFile::remove(path + QStringLiteral("-journal"));  // a left-over journal would be rolled into this input
    fuzz::WriteScratch(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        if (frm.IsLogFile(path)) UseAsLog(path);
    } catch (const EngineError&) {
    }
    return 0;
}

#include "log/ContestSession.h"

#include "app/uGlob.h"

namespace zox {

using storage::EngineError;

namespace {

// Stored marks compare as numbers; empty is its own value.
bool SameMark(const QVariant& stored, const QVariant& rule)
{
    if (stored.isNull() || rule.isNull()) return stored.isNull() == rule.isNull();
    return stored.toLongLong() == rule.toLongLong();
}

bool AllDigits(const QString& s)
{
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// Grid and navigator stay still while one operation writes several records,
// and hear of it once at the end.
struct QuietGrid {
    Table& t;
    explicit QuietGrid(Table& table) : t(table) { t.disableControls(); }
    ~QuietGrid()
    {
        try {
            t.enableControls();
        } catch (...) {
            // A listener that cannot read now will read on its next repaint.
        }
    }
};

const QStringList kScoredFields{"Call", "Mode", "MultiR", "Point", "MultiP", "Utc"};

}  // namespace

struct ContestSession::Change {
    ScoreTotals totals;
    HourCounts rates;
};

ContestSession::ContestSession(TDataFrm& data) : m_data(data) {}

bool ContestSession::IsOpen() const { return m_data.LogTbl.isOpen(); }

QString ContestSession::LogPath() const { return IsOpen() ? m_data.LogTbl.tableName() : QString(); }

int ContestSession::QsoCount() const { return IsOpen() ? m_data.LogTbl.recordCount() : 0; }

// ---------------------------------------------------------------- log files

void ContestSession::OpenTables(const QString& path)
{
    TDataFrm& d = m_data;
    d.LogTbl.setTableName(path);
    d.LogTbl1.setTableName(path);
    d.LogTbl2.setTableName(path);
    d.LetniceTbl.setTableName(Dir.Data + "S5_Letnice.dat");
    d.LogTbl.setIndexName(QString());
    d.LogTbl.open();
    d.LogTbl1.setIndexName("byCallBand");
    d.LogTbl1.open();
    d.LogTbl2.setIndexName("byBandMulti");
    d.LogTbl2.open();
    d.LetniceTbl.open();
    LogOpen = true;
}

void ContestSession::CloseTables()
{
    m_data.LogTbl1.close();
    m_data.LogTbl.close();
    m_data.LogTbl2.close();
    m_data.LetniceTbl.close();
    LogOpen = false;
    m_totals = {};
    m_rates = {};
}

void ContestSession::Recount()
{
    ScoreTotals totals;
    HourCounts rates;
    m_data.FullPass(
        [&](Table& t) {
            totals.Count(t.field("Mode").toString(), t.field("Point"), t.field("MultiP"));
            rates.Count(t.field("Utc"));
        },
        false, {"Mode", "Point", "MultiP", "Utc"});
    m_data.LogTbl.last();
    m_totals = totals;
    m_rates = rates;
}

OpenOutcome ContestSession::Open(const QString& path) { return Switch(path, false); }

OpenOutcome ContestSession::Create(const QString& path) { return Switch(path, true); }

OpenOutcome ContestSession::Switch(const QString& path, bool create)
{
    // A foreign table is refused before anything changes.
    if (create) {
        Table probe;
        probe.setTableName(path);
        if (probe.exists() && !m_data.IsLogFile(path)) return OpenOutcome::NotALog;
    } else if (!m_data.IsLogFile(path)) {
        return OpenOutcome::NotALog;
    }
    EndCorrection();
    const QString previous = LogPath();
    CloseTables();
    try {
        if (create) m_data.CreateLogTable(path);
        OpenTables(path);
        Recount();
    } catch (...) {
        // A file that only looks like a log must not cost the operator the log
        // he is working in.
        CloseTables();
        if (!previous.isEmpty()) {
            try {
                OpenTables(previous);
                Recount();
            } catch (...) {
                CloseTables();
            }
        }
        throw;
    }
    return OpenOutcome::Opened;
}

void ContestSession::Close()
{
    EndCorrection();
    CloseTables();
}

// ---------------------------------------------------------------- entry line

EntryMarks ContestSession::Check(const QString& call, const QString& mode, const QString& multiR)
{
    EntryMarks m;
    if (!IsOpen()) return m;
    m.dupe = CanBeDupe(call) && m_data.LogTbl1.locate("Call;Mode", {call, mode});
    m.newMulti = IsYearNumber(multiR) && !m_data.LogTbl2.locate("Mode;MultiR", {mode, multiR});
    return m;
}

QString ContestSession::LookupYear(const QString& call)
{
    if (!IsOpen() || call.isEmpty()) return QString();
    if (!m_data.LetniceTbl.findKey({call})) return QString();
    return m_data.LetniceTbl.field("Letnica").toString();
}

SaveOutcome ContestSession::Save(const Contact& c, qint64* vexa)
{
    if (!IsOpen()) return SaveOutcome::NoLog;
    if (c.call.isEmpty()) return SaveOutcome::NoCall;
    if (c.multiR.isEmpty()) return SaveOutcome::NoYear;
    if (!c.utc.isValid()) return SaveOutcome::BadTime;
    if (!AllDigits(c.multiR)) return SaveOutcome::BadYear;
    const bool correcting = Correcting();
    if (correcting && m_correction->path != LogPath())
        throw EngineError(QStringLiteral("%1: the contact being corrected belongs to %2").arg(LogPath(), m_correction->path));
    const std::map<QString, QVariant> fields{
        {"Date", c.date.isValid() ? QVariant(c.date) : QVariant()}, {"Utc", c.utc},   {"Call", c.call},     {"Band", c.band},       {"Mode", c.mode},
        {"RstS", c.rstS},   {"RstR", c.rstR}, {"MultiR", c.multiR}, {"Contest", c.contest},
    };
    Change change{m_totals, m_rates};
    QuietGrid quiet(m_data.LogTbl);
    storage::Transaction tx(m_data.LogTbl);
    WriteContact(correcting ? m_correction->vexa : 0, fields, change);
    const qint64 id = m_data.LogTbl.recordId();
    tx.commit();
    m_totals = change.totals;
    m_rates = change.rates;
    if (vexa) *vexa = id;
    if (!correcting) return SaveOutcome::Saved;
    EndCorrection();
    return SaveOutcome::Corrected;
}

Contact ContestSession::BeginCorrection(qint64 vexa)
{
    Table& t = m_data.LogTbl;
    if (!IsOpen() || !t.gotoRecordId(vexa)) throw EngineError(QStringLiteral("%1: the QSO is no longer in the log").arg(LogPath()));
    Contact c{t.field("Date").toDate(),        t.field("Utc").toTime(),       t.field("Call").toString(),
              t.field("Mode").toString(),      t.field("Band").toString(),    t.field("RstS").toString(),
              t.field("RstR").toString(),      t.field("MultiR").toString(),  t.field("Contest").toString()};
    m_correction = Correction{LogPath(), vexa};
    return c;
}

void ContestSession::EndCorrection() { m_correction.reset(); }

// ---------------------------------------------------------------- changes

void ContestSession::Delete(qint64 vexa)
{
    Table& t = m_data.LogTbl;
    const Scored old = ReadScored(vexa);
    Change change{m_totals, m_rates};
    {
        QuietGrid quiet(t);
        storage::Transaction tx(t);
        if (!t.gotoRecordId(vexa)) throw EngineError(QStringLiteral("%1: the QSO is no longer in the log").arg(LogPath()));
        t.deleteRecord();
        change.totals.Count(old.mode, old.point, old.multiP, -1);
        change.rates.Count(old.utc, -1);
        // Those that came after it in its groups may now be the first.
        RescoreCall(old.call, old.mode, change);
        RescoreYear(old.multiR, old.mode, change);
        tx.commit();
    }
    m_totals = change.totals;
    m_rates = change.rates;
    if (CorrectionId() == vexa) EndCorrection();
}

qint64 ContestSession::WriteFields(qint64 vexa, const std::map<QString, QVariant>& fields)
{
    std::map<QString, QVariant> written;
    for (const auto& [name, value] : fields) {
        const QString n = name.toLower();
        if (n == "point" || n == "multip" || n == "vexa") continue;
        written.emplace(name, value);
    }
    Change change{m_totals, m_rates};
    qint64 id = 0;
    {
        QuietGrid quiet(m_data.LogTbl);
        storage::Transaction tx(m_data.LogTbl);
        WriteContact(vexa, written, change);
        id = m_data.LogTbl.recordId();
        tx.commit();
    }
    m_totals = change.totals;
    m_rates = change.rates;
    return id;
}

ContestSession::Scored ContestSession::ReadScored(qint64 vexa) const
{
    const auto rows = m_data.LogTbl.rowsWhere("Vexa", {vexa}, kScoredFields);
    if (rows.empty()) throw EngineError(QStringLiteral("%1: the QSO is no longer in the log").arg(LogPath()));
    const QVariantList& r = rows.front();
    return {r[0].toString(), r[1].toString(), r[2].toString(), r[3], r[4], r[5]};
}

// Writes a new QSO (vexa 0) or changes one, inside the caller's transaction.
// The QSO leaves its old groups with its marks, and the groups it is in after
// the write are scored again: the only QSOs whose marks a change can move.
void ContestSession::WriteContact(qint64 vexa, const std::map<QString, QVariant>& fields, Change& change)
{
    Table& t = m_data.LogTbl;
    std::optional<Scored> old;
    if (vexa) {
        old = ReadScored(vexa);
        change.totals.Count(old->mode, old->point, old->multiP, -1);
        change.rates.Count(old->utc, -1);
        if (!t.gotoRecordId(vexa)) throw EngineError(QStringLiteral("%1: the QSO is no longer in the log").arg(LogPath()));
        t.edit();
    } else {
        t.insert();
    }
    try {
        for (const auto& [name, value] : fields) t.setField(name, value);
        t.setField("Point", QVariant());
        t.setField("MultiP", QVariant());
        t.post();
    } catch (...) {
        t.cancel();
        throw;
    }
    const Scored now = ReadScored(t.recordId());
    change.rates.Count(now.utc, +1);
    RescoreCall(now.call, now.mode, change);
    RescoreYear(now.multiR, now.mode, change);
    if (old && (old->call != now.call || old->mode != now.mode)) RescoreCall(old->call, old->mode, change);
    if (old && (old->multiR != now.multiR || old->mode != now.mode)) RescoreYear(old->multiR, old->mode, change);
}

// Gives the QSOs of one call in a mode the points the rule gives them in order
// of entry. Under four characters the order cannot matter: only a QSO just
// written (its point still empty) needs its point.
void ContestSession::RescoreCall(const QString& call, const QString& mode, Change& change)
{
    Table& t = m_data.LogTbl;
    const auto rows = CanBeDupe(call) ? t.rowsWhere("Call;Mode", {call, mode}, {"Point"})
                                      : t.rowsWhere("Call;Mode;Point", {call, mode, QVariant()}, {"Point"});
    for (size_t i = 0; i < rows.size(); ++i) {
        const QVariant rule(qint64(RulePoint(call, mode, i > 0)));
        if (SameMark(rows[i][0], rule)) continue;
        t.updateRecord(rows[i][1].toLongLong(), {"Point"}, {rule});
        change.totals.Count(mode, rows[i][0], QVariant(), -1);
        change.totals.Count(mode, rule, QVariant(), +1);
    }
}

// The same for the multiplier of one year number in a mode. A year number that
// is no number brings none wherever it stands.
void ContestSession::RescoreYear(const QString& multiR, const QString& mode, Change& change)
{
    if (!IsYearNumber(multiR)) return;
    Table& t = m_data.LogTbl;
    const auto rows = t.rowsWhere("MultiR;Mode", {multiR, mode}, {"MultiP"});
    for (size_t i = 0; i < rows.size(); ++i) {
        const QVariant rule = RuleMultiP(multiR, i > 0);
        if (SameMark(rows[i][0], rule)) continue;
        t.updateRecord(rows[i][1].toLongLong(), {"MultiP"}, {rule});
        change.totals.Count(mode, QVariant(), rows[i][0], -1);
        change.totals.Count(mode, QVariant(), rule, +1);
    }
}

int ContestSession::Recheck()
{
    if (!IsOpen()) return 0;
    struct Fix {
        qint64 vexa;
        QsoMarks marks;
    };
    std::vector<Fix> fixes;
    Change change;
    RuleWalk walk;
    m_data.FullPass(
        [&](Table& t) {
            const QString mode = t.field("Mode").toString();
            const QsoMarks m = walk.Next(t.field("Call").toString(), mode, t.field("MultiR").toString());
            change.totals.Count(mode, m.point, m.multiP);
            change.rates.Count(t.field("Utc"));
            if (!SameMark(t.field("Point"), m.point) || !SameMark(t.field("MultiP"), m.multiP))
                fixes.push_back({t.recordId(), m});
        },
        false, kScoredFields);
    if (!fixes.empty()) {
        QuietGrid quiet(m_data.LogTbl);
        storage::Transaction tx(m_data.LogTbl);
        for (const Fix& f : fixes) m_data.LogTbl.updateRecord(f.vexa, {"Point", "MultiP"}, {f.marks.point, f.marks.multiP});
        tx.commit();
    }
    m_totals = change.totals;
    m_rates = change.rates;
    return int(fixes.size());
}

}  // namespace zox

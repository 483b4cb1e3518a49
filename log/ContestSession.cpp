#include "log/ContestSession.h"

#include "app/uGlob.h"

#include <QFile>

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
    Table probe;
    probe.setTableName(path);
    if (!create || probe.exists()) {
        if (!m_data.IsLogFile(path)) return OpenOutcome::NotALog;
        if (!m_data.IsSoundLog(path)) return OpenOutcome::Damaged;
    }
    EndCorrection();
    const QString previous = LogPath();
    const bool made = create && !probe.exists();
    CloseTables();
    try {
        if (create) m_data.CreateLogTable(path);
        OpenTables(path);
        Recount();
    } catch (...) {
        // A file that only looks like a log must not cost the operator the log
        // he is working in. A log made here that cannot be opened goes again:
        // the operator is told New failed.
        CloseTables();
        if (made) {
            QFile::remove(path);
            QFile::remove(path + QStringLiteral("-journal"));
        }
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
    const auto rows = IsOpen() ? m_data.LogTbl.rowsWhere("Vexa", {vexa}, {"Date", "Utc", "Call", "Mode", "Band", "RstS", "RstR", "MultiR", "Contest"})
                               : std::vector<QVariantList>{};
    if (rows.empty()) throw EngineError(QStringLiteral("%1: the QSO is no longer in the log").arg(LogPath()));
    const QVariantList& r = rows.front();
    Contact c{r[0].toDate(),   r[1].toTime(),   r[2].toString(), r[3].toString(), r[4].toString(),
              r[5].toString(), r[6].toString(), r[7].toString(), r[8].toString()};
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
        // The next of its call or year number may now be the first.
        for (const Group& g : GroupsOf(old)) Settle(g, vexa, true, false, change);
        tx.commit();
    }
    m_totals = change.totals;
    m_rates = change.rates;
    if (CorrectionId() == vexa) EndCorrection();
}

qint64 ContestSession::WriteFields(qint64 vexa, const std::map<QString, QVariant>& fields)
{
    // The values the entry line would take, or a clear refusal: the grid is
    // another way of typing a contact, not a way around the line's rules.
    std::map<QString, QVariant> written;
    for (const auto& [name, value] : fields) {
        const QString n = name.toLower();
        if (n == "point" || n == "multip" || n == "vexa") continue;
        QVariant v = value;
        if (n == "call") {
            QString call = v.toString().toUpper();
            call.truncate(call.indexOf(u' ') < 0 ? call.size() : call.indexOf(u' '));
            v = call;
        } else if (n == "mode") {
            const QString mode = v.toString().trimmed().toUpper();
            if (mode != "CW" && mode != "SSB")
                throw InputError(QStringLiteral("Vrsta oddaje %1 ni CW ali SSB !").arg(v.toString()));
            v = mode;
        } else if (n == "utc" && v.typeId() == QMetaType::QString && !v.toString().trimmed().isEmpty()) {
            const QTime t = QTime::fromString(v.toString().trimmed(), QStringLiteral("H:mm:ss"));
            if (!t.isValid()) throw InputError(QStringLiteral("Čas %1 ni veljaven !").arg(v.toString().trimmed()));
            v = t;
        } else if (n == "multir") {
            const QString year = v.toString().trimmed();
            if (year.size() > 2 || !AllDigits(year)) throw InputError(QStringLiteral("Letnica %1 ni število !").arg(v.toString()));
            v = year;
        }
        written.emplace(name, v);
    }
    if (!vexa) {
        auto given = [&](const char* name) {
            for (const auto& [n, v] : written)
                if (n.compare(QLatin1String(name), Qt::CaseInsensitive) == 0 && !v.toString().isEmpty()) return true;
            return false;
        };
        if (!given("Call") || !given("MultiR")) throw InputError(QStringLiteral("Zveza brez znaka ali letnice ni shranjena !"));
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

// Writes a new QSO (vexa 0) or changes one, inside the caller's transaction,
// and settles the marks of the groups it left and joined.
void ContestSession::WriteContact(qint64 vexa, const std::map<QString, QVariant>& fields, Change& change)
{
    Table& t = m_data.LogTbl;
    std::optional<Scored> old;
    if (vexa) {
        old = ReadScored(vexa);
        change.totals.Count(old->mode, old->point, old->multiP, -1);
        change.rates.Count(old->utc, -1);
        if (!t.gotoRecordId(vexa)) throw EngineError(QStringLiteral("%1: the QSO is no longer in the log").arg(LogPath()));
    }
    {
        storage::EditScope record(t, vexa ? storage::EditScope::Edit : storage::EditScope::Insert);
        for (const auto& [name, value] : fields) record.set(name, value);
        // Its marks are worked out below; until then it counts for nothing.
        record.set("Point", QVariant());
        record.set("MultiP", QVariant());
        record.post();
    }
    const qint64 id = t.recordId();
    const Scored now = ReadScored(id);
    change.rates.Count(now.utc, +1);
    const QList<Group> joined = GroupsOf(now);
    const QList<Group> left = old ? GroupsOf(*old) : QList<Group>{};
    for (const Group& g : joined) Settle(g, id, left.contains(g), true, change);
    for (const Group& g : left)
        if (!joined.contains(g)) Settle(g, id, true, false, change);
}

// The groups whose order decides a QSO's marks: its call in its mode (the
// points) and its year number in its mode (the multiplier).
QList<ContestSession::Group> ContestSession::GroupsOf(const Scored& q)
{
    return {Group{true, q.call, q.mode}, Group{false, q.multiR, q.mode}};
}

// One QSO (`self`) has joined or left a group, or stayed in it with its marks
// emptied. Only the first QSO of a group scores differently from the others,
// so the marks that can change are those of the first before, the first after,
// and of `self`.
void ContestSession::Settle(const Group& g, qint64 self, bool selfWasIn, bool selfIsIn, Change& change)
{
    Table& t = m_data.LogTbl;
    const QString fields = g.byCall ? QStringLiteral("Call;Mode") : QStringLiteral("MultiR;Mode");
    const QString mark = g.byCall ? QStringLiteral("Point") : QStringLiteral("MultiP");
    const qint64 others = t.firstRecordId(fields, {g.value, g.mode}, self);
    auto firstOf = [&](bool withSelf) { return withSelf && (others == 0 || self < others) ? self : others; };
    const qint64 firstBefore = firstOf(selfWasIn), firstAfter = firstOf(selfIsIn);
    QList<qint64> ids{firstBefore};
    if (!ids.contains(firstAfter)) ids << firstAfter;
    if (!ids.contains(self)) ids << self;
    for (qint64 id : ids) {
        if (id == 0 || (id == self && !selfIsIn)) continue;
        const bool earlier = id != firstAfter;
        const QVariant rule = g.byCall ? QVariant(qint64(RulePoint(g.value, g.mode, earlier))) : RuleMultiP(g.value, earlier);
        const auto rows = t.rowsWhere("Vexa", {id}, {mark});
        if (rows.empty() || SameMark(rows.front()[0], rule)) continue;
        t.updateRecord(id, {mark}, {rule});
        const QVariant stored = rows.front()[0];
        if (g.byCall) {
            change.totals.Count(g.mode, stored, QVariant(), -1);
            change.totals.Count(g.mode, rule, QVariant(), +1);
        } else {
            change.totals.Count(g.mode, QVariant(), stored, -1);
            change.totals.Count(g.mode, QVariant(), rule, +1);
        }
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
        std::vector<std::pair<qint64, QVariantList>> rows;
        rows.reserve(fixes.size());
        for (const Fix& f : fixes) rows.emplace_back(f.vexa, QVariantList{f.marks.point, f.marks.multiP});
        m_data.LogTbl.updateRecords({"Point", "MultiP"}, rows);
        tx.commit();
    }
    m_totals = change.totals;
    m_rates = change.rates;
    return int(fixes.size());
}

}  // namespace zox

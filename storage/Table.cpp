#include "storage/Table.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace zox::storage {

namespace {

QString quoteId(const QString& id)
{
    QString s = id;
    s.replace('"', "\"\"");
    return '"' + s + '"';
}

// Indexes this engine adds only to speed up locate; never reported as defined.
const QString kSearchIndexPrefix = QStringLiteral("zx_search_");

}  // namespace

// One open SQLite file, shared by every cursor on it.
class Connection {
public:
    sqlite3* db = nullptr;
    QString path;
    QString table;  // the one table inside
    QList<FieldDef> fields;
    QList<IndexDef> indexes;
    QHash<QString, int> fieldByName;  // exact names; other letter cases fall back to a search
    int cachedCount = -1;  // record count, kept up to date by our own writes
    std::map<QString, sqlite3_stmt*> stmts;

    ~Connection()
    {
        for (auto& [k, s] : stmts) sqlite3_finalize(s);
        if (db) sqlite3_close_v2(db);
    }

    [[noreturn]] void fail(const QString& what) const { throw EngineError(errorText(what)); }

    // The file was deleted or moved since it was opened (its folder removed, say).
    // SQLite would go on writing into the open file, which is gone for good once
    // closed: a commit there saves nothing, so it is refused.
    void requireInPlace(const QString& what) const
    {
        int moved = 0;
        if (sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
            throw EngineError(QStringLiteral("%1: %2: the file has been deleted or moved since it was opened").arg(path, what));
    }

    QString errorText(const QString& what) const
    {
        QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        if (db && (sqlite3_errcode(db) == SQLITE_BUSY || sqlite3_errcode(db) == SQLITE_LOCKED))
            msg += QStringLiteral(" (the file is in use by another program)");
        return what.isEmpty() ? QStringLiteral("%1: %2").arg(path, msg)
                              : QStringLiteral("%1: %2: %3").arg(path, what, msg);
    }

    sqlite3_stmt* prepare(const QString& sql)
    {
        auto it = stmts.find(sql);
        if (it != stmts.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* st = nullptr;
        const QByteArray u = sql.toUtf8();
        if (sqlite3_prepare_v3(db, u.constData(), int(u.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            fail(QString());
        stmts.emplace(sql, st);
        return st;
    }

    void bind(sqlite3_stmt* st, int i, const QVariant& v)
    {
        int rc;
        if (!v.isValid() || v.isNull())
            rc = sqlite3_bind_null(st, i);
        else if (v.typeId() == QMetaType::QString) {
            const QByteArray u = v.toString().toUtf8();
            rc = sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        } else
            rc = sqlite3_bind_int64(st, i, v.toLongLong());
        if (rc != SQLITE_OK) fail(QString());
    }

    void exec(const QString& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            sqlite3_free(err);
            fail(QString());
        }
    }

    QVariant scalar(const QString& sql)
    {
        sqlite3_stmt* st = prepare(sql);
        QVariant out;
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) out = column(st, 0);
        else if (rc != SQLITE_DONE) { sqlite3_reset(st); fail(QString()); }
        sqlite3_reset(st);
        return out;
    }

    static QVariant column(sqlite3_stmt* st, int i)
    {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL: return QVariant();
        case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT: return QVariant(sqlite3_column_double(st, i));
        default:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                              sqlite3_column_bytes(st, i)));
        }
    }

    // Reads the structure of the one table in the file.
    void readStructure()
    {
        QStringList tables;
        {
            sqlite3_stmt* st = prepare(QStringLiteral(
                "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) tables << column(st, 0).toString();
            sqlite3_reset(st);
            if (rc != SQLITE_DONE) fail(QString());
        }
        if (tables.size() != 1)
            throw EngineError(QStringLiteral("%1: not a table file (it holds %2 tables, a table file holds one)")
                                  .arg(path).arg(tables.size()));
        table = tables.first();
        fields.clear();
        indexes.clear();
        QStringList pkFields;
        // The columns "SELECT *" gives, generated ones included (table_info leaves
        // them out), so that row values and fields stay in step.
        sqlite3_stmt* st = prepare(
            QStringLiteral("SELECT name, type, pk FROM pragma_table_xinfo(?1) WHERE hidden <> 1 ORDER BY cid"));
        bind(st, 1, table);
        int rc;
        std::vector<std::pair<int, QString>> pks;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            FieldDef f;
            f.name = column(st, 0).toString();
            const QString type = column(st, 1).toString().toUpper();
            const int pk = int(column(st, 2).toLongLong());
            if (type.startsWith("INTEGER") && pk == 1 && type.contains("AUTO")) f.type = FieldType::AutoInc;
            else if (type == "DATE") f.type = FieldType::Date;
            else if (type == "TIME") f.type = FieldType::Time;
            else if (type.contains("INT")) f.type = FieldType::Integer;
            else {
                f.type = FieldType::Text;
                const int open = type.indexOf('('), close = type.indexOf(')');
                if (open > 0 && close > open) f.size = type.mid(open + 1, close - open - 1).trimmed().toInt();
            }
            if (pk > 0) pks.emplace_back(pk, f.name);
            fields << f;
        }
        sqlite3_reset(st);
        if (rc != SQLITE_DONE) fail(QString());
        // "INTEGER PRIMARY KEY" is reported without AUTOINCREMENT in its type: look at the SQL text.
        const QString sql = scalarText(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?1"), table);
        for (auto& f : fields)
            if (f.type == FieldType::Integer && pks.size() == 1 && pks.front().second == f.name
                && sql.contains(QStringLiteral("AUTOINCREMENT"), Qt::CaseInsensitive))
                f.type = FieldType::AutoInc;
        std::sort(pks.begin(), pks.end());
        for (auto& p : pks) pkFields << p.second;
        fieldByName.clear();
        for (int i = 0; i < fields.size(); ++i) fieldByName.insert(fields[i].name, i);
        if (!pkFields.isEmpty()) indexes << IndexDef{QString(), pkFields.join(';'), true, true};

        sqlite3_stmt* il = prepare(QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?1) WHERE origin='c' ORDER BY seq DESC"));
        bind(il, 1, table);
        std::vector<std::pair<QString, bool>> named;
        while ((rc = sqlite3_step(il)) == SQLITE_ROW) named.emplace_back(column(il, 0).toString(), column(il, 1).toLongLong() != 0);
        sqlite3_reset(il);
        if (rc != SQLITE_DONE) fail(QString());
        // Creation order: sqlite_master keeps it; pragma_index_list's seq does not promise it.
        std::vector<std::pair<qint64, IndexDef>> ordered;
        for (auto& [name, unique] : named) {
            if (name.startsWith(kSearchIndexPrefix)) continue;
            QStringList cols;
            sqlite3_stmt* ic = prepare(QStringLiteral("SELECT name FROM pragma_index_info(?1) ORDER BY seqno"));
            bind(ic, 1, name);
            while ((rc = sqlite3_step(ic)) == SQLITE_ROW) cols << column(ic, 0).toString();
            sqlite3_reset(ic);
            const qint64 order = scalarInt(QStringLiteral("SELECT rowid FROM sqlite_master WHERE type='index' AND name=?1"), name);
            ordered.emplace_back(order, IndexDef{name, cols.join(';'), false, unique});
        }
        std::sort(ordered.begin(), ordered.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (auto& o : ordered) indexes << o.second;
    }

    QString scalarText(const QString& sql, const QString& arg)
    {
        sqlite3_stmt* st = prepare(sql);
        bind(st, 1, arg);
        QString out;
        if (sqlite3_step(st) == SQLITE_ROW) out = column(st, 0).toString();
        sqlite3_reset(st);
        return out;
    }
    qint64 scalarInt(const QString& sql, const QString& arg)
    {
        sqlite3_stmt* st = prepare(sql);
        bind(st, 1, arg);
        qint64 out = 0;
        if (sqlite3_step(st) == SQLITE_ROW) out = sqlite3_column_int64(st, 0);
        sqlite3_reset(st);
        return out;
    }
};

namespace {

// Open connections by canonical path, so all cursors on one file share one.
std::map<QString, std::weak_ptr<Connection>>& registry()
{
    static std::map<QString, std::weak_ptr<Connection>> r;
    return r;
}

QString canonical(const QString& path)
{
    QFileInfo fi(path);
    const QString c = fi.canonicalFilePath();
    return c.isEmpty() ? fi.absoluteFilePath() : c;
}

std::shared_ptr<Connection> findOpen(const QString& path)
{
    auto& r = registry();
    auto it = r.find(canonical(path));
    if (it == r.end()) return nullptr;
    auto c = it->second.lock();
    if (!c) r.erase(it);
    return c;
}

enum class OpenHow { ReadOnly, ReadWrite, Create };

// A program killed while saving leaves a hot journal, which only a writer may
// roll back: a read-only look (is this a log?) would be refused for good. The
// first read of any writer rolls it back to the last commit, as the next
// program to open the file must do anyway.
void rollBackHotJournal(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK)
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

std::shared_ptr<Connection> openConnection(const QString& path, OpenHow how, bool exclusive)
{
    auto c = std::make_shared<Connection>();
    c->path = path;
    if (QFileInfo(path).isDir()) throw EngineError(QStringLiteral("%1: is a folder, not a table file").arg(path));
    int flags = how == OpenHow::ReadOnly ? SQLITE_OPEN_READONLY
              : how == OpenHow::ReadWrite ? SQLITE_OPEN_READWRITE
                                          : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    flags |= SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &c->db, flags, nullptr);
    if (rc != SQLITE_OK) c->fail(QString());
    sqlite3_busy_timeout(c->db, 0);
    if (qEnvironmentVariableIsSet("ZOX_SQL_TRACE")) {
        // Statements slower than a millisecond, for finding slow paths.
        sqlite3_trace_v2(c->db, SQLITE_TRACE_PROFILE, [](unsigned, void*, void* p, void* x) -> int {
            const auto ns = *static_cast<sqlite3_int64*>(x);
            if (ns > 1000000) qWarning("%.2f ms: %s", ns / 1e6, sqlite3_sql(static_cast<sqlite3_stmt*>(p)));
            return 0;
        }, nullptr);
    }
    sqlite3_extended_result_codes(c->db, 1);
    // A read of the schema is the first statement: a file that is not a
    // database fails here, before anything could be written to it.
    if (how == OpenHow::ReadOnly
        && sqlite3_exec(c->db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_READONLY_ROLLBACK)
        rollBackHotJournal(path);
    c->exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (how != OpenHow::ReadOnly) {
        if (exclusive) c->exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
        const QString jm = c->scalar(QStringLiteral("PRAGMA journal_mode=DELETE")).toString().toLower();
        c->exec(QStringLiteral("PRAGMA synchronous=FULL"));
        const qint64 sync = c->scalar(QStringLiteral("PRAGMA synchronous")).toLongLong();
        if (jm != "delete" || sync != 2)
            throw EngineError(QStringLiteral("%1: cannot set the rollback journal and full synchronous writes").arg(path));
        if (exclusive) {
            // Take the lock now, so a second program is refused at once.
            c->exec(QStringLiteral("BEGIN EXCLUSIVE"));
            c->exec(QStringLiteral("COMMIT"));
        }
    }
    return c;
}

}  // namespace

QString timeText(const QTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString();
}

Table::Table() = default;

Table::~Table()
{
    m_listeners.clear();  // listeners may already be gone
    try { close(); } catch (...) {}
}

void Table::setDatabaseName(const QString& baseFolder) { m_base = baseFolder; }

void Table::setTableName(const QString& name)
{
    if (isOpen()) throw EngineError(QStringLiteral("%1: cannot rename an open table").arg(m_name));
    m_name = name;
}

QString Table::filePath() const
{
    if (QDir::isAbsolutePath(m_name) || m_base.isEmpty()) return m_name;
    return QDir(m_base).filePath(m_name);
}

bool Table::exists() const
{
    QFileInfo fi(filePath());
    return fi.exists() && fi.isFile();
}

namespace {
QString columnDecl(const FieldDef& f, const QList<IndexDef>& indexes)
{
    QString d = quoteId(f.name) + ' ';
    switch (f.type) {
    case FieldType::AutoInc: return d + "INTEGER PRIMARY KEY AUTOINCREMENT";
    case FieldType::Integer: d += "INTEGER"; break;
    case FieldType::Date: d += "DATE"; break;
    case FieldType::Time: d += "TIME"; break;
    case FieldType::Text: d += f.size > 0 ? QStringLiteral("VARCHAR(%1)").arg(f.size) : QStringLiteral("TEXT"); break;
    }
    for (const auto& ix : indexes)
        if (ix.primary && ix.fields == f.name) d += " NOT NULL PRIMARY KEY";
    return d;
}

QString tableSqlName(const QString& path)
{
    // The table inside is named after the file, so `sqlite3 FILE .tables` tells what it is.
    QString n = QFileInfo(path).baseName();
    if (n.isEmpty()) n = QStringLiteral("data");
    return n;
}
}  // namespace

void Table::createTable()
{
    const QString path = filePath();
    if (findOpen(path)) throw EngineError(QStringLiteral("%1: the table is open").arg(path));
    if (exists()) throw EngineError(QStringLiteral("%1: the table exists already").arg(path));
    auto c = openConnection(path, OpenHow::Create, true);
    QStringList cols;
    QStringList multiPk;
    for (const auto& ix : indexDefs)
        if (ix.primary && ix.fields.contains(';')) multiPk = ix.fields.split(';');
    for (const auto& f : fieldDefs) cols << columnDecl(f, indexDefs);
    if (!multiPk.isEmpty()) {
        QStringList q;
        for (auto& p : multiPk) q << quoteId(p);
        cols << "PRIMARY KEY (" + q.join(',') + ")";
    }
    try {
        c->exec("BEGIN");
        c->exec("CREATE TABLE " + quoteId(tableSqlName(path)) + " (" + cols.join(", ") + ")");
        for (const auto& ix : indexDefs) {
            if (ix.primary) continue;
            QStringList q;
            for (auto& p : ix.fields.split(';')) q << quoteId(p);
            c->exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                        .arg(ix.unique ? "UNIQUE " : "", quoteId(ix.name), quoteId(tableSqlName(path)), q.join(',')));
        }
        c->exec("COMMIT");
    } catch (...) {
        sqlite3_exec(c->db, "ROLLBACK", nullptr, nullptr, nullptr);
        c.reset();
        QFile::remove(path);
        throw;
    }
}

void Table::restructure(const QList<FieldDef>& fields, const QList<IndexDef>& indexes)
{
    // Fields and primary key cannot change in place; our only caller applies the
    // definitions the table was just created with, so this checks them and
    // (re)builds the named secondary indexes.
    auto conn = findOpen(filePath());
    if (!conn) conn = openConnection(filePath(), OpenHow::ReadWrite, true);
    conn->readStructure();
    if (conn->fields.size() != fields.size())
        throw EngineError(QStringLiteral("%1: restructure cannot change the number of fields").arg(filePath()));
    for (int i = 0; i < fields.size(); ++i)
        if (conn->fields[i].name != fields[i].name)
            throw EngineError(QStringLiteral("%1: restructure cannot rename field %2").arg(filePath(), conn->fields[i].name));
    conn->exec("BEGIN");
    try {
        for (const auto& ix : conn->indexes)
            if (!ix.primary) conn->exec("DROP INDEX " + quoteId(ix.name));
        for (const auto& ix : indexes) {
            if (ix.primary) continue;
            QStringList q;
            for (auto& p : ix.fields.split(';')) q << quoteId(p);
            conn->exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                           .arg(ix.unique ? "UNIQUE " : "", quoteId(ix.name), quoteId(conn->table), q.join(',')));
        }
        conn->exec("COMMIT");
    } catch (...) {
        sqlite3_exec(conn->db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    conn->readStructure();
}

void Table::addSearchIndex(const QString& fields)
{
    auto conn = findOpen(filePath());
    if (!conn) conn = openConnection(filePath(), OpenHow::ReadWrite, true);
    conn->readStructure();
    QStringList q;
    for (auto& p : fields.split(';')) q << quoteId(p);
    QString name = kSearchIndexPrefix + QString(fields).replace(';', '_');
    conn->exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)").arg(quoteId(name), quoteId(conn->table), q.join(',')));
}

QList<FieldDef> Table::readFieldDefs() const
{
    if (auto c = findOpen(filePath())) return c->fields;
    if (!exists() && !QFileInfo(filePath()).isDir())
        throw EngineError(QStringLiteral("%1: the file does not exist").arg(filePath()));
    auto c = openConnection(filePath(), OpenHow::ReadOnly, false);
    c->readStructure();
    return c->fields;
}

QList<IndexDef> Table::readIndexDefs() const
{
    if (auto c = findOpen(filePath())) return c->indexes;
    if (!exists()) throw EngineError(QStringLiteral("%1: the file does not exist").arg(filePath()));
    auto c = openConnection(filePath(), OpenHow::ReadOnly, false);
    c->readStructure();
    return c->indexes;
}

void Table::open()
{
    if (isOpen()) return;
    const QString path = filePath();
    auto c = findOpen(path);
    if (!c) {
        if (!exists() && !QFileInfo(path).isDir())
            throw EngineError(QStringLiteral("%1: the file does not exist").arg(path));
        c = openConnection(path, OpenHow::ReadWrite, m_exclusive);
        c->readStructure();
        registry()[canonical(path)] = c;
    }
    m_conn = c;
    try {
        setIndexName(m_index);
    } catch (...) {
        m_conn.reset();
        throw;
    }
    m_state = State::Browse;
    first();
    notify(Event::Opened);
}

void Table::close()
{
    if (!m_conn) return;
    m_conn.reset();
    m_state = State::Inactive;
    clearRow();
    m_eof = m_bof = true;
    notify(Event::Closed);
}

const QList<FieldDef>& Table::fields() const
{
    static const QList<FieldDef> none;
    return m_conn ? m_conn->fields : none;
}

QStringList Table::fieldNames() const
{
    QStringList out;
    for (const auto& f : fields()) out << f.name;
    return out;
}

int Table::fieldIndex(const QString& name) const
{
    if (m_conn) {
        const auto it = m_conn->fieldByName.constFind(name);
        if (it != m_conn->fieldByName.constEnd()) return *it;
    }
    const auto& fs = fields();
    for (int i = 0; i < fs.size(); ++i)
        if (fs[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void Table::requireOpen(const char* op) const
{
    if (!m_conn) throw EngineError(QStringLiteral("%1: cannot %2: the table is not open").arg(filePath(), op));
}

void Table::requireBrowse(const char* op) const
{
    requireOpen(op);
    if (m_state != State::Browse)
        throw EngineError(QStringLiteral("%1: cannot %2: a record is being edited").arg(filePath(), op));
}

void Table::setIndexName(const QString& name)
{
    if (!m_conn) { m_index = name; return; }
    QStringList order;
    if (name.isEmpty()) {
        for (const auto& ix : m_conn->indexes)
            if (ix.primary) order = ix.fields.split(';');
    } else {
        bool found = false;
        for (const auto& ix : m_conn->indexes)
            if (!ix.primary && ix.name.compare(name, Qt::CaseInsensitive) == 0) {
                order = ix.fields.split(';');
                found = true;
            }
        if (!found) throw EngineError(QStringLiteral("%1: index not found: %2").arg(filePath(), name));
    }
    // An auto-increment key is the row id itself: walk by that.
    if (order.size() == 1) {
        const int col = fieldIndex(order.first());
        if (col >= 0 && m_conn->fields[col].type == FieldType::AutoInc) order.clear();
    }
    m_index = name;
    m_orderFields = order;
}

QString Table::orderBy(bool reverse) const
{
    QStringList parts;
    const char* dir = reverse ? " DESC" : "";
    for (const auto& f : m_orderFields) parts << quoteId(f) + dir;
    parts << QStringLiteral("rowid") + dir;
    return parts.join(',');
}

// The condition "after (or before) the current record in index order". NULL sorts first.
QString Table::keyCondition(bool after, QVariantList& binds) const
{
    QStringList cols;
    QVariantList vals;
    for (const auto& f : m_orderFields) {
        cols << quoteId(f);
        vals << m_row.value(fieldIndex(f));
    }
    cols << QStringLiteral("rowid");
    vals << QVariant(m_rowid);
    // Row values compare NULL as unknown: fine going forward (NULL sorts first),
    // but going back the rows with NULL keys must be included explicitly.
    bool anyNull = false;
    for (auto& v : vals) anyNull |= v.isNull();
    if (!anyNull && (after || m_orderFields.isEmpty())) {
        QStringList q(cols.size(), QStringLiteral("?"));
        binds << vals;
        return QStringLiteral("(%1) %2 (%3)").arg(cols.join(','), after ? ">" : "<", q.join(','));
    }
    // Lexicographic expansion with explicit NULL rules; built from the last column.
    QString cond;
    QVariantList local;
    for (int i = cols.size() - 1; i >= 0; --i) {
        const bool null = vals[i].isNull();
        QString strict;
        if (null) strict = after ? cols[i] + " IS NOT NULL" : QStringLiteral("0");
        else strict = after ? cols[i] + " > ?" : QStringLiteral("(%1 IS NULL OR %1 < ?)").arg(cols[i]);
        QVariantList pre;
        if (!null) pre << vals[i];
        if (cond.isEmpty()) {
            cond = strict;
        } else {
            const QString eq = null ? cols[i] + " IS NULL" : cols[i] + " = ?";
            if (!null) pre << vals[i];
            cond = QStringLiteral("(%1 OR (%2 AND %3))").arg(strict, eq, cond);
        }
        local = pre + local;
    }
    binds << local;
    return cond;
}

void Table::clearRow()
{
    m_hasRecord = false;
    m_rowid = 0;
    m_row.clear();
}

void Table::loadRow(void* p)
{
    auto* st = static_cast<sqlite3_stmt*>(p);
    m_rowid = sqlite3_column_int64(st, 0);
    m_row.clear();
    const int n = sqlite3_column_count(st);
    for (int i = 1; i < n; ++i) m_row << Connection::column(st, i);
    m_hasRecord = true;
}

bool Table::moveWith(const QString& sql, const QVariantList& binds)
{
    sqlite3_stmt* st = m_conn->prepare(sql);
    for (int i = 0; i < binds.size(); ++i) m_conn->bind(st, i + 1, binds[i]);
    const int rc = sqlite3_step(st);
    bool found = false;
    if (rc == SQLITE_ROW) {
        loadRow(st);
        found = true;
    } else if (rc != SQLITE_DONE) {
        sqlite3_reset(st);
        m_conn->fail(QString());
    }
    sqlite3_reset(st);
    return found;
}

void Table::first()
{
    requireBrowse("go to the first record");
    const bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 ORDER BY %2 LIMIT 1").arg(quoteId(m_conn->table), orderBy(false)), {});
    if (!found) clearRow();
    m_bof = true;
    m_eof = !found;
    notify(Event::Moved);
}

void Table::last()
{
    requireBrowse("go to the last record");
    const bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 ORDER BY %2 LIMIT 1").arg(quoteId(m_conn->table), orderBy(true)), {});
    if (!found) clearRow();
    m_eof = true;
    m_bof = !found;
    notify(Event::Moved);
}

void Table::next()
{
    requireBrowse("go to the next record");
    if (!m_hasRecord) { m_eof = true; return; }
    QVariantList binds;
    const QString cond = keyCondition(true, binds);
    const bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                                    .arg(quoteId(m_conn->table), cond, orderBy(false)), binds);
    m_eof = !found;
    if (found) {
        m_bof = false;
        notify(Event::Moved);
    }
}

void Table::prior()
{
    requireBrowse("go to the previous record");
    if (!m_hasRecord) { m_bof = true; return; }
    QVariantList binds;
    const QString cond = keyCondition(false, binds);
    const bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                                    .arg(quoteId(m_conn->table), cond, orderBy(true)), binds);
    m_bof = !found;
    if (found) {
        m_eof = false;
        notify(Event::Moved);
    }
}

bool Table::isEmpty() const { return recordCount() == 0; }

int Table::recordCount() const
{
    requireOpen("count the records");
    if (m_conn->cachedCount < 0)
        m_conn->cachedCount = int(m_conn->scalar("SELECT count(*) FROM " + quoteId(m_conn->table)).toLongLong());
    return m_conn->cachedCount;
}

QVariant Table::fromStored(int col, const QVariant& v) const
{
    if (v.isNull()) return QVariant();
    switch (m_conn->fields[col].type) {
    case FieldType::Date: {
        const QDate d = QDate::fromString(v.toString(), Qt::ISODate);
        return d.isValid() ? QVariant(d) : v;
    }
    case FieldType::Time: {
        // Stored as "HH:MM:SS"; parsed by hand, full passes read it for every QSO.
        const QString s = v.toString();
        if (s.size() == 8 && s[2] == ':' && s[5] == ':') {
            auto two = [&](int i) { return (s[i].unicode() - '0') * 10 + (s[i + 1].unicode() - '0'); };
            const QTime t(two(0), two(3), two(6));
            if (t.isValid()) return QVariant(t);
        }
        const QTime t = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
        return t.isValid() ? QVariant(t) : v;
    }
    case FieldType::AutoInc:
    case FieldType::Integer:
        return v.typeId() == QMetaType::LongLong ? v : QVariant(v.toLongLong());
    case FieldType::Text:
        return v.typeId() == QMetaType::QString ? v : QVariant(v.toString());
    }
    return v;
}

QVariant Table::toStored(int col, const QVariant& v) const
{
    if (!v.isValid() || v.isNull()) return QVariant();
    const FieldDef& f = m_conn->fields[col];
    switch (f.type) {
    case FieldType::Date: {
        QDate d = v.typeId() == QMetaType::QDate ? v.toDate() : QDate::fromString(v.toString(), Qt::ISODate);
        if (!d.isValid()) throw EngineError(QStringLiteral("'%1' is not a valid date").arg(v.toString()));
        return d.toString(Qt::ISODate);
    }
    case FieldType::Time: {
        QTime t = v.typeId() == QMetaType::QTime ? v.toTime() : QTime::fromString(v.toString().trimmed(), QStringLiteral("H:mm:ss"));
        if (!t.isValid()) throw EngineError(QStringLiteral("'%1' is not a valid time").arg(v.toString()));
        return timeText(t);
    }
    case FieldType::AutoInc:
    case FieldType::Integer: {
        bool ok = false;
        const qint64 n = v.typeId() == QMetaType::QString ? v.toString().trimmed().toLongLong(&ok) : v.toLongLong(&ok);
        if (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty()) return QVariant();
        if (!ok) throw EngineError(QStringLiteral("'%1' is not a valid integer").arg(v.toString()));
        return QVariant(n);
    }
    case FieldType::Text: {
        QString s = v.toString();
        if (f.size > 0 && s.size() > f.size) s.truncate(f.size);
        if (s.isEmpty()) return QVariant();
        return s;
    }
    }
    return v;
}

QVariant Table::field(const QString& name) const
{
    requireOpen("read a field");
    const int i = fieldIndex(name);
    if (i < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), name));
    if (m_state == State::Insert || m_state == State::Edit) return m_buffer.value(i);
    if (!m_hasRecord) return QVariant();
    if (m_conn->fields[i].type == FieldType::AutoInc) return QVariant(m_rowid);
    return fromStored(i, m_row.value(i));
}

QString Table::displayText(const QString& name) const
{
    const QVariant v = field(name);
    if (v.isNull()) return QString();
    if (v.typeId() == QMetaType::QTime) return timeText(v.toTime());
    if (v.typeId() == QMetaType::QDate) return v.toDate().toString(Qt::ISODate);
    return v.toString();
}

void Table::setField(const QString& name, const QVariant& value)
{
    requireOpen("write a field");
    if (m_state != State::Insert && m_state != State::Edit)
        throw EngineError(QStringLiteral("%1: not in insert or edit state").arg(filePath()));
    const int i = fieldIndex(name);
    if (i < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), name));
    // Convert now, so a bad value fails at the field and not half-way through post.
    m_buffer[i] = fromStored(i, toStored(i, value));
}

void Table::insert()
{
    requireBrowse("insert");
    m_buffer = QVariantList(m_conn->fields.size());
    m_state = State::Insert;
    notify(Event::StateChanged);
}

void Table::edit()
{
    requireBrowse("edit");
    if (!m_hasRecord) throw EngineError(QStringLiteral("%1: no current record to edit").arg(filePath()));
    m_buffer.clear();
    for (int i = 0; i < m_conn->fields.size(); ++i)
        m_buffer << (m_conn->fields[i].type == FieldType::AutoInc ? QVariant(m_rowid) : fromStored(i, m_row.value(i)));
    m_state = State::Edit;
    notify(Event::StateChanged);
}

void Table::cancel()
{
    if (m_state != State::Insert && m_state != State::Edit) return;
    m_buffer.clear();
    m_state = State::Browse;
    notify(Event::StateChanged);
}

void Table::post()
{
    requireOpen("post");
    if (m_state != State::Insert && m_state != State::Edit) return;
    const auto& fs = m_conn->fields;
    QStringList cols, marks;
    QVariantList vals;
    for (int i = 0; i < fs.size(); ++i) {
        if (fs[i].type == FieldType::AutoInc) continue;
        cols << quoteId(fs[i].name);
        marks << QStringLiteral("?");
        vals << toStored(i, m_buffer.value(i));
    }
    const bool inserting = m_state == State::Insert;
    QString sql;
    if (inserting) {
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoteId(m_conn->table), cols.join(','), marks.join(','));
    } else {
        QStringList sets;
        for (auto& c : cols) sets << c + "=?";
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(quoteId(m_conn->table), sets.join(','));
        vals << QVariant(m_rowid);
    }
    m_conn->requireInPlace(inserting ? QStringLiteral("cannot add the record") : QStringLiteral("cannot change the record"));
    sqlite3_stmt* st = m_conn->prepare(sql);
    for (int i = 0; i < vals.size(); ++i) m_conn->bind(st, i + 1, vals[i]);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        // The statement is its own transaction: on failure the file is as before,
        // and the edit buffer stays so the caller may try again or cancel.
        m_conn->cachedCount = -1;
        m_conn->fail(inserting ? QStringLiteral("cannot add the record") : QStringLiteral("cannot change the record"));
    }
    const qint64 id = inserting ? sqlite3_last_insert_rowid(m_conn->db) : m_rowid;
    if (inserting && m_conn->cachedCount >= 0) ++m_conn->cachedCount;
    m_state = State::Browse;
    m_buffer.clear();
    gotoRecordId(id);
    m_eof = m_bof = false;
    notify(Event::DataChanged);
}

void Table::deleteRecord()
{
    requireBrowse("delete");
    if (!m_hasRecord) throw EngineError(QStringLiteral("%1: no current record to delete").arg(filePath()));
    // Remember the neighbours first, in index order.
    QVariantList binds;
    const QString after = keyCondition(true, binds);
    m_conn->requireInPlace(QStringLiteral("cannot delete the record"));
    sqlite3_stmt* st = m_conn->prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteId(m_conn->table)));
    m_conn->bind(st, 1, QVariant(m_rowid));
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        m_conn->cachedCount = -1;
        m_conn->fail(QStringLiteral("cannot delete the record"));
    }
    if (m_conn->cachedCount > 0) --m_conn->cachedCount;
    const QVariantList saved = m_row;
    const qint64 savedId = m_rowid;
    bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                              .arg(quoteId(m_conn->table), after, orderBy(false)), binds);
    if (!found) {
        m_row = saved;
        m_rowid = savedId;
        QVariantList b2;
        const QString before = keyCondition(false, b2);
        found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                             .arg(quoteId(m_conn->table), before, orderBy(true)), b2);
    }
    if (!found) clearRow();
    m_eof = !found;
    m_bof = !found;
    notify(Event::DataChanged);
}

void Table::startTransaction()
{
    requireOpen("start a transaction");
    m_conn->exec(QStringLiteral("BEGIN"));
}

void Table::commit()
{
    requireOpen("commit");
    m_conn->exec(QStringLiteral("COMMIT"));
}

void Table::rollback()
{
    requireOpen("roll back");
    m_conn->exec(QStringLiteral("ROLLBACK"));
    m_conn->cachedCount = -1;
}

bool Table::inTransaction() const { return m_conn && !sqlite3_get_autocommit(m_conn->db); }

// "a = ? AND b IS NULL ..." for the fields named, with their values bound in order.
QString Table::whereClause(const QString& fields, const QVariantList& values, QVariantList& binds) const
{
    const QStringList names = fields.split(';');
    if (names.size() != values.size())
        throw EngineError(QStringLiteral("%1: search needs one value for each field").arg(filePath()));
    QStringList conds;
    for (int i = 0; i < names.size(); ++i) {
        const int col = fieldIndex(names[i]);
        if (col < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), names[i]));
        const QVariant v = toStored(col, values[i]);
        const QString name = m_conn->fields[col].type == FieldType::AutoInc ? QStringLiteral("rowid") : quoteId(m_conn->fields[col].name);
        if (v.isNull()) {
            conds << name + " IS NULL";
        } else {
            conds << name + " = ?";
            binds << v;
        }
    }
    return conds.join(" AND ");
}

std::vector<QVariantList> Table::rowsWhere(const QString& fields, const QVariantList& values,
                                           const QStringList& columns) const
{
    requireOpen("search");
    QVariantList binds;
    const QString where = whereClause(fields, values, binds);
    QStringList select;
    QList<int> cols;
    for (const QString& name : columns) {
        const int col = fieldIndex(name);
        if (col < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), name));
        cols << col;
        select << (m_conn->fields[col].type == FieldType::AutoInc ? QStringLiteral("rowid") : quoteId(m_conn->fields[col].name));
    }
    select << QStringLiteral("rowid");
    sqlite3_stmt* st = m_conn->prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid")
                                           .arg(select.join(','), quoteId(m_conn->table), where));
    for (int i = 0; i < binds.size(); ++i) m_conn->bind(st, i + 1, binds[i]);
    std::vector<QVariantList> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QVariantList row;
        for (int i = 0; i < cols.size(); ++i) row << fromStored(cols[i], Connection::column(st, i));
        row << QVariant(qint64(sqlite3_column_int64(st, cols.size())));
        out.push_back(std::move(row));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) m_conn->fail(QStringLiteral("cannot search"));
    return out;
}

qint64 Table::firstRecordId(const QString& fields, const QVariantList& values, qint64 exceptId) const
{
    requireOpen("search");
    QVariantList binds;
    QString where = whereClause(fields, values, binds);
    if (exceptId) {
        where += QStringLiteral(" AND rowid <> ?");
        binds << QVariant(exceptId);
    }
    sqlite3_stmt* st = m_conn->prepare(QStringLiteral("SELECT min(rowid) FROM %1 WHERE %2").arg(quoteId(m_conn->table), where));
    for (int i = 0; i < binds.size(); ++i) m_conn->bind(st, i + 1, binds[i]);
    const int rc = sqlite3_step(st);
    const qint64 id = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;  // NULL reads as 0
    sqlite3_reset(st);
    if (rc != SQLITE_ROW) m_conn->fail(QStringLiteral("cannot search"));
    return id;
}

void Table::updateRecord(qint64 id, const QStringList& fields, const QVariantList& values)
{
    updateRecords(fields, {{id, values}});
}

void Table::updateRecords(const QStringList& fields, const std::vector<std::pair<qint64, QVariantList>>& rows)
{
    requireBrowse("change a record");
    QStringList sets;
    QList<int> cols;
    for (const QString& name : fields) {
        const int col = fieldIndex(name);
        if (col < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), name));
        cols << col;
        sets << quoteId(m_conn->fields[col].name) + "=?";
    }
    m_conn->requireInPlace(QStringLiteral("cannot change the record"));
    sqlite3_stmt* st = m_conn->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(quoteId(m_conn->table), sets.join(',')));
    for (const auto& [id, values] : rows) {
        if (values.size() != cols.size())
            throw EngineError(QStringLiteral("%1: one value is needed for each field").arg(filePath()));
        QVariantList stored;
        for (int i = 0; i < cols.size(); ++i) stored << toStored(cols[i], values[i]);
        sqlite3_reset(st);
        for (int i = 0; i < stored.size(); ++i) m_conn->bind(st, i + 1, stored[i]);
        m_conn->bind(st, int(stored.size()) + 1, QVariant(id));
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE) m_conn->fail(QStringLiteral("cannot change the record"));
        // The cursor shows what is stored.
        if (m_hasRecord && m_rowid == id)
            for (int i = 0; i < cols.size(); ++i) m_row[cols[i]] = stored[i];
    }
    notify(Event::DataChanged);
}

bool Table::locate(const QString& fields, const QVariantList& values)
{
    return locate(fields, values, 0);
}

bool Table::locate(const QString& fields, const QVariantList& values, qint64 exceptRecordId)
{
    requireBrowse("search");
    const QStringList names = fields.split(';');
    if (names.size() != values.size())
        throw EngineError(QStringLiteral("%1: search needs one value for each field").arg(filePath()));
    QStringList conds;
    QVariantList binds;
    for (int i = 0; i < names.size(); ++i) {
        const int col = fieldIndex(names[i]);
        if (col < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), names[i]));
        const QVariant v = toStored(col, values[i]);
        if (v.isNull()) conds << quoteId(m_conn->fields[col].name) + " IS NULL";
        else {
            conds << (m_conn->fields[col].type == FieldType::AutoInc ? QStringLiteral("rowid") : quoteId(m_conn->fields[col].name)) + " = ?";
            binds << v;
        }
    }
    if (exceptRecordId > 0) {
        conds << QStringLiteral("rowid <> ?");
        binds << QVariant(exceptRecordId);
    }
    const QString order = orderBy(false);
    const bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                                    .arg(quoteId(m_conn->table), conds.join(" AND "), order), binds);
    if (found) {
        m_eof = m_bof = false;
        notify(Event::Moved);
    }
    return found;
}

bool Table::findKey(const QVariantList& values)
{
    requireBrowse("find a key");
    QStringList names = m_orderFields;
    while (names.size() > values.size()) names.removeLast();
    if (names.isEmpty()) throw EngineError(QStringLiteral("%1: the current index has no key fields").arg(filePath()));
    return locate(names.join(';'), values.mid(0, names.size()));
}

bool Table::gotoRecordId(qint64 id)
{
    requireBrowse("go to a record");
    const bool found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE rowid=?").arg(quoteId(m_conn->table)), {QVariant(id)});
    if (found) {
        m_eof = m_bof = false;
        notify(Event::Moved);
    }
    return found;
}

std::vector<QVariantList> Table::fetchRows(int offset, int limit) const
{
    requireOpen("read records");
    std::vector<QVariantList> out;
    // OFFSET walks the rows it skips: near the end, count from the end instead
    // (the grid mostly shows the end of the log).
    const int count = recordCount();
    if (offset >= count || limit <= 0) return out;
    limit = std::min(limit, count - offset);
    const bool fromEnd = offset > count / 2;
    sqlite3_stmt* st = m_conn->prepare(QStringLiteral("SELECT rowid,* FROM %1 ORDER BY %2 LIMIT ? OFFSET ?")
                                           .arg(quoteId(m_conn->table), orderBy(fromEnd)));
    m_conn->bind(st, 1, QVariant(qint64(limit)));
    m_conn->bind(st, 2, QVariant(qint64(fromEnd ? count - offset - limit : offset)));
    int rc;
    const int n = sqlite3_column_count(st);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QVariantList row;
        for (int i = 1; i < n; ++i) {
            const int col = i - 1;
            row << (m_conn->fields[col].type == FieldType::AutoInc ? QVariant(qint64(sqlite3_column_int64(st, 0)))
                                                                   : fromStored(col, Connection::column(st, i)));
        }
        row << QVariant(qint64(sqlite3_column_int64(st, 0)));
        out.push_back(row);
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) m_conn->fail(QString());
    if (fromEnd) std::reverse(out.begin(), out.end());
    return out;
}

int Table::recNo() const
{
    if (!m_conn || !m_hasRecord) return -1;
    if (m_orderFields.isEmpty()) {
        // The common case after a save: the last record, known without counting.
        const qint64 maxId = m_conn->scalar("SELECT max(rowid) FROM " + quoteId(m_conn->table)).toLongLong();
        if (m_rowid >= maxId) return recordCount() - 1;
    }
    QVariantList binds;
    const QString cond = keyCondition(false, binds);
    sqlite3_stmt* st = m_conn->prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(quoteId(m_conn->table), cond));
    for (int i = 0; i < binds.size(); ++i) m_conn->bind(st, i + 1, binds[i]);
    int out = -1;
    if (sqlite3_step(st) == SQLITE_ROW) out = sqlite3_column_int(st, 0);
    sqlite3_reset(st);
    return out;
}

void Table::scan(const std::function<void(Table&)>& visit, const QStringList& only)
{
    requireBrowse("walk the records");
    // Reading only the fields asked for keeps a pass over a big log cheap.
    QList<int> cols;
    QStringList select{QStringLiteral("rowid")};
    if (only.isEmpty()) {
        select << QStringLiteral("*");
    } else {
        for (const QString& name : only) {
            const int col = fieldIndex(name);
            if (col < 0) throw EngineError(QStringLiteral("%1: field not found: %2").arg(filePath(), name));
            cols << col;
            select << quoteId(m_conn->fields[col].name);
        }
    }
    // A statement of its own: the visitor may search with other cursors meanwhile.
    const QByteArray sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(select.join(','), quoteId(m_conn->table), orderBy(false)).toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_conn->db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) m_conn->fail(QString());
    struct Finalize { sqlite3_stmt* s; ~Finalize() { sqlite3_finalize(s); } } fin{st};
    int rc;
    bool any = false;
    m_bof = true;
    if (!only.isEmpty()) m_row = QVariantList(m_conn->fields.size());  // the fields not read stay empty
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (only.isEmpty()) {
            loadRow(st);
        } else {
            m_rowid = sqlite3_column_int64(st, 0);
            for (int i = 0; i < cols.size(); ++i) m_row[cols[i]] = Connection::column(st, i + 1);
            m_hasRecord = true;
        }
        any = true;
        m_eof = false;
        visit(*this);
        m_bof = false;
    }
    if (rc != SQLITE_DONE) m_conn->fail(QString());
    if (!any) clearRow();
    else if (!only.isEmpty()) gotoRecordId(m_rowid);  // the whole last record, as a walk leaves it
    m_eof = true;
    m_bof = !any;
    notify(Event::Moved);
}

void Table::disableControls() { ++m_disabled; }

void Table::enableControls()
{
    if (m_disabled > 0 && --m_disabled == 0) notify(Event::DataChanged);
}

int Table::addListener(Listener l)
{
    const int id = m_nextListener++;
    m_listeners.emplace_back(id, std::move(l));
    return id;
}

void Table::removeListener(int id)
{
    std::erase_if(m_listeners, [id](auto& p) { return p.first == id; });
}

void Table::notify(Event e)
{
    if (m_disabled > 0 && e != Event::Closed && e != Event::Opened) return;
    auto copy = m_listeners;
    for (auto& [id, l] : copy) l(e);
}

}  // namespace zox::storage

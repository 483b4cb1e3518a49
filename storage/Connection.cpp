#include "storage/Connection.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace zox::storage {

namespace {

EngineError::Kind KindOf(int code, int extended)
{
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return EngineError::Kind::Busy;
    case SQLITE_CORRUPT: return EngineError::Kind::Corrupt;
    case SQLITE_NOTADB: return EngineError::Kind::NotADatabase;
    case SQLITE_FULL: return EngineError::Kind::Full;
    case SQLITE_IOERR: return EngineError::Kind::IoError;
    case SQLITE_READONLY:
    case SQLITE_PERM: return EngineError::Kind::ReadOnly;
    case SQLITE_CANTOPEN: return EngineError::Kind::CannotOpen;
    case SQLITE_MISUSE:
    case SQLITE_RANGE: return EngineError::Kind::Usage;
    default: return extended == 0 && code == 0 ? EngineError::Kind::Usage : EngineError::Kind::Other;
    }
}

}  // namespace

EngineError::EngineError(const QString& text, int code, int extendedCode)
    : std::runtime_error(text.toStdString()), m_kind(KindOf(code, extendedCode)), m_code(code), m_extended(extendedCode)
{
}

EngineError::EngineError(const QString& text, Kind kind) : std::runtime_error(text.toStdString()), m_kind(kind) {}

const QString kSearchIndexPrefix = QStringLiteral("zx_search_");

QString quoteId(const QString& id)
{
    QString s = id;
    s.replace('"', "\"\"");
    return '"' + s + '"';
}

// ---------------------------------------------------------------- Query

Query& Query::bind(int i, const QVariant& v)
{
    sqlite3_stmt* st = m_s.get();
    int rc;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(st, i);
    } else if (v.typeId() == QMetaType::QString) {
        const QByteArray u = v.toString().toUtf8();
        rc = sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    } else {
        rc = sqlite3_bind_int64(st, i, v.toLongLong());
    }
    if (rc != SQLITE_OK) m_c.fail(rc, QStringLiteral("cannot bind a value"));
    return *this;
}

Query& Query::bindAll(const QVariantList& values, int first)
{
    for (int i = 0; i < values.size(); ++i) bind(first + i, values[i]);
    return *this;
}

bool Query::step(const QString& what)
{
    const int rc = sqlite3_step(m_s.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    m_c.fail(rc, what);
}

void Query::run(const QString& what)
{
    while (step(what)) {
    }
}

QVariant Query::column(int i) const { return Connection::column(m_s.get(), i); }

// ---------------------------------------------------------------- Connection

Connection::~Connection()
{
    m_stmts.clear();  // finalized before the database closes
    if (db) sqlite3_close_v2(db);
}

QVariant Connection::column(sqlite3_stmt* st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL: return QVariant();
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(st, i));
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i)));
    }
}

Statement Connection::prepareOwn(const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, u.constData(), int(u.size()), 0, &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(rc, QString());
    }
    return Statement(st);
}

Query Connection::query(const QString& sql)
{
    auto it = m_stmts.find(sql);
    if (it == m_stmts.end()) {
        sqlite3_stmt* st = nullptr;
        const QByteArray u = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(db, u.constData(), int(u.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(st);
            fail(rc, QString());
        }
        it = m_stmts.emplace(sql, Statement(st)).first;
    }
    return Query(*this, it->second);
}

void Connection::exec(const QString& sql, const QString& what)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) fail(rc, what);
}

QVariant Connection::scalar(const QString& sql, const QVariantList& binds, const QString& what)
{
    Query q = query(sql);
    q.bindAll(binds);
    return q.step(what) ? q.column(0) : QVariant();
}

void Connection::fail(const QString& what) const
{
    fail(db ? sqlite3_errcode(db) : SQLITE_NOMEM, what);
}

void Connection::fail(int rc, const QString& what) const
{
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) msg += QStringLiteral(" (the file is in use by another program)");
    const QString text = what.isEmpty() ? QStringLiteral("%1: %2").arg(path, msg) : QStringLiteral("%1: %2: %3").arg(path, what, msg);
    throw EngineError(text, rc & 0xff, extended);
}

void Connection::requireInPlace(const QString& what) const
{
    int moved = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        throw EngineError(QStringLiteral("%1: %2: the file has been deleted or moved since it was opened").arg(path, what),
                          EngineError::Kind::Moved);
}

void Connection::begin()
{
    exec(QStringLiteral("BEGIN"), QStringLiteral("cannot begin a transaction"));
    try {
        const qint64 last = scalar(QStringLiteral("PRAGMA user_version"), {}, QStringLiteral("cannot begin a transaction")).toLongLong();
        m_token = last % 0x7fffffff + 1;
        exec(QStringLiteral("PRAGMA user_version = %1").arg(m_token), QStringLiteral("cannot begin a transaction"));
    } catch (...) {
        rollback();
        throw;
    }
}

void Connection::commit()
{
    try {
        exec(QStringLiteral("COMMIT"), QStringLiteral("cannot commit"));
    } catch (const EngineError&) {
        // Reading the number rolls back a transaction SQLite left hot; a
        // transaction past its commit point shows its own number.
        bool committed = false;
        try {
            committed = !inTransaction() && scalar(QStringLiteral("PRAGMA user_version")).toLongLong() == m_token;
        } catch (...) {
        }
        if (!committed) throw;
    }
}

void Connection::rollback() noexcept
{
    cachedCount = -1;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);  // none left to roll back is fine
}

void Connection::readStructure()
{
    QStringList tables;
    {
        Query q = query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
        while (q.step()) tables << q.column(0).toString();
    }
    if (tables.size() != 1)
        throw EngineError(QStringLiteral("%1: not a table file (it holds %2 tables, a table file holds one)").arg(path).arg(tables.size()),
                          EngineError::Kind::NotADatabase);
    table = tables.first();
    fields.clear();
    indexes.clear();
    std::vector<std::pair<int, QString>> pks;
    {
        // The columns "SELECT *" gives, generated ones included (table_info leaves
        // them out), so that row values and fields stay in step.
        Query q = query(QStringLiteral("SELECT name, type, pk FROM pragma_table_xinfo(?1) WHERE hidden <> 1 ORDER BY cid"));
        q.bind(1, table);
        while (q.step()) {
            FieldDef f;
            f.name = q.column(0).toString();
            const QString type = q.column(1).toString().toUpper();
            const int pk = int(q.columnInt(2));
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
    }
    // "INTEGER PRIMARY KEY" is reported without AUTOINCREMENT in its type: look at the SQL text.
    const QString sql = scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?1"), {table}).toString();
    for (auto& f : fields)
        if (f.type == FieldType::Integer && pks.size() == 1 && pks.front().second == f.name
            && sql.contains(QStringLiteral("AUTOINCREMENT"), Qt::CaseInsensitive))
            f.type = FieldType::AutoInc;
    std::sort(pks.begin(), pks.end());
    QStringList pkFields;
    for (auto& p : pks) pkFields << p.second;
    fieldByName.clear();
    for (int i = 0; i < fields.size(); ++i) fieldByName.insert(fields[i].name, i);
    if (!pkFields.isEmpty()) indexes << IndexDef{QString(), pkFields.join(';'), true, true};

    std::vector<std::pair<QString, bool>> named;
    {
        Query q = query(QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?1) WHERE origin='c' ORDER BY seq DESC"));
        q.bind(1, table);
        while (q.step()) named.emplace_back(q.column(0).toString(), q.columnInt(1) != 0);
    }
    // Creation order: sqlite_master keeps it; pragma_index_list's seq does not promise it.
    std::vector<std::pair<qint64, IndexDef>> ordered;
    for (auto& [name, unique] : named) {
        if (name.startsWith(kSearchIndexPrefix)) continue;
        QStringList cols;
        {
            Query q = query(QStringLiteral("SELECT name FROM pragma_index_info(?1) ORDER BY seqno"));
            q.bind(1, name);
            while (q.step()) cols << q.column(0).toString();
        }
        const qint64 order = scalar(QStringLiteral("SELECT rowid FROM sqlite_master WHERE type='index' AND name=?1"), {name}).toLongLong();
        ordered.emplace_back(order, IndexDef{name, cols.join(';'), false, unique});
    }
    std::sort(ordered.begin(), ordered.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (auto& o : ordered) indexes << o.second;
}

// ---------------------------------------------------------------- opening

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

}  // namespace

std::shared_ptr<Connection> findOpen(const QString& path)
{
    auto& r = registry();
    auto it = r.find(canonical(path));
    if (it == r.end()) return nullptr;
    auto c = it->second.lock();
    if (!c) r.erase(it);
    return c;
}

void registerOpen(const QString& path, const std::shared_ptr<Connection>& c) { registry()[canonical(path)] = c; }

std::shared_ptr<Connection> openConnection(const QString& path, OpenHow how, bool exclusive)
{
    auto c = std::make_shared<Connection>();
    c->path = path;
    if (QFileInfo(path).isDir())
        throw EngineError(QStringLiteral("%1: is a folder, not a table file").arg(path), EngineError::Kind::CannotOpen);
    int flags = how == OpenHow::ReadOnly ? SQLITE_OPEN_READONLY
              : how == OpenHow::ReadWrite ? SQLITE_OPEN_READWRITE
                                          : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    flags |= SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &c->db, flags, nullptr);
    if (rc != SQLITE_OK) c->fail(rc, QString());
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
            throw EngineError(QStringLiteral("%1: cannot set the rollback journal and full synchronous writes").arg(path),
                              EngineError::Kind::Other);
        if (exclusive) {
            // Take the lock now, so a second program is refused at once.
            c->exec(QStringLiteral("BEGIN EXCLUSIVE"));
            c->exec(QStringLiteral("COMMIT"));
        }
    }
    return c;
}

}  // namespace zox::storage

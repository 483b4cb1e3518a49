#pragma once
// Inside the table engine only: one SQLite file and its statements. Nothing
// outside storage/ includes this header (or sqlite3.h).

#include "storage/EngineError.h"
#include "storage/Table.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <sqlite3.h>

namespace zox::storage {

QString quoteId(const QString& id);
// Indexes this engine adds only to speed up locate; never reported as defined.
extern const QString kSearchIndexPrefix;

// An owning prepared statement: finalized when it goes, moved but never copied.
class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* st) : m_st(st) {}
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(Statement&& o) noexcept : m_st(o.m_st) { o.m_st = nullptr; }
    Statement& operator=(Statement&& o) noexcept
    {
        std::swap(m_st, o.m_st);
        return *this;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return m_st; }
    void reset() noexcept
    {
        if (!m_st) return;
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
    }

private:
    sqlite3_stmt* m_st = nullptr;
};

class Connection;

// One use of a statement: bound, stepped, and reset when it goes out of scope,
// whatever way leaves it, so a statement is never left half-stepped.
class Query {
public:
    Query(Connection& c, Statement& s) : m_c(c), m_s(s) {}
    ~Query() { m_s.reset(); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int i, const QVariant& v);  // 1-based, as SQLite counts
    Query& bindAll(const QVariantList& values, int first = 1);
    bool step(const QString& what = QString());  // true: a row is there; false: done
    void run(const QString& what = QString());   // steps to the end
    QVariant column(int i) const;
    qint64 columnInt(int i) const { return sqlite3_column_int64(m_s.get(), i); }
    int columnCount() const { return sqlite3_column_count(m_s.get()); }
    sqlite3_stmt* get() const { return m_s.get(); }

private:
    Connection& m_c;
    Statement& m_s;
};

// One open SQLite file, shared by every cursor on it.
class Connection {
public:
    ~Connection();

    sqlite3* db = nullptr;
    QString path;
    QString table;  // the one table inside
    QList<FieldDef> fields;
    QList<IndexDef> indexes;
    QHash<QString, int> fieldByName;  // exact names; other letter cases fall back to a search
    int cachedCount = -1;             // record count, kept up to date by our own writes

    // A statement of the connection's cache, ready for one use.
    Query query(const QString& sql);
    // A statement of its own, for a walk during which others run on the connection.
    Statement prepareOwn(const QString& sql);
    void exec(const QString& sql, const QString& what = QString());
    QVariant scalar(const QString& sql, const QVariantList& binds = {}, const QString& what = QString());

    // Throws the engine's last error, naming the file and the operation.
    [[noreturn]] void fail(const QString& what) const;
    [[noreturn]] void fail(int rc, const QString& what) const;
    // The file was deleted or moved since it was opened (its folder removed, say).
    // SQLite would go on writing into the open file, which is gone for good once
    // closed: a commit there saves nothing, so it is refused.
    void requireInPlace(const QString& what) const;

    // Transactions. Each one also sets the file's user version to a number of
    // its own: a commit can fail after its commit point (the journal already
    // made inert, a later sync failing), and that number tells whether the
    // transaction is in the file after all.
    void begin();
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return db && !sqlite3_get_autocommit(db); }

    // Reads the structure of the one table in the file.
    void readStructure();

    static QVariant column(sqlite3_stmt* st, int i);

private:
    std::map<QString, Statement> m_stmts;
    qint64 m_token = 0;
};

enum class OpenHow { ReadOnly, ReadWrite, Create };

// The connection already open on this file, if any.
std::shared_ptr<Connection> findOpen(const QString& path);
void registerOpen(const QString& path, const std::shared_ptr<Connection>& c);
std::shared_ptr<Connection> openConnection(const QString& path, OpenHow how, bool exclusive);

}  // namespace zox::storage

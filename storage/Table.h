#pragma once
// The table engine: one table file is one SQLite database holding one table.
// A Table is a cursor on such a file; cursors on the same file share one
// connection, so each sees the others' posts and deletes at once.

#include "storage/EngineError.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace zox::storage {

enum class FieldType { AutoInc, Integer, Text, Date, Time };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;  // characters, texts only; 0 = no limit
    bool operator==(const FieldDef&) const = default;
};

struct IndexDef {
    QString name;    // empty for the primary index
    QString fields;  // names joined by ";"
    bool primary = false;
    bool unique = false;
    bool operator==(const IndexDef&) const = default;
};

class Connection;

class Table {
public:
    enum class State { Inactive, Browse, Insert, Edit };
    enum class Event { Moved, DataChanged, StateChanged, Opened, Closed };
    using Listener = std::function<void(Event)>;

    Table();
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Addressing: a table name that is an absolute path wins over the base folder.
    void setDatabaseName(const QString& baseFolder);
    QString databaseName() const { return m_base; }
    void setTableName(const QString& name);
    QString tableName() const { return m_name; }
    QString filePath() const;
    // Exclusive: no other program may open the file while this cursor has it open.
    void setExclusive(bool on) { m_exclusive = on; }

    bool exists() const;

    // Definitions used by createTable and restructure.
    QList<FieldDef> fieldDefs;
    QList<IndexDef> indexDefs;
    // Unnamed indexes that only speed up locate on these fields ("A;B"), made with the table.
    QStringList searchIndexes;

    void createTable();
    void restructure(const QList<FieldDef>& fields, const QList<IndexDef>& indexes);
    // Extra unnamed index that only speeds up locate on these fields.
    void addSearchIndex(const QString& fields);

    // Whether SQLite finds the file sound (its quick check: every page, every
    // index entry, without comparing index contents with the rows). Reads only.
    bool isSound() const;

    // Reads the structure without opening the table for data.
    QList<FieldDef> readFieldDefs() const;
    QList<IndexDef> readIndexDefs() const;

    void open();
    void close();
    bool isOpen() const { return m_conn != nullptr; }
    State state() const { return m_state; }

    void setIndexName(const QString& name);
    QString indexName() const { return m_index; }
    // Records stand in record id order: changing a record never moves it.
    bool ordersByRecordId() const { return m_orderFields.isEmpty(); }

    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const;
    bool hasRecord() const { return m_hasRecord; }
    int recordCount() const;

    // Current record (or the edit buffer in Insert and Edit state).
    QVariant field(const QString& name) const;
    QString displayText(const QString& name) const;
    void setField(const QString& name, const QVariant& value);
    qint64 recordId() const { return m_rowid; }

    void insert();
    void edit();
    void post();
    void cancel() noexcept;
    void deleteRecord();

    // Groups many posts into one commit (bulk loading); the normal path commits each post.
    void startTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // The records whose `fields` equal `values` (empty values match NULL), in
    // record id order, without moving the cursor: the values of `columns`, then
    // the record id.
    std::vector<QVariantList> rowsWhere(const QString& fields, const QVariantList& values,
                                        const QStringList& columns) const;
    // The lowest record id among the records whose `fields` equal `values`,
    // passing over `exceptId`; 0 when there is none. The cursor does not move.
    qint64 firstRecordId(const QString& fields, const QVariantList& values, qint64 exceptId = 0) const;
    // Writes these fields of one record without moving the cursor.
    void updateRecord(qint64 id, const QStringList& fields, const QVariantList& values);
    // The same for many records: each entry is a record id and its values.
    void updateRecords(const QStringList& fields, const std::vector<std::pair<qint64, QVariantList>>& rows);

    bool locate(const QString& fields, const QVariantList& values);
    // The same, passing over the record with this record id.
    bool locate(const QString& fields, const QVariantList& values, qint64 exceptRecordId);
    bool findKey(const QVariantList& values);
    // Moves to the record with this engine record id; false when it is gone.
    bool gotoRecordId(qint64 id);

    // Walks every record in index order with one statement, each becoming the
    // current record in turn; leaves the cursor on the last one (end of table).
    // `only` names the fields the visitor reads (all when empty); the others read as empty.
    void scan(const std::function<void(Table&)>& visit, const QStringList& only = {});

    // Suspending display updates: listeners hear nothing until resumed.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

    int addListener(Listener l);
    void removeListener(int id);

    // For grids: the records in index order from position `offset`, and the
    // position of the current record. Values in field order, then the record id.
    std::vector<QVariantList> fetchRows(int offset, int limit) const;
    int recNo() const;  // 0-based position of the current record, -1 when none

    QStringList fieldNames() const;
    int fieldIndex(const QString& name) const;
    const QList<FieldDef>& fields() const;

private:
    void requireOpen(const char* op) const;
    void requireBrowse(const char* op) const;
    void loadRow(void* stmt);
    void clearRow();
    bool moveWith(const QString& sql, const QVariantList& binds);
    QString orderBy(bool reverse) const;
    QString keyCondition(bool after, QVariantList& binds) const;
    void notify(Event e);
    QVariant toStored(int col, const QVariant& v) const;
    QString whereClause(const QString& fields, const QVariantList& values, QVariantList& binds) const;
    QVariant fromStored(int col, const QVariant& v) const;

    QString m_base;
    QString m_name;
    bool m_exclusive = false;
    std::shared_ptr<Connection> m_conn;
    QString m_index;
    QStringList m_orderFields;  // the chosen index's fields
    State m_state = State::Inactive;
    bool m_eof = true;
    bool m_bof = true;
    bool m_hasRecord = false;
    qint64 m_rowid = 0;
    QVariantList m_row;     // stored form of the current record
    QVariantList m_buffer;  // edit buffer, user form
    int m_disabled = 0;
    int m_nextListener = 1;
    std::vector<std::pair<int, Listener>> m_listeners;
};

// One transaction on a table's file: rolled back when it goes out of scope
// without commit(), so a failing path needs no hand-written rollback.
class Transaction {
public:
    explicit Transaction(Table& t) : m_table(t) { m_table.startTransaction(); }
    ~Transaction()
    {
        if (m_open) try { m_table.rollback(); } catch (...) {}
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit()
    {
        m_table.commit();
        m_open = false;
    }
private:
    Table& m_table;
    bool m_open = true;
};

// A record being inserted or edited: posted by post(), cancelled when the scope
// is left any other way.
class EditScope {
public:
    enum Mode { Insert, Edit };
    EditScope(Table& t, Mode mode) : m_table(t)
    {
        if (mode == Insert) m_table.insert();
        else m_table.edit();
    }
    ~EditScope() { m_table.cancel(); }  // nothing to cancel once posted
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;
    void set(const QString& field, const QVariant& value) { m_table.setField(field, value); }
    void post() { m_table.post(); }
private:
    Table& m_table;
};

// Text of a time value as the program shows it: hours:minutes:seconds.
QString timeText(const QTime& t);

}  // namespace zox::storage

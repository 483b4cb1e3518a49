#include "storage/Connection.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace zox::storage {

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
        registerOpen(path, c);
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
    Query q = m_conn->query(sql);
    q.bindAll(binds);
    if (!q.step(QStringLiteral("cannot read the record"))) return false;
    loadRow(q.get());
    return true;
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
        m_conn->cachedCount = int(m_conn->scalar("SELECT count(*) FROM " + quoteId(m_conn->table), {},
                                                 QStringLiteral("cannot count the records")).toLongLong());
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

void Table::cancel() noexcept
{
    if (m_state != State::Insert && m_state != State::Edit) return;
    m_buffer.clear();
    m_state = State::Browse;
    try {
        notify(Event::StateChanged);
    } catch (...) {
        // Cancelling is how failures are cleaned up: it must not fail itself.
    }
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
    // A post of its own is its own transaction.
    std::optional<Transaction> own;
    if (!inTransaction()) own.emplace(*this);
    qint64 id = m_rowid;
    try {
        Query q = m_conn->query(sql);
        q.bindAll(vals).run(inserting ? QStringLiteral("cannot add the record") : QStringLiteral("cannot change the record"));
        if (inserting) id = sqlite3_last_insert_rowid(m_conn->db);
        if (own) own->commit();
    } catch (...) {
        // On failure the file is as before, and the edit buffer stays so the
        // caller may try again or cancel.
        m_conn->cachedCount = -1;
        throw;
    }
    if (inserting && m_conn->cachedCount >= 0) ++m_conn->cachedCount;
    // The record is stored: the cursor shows it from what was written, with no
    // read that could fail after the fact.
    m_row.clear();
    for (int i = 0, v = 0; i < fs.size(); ++i) m_row << (fs[i].type == FieldType::AutoInc ? QVariant(id) : vals[v++]);
    m_rowid = id;
    m_hasRecord = true;
    m_state = State::Browse;
    m_buffer.clear();
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
    std::optional<Transaction> own;  // a delete of its own is its own transaction
    if (!inTransaction()) own.emplace(*this);
    try {
        Query q = m_conn->query(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteId(m_conn->table)));
        q.bind(1, QVariant(m_rowid)).run(QStringLiteral("cannot delete the record"));
        if (own) own->commit();
    } catch (...) {
        m_conn->cachedCount = -1;
        throw;
    }
    if (m_conn->cachedCount > 0) --m_conn->cachedCount;
    // Then to a neighbour. The record is gone whatever happens now: a neighbour
    // that cannot be read leaves the cursor on none rather than the delete failed.
    const QVariantList saved = m_row;
    const qint64 savedId = m_rowid;
    bool found = false;
    try {
        found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                             .arg(quoteId(m_conn->table), after, orderBy(false)), binds);
        if (!found) {
            m_row = saved;
            m_rowid = savedId;
            QVariantList b2;
            const QString before = keyCondition(false, b2);
            found = moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
                                 .arg(quoteId(m_conn->table), before, orderBy(true)), b2);
        }
    } catch (...) {
        found = false;
    }
    if (!found) clearRow();
    m_eof = !found;
    m_bof = !found;
    notify(Event::DataChanged);
}

void Table::startTransaction()
{
    requireOpen("start a transaction");
    m_conn->begin();
}

void Table::commit()
{
    requireOpen("commit");
    m_conn->commit();
}

void Table::rollback()
{
    requireOpen("roll back");
    m_conn->rollback();
    // The cursor may show what was just undone: read its record again.
    if (m_hasRecord && m_state == State::Browse) {
        try {
            if (!moveWith(QStringLiteral("SELECT rowid,* FROM %1 WHERE rowid=?").arg(quoteId(m_conn->table)), {QVariant(m_rowid)}))
                clearRow();
        } catch (...) {
            clearRow();
        }
    }
}

bool Table::inTransaction() const { return m_conn && m_conn->inTransaction(); }

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
    Query q = m_conn->query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid").arg(select.join(','), quoteId(m_conn->table), where));
    q.bindAll(binds);
    std::vector<QVariantList> out;
    while (q.step(QStringLiteral("cannot search"))) {
        QVariantList row;
        for (int i = 0; i < cols.size(); ++i) row << fromStored(cols[i], q.column(i));
        row << QVariant(q.columnInt(int(cols.size())));
        out.push_back(std::move(row));
    }
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
    // min() of nothing is NULL, which reads as 0.
    return m_conn->scalar(QStringLiteral("SELECT min(rowid) FROM %1 WHERE %2").arg(quoteId(m_conn->table), where), binds,
                          QStringLiteral("cannot search")).toLongLong();
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
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(quoteId(m_conn->table), sets.join(','));
    std::optional<Transaction> own;  // all or none
    if (!inTransaction()) own.emplace(*this);
    std::vector<std::pair<qint64, QVariantList>> written;
    for (const auto& [id, values] : rows) {
        if (values.size() != cols.size())
            throw EngineError(QStringLiteral("%1: one value is needed for each field").arg(filePath()));
        QVariantList stored;
        for (int i = 0; i < cols.size(); ++i) stored << toStored(cols[i], values[i]);
        {
            Query q = m_conn->query(sql);
            q.bindAll(stored).bind(int(stored.size()) + 1, QVariant(id)).run(QStringLiteral("cannot change the record"));
        }
        written.emplace_back(id, stored);
    }
    if (own) own->commit();
    // The cursor shows what is stored.
    for (const auto& [id, stored] : written)
        if (m_hasRecord && m_rowid == id)
            for (int i = 0; i < cols.size(); ++i) m_row[cols[i]] = stored[i];
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
    Query q = m_conn->query(QStringLiteral("SELECT rowid,* FROM %1 ORDER BY %2 LIMIT ? OFFSET ?").arg(quoteId(m_conn->table), orderBy(fromEnd)));
    q.bind(1, QVariant(qint64(limit))).bind(2, QVariant(qint64(fromEnd ? count - offset - limit : offset)));
    const int n = q.columnCount();
    while (q.step(QStringLiteral("cannot read the records"))) {
        QVariantList row;
        for (int i = 1; i < n; ++i) {
            const int col = i - 1;
            row << (m_conn->fields[col].type == FieldType::AutoInc ? QVariant(q.columnInt(0)) : fromStored(col, q.column(i)));
        }
        row << QVariant(q.columnInt(0));
        out.push_back(row);
    }
    if (fromEnd) std::reverse(out.begin(), out.end());
    return out;
}

int Table::recNo() const
{
    if (!m_conn || !m_hasRecord) return -1;
    if (m_orderFields.isEmpty()) {
        // The common case after a save: the last record, known without counting.
        const qint64 maxId = m_conn->scalar("SELECT max(rowid) FROM " + quoteId(m_conn->table), {},
                                            QStringLiteral("cannot find the record's place")).toLongLong();
        if (m_rowid >= maxId) return recordCount() - 1;
    }
    QVariantList binds;
    const QString cond = keyCondition(false, binds);
    return int(m_conn->scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(quoteId(m_conn->table), cond), binds,
                              QStringLiteral("cannot find the record's place")).toLongLong());
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
    Statement own = m_conn->prepareOwn(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(select.join(','), quoteId(m_conn->table), orderBy(false)));
    Query q(*m_conn, own);
    bool any = false;
    m_bof = true;
    if (!only.isEmpty()) m_row = QVariantList(m_conn->fields.size());  // the fields not read stay empty
    while (q.step(QStringLiteral("cannot read the records"))) {
        if (only.isEmpty()) {
            loadRow(q.get());
        } else {
            m_rowid = q.columnInt(0);
            for (int i = 0; i < cols.size(); ++i) m_row[cols[i]] = q.column(i + 1);
            m_hasRecord = true;
        }
        any = true;
        m_eof = false;
        visit(*this);
        m_bof = false;
    }
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

// The structure side of a table file: creating it, its indexes, reading its
// definitions without opening it for data.
#include "storage/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zox::storage {

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
    const QString table = quoteId(tableSqlName(path));
    auto index = [&](const QString& name, const QString& fields, bool unique) {
        QStringList q;
        for (auto& p : fields.split(';')) q << quoteId(p);
        return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)").arg(unique ? "UNIQUE " : "", quoteId(name), table, q.join(','));
    };
    // The whole table in one transaction: a file is a complete table or none at all.
    std::shared_ptr<Connection> c;
    try {
        c = openConnection(path, OpenHow::Create, true);
        c->exec("BEGIN", QStringLiteral("cannot create the table"));
        c->exec("CREATE TABLE " + table + " (" + cols.join(", ") + ")", QStringLiteral("cannot create the table"));
        for (const auto& ix : indexDefs)
            if (!ix.primary) c->exec(index(ix.name, ix.fields, ix.unique), QStringLiteral("cannot create an index"));
        for (const QString& fields : searchIndexes)
            c->exec(index(kSearchIndexPrefix + QString(fields).replace(';', '_'), fields, false), QStringLiteral("cannot create an index"));
        c->exec("COMMIT", QStringLiteral("cannot create the table"));
    } catch (...) {
        if (c) sqlite3_exec(c->db, "ROLLBACK", nullptr, nullptr, nullptr);  // no throw: the failure goes on
        c.reset();
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
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
        sqlite3_exec(conn->db, "ROLLBACK", nullptr, nullptr, nullptr);  // no throw: the failure goes on
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

bool Table::isSound() const
{
    auto c = findOpen(filePath());
    if (!c) {
        if (!exists()) throw EngineError(QStringLiteral("%1: the file does not exist").arg(filePath()), EngineError::Kind::CannotOpen);
        c = openConnection(filePath(), OpenHow::ReadOnly, false);
    }
    try {
        return c->scalar(QStringLiteral("PRAGMA quick_check(1)"), {}, QStringLiteral("cannot check the file")).toString() == "ok";
    } catch (const EngineError& e) {
        if (e.kind() == EngineError::Kind::Corrupt || e.kind() == EngineError::Kind::NotADatabase) return false;
        throw;
    }
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

}  // namespace zox::storage

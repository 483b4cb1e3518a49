#include "ui/base/TableModel.h"

#include <QDate>
#include <QSize>
#include <QTime>

namespace zox {

QString GridText(const QVariant& v)
{
    if (v.isNull()) return QString();
    if (v.typeId() == QMetaType::QDate) return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    if (v.typeId() == QMetaType::QTime) return storage::timeText(v.toTime());
    return v.toString();
}

TableModel::TableModel(storage::Table& table, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns))
{
    m_listener = m_table.addListener([this](storage::Table::Event e) { onTableEvent(e); });
}

TableModel::~TableModel() { m_table.removeListener(m_listener); }

void TableModel::reload()
{
    beginResetModel();
    m_pending.clear();
    m_newRow = false;
    m_blocks.clear();
    m_rows = -1;
    m_fieldIndex.clear();
    if (m_table.isOpen())
        for (const auto& c : m_columns) m_fieldIndex << m_table.fieldIndex(c.field);
    endResetModel();
}

void TableModel::report(const std::exception_ptr& e) const noexcept
{
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& x) {
        if (m_onError) {
            try {
                m_onError(QString::fromUtf8(x.what()));
            } catch (...) {
            }
        }
    } catch (...) {
    }
}

// The table's listeners run inside its moves and writes: a failure here must
// not undo the caller's work, so it is reported and the rows are read afresh.
void TableModel::onTableEvent(storage::Table::Event e) noexcept
{
    try {
        handleTableEvent(e);
    } catch (...) {
        report(std::current_exception());
        try {
            reload();
        } catch (...) {
        }
    }
}

void TableModel::handleTableEvent(storage::Table::Event e)
{
    switch (e) {
    case storage::Table::Event::Moved:
        emit currentRowChanged(currentRow());
        break;
    case storage::Table::Event::StateChanged:
        break;
    case storage::Table::Event::DataChanged:
        if (m_rows >= 0 && m_table.isOpen() && !m_fieldIndex.isEmpty()) {
            // A save appends one row or changes one: no need to read the log again.
            const int count = m_table.recordCount();
            if (count == m_rows + 1) {
                const int cur = currentRow();
                if (cur == count - 1) {
                    beginInsertRows({}, m_rows, m_rows);
                    m_blocks.erase(m_rows / kBlock);
                    m_rows = count;
                    endInsertRows();
                    emit currentRowChanged(cur);
                    break;
                }
            }
            if (count == m_rows) {
                // Records changed in place. In record id order they keep their rows,
                // so the current one is found among the rows read before.
                const bool stay = m_table.ordersByRecordId();
                const int kept = stay ? currentRow() : -1;
                m_blocks.clear();
                emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
                emit currentRowChanged(stay ? kept : currentRow());
                break;
            }
        }
        [[fallthrough]];
    default:
        reload();
        if (m_table.isOpen()) emit currentRowChanged(currentRow());
        break;
    }
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_table.isOpen()) return 0;
    if (m_rows < 0) {
        try {
            m_rows = m_table.recordCount();
        } catch (...) {
            report(std::current_exception());
            return 0;
        }
    }
    return m_rows + (m_newRow ? 1 : 0);
}

int TableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

const QVariantList* TableModel::rowAt(int row) const
{
    if (row < 0 || !m_table.isOpen()) return nullptr;
    const int block = row / kBlock;
    auto it = m_blocks.find(block);
    if (it == m_blocks.end()) {
        if (m_blocks.size() > 64) m_blocks.clear();  // keep memory bounded on a big log
        it = m_blocks.emplace(block, m_table.fetchRows(block * kBlock, kBlock)).first;
    }
    const int i = row % kBlock;
    return i < int(it->second.size()) ? &it->second[i] : nullptr;
}

int TableModel::currentRow() const
{
    if (!m_table.isOpen() || !m_table.hasRecord()) return -1;
    // Mostly a row the grid shows: found among the rows read, without counting the log.
    const qint64 id = m_table.recordId();
    for (const auto& [block, rows] : m_blocks)
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].last().toLongLong() == id) return block * kBlock + int(i);
    return m_table.recNo();
}

qint64 TableModel::recordIdAt(int row) const
{
    const QVariantList* r = rowAt(row);
    return r ? r->last().toLongLong() : 0;
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    try {
        return cellData(index, role);
    } catch (...) {
        report(std::current_exception());
        return {};
    }
}

QVariant TableModel::cellData(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= m_fieldIndex.size()) return {};
    const GridColumn& c = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        if (auto p = m_pending.find(index.row()); p != m_pending.end()) {
            if (auto c = p->second.find(index.column()); c != p->second.end())
                return role == Qt::DisplayRole ? QVariant(GridText(c->second)) : c->second;
        }
        if (m_newRow && index.row() == m_rows) return {};
        const QVariantList* r = rowAt(index.row());
        if (!r) return {};
        const QVariant v = r->value(m_fieldIndex[index.column()]);
        return role == Qt::DisplayRole ? QVariant(GridText(v)) : v;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.align | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return m_textColor.isValid() ? QVariant(m_textColor) : QVariant();
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && section >= 0 && section < m_columns.size()) {
        if (role == Qt::DisplayRole) return m_columns[section].title;
        if (role == Qt::ForegroundRole && m_titleColor.isValid()) return m_titleColor;
    }
    if (o == Qt::Vertical) {
        // The row indicator shows no numbers; answering its size keeps a save on a big log cheap.
        if (role == Qt::SizeHintRole) return QSize(11, 18);
        return {};
    }
    return QAbstractTableModel::headerData(section, o, role);
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    auto f = QAbstractTableModel::flags(index);
    if (m_editable && !(index.isValid() && m_columns.value(index.column()).readOnly)) f |= Qt::ItemIsEditable;
    return f;
}

void TableModel::StartNewRow()
{
    if (m_newRow || !m_table.isOpen()) return;
    rowCount();
    beginInsertRows({}, m_rows, m_rows);
    m_newRow = true;
    endInsertRows();
}

void TableModel::CommitRow(int row)
{
    const bool isNew = m_newRow && row == m_rows;
    auto p = m_pending.find(row);
    if (p == m_pending.end()) {
        if (isNew) {  // a new row left unchanged is dropped
            beginRemoveRows({}, m_rows, m_rows);
            m_newRow = false;
            endRemoveRows();
        }
        return;
    }
    const std::map<int, QVariant> cells = p->second;
    m_pending.erase(p);
    if (m_writer) {
        const qint64 id = isNew ? 0 : recordIdAt(row);
        if (isNew) {
            beginRemoveRows({}, m_rows, m_rows);
            m_newRow = false;
            endRemoveRows();
        } else if (!id) {
            reload();
            return;
        }
        std::map<QString, QVariant> fields;
        for (const auto& [col, v] : cells) fields[m_columns[col].field] = v;
        try {
            m_writer(id, fields);  // the table's DataChanged brings the view up to date
        } catch (...) {
            reload();
            throw;
        }
        return;
    }
    if (isNew) {
        // The stored record takes the place of the row being typed.
        beginRemoveRows({}, m_rows, m_rows);
        m_newRow = false;
        endRemoveRows();
    } else {
        const qint64 id = recordIdAt(row);
        if (!id || !m_table.gotoRecordId(id)) { reload(); return; }
    }
    try {
        storage::EditScope record(m_table, isNew ? storage::EditScope::Insert : storage::EditScope::Edit);
        for (const auto& [col, v] : cells) record.set(m_columns[col].field, v);
        record.post();  // the table's DataChanged brings the view up to date
    } catch (...) {
        reload();
        throw;
    }
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    try {
        return writeCell(index, value, role);
    } catch (...) {
        report(std::current_exception());
        return false;
    }
}

bool TableModel::writeCell(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_editable || role != Qt::EditRole || !index.isValid() || m_columns.value(index.column()).readOnly) return false;
    if (m_rowBuffered) {
        if (data(index, Qt::EditRole) == value) return true;
        m_pending[index.row()][index.column()] = value;
        emit dataChanged(index, index);
        return true;
    }
    const qint64 id = recordIdAt(index.row());
    if (!id || !m_table.gotoRecordId(id)) return false;
    storage::EditScope record(m_table, storage::EditScope::Edit);
    record.set(m_columns[index.column()].field, value);
    record.post();
    return true;
}

}  // namespace zox

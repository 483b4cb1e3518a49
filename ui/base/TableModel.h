#pragma once
// A grid model bound to a table cursor. Rows are read in blocks as the view
// asks for them, so a big log is never read whole.

#include "storage/Table.h"

#include <QAbstractTableModel>
#include <QColor>

#include <exception>
#include <functional>
#include <map>

namespace zox {

struct GridColumn {
    QString field;
    QString title;
    int width = -1;  // -1: the view's default
    Qt::Alignment align = Qt::AlignLeft;
    bool readOnly = false;
};

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TableModel(storage::Table& table, QList<GridColumn> columns, QObject* parent = nullptr);
    ~TableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    const QList<GridColumn>& columns() const { return m_columns; }
    // Record id of a row, 0 when out of range.
    qint64 recordIdAt(int row) const;
    // Row of the table's current record, -1 when none.
    int currentRow() const;
    void setTextColor(const QColor& c) { m_textColor = c; }
    void setTitleColor(const QColor& c) { m_titleColor = c; }
    void setEditable(bool on) { m_editable = on; }
    // Row-buffered editing: changed cells are kept until the row is left
    // (CommitRow), and a new row can be started after the last one.
    void setRowBuffered(bool on) { m_rowBuffered = on; }
    // Writes a row's changed fields into record `id` (0: a new record) and returns
    // its record id; without one the table cursor is written directly.
    using RowWriter = std::function<qint64(qint64 id, const std::map<QString, QVariant>& fields)>;
    void setRowWriter(RowWriter w) { m_writer = std::move(w); }
    // Where a read that fails while the view asks for rows is told. The model is
    // asked from inside Qt's painting and layout, where nothing may be thrown:
    // it answers empty and reports the failure here instead.
    using ErrorHandler = std::function<void(const QString&)>;
    void setErrorHandler(ErrorHandler h) { m_onError = std::move(h); }
    void StartNewRow();
    bool HasNewRow() const { return m_newRow; }
    bool RowChanged(int row) const { return m_pending.count(row) > 0; }
    // Writes the row's changed cells (a new row unchanged is dropped); throws on engine errors,
    // after dropping what could not be written.
    void CommitRow(int row);
    void reload();

signals:
    void currentRowChanged(int row);

private:
    const QVariantList* rowAt(int row) const;
    QVariant cellData(const QModelIndex& index, int role) const;
    bool writeCell(const QModelIndex& index, const QVariant& value, int role);
    void onTableEvent(storage::Table::Event e) noexcept;
    void handleTableEvent(storage::Table::Event e);

    storage::Table& m_table;
    QList<GridColumn> m_columns;
    QList<int> m_fieldIndex;  // column -> field index in the table, filled on reload
    int m_listener = 0;
    mutable int m_rows = -1;
    mutable std::map<int, std::vector<QVariantList>> m_blocks;
    QColor m_textColor;
    QColor m_titleColor;
    bool m_editable = false;
    bool m_rowBuffered = false;
    bool m_newRow = false;
    RowWriter m_writer;
    ErrorHandler m_onError;
    void report(const std::exception_ptr& e) const noexcept;
    std::map<int, std::map<int, QVariant>> m_pending;  // row -> column -> value
    static constexpr int kBlock = 128;
};

// How the program shows a stored value in a grid.
QString GridText(const QVariant& v);

}  // namespace zox

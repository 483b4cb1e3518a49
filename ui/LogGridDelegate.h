#pragma once
// Editors for the log grid's cells that type like the entry line: the time as
// hh:mm:ss with every digit typed over, the mode as a choice of CW and SSB,
// the call in capitals.

#include "ui/base/TableModel.h"

#include <QStyledItemDelegate>

namespace zox {

class LogGridDelegate : public QStyledItemDelegate {
public:
    LogGridDelegate(QList<GridColumn> columns, QObject* parent) : QStyledItemDelegate(parent), m_columns(std::move(columns)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QString fieldOf(const QModelIndex& index) const { return m_columns.value(index.column()).field; }
    QList<GridColumn> m_columns;
};

}  // namespace zox

#include "ui/LogGridDelegate.h"

#include "ui/base/UpperCase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTime>

namespace zox {

QWidget* LogGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString field = fieldOf(index);
    if (field == QLatin1String("Utc")) {
        auto* e = new QLineEdit(parent);
        e->setInputMask(QStringLiteral("99:99:99"));
        return e;
    }
    if (field == QLatin1String("Mode")) {
        auto* c = new QComboBox(parent);
        c->addItems({QStringLiteral("CW"), QStringLiteral("SSB")});
        return c;
    }
    if (field == QLatin1String("Call")) {
        auto* e = new QLineEdit(parent);
        e->setMaxLength(20);
        ForceUpperCase(e);
        return e;
    }
    if (field == QLatin1String("MultiR")) {
        auto* e = new QLineEdit(parent);
        e->setMaxLength(2);
        return e;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void LogGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* c = qobject_cast<QComboBox*>(editor)) {
        const int i = c->findText(index.data(Qt::EditRole).toString());
        c->setCurrentIndex(i >= 0 ? i : 0);
        return;
    }
    if (auto* e = qobject_cast<QLineEdit*>(editor)) {
        e->setText(index.data(Qt::DisplayRole).toString());
        e->selectAll();
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void LogGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* c = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, c->currentText(), Qt::EditRole);
        return;
    }
    if (auto* e = qobject_cast<QLineEdit*>(editor)) {
        QString text = e->text();
        // An emptied time reads "::" through its mask: no time.
        if (fieldOf(index) == QLatin1String("Utc") && QString(text).remove(u':').trimmed().isEmpty()) text.clear();
        model->setData(index, text, Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

}  // namespace zox

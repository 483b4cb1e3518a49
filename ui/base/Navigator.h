#pragma once
// The four buttons that move a table cursor: first, prior, next, last.
#include <QList>
#include <QStringList>

class QToolButton;
class QWidget;

namespace zox {

// A row of four 24-by-23 buttons with these tooltips, in a widget of its own.
QWidget* MakeNavigator(QWidget* parent, const QStringList& tips, QList<QToolButton*>& buttons);

}  // namespace zox

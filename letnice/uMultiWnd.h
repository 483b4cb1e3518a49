#pragma once
// The "Multipliers" tool window: browses the year-number list with a navigator
// and a grid, and finds, adds, changes and deletes its entries.

#include "storage/Table.h"

#include <QList>
#include <QWidget>

class QTableView;
class QToolButton;

namespace zox {

class TableModel;

class TMultiWnd : public QWidget {
    Q_OBJECT
public:
    // A floating tool window over `parent` (the main window), hidden until shown.
    // `table` is the list's cursor; it must outlive the window. While it is
    // closed every command does nothing.
    TMultiWnd(QWidget* parent, storage::Table& table);
    ~TMultiWnd() override;

    void SpeedItem3Click();   // "Find..."
    void SpeedItem6Click();   // "Add..."
    void SpeedItem10Click();  // "Delete"
    void SpeedItem4Click();   // "Edit"
    void SpeedItem5Click();   // "Close"
    void GridDeleteKey();     // Ctrl+Del in the grid

    QWidget* DBNavigator1 = nullptr;
    QList<QToolButton*> NavButtons;  // first, prior, next, last
    QToolButton* SpeedItem3 = nullptr;
    QToolButton* SpeedItem6 = nullptr;
    QToolButton* SpeedItem10 = nullptr;
    QToolButton* SpeedItem4 = nullptr;
    QToolButton* SpeedItem5 = nullptr;
    QTableView* MultiGrid = nullptr;
    TableModel* MultiModel = nullptr;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;

private:
    bool ListReady() const;
    void Navigate(void (storage::Table::*move)());
    void GridRowChanged(int row);
    void FollowCurrentRow(int row, bool deferred = false);
    QWidget* MainWindow();

    storage::Table& m_table;
    bool m_following = false;
    bool m_followQueued = false;
};

}  // namespace zox

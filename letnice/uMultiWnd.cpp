#include "letnice/uMultiWnd.h"
#include "ui/base/Navigator.h"

#include "letnice/uAddEditMulti.h"
#include "letnice/uFindMulti.h"
#include "ui/base/TableModel.h"
#include "ui/base/Dialogs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace zox {

using storage::Table;

namespace {

class MultiGridView : public QTableView {
public:
    using QTableView::QTableView;
    bool editing() const { return state() == EditingState; }
};

}  // namespace

TMultiWnd::TMultiWnd(QWidget* parent, Table& table) : QWidget(parent, Qt::Tool), m_table(table)
{
    setObjectName("MultiWnd");
    setWindowTitle("Multipliers");

    auto* bar = new QWidget(this);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->setSpacing(0);
    auto button = [&](const QString& name, const QString& text, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(text);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setFixedSize(24, 23);
        barLayout->addWidget(b);
        return b;
    };

    DBNavigator1 = MakeNavigator(bar, {"First", "Prior", "Next", "Last"}, NavButtons);
    DBNavigator1->setObjectName("DBNavigator1");
    barLayout->addWidget(DBNavigator1);
    barLayout->addSpacing(6);
    SpeedItem3 = button("SpeedItem3", "Find...", QStyle::SP_FileDialogContentsView);
    SpeedItem6 = button("SpeedItem6", "Add...", QStyle::SP_FileDialogNewFolder);
    SpeedItem10 = button("SpeedItem10", "Delete", QStyle::SP_TrashIcon);
    SpeedItem4 = button("SpeedItem4", "Edit", QStyle::SP_FileDialogDetailedView);
    barLayout->addSpacing(6);
    SpeedItem5 = button("SpeedItem5", "Close", QStyle::SP_DialogCloseButton);
    barLayout->addStretch();

    MultiModel = new TableModel(m_table, {{"Znak", "Znak", -1, Qt::AlignLeft}, {"Letnica", "Letnica", -1, Qt::AlignHCenter}}, this);
    MultiModel->setEditable(true);
    // An entry the engine refuses in place (a call sign already in the list) is
    // reported, and the cell keeps its old value.
    MultiModel->setErrorHandler([](const QString& text) { ReportLater(text); });
    MultiGrid = new MultiGridView(this);
    MultiGrid->setObjectName("MultiGrid");
    MultiGrid->setModel(MultiModel);
    MultiGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    MultiGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    MultiGrid->verticalHeader()->setDefaultSectionSize(18);
    MultiGrid->verticalHeader()->setFixedWidth(11);
    MultiGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MultiGrid->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(bar);
    layout->addWidget(MultiGrid, 1);
    resize(305, 217);

    connect(NavButtons[0], &QToolButton::clicked, this, [this] { Navigate(&Table::first); });
    connect(NavButtons[1], &QToolButton::clicked, this, [this] { Navigate(&Table::prior); });
    connect(NavButtons[2], &QToolButton::clicked, this, [this] { Navigate(&Table::next); });
    connect(NavButtons[3], &QToolButton::clicked, this, [this] { Navigate(&Table::last); });
    connect(SpeedItem3, &QToolButton::clicked, this, [this] { SpeedItem3Click(); });
    connect(SpeedItem6, &QToolButton::clicked, this, [this] { SpeedItem6Click(); });
    connect(SpeedItem10, &QToolButton::clicked, this, [this] { SpeedItem10Click(); });
    connect(SpeedItem4, &QToolButton::clicked, this, [this] { SpeedItem4Click(); });
    connect(SpeedItem5, &QToolButton::clicked, this, [this] { SpeedItem5Click(); });

    connect(MultiModel, &TableModel::currentRowChanged, this, [this](int row) { FollowCurrentRow(row); });
    connect(MultiGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur) { GridRowChanged(cur.row()); });

    // The list may already be open when the window is made.
    MultiModel->reload();
    if (m_table.isOpen()) FollowCurrentRow(MultiModel->currentRow());
}

TMultiWnd::~TMultiWnd() = default;

// The engine is never called on a closed list, nor while a record is half edited.
bool TMultiWnd::ListReady() const { return m_table.isOpen() && m_table.state() == Table::State::Browse; }

QWidget* TMultiWnd::MainWindow() { return parentWidget() ? parentWidget()->window() : this; }

void TMultiWnd::Navigate(void (Table::*move)())
{
    if (!ListReady()) return;
    // std::invoke rather than (m_table.*move)(): GCC 12's -fsanitize=vptr
    // miscompiles that call in a lambda (a false report, or a crash).
    Guarded([&] { std::invoke(move, m_table); });
}

// The operator picked a row in the grid: the cursor goes there.
void TMultiWnd::GridRowChanged(int row)
{
    if (m_following || row < 0 || !ListReady()) return;
    const qint64 id = MultiModel->recordIdAt(row);
    if (id && id != m_table.recordId()) Guarded([&] { m_table.gotoRecordId(id); });
}

// The cursor moved: the grid shows its record. Rows the grid holds may be out
// of date until the table's change notice arrives, so this never moves the
// cursor back. While a cell is being edited the grid catches up once the
// event loop runs again, so a cell being written is not committed twice.
void TMultiWnd::FollowCurrentRow(int row, bool deferred)
{
    if (!deferred && static_cast<MultiGridView*>(MultiGrid)->editing()) {
        if (m_followQueued) return;
        m_followQueued = true;
        QMetaObject::invokeMethod(this, [this] {
            m_followQueued = false;
            if (m_table.isOpen()) FollowCurrentRow(MultiModel->currentRow(), true);
        }, Qt::QueuedConnection);
        return;
    }
    if (row < 0 || row >= MultiModel->rowCount()) return;
    const QModelIndex idx = MultiModel->index(row, qMax(0, MultiGrid->currentIndex().column()));
    m_following = true;
    if (MultiGrid->currentIndex().row() != row) MultiGrid->setCurrentIndex(idx);
    else MultiGrid->selectionModel()->select(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_following = false;
    MultiGrid->scrollTo(idx);
}

void TMultiWnd::SpeedItem3Click()
{
    if (!ListReady()) return;
    TFindMultiFrm dlg(MainWindow());
    if (dlg.exec() != QDialog::Accepted || !ListReady()) return;
    const QString call = dlg.edCall->text();
    Guarded([&] {
        if (!m_table.findKey({call})) ShowMessageDlg(call + " ne najdem !", mtInformation, mbOK);
    });
}

void TMultiWnd::SpeedItem6Click()
{
    if (!ListReady()) return;
    TAddEditFrm dlg("Add Call", this);
    if (dlg.exec() != QDialog::Accepted || !ListReady()) return;
    Guarded([&] {
        // A refused entry must not leave the list in insert state.
        storage::EditScope entry(m_table, storage::EditScope::Insert);
        entry.set("Znak", dlg.edCall->text());
        entry.set("Letnica", dlg.edMulti->text());
        entry.post();
    });
}

void TMultiWnd::SpeedItem4Click()
{
    if (!ListReady() || !m_table.hasRecord()) return;
    TAddEditFrm dlg("Edit...", this);
    const qint64 id = m_table.recordId();
    if (!Guarded([&] {
            dlg.edCall->setText(m_table.field("Znak").toString());
            dlg.edMulti->setText(m_table.field("Letnica").toString());
        }))
        return;
    dlg.edCall->selectAll();
    if (dlg.exec() != QDialog::Accepted || !ListReady()) return;
    Guarded([&] {
        // The entry shown in the dialog is the one written, wherever the cursor went meanwhile.
        if (m_table.recordId() != id && !m_table.gotoRecordId(id)) return;
        storage::EditScope entry(m_table, storage::EditScope::Edit);
        entry.set("Znak", dlg.edCall->text());
        entry.set("Letnica", dlg.edMulti->text());
        entry.post();
    });
}

void TMultiWnd::SpeedItem10Click()
{
    if (!ListReady() || !m_table.hasRecord()) return;
    QString call;
    if (!Guarded([&] { call = m_table.field("Znak").toString(); })) return;
    if (ShowMessageDlg("Brišem " + call + " ?", mtConfirmation, mbYesNo) != mrYes || !ListReady()) return;
    Guarded([&] { m_table.deleteRecord(); });
}

void TMultiWnd::SpeedItem5Click() { hide(); }

void TMultiWnd::GridDeleteKey()
{
    if (!ListReady() || !m_table.hasRecord()) return;
    GridRowChanged(MultiGrid->currentIndex().row());  // the row the operator sees is the one deleted
    if (ShowMessageDlg("Delete record?", mtConfirmation, mbOK | mbCancel) != mrOk || !ListReady()) return;
    Guarded([&] { m_table.deleteRecord(); });
}

bool TMultiWnd::eventFilter(QObject* obj, QEvent* e)
{
    if (obj == MultiGrid && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Delete && (k->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            GridDeleteKey();
            return true;
        }
    }
    return QWidget::eventFilter(obj, e);
}

}  // namespace zox

#include "GroceryListMyItemsTableView.h"

#include "GroceryTableModels.h"

#include "grocery/GroceryController.h"
#include "platform/Scheduler.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>

GroceryListMyItemsTableView::GroceryListMyItemsTableView(GroceryController* controller, QWidget* parent)
    : QTableView(parent), m_controller(controller), m_model(new GroceryMyItemsModel(controller, this)) {
    setObjectName(QStringLiteral("groceryMyItemsTable"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionResizeMode(GroceryMyItemsModel::NameColumn, QHeaderView::Stretch);
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &GroceryMyItemsModel::rowsArrived, this, &GroceryListMyItemsTableView::selectRows);
}

QList<int> GroceryListMyItemsTableView::selectedRowIndexes() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void GroceryListMyItemsTableView::selectRows(const QList<int>& rows) {
    QItemSelection selection;
    for (int row : rows)
        selection.select(m_model->index(row, 0), m_model->index(row, GroceryMyItemsModel::ColumnCount - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty()) {
        selectionModel()->setCurrentIndex(m_model->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
        scrollTo(m_model->index(rows.last(), 0));
    }
}

void GroceryListMyItemsTableView::addItem() {
    const QList<int> rows = selectedRowIndexes();
    addIngredientAtIndex(rows.isEmpty() ? m_model->rowCount() : rows.last() + 1);
}

void GroceryListMyItemsTableView::addIngredientAtIndex(int index) {
    const int row = m_controller->addItem(index);
    if (row < 0)
        return;
    selectRows({row});
    setFocus(Qt::OtherFocusReason);
    // Editing starts once the new row is laid out.
    Scheduler::instance().schedule(
        0.1,
        [this, row] {
            if (row >= m_model->rowCount())
                return;
            const QModelIndex name = m_model->index(row, GroceryMyItemsModel::NameColumn);
            selectionModel()->setCurrentIndex(name, QItemSelectionModel::NoUpdate);
            edit(name);
        },
        this);
}

void GroceryListMyItemsTableView::deleteSelection() {
    if (const QList<int> rows = selectedRowIndexes(); !rows.isEmpty()) {
        m_controller->deleteItems(rows);
        clearSelection();
    }
}

bool GroceryListMyItemsTableView::pasteItems(const QString& text) {
    const int before = m_model->rowCount();
    const int added = m_controller->addItemsFromText(text);
    if (added <= 0)
        return false;
    QList<int> rows;
    for (int row = before; row < before + added; ++row)
        rows.append(row);
    selectRows(rows);
    return true;
}

QModelIndex GroceryListMyItemsTableView::moveCursor(CursorAction cursorAction,
                                                    Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    const int last = GroceryMyItemsModel::ColumnCount - 1;
    if (cursorAction == MoveNext && current.isValid() && current.column() == last) {
        int row = current.row() + 1;
        if (row >= m_model->rowCount())
            row = m_controller->addItem(m_model->rowCount());
        if (row >= 0 && row < m_model->rowCount())
            return m_model->index(row, 0);
    }
    if (cursorAction == MovePrevious && current.isValid() && current.column() == 0 && current.row() > 0)
        return m_model->index(current.row() - 1, last);
    return QTableView::moveCursor(cursorAction, modifiers);
}

void GroceryListMyItemsTableView::keyPressEvent(QKeyEvent* event) {
    if (state() != EditingState) {
        if (event->matches(QKeySequence::Paste)) {
            if (const QMimeData* copied = QApplication::clipboard()->mimeData(); copied && copied->hasText())
                pasteItems(copied->text());
            event->accept();
            return;
        }
        if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace) {
            deleteSelection();
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

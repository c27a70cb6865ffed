#include "RecipeListView.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>

RecipeListView::RecipeListView(QWidget* parent) : QTableView(parent) {}

QMenu* RecipeListView::makeContextMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("recipeListContextMenu"));
    if (m_menuFiller)
        m_menuFiller(menu);
    return menu;
}

void RecipeListView::keyPressEvent(QKeyEvent* event) {
    // Plain Delete or Backspace; with modifiers they stay the menu's shortcuts.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        modifiers == Qt::NoModifier && state() != QAbstractItemView::EditingState) {
        if (selectionModel() && selectionModel()->hasSelection())
            emit deleteRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void RecipeListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        return;
    // The menu acts on what it was opened over: a row outside the selection becomes it.
    if (selectionModel() && !selectionModel()->isRowSelected(index.row(), {})) {
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

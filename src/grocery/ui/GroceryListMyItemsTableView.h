#pragma once

#include <QTableView>

class GroceryController;
class GroceryMyItemsModel;

// The user's own items of a grocery list: added, edited in place, deleted, reordered by
// dragging; ingredient text dropped or pasted on the table becomes items. Tab after the
// last column goes on to the next row (adding an item after the last one), Shift-Tab in the
// first column back to the previous row.
class GroceryListMyItemsTableView : public QTableView {
    Q_OBJECT
public:
    explicit GroceryListMyItemsTableView(GroceryController* controller, QWidget* parent = nullptr);

    GroceryMyItemsModel* itemsModel() const { return m_model; }
    QList<int> selectedRowIndexes() const;
    // Adds "New Item" after the selection (at the end when nothing is selected), selects it
    // and starts editing its name a moment later.
    void addItem();
    void addIngredientAtIndex(int index);
    void deleteSelection();
    // Parses the text's ingredient lines into items; false when it held none.
    bool pasteItems(const QString& text);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void selectRows(const QList<int>& rows);

    GroceryController* m_controller;
    GroceryMyItemsModel* m_model;
};

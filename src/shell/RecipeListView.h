#pragma once

#include <QTableView>

#include <functional>

class QMenu;

// The recipe list of the library window. Delete and Backspace ask to delete the selected
// recipes (deleteRequested, the same command as the menu's); a right click selects the row
// under the pointer unless it is already selected and shows the menu the shell fills in.
class RecipeListView : public QTableView {
    Q_OBJECT
public:
    explicit RecipeListView(QWidget* parent = nullptr);

    // Fills the context menu for the recipes selected at that moment.
    using MenuFiller = std::function<void(QMenu* menu)>;
    void setContextMenuFiller(MenuFiller filler) { m_menuFiller = std::move(filler); }
    // A fresh context menu for the current selection (owned by the caller); also what the
    // screenshots show.
    QMenu* makeContextMenu();

signals:
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    MenuFiller m_menuFiller;
};

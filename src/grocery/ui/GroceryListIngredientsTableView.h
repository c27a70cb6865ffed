#pragma once

#include <QTableView>

class GroceryController;
class GroceryRecipeRowsModel;

// The recipes tab: each recipe of the grocery list under its title row, with a tick per
// ingredient that keeps it on the consolidated list or leaves it off. Selecting an
// ingredient group title selects the ingredients under it as well.
class GroceryListIngredientsTableView : public QTableView {
    Q_OBJECT
public:
    explicit GroceryListIngredientsTableView(GroceryController* controller, QWidget* parent = nullptr);

    GroceryRecipeRowsModel* rowsModel() const { return m_model; }
    QList<int> selectedRowIndexes() const;
    // The buttons under the table work on the selected rows.
    void includeSelection();
    void excludeSelection();
    // Brings the title row of the recipe selected in the recipe list into view.
    void scrollToSelectedRecipe(const QString& recipeUniqueID);

private:
    void extendSelection();
    void updateSpans();

    GroceryController* m_controller;
    GroceryRecipeRowsModel* m_model;
    bool m_extending = false;
};

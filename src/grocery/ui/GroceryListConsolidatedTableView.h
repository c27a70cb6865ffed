#pragma once

#include <QTableView>

class GroceryController;
class GroceryConsolidatedModel;

// The consolidated list: equal ingredients of the list's recipes added up, each with its
// needed tick and aisle. Quantity, measurement, name and method are edited in place; a
// click in the aisle column opens the aisle pop-up (an empty first item clears the aisle);
// a click on the word Needed in the header ticks every row, or clears them all when all
// are ticked.
class GroceryListConsolidatedTableView : public QTableView {
    Q_OBJECT
public:
    explicit GroceryListConsolidatedTableView(GroceryController* controller, QWidget* parent = nullptr);

    GroceryConsolidatedModel* consolidatedModel() const { return m_model; }
    // The header's Needed: all rows ticked, or all cleared when every row was ticked.
    void toggleAllNeeded();

private:
    GroceryController* m_controller;
    GroceryConsolidatedModel* m_model;
};

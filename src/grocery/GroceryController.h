#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "grocery/GroceryCategories.h"

#include <memory>

class GroupsManagedObject;
class MeasurementsConverter;
class LibrarySession;
class ManagedObject;

// One row of the recipes tab: a recipe's title row, or one ingredient record of that
// recipe (which may be a group title of the ingredient list).
struct GroceryRecipeRow {
    bool isRecipeTitle = false;
    bool isGroupTitle = false; // an ingredient group heading inside a recipe
    QString quantity;
    QString measurement;
    QString name; // the recipe's name on a title row
    QString method;
    bool isExcluded = false;
    QString recipe;     // uniqueID of the recipe the row belongs to
    QVariantMap record; // the ingredient record as stored, with its `recipe` key
};

// One of the user's own items.
struct GroceryItem {
    QString quantity;
    QString measurement;
    QString name;
    QString method;
    QVariantMap record; // as stored in `myItems`
};

// One row of the consolidated tab.
struct GroceryConsolidatedRow {
    QString quantity;
    QString measurement;
    QString name;
    QString method;
    int category = 0;     // 1-based position in the grocery categories; 0: none
    QString categoryName; // empty when none
    bool needed = false;
    QVariantMap record; // the consolidated ingredient record
};

// The logic of the grocery editor over one grocery list (a group record with
// isGroceryList set): the recipes tab with its exclusions, the user's own items, the
// consolidated list with its needed ticks and aisles, the printable page and the mail
// text. Every edit is written back to the group's groceryListDict (and the aisle matches
// to the library's side file) and saved through the session. Headless: the window shows
// the rows and forwards the user's edits here.
class GroceryController : public QObject {
    Q_OBJECT
public:
    explicit GroceryController(LibrarySession& session, QObject* parent = nullptr);
    ~GroceryController() override;

    // The list shown; null shows nothing. Loads all three tabs. The record is held raw:
    // whoever deletes the group first sets another list (or null) here.
    void setGroceryList(GroupsManagedObject* list);
    GroupsManagedObject* groceryList() const;
    // The grocery list's name, the editor's title.
    QString title() const;
    // Reads the list again (the recipes, the side files, the stored state).
    void reload();
    // The recipes of the list in the main recipe list's order (by name, without regard to
    // case); by default the ones whose uniqueID is on the list.
    QList<ManagedObject*> recipes() const;

    // Recipes tab.
    const QList<GroceryRecipeRow>& recipeRows() const { return m_recipeRows; }
    // Marks the rows excluded (or included again); title rows are skipped.
    void setExcluded(const QList<int>& rows, bool excluded);
    // The selection grown from each ingredient group title to the rows under it (up to the
    // next group title or recipe title), ascending.
    QList<int> extendedSelection(const QList<int>& rows) const;

    // Own items.
    const QList<GroceryItem>& myItems() const { return m_myItems; }
    // Inserts "New Item" at index (appends when index is out of range); returns its row.
    int addItem(int index = -1);
    // key is quantity, measurement, name or method. A quantity has its graphical fractions
    // typed out and the measurement follows the quantity's number.
    void setItemField(int index, const QString& key, const QString& value);
    void deleteItems(const QList<int>& indexes);
    // Parses ingredient lines and appends every record; returns how many were added.
    int addItemsFromText(const QString& text);
    // Moves the rows (in their order) to the drop position; returns their new rows.
    QList<int> moveItems(const QList<int>& indexes, int dropRow);

    // Consolidated tab.
    const QList<GroceryConsolidatedRow>& consolidatedRows() const { return m_consolidated; }
    void setNeeded(int row, bool needed);
    void setAllNeeded(bool needed);
    // The aisles in file order (the aisle pop-up shows an empty item before them).
    QStringList categoryNames() const;
    // name: one of categoryNames(); empty clears the aisle. False when no such category.
    bool setCategory(int row, const QString& name);
    // position: 1-based position in categoryNames(); 0 clears.
    void setCategoryPosition(int row, int position);
    // key is quantity, measurement, name, method, needed ("1"/"0") or category (position).
    void setConsolidatedField(int row, const QString& key, const QString& value);

    // The library's aisles, for the categories editor. After editing them (and saving with
    // saveCategories) call categoriesChanged(): the list is consolidated again so every
    // row's aisle position follows the new order.
    GroceryCategories& categories() { return m_categories; }
    void categoriesChanged();

    // True when something is needed or there are own items; otherwise tells the user so
    // through the session's alerts and returns false.
    bool checkIfThereAreItemsToPrint();
    // The printable page (HTML).
    QString htmlString() const;
    // The subject of a mailed list.
    QString emailSubject() const;
    // The list as plain text for a mail body (a mailto: address must still replace "&").
    QString generatePlainTextEmail() const;
    // The records printed: the needed consolidated rows and the own items, by name.
    QList<QVariantMap> printedItems() const;
    // Whether the stored state could be read; an unreadable one shows an empty list and is
    // left as it is until the user edits the list.
    bool isStateReadable() const { return m_dictReadable; }

signals:
    // Rows of any tab changed (after an edit or a reload).
    void changed();

private:
    void readDict();
    QVariantList dictList(const QString& key) const;
    void loadRecipeRows();
    void loadMyItems();
    void loadConsolidated();
    void refreshConsolidatedRow(int row);
    bool writeDict(const QString& key, const QVariant& value);
    void saveConsolidated();
    void saveMyItems();

    LibrarySession& m_session;
    std::unique_ptr<MeasurementsConverter> m_converter;
    GroceryCategories m_categories;
    GroupsManagedObject* m_list = nullptr;
    QVariantMap m_dict;
    bool m_dictReadable = true;
    QList<ManagedObject*> m_recipes;
    QList<GroceryRecipeRow> m_recipeRows;
    QList<GroceryItem> m_myItems;
    QList<GroceryConsolidatedRow> m_consolidated;
};

#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class GroceryCategoriesDialog;
class GroceryController;
class GroceryListConsolidatedTableView;
class GroceryListIngredientsTableView;
class GroceryListMyItemsTableView;
class GroupsManagedObject;
class LibrarySession;
class MailHandOver;
class QLabel;
class QPrinter;
class QTabWidget;

// The grocery editor: shown in place of the recipe page while a grocery list is selected
// in the sidebar. Titled with the list's name, it has three tabs — the ingredients of each
// recipe, the user's own items and the consolidated list — each of which reads its rows
// again when shown. Print and Email put the needed items and the own items on paper or
// into a new mail message.
class GroceryEditor : public QWidget {
    Q_OBJECT
public:
    enum Tab { RecipesTab, MyItemsTab, ConsolidatedTab };

    explicit GroceryEditor(LibrarySession& session, QWidget* parent = nullptr);
    ~GroceryEditor() override;

    GroceryController* controller() const { return m_controller; }
    // Shows the list (null shows nothing) on its first tab.
    void setGroceryList(GroupsManagedObject* list);
    GroupsManagedObject* groceryList() const;
    QString title() const;

    void tableViewSelectionButtons(int tab);
    int currentTab() const;
    GroceryListIngredientsTableView* ingredientsTable() const { return m_ingredients; }
    GroceryListMyItemsTableView* myItemsTable() const { return m_myItems; }
    GroceryListConsolidatedTableView* consolidatedTable() const { return m_consolidated; }
    // Opens the library's aisles editor over the window (reading the aisles file again);
    // returns it. The consolidated tab's aisles follow every change made there.
    GroceryCategoriesDialog* editCategories();

    // Where a mailed list goes; not owned. Without one, Email tells the user it cannot.
    void setMailHandOver(MailHandOver* mail) { m_mail = mail; }
    // Chooses the printer; false when the user cancelled. The default shows the print
    // dialog; tests choose a PDF file.
    using PrinterChooser = std::function<bool(QPrinter& printer)>;
    void setPrinterChooser(PrinterChooser chooser) { m_chooser = std::move(chooser); }

    // The list's needed and own items, printed or mailed; nothing (after an alert) when
    // there are none. True when the page went to the printer or the mail program.
    bool printList();
    bool emailList();
    // The file a mailed list is attached as: "<list name>.pdf" in the "Email" folder of the
    // application support folder, the name made safe for a file name.
    static QString emailAttachmentPath(const QString& supportFolder, const QString& listName);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeRecipesTab();
    QWidget* makeMyItemsTab();
    QWidget* makeConsolidatedTab();
    void tabShown(int tab);
    void scrollToSelectedRecipe();
    bool hasLiveList();
    bool preparePrinting();
    void tell(const QString& message, const QString& informative);

    LibrarySession& m_session;
    GroceryController* m_controller;
    QLabel* m_title = nullptr;
    QTabWidget* m_tabs = nullptr;
    GroceryListIngredientsTableView* m_ingredients = nullptr;
    GroceryListMyItemsTableView* m_myItems = nullptr;
    GroceryListConsolidatedTableView* m_consolidated = nullptr;
    GroceryCategoriesDialog* m_categories = nullptr;
    MailHandOver* m_mail = nullptr;
    PrinterChooser m_chooser;
};

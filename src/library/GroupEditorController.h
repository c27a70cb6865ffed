#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class Alerts;
class GroupsManagedObject;
class ManagedObject;
class ObjectContext;
class PreferencesController;
class RecipesArrayController;

// The group editor's logic, without its sheet: checking names, creating groups, smart
// groups and grocery lists, editing and deleting them, and keeping grocery lists in or out
// of their own sidebar section. Questions go through the Alerts port; the sheet shows the
// page editGroup() names and calls the ok actions with what was typed.
class GroupEditorController : public QObject {
    Q_OBJECT
public:
    // The sheet's pages that this controller fills. Platefeed and MyLibrary are the pages
    // of a subscribed platefeed and of a published "My Recipes"; they come with platefeeds.
    enum class Page { None, Group, SmartGroup, GroceryList, Platefeed, MyLibrary };

    // recipes: the recipe list, refreshed after an edit (may be null). preferences: when
    // given, its grocery-list preference regroups the grocery lists.
    GroupEditorController(ObjectContext* context, RecipesArrayController* recipes, Alerts* alerts,
                          PreferencesController* preferences = nullptr, QObject* parent = nullptr);

    // The page's toolbar title ("Group", "Smart Group", "Grocery List", ...).
    static QString pageTitle(Page page);
    // The note shown (flashing, with a beep) for a missing name.
    static QString emptyNameNote();

    // Accepts a name unless it is empty, one or two spaces (emits nameRefused with the
    // note) or contains a comma (alert). refusal: the text shown, for headless callers.
    bool validateEntryString(const QString& text, QString* refusal = nullptr);

    // Insert the group (their place and selection follow the insert rules of groups).
    GroupsManagedObject* createNewGroup(const QString& name);
    GroupsManagedObject* createNewSmartGroup(const QString& name, const QString& ruleText);
    // Also regroups the grocery lists.
    GroupsManagedObject* createNewGroceryList(const QString& name);

    // OK of a sheet opened for a new group, by the page chosen: validates the name and
    // creates the group, then closes. Null when refused (the sheet stays open).
    GroupsManagedObject* okButtonForNewAction(Page page, const QString& name, const QString& ruleText = {});

    // Remembers the group and answers the one page that fits it (None: nothing opens).
    Page editGroup(GroupsManagedObject* group);
    GroupsManagedObject* editedGroup() const;
    Page editedPage() const { return m_editedPage; }
    // OK of a sheet opened by editGroup: validates and stores (a plain group's new name
    // after the keyword question), then closes and refreshes the recipe list. False when
    // refused or when the page cannot be saved here.
    bool okButtonForEditAction(const QString& name, const QString& ruleText = {});

    // Asks and deletes the group with its subgroups; recipes keep their keywords. "My
    // Recipes" is selected after and grocery lists are regrouped 0.01 s later. False when
    // the group cannot be deleted or the user cancelled.
    bool deleteGroup(GroupsManagedObject* group);

    // The grocery-list header, made (named "GROCERY LISTS") when create is true and none exists.
    GroupsManagedObject* groceryListHeaderGroupCreateIfNeeded(bool create);
    // Deletes the header when it exists and has no children.
    void deleteGroceryListHeaderIfNeeded();

    // Asks the counter updater for new counts.
    void updateAllCounterValues();
    // Forgets the edited group and updates the counters.
    void closeWindow();

public slots:
    // Puts every grocery list under the header (collectGroceryLists) or at the top level,
    // removes an empty header and asks the sidebar to sort again.
    void collectOrSeperateGroceryListGroups();

signals:
    // A name was refused with the note (the sheet flashes it and beeps).
    void nameRefused(const QString& note);
    // The sidebar should select "My Recipes".
    void selectMyLibraryGroupRequested();
    // The sidebar should read its sort keys again and re-sort the tree.
    void sidebarResortRequested();
    // The counter updater should count again.
    void counterValuesUpdateRequested();
    // The sheet should close.
    void sheetClosed();
    // The platefeed manager should stop publishing the group (published groups being
    // deleted) or remove a subscribed platefeed.
    void stopPublishingRequested(GroupsManagedObject* group);
    void deleteSubscribedPlatefeedRequested(GroupsManagedObject* group);

private:
    GroupsManagedObject* insertGroup(const QString& name);
    void renameGroup(GroupsManagedObject* group, const QString& name);
    // The name of the undo step of a sheet's OK.
    static QString pageUndoName(Page page, bool created);
    QList<GroupsManagedObject*> groups() const;

    ObjectContext* m_context;
    QPointer<RecipesArrayController> m_recipes;
    Alerts* m_alerts;
    ManagedObject* m_editedGroup = nullptr;
    Page m_editedPage = Page::None;
};

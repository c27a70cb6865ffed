#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class Alerts;
class GroupEditorPlatefeeds;
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

    // The platefeed subsystem, once it is there (not owned; null: no platefeed fields).
    void setPlatefeeds(GroupEditorPlatefeeds* platefeeds) { m_platefeeds = platefeeds; }
    GroupEditorPlatefeeds* platefeeds() const { return m_platefeeds; }

    // Remembers the group and answers the one page that fits it (None: nothing opens). A
    // published "My Recipes" opens on MyLibrary, a subscribed platefeed on Platefeed.
    Page editGroup(GroupsManagedObject* group);
    GroupsManagedObject* editedGroup() const;
    Page editedPage() const { return m_editedPage; }
    // Whether the edited group is published: its page also shows the platefeed title, the
    // published address and Unpublish.
    bool isEditedGroupPublished() const;
    // The platefeed title the edited group's page shows: platefeedName of a published group
    // (else its name); of a subscribed platefeed, platefeedName when present, else name.
    QString editedPlatefeedTitle() const;
    // The address the page shows: where others read a published group, the publisher's
    // address of a subscribed platefeed.
    QString editedPlatefeedAddress() const;
    // OK of a sheet opened by editGroup: validates and stores (a plain group's new name
    // after the keyword question), then closes and refreshes the recipe list. name is the
    // page's first field (the platefeed title on "My Library" and on a subscribed platefeed's
    // page); platefeedTitle the title field of a published group's page (nullopt: the caller
    // has none, platefeedName stays). A published group's new title goes to its platefeed. A
    // subscribed platefeed's title is stored once its published name has been read
    // (setAlternateTitle); the sheet closes then. False when refused, while that read runs,
    // or when the page cannot be saved here.
    bool okButtonForEditAction(const QString& name, const QString& ruleText = {},
                               const std::optional<QString>& platefeedTitle = std::nullopt);
    bool isBusy() const { return m_busy; }

    // A subscribed platefeed's own title: its publisher's name is read first; the title
    // equal to it clears platefeedName (the name then follows the publisher), any other is
    // kept in platefeedName. Either way the group's name becomes the title. When the
    // published name cannot be read the title is kept in platefeedName. done runs after.
    void setAlternateTitle(const QString& title, GroupsManagedObject* forSubscribedPlatefeed,
                           std::function<void()> done = {});
    // Reads the edited subscribed platefeed's published name and hands it to done (the
    // title field takes it); alerts when it cannot be read.
    void resetSubscribedPlatefeedName(std::function<void(const QString& name)> done);
    // Asks, closes the sheet and has the platefeed withdrawn; once the space has taken the
    // mark, clears isPublishedPlatefeed and emits platefeedUnpublished. When the space does
    // not answer the group stays published and the user is told. False when the group is
    // not published, there are no platefeeds, or the user cancelled.
    bool unpublishPlatefeed(GroupsManagedObject* group);
    // The address button: opens an http(s) address shown on it (openAddressRequested) and
    // closes the sheet; any other title opens nothing. Answers whether it opened.
    bool openPlatefeedAddressLink(const QString& title);
    // The address an address button's title stands for; invalid unless http(s) with a host.
    static QUrl platefeedAddressLink(const QString& title);

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
    // The group is no longer published (the library should be saved, the sidebar redrawn).
    void platefeedUnpublished(GroupsManagedObject* group);
    // The user's web browser should open the address.
    void openAddressRequested(const QUrl& address);
    // A platefeed read runs (the sheet takes no input meanwhile) or has ended.
    void busyChanged(bool busy);

private:
    GroupsManagedObject* insertGroup(const QString& name);
    void renameGroup(GroupsManagedObject* group, const QString& name);
    void setBusy(bool busy);
    void finishEdit();
    // Reads a subscribed platefeed's published name with the sheet busy; answer runs only
    // when the sheet is still open on the same edit.
    void readPublishedName(GroupsManagedObject* group,
                           std::function<void(bool found, const QString& name)> answer);
    // The name of the undo step of a sheet's OK.
    static QString pageUndoName(Page page, bool created);
    QList<GroupsManagedObject*> groups() const;

    ObjectContext* m_context;
    QPointer<RecipesArrayController> m_recipes;
    Alerts* m_alerts;
    GroupEditorPlatefeeds* m_platefeeds = nullptr;
    bool m_busy = false;
    int m_readSerial = 0; // a platefeed read answered after the sheet closed is dropped
    ManagedObject* m_editedGroup = nullptr;
    Page m_editedPage = Page::None;
};

#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class GroupsCounterUpdater;
class GroupsManagedObject;
class ManagedObject;
class ObjectContext;
class QMimeData;
class RecipesArrayController;
class SidebarTreeController;

// The sidebar's drag and drop, without a window: what may be dragged, what a drop onto a
// node or between rows is offered, and what an accepted drop does to the records.
//
// Recipes dragged from the recipe list arrive as "RecipeUniqueIDs" (an XML property list:
// an array of uniqueID texts). A drag that starts in the sidebar moves a group; it carries
// the group's identity under groupDragType(), and the view passes fromSidebar = true.
// Drop positions follow the tree view: a target group (null: the top level) and a child
// index among its children, or kDropOnItem for a drop onto the target's own row.
class SideBarDragController : public QObject {
    Q_OBJECT
public:
    static constexpr int kDropOnItem = -1;

    enum class DropOperation { None, Copy, Move };
    struct DropDecision {
        DropOperation operation = DropOperation::None;
        bool remove = false; // recipes: the drop removes the group from them instead of adding it
        QString reason;      // why a drop is refused (for logs and the command line)
    };

    static QString recipeUniqueIDsType(); // "RecipeUniqueIDs"
    static QString groupDragType();       // the sidebar's own group drags

    explicit SideBarDragController(SidebarTreeController* tree, QObject* parent = nullptr);

    SidebarTreeController* treeController() const { return m_tree; }
    // The recipe list whose filter is refreshed after a drop on the selected group; by
    // Where a web address dropped on a group goes (the web importer). Without one, such
    // drops are refused. Before it is called an open recipe editor is saved (saveOpenEditor)
    // and the group is selected, so that the import lands in it.
    void setWebAddressHandler(std::function<void(const QString& address)> handler) {
        m_webAddressHandler = std::move(handler);
    }
    void setOpenEditorSaver(std::function<void()> save) { m_saveOpenEditor = std::move(save); }
    // Makes the linked library copy of a subscribed platefeed's recipe, which is what a drop
    // adds to a group (null: none could be made, the recipe is left out).
    void setPlatefeedCopier(std::function<ManagedObject*(ManagedObject*)> copier) {
        m_platefeedCopier = std::move(copier);
    }
    // The group selected in the sidebar (the view installs it).
    void setSelectedGroupProvider(std::function<GroupsManagedObject*()> provider) {
        m_selectedGroup = std::move(provider);
    }

    // The groups under parent (none: the top level) by position, and their renumbering
    // 0, 10, 20, ... in that order.
    static QList<ManagedObject*> getSubGroups(ObjectContext* context, const ManagedObject* forParent);
    static void resortGroups(ObjectContext* context, const ManagedObject* forParent);
    // True when category is isSubCategoryOf itself or one of its ancestors.
    static bool category(const ManagedObject* category, const ManagedObject* isSubCategoryOf);

    // Starts a group drag: writes the drag types and remembers the group. Refused (false,
    // nothing written) for the "LIBRARY" header, "My Recipes" and the "GROUPS" header.
    bool writeGroupDrag(GroupsManagedObject* group, QMimeData* mimeData);
    // What the recipe list writes for dragged recipes.
    static void writeRecipeUniqueIDs(const QStringList& uniqueIDs, QMimeData* mimeData);
    // The uniqueIDs of a recipe drag; false when the data is not a list of texts.
    static bool readRecipeUniqueIDs(const QMimeData* mimeData, QStringList* uniqueIDs);
    // The web address of a dropped link or text; empty when it is not one.
    static QString webAddressFromMimeData(const QMimeData* mimeData);

    // The operation a drop would get. removeModifier: the platform's copy modifier is held.
    DropDecision validateDrop(const QMimeData* mimeData, bool fromSidebar, GroupsManagedObject* target,
                              int childIndex, bool removeModifier) const;
    // Performs a drop that validateDrop allows; false (and no change) otherwise.
    bool acceptDrop(const QMimeData* mimeData, bool fromSidebar, GroupsManagedObject* target, int childIndex,
                    bool removeModifier);

    // The steps of an accepted drop, for callers without drag data (the command line).
    DropDecision validateRecipeDrop(GroupsManagedObject* target, int childIndex, bool removeModifier) const;
    DropDecision validateGroupMove(GroupsManagedObject* dragged, GroupsManagedObject* target,
                                   int childIndex) const;
    bool dropRecipes(const QStringList& uniqueIDs, GroupsManagedObject* target, bool remove);
    bool moveGroup(GroupsManagedObject* dragged, GroupsManagedObject* target, int childIndex);

signals:
    // The sidebar selects this group (after a group move).
    void selectGroupRequested(GroupsManagedObject* group);
    // 1.0 s after recipes were dropped on a published platefeed.
    void checkPublishedPlatefeedsRequested();
    // After a group move: platefeeds are gathered under their header or set apart again.
    void regroupPlatefeedsRequested();
    // Recipes were added to or removed from the group (their keywords or the list changed):
    // the recipe page shows them again.
    void recipesDropped(GroupsManagedObject* group);

private:
    GroupsManagedObject* draggedGroup(const QMimeData* mimeData) const;
    RecipesArrayController* recipesArrayController() const;

    QPointer<SidebarTreeController> m_tree;
    std::function<GroupsManagedObject*()> m_selectedGroup;
    GroupsManagedObject* m_draggedGroup = nullptr;
    std::function<void(const QString&)> m_webAddressHandler;
    std::function<void()> m_saveOpenEditor;
    std::function<ManagedObject*(ManagedObject*)> m_platefeedCopier;
};

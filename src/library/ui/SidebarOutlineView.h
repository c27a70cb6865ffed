#pragma once

#include "library/SidebarTreeController.h"

#include <QPointer>
#include <QTreeView>

class GroupsManagedObject;
class QMenu;
class SideBarDragController;

// The sidebar: the group tree with its section titles, pictures by kind, counters of
// recipes marked as new, drag and drop of recipes and groups, and a context menu.
// Selecting a group narrows the recipe list to it (through groupSelected).
class SidebarOutlineView : public QTreeView {
    Q_OBJECT
public:
    explicit SidebarOutlineView(QWidget* parent = nullptr);
    ~SidebarOutlineView() override;

    // Published platefeeds carry a mark while the publishing space is reachable.
    void setShowsPublishedMarks(bool shown);
    bool showsPublishedMarks() const { return m_showsPublishedMarks; }
    bool isPublishedRow(const QModelIndex& index) const;

    // The tree and its drag-and-drop rules; the view does not own them.
    void setControllers(SidebarTreeController* tree, SideBarDragController* drags);
    SidebarTreeController* treeController() const { return m_tree; }

    // The first selected group, or null.
    GroupsManagedObject* selectedGroup() const;
    void selectGroup(const ManagedObject* group);
    // Selects "My Recipes".
    void selectMyLibraryGroup();

    // The context menu's Publish, also the menu bar's: asks for the group to be published
    // (publishGroupRequested) when it can be. False when it cannot.
    bool publishGroupConetextMenuAction(GroupsManagedObject* group);

    // Where keyboard focus goes after a click or a plain key press: the recipe list.
    void setRecipeListWidget(QWidget* widget) { m_recipeList = widget; }

    // Expanded nodes are remembered by their records' permanent identities once
    // autoExpand is on (0.2 s after the store opened).
    void setAutoExpand(bool on);
    void restoreExpandedItems();

    // The picture of a group kind, large (32 px rows) or small.
    static QIcon iconForKind(SidebarTreeController::GroupKind kind, bool large);

signals:
    void groupSelected(GroupsManagedObject* group);
    void editGroupRequested(GroupsManagedObject* group);
    void deleteGroupRequested(GroupsManagedObject* group);
    // The group's recipes are to be written to an exchange file.
    void exportGroupRequested(GroupsManagedObject* group);
    // Platefeeds: reset a subscription, publish a group, stop publishing it.
    void resetPlatefeedRequested(GroupsManagedObject* group);
    void publishGroupRequested(GroupsManagedObject* group);
    void unpublishGroupRequested(GroupsManagedObject* group);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct DropTarget {
        GroupsManagedObject* group = nullptr;
        int childIndex = -1;
        bool valid = false;
    };
    DropTarget dropTargetAt(const QPoint& position) const;
    bool handleDrag(QDropEvent* event, bool perform);
    void currentSelectionChanged();
    void saveExpandedItems();
    void moveFocusToRecipeList();

    QPointer<SidebarTreeController> m_tree;
    QPointer<SideBarDragController> m_drags;
    QPointer<QWidget> m_recipeList;
    bool m_showsPublishedMarks = false;
    bool m_autoExpand = false;
    bool m_restoring = false;
    bool m_dragFromSelf = false;
    bool m_removeCursorShown = false;
};

#pragma once

#include "platform/ObjectContext.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QPointer>

#include <functional>
#include <memory>

class GroupsCounterUpdater;
class GroupsManagedObject;
class LibrarySession;
class ManagedObject;

// The sidebar's tree of Groups records as an item model, one column. Nodes follow the
// records' parent/children links; siblings are ordered by sortDescriptors(), which read the
// grocery-list and platefeed preferences at each call. The tree is rebuilt whenever the
// object context announces changes; indexes kept by views (selection, expansion) follow
// their groups across a rebuild, and a group that is gone loses its index.
//
// Roles:
//   Qt::DisplayRole, Qt::EditRole  the group's name (QString)
//   GroupRole                      the record (QVariant::fromValue<ManagedObject*>)
//   KindRole                       GroupKind as int
//   CounterValueRole               recipes marked as new in the group (int, 0 without counts)
//   IsHeaderRole                   one of the four section headers (bool)
//   ObjectIDRole                   the record's identity in text form (QString)
class SidebarTreeController : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        GroupRole = Qt::UserRole + 1,
        KindRole,
        CounterValueRole,
        IsHeaderRole,
        ObjectIDRole,
    };

    enum class GroupKind {
        LibraryHeader,
        MyRecipes,
        GroupHeader,
        Group,
        SmartGroup,
        GroceryListHeader,
        GroceryList,
        PlatefeedHeader,
        SubscribedPlatefeed,
    };
    Q_ENUM(GroupKind)

    explicit SidebarTreeController(LibrarySession* session, QObject* parent = nullptr);
    ~SidebarTreeController() override;

    ObjectContext* managedObjectContext() const { return m_context; }
    LibrarySession& session() const { return m_session; }

    // The order of siblings: the header and section flags (true first), then position
    // ascending. Reads collectGroceryLists and collectSubscribedPlatefeeds now.
    static QList<SortDescriptor> sortDescriptors();
    // Sorts groups by sortDescriptors(); flags read as booleans (absent is false).
    static void sortGroups(QList<ManagedObject*>& groups);

    static GroupKind kindOfGroup(const ManagedObject* group);
    // "libraryHeader", "myRecipes", "groupHeader", "group", "smartGroup",
    // "groceryListHeader", "groceryList", "platefeedHeader", "subscribedPlatefeed".
    static QString kindName(GroupKind kind);
    // One of the four section headers: drawn as a title, never selectable.
    static bool isHeader(const ManagedObject* group);
    // A group that may start a platefeed: not a header, a grocery list, a subscribed
    // platefeed or one published already.
    static bool canBePublished(const ManagedObject* group);

    // Builds the tree again from the records (and re-sorts it).
    void rearrangeObjects();

    QModelIndex indexForGroup(const ManagedObject* group) const;
    GroupsManagedObject* groupAtIndex(const QModelIndex& index) const;
    QModelIndex myRecipesIndex() const;
    GroupsManagedObject* myRecipesGroup() const;
    // The rows from the top level down to the group; empty when it is not in the tree.
    QList<int> indexPathForGroup(const ManagedObject* group) const;
    GroupsManagedObject* groupAtIndexPath(const QList<int>& path) const;
    // The groups under parent (none: the top level) in display order.
    QList<GroupsManagedObject*> childGroups(const ManagedObject* parent) const;
    // Every group in display order, depth first.
    QList<GroupsManagedObject*> allGroupsInDisplayOrder() const;
    // The grocery lists, in display order.
    QList<GroupsManagedObject*> groceryLists() const;
    // The plain and smart groups that show the recipe (with their subgroups' recipes, as
    // the recipe list does), in display order.
    QList<GroupsManagedObject*> groupsHoldingRecipe(const ManagedObject* recipe) const;

    // Expanded nodes are remembered by their records' permanent identities. A group that
    // has only a temporary identity makes the library save first; the answer is empty when
    // that save fails (the node is then not remembered).
    QString persistentObjectForItem(ManagedObject* group);
    GroupsManagedObject* itemForPersistentObject(const QString& identity) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    struct Node;
    std::unique_ptr<Node> buildTree() const;
    Node* nodeForIndex(const QModelIndex& index) const;
    QModelIndex indexForNode(const Node* node, int column = 0) const;
    void indexNodes();
    void emitDataChanged(const Node* node);

    LibrarySession& m_session;
    ObjectContext* m_context;
    std::unique_ptr<Node> m_root;
    QHash<const ManagedObject*, Node*> m_nodes;
    QPointer<GroupsCounterUpdater> m_counterUpdater;
};

#include "SidebarTreeController.h"

#include "GroupsCounterUpdater.h"
#include "GroupsManagedObject.h"
#include "LibrarySession.h"
#include "platform/UserDefaults.h"

#include <QSet>

#include <algorithm>

struct SidebarTreeController::Node {
    GroupsManagedObject* group = nullptr; // null for the invisible root
    Node* parent = nullptr;
    int row = 0;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

const QString kGroups = QStringLiteral("Groups");
const QString kPosition = QStringLiteral("position");

bool flag(const ManagedObject* group, const char* key) {
    return group->valueForKey(QLatin1String(key)).toLongLong() == 1;
}

// The groups of a tree, depth first, each with its parent: equal lists mean the same shape.
void collectShape(const auto* node, QList<QPair<const void*, const void*>>& shape) {
    for (const auto& child : node->children) {
        shape.append(qMakePair<const void*, const void*>(node->group, child->group));
        collectShape(child.get(), shape);
    }
}

} // namespace

SidebarTreeController::SidebarTreeController(LibrarySession* session, QObject* parent)
    : QAbstractItemModel(parent), m_session(LibrarySession::require(session, "SidebarTreeController")),
      m_context(m_session.context()), m_root(std::make_unique<Node>()) {
    connect(m_context, &ObjectContext::objectsDidChange, this, &SidebarTreeController::rearrangeObjects);
    // The counts of CounterValueRole.
    m_counterUpdater = &m_session.counterUpdater();
    connect(m_counterUpdater, &GroupsCounterUpdater::countersUpdated, this,
            [this] { emitDataChanged(m_root.get()); });
    m_root = buildTree();
    indexNodes();
}

SidebarTreeController::~SidebarTreeController() = default;

QList<SortDescriptor> SidebarTreeController::sortDescriptors() {
    const auto descending = [](const char* key) { return SortDescriptor{QLatin1String(key), false, false}; };
    QList<SortDescriptor> keys{descending("isLibraryHeader"), descending("isLocalLibrary")};
    if (!UserDefaults::boolForKey(QStringLiteral("collectGroceryLists")) &&
        UserDefaults::boolForKey(QStringLiteral("collectSubscribedPlatefeeds")))
        keys << descending("isGroceryListHeader") << descending("isGroceryList")
             << descending("isPlatefeedHeader") << descending("isSubscribedPlatefeed");
    else
        keys << descending("isPlatefeedHeader") << descending("isSubscribedPlatefeed")
             << descending("isGroceryListHeader") << descending("isGroceryList");
    keys << descending("isGroupHeader") << SortDescriptor{kPosition, true, false};
    return keys;
}

void SidebarTreeController::sortGroups(QList<ManagedObject*>& groups) {
    const QList<SortDescriptor> keys = sortDescriptors();
    // Every key reads as a number: the flags as 0 or 1, position as itself, absent as 0.
    QHash<const ManagedObject*, QList<qint64>> values;
    for (const ManagedObject* group : std::as_const(groups)) {
        QList<qint64>& row = values[group];
        for (const SortDescriptor& key : keys)
            row.append(group->valueForKey(key.key).toLongLong());
    }
    std::stable_sort(groups.begin(), groups.end(), [&](const ManagedObject* a, const ManagedObject* b) {
        const QList<qint64>& left = values[a];
        const QList<qint64>& right = values[b];
        for (qsizetype k = 0; k < keys.size(); ++k) {
            if (left.at(k) == right.at(k))
                continue;
            return keys.at(k).ascending ? left.at(k) < right.at(k) : left.at(k) > right.at(k);
        }
        return false;
    });
}

SidebarTreeController::GroupKind SidebarTreeController::kindOfGroup(const ManagedObject* group) {
    if (flag(group, "isLibraryHeader"))
        return GroupKind::LibraryHeader;
    if (flag(group, "isGroupHeader"))
        return GroupKind::GroupHeader;
    if (flag(group, "isGroceryListHeader"))
        return GroupKind::GroceryListHeader;
    if (flag(group, "isPlatefeedHeader"))
        return GroupKind::PlatefeedHeader;
    // The same precedence as the groups' own membership rules.
    if (flag(group, "isGroceryList"))
        return GroupKind::GroceryList;
    if (flag(group, "isLocalLibrary"))
        return GroupKind::MyRecipes;
    if (flag(group, "isSubscribedPlatefeed"))
        return GroupKind::SubscribedPlatefeed;
    if (flag(group, "isSmartGroup"))
        return GroupKind::SmartGroup;
    return GroupKind::Group;
}

QString SidebarTreeController::kindName(GroupKind kind) {
    switch (kind) {
    case GroupKind::LibraryHeader:
        return QStringLiteral("libraryHeader");
    case GroupKind::MyRecipes:
        return QStringLiteral("myRecipes");
    case GroupKind::GroupHeader:
        return QStringLiteral("groupHeader");
    case GroupKind::Group:
        return QStringLiteral("group");
    case GroupKind::SmartGroup:
        return QStringLiteral("smartGroup");
    case GroupKind::GroceryListHeader:
        return QStringLiteral("groceryListHeader");
    case GroupKind::GroceryList:
        return QStringLiteral("groceryList");
    case GroupKind::PlatefeedHeader:
        return QStringLiteral("platefeedHeader");
    case GroupKind::SubscribedPlatefeed:
        return QStringLiteral("subscribedPlatefeed");
    }
    return QString();
}

bool SidebarTreeController::isHeader(const ManagedObject* group) {
    return flag(group, "isLibraryHeader") || flag(group, "isGroupHeader") ||
           flag(group, "isGroceryListHeader") || flag(group, "isPlatefeedHeader");
}

bool SidebarTreeController::canBePublished(const ManagedObject* group) {
    return group && !group->isDeleted() && !isHeader(group) && !flag(group, "isGroceryList") &&
           !flag(group, "isSubscribedPlatefeed") && !flag(group, "isPublishedPlatefeed");
}

std::unique_ptr<SidebarTreeController::Node> SidebarTreeController::buildTree() const {
    auto root = std::make_unique<Node>();
    if (!m_context)
        return root;
    QSet<const ManagedObject*> placed; // a damaged store with a parent loop shows each group once
    std::function<void(Node*, QList<ManagedObject*>)> add = [&](Node* parent, QList<ManagedObject*> groups) {
        sortGroups(groups);
        for (ManagedObject* object : std::as_const(groups)) {
            auto* group = dynamic_cast<GroupsManagedObject*>(object);
            if (!group || group->isDeleted() || placed.contains(group))
                continue;
            placed.insert(group);
            auto node = std::make_unique<Node>();
            node->group = group;
            node->parent = parent;
            node->row = int(parent->children.size());
            Node* added = node.get();
            parent->children.push_back(std::move(node));
            add(added, group->relatedObjects(QStringLiteral("children")));
        }
    };
    QList<ManagedObject*> topLevel;
    for (ManagedObject* group : m_context->executeFetchRequest(FetchRequest(kGroups)))
        if (!group->relatedObject(QStringLiteral("parent")))
            topLevel.append(group);
    add(root.get(), topLevel);
    return root;
}

void SidebarTreeController::indexNodes() {
    m_nodes.clear();
    std::function<void(Node*)> visit = [&](Node* node) {
        for (const auto& child : node->children) {
            m_nodes.insert(child->group, child.get());
            visit(child.get());
        }
    };
    visit(m_root.get());
}

void SidebarTreeController::emitDataChanged(const Node* node) {
    if (node->children.empty())
        return;
    emit dataChanged(indexForNode(node->children.front().get()), indexForNode(node->children.back().get()));
    for (const auto& child : node->children)
        emitDataChanged(child.get());
}

void SidebarTreeController::rearrangeObjects() {
    std::unique_ptr<Node> fresh = buildTree();
    QList<QPair<const void*, const void*>> oldShape;
    QList<QPair<const void*, const void*>> newShape;
    collectShape(m_root.get(), oldShape);
    collectShape(fresh.get(), newShape);
    if (oldShape == newShape) {
        // Same groups in the same places: names, kinds or counts may have changed. The
        // nodes stay, since views hold indexes that point at them.
        emitDataChanged(m_root.get());
        return;
    }
    // Views keep their selection and expanded nodes: each kept index moves to its group.
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QList<const ManagedObject*> groups;
    for (const QModelIndex& index : before)
        groups.append(nodeForIndex(index) ? nodeForIndex(index)->group : nullptr);
    std::unique_ptr<Node> old = std::move(m_root);
    m_root = std::move(fresh);
    indexNodes();
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const Node* node = groups.at(i) ? m_nodes.value(groups.at(i)) : nullptr;
        after.append(node ? indexForNode(node, before.at(i).column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

SidebarTreeController::Node* SidebarTreeController::nodeForIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex SidebarTreeController::indexForNode(const Node* node, int column) const {
    if (!node || node == m_root.get())
        return {};
    return createIndex(node->row, column, const_cast<Node*>(node));
}

QModelIndex SidebarTreeController::indexForGroup(const ManagedObject* group) const {
    return indexForNode(m_nodes.value(group));
}

GroupsManagedObject* SidebarTreeController::groupAtIndex(const QModelIndex& index) const {
    const Node* node = nodeForIndex(index);
    return node ? node->group : nullptr;
}

GroupsManagedObject* SidebarTreeController::myRecipesGroup() const {
    for (const auto& node : m_root->children)
        if (flag(node->group, "isLocalLibrary"))
            return node->group;
    for (auto it = m_nodes.cbegin(); it != m_nodes.cend(); ++it)
        if (flag(it.key(), "isLocalLibrary"))
            return it.value()->group;
    return nullptr;
}

QModelIndex SidebarTreeController::myRecipesIndex() const {
    return indexForGroup(myRecipesGroup());
}

QList<int> SidebarTreeController::indexPathForGroup(const ManagedObject* group) const {
    QList<int> path;
    for (const Node* node = m_nodes.value(group); node && node != m_root.get(); node = node->parent)
        path.prepend(node->row);
    return path;
}

GroupsManagedObject* SidebarTreeController::groupAtIndexPath(const QList<int>& path) const {
    const Node* node = m_root.get();
    for (int row : path) {
        if (row < 0 || size_t(row) >= node->children.size())
            return nullptr;
        node = node->children.at(size_t(row)).get();
    }
    return node == m_root.get() ? nullptr : node->group;
}

QList<GroupsManagedObject*> SidebarTreeController::childGroups(const ManagedObject* parent) const {
    const Node* node = parent ? m_nodes.value(parent) : m_root.get();
    QList<GroupsManagedObject*> groups;
    if (node)
        for (const auto& child : node->children)
            groups.append(child->group);
    return groups;
}

QList<GroupsManagedObject*> SidebarTreeController::allGroupsInDisplayOrder() const {
    QList<GroupsManagedObject*> groups;
    std::function<void(const Node*)> visit = [&](const Node* node) {
        for (const auto& child : node->children) {
            groups.append(child->group);
            visit(child.get());
        }
    };
    visit(m_root.get());
    return groups;
}

QList<GroupsManagedObject*> SidebarTreeController::groceryLists() const {
    QList<GroupsManagedObject*> lists;
    for (GroupsManagedObject* group : allGroupsInDisplayOrder())
        if (kindOfGroup(group) == GroupKind::GroceryList)
            lists.append(group);
    return lists;
}

QList<GroupsManagedObject*> SidebarTreeController::groupsHoldingRecipe(const ManagedObject* recipe) const {
    QList<GroupsManagedObject*> holding;
    if (!recipe || recipe->isDeleted())
        return holding;
    for (GroupsManagedObject* group : allGroupsInDisplayOrder()) {
        const GroupKind kind = kindOfGroup(group);
        if (kind != GroupKind::Group && kind != GroupKind::SmartGroup)
            continue;
        const PredicatePtr filter = group->filterPredicate();
        if (filter && filter->evaluate(*recipe))
            holding.append(group);
    }
    return holding;
}

QString SidebarTreeController::persistentObjectForItem(ManagedObject* group) {
    if (!group || !m_context || group->managedObjectContext() != m_context)
        return QString();
    if (group->objectID().isTemporaryID()) {
        if (!m_session.save() || group->objectID().isTemporaryID())
            return QString();
    }
    return group->objectID().uriRepresentation();
}

GroupsManagedObject* SidebarTreeController::itemForPersistentObject(const QString& identity) const {
    if (!m_context || identity.isEmpty())
        return nullptr;
    ManagedObject* object = m_context->objectWithURI(identity);
    return object && object->entityName() == kGroups ? dynamic_cast<GroupsManagedObject*>(object) : nullptr;
}

QModelIndex SidebarTreeController::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    const Node* node = parent.isValid() ? nodeForIndex(parent) : m_root.get();
    if (!node || size_t(row) >= node->children.size())
        return {};
    return indexForNode(node->children.at(size_t(row)).get(), column);
}

QModelIndex SidebarTreeController::parent(const QModelIndex& child) const {
    const Node* node = nodeForIndex(child);
    return node ? indexForNode(node->parent) : QModelIndex();
}

int SidebarTreeController::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    const Node* node = parent.isValid() ? nodeForIndex(parent) : m_root.get();
    return node ? int(node->children.size()) : 0;
}

int SidebarTreeController::columnCount(const QModelIndex& parent) const {
    Q_UNUSED(parent);
    return 1;
}

QVariant SidebarTreeController::data(const QModelIndex& index, int role) const {
    GroupsManagedObject* group = groupAtIndex(index);
    if (!group)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return group->stringValue(QStringLiteral("name"));
    case GroupRole:
        return QVariant::fromValue(static_cast<ManagedObject*>(group));
    case KindRole:
        return int(kindOfGroup(group));
    case CounterValueRole:
        return m_counterUpdater ? m_counterUpdater->counterValue(group) : 0;
    case IsHeaderRole:
        return isHeader(group);
    case ObjectIDRole:
        return group->objectID().uriRepresentation();
    default:
        return {};
    }
}

Qt::ItemFlags SidebarTreeController::flags(const QModelIndex& index) const {
    GroupsManagedObject* group = groupAtIndex(index);
    if (!group)
        return Qt::ItemIsDropEnabled; // the top level takes group moves
    const GroupKind kind = kindOfGroup(group);
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (kind == GroupKind::LibraryHeader || kind == GroupKind::GroupHeader)
        return flags;
    // The drag controller decides each drop; these say where one may be tried.
    flags |= Qt::ItemIsDropEnabled;
    if (kind != GroupKind::MyRecipes)
        flags |= Qt::ItemIsDragEnabled;
    if (!isHeader(group))
        flags |= Qt::ItemIsSelectable;
    return flags;
}

QHash<int, QByteArray> SidebarTreeController::roleNames() const {
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(GroupRole, "group");
    names.insert(KindRole, "kind");
    names.insert(CounterValueRole, "counterValue");
    names.insert(IsHeaderRole, "isHeader");
    names.insert(ObjectIDRole, "objectID");
    return names;
}

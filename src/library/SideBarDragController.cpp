#include "SideBarDragController.h"

#include "GroupTree.h"
#include "GroupsCounterUpdater.h"
#include "GroupsManagedObject.h"
#include "LibrarySession.h"
#include "RecipesArrayController.h"
#include "RecipesManagedObject.h"
#include "SidebarTreeController.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/UndoManager.h"

#include <QMimeData>
#include <QUrl>

#include <QHash>

namespace {

const QString kParent = QStringLiteral("parent");
const QString kPosition = QStringLiteral("position");

bool flag(const ManagedObject* group, const char* key) {
    return group && group->valueForKey(QLatin1String(key)).toLongLong() == 1;
}

SideBarDragController::DropDecision refused(const QString& reason) {
    SideBarDragController::DropDecision decision;
    decision.reason = reason;
    return decision;
}

SideBarDragController::DropDecision allowed(SideBarDragController::DropOperation operation,
                                            bool remove = false) {
    SideBarDragController::DropDecision decision;
    decision.operation = operation;
    decision.remove = remove;
    return decision;
}

QString nameOf(const ManagedObject* group) {
    return group ? group->stringValue(QStringLiteral("name")) : QStringLiteral("the top level");
}

// What refuses recipes (and addresses) on a target, or empty when it takes them.
QString recipeTargetRefusal(const GroupsManagedObject* target, int childIndex) {
    if (!target || childIndex != SideBarDragController::kDropOnItem)
        return QStringLiteral("recipes can only be dropped onto a group");
    if (flag(target, "isSubscribedPlatefeed") || flag(target, "isPlatefeedHeader") ||
        flag(target, "isGroceryListHeader") || !target->canAcceptDrop() || flag(target, "isSmartGroup"))
        return QStringLiteral("\"%1\" does not take recipes").arg(nameOf(target));
    return QString();
}

} // namespace

QString SideBarDragController::recipeUniqueIDsType() {
    return QStringLiteral("RecipeUniqueIDs");
}

QString SideBarDragController::groupDragType() {
    return QStringLiteral("application/x-larkspoon-sidebar-group");
}

SideBarDragController::SideBarDragController(SidebarTreeController* tree, QObject* parent)
    : QObject(parent), m_tree(tree) {
    qRegisterMetaType<GroupsManagedObject*>(); // for queued connections and signal spies
}

QList<ManagedObject*> SideBarDragController::getSubGroups(ObjectContext* context,
                                                          const ManagedObject* forParent) {
    return GroupTree::getSubGroups(context, forParent);
}

void SideBarDragController::resortGroups(ObjectContext* context, const ManagedObject* forParent) {
    GroupTree::resortGroups(context, forParent);
}

bool SideBarDragController::category(const ManagedObject* category, const ManagedObject* isSubCategoryOf) {
    if (!category)
        return false;
    int steps = 0; // a damaged store with a parent loop ends the walk
    for (const ManagedObject* node = isSubCategoryOf; node && steps < 10000;
         node = node->relatedObject(kParent), ++steps)
        if (node == category)
            return true;
    return false;
}

bool SideBarDragController::writeGroupDrag(GroupsManagedObject* group, QMimeData* mimeData) {
    if (!group || !mimeData || flag(group, "isLibraryHeader") || flag(group, "isLocalLibrary") ||
        flag(group, "isGroupHeader"))
        return false;
    m_draggedGroup = group;
    mimeData->setData(groupDragType(), group->objectID().uriRepresentation().toUtf8());
    return true;
}

void SideBarDragController::writeRecipeUniqueIDs(const QStringList& uniqueIDs, QMimeData* mimeData) {
    QVariantList list;
    for (const QString& id : uniqueIDs)
        list.append(id);
    mimeData->setData(recipeUniqueIDsType(), xmlPropertyListData(list));
}

bool SideBarDragController::readRecipeUniqueIDs(const QMimeData* mimeData, QStringList* uniqueIDs) {
    if (!mimeData || !mimeData->hasFormat(recipeUniqueIDsType()))
        return false;
    const PropertyListResult plist = readPropertyList(mimeData->data(recipeUniqueIDsType()));
    if (!plist.ok() || plist.value.typeId() != QMetaType::QVariantList)
        return false;
    QStringList ids;
    for (const QVariant& entry : plist.value.toList()) {
        if (entry.typeId() != QMetaType::QString)
            return false;
        ids.append(entry.toString());
    }
    *uniqueIDs = ids;
    return true;
}

QString SideBarDragController::webAddressFromMimeData(const QMimeData* mimeData) {
    if (!mimeData)
        return QString();
    QString address;
    if (mimeData->hasUrls() && !mimeData->urls().isEmpty())
        address = mimeData->urls().constFirst().toString();
    else if (mimeData->hasText())
        address = mimeData->text().trimmed();
    // Only web pages; a secure address is as good as a plain one.
    if (address.startsWith(QLatin1String("http:")) || address.startsWith(QLatin1String("https:")))
        return address;
    return QString();
}

GroupsManagedObject* SideBarDragController::draggedGroup(const QMimeData* mimeData) const {
    if (mimeData && mimeData->hasFormat(groupDragType()) && m_tree && m_tree->managedObjectContext()) {
        ManagedObject* object =
            m_tree->managedObjectContext()->objectWithURI(QString::fromUtf8(mimeData->data(groupDragType())));
        return object && object->entityName() == QLatin1String("Groups")
                   ? dynamic_cast<GroupsManagedObject*>(object)
                   : nullptr;
    }
    return m_draggedGroup && !m_draggedGroup->isDeleted() ? m_draggedGroup : nullptr;
}

RecipesArrayController* SideBarDragController::recipesArrayController() const {
    return m_tree ? &m_tree->session().recipesArrayController() : nullptr;
}

SideBarDragController::DropDecision SideBarDragController::validateRecipeDrop(GroupsManagedObject* target,
                                                                              int childIndex,
                                                                              bool removeModifier) const {
    const QString refusal = recipeTargetRefusal(target, childIndex);
    return refusal.isEmpty() ? allowed(DropOperation::Copy, removeModifier) : refused(refusal);
}

SideBarDragController::DropDecision SideBarDragController::validateGroupMove(GroupsManagedObject* dragged,
                                                                             GroupsManagedObject* target,
                                                                             int childIndex) const {
    if (!dragged)
        return refused(QStringLiteral("no group is being dragged"));
    if (flag(dragged, "isGroceryList") && flag(target, "isGroceryListHeader"))
        return allowed(DropOperation::Move);
    if (target && category(dragged, target))
        return refused(QStringLiteral("a group cannot be moved into itself or one of its subgroups"));
    if (target && target->relatedObject(kParent) && target->relatedObject(kParent)->relatedObject(kParent))
        return refused(QStringLiteral("groups nest at most two levels deep"));
    if (flag(target, "isSmartGroup") || flag(target, "isLocalLibrary") ||
        flag(target, "isGroceryListHeader") || flag(target, "isGroceryList"))
        return refused(QStringLiteral("\"%1\" does not take groups").arg(nameOf(target)));
    if (flag(dragged, "isGroceryList"))
        return refused(QStringLiteral("a grocery list can only be moved onto the grocery lists"));
    if (flag(dragged, "isSubscribedPlatefeed") && target) {
        if (flag(target, "isPlatefeedHeader"))
            return allowed(DropOperation::Move);
        return refused(QStringLiteral("a subscribed platefeed can only be moved onto the platefeeds"));
    }
    if (!target) {
        // The first rows of the top level are the library and its sections.
        if (childIndex >= 3)
            return allowed(DropOperation::Move);
        return refused(QStringLiteral("groups cannot be placed above the library"));
    }
    if (target->canAcceptDrop())
        return allowed(DropOperation::Move);
    return refused(QStringLiteral("\"%1\" does not take groups").arg(nameOf(target)));
}

SideBarDragController::DropDecision
SideBarDragController::validateDrop(const QMimeData* mimeData, bool fromSidebar, GroupsManagedObject* target,
                                    int childIndex, bool removeModifier) const {
    if (!mimeData || !m_tree)
        return refused(QStringLiteral("nothing to drop"));
    if (fromSidebar)
        return validateGroupMove(draggedGroup(mimeData), target, childIndex);
    if (mimeData->hasFormat(recipeUniqueIDsType()))
        return validateRecipeDrop(target, childIndex, removeModifier);
    if (mimeData->hasText() || mimeData->hasUrls()) {
        const QString refusal = recipeTargetRefusal(target, childIndex);
        if (!refusal.isEmpty())
            return refused(refusal);
        if (flag(target, "isGroceryList"))
            return refused(QStringLiteral("a grocery list does not take web addresses"));
        if (webAddressFromMimeData(mimeData).isEmpty())
            return refused(QStringLiteral("only web addresses are taken"));
        if (!m_webAddressHandler)
            return refused(QStringLiteral("there is no web importer to take the address"));
        return allowed(DropOperation::Copy);
    }
    return refused(QStringLiteral("nothing the sidebar takes"));
}

bool SideBarDragController::acceptDrop(const QMimeData* mimeData, bool fromSidebar,
                                       GroupsManagedObject* target, int childIndex, bool removeModifier) {
    if (!mimeData || !m_tree)
        return false;
    if (fromSidebar)
        return moveGroup(draggedGroup(mimeData), target, childIndex);
    if (mimeData->hasFormat(recipeUniqueIDsType())) {
        const DropDecision decision = validateRecipeDrop(target, childIndex, removeModifier);
        QStringList ids;
        if (decision.operation == DropOperation::None || !readRecipeUniqueIDs(mimeData, &ids))
            return false;
        return dropRecipes(ids, target, decision.remove);
    }
    const QString address = webAddressFromMimeData(mimeData);
    if (address.isEmpty() || !m_webAddressHandler || !recipeTargetRefusal(target, childIndex).isEmpty() ||
        flag(target, "isGroceryList"))
        return false;
    if (m_saveOpenEditor)
        m_saveOpenEditor();
    target->setSelectSelfOnInsert(true);
    target->selectSelf();
    m_webAddressHandler(address);
    return true;
}

bool SideBarDragController::dropRecipes(const QStringList& uniqueIDs, GroupsManagedObject* target,
                                        bool remove) {
    if (!m_tree || !recipeTargetRefusal(target, kDropOnItem).isEmpty())
        return false;
    ObjectContext* context = target->managedObjectContext();
    const PredicateParseResult filter =
        Predicate::parse(QStringLiteral("uniqueID IN %@"), {QVariant(uniqueIDs)});
    QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter.predicate));
    // In the order they were dragged, so a grocery list takes them in that order.
    QHash<QString, int> order;
    for (int i = int(uniqueIDs.size()) - 1; i >= 0; --i)
        order.insert(uniqueIDs.at(i), i);
    std::stable_sort(recipes.begin(), recipes.end(), [&](const ManagedObject* a, const ManagedObject* b) {
        return order.value(a->stringValue(QStringLiteral("uniqueID"))) <
               order.value(b->stringValue(QStringLiteral("uniqueID")));
    });

    const bool published = flag(target, "isPublishedPlatefeed");
    const bool groceryList = flag(target, "isGroceryList");
    const QString keyword = target->stringValue(QStringLiteral("name"));
    const QString stepName = groceryList
                                 ? (remove ? tr("Remove From Grocery List") : tr("Add to Grocery List"))
                                 : (remove ? tr("Remove From Group") : tr("Add to Group"));
    context->undoManager()->beginUndoGrouping();
    for (ManagedObject* object : std::as_const(recipes)) {
        auto* recipe = dynamic_cast<RecipesManagedObject*>(object);
        if (!recipe)
            continue;
        if (!recipe->stringValue(QStringLiteral("platefeedPredicateKey")).isEmpty()) {
            // A recipe of a subscribed platefeed belongs to its feed; it is added to groups
            // as a linked local copy, made by the platefeed manager.
            auto* copy =
                m_platefeedCopier ? dynamic_cast<RecipesManagedObject*>(m_platefeedCopier(recipe)) : nullptr;
            if (!copy) {
                qWarning().noquote() << "a recipe of a subscribed platefeed was left out of the drop on"
                                     << keyword << "(no local copy could be made):"
                                     << recipe->stringValue(QStringLiteral("uniqueID"));
                continue;
            }
            recipe = copy;
        }
        if (published)
            recipe->setValueForKey(Scheduler::instance().now(), QStringLiteral("dateUpdated"));
        if (groceryList) {
            if (remove)
                target->groceryListRemoveRecipe(recipe);
            else
                target->groceryListAddRecipe(recipe);
        } else if (remove) {
            recipe->removeKeyword(keyword);
        } else {
            recipe->addKeyword(keyword);
        }
    }
    context->undoManager()->setActionName(stepName);
    context->undoManager()->endUndoGrouping();
    if (published)
        Scheduler::instance().schedule(
            1.0, [this] { emit checkPublishedPlatefeedsRequested(); }, this);
    // The selected group's list shows the change now (a grocery list's filter names its
    // recipes, so it is made again).
    if (m_selectedGroup && m_selectedGroup() == target)
        if (RecipesArrayController* list = recipesArrayController())
            list->setFilterPredicate(target->filterPredicate());
    if (m_tree)
        m_tree->session().counterUpdater().queUpdateCounterValues();
    emit recipesDropped(target);
    return true;
}

bool SideBarDragController::moveGroup(GroupsManagedObject* dragged, GroupsManagedObject* target,
                                      int childIndex) {
    if (!m_tree || validateGroupMove(dragged, target, childIndex).operation == DropOperation::None)
        return false;
    m_tree->rearrangeObjects(); // paths as the user sees them
    const QList<int> draggedPath = m_tree->indexPathForGroup(dragged);
    QList<int> targetPath = target ? m_tree->indexPathForGroup(target) : QList<int>();
    if (target && targetPath.isEmpty())
        return false;
    // The slot between two of the target's children; a drop onto the target's own row
    // (or past its last child) appends.
    const QList<GroupsManagedObject*> siblings = m_tree->childGroups(target);
    const int count = int(siblings.size());
    const int slot = childIndex < 0 || childIndex > count ? count : childIndex;
    targetPath.append(slot);
    if (targetPath == draggedPath)
        return false;
    // The group takes a position just after the node in front of the slot or just before
    // the node behind it. When the dragged group comes earlier in the tree, the node in
    // front is preferred: the dragged group's own row closes up ahead of the slot.
    GroupsManagedObject* inFront = slot > 0 ? siblings.at(slot - 1) : nullptr;
    GroupsManagedObject* behind = slot < count ? siblings.at(slot) : nullptr;
    ManagedObject* neighbour = nullptr;
    bool after = false;
    if (inFront && (draggedPath < targetPath || !behind)) {
        neighbour = inFront;
        after = true;
    } else {
        neighbour = behind;
    }
    const qint64 base = neighbour ? neighbour->valueForKey(kPosition).toLongLong() : 0;
    ObjectContext* context = dragged->managedObjectContext();
    context->undoManager()->runAsOneStep(tr("Move Group"), [&] {
        dragged->setValueForKey(base + (after ? 1 : -1), kPosition);
        dragged->setRelatedObject(target, kParent);
        resortGroups(context, target);
    });
    m_tree->rearrangeObjects();

    GroupsManagedObject* selection = dragged->relatedObject(kParent) ? target : m_tree->myRecipesGroup();
    if (selection)
        emit selectGroupRequested(selection);
    emit regroupPlatefeedsRequested();
    return true;
}

#include "GroupTree.h"

#include "platform/ObjectContext.h"

namespace GroupTree {

QList<ManagedObject*> getSubGroups(ObjectContext* context, const ManagedObject* parent) {
    const QString kPosition = QStringLiteral("position");
    if (parent) {
        QList<ManagedObject*> children = parent->relatedObjects(QStringLiteral("children"));
        std::stable_sort(children.begin(), children.end(), [&](ManagedObject* a, ManagedObject* b) {
            return a->valueForKey(kPosition).toLongLong() < b->valueForKey(kPosition).toLongLong();
        });
        return children;
    }
    static const PredicatePtr topLevel = Predicate::parse(QStringLiteral("parent == nil")).predicate;
    return context->executeFetchRequest(
        FetchRequest(QStringLiteral("Groups"), topLevel, {SortDescriptor{kPosition, true}}));
}

void resortGroups(ObjectContext* context, const ManagedObject* parent) {
    const QString kPosition = QStringLiteral("position");
    int position = 0;
    for (ManagedObject* group : getSubGroups(context, parent)) {
        if (group->valueForKey(kPosition) != QVariant(position))
            group->setValueForKey(position, kPosition);
        position += 10;
    }
}

} // namespace GroupTree

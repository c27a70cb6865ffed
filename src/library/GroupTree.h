#pragma once

#include <QList>

class ManagedObject;
class ObjectContext;

// Order among the siblings of the group tree, by the groups' position.
namespace GroupTree {

// The groups whose parent is parent (none: the top level), by position ascending.
QList<ManagedObject*> getSubGroups(ObjectContext* context, const ManagedObject* parent);

// Renumbers those groups 0, 10, 20, ... in their current order.
void resortGroups(ObjectContext* context, const ManagedObject* parent);

} // namespace GroupTree

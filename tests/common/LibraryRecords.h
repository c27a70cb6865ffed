#pragma once

#include "library/GroupsManagedObject.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"

#include <QStringList>
#include <QVariantMap>

// Records for tests: a recipe or group with a name and other values, and the sorted names
// of the recipes a filter shows.
namespace testsupport {

inline void setValues(ManagedObject* record, const QVariantMap& values) {
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        record->setValueForKey(it.value(), it.key());
}

inline RecipesManagedObject* insertRecipe(ObjectContext* context, const QString& name,
                                          const QVariantMap& values = {}) {
    auto* recipe = dynamic_cast<RecipesManagedObject*>(context->insertNewObject(QStringLiteral("Recipes")));
    recipe->setValueForKey(name, QStringLiteral("name"));
    setValues(recipe, values);
    return recipe;
}

inline GroupsManagedObject* insertGroup(ObjectContext* context, const QString& name,
                                        const QVariantMap& values = {}, ManagedObject* parent = nullptr) {
    auto* group = dynamic_cast<GroupsManagedObject*>(context->insertNewObject(QStringLiteral("Groups")));
    group->setValueForKey(name, QStringLiteral("name"));
    setValues(group, values);
    if (parent)
        group->setRelatedObject(parent, QStringLiteral("parent"));
    return group;
}

inline QStringList recipeNamesMatching(ObjectContext* context, const PredicatePtr& filter) {
    QStringList names;
    for (ManagedObject* recipe :
         context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter)))
        names.append(recipe->stringValue(QStringLiteral("name")));
    names.sort();
    return names;
}

} // namespace testsupport

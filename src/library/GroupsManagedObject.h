#pragma once

#include "platform/ManagedObject.h"
#include "platform/Predicate.h"

#include <functional>

class RecipesManagedObject;

// A node of the sidebar's group tree: a section header, "My Recipes", a plain group (its
// name is the keyword of its members), a smart group (a rule), a grocery list or a
// subscribed platefeed. Each kind answers which recipes it shows.
class GroupsManagedObject : public ManagedObject {
public:
    using ManagedObject::ManagedObject;

    // The localised name of the group of every own-library recipe; never a keyword.
    static QString myRecipesName();
    // The most recipes one grocery list holds.
    static constexpr int kGroceryListLimit = 100;

    void awakeFromInsert() override;

    // False for "My Recipes" and the section headers.
    bool canBeDeleted() const;
    // False for the section headers; "My Recipes" accepts drops.
    bool canAcceptDrop() const;

    // The recipes the group shows.
    PredicatePtr predicate() const;
    // The group's own predicate OR that of any descendant.
    PredicatePtr filterPredicate() const;

    // Adds the recipe's uniqueID to the grocery list (again, if already there) unless the
    // list already holds kGroceryListLimit recipes. Returns whether it was added.
    bool groceryListAddRecipe(const ManagedObject* recipe);
    // Removes every entry of the recipe's uniqueID from the grocery list.
    void groceryListRemoveRecipe(const ManagedObject* recipe);
    // The uniqueIDs on the grocery list, in order.
    QStringList groceryListRecipeIDs() const;

    // In memory only: set on a freshly inserted group so the sidebar selects it.
    bool selectSelfOnInsert() const { return m_selectSelfOnInsert; }
    void setSelectSelfOnInsert(bool select) { m_selectSelfOnInsert = select; }
    // Asks the sidebar to select this group (through its context's selectionRequested);
    // does nothing unless selectSelfOnInsert is set, and nothing for the grocery-list and
    // platefeed headers.
    void selectSelf();

    bool boolValue(const QString& key) const;

private:
    QVariantMap groceryListDict() const;
    void setGroceryListRecipeIDs(QVariantMap dict, const QStringList& ids);

    bool m_selectSelfOnInsert = false;
};

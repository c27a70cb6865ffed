#include "GroupsManagedObject.h"

#include "GroupTree.h"
#include "RecipesManagedObject.h"
#include "SmartGroupTranslation.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/StructuredText.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>

namespace {

const QString kGroceryListDict = QStringLiteral("groceryListDict");
const QString kRecipeArray = QStringLiteral("recipeArray");
const QString kUniqueID = QStringLiteral("uniqueID");

} // namespace

QString GroupsManagedObject::myRecipesName() {
    return QCoreApplication::translate("Library", "My Recipes");
}

bool GroupsManagedObject::boolValue(const QString& key) const {
    return valueForKey(key).toLongLong() == 1;
}

void GroupsManagedObject::awakeFromInsert() {
    setValueForKey(100000, QStringLiteral("position"));
    // Still without a parent, the new group goes to the end of the top level.
    GroupTree::resortGroups(managedObjectContext(), nullptr);
    m_selectSelfOnInsert = true;
    if (UserDefaults::boolForKey(QStringLiteral("askedToImportVersionOneDatabase"))) {
        ObjectContext* context = managedObjectContext();
        const ObjectID id = objectID();
        Scheduler::instance().schedule(
            0.3,
            [context, id] {
                if (auto* group = dynamic_cast<GroupsManagedObject*>(context->objectWithID(id)))
                    group->selectSelf();
            },
            context);
    }
}

bool GroupsManagedObject::canBeDeleted() const {
    for (const char* key :
         {"isLocalLibrary", "isLibraryHeader", "isGroupHeader", "isGroceryListHeader", "isPlatefeedHeader"})
        if (boolValue(QLatin1String(key)))
            return false;
    return true;
}

bool GroupsManagedObject::canAcceptDrop() const {
    for (const char* key : {"isLibraryHeader", "isGroupHeader", "isGroceryListHeader", "isPlatefeedHeader"})
        if (boolValue(QLatin1String(key)))
            return false;
    return true;
}

PredicatePtr GroupsManagedObject::predicate() const {
    if (boolValue(QStringLiteral("isGroceryList"))) {
        const PredicateParseResult onList =
            Predicate::parse(QStringLiteral("uniqueID IN[c] %@"), {QVariant(groceryListRecipeIDs())});
        return Predicate::andPredicate({onList.predicate, RecipesManagedObject::ownLibraryPredicate()});
    }
    if (boolValue(QStringLiteral("isLocalLibrary")))
        return RecipesManagedObject::ownLibraryPredicate();
    if (boolValue(QStringLiteral("isSubscribedPlatefeed"))) {
        // A group whose key is not known yet shows nothing: every text contains the empty one.
        const QString key = stringValue(QStringLiteral("platefeedPredicateKey"));
        if (key.isEmpty())
            return Predicate::parse(QStringLiteral("uniqueID IN %@"), {QVariant(QStringList())}).predicate;
        // Exactly the key: key "12" is not feed "4120"'s.
        return Predicate::parse(QStringLiteral("platefeedPredicateKey == %@"), {QVariant(key)}).predicate;
    }
    if (!boolValue(QStringLiteral("isSmartGroup"))) {
        const PredicateParseResult member =
            Predicate::parse(QStringLiteral("ANY keywordsArray ==[c] %@"),
                             {QVariant(stringValue(QStringLiteral("name")).toLower())});
        return Predicate::andPredicate({member.predicate, RecipesManagedObject::ownLibraryPredicate()});
    }
    QStringList groupNames;
    for (ManagedObject* group :
         managedObjectContext()->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        groupNames.append(group->stringValue(QStringLiteral("name")));
    return Predicate::andPredicate(
        {recipeFilterFromSmartGroupRules(stringValue(QStringLiteral("predicates")), groupNames),
         RecipesManagedObject::ownLibraryPredicate()});
}

PredicatePtr GroupsManagedObject::filterPredicate() const {
    QList<PredicatePtr> filters{predicate()};
    for (ManagedObject* child : relatedObjects(QStringLiteral("children")))
        if (auto* group = dynamic_cast<GroupsManagedObject*>(child))
            filters.append(group->filterPredicate());
    return Predicate::orPredicate(filters);
}

QVariantMap GroupsManagedObject::groceryListDict() const {
    const QVariant parsed = valueFromStructuredText(stringValue(kGroceryListDict));
    return parsed.typeId() == QMetaType::QVariantMap ? parsed.toMap() : QVariantMap();
}

QStringList GroupsManagedObject::groceryListRecipeIDs() const {
    QStringList ids;
    for (const QVariant& entry : groceryListDict().value(kRecipeArray).toList())
        ids.append(entry.toString());
    return ids;
}

void GroupsManagedObject::setGroceryListRecipeIDs(QVariantMap dict, const QStringList& ids) {
    dict.insert(kRecipeArray, ids);
    setValueForKey(structuredTextFromValue(dict), kGroceryListDict);
}

bool GroupsManagedObject::groceryListAddRecipe(const ManagedObject* recipe) {
    const QVariantMap dict = groceryListDict();
    QStringList ids = groceryListRecipeIDs();
    if (ids.size() >= kGroceryListLimit)
        return false;
    ids.append(recipe->stringValue(kUniqueID));
    setGroceryListRecipeIDs(dict, ids);
    return true;
}

void GroupsManagedObject::groceryListRemoveRecipe(const ManagedObject* recipe) {
    QStringList ids = groceryListRecipeIDs();
    ids.removeAll(recipe->stringValue(kUniqueID));
    setGroceryListRecipeIDs(groceryListDict(), ids);
}

void GroupsManagedObject::selectSelf() {
    if (!m_selectSelfOnInsert || boolValue(QStringLiteral("isGroceryListHeader")) ||
        boolValue(QStringLiteral("isPlatefeedHeader")))
        return;
    if (ObjectContext* context = managedObjectContext())
        emit context->selectionRequested(this);
}

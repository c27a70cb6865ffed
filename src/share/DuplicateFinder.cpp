#include "DuplicateFinder.h"

#include "DialogWithProgressbarController.h"

#include "library/IngredientRecords.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"

#include <QSet>

#include <algorithm>

namespace {

QString nameKey(const ManagedObject* recipe) {
    return DuplicateFinder::normalizedText(recipe->stringValue(QStringLiteral("name")));
}

} // namespace

DuplicateFinder::DuplicateFinder(ObjectContext* context, const QList<ManagedObject*>& excluded) {
    if (!context)
        return;
    const QSet<ManagedObject*> left(excluded.cbegin(), excluded.cend());
    const QList<ManagedObject*> recipes = context->executeFetchRequest(
        FetchRequest(QStringLiteral("Recipes"), RecipesManagedObject::ownLibraryPredicate()));
    m_byName.reserve(recipes.size());
    for (ManagedObject* recipe : recipes) {
        if (left.contains(recipe) || recipe->isDeleted())
            continue;
        m_byName.insert(nameKey(recipe), recipe);
        ++m_indexed;
    }
}

QString DuplicateFinder::normalizedText(const QString& text) {
    return text.simplified().toCaseFolded();
}

QString DuplicateFinder::ingredientsKey(const ManagedObject* recipe) {
    QStringList names;
    for (const QVariant& row : IngredientRecords::ingredientsOfRecipe(recipe)) {
        if (IngredientRecords::isGroupTitle(row))
            continue;
        const QString name = normalizedText(IngredientRecords::textForKey(row, QStringLiteral("name")));
        if (!name.isEmpty())
            names.append(name);
    }
    names.sort();
    return names.join(u'\n');
}

ManagedObject* DuplicateFinder::existingCopyOf(const ManagedObject* recipe) const {
    if (!recipe)
        return nullptr;
    const QList<ManagedObject*> candidates = m_byName.values(nameKey(recipe));
    if (candidates.isEmpty())
        return nullptr;
    const QString ingredients = ingredientsKey(recipe);
    // values() lists the latest inserted first: the first indexed of equal recipes wins.
    for (auto it = candidates.crbegin(); it != candidates.crend(); ++it) {
        auto known = m_ingredientKeys.constFind(*it);
        if (known == m_ingredientKeys.cend())
            known = m_ingredientKeys.insert(*it, ingredientsKey(*it));
        if (known.value() == ingredients)
            return *it;
    }
    return nullptr;
}

QString DuplicateFinder::alreadyInLibraryText(int count) {
    return tr("%n of these recipes were already in your library", nullptr, count);
}

QString DuplicateFinder::keepBothTitle() {
    return tr("Keep Both");
}

QString DuplicateFinder::skipDuplicatesTitle() {
    return tr("Skip Duplicates");
}

QList<DuplicateMatch> resolveImportDuplicates(ObjectContext* context, QList<ManagedObject*>& imported,
                                              DuplicatePolicy policy, DialogWithProgressbarController& dialog,
                                              const std::function<void(ManagedObject*)>& remove) {
    QList<DuplicateMatch> matches;
    if (imported.isEmpty())
        return matches;
    const DuplicateFinder finder(context, imported);
    QList<ManagedObject*> copies;
    for (ManagedObject* recipe : std::as_const(imported))
        if (ManagedObject* existing = finder.existingCopyOf(recipe)) {
            copies.append(recipe);
            matches.append({recipe->stringValue(QStringLiteral("uniqueID")),
                            existing->stringValue(QStringLiteral("uniqueID"))});
        }
    if (matches.isEmpty())
        return matches;
    bool skip = policy == DuplicatePolicy::SkipDuplicates;
    if (policy == DuplicatePolicy::Ask) {
        dialog.setHeaderText(DialogWithProgressbarController::finishedImportingText());
        const int answer =
            dialog.ask(DuplicateFinder::alreadyInLibraryText(int(matches.size())),
                       {DuplicateFinder::keepBothTitle(), DuplicateFinder::skipDuplicatesTitle()}, 0);
        skip = answer == 1;
    }
    if (!skip)
        return matches;
    for (ManagedObject* copy : std::as_const(copies)) {
        imported.removeOne(copy);
        remove(copy);
    }
    for (DuplicateMatch& match : matches)
        match.uniqueID.clear();
    return matches;
}

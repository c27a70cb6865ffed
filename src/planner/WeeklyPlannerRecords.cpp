#include "WeeklyPlannerRecords.h"

#include "WeeklyPlannerDates.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"

#include <algorithm>

QString WeeklyPlannerRecords::entityName() {
    return QStringLiteral("WeeklyPlannerDateObjects");
}

void WeeklyPlannerRecords::refresh() {
    if (m_generation == m_context->changeGeneration())
        return;
    m_generation = m_context->changeGeneration();
    m_days.clear();
    m_sortedDays.clear();
    for (ManagedObject* record : m_context->executeFetchRequest(FetchRequest(entityName()))) {
        const std::optional<QDate> day = dateOfRecord(record);
        if (!day || m_days.contains(*day))
            continue;
        m_days.insert(*day, record);
        m_sortedDays.append({*day, record});
    }
    std::sort(m_sortedDays.begin(), m_sortedDays.end(),
              [](const auto& left, const auto& right) { return left.first < right.first; });
}

bool WeeklyPlannerRecords::isSubscribedRecipe(const ManagedObject* recipe) {
    return recipe && !recipe->stringValue(QStringLiteral("platefeedPredicateKey")).isEmpty();
}

ManagedObject* WeeklyPlannerRecords::plannableRecipe(ManagedObject* recipe) {
    if (!recipe || !m_copier || !isSubscribedRecipe(recipe))
        return recipe;
    ManagedObject* copy = m_copier(recipe);
    if (!copy || copy->stringValue(QStringLiteral("uniqueID")).isEmpty())
        return nullptr;
    return copy;
}

void WeeklyPlannerRecords::refreshRecipes() {
    m_recipesGeneration = m_context->changeGeneration();
    m_recipes.clear();
    const QList<ManagedObject*> recipes =
        m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    m_recipes.reserve(recipes.size());
    for (ManagedObject* recipe : recipes) {
        const QString uniqueID = recipe->stringValue(QStringLiteral("uniqueID"));
        if (!uniqueID.isEmpty() && !m_recipes.contains(uniqueID))
            m_recipes.insert(uniqueID, recipe);
    }
}

ManagedObject* WeeklyPlannerRecords::recordForDate(const QDate& date) {
    refresh();
    return m_days.value(date);
}

QList<QPair<QDate, ManagedObject*>> WeeklyPlannerRecords::plannedDates() {
    refresh();
    return m_sortedDays;
}

ManagedObject* WeeklyPlannerRecords::recipeWithUniqueID(const QString& uniqueID) {
    // The lookup is built again only when it may be wrong: a record changed since it was
    // built and the recipe found is deleted or has another uniqueID now, or none was found
    // (it may have been inserted since). Renaming recipes, the usual change, keeps it.
    auto current = [this, &uniqueID]() -> ManagedObject* {
        ManagedObject* recipe = m_recipes.value(uniqueID);
        if (recipe && !recipe->isDeleted() && recipe->stringValue(QStringLiteral("uniqueID")) == uniqueID)
            return recipe;
        return nullptr;
    };
    if (m_recipesGeneration == ~quint64(0))
        refreshRecipes();
    if (ManagedObject* recipe = current())
        return recipe;
    if (m_recipesGeneration == m_context->changeGeneration())
        return nullptr;
    refreshRecipes();
    return current();
}

std::optional<QDate> WeeklyPlannerRecords::dateOfRecord(const ManagedObject* record) {
    if (std::optional<QDate> day =
            plannerdates::dateFromDateString(record->stringValue(QStringLiteral("dateString"))))
        return day;
    const QDateTime stored = record->valueForKey(QStringLiteral("date")).toDateTime();
    if (stored.isValid())
        return stored.toLocalTime().date();
    return std::nullopt;
}

std::optional<QList<PlannedRecipe>> WeeklyPlannerRecords::recipesOfRecord(const ManagedObject* record) {
    const QVariant stored = record->valueForKey(QStringLiteral("recipeArray"));
    if (stored.isNull() || stored.toString().trimmed().isEmpty())
        return QList<PlannedRecipe>();
    const QVariant parsed = valueFromStructuredText(stored.toString());
    if (parsed.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<PlannedRecipe> recipes;
    for (const QVariant& entry : parsed.toList()) {
        if (entry.typeId() != QMetaType::QVariantList)
            return std::nullopt;
        const QVariantList pair = entry.toList();
        if (pair.size() != 2 || pair.at(0).typeId() != QMetaType::QString ||
            pair.at(1).typeId() != QMetaType::QString)
            return std::nullopt;
        recipes.append({pair.at(0).toString(), pair.at(1).toString()});
    }
    return recipes;
}

QString WeeklyPlannerRecords::recipeArrayText(const QList<PlannedRecipe>& recipes) {
    QVariantList pairs;
    pairs.reserve(recipes.size());
    for (const PlannedRecipe& recipe : recipes)
        pairs.append(QVariant(QVariantList{recipe.name, recipe.uniqueID}));
    return structuredTextFromValue(pairs);
}

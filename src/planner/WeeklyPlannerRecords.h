#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ManagedObject;
class ObjectContext;

// One recipe on a planner day: the name it showed when it was planned and its uniqueID.
struct PlannedRecipe {
    QString name;
    QString uniqueID;
    bool operator==(const PlannedRecipe& other) const = default;
};

// The stored planner days (records of "WeeklyPlannerDateObjects") of one library and the
// library's recipes by uniqueID, as the day columns and the command line look them up.
// Both lookups are built from the records once and kept while they hold, so paging
// through weeks does not fetch the library again.
class WeeklyPlannerRecords {
public:
    static constexpr int kMaximumRecipesPerDay = 100;
    static QString entityName(); // "WeeklyPlannerDateObjects"

    explicit WeeklyPlannerRecords(ObjectContext* context) : m_context(context) {}
    ObjectContext* context() const { return m_context; }

    // The record of a day, or nullptr. Of two records of one day the first fetched counts.
    ManagedObject* recordForDate(const QDate& date);
    // The days that have a record, ascending, with their records.
    QList<QPair<QDate, ManagedObject*>> plannedDates();
    // The recipe of a uniqueID, or nullptr.
    ManagedObject* recipeWithUniqueID(const QString& uniqueID);

    // A recipe of a subscribed platefeed (it carries a platefeedPredicateKey) can be replaced
    // or removed by the next check of its platefeed, so a day keeps a linked copy of the
    // library's own instead. The platefeed subsystem makes that copy; whoever wires the
    // application sets it here. It answers the copy, or nullptr when none could be made.
    using SubscribedRecipeCopier = std::function<ManagedObject*(ManagedObject*)>;
    void setSubscribedRecipeCopier(SubscribedRecipeCopier copier) { m_copier = std::move(copier); }
    static bool isSubscribedRecipe(const ManagedObject* recipe);
    // The recipe a day can keep for recipe: recipe itself, or for a subscribed one its new
    // linked copy; nullptr when a subscribed recipe could not be copied. Without a copier a
    // subscribed recipe is kept as it is.
    ManagedObject* plannableRecipe(ManagedObject* recipe);

    // The day a record stands for: its date string read back, else its `date`.
    static std::optional<QDate> dateOfRecord(const ManagedObject* record);
    // The record's recipes; std::nullopt when `recipeArray` holds text that is not a list of
    // [name, uniqueID] pairs (such a text is kept as it is until the user changes the day).
    // An absent `recipeArray` is an empty list.
    static std::optional<QList<PlannedRecipe>> recipesOfRecord(const ManagedObject* record);
    // The structured text of the pairs, as `recipeArray` holds it.
    static QString recipeArrayText(const QList<PlannedRecipe>& recipes);

private:
    void refresh();
    void refreshRecipes();

    ObjectContext* m_context;
    quint64 m_generation = ~quint64(0);
    QHash<QDate, ManagedObject*> m_days;
    QList<QPair<QDate, ManagedObject*>> m_sortedDays;
    quint64 m_recipesGeneration = ~quint64(0);
    QHash<QString, ManagedObject*> m_recipes;
    SubscribedRecipeCopier m_copier;
};

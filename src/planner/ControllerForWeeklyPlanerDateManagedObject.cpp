#include "ControllerForWeeklyPlanerDateManagedObject.h"

#include "WeeklyPlannerDates.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"

#include <QDebug>
#include <QHash>
#include <QSet>

#include <algorithm>

ControllerForWeeklyPlanerDateManagedObject::ControllerForWeeklyPlanerDateManagedObject(
    WeeklyPlannerRecords* records, QObject* parent)
    : QObject(parent), m_records(records) {}

QString ControllerForWeeklyPlanerDateManagedObject::fullDayMessage() {
    return tr("Only 100 recipes per day are allowed.");
}

QString ControllerForWeeklyPlanerDateManagedObject::fullDayInformativeText() {
    return tr("This is to prevent poor system performance.");
}

void ControllerForWeeklyPlanerDateManagedObject::setDate(const QDate& date) {
    m_date = date;
    m_dateString = plannerdates::dateStringForDate(date);
    m_managedObject = m_records->recordForDate(date);
}

void ControllerForWeeklyPlanerDateManagedObject::createDate() {
    if (m_managedObject && !m_managedObject->isDeleted())
        return;
    m_managedObject = m_records->context()->insertNewObject(WeeklyPlannerRecords::entityName());
    m_managedObject->setValueForKey(m_dateString, QStringLiteral("dateString"));
    m_managedObject->setValueForKey(plannerdates::localMidnight(m_date), QStringLiteral("date"));
}

void ControllerForWeeklyPlanerDateManagedObject::deleteManagedObject() {
    if (!m_managedObject || m_managedObject->isDeleted())
        return;
    if (!m_managedObject->valueForKey(QStringLiteral("note")).isNull() ||
        !m_managedObject->valueForKey(QStringLiteral("recipeArray")).isNull())
        return;
    m_records->context()->deleteObject(m_managedObject);
    m_managedObject = nullptr;
}

QString ControllerForWeeklyPlanerDateManagedObject::note() const {
    if (!m_managedObject || m_managedObject->isDeleted())
        return QString();
    return m_managedObject->valueForKey(QStringLiteral("note")).toString();
}

void ControllerForWeeklyPlanerDateManagedObject::setNote(const QString& note) {
    if (note.isEmpty()) {
        deleteNote();
        return;
    }
    createDate();
    m_managedObject->setValueForKey(note, QStringLiteral("note"));
    emit dayChanged();
}

void ControllerForWeeklyPlanerDateManagedObject::deleteNote() {
    if (!m_managedObject || m_managedObject->isDeleted())
        return;
    m_managedObject->setValueForKey(QVariant(), QStringLiteral("note"));
    deleteManagedObject();
    emit dayChanged();
}

bool ControllerForWeeklyPlanerDateManagedObject::recipesAreReadable() const {
    if (!m_managedObject || m_managedObject->isDeleted())
        return true;
    return WeeklyPlannerRecords::recipesOfRecord(m_managedObject).has_value();
}

QList<PlannedRecipe> ControllerForWeeklyPlanerDateManagedObject::storedRecipes() const {
    if (!m_managedObject || m_managedObject->isDeleted())
        return {};
    return WeeklyPlannerRecords::recipesOfRecord(m_managedObject).value_or(QList<PlannedRecipe>());
}

QList<PlannedRecipe> ControllerForWeeklyPlanerDateManagedObject::validateItems(bool writeBack) {
    if (!m_managedObject || m_managedObject->isDeleted())
        return {};
    const std::optional<QList<PlannedRecipe>> stored = WeeklyPlannerRecords::recipesOfRecord(m_managedObject);
    if (!stored)
        return {};
    QList<PlannedRecipe> current;
    current.reserve(stored->size());
    for (const PlannedRecipe& row : *stored) {
        const ManagedObject* recipe = m_records->recipeWithUniqueID(row.uniqueID);
        if (!recipe)
            continue; // the recipe was deleted from the library
        QString name = recipe->stringValue(QStringLiteral("name"));
        if (name.isEmpty())
            name = QStringLiteral("----");
        current.append({name, row.uniqueID});
    }
    if (writeBack && current != *stored)
        storeRecipes(current);
    return current;
}

void ControllerForWeeklyPlanerDateManagedObject::storeRecipes(const QList<PlannedRecipe>& recipes) {
    if (recipes.isEmpty()) {
        if (m_managedObject && !m_managedObject->isDeleted()) {
            m_managedObject->setValueForKey(QVariant(), QStringLiteral("recipeArray"));
            deleteManagedObject();
        }
    } else {
        createDate();
        m_managedObject->setValueForKey(WeeklyPlannerRecords::recipeArrayText(recipes),
                                        QStringLiteral("recipeArray"));
    }
    emit dayChanged();
}

ControllerForWeeklyPlanerDateManagedObject::DropResult
ControllerForWeeklyPlanerDateManagedObject::dropRecipes(const QStringList& uniqueIDs, int row,
                                                        Alerts* alerts) {
    DropResult result;
    QList<PlannedRecipe> rows = validateItems(false);
    QSet<QString> present;
    for (const PlannedRecipe& planned : std::as_const(rows))
        present.insert(planned.uniqueID);
    int insertAt = row < 0 || row > rows.size() ? int(rows.size()) : row;
    QHash<QString, QString> copies; // a subscribed recipe named twice is copied once
    for (const QString& uniqueID : uniqueIDs) {
        ManagedObject* recipe = m_records->recipeWithUniqueID(uniqueID);
        if (!recipe)
            continue;
        if (present.contains(copies.value(uniqueID, uniqueID))) {
            result.onDay.append(uniqueID);
            continue;
        }
        if (rows.size() >= WeeklyPlannerRecords::kMaximumRecipesPerDay) {
            result.dayFull = true;
            continue;
        }
        // Only a recipe that goes onto the day is copied: a full day copies nothing.
        ManagedObject* kept = m_records->plannableRecipe(recipe);
        if (!kept) {
            qWarning().noquote() << "a recipe of a subscribed platefeed was left out of the planner day"
                                 << m_dateString << "(no local copy could be made):" << uniqueID;
            continue;
        }
        const QString keptID = kept->stringValue(QStringLiteral("uniqueID"));
        copies.insert(uniqueID, keptID);
        QString name = kept->stringValue(QStringLiteral("name"));
        if (name.isEmpty())
            name = QStringLiteral("----");
        rows.insert(insertAt++, {name, keptID});
        present.insert(keptID);
        result.onDay.append(uniqueID);
        ++result.inserted;
    }
    // An unreadable list is replaced only when the drop adds something.
    if (result.inserted > 0)
        storeRecipes(rows);
    if (result.dayFull && alerts)
        alerts->ask(fullDayMessage(), fullDayInformativeText(), {tr("OK")});
    return result;
}

void ControllerForWeeklyPlanerDateManagedObject::deleteItems(const QList<int>& rows) {
    if (!recipesAreReadable())
        return;
    QList<PlannedRecipe> current = validateItems(false);
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    bool removed = false;
    for (int index : std::as_const(sorted)) {
        if (index >= 0 && index < current.size()) {
            current.removeAt(index);
            removed = true;
        }
    }
    if (removed)
        storeRecipes(current);
}

void ControllerForWeeklyPlanerDateManagedObject::removeRecipes(const QStringList& uniqueIDs) {
    const QList<PlannedRecipe> current = validateItems(false);
    QList<int> rows;
    for (int index = 0; index < current.size(); ++index)
        if (uniqueIDs.contains(current.at(index).uniqueID))
            rows.append(index);
    deleteItems(rows);
}

QList<int> ControllerForWeeklyPlanerDateManagedObject::moveRows(const QList<int>& rows, int row) {
    QList<PlannedRecipe> current = validateItems(false);
    if (!recipesAreReadable() || current.isEmpty())
        return {};
    QList<int> sorted;
    for (int index : rows)
        if (index >= 0 && index < current.size() && !sorted.contains(index))
            sorted.append(index);
    std::sort(sorted.begin(), sorted.end());
    if (sorted.isEmpty())
        return {};
    int target = std::clamp(row < 0 ? int(current.size()) : row, 0, int(current.size()));
    QList<PlannedRecipe> moving;
    for (int i = int(sorted.size()) - 1; i >= 0; --i) {
        const int index = sorted.at(i);
        moving.prepend(current.takeAt(index));
        if (index < target)
            --target;
    }
    QList<int> placed;
    for (int i = 0; i < moving.size(); ++i) {
        current.insert(target + i, moving.at(i));
        placed.append(target + i);
    }
    storeRecipes(current);
    return placed;
}

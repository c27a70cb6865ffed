#pragma once

#include "WeeklyPlannerRecords.h"

#include <QDate>
#include <QObject>
#include <QPointer>

class Alerts;
class ManagedObject;

// One planner day: finds the stored record of its date, creates it on the first recipe or
// note and deletes it once it holds neither. It also does what a day column does to the
// day's recipes (drop, remove, reorder, validate), so the panel and the command line
// change days the same way.
class ControllerForWeeklyPlanerDateManagedObject : public QObject {
    Q_OBJECT
public:
    explicit ControllerForWeeklyPlanerDateManagedObject(WeeklyPlannerRecords* records,
                                                        QObject* parent = nullptr);

    // Looks up the record of date (none: managedObject() is null until createDate()).
    void setDate(const QDate& date);
    QDate date() const { return m_date; }
    QString dateString() const { return m_dateString; }
    ManagedObject* managedObject() const { return m_managedObject; }
    WeeklyPlannerRecords* records() const { return m_records; }

    // Inserts the day's record when there is none.
    void createDate();
    // Deletes the record when it has neither a note nor recipes.
    void deleteManagedObject();

    // The note, or a null text.
    QString note() const;
    // Stores a note (creating the record); an empty text deletes it.
    void setNote(const QString& note);
    // Clears the note and deletes the record when it has no recipes either.
    void deleteNote();

    // False when the stored recipe list cannot be read: the day shows no recipes and its
    // text stays as it is until the user changes the day.
    bool recipesAreReadable() const;
    // The day's recipes as stored (empty when unreadable).
    QList<PlannedRecipe> storedRecipes() const;
    // The day's recipes with their current names ("----" for an empty one), without those
    // whose recipe is no longer in the library. With writeBack the cleaned list is stored
    // when it differs (never over an unreadable text); returns the list.
    QList<PlannedRecipe> validateItems(bool writeBack);

    struct DropResult {
        // The dropped uniqueIDs that are on the day now (new or already there); a recipe of
        // a subscribed platefeed is there as its linked copy.
        QStringList onDay;
        int inserted = 0;     // rows added
        bool dayFull = false; // recipes were skipped because the day holds the maximum
    };
    // Puts the recipes of uniqueIDs (in that order) at row (-1: the end), each below the
    // previous, skipping those already on the day and unknown ones; creates the record.
    // A recipe of a subscribed platefeed is replaced by a linked copy first (the records'
    // copier); one that cannot be copied is left out.
    // A day full at the maximum takes no more; alerts, when given, is told so once.
    DropResult dropRecipes(const QStringList& uniqueIDs, int row, Alerts* alerts);
    // Removes the rows (indexes into validateItems' list); the record goes when the day
    // is left with neither recipes nor a note.
    void deleteItems(const QList<int>& rows);
    // Removes the rows whose uniqueID is one of uniqueIDs.
    void removeRecipes(const QStringList& uniqueIDs);
    // Moves the rows to row (an insertion row before the move), keeping their order;
    // returns the rows they occupy afterwards.
    QList<int> moveRows(const QList<int>& rows, int row);

    static QString fullDayMessage();
    static QString fullDayInformativeText();

signals:
    // The day's record, note or recipes changed.
    void dayChanged();

private:
    void storeRecipes(const QList<PlannedRecipe>& recipes);

    WeeklyPlannerRecords* m_records;
    QDate m_date;
    QString m_dateString;
    ManagedObject* m_managedObject = nullptr;
};

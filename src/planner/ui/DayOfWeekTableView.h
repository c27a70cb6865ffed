#pragma once

#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"

#include <QDate>
#include <QListWidget>
#include <QPointer>

#include <functional>

class Alerts;
class QMimeData;

// One day column of the weekly planner: the day's recipes by name. Recipes dropped from
// the recipe list or another day are added; a drag from another day without a modifier
// key moves the recipes, with one it copies them; rows dragged within the day are
// reordered; Delete removes the selected rows. Selecting rows asks for those recipes to be
// selected in the main list.
class DayOfWeekTableView : public QListWidget {
    Q_OBJECT
public:
    // The drag types: the rows of a day ("selfRowIndexes") and, with them, the day they
    // come from, so a drop on another day can take them away there.
    static QString selfRowIndexesType();
    static QString sourceDayType();

    explicit DayOfWeekTableView(QWidget* parent = nullptr);

    void setManagedObjectController(ControllerForWeeklyPlanerDateManagedObject* controller);
    ControllerForWeeklyPlanerDateManagedObject* managedObjectController() const { return m_controller; }
    void setAlerts(Alerts* alerts) { m_alerts = alerts; }
    // How a drop finds the day a dragged row comes from.
    void setDayLookup(std::function<DayOfWeekTableView*(const QDate&)> lookup) {
        m_lookup = std::move(lookup);
    }

    // Reloads the rows, with the recipes' current names; rows of deleted recipes go.
    void validateItems();
    // Removes the selected rows (the Delete key).
    void deleteItems();
    // What a drag of rows carries: the row indexes, the day, and the recipes' uniqueIDs.
    QMimeData* mimeDataForRows(const QList<int>& rows) const;
    // Performs a drop at row (-1: the end). A drag from another day moves its rows unless
    // a modifier key is held. Returns whether the drop was taken.
    bool acceptDrop(const QMimeData* payload, int row, Qt::KeyboardModifiers modifiers);
    // Highlights the column for a moment (the day chosen in the planned-dates list).
    void flashTableBackground();
    bool isFlashing() const { return m_flashing; }

signals:
    // Recipes (by uniqueID) selected in the day.
    void recipesSelected(const QStringList& uniqueIDs);
    // The day's recipes changed through this column.
    void dayChanged();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool takesData(const QMimeData* payload) const;
    int dropRow(const QPoint& position) const;
    QDate sourceDay(const QMimeData* payload) const;

    QPointer<ControllerForWeeklyPlanerDateManagedObject> m_controller;
    Alerts* m_alerts = nullptr;
    std::function<DayOfWeekTableView*(const QDate&)> m_lookup;
    bool m_flashing = false;
    bool m_reloading = false;
};

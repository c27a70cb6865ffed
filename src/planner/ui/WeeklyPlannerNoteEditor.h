#pragma once

#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"

#include <QDialog>
#include <QPointer>

class QTextEdit;

// The window that edits one day's note: "Note for <date>", the note in a large hand-like
// font, Save and Cancel. Saving stores the note (creating the day's record) and closes.
class WeeklyPlannerNoteEditor : public QDialog {
    Q_OBJECT
public:
    explicit WeeklyPlannerNoteEditor(QWidget* parent = nullptr);

    // The day whose note is edited; the editor owns the controller it is given.
    void setManagedObjectController(ControllerForWeeklyPlanerDateManagedObject* controller);
    ControllerForWeeklyPlanerDateManagedObject* managedObjectController() const { return m_controller; }
    QTextEdit* textView() const { return m_text; }
    void save();

signals:
    void noteSaved();

private:
    QPointer<ControllerForWeeklyPlanerDateManagedObject> m_controller;
    QTextEdit* m_text;
};

#pragma once

#include <QMenu>

// The pop-up menu of a day's title: edit or delete the day's note, and print the day
// (disabled: printing is not part of this version yet).
class MenuForWeekDayButtons : public QMenu {
    Q_OBJECT
public:
    explicit MenuForWeekDayButtons(bool hasNote, QWidget* parent = nullptr);

    QAction* editNoteAction() const { return m_edit; }
    QAction* deleteNoteAction() const { return m_delete; }
    QAction* printAction() const { return m_print; }

signals:
    void editNote();
    void deleteNote();

private:
    QAction* m_edit;
    QAction* m_delete;
    QAction* m_print;
};

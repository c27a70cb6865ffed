#pragma once

#include <QMenu>

// The pop-up menu of a day's title: edit or delete the day's note, and print the day's
// recipes (enabled when the day has some and printing is offered).
class MenuForWeekDayButtons : public QMenu {
    Q_OBJECT
public:
    explicit MenuForWeekDayButtons(bool hasNote, bool canPrint = false, QWidget* parent = nullptr);

    QAction* editNoteAction() const { return m_edit; }
    QAction* deleteNoteAction() const { return m_delete; }
    QAction* printAction() const { return m_print; }

signals:
    void editNote();
    void deleteNote();
    void printDay();

private:
    QAction* m_edit;
    QAction* m_delete;
    QAction* m_print;
};

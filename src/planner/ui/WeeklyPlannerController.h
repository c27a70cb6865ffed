#pragma once

#include "planner/WeeklyPlannerRecords.h"

#include <QDate>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class CalendarListTableView;
class ControllerForWeeklyPlanerDateManagedObject;
class DayOfWeekTableView;
class LibrarySession;
class ManagedObject;
class MenuForWeekDayButtons;
class QDateEdit;
class QDockWidget;
class QLabel;
class QMainWindow;
class QToolButton;
class WeeklyPlannerNoteEditor;

// The weekly planner panel ("WeeklyPlanner"): seven day columns from Sunday to Saturday
// for the week weekOffset weeks from the current one, the month, buttons for the previous,
// current and next week, a date picker and the list of planned dates. It docks under the
// main window's content; whether it is open is kept in the `weeklyPlannerPulledDown`
// user default.
class WeeklyPlannerController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLongTitleWidth = 1170; // wider main windows get long day titles

    explicit WeeklyPlannerController(LibrarySession* session, QWidget* parent = nullptr);
    ~WeeklyPlannerController() override;

    int weekOffset() const { return m_weekOffset; }
    void setWeekOffset(int offset);
    // The shown week's days, Sunday first.
    const QList<QDate>& weekDates() const { return m_week; }

    // Computes the week and fills the columns, titles, month and planned dates.
    void caculateDates();
    // The same a moment later (once for several requests).
    void fireCaculateDates();
    // 0: the previous week, 1: the current week (today's column flashes), 2: the next.
    void weekSelectoinButtons(int segment);
    // Shows the week holding date; with highlightTableView its column flashes.
    void selectWeekOfDay(const QDate& date, bool highlightTableView);
    // What choosing a date in the date picker does: the nearest planned date is selected
    // and, 0.1 s later, its week is shown with the day flashing.
    void datePicked(const QDate& date);

    // The day pop-up menu of day tag (1 Sunday to 7 Saturday), shown under its title.
    void weekdayButtonMenu(int tag);
    MenuForWeekDayButtons* makeWeekdayMenu(int tag); // owned by the caller
    // The note editor of day tag: the open one of that date, else a new one.
    WeeklyPlannerNoteEditor* editNote(int tag);
    void deleteNote(int tag);
    WeeklyPlannerNoteEditor* openNoteEditor(const QDate& date) const;

    DayOfWeekTableView* dayTable(int tag) const { return m_tables.at(tag - 1); }
    ControllerForWeeklyPlanerDateManagedObject* dayController(int tag) const { return m_days.at(tag - 1); }
    QToolButton* dayTitle(int tag) const { return m_titles.at(tag - 1); }
    QLabel* dayNote(int tag) const { return m_notes.at(tag - 1); }
    QLabel* monthField() const { return m_month; }
    QDateEdit* datePicker() const { return m_datePicker; }
    CalendarListTableView* calendarList() const { return m_calendar; }
    QToolButton* weekButton(int segment) const { return m_weekButtons.at(segment); }
    WeeklyPlannerRecords& records() { return m_records; }

    // Recipes of a subscribed platefeed dropped on a day become linked copies through this.
    void setSubscribedRecipeCopier(WeeklyPlannerRecords::SubscribedRecipeCopier copier) {
        m_records.setSubscribedRecipeCopier(std::move(copier));
    }
    // Recipes selected in a day go to the main list through this.
    void setRecipeSelector(std::function<void(const QList<ManagedObject*>&)> selector) {
        m_recipeSelector = std::move(selector);
    }
    // A day's Print... hands its recipes, in the day's order, to this (none: not offered).
    void setDayPrinter(std::function<void(const QList<ManagedObject*>&)> printer) {
        m_dayPrinter = std::move(printer);
    }
    // The recipes of the day of tag that are still in the library, in the day's order.
    QList<ManagedObject*> recipesOfDay(int tag);

    // The panel in the main window: docked under its content, the window growing by the
    // panel's height (as far as the screen's available area allows) and shrinking back.
    void setMainWindow(QMainWindow* window);
    void toggleWeeklyPlanner();
    void openPlanner();
    void closePlanner();
    bool isPlannerOpen() const;
    // The panel's height for a screen's available height.
    static int panelHeightForAvailableHeight(int availableHeight);

signals:
    void plannerToggled(bool open);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildPanel();
    DayOfWeekTableView* tableForDate(const QDate& date) const;
    void updateTitles();
    void selectRecipes(const QStringList& uniqueIDs);

    LibrarySession* m_session;
    WeeklyPlannerRecords m_records;
    int m_weekOffset = 0;
    QList<QDate> m_week;
    std::array<ControllerForWeeklyPlanerDateManagedObject*, 7> m_days{};
    std::array<DayOfWeekTableView*, 7> m_tables{};
    std::array<QToolButton*, 7> m_titles{};
    std::array<QLabel*, 7> m_notes{};
    std::array<QToolButton*, 3> m_weekButtons{};
    QLabel* m_month = nullptr;
    QDateEdit* m_datePicker = nullptr;
    CalendarListTableView* m_calendar = nullptr;
    QHash<QDate, QPointer<WeeklyPlannerNoteEditor>> m_editors;
    std::function<void(const QList<ManagedObject*>&)> m_recipeSelector;
    std::function<void(const QList<ManagedObject*>&)> m_dayPrinter;
    QPointer<QMainWindow> m_window;
    QDockWidget* m_dock = nullptr;
    int m_grownBy = 0;
    int m_pendingCalculation = 0;
    int m_pendingPick = 0;
    bool m_longTitles = true;
    bool m_open = false;
};

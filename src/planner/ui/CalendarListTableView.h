#pragma once

#include <QDate>
#include <QListWidget>

class WeeklyPlannerRecords;

// The list of planned dates, ascending, each with its note as tooltip. Choosing a row
// asks for that date's week.
class CalendarListTableView : public QListWidget {
    Q_OBJECT
public:
    explicit CalendarListTableView(QWidget* parent = nullptr);

    // Refills the list from the stored days, keeping the selected date when it is still
    // planned.
    void reload(WeeklyPlannerRecords& records);
    // Selects the planned date nearest to date (without asking for its week).
    void selectDateClosestToDate(const QDate& date);
    QDate dateAtRow(int row) const;

signals:
    void dateChosen(const QDate& date);

private:
    QList<QPair<QDate, QString>> m_shown; // the dates and notes listed
};

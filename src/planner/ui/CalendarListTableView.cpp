#include "CalendarListTableView.h"

#include "planner/WeeklyPlannerRecords.h"
#include "platform/ManagedObject.h"

#include <QLocale>
#include <QSignalBlocker>

#include <cstdlib>

CalendarListTableView::CalendarListTableView(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("CalendarListTableView"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit dateChosen(item->data(Qt::UserRole).toDate()); });
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (signalsBlocked() || row < 0)
            return;
        emit dateChosen(dateAtRow(row));
    });
}

void CalendarListTableView::reload(WeeklyPlannerRecords& records) {
    const QList<QPair<QDate, ManagedObject*>> planned = records.plannedDates();
    QList<QPair<QDate, QString>> shown;
    shown.reserve(planned.size());
    for (const auto& [date, record] : planned)
        shown.append({date, record->stringValue(QStringLiteral("note"))});
    // Paging through weeks leaves the list as it is: it is rebuilt only when it changed.
    if (shown == m_shown)
        return;
    m_shown = shown;
    const QSignalBlocker blocker(this);
    const QDate selected = currentItem() ? currentItem()->data(Qt::UserRole).toDate() : QDate();
    clear();
    const QLocale locale;
    for (const auto& [date, note] : std::as_const(m_shown)) {
        auto* item = new QListWidgetItem(locale.toString(date, QLocale::ShortFormat), this);
        item->setData(Qt::UserRole, date);
        item->setToolTip(note);
        if (date == selected)
            setCurrentItem(item);
    }
}

QDate CalendarListTableView::dateAtRow(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(Qt::UserRole).toDate() : QDate();
}

void CalendarListTableView::selectDateClosestToDate(const QDate& date) {
    const QSignalBlocker blocker(this);
    int best = -1;
    qint64 bestDistance = 0;
    for (int row = 0; row < count(); ++row) {
        const qint64 distance = std::llabs(dateAtRow(row).daysTo(date));
        if (best < 0 || distance < bestDistance) {
            best = row;
            bestDistance = distance;
        }
    }
    setCurrentRow(best);
}

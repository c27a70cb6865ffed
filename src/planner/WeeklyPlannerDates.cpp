#include "WeeklyPlannerDates.h"

#include "platform/Scheduler.h"

#include <QLocale>
#include <QRegularExpression>

namespace plannerdates {

namespace {

QString paddedDay(const QDate& date) {
    return QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char(' '));
}

// The month (1-12) whose abbreviation in locale is name, or 0.
int monthForAbbreviation(const QLocale& locale, const QString& name) {
    for (int month = 1; month <= 12; ++month) {
        if (name.compare(locale.monthName(month, QLocale::ShortFormat), Qt::CaseInsensitive) == 0 ||
            name.compare(locale.standaloneMonthName(month, QLocale::ShortFormat), Qt::CaseInsensitive) == 0)
            return month;
    }
    return 0;
}

} // namespace

QDate today() {
    return Scheduler::instance().now().toLocalTime().date();
}

int weekdayNumber(const QDate& date) {
    return date.dayOfWeek() % 7 + 1; // Qt counts Monday 1 to Sunday 7
}

QList<QDate> weekDates(const QDate& todayDate, int weekOffset) {
    QList<QDate> days;
    const int w = weekdayNumber(todayDate);
    for (int k = 1; k <= 7; ++k)
        days.append(todayDate.addDays(qint64(weekOffset) * 7 + k - w));
    return days;
}

int weekOffsetForDate(const QDate& date, const QDate& todayDate) {
    const QDate sunday = date.addDays(1 - weekdayNumber(date));
    const QDate currentSunday = todayDate.addDays(1 - weekdayNumber(todayDate));
    // Both are Sundays: their distance is a whole number of weeks.
    return static_cast<int>(currentSunday.daysTo(sunday) / 7);
}

QDateTime localMidnight(const QDate& date) {
    QDateTime midnight(date, QTime(0, 0), Qt::LocalTime);
    if (!midnight.isValid()) // midnight skipped by a clock change: the day's first moment
        midnight = QDateTime(date, QTime(1, 0), Qt::LocalTime);
    return midnight;
}

QString dateStringForDate(const QDate& date) {
    const QLocale english = QLocale::c();
    return english.monthName(date.month(), QLocale::ShortFormat) + QLatin1Char(' ') + paddedDay(date) +
           QLatin1Char(' ') + QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0'));
}

std::optional<QDate> dateFromDateString(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(\S+?)\.?\s+(\d{1,2})\s+(\d{2})\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString monthName = match.captured(1);
    int month = monthForAbbreviation(QLocale::c(), monthName);
    if (month == 0)
        month = monthForAbbreviation(QLocale(), monthName);
    if (month == 0) {
        // The abbreviation may have been written with a trailing dot ("déc.").
        const QString dotted = monthName + QLatin1Char('.');
        month = monthForAbbreviation(QLocale(), dotted);
    }
    if (month == 0)
        return std::nullopt;
    const int twoDigitYear = match.captured(3).toInt();
    const int year = twoDigitYear >= 69 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
    const QDate date(year, month, match.captured(2).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString monthTitle(const QDate& sunday) {
    return QLocale().standaloneMonthName(sunday.month(), QLocale::LongFormat) + QLatin1Char(' ') +
           QString::number(sunday.year());
}

QString dayTitle(const QDate& date, bool longForm) {
    const QLocale locale;
    const QString weekday =
        locale.dayName(date.dayOfWeek(), longForm ? QLocale::LongFormat : QLocale::ShortFormat);
    return weekday + QStringLiteral(", ") + locale.monthName(date.month(), QLocale::ShortFormat) +
           QLatin1Char(' ') + paddedDay(date);
}

QString noteDate(const QDate& date) {
    return QLocale().monthName(date.month(), QLocale::LongFormat) + QLatin1Char(' ') + paddedDay(date) +
           QLatin1Char(' ') + QString::number(date.year());
}

} // namespace plannerdates

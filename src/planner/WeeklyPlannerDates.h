#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The planner's calendar: Gregorian weeks from Sunday to Saturday, days at local midnight,
// and the "%b %e %y" key under which a day's record is stored. Days are calendar dates
// (QDate), so a daylight-saving change or a year end never shifts a week by an hour or a
// day; a QDateTime is made only where a stored `date` needs one.
namespace plannerdates {

// Today's date from the scheduler's clock (which tests set by hand).
QDate today();

// The planner's weekday number: Sunday 1 to Saturday 7.
int weekdayNumber(const QDate& date);

// The seven days, Sunday first, of the week weekOffset weeks from the one holding today.
QList<QDate> weekDates(const QDate& today, int weekOffset);

// The weekOffset that shows date's week when today is today (whole weeks, signed).
int weekOffsetForDate(const QDate& date, const QDate& today);

// The day at 00:00 local time (the first moment of the day where midnight is skipped).
QDateTime localMidnight(const QDate& date);

// "Dec  7 26": English month abbreviation, day padded with a space to two places,
// two-digit year; the same text in every language, so a record is found again whatever
// language the program runs in.
QString dateStringForDate(const QDate& date);

// Reads a stored date string: the English form first, then month abbreviations of the
// program's language, so records written while another language was active are still
// found. Two-digit years 69-99 are 1969-1999, 00-68 are 2000-2068.
std::optional<QDate> dateFromDateString(const QString& text);

// The month field: the Sunday's month and year ("December 2026"), in the user's language.
QString monthTitle(const QDate& sunday);
// A day title: "Monday, Dec  7" (longForm) or "Mon, Dec  7", in the user's language.
QString dayTitle(const QDate& date, bool longForm);
// The note editor's date: "December  7 2026".
QString noteDate(const QDate& date);

} // namespace plannerdates

// The planner's calendar: weeks from Sunday to Saturday, week offsets and the stored
// date key, across year ends, daylight-saving changes and languages.
#include "PlannerSupport.h"
#include "planner/WeeklyPlannerDates.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

using testsupport::LocaleScope;
using testsupport::TimeZoneScope;

namespace {

struct WeekCase {
    const char* today;
    int offset;
    const char* sunday;
    const char* saturday;
};

TEST(WeeklyPlannerDates, WeekRunsFromSundayToSaturday) {
    const WeekCase cases[] = {
        {"2026-12-09", 0, "2026-12-06", "2026-12-12"},  // a Wednesday: previous Sunday to coming Saturday
        {"2026-12-09", -1, "2026-11-29", "2026-12-05"}, // the week before
        {"2026-12-06", 0, "2026-12-06", "2026-12-12"},  // today a Sunday
        {"2026-12-12", 0, "2026-12-06", "2026-12-12"},  // today a Saturday
        {"2026-12-31", 0, "2026-12-27", "2027-01-02"},  // across the year end
        {"2026-12-31", 1, "2027-01-03", "2027-01-09"},
        {"2028-02-29", 52, "2029-02-25", "2029-03-03"}, // from a leap day a year on
    };
    for (const WeekCase& c : cases) {
        const QList<QDate> week =
            plannerdates::weekDates(QDate::fromString(QLatin1String(c.today), Qt::ISODate), c.offset);
        EXPECT_EQ(week.first().toString(Qt::ISODate).toStdString(), c.sunday) << c.today << " " << c.offset;
        EXPECT_EQ(week.last().toString(Qt::ISODate).toStdString(), c.saturday) << c.today << " " << c.offset;
    }
}

TEST(WeeklyPlannerDates, WeekOffsetOfADate) {
    struct Case {
        const char* date;
        const char* today;
        int offset;
    } const cases[] = {
        {"2026-12-09", "2026-12-09", 0},  {"2026-12-12", "2026-12-06", 0},   {"2026-12-13", "2026-12-12", 1},
        {"2026-12-05", "2026-12-06", -1}, {"2027-01-02", "2026-12-27", 0},   {"2026-11-11", "2026-10-21", 3},
        {"2026-02-25", "2026-03-18", -3}, {"2025-12-31", "2026-12-31", -52},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plannerdates::weekOffsetForDate(QDate::fromString(QLatin1String(c.date), Qt::ISODate),
                                                  QDate::fromString(QLatin1String(c.today), Qt::ISODate)),
                  c.offset)
            << c.date << " from " << c.today;
}

TEST(WeeklyPlannerDates, TodayComesFromTheSchedulerClockInLocalTime) {
    const TimeZoneScope zone("America/New_York");
    // 02:30 UTC on Dec 10 is still Dec 9 in New York.
    Scheduler::instance().setManualTime(QDateTime(QDate(2026, 12, 10), QTime(2, 30), Qt::UTC));
    EXPECT_EQ(plannerdates::today(), QDate(2026, 12, 9));
}

TEST(WeeklyPlannerDates, ThreeWeeksAheadAcrossTheEndOfDaylightSaving) {
    const TimeZoneScope zone("America/New_York");
    // Clocks go back on Nov 1 2026; the day's midnight stays a midnight on both sides.
    const QDate today(2026, 10, 21);
    const QDate ahead = today.addDays(21);
    EXPECT_EQ(plannerdates::weekOffsetForDate(ahead, today), 3);
    EXPECT_EQ(plannerdates::weekDates(today, 3).at(3), ahead);
    EXPECT_EQ(plannerdates::localMidnight(ahead).time(), QTime(0, 0));
    EXPECT_EQ(plannerdates::localMidnight(today).secsTo(plannerdates::localMidnight(ahead)),
              21 * 86400 + 3600);
}

TEST(WeeklyPlannerDates, DateStringIsEnglishWhateverTheLanguage) {
    const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    struct Case {
        QDate date;
        const char* text;
    } const cases[] = {
        {QDate(2026, 12, 7), "Dec  7 26"},
        {QDate(2027, 1, 15), "Jan 15 27"},
        {QDate(1999, 5, 3), "May  3 99"},
        {QDate(2026, 3, 1), "Mar  1 26"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plannerdates::dateStringForDate(c.date).toStdString(), c.text);
        EXPECT_EQ(plannerdates::dateFromDateString(QLatin1String(c.text)), c.date) << c.text;
    }
}

TEST(WeeklyPlannerDates, ReadsDateStringsOfAnotherLanguageAndRefusesNonsense) {
    const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    struct Case {
        const char* text;
        QDate date; // invalid: not a date
    } const cases[] = {
        {"Dez  7 26", QDate(2026, 12, 7)},
        {"Okt 12 26", QDate(2026, 10, 12)},
        {"dec 7 26", QDate(2026, 12, 7)},
        {"Jan  1 69", QDate(1969, 1, 1)},
        {"Jan  1 68", QDate(2068, 1, 1)},
        {"Feb 30 26", QDate()},
        {"Foo  3 26", QDate()},
        {"Dec  7 2026", QDate()},
        {"", QDate()},
    };
    for (const Case& c : cases) {
        const std::optional<QDate> read = plannerdates::dateFromDateString(QString::fromUtf8(c.text));
        EXPECT_EQ(read.value_or(QDate()), c.date) << c.text;
    }
}

} // namespace

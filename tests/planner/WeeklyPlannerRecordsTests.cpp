// A planner day's record: made on the first recipe or note, gone when empty; drops, the
// 100-recipe limit, renamed and deleted recipes, unreadable lists and foreign date keys.
#include "PlannerSupport.h"
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/WeeklyPlannerDates.h"
#include "planner/WeeklyPlannerRecords.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using testsupport::insertRecipe;

namespace {

class PlannerRecordsTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    testsupport::TestSession m_library{m_dir.filePath(QStringLiteral("Plan.library")), m_alerts};
    ObjectContext* m_context = m_library.context();
    WeeklyPlannerRecords m_records{m_context};
    const QDate m_monday{2026, 12, 7};

    QString recipe(const QString& name) {
        return insertRecipe(m_context, name)->stringValue(QStringLiteral("uniqueID"));
    }
    std::unique_ptr<ControllerForWeeklyPlanerDateManagedObject> day(const QDate& date) {
        auto controller = std::make_unique<ControllerForWeeklyPlanerDateManagedObject>(&m_records);
        controller->setDate(date);
        return controller;
    }
    QStringList names(ControllerForWeeklyPlanerDateManagedObject& controller) {
        QStringList result;
        for (const PlannedRecipe& planned : controller.validateItems(false))
            result.append(planned.name);
        return result;
    }
    int recordCount() {
        return m_context->countForFetchRequest(FetchRequest(WeeklyPlannerRecords::entityName()));
    }
};

TEST_F(PlannerRecordsTest, RecordLivesWhileTheDayHoldsSomething) {
    ASSERT_TRUE(m_library.isOpen()) << m_library.error().toStdString();
    const QString soup = recipe(QStringLiteral("Soup"));
    auto monday = day(m_monday);
    EXPECT_EQ(monday->managedObject(), nullptr);
    monday->dropRecipes({soup}, -1, &m_alerts);
    ASSERT_NE(monday->managedObject(), nullptr);
    EXPECT_EQ(monday->managedObject()->stringValue(QStringLiteral("dateString")),
              QStringLiteral("Dec  7 26"));
    EXPECT_EQ(monday->managedObject()->valueForKey(QStringLiteral("date")).toDateTime(),
              plannerdates::localMidnight(m_monday));
    EXPECT_EQ(m_records.plannedDates().size(), 1);

    monday->setNote(QStringLiteral("Guests"));
    monday->deleteItems({0});
    EXPECT_EQ(recordCount(), 1) << "the note keeps the day";
    monday->deleteNote();
    EXPECT_EQ(recordCount(), 0);
    EXPECT_TRUE(m_records.plannedDates().isEmpty());

    // The last recipe removed from a day without a note takes the record with it.
    monday->dropRecipes({soup}, -1, &m_alerts);
    monday->removeRecipes({soup});
    EXPECT_EQ(recordCount(), 0);
    EXPECT_TRUE(m_alerts.asked.isEmpty());
}

TEST_F(PlannerRecordsTest, SameRecipeTwiceKeepsOneRowPerDayInDropOrder) {
    const QString soup = recipe(QStringLiteral("Soup"));
    const QString pie = recipe(QStringLiteral("Pie"));
    const QString salad = recipe(QStringLiteral("Salad"));
    auto monday = day(m_monday);
    auto tuesday = day(m_monday.addDays(1));
    monday->dropRecipes({soup, pie}, -1, &m_alerts);
    const auto again = monday->dropRecipes({pie, salad, QStringLiteral("no-such-recipe")}, 1, &m_alerts);
    tuesday->dropRecipes({soup}, 0, &m_alerts);
    EXPECT_EQ(names(*monday),
              (QStringList{QStringLiteral("Soup"), QStringLiteral("Salad"), QStringLiteral("Pie")}));
    EXPECT_EQ(again.inserted, 1);
    EXPECT_EQ(again.onDay, (QStringList{pie, salad}));
    EXPECT_EQ(names(*tuesday), QStringList{QStringLiteral("Soup")});
}

TEST_F(PlannerRecordsTest, HundredRecipesFillADay) {
    QStringList ids;
    for (int i = 0; i < 102; ++i)
        ids.append(recipe(QStringLiteral("Recipe %1").arg(i)));
    auto monday = day(m_monday);
    const auto first = monday->dropRecipes(ids.mid(0, 99), -1, &m_alerts);
    EXPECT_FALSE(first.dayFull);
    EXPECT_TRUE(m_alerts.asked.isEmpty());
    const auto second = monday->dropRecipes(ids.mid(99), -1, &m_alerts);
    EXPECT_EQ(second.inserted, 1);
    EXPECT_TRUE(second.dayFull);
    EXPECT_EQ(second.onDay, QStringList{ids.at(99)});
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText, QStringLiteral("Only 100 recipes per day are allowed."));
    EXPECT_EQ(m_alerts.asked.first().informativeText,
              QStringLiteral("This is to prevent poor system performance."));
    EXPECT_EQ(m_alerts.asked.first().buttonTitles, QStringList{QStringLiteral("OK")});
    const QString stored = monday->managedObject()->stringValue(QStringLiteral("recipeArray"));
    monday->dropRecipes({ids.at(101)}, 0, &m_alerts);
    EXPECT_EQ(monday->managedObject()->stringValue(QStringLiteral("recipeArray")), stored)
        << "a full day is left as it was";
    EXPECT_EQ(monday->validateItems(false).size(), 100);
}

TEST_F(PlannerRecordsTest, RenamedAndDeletedRecipes) {
    RecipesManagedObject* soup = insertRecipe(m_context, QStringLiteral("Soup"));
    RecipesManagedObject* pie = insertRecipe(m_context, QStringLiteral("Pie"));
    RecipesManagedObject* stew = insertRecipe(m_context, QStringLiteral("Stew"));
    auto monday = day(m_monday);
    auto friday = day(m_monday.addDays(4));
    const QStringList ids{soup->stringValue(QStringLiteral("uniqueID")),
                          pie->stringValue(QStringLiteral("uniqueID")),
                          stew->stringValue(QStringLiteral("uniqueID"))};
    monday->dropRecipes(ids, -1, &m_alerts);
    friday->dropRecipes({ids.at(0)}, -1, &m_alerts);
    soup->setValueForKey(QStringLiteral("Onion Soup"), QStringLiteral("name"));
    stew->setValueForKey(QString(), QStringLiteral("name"));
    m_context->deleteObject(pie);
    EXPECT_EQ(names(*monday), (QStringList{QStringLiteral("Onion Soup"), QStringLiteral("----")}));
    EXPECT_EQ(names(*friday), QStringList{QStringLiteral("Onion Soup")});
    monday->validateItems(true);
    const auto stored = WeeklyPlannerRecords::recipesOfRecord(monday->managedObject());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, (QList<PlannedRecipe>{{QStringLiteral("Onion Soup"), ids.at(0)},
                                             {QStringLiteral("----"), ids.at(2)}}));
}

TEST_F(PlannerRecordsTest, ReorderingKeepsTheOrderOfTheMovedRows) {
    QStringList ids;
    for (const char* name : {"A", "B", "C", "D", "E"})
        ids.append(recipe(QLatin1String(name)));
    auto monday = day(m_monday);
    monday->dropRecipes(ids, -1, &m_alerts);
    struct Case {
        QList<int> rows;
        int to;
        const char* order;
        QList<int> placed;
    } const cases[] = {
        {{0}, 3, "BCADE", {2}},
        {{4}, 0, "EBCAD", {0}},
        {{1, 3}, 5, "ECDBA", {3, 4}},
        {{2, 0}, 2, "CEDBA", {1, 2}},
    };
    for (const Case& c : cases) {
        const QList<int> placed = monday->moveRows(c.rows, c.to);
        EXPECT_EQ(names(*monday).join(QString()).toStdString(), c.order);
        EXPECT_EQ(placed, c.placed);
    }
}

TEST_F(PlannerRecordsTest, UnreadableListShowsEmptyAndIsKeptUntilTheDayChanges) {
    const QString soup = recipe(QStringLiteral("Soup"));
    auto monday = day(m_monday);
    monday->setNote(QStringLiteral("Market"));
    const QString garbage = QStringLiteral("((\"Soup\", ");
    monday->managedObject()->setValueForKey(garbage, QStringLiteral("recipeArray"));
    for (const QString& text : {garbage, QStringLiteral("{a = b;}"), QStringLiteral("(Soup, (a, b, c))")}) {
        monday->managedObject()->setValueForKey(text, QStringLiteral("recipeArray"));
        EXPECT_FALSE(monday->recipesAreReadable()) << text.toStdString();
        EXPECT_TRUE(monday->validateItems(true).isEmpty());
        monday->deleteItems({0});
        monday->moveRows({0}, 1);
        monday->deleteNote();
        EXPECT_EQ(monday->managedObject()->stringValue(QStringLiteral("recipeArray")), text)
            << "left as stored";
        monday->setNote(QStringLiteral("Market"));
    }
    monday->dropRecipes({soup}, -1, &m_alerts);
    EXPECT_TRUE(monday->recipesAreReadable());
    EXPECT_EQ(names(*monday), QStringList{QStringLiteral("Soup")});
}

TEST_F(PlannerRecordsTest, FindsDaysWrittenUnderAnotherLanguage) {
    const testsupport::LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    const QString soup = recipe(QStringLiteral("Soup"));
    ManagedObject* record = m_context->insertNewObject(WeeklyPlannerRecords::entityName());
    record->setValueForKey(QStringLiteral("Dez  7 26"), QStringLiteral("dateString"));
    record->setValueForKey(WeeklyPlannerRecords::recipeArrayText({{QStringLiteral("Soup"), soup}}),
                           QStringLiteral("recipeArray"));
    auto monday = day(m_monday);
    EXPECT_EQ(monday->managedObject(), record);
    EXPECT_EQ(names(*monday), QStringList{QStringLiteral("Soup")});
    // A new day is written in English.
    auto tuesday = day(m_monday.addDays(1));
    tuesday->setNote(QStringLiteral("x"));
    EXPECT_EQ(tuesday->managedObject()->stringValue(QStringLiteral("dateString")),
              QStringLiteral("Dec  8 26"));
}

} // namespace

// larkspoon-cli plan: the week, adding, moving and removing recipes, notes and the list of
// planned dates; refusals change nothing.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"
#include "planner/WeeklyPlannerRecords.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class PlanCliTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Plan.library"));

    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    QJsonValue json(const QStringList& args) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << args.join(QLatin1Char(' ')).toStdString() << ": "
                                   << run.err.toStdString();
        return QJsonDocument::fromJson(run.out).object().isEmpty()
                   ? QJsonValue(QJsonDocument::fromJson(run.out).array())
                   : QJsonValue(QJsonDocument::fromJson(run.out).object());
    }
    QString insertRecipe(const QString& name) {
        return json({QStringLiteral("insert"), QStringLiteral("Recipes"),
                     QStringLiteral(R"({"name":"%1"})").arg(name)})
            .toObject()
            .value(QStringLiteral("uniqueID"))
            .toString();
    }
    // "date: name,name | note" for each planned date.
    QString plan() {
        QStringList days;
        for (const QJsonValue& entry : json({QStringLiteral("plan"), QStringLiteral("dates")}).toArray()) {
            const QString date = entry.toObject().value(QStringLiteral("date")).toString();
            QStringList names;
            const QJsonObject day = json({QStringLiteral("plan"), QStringLiteral("week"),
                                          QStringLiteral("--offset"), QString::number(weekOffsetOf(date))})
                                        .toArray()
                                        .at(QDate::fromString(date, Qt::ISODate).dayOfWeek() % 7)
                                        .toObject();
            for (const QJsonValue& recipe : day.value(QStringLiteral("recipes")).toArray())
                names.append(recipe.toObject().value(QStringLiteral("name")).toString());
            days.append(date + QStringLiteral(": ") + names.join(QLatin1Char(',')) + QStringLiteral(" | ") +
                        entry.toObject().value(QStringLiteral("note")).toString(QStringLiteral("-")));
        }
        return days.join(QStringLiteral("; "));
    }
    // The week offset of a date, from the dates of this week as the tool prints them.
    int weekOffsetOf(const QString& date) {
        return static_cast<int>(m_sunday.daysTo(QDate::fromString(date, Qt::ISODate)) / 7);
    }
    QDate m_sunday;
};

TEST_F(PlanCliTest, CommandsAndRefusals) {
    json({QStringLiteral("create")});
    const QString soup = insertRecipe(QStringLiteral("Soup"));
    const QString pie = insertRecipe(QStringLiteral("Pie"));

    const QJsonArray week = json({QStringLiteral("plan"), QStringLiteral("week")}).toArray();
    ASSERT_EQ(week.size(), 7);
    m_sunday = QDate::fromString(week.at(0).toObject().value(QStringLiteral("date")).toString(), Qt::ISODate);
    ASSERT_EQ(m_sunday.dayOfWeek(), Qt::Sunday);
    for (int k = 0; k < 7; ++k) {
        const QJsonObject day = week.at(k).toObject();
        EXPECT_EQ(day.value(QStringLiteral("date")).toString(), m_sunday.addDays(k).toString(Qt::ISODate));
        EXPECT_TRUE(day.value(QStringLiteral("note")).isNull());
        EXPECT_TRUE(day.value(QStringLiteral("recipes")).toArray().isEmpty());
        EXPECT_FALSE(day.value(QStringLiteral("title")).toString().isEmpty());
    }
    const QString mon = m_sunday.addDays(1).toString(Qt::ISODate);
    const QString tue = m_sunday.addDays(2).toString(Qt::ISODate);
    const QString nextSun = m_sunday.addDays(7).toString(Qt::ISODate);

    struct Step {
        QStringList args;
        int exit;
        QString planAfter;
    };
    const QString p = QStringLiteral("plan");
    const Step steps[] = {
        {{p, QStringLiteral("add"), soup, QStringLiteral("--day"), mon},
         0,
         mon + QStringLiteral(": Soup | -")},
        {{p, QStringLiteral("add"), soup, QStringLiteral("--day"), mon},
         0,
         mon + QStringLiteral(": Soup | -")},
        {{p, QStringLiteral("add"), pie, QStringLiteral("--day"), mon},
         0,
         mon + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("move"), soup, QStringLiteral("--from"), mon, QStringLiteral("--to"), tue},
         0,
         mon + QStringLiteral(": Pie | -; ") + tue + QStringLiteral(": Soup | -")},
        {{p, QStringLiteral("move"), pie, QStringLiteral("--from"), mon, QStringLiteral("--to"), tue,
          QStringLiteral("--copy")},
         0,
         mon + QStringLiteral(": Pie | -; ") + tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("remove"), pie, QStringLiteral("--day"), mon},
         0,
         tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("note"), nextSun, QStringLiteral("Market day")},
         0,
         tue + QStringLiteral(": Soup,Pie | -; ") + nextSun + QStringLiteral(":  | Market day")},
        {{p, QStringLiteral("note"), nextSun, QStringLiteral("--delete")},
         0,
         tue + QStringLiteral(": Soup,Pie | -")},
        // Refusals: nothing changes.
        {{p, QStringLiteral("add"), QStringLiteral("no-such-id"), QStringLiteral("--day"), mon},
         2,
         tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("remove"), soup, QStringLiteral("--day"), mon},
         2,
         tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("move"), soup, QStringLiteral("--from"), tue, QStringLiteral("--to"), tue},
         2,
         tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("add"), soup, QStringLiteral("--day"), QStringLiteral("2026-02-30")},
         2,
         tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("week"), QStringLiteral("--offset"), QStringLiteral("x")},
         2,
         tue + QStringLiteral(": Soup,Pie | -")},
        {{p, QStringLiteral("fly")}, 2, tue + QStringLiteral(": Soup,Pie | -")},
    };
    for (const Step& step : steps) {
        const CliRun run = cli(step.args);
        EXPECT_EQ(run.exitCode, step.exit)
            << step.args.join(QLatin1Char(' ')).toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(plan().toStdString(), step.planAfter.toStdString())
            << step.args.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(PlanCliTest, FullDayRefusesWithTheAlertsMessage) {
    json({QStringLiteral("create")});
    // 100 recipes on one day, written through the store, then one more through the tool.
    {
        ScriptedAlerts alerts;
        testsupport::TestSession library(m_library, alerts);
        ASSERT_TRUE(library.isOpen()) << library.error().toStdString();
        QList<PlannedRecipe> planned;
        for (int i = 0; i < 100; ++i) {
            const ManagedObject* recipe =
                testsupport::insertRecipe(library.context(), QStringLiteral("R%1").arg(i));
            planned.append({recipe->stringValue(QStringLiteral("name")),
                            recipe->stringValue(QStringLiteral("uniqueID"))});
        }
        ManagedObject* day = library.context()->insertNewObject(WeeklyPlannerRecords::entityName());
        day->setValueForKey(QStringLiteral("Jan  5 27"), QStringLiteral("dateString"));
        day->setValueForKey(WeeklyPlannerRecords::recipeArrayText(planned), QStringLiteral("recipeArray"));
        ASSERT_TRUE(library.context()->save());
    }
    const QString extra = insertRecipe(QStringLiteral("Extra"));
    const CliRun run = cli({QStringLiteral("plan"), QStringLiteral("add"), extra, QStringLiteral("--day"),
                            QStringLiteral("2027-01-05")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(QString::fromUtf8(run.err).trimmed(), QStringLiteral("Only 100 recipes per day are allowed."));
    const QJsonArray dates = json({QStringLiteral("plan"), QStringLiteral("dates")}).toArray();
    ASSERT_EQ(dates.size(), 1);
    EXPECT_EQ(dates.at(0).toObject().value(QStringLiteral("date")).toString(), QStringLiteral("2027-01-05"));
    const QJsonArray moved = json({QStringLiteral("query"), QStringLiteral("WeeklyPlannerDateObjects"),
                                   QStringLiteral("--keys"), QStringLiteral("recipeArray")})
                                 .toArray();
    EXPECT_FALSE(moved.at(0).toObject().value(QStringLiteral("recipeArray")).toString().contains(extra));
}

} // namespace

// The measurement-rule operations on a real store: required records refused with their
// alerts, the rules applied to the own library only, export and reset.
#include "MeasureTestLibrary.h"
#include "common/ScriptedAlerts.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>

namespace {

class SmartMeasurementsControllerTest : public ::testing::Test {
protected:
    void SetUp() override { m_library.insertDefaultRules(); }

    int ruleCount() const {
        return int(m_library.context()
                       ->executeFetchRequest(FetchRequest(QStringLiteral("SmartMeasurements")))
                       .size());
    }
    int matchCount() const {
        return int(m_library.context()
                       ->executeFetchRequest(FetchRequest(QStringLiteral("MeasurementMatches")))
                       .size());
    }

    MeasureTestLibrary m_library;
    ScriptedAlerts m_alerts;
    SmartMeasurementsController m_controller{m_library.session(m_alerts)};
};

TEST_F(SmartMeasurementsControllerTest, RequiredRecordsAreRefusedWithTheirAlerts) {
    ManagedObject* cup = m_library.findRule(QStringLiteral("cup"));
    ManagedObject* own =
        m_library.addRule(QStringLiteral("Tbsp"), false, {QStringLiteral("Tbl"), QStringLiteral("tbl")});
    const int rules = ruleCount();
    const int matches = matchCount();

    EXPECT_EQ(m_controller.removeSmartMeasurements({cup, own}), 1);
    EXPECT_FALSE(cup->isDeleted());
    EXPECT_TRUE(own->isDeleted());
    EXPECT_EQ(ruleCount(), rules - 1);
    EXPECT_EQ(matchCount(), matches - 2); // the rule's matches go with it
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.at(0).messageText,
              QStringLiteral("The measurement \u201ccup\u201d is required to perform scaling operations and "
                             "can't be deleted."));
    EXPECT_EQ(m_alerts.asked.at(0).informativeText, QStringLiteral("Feel free to rename it though!"));
    EXPECT_EQ(m_alerts.asked.at(0).buttonTitles, QStringList{QStringLiteral("OK")});

    const QList<ManagedObject*> cupMatches = SmartMeasurementsController::measurementMatches(cup);
    ManagedObject* required = nullptr;
    ManagedObject* optional = nullptr;
    for (ManagedObject* match : cupMatches)
        (match->valueForKey(QStringLiteral("required")).toBool() ? required : optional) = match;
    ASSERT_TRUE(required && optional);
    EXPECT_EQ(m_controller.removeMeasurementMatches({required, optional}), 1);
    EXPECT_FALSE(required->isDeleted());
    EXPECT_TRUE(optional->isDeleted());
    ASSERT_EQ(m_alerts.asked.size(), 2);
    EXPECT_EQ(m_alerts.asked.at(1).messageText,
              QStringLiteral("The match \u201ccup\u201d is required to perform scaling operations and can't "
                             "be edited or deleted."));
    EXPECT_TRUE(m_alerts.asked.at(1).informativeText.isEmpty());
    EXPECT_EQ(m_alerts.asked.at(1).buttonTitles, QStringList{QStringLiteral("OK")});
}

TEST_F(SmartMeasurementsControllerTest, AddedRecordsAreUserRules) {
    ManagedObject* rule = m_controller.addSmartMeasurement();
    ManagedObject* match = m_controller.addMeasurementMatch(rule);
    EXPECT_EQ(match->relatedObject(QStringLiteral("smartMeasurement")), rule);
    EXPECT_FALSE(rule->valueForKey(QStringLiteral("required")).toBool());
    EXPECT_EQ(m_controller.removeSmartMeasurements({rule}), 1);
    EXPECT_TRUE(m_alerts.asked.isEmpty());
    EXPECT_EQ(m_controller.addMeasurementMatch(nullptr), nullptr);
}

TEST_F(SmartMeasurementsControllerTest, DecliningToApplyChangesNothing) {
    ManagedObject* recipe =
        m_library.addRecipe(QStringLiteral("Soup"),
                            {MeasureTestLibrary::ingredient(QStringLiteral("\u00BD"), QStringLiteral("c"))});
    const QString before = recipe->valueForKey(QStringLiteral("ingredientsArray")).toString();
    const QVariant dateBefore = recipe->valueForKey(QStringLiteral("dateUpdated"));
    m_alerts.queueButton(1);
    EXPECT_EQ(m_controller.applySmartMeasurements(), -1);
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.at(0).messageText,
              QStringLiteral("Are you sure you want to apply Smart Measurement rules?"));
    EXPECT_EQ(m_alerts.asked.at(0).informativeText, QStringLiteral("This action can't be undone."));
    EXPECT_EQ(m_alerts.asked.at(0).buttonTitles, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("ingredientsArray")).toString(), before);
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("dateUpdated")), dateBefore);
}

TEST_F(SmartMeasurementsControllerTest, ApplyingRewritesOwnRecipesOnly) {
    m_library.addRule(QStringLiteral("Tbsp"), false, {QStringLiteral("Tbl")});
    // A renamed unit rule is how that unit is written from now on.
    m_library.findRule(QStringLiteral("cup"))->setValueForKey(QStringLiteral("Cup"), QStringLiteral("name"));
    const QVariantMap titleRow{{QStringLiteral("name"), QStringLiteral("Sauce:")},
                               {QStringLiteral("isGroupTitle"), QStringLiteral("YES")}};
    const QVariantList ingredients{
        MeasureTestLibrary::ingredient(QStringLiteral("\u00BD"), QStringLiteral("cup"),
                                       QStringLiteral("milk")),
        MeasureTestLibrary::ingredient(QStringLiteral("2"), QStringLiteral("Tbl"), QStringLiteral("oil")),
        MeasureTestLibrary::ingredient(QStringLiteral("1\u00BE"), QStringLiteral("c."),
                                       QStringLiteral("flour")),
        MeasureTestLibrary::ingredient(QStringLiteral("2 large"), QStringLiteral("can"),
                                       QStringLiteral("beans")),
        titleRow,
    };
    ManagedObject* own = m_library.addRecipe(QStringLiteral("Own"), ingredients);
    ManagedObject* subscribed =
        m_library.addRecipe(QStringLiteral("Feed"), ingredients, QStringLiteral("feed-1"));
    ManagedObject* broken = m_library.addRecipe(QStringLiteral("Broken"), {});
    broken->setValueForKey(QStringLiteral("(unclosed"), QStringLiteral("ingredientsArray"));
    ManagedObject* withoutIngredients = m_library.addRecipe(QStringLiteral("Notes only"), {});
    withoutIngredients->setValueForKey(QVariant(), QStringLiteral("ingredientsArray"));
    withoutIngredients->setValueForKey(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC),
                                       QStringLiteral("dateUpdated"));
    const QString subscribedBefore = subscribed->valueForKey(QStringLiteral("ingredientsArray")).toString();
    const QVariant subscribedDate = subscribed->valueForKey(QStringLiteral("dateUpdated"));
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-1);

    QSignalSpy applied(&m_controller, &SmartMeasurementsController::smartMeasurementsApplied);
    EXPECT_EQ(m_controller.applySmartMeasurements(), 2);
    EXPECT_EQ(applied.count(), 1);

    const QVariantList rows = MeasureTestLibrary::ingredientsOf(own);
    ASSERT_EQ(rows.size(), 5);
    const std::pair<const char*, const char*> expected[] = {
        {" 1/2", "Cup"}, {"2", "Tbsp"}, {"1 3/4", "cups"}, {"2 large", "can"}};
    for (int i = 0; i < 4; ++i) {
        const QVariantMap row = rows.at(i).toMap();
        EXPECT_EQ(row.value(QStringLiteral("quantity")).toString(), QString::fromLatin1(expected[i].first))
            << i;
        EXPECT_EQ(row.value(QStringLiteral("measurement")).toString(),
                  QString::fromLatin1(expected[i].second))
            << i;
    }
    EXPECT_EQ(rows.at(4).toMap(), titleRow); // no keys added to a title row
    EXPECT_GE(own->valueForKey(QStringLiteral("dateUpdated")).toDateTime(), start);

    EXPECT_EQ(subscribed->valueForKey(QStringLiteral("ingredientsArray")).toString(), subscribedBefore);
    EXPECT_EQ(subscribed->valueForKey(QStringLiteral("dateUpdated")), subscribedDate);
    EXPECT_EQ(broken->valueForKey(QStringLiteral("ingredientsArray")).toString(),
              QStringLiteral("(unclosed"));
    // A recipe without ingredients keeps its (absent) list but is marked as updated.
    EXPECT_FALSE(withoutIngredients->valueForKey(QStringLiteral("ingredientsArray")).isValid());
    EXPECT_GE(withoutIngredients->valueForKey(QStringLiteral("dateUpdated")).toDateTime(), start);
}

TEST_F(SmartMeasurementsControllerTest, ExportWritesEveryRuleToTheDesktop) {
    m_library.addRule(QStringLiteral("Tbsp"), false, {QStringLiteral("Tbl")});
    const QString path = SmartMeasurementsController::desktopExportPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Desktop/Smart Measurements.plist"))) << path.toStdString();
    QFile::remove(path);
    ASSERT_TRUE(m_controller.exportPlist());
    ASSERT_TRUE(m_controller.exportPlist()); // replaces the file it wrote

    const PropertyListResult read = readPropertyListFile(path);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    QVariantList list = read.value.toList();
    ASSERT_EQ(list.size(), 33);
    const QVariantMap first = list.first().toMap();
    EXPECT_EQ(first.keys(), (QStringList{QStringLiteral("matches"), QStringLiteral("name")}));
    EXPECT_EQ(first.value(QStringLiteral("name")).toString(), QStringLiteral("gallon"));
    const QVariantMap firstMatch = first.value(QStringLiteral("matches")).toList().first().toMap();
    EXPECT_EQ(firstMatch.value(QStringLiteral("name")).toString(), QStringLiteral("gallon"));
    EXPECT_EQ(firstMatch.value(QStringLiteral("required")).typeId(), QMetaType::Bool);
    EXPECT_TRUE(firstMatch.value(QStringLiteral("required")).toBool());
    EXPECT_EQ(list.last().toMap().value(QStringLiteral("name")).toString(), QStringLiteral("Tbsp"));

    // Without the user's rule the export is the default list again.
    list.removeLast();
    EXPECT_EQ(list, MeasurementRules::defaultSmartMeasurementList());
}

TEST_F(SmartMeasurementsControllerTest, ExportIntoAnUnwritablePlaceFails) {
    QString error;
    EXPECT_FALSE(
        m_controller.exportPlist(QStringLiteral("/proc/no-such-folder/Smart Measurements.plist"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(SmartMeasurementsControllerTest, ResetRestoresTheDefaults) {
    m_library.findRule(QStringLiteral("cup"))->setValueForKey(QStringLiteral("Cup"), QStringLiteral("name"));
    m_library.addRule(QStringLiteral("Tbsp"), false, {QStringLiteral("Tbl")});
    ManagedObject* ounces = m_library.findRule(QStringLiteral("ounces"));
    m_library.context()->deleteObject(SmartMeasurementsController::measurementMatches(ounces).last());
    ASSERT_TRUE(m_library.context()->save());

    QString error;
    ASSERT_TRUE(m_controller.resetToDefaults(&error)) << error.toStdString();
    ASSERT_TRUE(m_library.context()->save(&error)) << error.toStdString();
    EXPECT_EQ(m_controller.smartMeasurementsPropertyList(), MeasurementRules::defaultSmartMeasurementList());
    EXPECT_EQ(ruleCount(), 32);
    for (ManagedObject* rule : m_controller.smartMeasurements())
        EXPECT_TRUE(rule->valueForKey(QStringLiteral("required")).toBool());
    EXPECT_TRUE(m_alerts.asked.isEmpty());
}

} // namespace

// The Measurements page of the preferences window: the rule and match tables over a real
// library store, driven through their models and buttons with the user's answers scripted.
#include "common/ScriptedAlerts.h"
#include "library/PreferencesController.h"
#include "library/ui/PreferencesWindow.h"
#include "measure/MeasureTestLibrary.h"
#include "measure/MeasurementsConverter.h"
#include "measure/ui/MeasurementMatchesTableView.h"
#include "measure/ui/SmartMeasurementsTableView.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

class MeasurementRulesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library.insertDefaultRules();
        m_window.setSmartMeasurementsController(&m_controller, &m_alerts);
        m_window.showMeasurementsPage();
    }
    void TearDown() override { Scheduler::instance().setAutomaticTime(); }

    SmartMeasurementsTableView* rules() const { return m_window.smartMeasurementsTable(); }
    MeasurementMatchesTableView* matches() const { return m_window.measurementMatchesTable(); }
    QModelIndex indexOf(QTableView* table, ManagedObject* record) const {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            const QModelIndex index = table->model()->index(row, 0);
            if (index.data().toString() == record->stringValue(QStringLiteral("name")))
                return index;
        }
        return {};
    }
    ManagedObject* requiredMatchOf(ManagedObject* rule) const {
        for (ManagedObject* match : SmartMeasurementsController::measurementMatches(rule))
            if (match->valueForKey(QStringLiteral("required")).toBool())
                return match;
        return nullptr;
    }
    void click(const char* name) {
        auto* button = m_window.findChild<QAbstractButton*>(QLatin1String(name));
        ASSERT_TRUE(button) << name;
        button->click();
    }

    MeasureTestLibrary m_library;
    ScriptedAlerts m_alerts;
    SmartMeasurementsController m_controller{m_library.session(m_alerts)};
    PreferencesController m_preferences;
    PreferencesWindow m_window{&m_preferences};
};

TEST_F(MeasurementRulesWindowTest, RenamingARuleInPlaceChangesConversionsButRequiredMatchesStay) {
    ManagedObject* cup = m_library.findRule(QStringLiteral("cup"));
    ASSERT_TRUE(cup);
    rules()->selectRecord(cup);
    EXPECT_EQ(matches()->model()->rowCount(), SmartMeasurementsController::measurementMatches(cup).size());

    // The required rule's name is how one cup is written from now on.
    const QModelIndex cupRow = indexOf(rules(), cup);
    ASSERT_TRUE(rules()->model()->flags(cupRow) & Qt::ItemIsEditable);
    ASSERT_TRUE(rules()->model()->setData(cupRow, QStringLiteral("Cup")));
    EXPECT_EQ(cup->stringValue(QStringLiteral("name")), QStringLiteral("Cup"));
    MeasurementsConverter converter(m_library.context());
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("c"), QStringLiteral("1")),
              QStringLiteral("Cup"));

    // The match carrying the unit key cannot be renamed.
    ManagedObject* required = requiredMatchOf(cup);
    ASSERT_TRUE(required);
    const QString requiredName = required->stringValue(QStringLiteral("name"));
    const QModelIndex requiredRow = indexOf(matches(), required);
    EXPECT_FALSE(matches()->model()->flags(requiredRow) & Qt::ItemIsEditable);
    EXPECT_FALSE(matches()->model()->setData(requiredRow, QStringLiteral("mug")));
    EXPECT_EQ(required->stringValue(QStringLiteral("name")), requiredName);
}

TEST_F(MeasurementRulesWindowTest, AddAndRemoveThroughTheButtons) {
    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    const int ruleRows = rules()->model()->rowCount();
    click("addSmartMeasurementButton");
    ASSERT_EQ(rules()->model()->rowCount(), ruleRows + 1);
    ASSERT_EQ(rules()->selectedRecords().size(), 1);
    ManagedObject* added = rules()->selectedRecords().first();
    EXPECT_EQ(matches()->smartMeasurement(), added);
    EXPECT_FALSE(rules()->viewport()->findChild<QLineEdit*>());
    Scheduler::instance().advance(0.1); // the new name opens for editing
    EXPECT_TRUE(rules()->viewport()->findChild<QLineEdit*>());

    click("addMeasurementMatchButton");
    ASSERT_EQ(matches()->model()->rowCount(), 1);
    EXPECT_EQ(matches()->recordAtRow(0)->relatedObject(QStringLiteral("smartMeasurement")), added);
    click("removeSmartMeasurementButton");
    EXPECT_TRUE(added->isDeleted());
    EXPECT_EQ(rules()->model()->rowCount(), ruleRows);
    EXPECT_EQ(matches()->model()->rowCount(), 0);
    EXPECT_TRUE(m_alerts.asked.isEmpty());

    // A required match is kept and the user told why.
    ManagedObject* cup = m_library.findRule(QStringLiteral("cup"));
    ManagedObject* required = requiredMatchOf(cup);
    rules()->selectRecord(cup);
    matches()->selectRecord(required);
    click("removeMeasurementMatchButton");
    EXPECT_FALSE(required->isDeleted());
    EXPECT_EQ(matches()->model()->rowCount(), SmartMeasurementsController::measurementMatches(cup).size());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.at(0).messageText,
              QStringLiteral("The match \u201ccup\u201d is required to perform scaling operations and can't "
                             "be edited or deleted."));

    // A reset shows the new records and no matches of a rule that is gone.
    click("resetSmartMeasurementsButton");
    EXPECT_TRUE(cup->isDeleted());
    EXPECT_EQ(rules()->model()->rowCount(), ruleRows);
    EXPECT_EQ(matches()->smartMeasurement(), nullptr);
    EXPECT_EQ(m_alerts.asked.size(), 1);
}

TEST_F(MeasurementRulesWindowTest, AFailedExportIsTold) {
    // A folder where the file should go cannot be replaced by the file.
    const QString path = SmartMeasurementsController::desktopExportPath();
    ASSERT_TRUE(QDir().mkpath(path));
    click("exportSmartMeasurementsButton");
    QDir(path).removeRecursively();
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.at(0).messageText,
              QStringLiteral("The Smart Measurements could not be exported to \"%1\".").arg(path));
    EXPECT_FALSE(m_alerts.asked.at(0).informativeText.isEmpty());
}

} // namespace

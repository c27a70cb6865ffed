// The scaling assistant's panel over a stand-in recipe editor (its hooks read and write
// local values), with the measurement rules of a real library.
#include "measure/MeasureTestLibrary.h"
#include "measure/ui/ScalingAssistantController.h"

#include <gtest/gtest.h>

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class ScalingAssistantTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library.insertDefaultRules();
        m_host.resize(700, 500);
        m_host.show();
    }

    ScalingAssistantEditor editor() {
        ScalingAssistantEditor hooks;
        hooks.saveStateAndDuplicate = [this] { ++m_duplicates; };
        hooks.titleText = [this] { return m_title; };
        hooks.setTitleText = [this](const QString& text) { m_title = text; };
        hooks.yieldText = [this] { return m_yield; };
        hooks.setYieldText = [this](const QString& text) { m_yield = text; };
        hooks.contextArray = [this] { return m_rows; };
        hooks.setContextArray = [this](const QVariantList& rows) { m_rows = rows; };
        return hooks;
    }
    // Opens the panel, continues to the calculation view and asks for desired servings.
    void scaleTo(const QString& desired) {
        m_assistant.openScalingAssistant(&m_host);
        ASSERT_TRUE(m_assistant.isOpen());
        m_assistant.panel()->findChild<QPushButton*>(QStringLiteral("continueButton"))->click();
        m_assistant.desiredYieldTextField()->setText(desired);
        m_assistant.panel()->findChild<QPushButton*>(QStringLiteral("calculateButton"))->click();
    }
    QVariantMap row(int index) const { return m_rows.at(index).toMap(); }
    bool shown(QWidget* widget) const { return widget->isVisibleTo(m_assistant.panel()); }

    MeasureTestLibrary m_library;
    QWidget m_host;
    QString m_title = QStringLiteral("Pancakes");
    QString m_yield = QStringLiteral("4 servings");
    QVariantList m_rows{MeasureTestLibrary::ingredient(QStringLiteral("1 1/2"), QStringLiteral("cups"),
                                                       QStringLiteral("flour")),
                        MeasureTestLibrary::ingredient(QStringLiteral("1"), QString(), QStringLiteral("egg")),
                        MeasureTestLibrary::ingredient(QString(), QString(), QStringLiteral("salt"))};
    int m_duplicates = 0;
    ScalingAssistantController m_assistant{m_library.context(), editor()};
};

TEST_F(ScalingAssistantTest, HalvingScalesTheRowsYieldAndTitle) {
    m_assistant.openScalingAssistant(&m_host);
    QWidget* panel = m_assistant.panel();
    EXPECT_EQ(m_assistant.borderColor(), QColor::fromRgbF(0.4f, 0.75f, 1.0f));
    EXPECT_EQ(panel->parentWidget(), &m_host);
    EXPECT_EQ(panel->y(), 0);
    EXPECT_EQ(panel->x(), (m_host.width() - panel->width()) / 2);
    EXPECT_TRUE(shown(m_assistant.welcomeView()));
    EXPECT_FALSE(shown(m_assistant.enterYieldsReminderTextField()));

    scaleTo(QStringLiteral("2"));
    EXPECT_EQ(m_duplicates, 1);
    EXPECT_EQ(m_assistant.currentYieldTextField()->text(), QStringLiteral("4"));
    EXPECT_EQ(m_assistant.currentView(), RecipeScaler::View::Final);
    EXPECT_EQ(m_yield, QStringLiteral("2 servings"));
    EXPECT_EQ(m_title, QStringLiteral("Pancakes- Scaled to 2 servings"));
    EXPECT_EQ(row(0).value(QStringLiteral("quantity")).toString(), QStringLiteral("3/4"));
    EXPECT_EQ(row(0).value(QStringLiteral("measurement")).toString(), QStringLiteral("cup"));
    EXPECT_EQ(row(1).value(QStringLiteral("quantity")).toString(), QStringLiteral("1/2"));
    EXPECT_TRUE(row(2).value(QStringLiteral("quantity")).toString().isEmpty());
    EXPECT_EQ(m_assistant.borderColor(), QColor::fromRgbF(0.4f, 0.75f, 1.0f));
    EXPECT_TRUE(shown(m_assistant.greenFinalViewTextField()));
    EXPECT_FALSE(shown(m_assistant.itemsAreMarkedRedWarningTextField()));

    // Calculating again from the final view would compound the scaling.
    m_assistant.calculateIngredients();
    EXPECT_EQ(row(1).value(QStringLiteral("quantity")).toString(), QStringLiteral("1/2"));

    panel->findChild<QPushButton*>(QStringLiteral("doneButton"))->click();
    EXPECT_FALSE(m_assistant.isOpen());
}

TEST_F(ScalingAssistantTest, AMissingYieldShowsTheReminderAndChangesNothing) {
    m_yield = QStringLiteral("Serves 4");
    const QVariantList rowsBefore = m_rows;
    scaleTo(QStringLiteral("2"));
    EXPECT_TRUE(m_assistant.currentYieldTextField()->text().isEmpty());
    EXPECT_EQ(m_assistant.currentView(), RecipeScaler::View::ScalingCalc);
    QLabel* reminder = m_assistant.enterYieldsReminderTextField();
    EXPECT_TRUE(shown(reminder));
    EXPECT_TRUE(qobject_cast<QGraphicsOpacityEffect*>(reminder->graphicsEffect()));
    EXPECT_EQ(m_rows, rowsBefore);
    EXPECT_EQ(m_title, QStringLiteral("Pancakes"));
    EXPECT_EQ(m_yield, QStringLiteral("Serves 4"));
}

TEST_F(ScalingAssistantTest, ARowThatCannotBeScaledTurnsTheBorderRed) {
    m_rows.append(MeasureTestLibrary::ingredient(QStringLiteral("12oz"), QString(), QStringLiteral("beans")));
    scaleTo(QStringLiteral("2"));
    EXPECT_EQ(m_assistant.borderColor(), QColor(Qt::red));
    EXPECT_TRUE(row(3).value(QStringLiteral("presentError")).toBool());
    EXPECT_EQ(row(3).value(QStringLiteral("quantity")).toString(), QStringLiteral("12oz"));
    EXPECT_EQ(row(1).value(QStringLiteral("quantity")).toString(),
              QStringLiteral("1/2")); // the rest still scaled
    EXPECT_FALSE(shown(m_assistant.greenFinalViewTextField()));
    EXPECT_TRUE(shown(m_assistant.itemsAreMarkedRedWarningTextField()));
    EXPECT_TRUE(shown(m_assistant.redWarningScaleFactorTextField()));
    EXPECT_EQ(m_assistant.redWarningScaleFactorTextField()->text(),
              QStringLiteral("Your recipe has been scaled by a factor of: 0.5"));
}

} // namespace

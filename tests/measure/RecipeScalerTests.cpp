// The scaling calculation: the yield read at set-up, the factor, each ingredient scaled and
// converted, failed rows marked, the yield rewritten and the title marked.
#include "MeasureTestLibrary.h"
#include "measure/RecipeScaler.h"

#include <gtest/gtest.h>

namespace {

QVariantMap row(const QString& quantity, const QString& measurement, const QString& name) {
    return MeasureTestLibrary::ingredient(quantity, measurement, name);
}

QString quantityOf(const RecipeScaler& scaler, int index) {
    return scaler.contextArray().at(index).toMap().value(QStringLiteral("quantity")).toString();
}
QString measurementOf(const RecipeScaler& scaler, int index) {
    return scaler.contextArray().at(index).toMap().value(QStringLiteral("measurement")).toString();
}

TEST(RecipeScaler, SetUpReadsTheLeadingIntegerOfTheYield) {
    struct Case {
        const char* yield;
        const char* current;
        RecipeScaler::Focus focus;
    };
    const Case cases[] = {
        {"4 servings", "4", RecipeScaler::Focus::DesiredYield},
        {"Serves 4", "", RecipeScaler::Focus::CurrentYield},
        {"", "", RecipeScaler::Focus::CurrentYield},
        {" 12 muffins", "12", RecipeScaler::Focus::DesiredYield},
        {"2.5 cups", "2", RecipeScaler::Focus::DesiredYield},
        {"0 servings", "", RecipeScaler::Focus::CurrentYield},
        {"99999999999 servings", "2147483647", RecipeScaler::Focus::DesiredYield},
    };
    for (const Case& c : cases) {
        RecipeScaler scaler;
        int duplicated = 0;
        scaler.setPrepareDuplicate([&] { ++duplicated; });
        scaler.setYieldText(QString::fromLatin1(c.yield));
        scaler.setDesiredYieldText(QStringLiteral("left over"));
        scaler.continueScalingFromWelcomeView();
        EXPECT_EQ(duplicated, 1);
        EXPECT_EQ(scaler.view(), RecipeScaler::View::ScalingCalc);
        EXPECT_EQ(scaler.currentYieldText(), QString::fromLatin1(c.current)) << c.yield;
        EXPECT_EQ(scaler.focus(), c.focus) << c.yield;
        EXPECT_TRUE(scaler.desiredYieldText().isEmpty());
    }
}

TEST(RecipeScaler, ScalingExamples) {
    struct Case {
        const char* current;
        const char* desired;
        QVariantMap before;
        const char* quantity;
        const char* measurement;
    };
    const Case cases[] = {
        {"4", "2", row(QStringLiteral("1 1/2"), QStringLiteral("cups"), QStringLiteral("flour")), "3/4",
         "cup"},
        {"4", "2", row(QStringLiteral("1"), QString(), QStringLiteral("egg")), "1/2", ""},
        {"4", "6", row(QStringLiteral("2"), QStringLiteral("tablespoons"), QStringLiteral("oil")), "3",
         "tablespoons"},
        {"4", "6", row(QStringLiteral("1/4"), QStringLiteral("teaspoon"), QStringLiteral("salt")), "1/3",
         "teaspoon"},
        {"2", "4", row(QStringLiteral("2 large"), QStringLiteral("cups"), QStringLiteral("eggs")),
         "4.0 large ", "cups"},
        {"1", "3", row(QStringLiteral("1"), QStringLiteral("c"), QStringLiteral("milk")), "3", "cups"},
        {"2", "1", row(QStringLiteral("6"), QStringLiteral("tsp"), QStringLiteral("sugar")), "1",
         "tablespoon"},
        {"4", "8", row(QStringLiteral("3/4"), QStringLiteral("lb"), QStringLiteral("beef")), "1.5", "pounds"},
        {"1", "2", row(QStringLiteral("\u00BD"), QStringLiteral("cup"), QStringLiteral("rice")), "1", "cup"},
    };
    for (const Case& c : cases) {
        RecipeScaler scaler;
        scaler.setContextArray({c.before});
        scaler.setCurrentYieldText(QString::fromLatin1(c.current));
        scaler.setDesiredYieldText(QString::fromLatin1(c.desired));
        const std::string label = c.before.value(QStringLiteral("quantity")).toString().toStdString();
        ASSERT_TRUE(scaler.calculateIngredients()) << label;
        EXPECT_EQ(quantityOf(scaler, 0), QString::fromUtf8(c.quantity)) << label;
        EXPECT_EQ(measurementOf(scaler, 0), QString::fromUtf8(c.measurement)) << label;
        EXPECT_TRUE(scaler.failedRows().isEmpty());
        EXPECT_FALSE(scaler.borderIsRed());
    }
}

TEST(RecipeScaler, FailedRowsAreMarkedAndTheOthersStillScaled) {
    RecipeScaler scaler;
    QVariantMap title{{QStringLiteral("name"), QStringLiteral("For the sauce:")},
                      {QStringLiteral("isGroupTitle"), true}};
    scaler.setContextArray({row(QStringLiteral("1-2"), QStringLiteral("cups"), QStringLiteral("stock")),
                            title, row(QStringLiteral("2"), QStringLiteral("cups"), QStringLiteral("flour")),
                            row(QStringLiteral("12oz"), QString(), QStringLiteral("beans")),
                            row(QString(), QString(), QStringLiteral("salt")),
                            row(QStringLiteral("3/0"), QStringLiteral("tsp"), QStringLiteral("pepper"))});
    scaler.setTitleText(QStringLiteral("Soup"));
    scaler.setYieldText(QStringLiteral("4 bowls"));
    scaler.setCurrentYieldText(QStringLiteral("4"));
    scaler.setDesiredYieldText(QStringLiteral("8"));
    ASSERT_TRUE(scaler.calculateIngredients());

    EXPECT_EQ(scaler.failedRows(), (QList<int>{0, 3, 5}));
    for (int failed : {0, 3, 5})
        EXPECT_TRUE(scaler.contextArray().at(failed).toMap().value(QStringLiteral("presentError")).toBool());
    EXPECT_EQ(quantityOf(scaler, 0), QStringLiteral("1-2"));
    EXPECT_EQ(quantityOf(scaler, 3), QStringLiteral("12oz"));
    EXPECT_EQ(quantityOf(scaler, 5), QStringLiteral("3/0"));
    EXPECT_EQ(scaler.contextArray().at(1).toMap(), title);
    EXPECT_EQ(scaler.contextArray().at(4).toMap(), row(QString(), QString(), QStringLiteral("salt")));
    EXPECT_EQ(quantityOf(scaler, 2), QStringLiteral("4"));
    EXPECT_FALSE(scaler.contextArray().at(2).toMap().contains(QStringLiteral("presentError")));
    EXPECT_TRUE(scaler.borderIsRed());
    EXPECT_TRUE(scaler.warningsShown());
    EXPECT_FALSE(scaler.greenFinalTextShown());
    EXPECT_EQ(scaler.view(), RecipeScaler::View::Final);
    EXPECT_EQ(scaler.titleText(), QStringLiteral("Soup- Scaled to 8 bowls"));
}

TEST(RecipeScaler, FactorTextYieldAndTitle) {
    RecipeScaler scaler;
    scaler.setTitleText(QStringLiteral("Pancakes"));
    scaler.setYieldText(QStringLiteral("4 servings"));
    scaler.continueScalingFromWelcomeView();
    scaler.setDesiredYieldText(QStringLiteral("8"));
    ASSERT_TRUE(scaler.calculateIngredients());
    EXPECT_EQ(scaler.scaleFactorText(), QStringLiteral("Your recipe has been scaled by a factor of: 2.0"));
    EXPECT_EQ(scaler.yieldText(), QStringLiteral("8 servings"));
    EXPECT_EQ(scaler.titleText(), QStringLiteral("Pancakes- Scaled to 8 servings"));
    EXPECT_TRUE(scaler.greenFinalTextShown());

    RecipeScaler third;
    third.setCurrentYieldText(QStringLiteral("3"));
    third.setDesiredYieldText(QStringLiteral("1"));
    ASSERT_TRUE(third.calculateIngredients());
    EXPECT_EQ(third.scaleFactorText(), QStringLiteral("Your recipe has been scaled by a factor of: 0.3"));
}

TEST(RecipeScaler, YieldRewrite) {
    const std::pair<const char*, const char*> cases[] = {
        {"4 servings", "8 servings"},
        {"Serves 4", " Serves 8"},
        {"4 to 6 pancakes", "8 to 8 pancakes"},
        {"", "8"},
        {"about  4", " about 88"}, // the empty word between two spaces is a number too
        {"12", "8"},
    };
    for (const auto& [yield, expected] : cases)
        EXPECT_EQ(RecipeScaler::yieldTextScaledTo(QString::fromLatin1(yield), QStringLiteral("8")),
                  QString::fromLatin1(expected))
            << yield;
}

TEST(RecipeScaler, MissingYieldShowsTheReminderAndChangesNothing) {
    const std::pair<const char*, const char*> yields[] = {
        {"", "4"},       {"4", ""},   {"0", "4"},  {"4", "0"},
        {"Serves", "2"}, {"-4", "2"}, {"4", "-2"}, {"0.0000001", "1e38"},
    };
    for (const auto& [current, desired] : yields) {
        RecipeScaler scaler;
        const QVariantList rows{row(QStringLiteral("2"), QStringLiteral("cups"), QStringLiteral("flour"))};
        scaler.setContextArray(rows);
        scaler.setTitleText(QStringLiteral("Bread"));
        scaler.setYieldText(QStringLiteral("1 loaf"));
        scaler.setCurrentYieldText(QString::fromLatin1(current));
        scaler.setDesiredYieldText(QString::fromLatin1(desired));
        EXPECT_FALSE(scaler.calculateIngredients()) << current << " " << desired;
        EXPECT_TRUE(scaler.reminderShown());
        EXPECT_EQ(scaler.contextArray(), rows);
        EXPECT_EQ(scaler.titleText(), QStringLiteral("Bread"));
        EXPECT_EQ(scaler.yieldText(), QStringLiteral("1 loaf"));
        EXPECT_NE(scaler.view(), RecipeScaler::View::Final);
    }
}

TEST(RecipeScaler, ConversionsUseTheLibraryRules) {
    MeasureTestLibrary library;
    library.insertDefaultRules();
    library.findRule(QStringLiteral("cups"))->setValueForKey(QStringLiteral("Cups"), QStringLiteral("name"));
    RecipeScaler scaler(library.context());
    scaler.setContextArray({row(QStringLiteral("1"), QStringLiteral("cup"), QStringLiteral("flour"))});
    scaler.setCurrentYieldText(QStringLiteral("1"));
    scaler.setDesiredYieldText(QStringLiteral("2"));
    ASSERT_TRUE(scaler.calculateIngredients());
    EXPECT_EQ(measurementOf(scaler, 0), QStringLiteral("Cups"));
}

} // namespace

// MealMaster text files: titles, categories, yields, one- and two-column ingredients with
// group titles and continuation lines, wrapped directions, several recipes to a file.
#include "common/TestSupport.h"

#include "import/MealMasterReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace {

const char* const kTwoColumns = R"(MMMMM----- Recipe via Meal-Master (tm) v8.02

      Title: Chiles Rellenos
 Categories: Appetizers, Main dish, Cheese
      Yield: 2 servings

      2    Chiles; roast & peel                1    Eggs; separated
  1 1/3 oz Cheese, monterey jack            3/16 c  Flour, all purpose
           Oil; for frying

MMMMM------------------------TOMATO SAUCE-----------------------------
  1 1/3 sm Tomatoes; peeled                 3/16 ts Salt
    1/2 c  Butter (or margarine),
           -softened

  Prepare tomato sauce; keep warm. Cut as small a slit as
  possible in each chile.

  Serve hot.

MMMMM
)";

ForeignRecipe readOne(const char* text) {
    const ForeignReadResult read = MealMasterReader::readText(QString::fromUtf8(text));
    EXPECT_EQ(read.recipes.size(), 1);
    return read.recipes.value(0);
}

TEST(MealMasterReader, HeaderFieldsAreRead) {
    const ForeignRecipe recipe = readOne(kTwoColumns);
    EXPECT_EQ(recipe.name, QStringLiteral("Chiles Rellenos"));
    EXPECT_EQ(recipe.keywords, (QStringList{QStringLiteral("Appetizers"), QStringLiteral("Main dish"),
                                            QStringLiteral("Cheese")}));
    EXPECT_EQ(recipe.yield, QStringLiteral("2 servings"));
}

TEST(MealMasterReader, IngredientColumnsHeadingsAndContinuationsBecomeLines) {
    const QStringList lines = readOne(kTwoColumns).ingredientsText.split(u'\n');
    const QStringList expected = {
        QStringLiteral("2 Chiles, roast & peel"),
        QStringLiteral("1 Eggs, separated"),
        QStringLiteral("1 1/3 ounce Cheese, monterey jack"),
        QStringLiteral("3/16 cup Flour, all purpose"),
        QStringLiteral("Oil, for frying"),
        QStringLiteral("TOMATO SAUCE:"),
        QStringLiteral("1 1/3 small Tomatoes, peeled"),
        QStringLiteral("3/16 teaspoon Salt"),
        QStringLiteral("1/2 cup Butter (or margarine), softened"),
    };
    EXPECT_EQ(lines, expected);
}

TEST(MealMasterReader, DirectionsAreParagraphsOfJoinedLines) {
    EXPECT_EQ(
        readOne(kTwoColumns).directions,
        QStringLiteral("Prepare tomato sauce; keep warm. Cut as small a slit as possible in each chile.\n\n"
                       "Serve hot."));
}

TEST(MealMasterReader, RecipesAreSeparatedByEveryKindOfMarker) {
    struct Case {
        const char* text;
        QStringList names;
    };
    const Case cases[] = {
        {"MMMMM----- Recipe via Meal-Master\n Title: A\n\n  a.\nMMMMM\nMMMMM----- Recipe via Meal-Master\n"
         " Title: B\n\n  b.\nMMMMM\n",
         {QStringLiteral("A"), QStringLiteral("B")}},
        {"---------- Recipe via Meal-Master (tm) v8.01\r\n Title: A\r\n-----\r\n\r\n"
         "---------- Recipe via Meal-Master (tm) v8.01\r\n Title: B\r\n-----\r\n",
         {QStringLiteral("A"), QStringLiteral("B")}},
        // A missing end marker: the next title starts the next recipe.
        {" Title: A\n  one\n Title: B\n  two\n", {QStringLiteral("A"), QStringLiteral("B")}},
        // Cut short at the end of the file.
        {"MMMMM----- Recipe via Meal-Master\n      Title: A\n      1 c  Flour", {QStringLiteral("A")}},
        {"just some text\n\nno recipes\n", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        QStringList names;
        for (const ForeignRecipe& recipe : MealMasterReader::readText(QString::fromUtf8(c.text)).recipes)
            names.append(recipe.name);
        EXPECT_EQ(names, c.names) << c.text;
    }
}

TEST(MealMasterReader, TheFileStartTellsMealMasterApart) {
    const struct {
        const char* head;
        bool expected;
    } cases[] = {
        {"MMMMM----- Recipe via Meal-Master (tm) v8.02\n", true},
        {"---------- Recipe via Meal-Master (tm) v8.01\r\n", true},
        {"\n----- Exported by Krecipes vSVN [Meal-Master Export Format] -----\n", true},
        {"---------------\nminutes of the meeting\n", false},
        {"Title: a letter\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MealMasterReader::looksLikeMealMaster(QByteArray(c.head)), c.expected) << c.head;
}

class MealMasterRealFiles : public ::testing::Test {
protected:
    static QString folder() { return testsupport::realDataPath(QStringLiteral("mmf")); }
    void SetUp() override {
        if (!QDir(folder()).exists())
            GTEST_SKIP() << "no real MealMaster files at " << folder().toStdString();
    }
    static ForeignReadResult readFile(const QString& relative) {
        QFile file(folder() + u'/' + relative);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString();
        return MealMasterReader::read(file.readAll());
    }
};

TEST_F(MealMasterRealFiles, EveryFileGivesTheRecipesItHolds) {
    QHash<QString, int> expected = {
        {QStringLiteral("GourmandRecipeManager__gourmand/tests/recipe_files/mealmaster.mmf"), 5},
        {QStringLiteral("GourmandRecipeManager__gourmand/tests/recipe_files/mealmaster_2_col.mmf"), 1},
        {QStringLiteral("KDE__krecipes/src/tests/import-export/mmftest.txt"), 2},
        {QStringLiteral("mera461__javaRecipes/core/src/test/data/1000.mmf"), 1000},
    };
    for (const char letter : QByteArrayLiteral("abcdefghijk"))
        expected.insert(
            QStringLiteral("mera461__javaRecipes/core/src/test/data/MM13000a-l.ZIP.d/Mm13000%1.mmf")
                .arg(QLatin1Char(letter)),
            1000);
    int files = 0;
    QDirIterator it(folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(folder()).relativeFilePath(it.next());
        ++files;
        ASSERT_TRUE(expected.contains(relative)) << "no count written for " << relative.toStdString();
        const ForeignReadResult read = readFile(relative);
        EXPECT_EQ(read.recipes.size(), expected.value(relative)) << relative.toStdString();
        int withIngredients = 0;
        for (const ForeignRecipe& recipe : read.recipes)
            withIngredients += recipe.ingredientsText.isEmpty() ? 0 : 1;
        // Nearly every recipe has ingredients; a layout misread would leave many without.
        EXPECT_GE(withIngredients * 10, int(read.recipes.size()) * 9) << relative.toStdString();
    }
    EXPECT_EQ(files, expected.size());
}

TEST_F(MealMasterRealFiles, SpotChecksOfRowsHeadingsAndDirections) {
    const ForeignReadResult krecipes =
        readFile(QStringLiteral("KDE__krecipes/src/tests/import-export/mmftest.txt"));
    ASSERT_EQ(krecipes.recipes.size(), 2);
    const ForeignRecipe& cookies = krecipes.recipes[0];
    EXPECT_EQ(cookies.name, QStringLiteral("Cookies_Test"));
    EXPECT_EQ(cookies.yield, QStringLiteral("2"));
    const QStringList lines = cookies.ingredientsText.split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Dry Ingredients:")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Fat & Liquids:")));
    EXPECT_TRUE(lines.contains(QStringLiteral("1 c. shortening, softened, at room temperature")));
    EXPECT_EQ(cookies.directions,
              QStringLiteral("Drop by spoonful on greased cookie sheet.  Bake in moderate oven."));

    const ForeignReadResult carrot =
        readFile(QStringLiteral("mera461__javaRecipes/core/src/test/data/MM13000a-l.ZIP.d/Mm13000a.mmf"));
    ASSERT_FALSE(carrot.recipes.isEmpty());
    EXPECT_EQ(carrot.recipes[0].name, QStringLiteral("Carrot Cake"));
    EXPECT_EQ(carrot.recipes[0].ingredientsText.count(u'\n') + 1, 13);
    EXPECT_TRUE(carrot.recipes[0].directions.startsWith(QStringLiteral("In large bowl, blend oil")));
}

} // namespace

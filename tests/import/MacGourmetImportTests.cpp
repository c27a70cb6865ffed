// MacGourmet exports read field by field (difficulty on the library's scale, keywords,
// summed times, ingredient rows as parser lines, later versions' lists), every real export
// read with the recipes it holds, and the import making records with their pictures as JPEG.
#include "common/Jpeg2000Encoding.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"
#include "share/ExchangeTestSupport.h"

#include "import/ForeignRecipeImporter.h"
#include "import/MacGourmetReader.h"
#include "library/IngredientRecords.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

QVariantMap time(qint64 kind, qint64 amount, qint64 unit, qint64 amount2 = 0, qint64 unit2 = 2) {
    return {{QStringLiteral("TIME_TYPE_ID"), kind},
            {QStringLiteral("AMOUNT"), amount},
            {QStringLiteral("TIME_UNIT_ID"), unit},
            {QStringLiteral("AMOUNT_2"), amount2},
            {QStringLiteral("TIME_UNIT_2_ID"), unit2}};
}

QVariantMap row(const char* quantity, const char* measurement, const char* description, const char* direction,
                bool divider = false) {
    return {{QStringLiteral("IS_DIVIDER"), divider},
            {QStringLiteral("QUANTITY"), QString::fromUtf8(quantity)},
            {QStringLiteral("MEASUREMENT"), QString::fromUtf8(measurement)},
            {QStringLiteral("DESCRIPTION"), QString::fromUtf8(description)},
            {QStringLiteral("DIRECTION"), QString::fromUtf8(direction)}};
}

// One field of a recipe read, as text.
QString field(const ForeignRecipe& r, const QString& name) {
    const QHash<QString, QString> fields = {
        {QStringLiteral("difficulty"), QString::number(r.difficulty)},
        {QStringLiteral("keywords"), r.keywords.join(u',')},
        {QStringLiteral("prep"), r.prepTime},
        {QStringLiteral("cooking"), r.cookingTime},
        {QStringLiteral("inactive"), r.inactivePrepTime},
        {QStringLiteral("name"), r.name},
        {QStringLiteral("attribution"), r.attribution},
        {QStringLiteral("directions"), r.directions},
        {QStringLiteral("notes"), r.notes},
        {QStringLiteral("picture"), QString::fromLatin1(r.picture.toHex())}};
    return fields.value(name);
}

TEST(MacGourmetReader, FieldsTakeTheLibrarysScalesAndForms) {
    const qint64 most = std::numeric_limits<qint64>::max();
    const QString D = QStringLiteral("DIFFICULTY"), K = QStringLiteral("KEYWORDS"),
                  T = QStringLiteral("PREP_TIMES");
    auto step = [](const char* label, const char* text) {
        return QVariantMap{{QStringLiteral("LABEL_TEXT"), QString::fromUtf8(label)},
                           {QStringLiteral("DIRECTION_TEXT"), QString::fromUtf8(text)}};
    };
    const struct {
        QVariantMap dict;
        const char* field;
        const char* expected;
    } cases[] = {
        {{{D, 4}}, "difficulty", "2"},
        {{{D, 1}}, "difficulty", "1"},
        {{{D, 5}}, "difficulty", "3"},
        {{{D, 0}}, "difficulty", "0"},
        {{{D, 6}}, "difficulty", "0"},
        {{{D, QStringLiteral("3")}}, "difficulty", "0"},
        {{{K, QStringLiteral("quick vegetarian")}}, "keywords", "quick,vegetarian"},
        {{{K, QStringLiteral("x")}}, "keywords", "x"},
        {{{K, QStringLiteral("  a  b a ")}}, "keywords", "a,b"},
        {{{T, QVariantList{time(9, 1, 1), time(9, 30, 2)}}}, "prep", "1 hour 30 minutes"},
        {{{T, QVariantList{time(9, 45, 2)}}}, "prep", "45 minutes"},
        {{{T, QVariantList{time(9, 60, 2)}}}, "prep", "60 minutes"},
        {{{T, QVariantList{time(9, 2, 1)}}}, "prep", "1 hour 60 minutes"},
        {{{T, QVariantList{time(9, 2, 1, 30, 2)}}}, "prep", "2 hour 30 minutes"},
        {{{T, QVariantList{time(5, 10, 2, 1, 1)}}}, "cooking", "1 hour 10 minutes"},
        {{{T, QVariantList{time(28, 61, 2)}}}, "inactive", "1 hour 1 minutes"},
        {{{T, QVariantList{time(30, 5, 2), time(9, 5, 3), time(9, -10, 2)}}}, "prep", ""},
        {{{T, QVariantList{time(9, most, 1, most, 1)}}}, "prep", "166666 hour 40 minutes"},
        {{{QStringLiteral("NAME"), QStringLiteral(" Pie\r\nà la mode ")}}, "name", "Pie à la mode"},
        {{{QStringLiteral("NAME"), 12}}, "name", ""},
        {{{QStringLiteral("SOURCE"), QString()}}, "attribution", ""},
        {{{QStringLiteral("DIRECTIONS"), QStringLiteral("Mix.\r\nBake.\n\n\nServe.")}},
         "directions",
         "Mix.\n\nBake.\n\nServe."},
        {{{QStringLiteral("DIRECTIONS_LIST"), QVariantList{step("Prep", "Chop."), step("", "Cook.")}}},
         "directions",
         "Prep: Chop.\n\nCook."},
        {{{QStringLiteral("NOTES_LIST"),
           QVariantList{QVariantMap{{QStringLiteral("NOTE_TEXT"), QStringLiteral("Keeps.")}}}}},
         "notes",
         "Keeps."},
        // Text exports write the picture in hexadecimal digits; other kinds hold none.
        {{{QStringLiteral("EXPORT_TYPE"), QStringLiteral("TEXT")},
          {QStringLiteral("IMAGE"), QStringLiteral("ffd8 ffe0")}},
         "picture",
         "ffd8ffe0"},
        {{{QStringLiteral("EXPORT_TYPE"), QStringLiteral("NONE")},
          {QStringLiteral("IMAGE"), QByteArray("\xFF\xD8")}},
         "picture",
         ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(field(MacGourmetReader::readRecipe(c.dict), QLatin1String(c.field)),
                  QString::fromUtf8(c.expected))
            << c.field << " " << c.expected;
}

TEST(MacGourmetReader, IngredientRowsBecomeTheLinesTheParserReads) {
    const struct {
        QVariantMap row;
        const char* expected;
    } cases[] = {
        {row("2", "cups", "flour", "sifted"), "2 cups flour sifted"},
        {row("4", "", "large eggs", ""), "4 large eggs"},
        {row("", "", "*Sauce*", "", true), "Sauce:"},
        {row("", "", "*For the crust*", "chilled", true), "For the crust: chilled"},
        {row("1", "cup", "milk\nwarm", ""), "1 cup milk warm"},
        {row("", "", "", ""), ""},
        {QVariantMap{{QStringLiteral("DESCRIPTION"), QStringLiteral("salt")}}, "salt"},
        {QVariantMap{{QStringLiteral("QUANTITY"), 2},
                     {QStringLiteral("DESCRIPTION"), QStringLiteral("figs")}},
         "figs"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MacGourmetReader::ingredientLine(c.row), QString::fromUtf8(c.expected)) << c.expected;
}

TEST(MacGourmetReader, FilesThatHoldNoRecipesSayWhy) {
    EXPECT_FALSE(MacGourmetReader::read("not a property list").error.isEmpty());
    EXPECT_FALSE(MacGourmetReader::read(xmlPropertyListData(QVariantMap())).error.isEmpty());
    const ForeignReadResult mixed = MacGourmetReader::read(xmlPropertyListData(
        QVariantList{QStringLiteral("text"), QVariantMap{{QStringLiteral("NAME"), QStringLiteral("Pie")}}}));
    EXPECT_TRUE(mixed.error.isEmpty());
    ASSERT_EQ(mixed.recipes.size(), 1);
    EXPECT_EQ(mixed.recipes[0].name, QStringLiteral("Pie"));
    ASSERT_EQ(mixed.skipped.size(), 1);
    EXPECT_EQ(mixed.skipped[0].index, 0);

    // The same fields from a binary property list.
    QFile binary(testsupport::testDataPath(QStringLiteral("import/binary.mgourmet")));
    ASSERT_TRUE(binary.open(QIODevice::ReadOnly));
    const ForeignReadResult read = MacGourmetReader::read(binary.readAll());
    ASSERT_EQ(read.recipes.size(), 2);
    EXPECT_EQ(read.recipes[0].name, QStringLiteral("Lemon Curd"));
    EXPECT_EQ(read.recipes[0].difficulty, 2);
    EXPECT_EQ(read.recipes[0].cookingTime, QStringLiteral("20 minutes"));
    EXPECT_EQ(read.recipes[0].ingredientsText, QStringLiteral("3 lemons juiced\n1/2 cup sugar"));
}

// The real exports collected from other projects: the recipes each holds (the length of
// its root array), and spot checks of what they hold.
class MacGourmetRealFiles : public ::testing::Test {
protected:
    static QString folder() { return testsupport::realDataPath(QStringLiteral("mgourmet")); }
    void SetUp() override {
        if (!QDir(folder()).exists())
            GTEST_SKIP() << "no real MacGourmet files at " << folder().toStdString();
    }
    // The file of that name, wherever the folder keeps it.
    static QString pathOf(const QString& name) {
        QDirIterator it(folder(), {name}, QDir::Files, QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }
    static ForeignReadResult readFile(const QString& name) {
        QFile file(name.contains(u'/') ? name : pathOf(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return MacGourmetReader::read(file.readAll());
    }
};

TEST_F(MacGourmetRealFiles, EveryFileGivesTheRecipesItHolds) {
    // By file name: the names are unique in the folder.
    const QHash<QString, int> expected = {
        {QStringLiteral("Almost_Flourless_Chocolate_Cake-542.mgourmet"), 1},
        {QStringLiteral("Banana Chocolate Chip Bread.mgourmet"), 1},
        {QStringLiteral("MacGourmet Export Test for Prep.mgourmet"), 24},
        {QStringLiteral("specialChars.mgourmet"), 1},
        {QStringLiteral("1.mgourmet3"), 2},
        {QStringLiteral("2.mgourmet3"), 1},
    };
    int files = 0;
    QDirIterator it(folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QFileInfo(path).fileName();
        ++files;
        ASSERT_TRUE(expected.contains(relative)) << "no count written for " << relative.toStdString();
        const ForeignReadResult read = readFile(path);
        EXPECT_TRUE(read.error.isEmpty()) << relative.toStdString();
        EXPECT_EQ(read.recipes.size(), expected.value(relative)) << relative.toStdString();
        EXPECT_TRUE(read.skipped.isEmpty()) << relative.toStdString();
    }
    EXPECT_EQ(files, expected.size());
}

TEST_F(MacGourmetRealFiles, SpotChecksOfNamesRowsTimesAndPictures) {
    const ForeignReadResult banana = readFile(QStringLiteral("Banana Chocolate Chip Bread.mgourmet"));
    ASSERT_EQ(banana.recipes.size(), 1);
    const ForeignRecipe& bread = banana.recipes[0];
    EXPECT_EQ(bread.attribution, QStringLiteral("Daisy Brand Sour Cream"));
    EXPECT_EQ(bread.prepTime, QStringLiteral("15 minutes")); // the other kind (30) is not one of ours
    EXPECT_TRUE(bread.ingredientsText.startsWith(
        QStringLiteral("2 sticks butter at room temperature\n6 ounces cream cheese softened\n")));
    EXPECT_TRUE(bread.directions.startsWith(QStringLiteral("Blend butter, cream cheese and sugar")));
    EXPECT_FALSE(ForeignRecipeImporter::coverPicture(bread.picture).isEmpty());

    const ForeignReadResult special = readFile(QStringLiteral("specialChars.mgourmet"));
    ASSERT_EQ(special.recipes.size(), 1);
    EXPECT_EQ(special.recipes[0].name, QStringLiteral("Harry Young’s Burgoo (Stew/Soup)"));
    EXPECT_TRUE(special.recipes[0].ingredientsText.contains(
        QStringLiteral("frozen purple hull peas (about 1 3⁄4 lb.)")));

    // A text export writes its picture in hexadecimal digits.
    const ForeignReadResult cake = readFile(QStringLiteral("Almost_Flourless_Chocolate_Cake-542.mgourmet"));
    ASSERT_EQ(cake.recipes.size(), 1);
    EXPECT_TRUE(cake.recipes[0].picture.startsWith("\xFF\xD8\xFF"));
    EXPECT_TRUE(
        cake.recipes[0].directions.contains(QStringLiteral("Preheat oven to 350 degrees F.\n\nButter")));

    const ForeignReadResult prep = readFile(QStringLiteral("MacGourmet Export Test for Prep.mgourmet"));
    int timed = 0;
    for (const ForeignRecipe& recipe : prep.recipes)
        if (!recipe.prepTime.isEmpty() || !recipe.cookingTime.isEmpty() ||
            !recipe.inactivePrepTime.isEmpty()) {
            ++timed;
            EXPECT_EQ(recipe.name, QStringLiteral("Test Recipe for Frank \"Inactive\""));
            EXPECT_EQ(recipe.inactivePrepTime, QStringLiteral("5 minutes"));
        }
    EXPECT_EQ(timed, 1);

    // The later version keeps its rows and steps in lists of their own.
    const ForeignReadResult later = readFile(QStringLiteral("1.mgourmet3"));
    ASSERT_EQ(later.recipes.size(), 2);
    EXPECT_EQ(later.recipes[0].name, QStringLiteral("Recipe A"));
    EXPECT_EQ(later.recipes[0].difficulty, 1);
    EXPECT_EQ(later.recipes[0].yield, QStringLiteral("24 cookies"));
    EXPECT_EQ(later.recipes[0].ingredientsText,
              QStringLiteral("1 clove Garlic\n1 pound Chicken chopped & chopped"));
    EXPECT_EQ(
        later.recipes[0].directions,
        QStringLiteral("Prepare: Prepare the ingredients.\n\nMix: Mix the ingredients.\n\nCook the dish."));
    EXPECT_EQ(later.recipes[0].notes, QStringLiteral("This is a cooking note."));
    EXPECT_TRUE(later.recipes[1].picture.startsWith("\xFF\xD8\xFF"));
}

// The import into a library: the records, their pictures as JPEG of 450 x 338, saved once
// and selected.
class MacGourmetImportTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    RecordingProgressView m_progress;
    std::unique_ptr<testsupport::TestSession> m_library;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_library = std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("Test.library")),
                                                               m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }
    void TearDown() override {
        Scheduler::instance().advance(1.0);
        Scheduler::instance().setAutomaticTime();
    }
    QString exportFile(const QVariantList& recipes, const QString& name = QStringLiteral("export.mgourmet")) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeBytes(path, xmlPropertyListData(recipes)));
        return path;
    }
    static QVariantMap recipe(const QString& name, const QVariant& image = {}) {
        QVariantMap dict{{QStringLiteral("NAME"), name},
                         {QStringLiteral("DIFFICULTY"), 2},
                         {QStringLiteral("SOURCE"), QString()},
                         {QStringLiteral("KEYWORDS"), QStringLiteral("quick vegetarian")},
                         {QStringLiteral("DIRECTIONS"), QStringLiteral("Mix <well>.\nBake.")},
                         {QStringLiteral("INGREDIENTS"), QVariantList{row("", "", "*Sauce*", "", true),
                                                                      row("2", "cups", "flour", "sifted")}},
                         {QStringLiteral("PREP_TIMES"), QVariantList{time(9, 1, 1), time(9, 30, 2)}}};
        if (image.isValid()) {
            dict.insert(QStringLiteral("EXPORT_TYPE"), QStringLiteral("BINARY"));
            dict.insert(QStringLiteral("IMAGE"), image);
        }
        return dict;
    }
};

TEST_F(MacGourmetImportTest, RecordsAreMadeWithTheirPicturesAsJpeg) {
    QImage wide(900, 300, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    const QByteArray jp2 = testsupport::jpeg2000Data(wide);
    MacGourmetImporter importer(m_library->session(), &m_progress);
    importer.setShowWindow(true);
    importer.setSelectNewImports(true);
    importer.importDataFile(exportFile(
        {recipe(QStringLiteral("Green"), jp2), recipe(QStringLiteral("Jpeg"), pictureData("JPEG", 3)),
         recipe(QStringLiteral("Broken"), QByteArray("\xFF\xD8\xFF not really")),
         recipe(QStringLiteral("None"))}));
    const QList<ManagedObject*> imported = importer.importedRecipesArray();
    ASSERT_EQ(imported.size(), 4);
    ManagedObject* green = imported[0];
    EXPECT_EQ(green->valueForKey(QStringLiteral("difficulty")).toInt(), 1);
    EXPECT_EQ(green->stringValue(QStringLiteral("keywords")), QStringLiteral("quick,vegetarian"));
    EXPECT_EQ(green->stringValue(QStringLiteral("prepTime")), QStringLiteral("1 hour 30 minutes"));
    EXPECT_EQ(testsupport::textUnits(green->valueForKey(QStringLiteral("attribution"))), "text[]");
    EXPECT_EQ(testsupport::textUnits(green->valueForKey(QStringLiteral("cookingTime"))), "text[]");
    EXPECT_EQ(green->stringValue(QStringLiteral("directions")),
              QStringLiteral("<p>Mix &lt;well&gt;.</p>\n<p>Bake.</p>"));
    const QVariantList rows = IngredientRecords::ingredientsOfRecipe(green);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(IngredientRecords::isGroupTitle(rows[0]));
    EXPECT_TRUE(
        IngredientRecords::textForKey(rows[0], QStringLiteral("name")).startsWith(QStringLiteral("Sauce")));
    EXPECT_TRUE(
        IngredientRecords::textForKey(rows[1], QStringLiteral("name")).contains(QStringLiteral("flour")));

    const QString images[] = {dynamic_cast<RecipesManagedObject*>(imported[0])->imagePathAtIndex(1),
                              dynamic_cast<RecipesManagedObject*>(imported[1])->imagePathAtIndex(1),
                              dynamic_cast<RecipesManagedObject*>(imported[2])->imagePathAtIndex(1),
                              dynamic_cast<RecipesManagedObject*>(imported[3])->imagePathAtIndex(1)};
    for (int i = 0; i < 2; ++i) {
        QFile file(images[i]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << images[i].toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\xFF\xD8\xFF")) << i; // baseline JPEG, not JPEG 2000
        const QImage stored = QImage::fromData(bytes, "JPEG");
        EXPECT_EQ(stored.size(), QSize(450, 338)) << i;
    }
    // The middle of the wide picture was kept: it is green all over.
    const QImage cropped(images[0]);
    EXPECT_GT(qGreen(cropped.pixel(10, 10)), 80);
    EXPECT_FALSE(QFile::exists(images[2]));
    EXPECT_FALSE(QFile::exists(images[3]));
    EXPECT_EQ(importer.importResult().skippedPictures, 1);

    EXPECT_FALSE(m_library->context()->hasChanges());
    EXPECT_EQ(m_library->recipes().selectedObjects(), imported);
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("header Converting: Green")));
}

TEST_F(MacGourmetImportTest, ExportsAreRoutedByExtensionAndImportFromTheCommandLine) {
    for (const char* name : {"a.mgourmet", "b.MGOURMET", "c.mgourmet3", "d.mgourmet4"})
        EXPECT_EQ(foreignFormatOfFile(exportFile({}, QLatin1String(name))), ForeignFormat::MacGourmet)
            << name;

    const QString library = m_dir.filePath(QStringLiteral("Cli.library"));
    ASSERT_EQ(testsupport::runCli({QStringLiteral("--library"), library, QStringLiteral("create")}).exitCode,
              0);
    const testsupport::CliRun run =
        testsupport::runCli({QStringLiteral("--library"), library, QStringLiteral("import"),
                             exportFile({recipe(QStringLiteral("Pie")), QStringLiteral("not a recipe")})});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject out = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(out.value(QStringLiteral("imported")).toInt(), 1);
    EXPECT_EQ(out.value(QStringLiteral("skipped")).toArray().size(), 1);
    EXPECT_EQ(out.value(QStringLiteral("duplicates")).toArray().size(), 0);

    // A file that is no export is an error, not an import of nothing.
    const QString bad = m_dir.filePath(QStringLiteral("bad.mgourmet"));
    ASSERT_TRUE(writeBytes(bad, "<html>"));
    EXPECT_NE(
        testsupport::runCli({QStringLiteral("--library"), library, QStringLiteral("import"), bad}).exitCode,
        0);
}

} // namespace

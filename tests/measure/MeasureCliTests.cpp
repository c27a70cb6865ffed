// The measurement commands of larkspoon-cli, run as a separate process against real
// library folders.
#include "MeasureTestLibrary.h"
#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using testsupport::runCli;

QJsonValue jsonOf(const testsupport::CliRun& run) {
    const QByteArray text = run.out.trimmed();
    const QJsonDocument document = QJsonDocument::fromJson("[" + text + "]");
    return document.array().at(0);
}

TEST(MeasureCli, QuantityAndConvertCommands) {
    struct Case {
        QStringList args;
        QJsonValue expected;
    };
    const Case cases[] = {
        {{QStringLiteral("quantity"), QStringLiteral("scale"), QStringLiteral("2 to 3"), QStringLiteral("2")},
         QStringLiteral("4.0 to 6.0 ")},
        {{QStringLiteral("quantity"), QStringLiteral("scale"), QStringLiteral("12oz"), QStringLiteral("2")},
         QStringLiteral("FAILED_CONVERSION")},
        {{QStringLiteral("quantity"), QStringLiteral("fraction"), QStringLiteral("0.6667")},
         QStringLiteral("2/3")},
        {{QStringLiteral("quantity"), QStringLiteral("value"), QStringLiteral("2 1/2 1/4")}, 2.75},
        {{QStringLiteral("quantity"), QStringLiteral("value"), QStringLiteral("1/3")}, 0.33333334},
        {{QStringLiteral("convert"), QStringLiteral("nearest"), QStringLiteral("36"),
          QStringLiteral("teaspoons")},
         QJsonObject{{QStringLiteral("quantity"), QStringLiteral("3/4")},
                     {QStringLiteral("measurement"), QStringLiteral("cup")}}},
        {{QStringLiteral("convert"), QStringLiteral("lowest"), QStringLiteral("1.5"),
          QStringLiteral("kilograms")},
         QJsonObject{{QStringLiteral("quantity"), QStringLiteral("1500")},
                     {QStringLiteral("measurement"), QStringLiteral("grams")}}},
        {{QStringLiteral("convert"), QStringLiteral("nearest"), QStringLiteral("2 large"),
          QStringLiteral("cups")},
         QJsonObject{{QStringLiteral("quantity"), QStringLiteral("2 large")},
                     {QStringLiteral("measurement"), QStringLiteral("cups")}}},
        {{QStringLiteral("convert"), QStringLiteral("preferred"), QStringLiteral("Tbs."),
          QStringLiteral("2")},
         QStringLiteral("tablespoons")},
        {{QStringLiteral("convert"), QStringLiteral("preferred"), QStringLiteral(""), QStringLiteral("2")},
         QJsonValue::Null},
    };
    const QString noLibrary = QDir::temp().filePath(QStringLiteral("larkspoon-measure-no-such-library"));
    for (const Case& c : cases) {
        const testsupport::CliRun run = runCli(QStringList{QStringLiteral("--library"), noLibrary} + c.args);
        EXPECT_EQ(run.exitCode, 0) << c.args.join(u' ').toStdString() << run.err.toStdString();
        EXPECT_EQ(jsonOf(run), c.expected)
            << c.args.join(u' ').toStdString() << " gave " << run.out.toStdString();
    }
    for (const QStringList& bad :
         {QStringList{QStringLiteral("quantity"), QStringLiteral("fraction"), QStringLiteral("abc")},
          QStringList{QStringLiteral("quantity"), QStringLiteral("scale"), QStringLiteral("1")},
          QStringList{QStringLiteral("convert"), QStringLiteral("sideways"), QStringLiteral("1"),
                      QStringLiteral("cup")},
          QStringList{QStringLiteral("quantity")}}) {
        EXPECT_EQ(runCli(bad).exitCode, 2) << bad.join(u' ').toStdString();
    }
}

TEST(MeasureCli, ParseIngredientsWithAndWithoutALibrary) {
    const QByteArray text = "2 cups flour, sifted\nFor the crust:\n1 Tbl oil\n";
    const QJsonArray expected{
        QJsonObject{{QStringLiteral("quantity"), QStringLiteral("2")},
                    {QStringLiteral("measurement"), QStringLiteral("cups")},
                    {QStringLiteral("name"), QStringLiteral("flour")},
                    {QStringLiteral("method"), QStringLiteral("sifted")},
                    {QStringLiteral("isGroupTitle"), QStringLiteral("NO")}},
        QJsonObject{{QStringLiteral("quantity"), QStringLiteral("")},
                    {QStringLiteral("measurement"), QStringLiteral("")},
                    {QStringLiteral("name"), QStringLiteral("For the crust:")},
                    {QStringLiteral("method"), QStringLiteral("")},
                    {QStringLiteral("isGroupTitle"), QStringLiteral("YES")}},
        QJsonObject{{QStringLiteral("quantity"), QStringLiteral("1")},
                    {QStringLiteral("measurement"), QStringLiteral("")},
                    {QStringLiteral("name"), QStringLiteral("Tbl oil")},
                    {QStringLiteral("method"), QStringLiteral("")},
                    {QStringLiteral("isGroupTitle"), QStringLiteral("NO")}},
    };
    QTemporaryDir folder;
    const QString libraryPath = folder.filePath(QStringLiteral("Kitchen.library"));
    testsupport::CliRun run =
        runCli({QStringLiteral("--library"), libraryPath, QStringLiteral("parse-ingredients")}, text);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(jsonOf(run), expected);

    // A library's own words count beside the unit spellings of its rules (a new library
    // starts with the default rules).
    ASSERT_EQ(runCli({QStringLiteral("--library"), libraryPath, QStringLiteral("create")}).exitCode, 0);
    ASSERT_TRUE(writePropertyListFile(QVariantList{QStringLiteral("Tbl")},
                                      libraryPath + QStringLiteral("/Measurements.plist")));
    run = runCli({QStringLiteral("--library"), libraryPath, QStringLiteral("parse-ingredients")}, text);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonArray withWords = expected;
    withWords[2] = QJsonObject{{QStringLiteral("quantity"), QStringLiteral("1")},
                               {QStringLiteral("measurement"), QStringLiteral("Tbl")},
                               {QStringLiteral("name"), QStringLiteral("oil")},
                               {QStringLiteral("method"), QStringLiteral("")},
                               {QStringLiteral("isGroupTitle"), QStringLiteral("NO")}};
    EXPECT_EQ(jsonOf(run), withWords) << run.out.toStdString() << run.err.toStdString();
}

class MeasureCliLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        std::unique_ptr<ObjectContext> context = openLibraryStore(m_libraryPath, true, &error);
        ASSERT_TRUE(context) << error.toStdString();
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            context.get(), MeasurementRules::defaultSmartMeasurementList());
        ManagedObject* recipe = context->insertNewObject(QStringLiteral("Recipes"));
        recipe->setValueForKey(QStringLiteral("Pancakes"), QStringLiteral("name"));
        recipe->setValueForKey(QStringLiteral("4 servings"), QStringLiteral("yield"));
        recipe->setValueForKey(QStringLiteral("Stack them high."), QStringLiteral("notes"));
        const QVariantList rows{
            MeasureTestLibrary::ingredient(QStringLiteral("1 1/2"), QStringLiteral("cups"),
                                           QStringLiteral("flour")),
            MeasureTestLibrary::ingredient(QStringLiteral("1-2"), QString(), QStringLiteral("eggs")),
            MeasureTestLibrary::ingredient(QStringLiteral("1/4"), QStringLiteral("tsp"),
                                           QStringLiteral("salt"))};
        m_ingredients = structuredTextFromValue(rows);
        recipe->setValueForKey(m_ingredients, QStringLiteral("ingredientsArray"));
        m_uniqueID = recipe->valueForKey(QStringLiteral("uniqueID")).toString();
        ASSERT_FALSE(m_uniqueID.isEmpty());
        ASSERT_TRUE(context->save(&error)) << error.toStdString();
    }

    testsupport::CliRun cli(const QStringList& args) {
        return runCli(QStringList{QStringLiteral("--library"), m_libraryPath} + args);
    }

    QTemporaryDir m_folder;
    QString m_libraryPath = m_folder.filePath(QStringLiteral("Kitchen.library"));
    QString m_uniqueID;
    QString m_ingredients;
};

TEST_F(MeasureCliLibrary, ScaleMakesAScaledCopyAndKeepsTheOriginal) {
    const testsupport::CliRun run =
        cli({QStringLiteral("scale"), m_uniqueID, QStringLiteral("--yield"), QStringLiteral("2")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject result = jsonOf(run).toObject();
    EXPECT_EQ(result.value(QStringLiteral("name")).toString(),
              QStringLiteral("Pancakes- Scaled to 2 servings"));
    EXPECT_EQ(result.value(QStringLiteral("yield")).toString(), QStringLiteral("2 servings"));
    EXPECT_EQ(result.value(QStringLiteral("failed")).toArray(), QJsonArray{1});
    const QString copyID = result.value(QStringLiteral("uniqueID")).toString();
    EXPECT_NE(copyID, m_uniqueID);

    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(m_libraryPath, false, &error);
    ASSERT_TRUE(context) << error.toStdString();
    ManagedObject* original = nullptr;
    ManagedObject* copy = nullptr;
    for (ManagedObject* recipe : context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")))) {
        const QString id = recipe->valueForKey(QStringLiteral("uniqueID")).toString();
        (id == m_uniqueID ? original : copy) = recipe;
    }
    ASSERT_TRUE(original && copy);
    EXPECT_EQ(copy->valueForKey(QStringLiteral("uniqueID")).toString(), copyID);
    EXPECT_EQ(original->valueForKey(QStringLiteral("ingredientsArray")).toString(), m_ingredients);
    EXPECT_EQ(original->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Pancakes"));
    EXPECT_EQ(copy->valueForKey(QStringLiteral("notes")).toString(), QStringLiteral("Stack them high."));
    const QVariantList rows = MeasureTestLibrary::ingredientsOf(copy);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).toMap().value(QStringLiteral("quantity")).toString(), QStringLiteral("3/4"));
    EXPECT_EQ(rows.at(0).toMap().value(QStringLiteral("measurement")).toString(), QStringLiteral("cup"));
    EXPECT_EQ(rows.at(1).toMap().value(QStringLiteral("quantity")).toString(), QStringLiteral("1-2"));
    EXPECT_EQ(rows.at(2).toMap().value(QStringLiteral("quantity")).toString(), QStringLiteral("1/8"));
    EXPECT_EQ(rows.at(2).toMap().value(QStringLiteral("measurement")).toString(), QStringLiteral("teaspoon"));

    // Nothing is made when there is no factor.
    EXPECT_EQ(
        cli({QStringLiteral("scale"), m_uniqueID, QStringLiteral("--yield"), QStringLiteral("0")}).exitCode,
        2);
    EXPECT_EQ(cli({QStringLiteral("scale"), QStringLiteral("no-such-recipe"), QStringLiteral("--yield"),
                   QStringLiteral("2")})
                  .exitCode,
              2);
    context.reset();
    context = openLibraryStore(m_libraryPath, false, &error);
    EXPECT_EQ(context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).size(), 2);
}

TEST_F(MeasureCliLibrary, RulesCommands) {
    const QString exportPath = m_folder.filePath(QStringLiteral("out/Smart Measurements.plist"));
    testsupport::CliRun run = cli({QStringLiteral("rules"), QStringLiteral("export"), exportPath});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readPropertyListFile(exportPath).value.toList(),
              MeasurementRules::defaultSmartMeasurementList());

    run = cli({QStringLiteral("rules"), QStringLiteral("apply")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(jsonOf(run).toObject().value(QStringLiteral("recipes")).toInt(), 1);
    QString error;
    {
        std::unique_ptr<ObjectContext> context = openLibraryStore(m_libraryPath, false, &error);
        ASSERT_TRUE(context) << error.toStdString();
        ManagedObject* recipe = context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).first();
        EXPECT_EQ(MeasureTestLibrary::ingredientsOf(recipe)
                      .at(2)
                      .toMap()
                      .value(QStringLiteral("measurement"))
                      .toString(),
                  QStringLiteral("teaspoon"));
        ManagedObject* extra = context->insertNewObject(QStringLiteral("SmartMeasurements"));
        extra->setValueForKey(QStringLiteral("Tbsp"), QStringLiteral("name"));
        ASSERT_TRUE(context->save(&error));
    }
    run = cli({QStringLiteral("rules"), QStringLiteral("reset")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(jsonOf(run).toObject().value(QStringLiteral("smartMeasurements")).toInt(), 32);

    EXPECT_EQ(cli({QStringLiteral("rules"), QStringLiteral("sideways")}).exitCode, 2);
    EXPECT_EQ(runCli({QStringLiteral("--library"), m_folder.filePath(QStringLiteral("none")),
                      QStringLiteral("rules"), QStringLiteral("apply")})
                  .exitCode,
              3);
}

} // namespace

// Imports that meet recipes the library holds already: which recipes count as the same,
// the question of the finished dialog and what each answer leaves, the command line's
// report, and exchange files whose pictures are JPEG 2000.
#include "ExchangeTestSupport.h"
#include "common/Jpeg2000Encoding.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"

#include "import/ForeignRecipeImporter.h"
#include "library/IngredientRecords.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "share/DuplicateFinder.h"
#include "share/VersionTwoImporterExporter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

class DuplicateImportTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    RecordingProgressView m_progress;
    std::unique_ptr<testsupport::TestSession> m_library;
    ObjectContext* m_context = nullptr;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_library = std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("Test.library")),
                                                               m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
        m_context = m_library->context();
    }
    void TearDown() override {
        Scheduler::instance().advance(1.0);
        Scheduler::instance().setAutomaticTime();
    }
    // A recipe with ingredient rows; a name ending in ":" is a group title.
    ManagedObject* newRecipe(const QString& name, const QStringList& ingredients) {
        ManagedObject* recipe = m_context->insertNewObject(QStringLiteral("Recipes"));
        recipe->setValueForKey(name, QStringLiteral("name"));
        QVariantList rows;
        for (const QString& ingredient : ingredients) {
            QVariantMap row = IngredientRecords::newIngredientRecord();
            row.insert(QStringLiteral("name"), ingredient);
            if (ingredient.endsWith(u':'))
                row.insert(QStringLiteral("isGroupTitle"), true);
            rows.append(row);
        }
        IngredientRecords::setIngredientsOfRecipe(recipe, rows);
        return recipe;
    }
    int recipeCount() { return m_context->countForFetchRequest(FetchRequest(QStringLiteral("Recipes"))); }
    // Three recipes saved in the library and written to an exchange file.
    QString threeRecipesFile() {
        const QList<ManagedObject*> recipes = {
            newRecipe(QStringLiteral("Apple Pie"), {QStringLiteral("flour"), QStringLiteral("apples")}),
            newRecipe(QStringLiteral("Tea"), {QStringLiteral("water")}),
            newRecipe(QStringLiteral("Toast"), {})};
        EXPECT_TRUE(m_library->session()->save());
        const QString path = m_dir.filePath(QStringLiteral("three.lsr"));
        VersionTwoImporterExporter exporter(m_library->session());
        EXPECT_TRUE(exporter.exportRecipes(recipes, path));
        return path;
    }
    QList<ManagedObject*> importWithDialog(const QString& path, QList<int> answers,
                                           ExchangeImportResult* result = nullptr) {
        m_progress.answers = std::move(answers);
        VersionTwoImporterExporter importer(m_library->session(), &m_progress);
        importer.setShowWindow(true);
        importer.setDuplicatePolicy(DuplicatePolicy::Ask);
        importer.importDataFile(path);
        if (result)
            *result = importer.importResult();
        return importer.importedRecipesArray();
    }
};

TEST_F(DuplicateImportTest, RecipesAreTheSameByNormalisedNameAndIngredientNames) {
    ManagedObject* pie =
        newRecipe(QStringLiteral("Apple Pie"), {QStringLiteral("Flour"), QStringLiteral("butter  milk")});
    newRecipe(QStringLiteral("Äpfel"), {});
    const struct {
        const char* name;
        QStringList ingredients;
        bool same;
    } cases[] = {
        {"Apple Pie", {QStringLiteral("Flour"), QStringLiteral("butter  milk")}, true},
        {"  apple\tPIE ", {QStringLiteral(" BUTTER milk"), QStringLiteral("flour")}, true},
        {"Apple Pie",
         {QStringLiteral("Crust:"), QStringLiteral("flour"), QStringLiteral("butter milk")},
         true},
        {"Apple Pie", {QStringLiteral("flour")}, false},
        {"Apple Pie",
         {QStringLiteral("flour"), QStringLiteral("butter milk"), QStringLiteral("salt")},
         false},
        {"Apple Tart", {QStringLiteral("flour"), QStringLiteral("butter milk")}, false},
        {"ÄPFEL", {}, true},
        {"Apfel", {}, false},
    };
    QList<ManagedObject*> incoming;
    for (const auto& c : cases)
        incoming.append(newRecipe(QString::fromUtf8(c.name), c.ingredients));
    const DuplicateFinder finder(m_context, incoming);
    EXPECT_EQ(finder.indexedRecipes(), 2);
    for (qsizetype i = 0; i < incoming.size(); ++i) {
        ManagedObject* existing = finder.existingCopyOf(incoming[i]);
        EXPECT_EQ(existing != nullptr, cases[i].same) << cases[i].name;
        EXPECT_TRUE(i >= 3 || existing == pie) << cases[i].name;
    }
}

TEST_F(DuplicateImportTest, ASecondImportFindsAllAndKeepBothKeepsThem) {
    const QString file = threeRecipesFile();
    ExchangeImportResult result;
    const QList<ManagedObject*> imported = importWithDialog(file, {0}, &result);
    EXPECT_EQ(imported.size(), 3);
    EXPECT_EQ(recipeCount(), 6);
    ASSERT_EQ(result.duplicates.size(), 3);
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(result.duplicates[i].uniqueID, imported[i]->stringValue(QStringLiteral("uniqueID")));
    EXPECT_EQ(m_progress.questions,
              QStringList{QStringLiteral(
                  "3 of these recipes were already in your library [Keep Both|Skip Duplicates]")});
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("header Finished Importing. 3 recipes imported.")))
        << m_progress.steps.join(u'\n').toStdString();
    EXPECT_FALSE(m_context->hasChanges());
}

TEST_F(DuplicateImportTest, SkipDuplicatesLeavesTheLibraryAsItWas) {
    const QString file = threeRecipesFile();
    const QByteArray storeBefore = QByteArray::number(recipeCount());
    ExchangeImportResult result;
    const QList<ManagedObject*> imported = importWithDialog(file, {1}, &result);
    EXPECT_TRUE(imported.isEmpty());
    EXPECT_EQ(QByteArray::number(recipeCount()), storeBefore);
    ASSERT_EQ(result.duplicates.size(), 3);
    for (const DuplicateMatch& match : result.duplicates) {
        EXPECT_TRUE(match.uniqueID.isEmpty());
        EXPECT_FALSE(match.existingUniqueID.isEmpty());
    }
    EXPECT_FALSE(m_context->hasChanges());
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("header Finished Importing. 0 recipes imported.")))
        << m_progress.steps.join(u'\n').toStdString();

    // A file with a new recipe among known ones: only the new one comes in.
    ManagedObject* known = m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).first();
    const QVariantMap copy =
        VersionTwoImporterExporter(m_library->session()).exportDictionaryForRecipe(known);
    QVariantMap fresh = copy;
    fresh.insert(QStringLiteral("name"), QStringLiteral("Something New"));
    const QString mixed = m_dir.filePath(QStringLiteral("mixed.lsr"));
    ASSERT_TRUE(writePropertyListFile(QVariantList{copy, fresh}, mixed));
    m_progress.questions.clear();
    const QList<ManagedObject*> added = importWithDialog(mixed, {1}, &result);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0]->stringValue(QStringLiteral("name")), QStringLiteral("Something New"));
    EXPECT_EQ(m_progress.questions.size(), 1);
    EXPECT_TRUE(m_progress.questions.value(0).startsWith(QStringLiteral("1 of these recipes")));
}

TEST_F(DuplicateImportTest, NoQuestionWithoutDuplicatesOrWithoutADialog) {
    const QString file = threeRecipesFile();
    // Headless callers keep both without asking.
    VersionTwoImporterExporter headless(m_library->session());
    headless.importDataFile(file);
    EXPECT_EQ(headless.importedRecipesArray().size(), 3);
    EXPECT_EQ(headless.importResult().duplicates.size(), 3);
    // An import into another library meets nothing it holds.
    testsupport::TestSession other(m_dir.filePath(QStringLiteral("Other.library")), m_alerts);
    VersionTwoImporterExporter importer(other.session(), &m_progress);
    importer.setShowWindow(true);
    importer.setDuplicatePolicy(DuplicatePolicy::Ask);
    importer.importDataFile(file);
    EXPECT_EQ(importer.importedRecipesArray().size(), 3);
    EXPECT_TRUE(importer.importResult().duplicates.isEmpty());
    EXPECT_TRUE(m_progress.questions.isEmpty());
}

TEST_F(DuplicateImportTest, TheCommandLineListsDuplicatesAndSkipsThemOnRequest) {
    const QString library = m_dir.filePath(QStringLiteral("Cli.library"));
    ASSERT_EQ(testsupport::runCli({QStringLiteral("--library"), library, QStringLiteral("create")}).exitCode,
              0);
    const QString file = threeRecipesFile();
    auto import = [&](const QString& path, bool skip) {
        QStringList args{QStringLiteral("--library"), library, QStringLiteral("import"), path};
        if (skip)
            args << QStringLiteral("--skip-duplicates");
        const testsupport::CliRun run = testsupport::runCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out).object();
    };
    const QJsonObject first = import(file, false);
    EXPECT_EQ(first.value(QStringLiteral("imported")).toInt(), 3);
    EXPECT_TRUE(first.value(QStringLiteral("duplicates")).toArray().isEmpty());
    const QJsonArray firstIDs = first.value(QStringLiteral("uniqueIDs")).toArray();

    const QJsonObject kept = import(file, false);
    EXPECT_EQ(kept.value(QStringLiteral("imported")).toInt(), 3);
    const QJsonArray both = kept.value(QStringLiteral("duplicates")).toArray();
    ASSERT_EQ(both.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(both[i].toObject().value(QStringLiteral("uniqueID")),
                  kept.value(QStringLiteral("uniqueIDs")).toArray()[i]);
        EXPECT_TRUE(firstIDs.contains(both[i].toObject().value(QStringLiteral("existing"))));
    }

    const QJsonObject skipped = import(file, true);
    EXPECT_EQ(skipped.value(QStringLiteral("imported")).toInt(), 0);
    EXPECT_TRUE(skipped.value(QStringLiteral("uniqueIDs")).toArray().isEmpty());
    const QJsonArray left = skipped.value(QStringLiteral("duplicates")).toArray();
    ASSERT_EQ(left.size(), 3);
    for (const QJsonValue& match : left) {
        EXPECT_TRUE(match.toObject().value(QStringLiteral("uniqueID")).isNull());
        EXPECT_TRUE(match.toObject().contains(QStringLiteral("uniqueID")));
    }

    // Other programs' files go through the same check.
    const QString mgourmet = m_dir.filePath(QStringLiteral("tea.mgourmet"));
    ASSERT_TRUE(writeBytes(
        mgourmet,
        xmlPropertyListData(QVariantList{QVariantMap{
            {QStringLiteral("NAME"), QStringLiteral("TEA")},
            {QStringLiteral("INGREDIENTS"),
             QVariantList{QVariantMap{{QStringLiteral("DESCRIPTION"), QStringLiteral("Water")}}}}}})));
    const QJsonObject foreign = import(mgourmet, true);
    EXPECT_EQ(foreign.value(QStringLiteral("imported")).toInt(), 0);
    EXPECT_EQ(foreign.value(QStringLiteral("duplicates")).toArray().size(), 1);
}

TEST_F(DuplicateImportTest, TheWindowsForeignImportAsksInItsFinishedDialog) {
    newRecipe(QStringLiteral("Tea"), {QStringLiteral("water")});
    ASSERT_TRUE(m_library->session()->save());
    const QString mgourmet = m_dir.filePath(QStringLiteral("tea.mgourmet"));
    ASSERT_TRUE(writeBytes(
        mgourmet,
        xmlPropertyListData(QVariantList{QVariantMap{
            {QStringLiteral("NAME"), QStringLiteral("Tea")},
            {QStringLiteral("INGREDIENTS"),
             QVariantList{QVariantMap{{QStringLiteral("DESCRIPTION"), QStringLiteral("water")}}}}}})));
    m_progress.answers = {1};
    ForeignImportOperation* operation =
        ForeignImportOperation::start(*m_library->session(), mgourmet, &m_progress);
    ASSERT_TRUE(operation);
    QSignalSpy finished(operation, &RecipeImportOperation::finished);
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(m_progress.questions.size(), 1);
    EXPECT_EQ(recipeCount(), 1);
    EXPECT_FALSE(m_context->hasChanges());
}

// Exchange files may hold JPEG 2000 pictures, which the pages cannot show: they are stored
// as JPEG of the same size.
TEST_F(DuplicateImportTest, AnExchangePictureInJpeg2000IsStoredAsJpeg) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    for (const bool codestream : {false, true}) {
        const QString file = m_dir.filePath(QStringLiteral("picture.lsr"));
        ASSERT_TRUE(writePropertyListFile(
            QVariantList{QVariantMap{
                {QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                {QStringLiteral("name"), QStringLiteral("Red %1").arg(codestream)},
                {QStringLiteral("image1"), testsupport::jpeg2000Data(image, codestream)},
                {QStringLiteral("image2"), QByteArray("\x00\x00\x00\x0CjP  \r\n\x87\n garbage", 24)}}},
            file));
        VersionTwoImporterExporter importer(m_library->session());
        importer.importDataFile(file);
        ASSERT_EQ(importer.importedRecipesArray().size(), 1);
        auto* recipe = dynamic_cast<RecipesManagedObject*>(importer.importedRecipesArray().first());
        QFile stored(recipe->imagePathAtIndex(1));
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        const QByteArray bytes = stored.readAll();
        EXPECT_TRUE(bytes.startsWith("\xFF\xD8\xFF")) << codestream;
        const QImage back = QImage::fromData(bytes, "JPEG");
        EXPECT_EQ(back.size(), QSize(40, 30));
        EXPECT_GT(qRed(back.pixel(20, 15)), 150);
        // A JPEG 2000 signature over garbage is counted as a picture Larkspoon! cannot show.
        EXPECT_FALSE(recipe->hasImageAtIndex(2));
        EXPECT_EQ(importer.importResult().picturesInUnknownFormat, 1);
    }
}

} // namespace

// Exchange files and their size limit (a picture the file cannot carry is left out on
// export, a recipe past the limit is passed over on import), and the window's import in
// batches: Cancel keeps what was imported, and the recipe list shows every recipe after.
#include "ExchangeTestSupport.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"

#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "share/VersionTwoImporterExporter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QString kName = QStringLiteral("name");

// Lowers the limit the readers and the writer share, for one test.
struct ByteLimit {
    explicit ByteLimit(qint64 bytes) { setPropertyListByteLimitForTesting(bytes); }
    ~ByteLimit() { setPropertyListByteLimitForTesting(0); }
};

class ExchangeSizeTest : public ::testing::Test {
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
    LibrarySession* session() const { return m_library->session(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    RecipesManagedObject* newRecipe(const QString& name) {
        auto* recipe =
            dynamic_cast<RecipesManagedObject*>(m_context->insertNewObject(QStringLiteral("Recipes")));
        recipe->setValueForKey(name, kName);
        return recipe;
    }
    static QVariantMap entry(const QString& name, const QVariantMap& more = {}) {
        QVariantMap values = more;
        values.insert(QStringLiteral("modelVersion"), QStringLiteral("2.3"));
        values.insert(kName, name);
        return values;
    }
    // A file of count recipes named prefix 1, prefix 2, ...
    QString recipesFile(const QString& prefix, int count) {
        QVariantList recipes;
        for (int i = 1; i <= count; ++i)
            recipes.append(entry(QStringLiteral("%1 %2").arg(prefix).arg(i)));
        const QString file = path(prefix + QStringLiteral(".lsr"));
        EXPECT_TRUE(writePropertyListFile(recipes, file));
        return file;
    }
    QStringList names(const QList<ManagedObject*>& recipes) {
        QStringList out;
        for (const ManagedObject* recipe : recipes)
            out << recipe->stringValue(kName);
        return out;
    }
};

// With the real limit: a picture whose file is larger than a recipe may be is left out
// without being read (the file is sparse), the pictures around it are kept.
TEST_F(ExchangeSizeTest, ExportLeavesOutAPictureTooLargeForTheFileAndCountsIt) {
    RecipesManagedObject* recipe = newRecipe(QStringLiteral("Eleven pictures"));
    QString error;
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(recipe->saveImage(pictureData("PNG", n), n, &error)) << error.toStdString();
    ASSERT_TRUE(QFile::resize(recipe->imagePathAtIndex(2), kMaxPropertyListBytes / 4 * 3 + 1));
    ASSERT_TRUE(session()->save());

    VersionTwoImporterExporter exporter(session(), &m_progress);
    exporter.setShowWindow(true);
    ASSERT_TRUE(exporter.exportRecipes({recipe}, path(QStringLiteral("out.lsr")), &error))
        << error.toStdString();
    EXPECT_EQ(exporter.exportResult().skippedPictures, 1);
    EXPECT_EQ(
        m_progress.steps.last(),
        QStringLiteral("header Finished Exporting. 1 picture was left out: its recipe would be too large "
                       "for the file."));
    const QVariantMap written =
        readPropertyListFile(path(QStringLiteral("out.lsr"))).value.toList().value(0).toMap();
    EXPECT_EQ(written.value(QStringLiteral("image1")), QVariant(pictureData("PNG", 1)));
    EXPECT_FALSE(written.contains(QStringLiteral("image2")));
    EXPECT_EQ(written.value(QStringLiteral("image3")), QVariant(pictureData("PNG", 3)));
}

// The writer and the reader agree: what the export writes imports whole, and a recipe past
// the limit in a file from elsewhere is passed over, the others imported.
TEST_F(ExchangeSizeTest, TheLimitIsSharedAndAnOversizedRecipeIsPassedOver) {
    const QByteArray picture = pictureData("PNG", 7);
    ByteLimit limit(PropertyListArrayWriter::elementBytes(entry(QStringLiteral("Big"))) +
                    PropertyListArrayWriter::dataEntryBytes(QStringLiteral("image1"), picture.size()) +
                    PropertyListArrayWriter::dataEntryBytes(QStringLiteral("image2"), picture.size()) - 1);
    RecipesManagedObject* big = newRecipe(QStringLiteral("Big"));
    QString error;
    ASSERT_TRUE(big->saveImage(picture, 1, &error));
    ASSERT_TRUE(big->saveImage(picture, 2, &error));
    ASSERT_TRUE(session()->save());
    VersionTwoImporterExporter exporter(session());
    ASSERT_TRUE(exporter.exportRecipes({big}, path(QStringLiteral("fits.lsr")), &error))
        << error.toStdString();
    EXPECT_EQ(exporter.exportResult().skippedPictures, 1); // both together are one byte too many

    VersionTwoImporterExporter reimport(session());
    reimport.importDataFile(path(QStringLiteral("fits.lsr")));
    EXPECT_EQ(reimport.importedRecipesArray().size(), 1);
    EXPECT_EQ(reimport.importResult().refusedRecipes, 0);

    // Written without the export's care: the middle recipe is past the limit.
    const QString mixed = path(QStringLiteral("mixed.lsr"));
    ASSERT_TRUE(writeBytes(mixed, xmlPropertyListData(QVariantList{
                                      entry(QStringLiteral("Before")),
                                      entry(QStringLiteral("Huge"), {{QStringLiteral("image1"), picture},
                                                                     {QStringLiteral("image2"), picture},
                                                                     {QStringLiteral("image3"), picture}}),
                                      entry(QStringLiteral("After"))})));
    VersionTwoImporterExporter importer(session(), &m_progress);
    importer.setShowWindow(true);
    m_progress.steps.clear();
    importer.importDataFile(mixed);
    EXPECT_TRUE(importer.importResult().readError.isEmpty())
        << importer.importResult().readError.toStdString();
    EXPECT_EQ(names(importer.importedRecipesArray()),
              (QStringList{QStringLiteral("Before"), QStringLiteral("After")}));
    EXPECT_EQ(importer.importResult().refusedRecipes, 1);
    EXPECT_TRUE(m_progress.steps.contains(
        QStringLiteral("header Finished Importing. 2 recipes imported; 1 recipe was too large to import.")))
        << m_progress.steps.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ExchangeSizeTest, FinishedTextsNameWhatWasLeftOut) {
    const struct {
        int pictures;
        qint64 characters;
        const char* text;
    } exports[] = {
        {0, 0, "Finished Exporting."},
        {2, 0,
         "Finished Exporting. 2 pictures were left out: their recipes would be too large for the file."},
        {0, 1, "Finished Exporting. 1 character the file cannot carry was left out."},
        {1, 3,
         "Finished Exporting. 1 picture was left out: its recipe would be too large for the file; 3 "
         "characters "
         "the file cannot carry were left out."},
    };
    for (const auto& e : exports)
        EXPECT_EQ(DialogWithProgressbarController::finishedExportingText(e.pictures, e.characters),
                  QString::fromUtf8(e.text));
    EXPECT_EQ(DialogWithProgressbarController::finishedImportingText(3, {}, 2, true),
              QStringLiteral("Import Cancelled. 3 recipes imported; 2 recipes were too large to import."));
    EXPECT_EQ(DialogWithProgressbarController::progressText(120, 2000), QStringLiteral("120 of 2,000"));
}

// The window's import: Cancel after the first batch keeps the recipes of the batches
// imported, saved, says so, and the list shows them (selected) beside what was there.
TEST_F(ExchangeSizeTest, CancelInTheWindowKeepsTheSavedBatchesAndTheListShowsThem) {
    RecipesManagedObject* existing = newRecipe(QStringLiteral("Already here"));
    ASSERT_TRUE(session()->save());
    RecipesArrayController& list = session()->recipesArrayController();
    list.rearrangeObjects();
    const QString file = recipesFile(QStringLiteral("Batch"), 3000);

    ExchangeImportOperation* operation = ExchangeImportOperation::start(*session(), file, false, &m_progress);
    QSignalSpy progressed(operation, &ExchangeImportOperation::progressed);
    QSignalSpy finished(operation, &ExchangeImportOperation::finished);
    int kept = -1;
    QList<ManagedObject*> imported;
    QObject::connect(operation, &ExchangeImportOperation::finished, [&] {
        kept = operation->importer().entriesSeen();
        imported = operation->importer().importedRecipesArray();
        EXPECT_TRUE(operation->importer().importResult().cancelled);
    });
    ASSERT_TRUE(progressed.wait(20000));
    EXPECT_TRUE(m_progress.progressText.endsWith(QLatin1String(" of 3,000")))
        << m_progress.progressText.toStdString();
    ASSERT_TRUE(m_progress.cancelHandler);
    m_progress.cancelHandler();
    ASSERT_TRUE(finished.count() == 1 || finished.wait(20000));
    EXPECT_FALSE(finished.at(0).at(0).toBool());

    ASSERT_GT(kept, 0);
    ASSERT_LT(kept, 3000);
    EXPECT_EQ(imported.size(), kept);
    EXPECT_FALSE(m_context->hasChanges());
    EXPECT_EQ(
        testsupport::sqlOnFile(m_context->storePath(),
                               QStringLiteral("SELECT COUNT(*) FROM Recipes WHERE name LIKE 'Batch %'")),
        QString::number(kept));
    EXPECT_TRUE(
        m_progress.steps.contains(QStringLiteral("header Import Cancelled. %1 recipes imported.").arg(kept)))
        << m_progress.steps.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(list.rowCount(), kept + 1);
    EXPECT_GE(list.rowOfObject(existing), 0);
    EXPECT_EQ(list.selectedObjects().size(), kept);
}

// A whole import in the window: every recipe is in the list, sorted, and the selection the
// user had stays until the import selects what it made.
TEST_F(ExchangeSizeTest, AfterAWindowImportTheListShowsEveryRecipe) {
    RecipesManagedObject* chosen = newRecipe(QStringLiteral("Zucchini bread"));
    newRecipe(QStringLiteral("Apple pie"));
    ASSERT_TRUE(session()->save());
    RecipesArrayController& list = session()->recipesArrayController();
    list.rearrangeObjects();
    ASSERT_TRUE(list.setSelectedObjects({chosen}));
    const QString file = recipesFile(QStringLiteral("Soup"), 400);

    ExchangeImportOperation* operation = ExchangeImportOperation::start(*session(), file, false, &m_progress);
    QSignalSpy progressed(operation, &ExchangeImportOperation::progressed);
    QSignalSpy finished(operation, &ExchangeImportOperation::finished);
    ASSERT_TRUE(progressed.wait(20000));
    if (finished.isEmpty()) { // between batches the user's selection is as it was
        EXPECT_EQ(list.selectedObjects(), QList<ManagedObject*>{chosen});
    }
    ASSERT_TRUE(finished.count() == 1 || finished.wait(20000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_EQ(list.rowCount(), 402);
    EXPECT_EQ(list.objectAtRow(0)->stringValue(kName), QStringLiteral("Apple pie"));
    EXPECT_EQ(list.objectAtRow(401)->stringValue(kName), QStringLiteral("Zucchini bread"));
    EXPECT_EQ(list.selectedObjects().size(), 400);
}

} // namespace

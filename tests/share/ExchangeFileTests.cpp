// Exchange files: what an export writes, what each generation imports, the upgrade stop,
// a rich recipe's round trip, the progress dialog, and files that are not what they claim.
#include "ExchangeTestSupport.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"

#include "library/IngredientRecords.h"
#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/StructuredText.h"
#include "share/VersionTwoImporterExporter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

const QString kName = QStringLiteral("name");

class ExchangeFileTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    RecordingProgressView m_progress;
    std::unique_ptr<testsupport::TestSession> m_library;
    ObjectContext* m_context = nullptr;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_library = openLibrary(QStringLiteral("Test"));
        m_context = m_library->context();
        ASSERT_TRUE(m_context);
    }
    void TearDown() override {
        Scheduler::instance().advance(1.0); // the dialog's pending close, while the view lives
        Scheduler::instance().setAutomaticTime();
    }

    std::unique_ptr<testsupport::TestSession> openLibrary(const QString& name) {
        auto library = std::make_unique<testsupport::TestSession>(
            m_dir.filePath(name + QStringLiteral(".library")), m_alerts);
        EXPECT_TRUE(library->isOpen()) << library->error().toStdString();
        return library;
    }
    LibrarySession* session() const { return m_library->session(); }
    RecipesManagedObject* newRecipe(const QVariantMap& values, ObjectContext* context = nullptr) {
        auto* recipe = dynamic_cast<RecipesManagedObject*>(
            (context ? context : m_context)->insertNewObject(QStringLiteral("Recipes")));
        for (auto it = values.begin(); it != values.end(); ++it)
            recipe->setValueForKey(it.value(), it.key());
        return recipe;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QVariantList exported(const QList<ManagedObject*>& recipes, bool allDetails = false) {
        VersionTwoImporterExporter exporter(session());
        exporter.setTransferAllInfo(allDetails);
        EXPECT_TRUE(exporter.exportRecipes(recipes, path(QStringLiteral("out.lsr"))));
        return readPropertyListFile(path(QStringLiteral("out.lsr"))).value.toList();
    }
    QList<ManagedObject*> importFile(const QVariant& root, bool allDetails = false,
                                     VersionTwoImporterExporter* importer = nullptr) {
        const QString file = path(QStringLiteral("in.lsr"));
        EXPECT_TRUE(writePropertyListFile(root, file));
        VersionTwoImporterExporter own(session());
        VersionTwoImporterExporter* used = importer ? importer : &own;
        used->setTransferAllInfo(allDetails);
        used->importDataFile(file);
        return used->importedRecipesArray();
    }
    int recipeCount() { return m_context->countForFetchRequest(FetchRequest(QStringLiteral("Recipes"))); }
};

QVariantMap current(QVariantMap values) {
    values.insert(QStringLiteral("modelVersion"), QStringLiteral("2.3"));
    return values;
}

TEST_F(ExchangeFileTest, ExportWritesSetAttributesMarkersAndElevenImages) {
    RecipesManagedObject* plain = newRecipe({{kName, QStringLiteral("Toast")}});
    RecipesManagedObject* pictured =
        newRecipe({{kName, QStringLiteral("Soup")},
                   {QStringLiteral("directions"), QStringLiteral("Mix. FirstImage then [2]")},
                   {QStringLiteral("privateNotes"), QStringLiteral("too salty")},
                   {QStringLiteral("rating"), 4},
                   {QStringLiteral("hasBeenPrepared"), false}});
    for (int n : {1, 3, 12})
        ASSERT_TRUE(pictured->saveImage(pictureData("JPEG", n), n));

    const QVariantList files = exported({plain, pictured});
    ASSERT_EQ(files.size(), 2);
    QStringList plainKeys = files.at(0).toMap().keys();
    EXPECT_EQ(plainKeys, (QStringList{QStringLiteral("dateCreated"), QStringLiteral("dateUpdated"),
                                      QStringLiteral("modelVersion"), kName}));
    const QVariantMap soup = files.at(1).toMap();
    EXPECT_EQ(soup.value(QStringLiteral("modelVersion")), QStringLiteral("2.3"));
    EXPECT_EQ(soup.value(QStringLiteral("directions")), QStringLiteral("Mix. [1] then [2]"));
    EXPECT_EQ(pictured->stringValue(QStringLiteral("directions")),
              QStringLiteral("Mix. FirstImage then [2]"));
    EXPECT_EQ(soup.value(QStringLiteral("rating")).toInt(), 4);
    EXPECT_EQ(soup.value(QStringLiteral("hasBeenPrepared")), QVariant(false));
    EXPECT_FALSE(soup.contains(QStringLiteral("privateNotes")));
    EXPECT_EQ(soup.value(QStringLiteral("image1")).toByteArray(), pictureData("JPEG", 1));
    EXPECT_TRUE(soup.contains(QStringLiteral("image3")));
    EXPECT_FALSE(soup.contains(QStringLiteral("image2")));
    EXPECT_FALSE(soup.contains(QStringLiteral("image12")));

    EXPECT_EQ(exported({pictured}, true).at(0).toMap().value(QStringLiteral("privateNotes")),
              QStringLiteral("too salty"));
}

TEST_F(ExchangeFileTest, CurrentGenerationImportKeepsPersonalFieldsOnlyWithAllDetails) {
    const QDateTime past = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    const QVariantMap dict = current({{kName, QStringLiteral("Pancakes")},
                                      {QStringLiteral("directions"), QStringLiteral("Flip. FirstImage")},
                                      {QStringLiteral("dateCreated"), past},
                                      {QStringLiteral("dateUpdated"), past},
                                      {QStringLiteral("rating"), 5},
                                      {QStringLiteral("isFlagged"), true},
                                      {QStringLiteral("hasBeenPrepared"), true},
                                      {QStringLiteral("privateNotes"), QStringLiteral("mine")},
                                      {QStringLiteral("uniqueID"), QStringLiteral("taken-1")},
                                      {QStringLiteral("image12"), pictureData("PNG", 12)}});

    const QDateTime before = Scheduler::instance().now().addSecs(-1);
    const QList<ManagedObject*> plain = importFile(QVariantList{dict, dict});
    ASSERT_EQ(plain.size(), 2);
    auto* first = dynamic_cast<RecipesManagedObject*>(plain.at(0));
    EXPECT_EQ(first->stringValue(kName), QStringLiteral("Pancakes"));
    EXPECT_EQ(first->stringValue(QStringLiteral("directions")), QStringLiteral("Flip. FirstImage"));
    EXPECT_GE(first->valueForKey(QStringLiteral("dateCreated")).toDateTime(), before);
    for (const char* key : {"rating", "isFlagged", "hasBeenPrepared", "privateNotes"})
        EXPECT_TRUE(first->valueForKey(QLatin1String(key)).isNull()) << key;
    EXPECT_TRUE(first->hasImageAtIndex(12));
    // Every import makes new recipes with new identities.
    EXPECT_NE(first->stringValue(QStringLiteral("uniqueID")), QStringLiteral("taken-1"));
    EXPECT_NE(first->stringValue(QStringLiteral("uniqueID")),
              plain.at(1)->stringValue(QStringLiteral("uniqueID")));
    EXPECT_EQ(importFile(QVariantList{dict}).size(), 1);
    EXPECT_EQ(recipeCount(), 3);
    EXPECT_FALSE(m_context->hasChanges()); // saved after the import

    ManagedObject* detailed = importFile(QVariantList{dict}, true).value(0);
    ASSERT_TRUE(detailed);
    EXPECT_EQ(detailed->valueForKey(QStringLiteral("dateCreated")).toDateTime(), past);
    EXPECT_EQ(detailed->valueForKey(QStringLiteral("rating")).toInt(), 5);
    EXPECT_TRUE(detailed->valueForKey(QStringLiteral("isFlagged")).toBool());
    EXPECT_EQ(detailed->stringValue(QStringLiteral("privateNotes")), QStringLiteral("mine"));
}

// The import saves as the library always does: a recipe deleted before it loses its
// picture files with that save.
TEST_F(ExchangeFileTest, TheImportsSaveRemovesThePicturesOfARecipeDeletedBefore) {
    RecipesManagedObject* old = newRecipe({{kName, QStringLiteral("Old")}});
    ASSERT_TRUE(old->saveImage(pictureData("JPEG", 3), 1));
    ASSERT_TRUE(session()->save());
    const QString picture = old->imagePathAtIndex(1);
    ASSERT_TRUE(QFile::exists(picture));
    session()->markRecipesForDelete({old});
    m_context->deleteObject(old);

    ASSERT_EQ(importFile(QVariantList{current({{kName, QStringLiteral("New")}})}).size(), 1);
    EXPECT_FALSE(m_context->hasChanges());
    EXPECT_FALSE(QFile::exists(picture));
}

TEST_F(ExchangeFileTest, TwoPointZeroRowsMarkersAndImages) {
    const QVariantList rows{
        QStringList{QStringLiteral("Dough"), {}, {}, {}, QStringLiteral("YES")},
        QStringList{QStringLiteral("2"), QStringLiteral("cups"), QStringLiteral("flour"),
                    QStringLiteral("sifted"), QStringLiteral("NO")},
        QStringList{QStringLiteral("3"), {}, QStringLiteral("eggs")}, // short: flag missing
        QVariantList{QVariantList{QStringLiteral("x")}, QStringLiteral("pinch"),
                     QStringLiteral("salt")}, // not a text
        QStringLiteral("stray"),              // not a row
    };
    const QVariantMap dict{
        {QStringLiteral("modelVersion"), QStringLiteral("2.0")},
        {kName, QStringLiteral("Bread")},
        {QStringLiteral("directions"), QStringLiteral("Knead. FirstImage, FifthImage; firstimage")},
        {QStringLiteral("ingredientsArray"), structuredTextFromValue(rows)},
        {QStringLiteral("isFlagged"), true},
        {QStringLiteral("rating"), 3},
        {QStringLiteral("firstImage"), pictureData("JPEG", 1)},
        {QStringLiteral("forthImage"), pictureData("PNG", 4)},
        {QStringLiteral("image2"), pictureData("PNG", 2)}};

    auto* bread = dynamic_cast<RecipesManagedObject*>(importFile(QVariantList{dict}, true).value(0));
    ASSERT_TRUE(bread);
    EXPECT_EQ(bread->stringValue(QStringLiteral("directions")),
              QStringLiteral("Knead. [1], [5]; firstimage"));
    EXPECT_TRUE(bread->valueForKey(QStringLiteral("isFlagged")).isNull());
    EXPECT_EQ(bread->valueForKey(QStringLiteral("rating")).toInt(), 3);
    EXPECT_TRUE(bread->hasImageAtIndex(1));
    EXPECT_TRUE(bread->hasImageAtIndex(4));
    EXPECT_FALSE(bread->hasImageAtIndex(2));

    const QVariantList records = IngredientRecords::ingredientsOfRecipe(bread);
    ASSERT_EQ(records.size(), 4);
    auto withoutRandom = [](const QVariant& record) {
        QVariantMap map = record.toMap();
        const int random = int(structuredIntegerValue(map.take(QStringLiteral("randomNumber"))));
        EXPECT_TRUE(random >= 0 && random <= 998);
        return map;
    };
    EXPECT_EQ(withoutRandom(records.at(0)),
              (QVariantMap{{kName, QStringLiteral("Dough")},
                           {QStringLiteral("isGroupTitle"), QStringLiteral("1")}}));
    EXPECT_EQ(withoutRandom(records.at(1)),
              (QVariantMap{{QStringLiteral("quantity"), QStringLiteral("2")},
                           {QStringLiteral("measurement"), QStringLiteral("cups")},
                           {kName, QStringLiteral("flour")},
                           {QStringLiteral("method"), QStringLiteral("sifted")}}));
    EXPECT_EQ(withoutRandom(records.at(2)), (QVariantMap{{QStringLiteral("quantity"), QStringLiteral("3")},
                                                         {kName, QStringLiteral("eggs")}}));
    EXPECT_EQ(withoutRandom(records.at(3)),
              (QVariantMap{{QStringLiteral("measurement"), QStringLiteral("pinch")},
                           {kName, QStringLiteral("salt")}}));
}

TEST_F(ExchangeFileTest, AnotherVersionStopsTheImportWithTheUpgradeAlert) {
    VersionTwoImporterExporter importer(session(), &m_progress);
    importer.setShowWindow(true);
    // More entries after the stop than the reader decodes ahead: none of them is read.
    QVariantList root{current({{kName, QStringLiteral("First")}}),
                      QVariantMap{{QStringLiteral("modelVersion"), QStringLiteral("2.5")}}};
    for (int i = 0; i < 40; ++i)
        root.append(current({{kName, QStringLiteral("Later")}}));
    const QList<ManagedObject*> imported = importFile(root, false, &importer);
    ASSERT_EQ(imported.size(), 1);
    EXPECT_EQ(imported.at(0)->stringValue(kName), QStringLiteral("First"));
    EXPECT_EQ(recipeCount(), 1);
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.at(0).messageText,
              QStringLiteral("You need to upgrade to version 2.5 or greater to import this recipe file."));
    EXPECT_EQ(m_alerts.asked.at(0).informativeText,
              QStringLiteral("Click the Larkspoon! menu and select \u201cCheck for Updates...\u201d"));
    EXPECT_EQ(m_alerts.asked.at(0).buttonTitles, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(importer.importResult().stoppedByUpgradeAlert);
    EXPECT_EQ(importer.importResult().upgradeMessage, m_alerts.asked.at(0).messageText);
    EXPECT_EQ(m_progress.steps,
              (QStringList{QStringLiteral("show"), QStringLiteral("header Importing Recipes..."),
                           QStringLiteral("maximum 42"), QStringLiteral("advance 1"),
                           QStringLiteral("advance 1"), QStringLiteral("stop"), QStringLiteral("close")}));
    // Not saved: the recipe before the stop waits for the next save of the library.
    EXPECT_TRUE(m_context->hasChanges());
}

TEST_F(ExchangeFileTest, AMissingOrNonTextVersionStopsTheImportSayingWhatIsWrong) {
    const QString damaged = QStringLiteral("The file may be damaged or written by another program.");
    const QString missing =
        QStringLiteral("This recipe file cannot be imported: a recipe in it has no version (modelVersion).");
    const struct {
        QVariant version; // invalid: no modelVersion key
        QString message;
        QString informative;
    } cases[] = {
        {QVariant(), missing, damaged},
        {QVariant(QString()), missing, damaged},
        {QVariant(QStringLiteral("  ")), missing, damaged},
        {QVariant(2.3),
         QStringLiteral(
             "This recipe file cannot be imported: the version (modelVersion) 2.3 of a recipe in it "
             "is a number, not written as text."),
         damaged},
        {QVariant(qint64(3)),
         QStringLiteral(
             "This recipe file cannot be imported: the version (modelVersion) 3 of a recipe in it is "
             "a number, not written as text."),
         damaged},
        {QVariant(QVariantList{QStringLiteral("2.3")}),
         QStringLiteral(
             "This recipe file cannot be imported: the version (modelVersion) of a recipe in it is "
             "not written as text."),
         damaged},
        {QVariant(QStringLiteral("3.0")),
         QStringLiteral("You need to upgrade to version 3.0 or greater to import this recipe file."),
         QStringLiteral("Click the Larkspoon! menu and select “Check for Updates...”")},
    };
    for (const auto& c : cases) {
        QVariantMap entry{{kName, QStringLiteral("Odd")}};
        if (c.version.isValid())
            entry.insert(QStringLiteral("modelVersion"), c.version);
        VersionTwoImporterExporter importer(session());
        importFile(QVariantList{entry}, false, &importer);
        ASSERT_FALSE(m_alerts.asked.isEmpty());
        EXPECT_EQ(m_alerts.asked.last().messageText, c.message) << c.version.toString().toStdString();
        EXPECT_EQ(m_alerts.asked.last().informativeText, c.informative) << c.message.toStdString();
        EXPECT_EQ(importer.importResult().upgradeMessage, c.message);
        EXPECT_TRUE(importer.importResult().stoppedByUpgradeAlert);
    }
    EXPECT_EQ(recipeCount(), 0);
}

TEST_F(ExchangeFileTest, RichRecipeRoundTripLosesNothing) {
    const QVariantList ingredients{QVariantMap{{kName, QStringLiteral("Für den Teig")},
                                               {QStringLiteral("isGroupTitle"), true},
                                               {QStringLiteral("randomNumber"), 7}},
                                   QVariantMap{{QStringLiteral("quantity"), QStringLiteral("1 1/2")},
                                               {QStringLiteral("measurement"), QStringLiteral("cups")},
                                               {kName, QStringLiteral("flour \"00\"")},
                                               {QStringLiteral("method"), QStringLiteral("sifted & cold")},
                                               {QStringLiteral("randomNumber"), 998}}};
    const QDateTime created(QDate(2019, 5, 6), QTime(7, 8, 9), Qt::UTC);
    const QVariantMap values{
        {kName, QStringLiteral("Crème brûlée “classique” & co")},
        {QStringLiteral("attribution"), QStringLiteral("Mémé's <notebook>")},
        {QStringLiteral("cookingTime"), QStringLiteral("40 min")},
        {QStringLiteral("cuisine"), QStringLiteral("Française")},
        {QStringLiteral("dateCreated"), created},
        {QStringLiteral("dateUpdated"), created.addDays(3)},
        {QStringLiteral("difficulty"), 2},
        {QStringLiteral("directions"),
         QStringLiteral(
             "<p>Heat to 150 °C &amp; stir \"gently\" — don't boil.</p>\n<img src='[1]'/> [2]\t<b>Done</b>")},
        {QStringLiteral("hasBeenPrepared"), true},
        {QStringLiteral("importedFromURL"), QStringLiteral("https://example.org/r?a=1&b=2")},
        {QStringLiteral("inactivePrepTime"), QStringLiteral("2 h")},
        {QStringLiteral("ingredientsArray"), structuredTextFromValue(ingredients)},
        {QStringLiteral("isFlagged"), true},
        {QStringLiteral("isMarkedAsNew"), true},
        {QStringLiteral("keywords"), QStringLiteral("dessert,français")},
        {QStringLiteral("notes"), QStringLiteral("Line one\nLine two ]]> <![CDATA[")},
        {QStringLiteral("prepTime"), QStringLiteral("15 min")},
        {QStringLiteral("privateNotes"), QStringLiteral("日本語のメモ")},
        {QStringLiteral("rating"), 5},
        {QStringLiteral("recipeDescription"), QStringLiteral("Silky custard 🍮")},
        {QStringLiteral("videoURL"), QStringLiteral("https://video.example/v?x=\"y\"")},
        {QStringLiteral("yield"), QStringLiteral("6 ramekins")}};
    RecipesManagedObject* original = newRecipe(values);
    for (int n = 1; n <= 11; ++n)
        ASSERT_TRUE(original->saveImage(pictureData(n % 2 ? "JPEG" : "PNG", n), n));

    VersionTwoImporterExporter exporter(session());
    exporter.setTransferAllInfo(true);
    ASSERT_TRUE(exporter.exportRecipes({original}, path(QStringLiteral("rich.lsr"))));

    std::unique_ptr<testsupport::TestSession> other = openLibrary(QStringLiteral("Other"));
    VersionTwoImporterExporter importer(other->session());
    importer.setTransferAllInfo(true);
    importer.importDataFile(path(QStringLiteral("rich.lsr")));
    ASSERT_EQ(importer.importedRecipesArray().size(), 1);
    auto* copy = dynamic_cast<RecipesManagedObject*>(importer.importedRecipesArray().at(0));
    for (auto it = values.begin(); it != values.end(); ++it)
        EXPECT_EQ(copy->valueForKey(it.key()), original->valueForKey(it.key())) << it.key().toStdString();
    for (int n = 1; n <= 11; ++n) {
        QFile a(original->imagePathAtIndex(n)), b(copy->imagePathAtIndex(n));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << n;
        EXPECT_EQ(a.readAll(), b.readAll()) << n;
    }
    EXPECT_NE(copy->stringValue(QStringLiteral("uniqueID")),
              original->stringValue(QStringLiteral("uniqueID")));
}

TEST_F(ExchangeFileTest, ProgressDialogSteps) {
    RecipesManagedObject* recipe = newRecipe({{kName, QStringLiteral("A")}});
    VersionTwoImporterExporter exporter(session(), &m_progress);
    exporter.setShowWindow(true);
    ASSERT_TRUE(exporter.exportRecipes({recipe, recipe}, path(QStringLiteral("two.lsr"))));
    const QStringList exportSteps{QStringLiteral("show"),
                                  QStringLiteral("header Exporting Recipes..."),
                                  QStringLiteral("maximum 2"),
                                  QStringLiteral("advance 1"),
                                  QStringLiteral("advance 1"),
                                  QStringLiteral("stop"),
                                  QStringLiteral("header Finished Exporting.")};
    EXPECT_EQ(m_progress.steps, exportSteps);
    Scheduler::instance().advance(0.9);
    EXPECT_EQ(m_progress.steps.size(), exportSteps.size());
    Scheduler::instance().advance(0.1);
    EXPECT_EQ(m_progress.steps.last(), QStringLiteral("close"));

    m_progress.steps.clear();
    VersionTwoImporterExporter importer(session(), &m_progress);
    importer.setShowWindow(true);
    importer.importDataFile(path(QStringLiteral("two.lsr")));
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(
        m_progress.steps,
        (QStringList{QStringLiteral("show"), QStringLiteral("header Importing Recipes..."),
                     QStringLiteral("maximum 2"), QStringLiteral("advance 1"), QStringLiteral("advance 1"),
                     QStringLiteral("stop"), QStringLiteral("header Finished Importing. 2 recipes imported."),
                     QStringLiteral("close")}));

    // A dialog opened again within the second is not closed by the earlier timer.
    m_progress.steps.clear();
    importer.importDataFile(path(QStringLiteral("two.lsr")));
    importer.importDataFile(path(QStringLiteral("two.lsr")));
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(m_progress.steps.count(QStringLiteral("close")), 1);

    // showWindow off, or a dialog that cannot be shown: the work runs without it.
    m_progress.steps.clear();
    VersionTwoImporterExporter hidden(session(), &m_progress);
    hidden.importDataFile(path(QStringLiteral("two.lsr")));
    EXPECT_TRUE(m_progress.steps.isEmpty());
    m_progress.canShow = false;
    importer.importDataFile(path(QStringLiteral("two.lsr")));
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(m_progress.steps, QStringList{QStringLiteral("show")});
    EXPECT_EQ(importer.importedRecipesArray().size(), 2);

    // A failed write closes the dialog at once and leaves no file.
    m_progress.canShow = true;
    m_progress.steps.clear();
    const QString unwritable = path(QStringLiteral("missing/folder/x.lsr"));
    QString error;
    EXPECT_FALSE(exporter.exportRecipes({recipe}, unwritable, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(unwritable));
    EXPECT_FALSE(m_progress.steps.contains(QStringLiteral("header Finished Exporting.")));
    EXPECT_EQ(m_progress.steps.last(), QStringLiteral("close"));
}

TEST_F(ExchangeFileTest, SkippedPicturesAreCountedByReasonAndNamedWhenTheImportFinishes) {
    auto importShown = [this](const QVariantList& recipes) {
        const QString file = path(QStringLiteral("pictures.lsr"));
        EXPECT_TRUE(writePropertyListFile(recipes, file));
        VersionTwoImporterExporter importer(session(), &m_progress);
        importer.setShowWindow(true);
        m_progress.steps.clear();
        importer.importDataFile(file);
        EXPECT_EQ(m_progress.steps.count(QStringLiteral("stop")), 1);
        return std::make_pair(importer.importResult(), m_progress.steps.filter(QStringLiteral("Finished")));
    };
    // Data of the wrong kind, a page, a JPEG start with nothing after it: not pictures.
    auto [unknown, header] =
        importShown({current({{kName, QStringLiteral("A")},
                              {QStringLiteral("image1"), QStringLiteral("not data")},
                              {QStringLiteral("image2"), QByteArray("<html>not a picture</html>")},
                              {QStringLiteral("image3"), pictureData("PNG")}}),
                     current({{kName, QStringLiteral("B")},
                              {QStringLiteral("image1"), QByteArray("\xFF\xD8\xFF garbage")}})});
    EXPECT_EQ(unknown.picturesInUnknownFormat, 3);
    EXPECT_EQ(unknown.picturesNotWritten, 0);
    EXPECT_EQ(unknown.skippedPictures(), 3);
    EXPECT_EQ(header, QStringList{QStringLiteral("header Finished Importing. 2 recipes imported; 3 pictures "
                                                 "were skipped: not in a format Larkspoon! can show.")});

    // A picture folder that cannot hold files: the pictures are counted as not written.
    const QString images = m_dir.filePath(QStringLiteral("Test.library/Images"));
    ASSERT_TRUE(QDir(images).removeRecursively());
    ASSERT_TRUE(writeBytes(images, "in the way"));
    auto [unwritable, twoReasons] = importShown({current({{kName, QStringLiteral("C")},
                                                          {QStringLiteral("image1"), pictureData("PNG")},
                                                          {QStringLiteral("image2"), QByteArray("x")}})});
    EXPECT_EQ(unwritable.picturesNotWritten, 1);
    EXPECT_EQ(unwritable.picturesInUnknownFormat, 1);
    EXPECT_EQ(twoReasons, QStringList{QStringLiteral(
                              "header Finished Importing. 1 recipe imported; 2 pictures were skipped: "
                              "1 not in a format Larkspoon! can show, 1 could not be written to "
                              "the library.")});
    ASSERT_TRUE(QFile::remove(images));

    // The header's counts in the singular and without skipped pictures.
    const struct {
        int recipes;
        QList<SkippedPictureCount> skipped;
        const char* text;
    } texts[] = {
        {0, {}, "Finished Importing. 0 recipes imported."},
        {1, {{QStringLiteral("too big"), 0}}, "Finished Importing. 1 recipe imported."},
        {5,
         {{QStringLiteral("too big"), 1}},
         "Finished Importing. 5 recipes imported; 1 picture was skipped: too big."},
    };
    for (const auto& t : texts)
        EXPECT_EQ(DialogWithProgressbarController::finishedImportingText(t.recipes, t.skipped),
                  QString::fromUtf8(t.text));
}

TEST_F(ExchangeFileTest, FilesFromElsewhereNeverStoreWrongKindsOrPartialImports) {
    // Values of the wrong kind are skipped; the rest of the recipe is imported.
    const QVariantMap odd = current({{kName, 42},
                                     {QStringLiteral("notes"), QStringLiteral("kept")},
                                     {QStringLiteral("directions"), QVariantMap{{QStringLiteral("a"), 1}}},
                                     {QStringLiteral("rating"), QStringLiteral("five")},
                                     {QStringLiteral("hasBeenPrepared"), 1},
                                     {QStringLiteral("dateCreated"), QStringLiteral("yesterday")},
                                     {QStringLiteral("image1"), QStringLiteral("not data")},
                                     {QStringLiteral("image2"), QByteArray("<html>not a picture</html>")},
                                     {QStringLiteral("image3"), QByteArray("\xFF\xD8\xFF garbage")},
                                     {QStringLiteral("image4"), pictureData("PNG")}});
    const QList<ManagedObject*> imported =
        importFile(QVariantList{QStringLiteral("not a recipe"), odd}, true);
    ASSERT_EQ(imported.size(), 1);
    auto* recipe = dynamic_cast<RecipesManagedObject*>(imported.at(0));
    EXPECT_TRUE(recipe->valueForKey(kName).isNull());
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("directions")).isNull());
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("rating")).isNull());
    EXPECT_EQ(recipe->stringValue(QStringLiteral("notes")), QStringLiteral("kept"));
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("hasBeenPrepared")), QVariant(true));
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("dateCreated")).toDateTime().isValid());
    EXPECT_FALSE(recipe->hasImageAtIndex(1));
    EXPECT_FALSE(recipe->hasImageAtIndex(2));
    EXPECT_FALSE(recipe->hasImageAtIndex(3));
    EXPECT_TRUE(recipe->hasImageAtIndex(4));
    EXPECT_TRUE(m_alerts.asked.isEmpty());

    // A root that is not an array, a truncated file and a missing file import nothing; the
    // dialog still runs through for a file that exists.
    const int before = recipeCount();
    const QDir images(m_dir.filePath(QStringLiteral("Test.library/Images")));
    const int picturesBefore = int(images.entryList(QDir::Files).size());
    // The second entry's data cannot be decoded: the first recipe and its picture go too.
    const QByteArray undecodable =
        xmlPropertyListData(
            QVariantList{
                current({{kName, QStringLiteral("A")}, {QStringLiteral("image1"), pictureData("PNG")}}),
                current({{kName, QStringLiteral("B")}, {QStringLiteral("notes"), QStringLiteral("MARK")}})})
            .replace("<string>MARK</string>", "<data>@@@</data>");
    const QByteArray good = xmlPropertyListData(
        QVariantList{current({{kName, QStringLiteral("A")}}), current({{kName, QStringLiteral("B")}})});
    const struct {
        const char* name;
        QByteArray bytes;
    } broken[] = {{"dict.lsr", xmlPropertyListData(current({{kName, QStringLiteral("A")}}))},
                  {"cut.lsr", good.left(good.lastIndexOf("<dict>") + 20)},
                  {"two.lsr", QByteArray(good).replace("</array>", "</array><string>x</string>")},
                  {"text.lsr", "Hello, world"},
                  {"empty.lsr", ""},
                  {"undecodable.lsr", undecodable}};
    for (const auto& file : broken) {
        ASSERT_TRUE(writeBytes(path(QLatin1String(file.name)), file.bytes));
        VersionTwoImporterExporter importer(session(), &m_progress);
        importer.setShowWindow(true);
        m_progress.steps.clear();
        importer.importDataFile(path(QLatin1String(file.name)));
        EXPECT_TRUE(importer.importedRecipesArray().isEmpty()) << file.name;
        EXPECT_FALSE(importer.importResult().readError.isEmpty()) << file.name;
        EXPECT_TRUE(
            m_progress.steps.contains(QStringLiteral("header Finished Importing. 0 recipes imported.")))
            << file.name;
    }
    EXPECT_EQ(recipeCount(), before);
    EXPECT_EQ(images.entryList(QDir::Files).size(), picturesBefore);
    m_progress.steps.clear();
    VersionTwoImporterExporter importer(session(), &m_progress);
    importer.setShowWindow(true);
    importer.importDataFile(path(QStringLiteral("absent.lsr")));
    EXPECT_TRUE(m_progress.steps.isEmpty());
}

} // namespace

namespace {

// Texts by their UTF-16 units (a leading U+FEFF and "" against absent show), dates to the
// millisecond.
std::string described(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toUTC().toString(Qt::ISODateWithMs).toStdString();
    return testsupport::textUnits(value);
}

} // namespace

// Texts come back exactly but for what XML cannot carry; dates in whole seconds, the
// precision of the file's date form.
TEST_F(ExchangeFileTest, TextsAndDatesComeBackExceptCharactersTheFileCannotCarry) {
    const QString feff(QChar(0xFEFF));
    const auto units = [](std::initializer_list<char16_t> list) {
        return QString(reinterpret_cast<const QChar*>(list.begin()), qsizetype(list.size()));
    };
    const QDateTime created = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC).addMSecs(6);
    const struct {
        QString key;
        QVariant value;
        QVariant expected; // what the copy holds
    } fields[] = {
        {kName, QString(feff + QStringLiteral("Tarte")), QString(feff + QStringLiteral("Tarte"))},
        {QStringLiteral("yield"), feff, feff},
        {QStringLiteral("attribution"), QStringLiteral(""), QStringLiteral("")},
        {QStringLiteral("recipeDescription"), QStringLiteral("Silky 🍮👩‍🍳"),
         QStringLiteral("Silky 🍮👩‍🍳")},
        {QStringLiteral("directions"), QStringLiteral("\tMix\nbake\r\nserve\r"),
         QStringLiteral("\tMix\nbake\r\nserve\r")},
        {QStringLiteral("notes"), units({u'a', 0, u'b', 1, 0x1F, 0x7F}), units({u'a', u'b', 0x7F})},
        {QStringLiteral("cuisine"), units({u'x', 0xFFFE, u'y', 0xFFFF}), QStringLiteral("xy")},
        {QStringLiteral("keywords"), units({u'k', 0xD800, u',', 0xDC00}), QStringLiteral("k,")},
        {QStringLiteral("privateNotes"), QString(feff + QStringLiteral(" ")),
         QString(feff + QStringLiteral(" "))},
        {QStringLiteral("dateCreated"), created, created.addMSecs(-6)},
        {QStringLiteral("dateUpdated"), created.addMSecs(993), created.addMSecs(-6)},
    };
    QVariantMap values;
    for (const auto& field : fields)
        values.insert(field.key, field.value);
    RecipesManagedObject* original = newRecipe(values);

    VersionTwoImporterExporter exporter(session());
    exporter.setTransferAllInfo(true);
    ASSERT_TRUE(exporter.exportRecipes({original}, path(QStringLiteral("texts.lsr"))));
    EXPECT_EQ(exporter.exportResult().droppedCharacters, 7);

    QString uri;
    {
        std::unique_ptr<testsupport::TestSession> other = openLibrary(QStringLiteral("Other"));
        VersionTwoImporterExporter importer(other->session());
        importer.setTransferAllInfo(true);
        importer.importDataFile(path(QStringLiteral("texts.lsr")));
        ASSERT_EQ(importer.importedRecipesArray().size(), 1);
        ASSERT_TRUE(importer.importResult().saveError.isEmpty());
        ManagedObject* copy = importer.importedRecipesArray().at(0);
        uri = copy->objectID().uriRepresentation();
        for (const auto& field : fields)
            EXPECT_EQ(described(copy->valueForKey(field.key)), described(field.expected))
                << "imported " << field.key.toStdString();
    }
    // And as the other library holds them once reopened.
    std::unique_ptr<testsupport::TestSession> reopened = openLibrary(QStringLiteral("Other"));
    ManagedObject* stored = reopened->context()->objectWithURI(uri);
    ASSERT_NE(stored, nullptr);
    for (const auto& field : fields)
        EXPECT_EQ(described(stored->valueForKey(field.key)), described(field.expected))
            << "stored " << field.key.toStdString();
}

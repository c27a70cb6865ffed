// First-generation files: an export and a whole library imported through the application's
// batched operation, the first-start question, the group-name mapping, and damaged files.
#include "ExchangeTestSupport.h"

#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/VersionOneFiles.h"
#include "library/AppController.h"
#include "library/GroupsManagedObject.h"
#include "library/IngredientRecords.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/KeyedArchive.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "share/LSVersionOneDataImporter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>

using testsupport::uidValue;
using testsupport::VersionOneGroup;
using testsupport::VersionOneRecipe;

namespace {

const QDateTime kCreated(QDate(2005, 3, 14), QTime(9, 30), Qt::UTC);

QVariantMap item(qint64 position, const QString& quantity, const QString& name, bool title = false) {
    QVariantMap values{{QStringLiteral("position"), position}, {QStringLiteral("quantity"), quantity}};
    if (!name.isEmpty())
        values.insert(QStringLiteral("name"), name);
    if (title)
        values.insert(QStringLiteral("isTitleItem"), true);
    return values;
}

// Two recipes: a full one (picture, ingredients out of order, a title item) and a bare one.
QList<VersionOneRecipe> sampleRecipes() {
    VersionOneRecipe stew;
    stew.values = {{QStringLiteral("name"), QStringLiteral("Irish Stew")},
                   {QStringLiteral("directions"), QStringLiteral("Simmer for two hours.")},
                   {QStringLiteral("ethnicity"), QStringLiteral("Irish")},
                   {QStringLiteral("fromSource"), QStringLiteral("http://example.org/stew")},
                   {QStringLiteral("origin"), QStringLiteral("Granny")},
                   {QStringLiteral("yield"), QStringLiteral("4 bowls")},
                   {QStringLiteral("difficulty"), qint64(2)},
                   {QStringLiteral("rating"), qint64(5)},
                   {QStringLiteral("hasBeenPrepared"), true},
                   {QStringLiteral("dateCreated"), kCreated},
                   {QStringLiteral("image"), testsupport::pictureData("PNG")}};
    stew.ingredients = {item(2, QStringLiteral("2"), QStringLiteral("potatoes")),
                        item(0, QStringLiteral("For the stew"), {}, true),
                        item(1, QStringLiteral("1 lb"), QStringLiteral("lamb"))};
    VersionOneRecipe toast;
    toast.values = {{QStringLiteral("name"), QStringLiteral("Toast")}};
    return {stew, toast};
}

class VersionOneImportTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    RecordingProgressView m_progress;
    std::unique_ptr<testsupport::TestSession> m_library;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_library =
            std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("V.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }
    void TearDown() override {
        m_library.reset();
        Scheduler::instance().setAutomaticTime();
    }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(testsupport::writeFileData(path, bytes));
        return path;
    }
    // The application's import: batches from the event loop until it has ended.
    const LSVersionOneDataImporter* importInWindow(const QString& path, bool isLibraryFile, bool* wholeFile) {
        VersionOneImportOperation* operation =
            VersionOneImportOperation::start(*m_library->session(), path, isLibraryFile, &m_progress);
        QSignalSpy finished(operation, &RecipeImportOperation::finished);
        const LSVersionOneDataImporter* importer = &operation->importer();
        EXPECT_TRUE(finished.wait(20000));
        *wholeFile = !finished.isEmpty() && finished.first().first().toBool();
        return importer;
    }
    QList<RecipesManagedObject*> recipes() const {
        QList<RecipesManagedObject*> list;
        for (ManagedObject* recipe : m_library->context()->executeFetchRequest(
                 FetchRequest(QStringLiteral("Recipes"), {}, {{QStringLiteral("name"), true, true}})))
            list.append(dynamic_cast<RecipesManagedObject*>(recipe));
        return list;
    }
    GroupsManagedObject* group(const QString& name) const {
        for (ManagedObject* g :
             m_library->context()->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
            if (g->stringValue(QStringLiteral("name")) == name)
                return dynamic_cast<GroupsManagedObject*>(g);
        return nullptr;
    }
};

TEST_F(VersionOneImportTest, ExportBringsTextsIngredientsAndPictureButNoPersonalDetails) {
    const QString path =
        file(QStringLiteral("Stew.Larkspoon!"),
             testsupport::versionOneFileData(
                 sampleRecipes(), {{{{QStringLiteral("name"), QStringLiteral("Meat")}}, {0}, {}}}));
    bool wholeFile = false;
    // The importer is gone with its operation: keep what is asked of it while it lives.
    VersionOneImportOperation* operation =
        VersionOneImportOperation::start(*m_library->session(), path, false, &m_progress);
    QSignalSpy finished(operation, &RecipeImportOperation::finished);
    QList<ManagedObject*> imported;
    QObject::connect(operation, &RecipeImportOperation::finished,
                     [&] { imported = operation->importer().importedRecipesArray(); });
    ASSERT_TRUE(finished.wait(20000));
    wholeFile = finished.first().first().toBool();
    EXPECT_TRUE(wholeFile);

    const QList<RecipesManagedObject*> all = recipes();
    ASSERT_EQ(all.size(), 2);
    RecipesManagedObject* stew = all.at(0);
    const QList<std::pair<const char*, QVariant>> expected = {
        {"name", QStringLiteral("Irish Stew")},
        {"directions", QStringLiteral("Simmer for two hours.")},
        {"cuisine", QStringLiteral("Irish")},
        {"importedFromURL", QStringLiteral("http://example.org/stew")},
        {"attribution", QStringLiteral("Granny")},
        {"yield", QStringLiteral("4 bowls")},
        {"difficulty", qint64(2)},
        {"rating", qint64(0)},
        {"recipeDescription", QString(QLatin1String(""))},
        {"prepTime", QString(QLatin1String(""))},
        {"hasBeenPrepared", QVariant()}};
    for (const auto& [key, value] : expected)
        EXPECT_EQ(stew->valueForKey(QLatin1String(key)), value) << key;
    EXPECT_NE(stew->valueForKey(QStringLiteral("dateCreated")).toDateTime(), kCreated);
    EXPECT_TRUE(stew->keywordsArray().isEmpty());

    // Ingredients by position; the title item's quantity text is its name.
    const QVariantList rows = IngredientRecords::ingredientsOfRecipe(stew);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(IngredientRecords::textForKey(rows[0], QStringLiteral("name")), QStringLiteral("For the stew"));
    EXPECT_TRUE(IngredientRecords::isGroupTitle(rows[0]));
    EXPECT_FALSE(rows[0].toMap().contains(QStringLiteral("quantity")));
    EXPECT_EQ(IngredientRecords::textForKey(rows[1], QStringLiteral("quantity")), QStringLiteral("1 lb"));
    EXPECT_EQ(IngredientRecords::textForKey(rows[2], QStringLiteral("name")), QStringLiteral("potatoes"));
    EXPECT_FALSE(IngredientRecords::isGroupTitle(rows[2]));
    EXPECT_TRUE(rows[2].toMap().contains(QStringLiteral("randomNumber")));

    // The picture is image 1, stored as JPEG; saved once, the imports selected.
    ASSERT_TRUE(stew->hasFirstImage());
    QFile picture(stew->imagePathAtIndex(1));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(picture.read(3) == QByteArray("\xFF\xD8\xFF"));
    EXPECT_FALSE(m_library->context()->hasChanges());
    EXPECT_EQ(m_library->recipes().selectedObjects().size(), 2);
    EXPECT_EQ(imported.size(), 2);
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("header Importing Recipes...")));
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("header Importing: Toast")));
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("maximum 2")));
    EXPECT_TRUE(m_progress.steps.contains(QStringLiteral("header Finished Importing. 2 recipes imported.")))
        << m_progress.steps.join(QLatin1Char('\n')).toStdString();

    // Again: two more copies with identities of their own.
    importInWindow(path, false, &wholeFile);
    QSet<QString> ids;
    for (RecipesManagedObject* recipe : recipes())
        ids.insert(recipe->stringValue(QStringLiteral("uniqueID")));
    EXPECT_EQ(ids.size(), 4);
}

TEST_F(VersionOneImportTest, LibraryKeepsPersonalDetailsAndFilesRecipesUnderMappedGroups) {
    auto named = [](const char* name, qint64 priority = 0, bool smart = false) {
        return QVariantMap{{QStringLiteral("name"), QLatin1String(name)},
                           {QStringLiteral("priorityValue"), priority},
                           {QStringLiteral("isSmartGroup"), smart}};
    };
    const QList<VersionOneGroup> groups = {
        {named("My Recipes", 1), {0, 1}, {}},
        {named("Main Dish", 99), {0}, {2}},         // 1
        {named("Soup, Stew, etc."), {0}, {3}},      // 2, child of Main Dish
        {named("Fish, Shellfish"), {}, {4}},        // 3, grandchild
        {named("Too Deep"), {}, {}},                // 4, fourth level
        {named("Recent", 99, true), {1}, {}},       // a smart group: no group of its own
        {named("Breakfast & Brunch", 99), {1}, {}}, // 6
    };
    const QString path = file(QStringLiteral("Larkspoon!.database"),
                              testsupport::versionOneFileData(sampleRecipes(), groups, true));
    // An existing group of a mapped name is used, not duplicated.
    GroupsManagedObject* breakfasts =
        testsupport::insertGroup(m_library->context(), QStringLiteral("Breakfasts"));
    bool wholeFile = false;
    importInWindow(path, true, &wholeFile);
    EXPECT_TRUE(wholeFile);

    const QList<RecipesManagedObject*> all = recipes();
    ASSERT_EQ(all.size(), 2);
    RecipesManagedObject* stew = all.at(0);
    EXPECT_EQ(stew->valueForKey(QStringLiteral("dateCreated")).toDateTime(), kCreated);
    EXPECT_EQ(stew->valueForKey(QStringLiteral("rating")).toLongLong(), 5);
    EXPECT_TRUE(stew->valueForKey(QStringLiteral("hasBeenPrepared")).toBool());
    const QStringList stewKeywords = stew->keywordsArray();
    EXPECT_EQ(QSet<QString>(stewKeywords.begin(), stewKeywords.end()),
              (QSet<QString>{QStringLiteral("main courses"), QStringLiteral("soups stews etc.")}));
    const QStringList toastKeywords = all.at(1)->keywordsArray();
    EXPECT_EQ(QSet<QString>(toastKeywords.begin(), toastKeywords.end()),
              (QSet<QString>{QStringLiteral("recent"), QStringLiteral("breakfasts")}));

    // The user's own groups, three levels deep under their current names.
    GroupsManagedObject* main = group(QStringLiteral("Main Courses"));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->relatedObject(QStringLiteral("parent")), nullptr);
    GroupsManagedObject* soups = group(QStringLiteral("Soups Stews etc."));
    ASSERT_NE(soups, nullptr);
    EXPECT_EQ(soups->relatedObject(QStringLiteral("parent")), main);
    GroupsManagedObject* fish = group(QStringLiteral("Fish Shellfish"));
    ASSERT_NE(fish, nullptr);
    EXPECT_EQ(fish->relatedObject(QStringLiteral("parent")), soups);
    EXPECT_EQ(group(QStringLiteral("Too Deep")), nullptr);
    EXPECT_EQ(group(QStringLiteral("Recent")), nullptr);
    EXPECT_EQ(group(QStringLiteral("Breakfasts")), breakfasts);
    EXPECT_FALSE(m_library->context()->hasChanges());
}

TEST(VersionOneGroupNames, MappedNamesAndCommas) {
    const QList<std::pair<const char*, const char*>> cases = {{"Breakfast & Brunch", "Breakfasts"},
                                                              {"Main Dish", "Main Courses"},
                                                              {"Salad", "Salads"},
                                                              {"Side Dish", "Side Dishes"},
                                                              {"Soup, Stew, etc.", "Soups Stews etc."},
                                                              {"Dips, Spreads", "Dips & Spreads"},
                                                              {"Fruit", "Fruits"},
                                                              {"Meat", "Meats"},
                                                              {"Sandwich", "Sandwiches"},
                                                              {"Stew", "Stews"},
                                                              {"Soup", "Soups"},
                                                              {"Cobblers etc.", "Cobblers"},
                                                              {"Puddings etc.", "Puddings"},
                                                              {"Fish, Shellfish", "Fish Shellfish"},
                                                              {"soup", "soup"},
                                                              {",,", ""},
                                                              {"Desserts", "Desserts"}};
    for (const auto& [from, to] : cases)
        EXPECT_EQ(LSVersionOneDataImporter::betterGroupNameFromName(QString::fromUtf8(from)),
                  QString::fromUtf8(to))
            << from;
}

// Damaged files: the whole file refused (an alert says why, nothing changes), or only the
// recipes that cannot be read left out and counted.
TEST_F(VersionOneImportTest, DamagedFilesNeverImportGuesses) {
    const QVariantMap good = testsupport::versionOneArchive(sampleRecipes());
    const QVariantList objects = good.value(QStringLiteral("$objects")).toList();
    // The first recipe record and the index of its name text.
    qsizetype stewIndex = -1;
    for (qsizetype i = 0; i < objects.size(); ++i)
        if (objects[i].toMap().contains(QStringLiteral("directions")))
            stewIndex = i;
    ASSERT_GT(stewIndex, 0);
    const auto withObjects = [&](const std::function<void(QVariantList&)>& change) {
        QVariantMap top = good;
        QVariantList changed = objects;
        change(changed);
        top.insert(QStringLiteral("$objects"), changed);
        return testsupport::binaryPropertyListData(top);
    };
    const auto withStew = [&](const QString& key, const QVariant& value) {
        return withObjects([&](QVariantList& list) {
            QVariantMap stew = list[stewIndex].toMap();
            stew.insert(key, value);
            list[stewIndex] = stew;
        });
    };
    const QByteArray whole = testsupport::binaryPropertyListData(good);
    QVariantMap badRoot = good;
    badRoot.insert(QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), uidValue(objects.size())}});
    QVariantMap noArchive = good;
    noArchive.remove(QStringLiteral("$archiver"));
    const qsizetype rootIndex =
        *KeyedArchive::uid(good.value(QStringLiteral("$top")).toMap().value(QStringLiteral("root")));

    struct Case {
        const char* what;
        QByteArray bytes;
        int imported; // -1: the file is refused
    };
    const QList<Case> cases = {
        {"truncated", whole.left(whole.size() / 2), -1},
        {"not a property list", QByteArray("Larkspoon! 1.0 library"), -1},
        {"no archiver", testsupport::binaryPropertyListData(noArchive), -1},
        {"root out of range", testsupport::binaryPropertyListData(badRoot), -1},
        {"root collection contains itself", withObjects([&](QVariantList& list) {
             QVariantMap root = list[rootIndex].toMap();
             QVariantList members = root.value(QStringLiteral("NS.objects")).toList();
             members.append(uidValue(rootIndex));
             root.insert(QStringLiteral("NS.objects"), members);
             list[rootIndex] = root;
         }),
         -1},
        {"name refers past the objects", withStew(QStringLiteral("name"), uidValue(100000)), 1},
        {"name refers to itself through a string object", withObjects([&](QVariantList& list) {
             const qsizetype stringClass = list.size();
             list.append(QVariantMap{{QStringLiteral("$classname"), QStringLiteral("NSString")}});
             const qsizetype loop = list.size();
             list.append(QVariantMap{{QStringLiteral("$class"), uidValue(stringClass)},
                                     {QStringLiteral("NS.string"), uidValue(loop)}});
             QVariantMap stew = list[stewIndex].toMap();
             stew.insert(QStringLiteral("name"), uidValue(loop));
             list[stewIndex] = stew;
         }),
         1},
        {"rating is a text", withStew(QStringLiteral("rating"), QStringLiteral("five")), 1},
        {"ingredients are not ingredients", withStew(QStringLiteral("ingredient"), uidValue(rootIndex)), 1},
        {"ingredient set refers past the objects", withStew(QStringLiteral("ingredient"), uidValue(-1)), 1},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = int(recipes().size());
        m_alerts.asked.clear();
        LSVersionOneDataImporter importer(m_library->session());
        importer.importDataFile(file(QStringLiteral("damaged%1.Larkspoon!").arg(run++), c.bytes));
        const VersionOneImportResult& result = importer.importResult();
        if (c.imported < 0) {
            EXPECT_FALSE(result.readError.isEmpty());
            EXPECT_EQ(m_alerts.asked.size(), 1);
            EXPECT_EQ(recipes().size(), before);
        } else {
            EXPECT_TRUE(result.readError.isEmpty()) << result.readError.toStdString();
            EXPECT_EQ(int(recipes().size()) - before, c.imported);
            ASSERT_EQ(result.skipped.size(), 1);
            EXPECT_EQ(result.skipped.first().index, 0);
            EXPECT_FALSE(result.skipped.first().reason.isEmpty());
        }
    }
}

// In the window the file is read on a worker: nothing is reported before the event loop
// turns; a damaged file is then refused with the alert and the dialog closed at once, and a
// stop before the read was taken imports nothing, whatever the worker still reads.
TEST_F(VersionOneImportTest, InTheWindowADamagedFileIsRefusedAfterItsReadAndAStopImportsNothing) {
    const struct {
        const char* what;
        QByteArray bytes;
        bool cancel;
    } cases[] = {
        {"damaged", QByteArray("Larkspoon! 1.0 library"), false},
        {"stopped", testsupport::versionOneFileData(sampleRecipes(), {}, true), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_alerts.asked.clear();
        m_progress.steps.clear();
        const QString path = file(QStringLiteral("%1.database").arg(QLatin1String(c.what)), c.bytes);
        VersionOneImportOperation* operation =
            VersionOneImportOperation::start(*m_library->session(), path, true, &m_progress);
        QSignalSpy finished(operation, &RecipeImportOperation::finished);
        VersionOneImportResult result;
        QObject::connect(operation, &RecipeImportOperation::finished,
                         [&] { result = operation->importer().importResult(); });
        EXPECT_TRUE(m_alerts.asked.isEmpty());
        EXPECT_TRUE(m_library->session()->isBusy());
        if (c.cancel) {
            ASSERT_TRUE(m_progress.cancelHandler);
            m_progress.cancelHandler();
        } else {
            ASSERT_TRUE(finished.wait(20000));
        }
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(20000));
        ASSERT_EQ(finished.size(), 1);
        EXPECT_FALSE(finished.first().first().toBool());
        EXPECT_FALSE(m_library->session()->isBusy());
        EXPECT_TRUE(recipes().isEmpty());
        EXPECT_EQ(result.groupsCreated, 0);
        EXPECT_FALSE(m_library->context()->hasChanges());
        if (c.cancel) {
            EXPECT_TRUE(result.readError.isEmpty());
            EXPECT_TRUE(result.cancelled);
            EXPECT_TRUE(m_alerts.asked.isEmpty());
            EXPECT_TRUE(
                m_progress.steps.contains(QStringLiteral("header Import Cancelled. 0 recipes imported.")))
                << m_progress.steps.join(u'\n').toStdString();
        } else {
            EXPECT_TRUE(result.readError.startsWith(QStringLiteral("“damaged.database” could not be read: ")))
                << result.readError.toStdString();
            ASSERT_EQ(m_alerts.asked.size(), 1);
            EXPECT_EQ(m_alerts.asked.first().messageText,
                      QStringLiteral("“damaged.database” could not be imported."));
            EXPECT_EQ(m_progress.steps.last(), QStringLiteral("close"));
        }
    }
}

TEST_F(VersionOneImportTest, MissingFileImportsNothingAndClosesTheDialog) {
    bool wholeFile = true;
    importInWindow(m_dir.filePath(QStringLiteral("gone.database")), true, &wholeFile);
    EXPECT_FALSE(wholeFile);
    EXPECT_TRUE(recipes().isEmpty());
    EXPECT_TRUE(m_alerts.asked.isEmpty());
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(m_progress.steps.last(), QStringLiteral("close"));
}

// The first start with a version-one library in the application support folder, answered
// "No": the starter content, no import, and the question is not asked again. ("Yes" runs
// through the application, VersionOneOpenerTests.)
TEST_F(VersionOneImportTest, FirstStartQuestionAnsweredNo) {
    const QString database =
        AppController::applicationSupportFolder() + QStringLiteral("/Larkspoon!.database");
    ASSERT_TRUE(QDir().mkpath(AppController::applicationSupportFolder()));
    ASSERT_TRUE(
        testsupport::writeFileData(database, testsupport::versionOneFileData(sampleRecipes(), {}, true)));
    UserDefaults::removeObjectForKey(QStringLiteral("askedToImportVersionOneDatabase"));
    CoreDataController& store = m_library->store();
    int samples = 0;
    int imports = 0;
    store.setSampleRecipesImporter([&samples](const QString&) { return ++samples; });
    store.setVersionOneDatabaseImporter(
        [&imports](const QString&, const std::function<void()>&) { ++imports; });
    m_alerts.queueButton(1);
    store.validateGroupsContent();
    QFile::remove(database);

    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText,
              QStringLiteral("Would you like to import your recipes and groups from version one?"));
    EXPECT_EQ(imports, 0);
    EXPECT_EQ(samples, 1);
    EXPECT_NE(group(QStringLiteral("Breakfasts")), nullptr);
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("askedToImportVersionOneDatabase")));
    m_alerts.asked.clear();
    store.validateGroupsContent();
    EXPECT_TRUE(m_alerts.asked.isEmpty());
}

} // namespace

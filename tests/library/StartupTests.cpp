// Start-up, saving and quitting through the application delegate, with the user's
// answers scripted and a shell that records what the windows were asked to do.
#include "common/ScriptedAlerts.h"
#include "common/ScriptedPanels.h"
#include "common/TestSupport.h"
#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/LibraryBackups.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/FilePanels.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/StoreBackup.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class RecordingShell final : public ApplicationShell {
public:
    int setups = 0, shows = 0, exits = 0;
    bool visible = false;
    bool setupMainWindow() override { return ++setups, true; }
    bool isMainWindowVisible() const override { return visible; }
    void showMainWindow() override { ++shows, visible = true; }
    void exitApplication() override { ++exits; }
};

class StartupTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    ScriptedPanels m_panels;
    RecordingShell m_shell;
    std::unique_ptr<AppController> m_app;

    void SetUp() override {
        QSettings().clear();
        QSettings().sync();
        QFile::remove(UserDefaults::preferencesFilePath());
        QFile::remove(UserDefaults::formerPreferencesFilePath());
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_app = std::make_unique<AppController>(&m_alerts, &m_panels, &m_shell);
    }
    void TearDown() override {
        m_app.reset();
        Scheduler::instance().setAutomaticTime();
        QDir(AppController::defaultLibraryPath()).removeRecursively();
    }
    QString library(const QString& name) { return m_dir.filePath(name + QStringLiteral(".library")); }
    // A library folder with a saved store, as an earlier run left it.
    QString makeLibrary(const QString& name) {
        QString error;
        EXPECT_TRUE(openLibraryStore(library(name), true, &error)) << error.toStdString();
        return library(name);
    }
    void launchWith(const QString& libraryPath) {
        UserDefaults::setObjectForKey(libraryPath, QStringLiteral("libraryPath"));
        AppController::initialize();
        m_app->applicationDidFinishLaunching();
    }
    QStringList askedMessages() const {
        QStringList messages;
        for (const AlertRequest& request : m_alerts.asked)
            messages.append(request.messageText);
        return messages;
    }
};

TEST_F(StartupTest, FirstStartCreatesTheLibraryAndTheDefaults) {
    // An earlier release's preferences move over first.
    const QString former = UserDefaults::formerPreferencesFilePath();
    QDir().mkpath(QFileInfo(former).absolutePath());
    {
        QSettings old(former, QSettings::IniFormat);
        old.setValue(QStringLiteral("selectedTheme"), QStringLiteral("Orchard"));
    }
    AppController::initialize();
    EXPECT_FALSE(QFileInfo::exists(former));
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("selectedTheme")), QStringLiteral("Orchard"));
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("printNotes")));
    EXPECT_EQ(UserDefaults::objectForKey(QStringLiteral("printSizeOffset")).toInt(), 0);
    EXPECT_TRUE(UserDefaults::hasKey(QStringLiteral("SUEnableAutomaticChecks")));
    EXPECT_FALSE(UserDefaults::boolForKey(QStringLiteral("SUEnableAutomaticChecks")));

    m_app->applicationDidFinishLaunching();
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                         QStringLiteral("/Larkspoon! Library.library");
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("libraryPath")), path);
    for (const char* entry : {"Images", "XML_Rebuild", "Platefeeds", "Grocery Categories.plist",
                              "Grocery Category Matches.plist", "Library Database.SQL"})
        EXPECT_TRUE(QFileInfo::exists(path + QLatin1Char('/') + QLatin1String(entry))) << entry;
    EXPECT_TRUE(
        QFileInfo(AppController::applicationSupportFolder() + QStringLiteral("/Theme Development")).isDir());
    EXPECT_TRUE(m_alerts.asked.isEmpty());
    EXPECT_EQ(m_shell.shows, 1);
    ASSERT_TRUE(m_app->hasOpenLibrary());
    EXPECT_EQ(
        ObjectContext::metadataForStoreAtPath(libraryStorePath(path))->value(QStringLiteral("modelVersion")),
        QVariant(QStringLiteral("2.3")));

    // A second later the library gets its measurement rules; quitting saves them.
    Scheduler::instance().advance(1.0);
    EXPECT_GT(m_app->managedObjectContext()->countForFetchRequest(
                  FetchRequest(QStringLiteral("SmartMeasurements"))),
              0);
    EXPECT_FALSE(UserDefaults::boolForKey(QStringLiteral("hasLaunchedBefore")));
    m_app->terminate();
    EXPECT_EQ(m_shell.exits, 1);
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("hasLaunchedBefore")));
    EXPECT_FALSE(m_app->managedObjectContext()->hasChanges());
}

TEST_F(StartupTest, DocumentsAreRoutedByExactExtension) {
    // Before launching finished, a library becomes this launch's library; anything else
    // is opened two seconds later.
    const QString chosen = makeLibrary(QStringLiteral("Chosen"));
    QStringList imported;
    m_app->setDocumentHandler(QStringLiteral("lsr"), [&](const QString& path) {
        imported.append(path);
        return false;
    });
    EXPECT_TRUE(m_app->applicationOpenFile(chosen + QLatin1Char('/')));
    EXPECT_FALSE(m_app->applicationOpenFile(m_dir.filePath(QStringLiteral("early.lsr"))));
    AppController::initialize();
    m_app->applicationDidFinishLaunching();
    EXPECT_EQ(m_app->coreDataController()->libraryPath(), chosen);
    EXPECT_TRUE(imported.isEmpty());
    Scheduler::instance().advance(2.0);
    EXPECT_EQ(imported, QStringList{m_dir.filePath(QStringLiteral("early.lsr"))});

    EXPECT_FALSE(m_app->openFile(m_dir.filePath(QStringLiteral("shouting.LSR"))));
    EXPECT_FALSE(m_app->openFile(m_dir.filePath(QStringLiteral("later.mx2")))); // no importer yet
    EXPECT_EQ(imported.size(), 1);

    // The open library again: told so, nothing changes.
    EXPECT_FALSE(m_app->openFile(chosen));
    EXPECT_EQ(askedMessages(),
              QStringList{QStringLiteral("The library \u201cChosen\u201d is already open.")});
    EXPECT_EQ(m_shell.exits, 0);

    // Another library: saved, stored for the next launch, and the application quits.
    const QString other = makeLibrary(QStringLiteral("Other"));
    EXPECT_TRUE(m_app->openFile(other));
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("libraryPath")), other);
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Larkspoon! needs to relaunch to finish switching the Library file."));
    EXPECT_EQ(m_alerts.asked.last().buttonTitles, QStringList{QStringLiteral("Quit")});
    EXPECT_EQ(m_shell.exits, 1);

    // Reopening shows the main window when it is hidden.
    m_shell.visible = false;
    EXPECT_TRUE(m_app->applicationShouldHandleReopen(true));
    EXPECT_TRUE(m_shell.visible);
}

TEST_F(StartupTest, MissingLibraryIsLocatedOrReplaced) {
    const QString found = makeLibrary(QStringLiteral("Found"));
    m_alerts.queueButton(0); // Locate...
    m_panels.cancel();       // cancelled: asked again
    m_alerts.queueButton(0);
    m_panels.answer(found);
    launchWith(m_dir.filePath(QStringLiteral("Gone.library")));
    ASSERT_EQ(m_alerts.asked.size(), 2);
    EXPECT_EQ(m_alerts.asked.first().messageText, QStringLiteral("Can't find your library"));
    EXPECT_EQ(m_alerts.asked.first().buttonTitles,
              (QStringList{QStringLiteral("Locate..."), QStringLiteral("Quit"), QStringLiteral("New")}));
    EXPECT_EQ(m_panels.asked.first().fileTypes, QStringList{QStringLiteral("library")});
    EXPECT_EQ(m_app->coreDataController()->libraryPath(), found);

    AppController quitting(&m_alerts, &m_panels, &m_shell);
    m_alerts.queueButton(1); // Quit
    UserDefaults::setObjectForKey(m_dir.filePath(QStringLiteral("Gone.library")),
                                  QStringLiteral("libraryPath"));
    quitting.applicationDidFinishLaunching();
    EXPECT_EQ(m_shell.exits, 1);
    EXPECT_FALSE(quitting.hasOpenLibrary());
}

TEST_F(StartupTest, StoresOfOtherVersionsAreLeftAlone) {
    // Written by a newer release: the upgrade message, and not a byte changes.
    const QString newer = makeLibrary(QStringLiteral("Newer"));
    QVariantMap metadata = *ObjectContext::metadataForStoreAtPath(libraryStorePath(newer));
    metadata.insert(QStringLiteral("modelVersion"), QStringLiteral("2.5"));
    ASSERT_TRUE(ObjectContext::setMetadataForStoreAtPath(metadata, libraryStorePath(newer)));
    const QByteArray before = testsupport::fileDigest(libraryStorePath(newer));
    launchWith(newer);
    EXPECT_EQ(askedMessages(),
              QStringList{QStringLiteral(
                  "You need to upgrade to version 2.5 or greater to open this Library File.")});
    EXPECT_EQ(m_alerts.asked.first().informativeText,
              QStringLiteral("Click the Larkspoon! menu and select \u201cCheck for Updates...\u201d"));
    EXPECT_FALSE(m_app->hasOpenLibrary());
    EXPECT_EQ(m_shell.setups, 0);
    EXPECT_EQ(testsupport::fileDigest(libraryStorePath(newer)), before);

    // A store without a version is stamped with the application's at quit.
    const QString unversioned = makeLibrary(QStringLiteral("Unversioned"));
    metadata = *ObjectContext::metadataForStoreAtPath(libraryStorePath(unversioned));
    metadata.remove(QStringLiteral("modelVersion"));
    ASSERT_TRUE(ObjectContext::setMetadataForStoreAtPath(metadata, libraryStorePath(unversioned)));
    AppController second(&m_alerts, &m_panels, &m_shell);
    UserDefaults::setObjectForKey(unversioned, QStringLiteral("libraryPath"));
    second.applicationDidFinishLaunching();
    EXPECT_TRUE(second.hasOpenLibrary());
    EXPECT_TRUE(second.applicationShouldTerminate());
    EXPECT_EQ(ObjectContext::metadataForStoreAtPath(libraryStorePath(unversioned))
                  ->value(QStringLiteral("modelVersion")),
              QVariant(QStringLiteral("2.3")));
}

// A save that cannot be written says why: the library is read-only, or another program
// kept it locked past the wait (the changes stay, and a later save writes them).
TEST_F(StartupTest, SaveFailuresOfAReadOnlyOrBusyLibrarySayWhy) {
    const QString path = makeLibrary(QStringLiteral("Shared"));
    struct Case {
        const char* name;
        bool readOnly;
        QString message;
    };
    const Case cases[] = {
        {"read-only", true, QStringLiteral("The library is read-only.")},
        {"busy", false, QStringLiteral("The library is being changed by another program; try again.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_alerts.asked.clear();
        StoreOptions options;
        options.readOnly = c.readOnly;
        options.busyTimeoutMs = 20;
        QString error;
        std::unique_ptr<ObjectContext> opened =
            ObjectContext::open(libraryStorePath(path), *currentDataModel(), &error, options);
        ASSERT_TRUE(opened) << error.toStdString();
        CoreDataController controller(path, std::move(opened), &m_alerts);
        controller.managedObjectContext()->insertNewObject(QStringLiteral("Recipes"));
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(libraryStorePath(path)).constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_FALSE(controller.saveAction());
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_EQ(askedMessages(), QStringList{c.message});
        EXPECT_EQ(controller.saveAction(), !c.readOnly);
    }
}

// A library on a medium that cannot be written opens for reading and says so once.
TEST_F(StartupTest, ReadOnlyLibraryOpensAndIsAnnouncedOnce) {
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write whatever the permissions say";
    const QString path = makeLibrary(QStringLiteral("Disc"));
    const QString store = libraryStorePath(path);
    ASSERT_EQ(chmod(QFile::encodeName(store).constData(), 0444), 0);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0555), 0);
    {
        CoreDataController controller(path, &m_alerts);
        ObjectContext* context = controller.managedObjectContext();
        ASSERT_NE(context, nullptr) << controller.storeError().toStdString();
        EXPECT_TRUE(context->isReadOnly());
        EXPECT_EQ(askedMessages(), QStringList{QStringLiteral("The library is read-only.")});
        EXPECT_TRUE(controller.saveAction()); // nothing to write
        context->insertNewObject(QStringLiteral("Recipes"));
        EXPECT_FALSE(controller.saveAction());
        EXPECT_EQ(askedMessages(), (QStringList{QStringLiteral("The library is read-only."),
                                                QStringLiteral("The library is read-only.")}));
    }
    chmod(QFile::encodeName(path).constData(), 0755);
    chmod(QFile::encodeName(store).constData(), 0644);
}

TEST_F(StartupTest, TheDaysFirstSaveIsBackedUpAndABackupRestoresAfterConfirmation) {
    const QString path = makeLibrary(QStringLiteral("Backed Up"));
    launchWith(path);
    ASSERT_TRUE(m_app->hasOpenLibrary());
    ASSERT_NE(m_app->backups(), nullptr);
    m_app->managedObjectContext()->insertNewObject(QStringLiteral("Recipes"));
    ASSERT_TRUE(m_app->saveAction());
    m_app->backups()->waitForCopy();
    const QList<LibraryBackups::Entry> made = m_app->backups()->backups();
    ASSERT_EQ(made.size(), 1);
    const qint64 backedUp = made.first().recipes;
    EXPECT_GE(backedUp, 1);
    m_app->managedObjectContext()->insertNewObject(QStringLiteral("Recipes"));
    ASSERT_TRUE(m_app->saveAction());
    const auto storeRecipes = [&path] {
        return countStoreRows(libraryStorePath(path), QStringLiteral("Recipes")).value_or(-1);
    };
    ASSERT_EQ(storeRecipes(), backedUp + 1);

    int relaunches = 0;
    m_app->setRelauncher([&relaunches] { return ++relaunches, true; });
    m_alerts.queueButton(1); // "Cancel"
    EXPECT_FALSE(m_app->restoreFromBackup(made.first().path, made.first().date, made.first().recipes));
    EXPECT_EQ(storeRecipes(), backedUp + 1);
    EXPECT_EQ(relaunches, 0);

    m_alerts.queueButton(0); // "Restore"
    EXPECT_TRUE(m_app->restoreFromBackup(made.first().path, made.first().date, made.first().recipes));
    EXPECT_EQ(m_alerts.asked.last().buttonTitles,
              (QStringList{QStringLiteral("Restore"), QStringLiteral("Cancel")}));
    EXPECT_EQ(storeRecipes(), backedUp);
    EXPECT_EQ(relaunches, 1);
    EXPECT_EQ(m_shell.exits, 1);
    // The store it replaced is kept beside the daily copy.
    const QList<LibraryBackups::Entry> after = LibraryBackups(path).backups();
    ASSERT_EQ(after.size(), 2);
    EXPECT_TRUE(after.first().beforeRestore);
    EXPECT_EQ(after.first().recipes, backedUp + 1);
}

// Image files of deleted recipes go only once the store has saved the deletion.
class DeletedImagesTest : public StartupTest {
protected:
    QString m_path;
    std::unique_ptr<CoreDataController> m_controller;
    QString m_id;

    void SetUp() override {
        StartupTest::SetUp();
        m_path = makeLibrary(QStringLiteral("Images"));
        m_controller = std::make_unique<CoreDataController>(m_path, &m_alerts);
        auto* recipe =
            dynamic_cast<RecipesManagedObject*>(context()->insertNewObject(QStringLiteral("Recipes")));
        m_id = recipe->stringValue(QStringLiteral("uniqueID"));
        ASSERT_TRUE(recipe->saveImage("jpeg", 1) && recipe->saveImage("jpeg", 12));
        ASSERT_TRUE(m_controller->saveAction());
    }
    ObjectContext* context() { return m_controller->managedObjectContext(); }
    ManagedObject* theRecipe() {
        return context()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).value(0);
    }
    void deleteRecipe() {
        ManagedObject* recipe = theRecipe();
        m_controller->markRecipesForDelete({recipe});
        context()->deleteObject(recipe);
    }
    bool imagesExist() const {
        return QFileInfo::exists(QStringLiteral("%1/Images/%2-Image1.jpg").arg(m_path, m_id)) &&
               QFileInfo::exists(QStringLiteral("%1/Images/%2-Image12.jpg").arg(m_path, m_id));
    }
};

TEST_F(DeletedImagesTest, RemovedAfterASuccessfulSaveOnly) {
    deleteRecipe();
    EXPECT_TRUE(imagesExist());
    testsupport::sqlOnFile(libraryStorePath(m_path),
                           QStringLiteral("ALTER TABLE Recipes RENAME TO Elsewhere"));
    EXPECT_FALSE(m_controller->saveAction());
    EXPECT_EQ(askedMessages(), QStringList{QStringLiteral("Unable to save changes to your library.")});
    EXPECT_TRUE(imagesExist());
    EXPECT_FALSE(QFileInfo::exists(m_controller->markedForDeletePath()));

    // Quitting anyway keeps the pictures.
    m_alerts.queueButton(0); // the store's error
    m_alerts.queueButton(0); // Quit anyway
    EXPECT_TRUE(m_controller->applicationShouldTerminate());
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Could not save changes while quitting. Quit anyway?"));
    EXPECT_EQ(m_alerts.asked.last().buttonTitles,
              (QStringList{QStringLiteral("Quit anyway"), QStringLiteral("Cancel")}));
    EXPECT_TRUE(imagesExist());
    m_alerts.queueButton(0);
    m_alerts.queueButton(1); // Cancel
    EXPECT_FALSE(m_controller->applicationShouldTerminate());

    testsupport::sqlOnFile(libraryStorePath(m_path),
                           QStringLiteral("ALTER TABLE Elsewhere RENAME TO Recipes"));
    EXPECT_TRUE(m_controller->saveAction());
    EXPECT_FALSE(imagesExist());
    EXPECT_FALSE(QFileInfo::exists(m_controller->markedForDeletePath()));
}

TEST_F(DeletedImagesTest, ACrashOnEitherSideOfTheSaveLosesNoPictureOfALivingRecipe) {
    // Killed before the save: the recipe is still in the store, and so are its pictures.
    deleteRecipe();
    m_controller = std::make_unique<CoreDataController>(m_path, &m_alerts);
    ASSERT_NE(theRecipe(), nullptr);
    EXPECT_TRUE(imagesExist());

    // Killed between the save and the removal: the list on disk is honoured by the next
    // successful save.
    deleteRecipe();
    ASSERT_TRUE(context()->save());
    ASSERT_TRUE(writePropertyListFile(QVariantList{m_id}, m_controller->markedForDeletePath()));
    m_controller = std::make_unique<CoreDataController>(m_path, &m_alerts);
    EXPECT_TRUE(imagesExist());
    EXPECT_TRUE(m_controller->saveAction());
    EXPECT_FALSE(imagesExist());
}

TEST_F(DeletedImagesTest, AnUndoneDeletionKeepsThePictures) {
    deleteRecipe();
    context()->undoManager()->undo();
    ASSERT_NE(theRecipe(), nullptr);
    EXPECT_TRUE(m_controller->saveAction());
    EXPECT_TRUE(imagesExist());
}

} // namespace

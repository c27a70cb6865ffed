// First-generation files in the running application: opened from outside by extension
// (exactly), and the first start that finds a version-one library and imports it.
#include "ExchangeTestSupport.h"
#include "common/ScriptedAlerts.h"
#include "common/VersionOneFiles.h"

#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "platform/FilePanels.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "share/LSVersionOneDataImporter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

using testsupport::VersionOneGroup;
using testsupport::VersionOneRecipe;

namespace {

class QuietShell final : public ApplicationShell {
public:
    bool setupMainWindow() override { return true; }
    bool isMainWindowVisible() const override { return true; }
    void showMainWindow() override {}
    void exitApplication() override {}
};

class NoPanels final : public FilePanels {
public:
    FilePanelResult runOpenPanel(const FilePanelRequest&) override { return {}; }
    FilePanelResult runSavePanel(const FilePanelRequest&) override { return {}; }
};

const QList<VersionOneRecipe> kRecipes = {
    {{{QStringLiteral("name"), QStringLiteral("Gumbo")}, {QStringLiteral("rating"), qint64(3)}}, {}}};
const QList<VersionOneGroup> kGroups = {
    {{{QStringLiteral("name"), QStringLiteral("Soup")}, {QStringLiteral("priorityValue"), qint64(99)}},
     {0},
     {}}};

class VersionOneOpener : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedAlerts alerts;
    NoPanels panels;
    QuietShell shell;
    RecordingProgressView progress;
    std::unique_ptr<AppController> app;
    QString database = AppController::applicationSupportFolder() + QStringLiteral("/Larkspoon!.database");

    void SetUp() override {
        QSettings().clear();
        QFile::remove(UserDefaults::preferencesFilePath());
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        ASSERT_TRUE(QDir().mkpath(AppController::applicationSupportFolder()));
    }
    // Starts the application on a new library; answer: the button of the first-start question.
    void launch(int answer) {
        const QString library = dir.filePath(QStringLiteral("Open.library"));
        {
            QString error;
            ASSERT_TRUE(openLibraryStore(library, true, &error)) << error.toStdString();
        }
        app = std::make_unique<AppController>(&alerts, &panels, &shell);
        registerVersionOneDocumentHandlers(app.get(), &progress);
        UserDefaults::setObjectForKey(library, QStringLiteral("libraryPath"));
        AppController::initialize();
        alerts.queueButton(answer);
        app->applicationDidFinishLaunching();
    }
    void TearDown() override {
        app.reset();
        QFile::remove(database);
        Scheduler::instance().advance(1.0);
        Scheduler::instance().setAutomaticTime();
    }
    QStringList recipeNames() const {
        QStringList names;
        for (ManagedObject* recipe : app->managedObjectContext()->executeFetchRequest(
                 FetchRequest(QStringLiteral("Recipes"), {}, {{QStringLiteral("name"), true, true}})))
            names << recipe->stringValue(QStringLiteral("name"));
        return names;
    }
};

TEST_F(VersionOneOpener, FirstStartImportsTheLibraryFoundOnYes) {
    ASSERT_TRUE(
        testsupport::writeFileData(database, testsupport::versionOneFileData(kRecipes, kGroups, true)));
    launch(0);
    ASSERT_TRUE(app->coreDataController());
    QSignalSpy imported(app->coreDataController(), &CoreDataController::versionOneDatabaseImported);
    Scheduler::instance().advance(3.0); // the fixed content is ensured a second after opening
    ASSERT_TRUE(imported.wait(20000));
    ASSERT_EQ(alerts.asked.size(), 1);
    EXPECT_EQ(alerts.asked.first().buttonTitles, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    EXPECT_EQ(recipeNames(), QStringList{QStringLiteral("Gumbo")}); // and no sample recipes
    EXPECT_TRUE(progress.steps.contains(QStringLiteral("header Importing: Gumbo")));
    const QList<ManagedObject*> selected = app->recipesArrayController()->selectedObjects();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first()->stringValue(QStringLiteral("keywords")), QStringLiteral("Soups"));
    EXPECT_FALSE(app->managedObjectContext()->hasChanges());
}

TEST_F(VersionOneOpener, DocumentsAreImportedByTheirExactExtension) {
    launch(0); // no version-one library: nothing is asked
    Scheduler::instance().advance(3.0);
    EXPECT_TRUE(alerts.asked.isEmpty());
    LibrarySession* session = app->session();
    ASSERT_TRUE(session);
    const QStringList before = recipeNames();
    const QByteArray bytes = testsupport::versionOneFileData(kRecipes, kGroups, true);

    struct Case {
        const char* name;
        bool handled;
        bool keepsRating;
    };
    for (const Case& c : {Case{"old.Larkspoon!", true, false}, Case{"whole.database", true, true},
                          Case{"shouting.LARKSPOON!", false, false}, Case{"whole.Database", false, false}}) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QLatin1String(c.name));
        ASSERT_TRUE(testsupport::writeFileData(path, bytes));
        QSignalSpy ended(session, &LibrarySession::operationEnded);
        EXPECT_EQ(app->openFile(path), c.handled);
        if (!c.handled) {
            EXPECT_FALSE(session->isBusy());
            continue;
        }
        ASSERT_TRUE(ended.wait(20000));
        const QList<ManagedObject*> selected = app->recipesArrayController()->selectedObjects();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected.first()->valueForKey(QStringLiteral("rating")).toLongLong(),
                  c.keepsRating ? 3 : 0);
    }
    EXPECT_EQ(recipeNames().size(), before.size() + 2);
}

} // namespace

// Opening an "lsr" document in the running application: the question, its three answers,
// and the imported recipes selected in the recipe list.
#include "ExchangeTestSupport.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSupport.h"

#include "library/AppController.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "platform/FilePanels.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "share/VersionTwoImporterExporter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

class QuietShell final : public ApplicationShell {
public:
    int exits = 0;
    bool setupMainWindow() override { return true; }
    bool isMainWindowVisible() const override { return true; }
    void showMainWindow() override {}
    void exitApplication() override { ++exits; }
};

class NoPanels final : public FilePanels {
public:
    FilePanelResult runOpenPanel(const FilePanelRequest&) override { return {}; }
    FilePanelResult runSavePanel(const FilePanelRequest&) override { return {}; }
};

// The application started on a library of its own, opening "lsr" documents.
class ExchangeOpener : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedAlerts alerts;
    NoPanels panels;
    QuietShell shell;
    RecordingProgressView progress;
    std::unique_ptr<AppController> app;

    void SetUp() override {
        QSettings().clear();
        QFile::remove(UserDefaults::preferencesFilePath());
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        const QString library = dir.filePath(QStringLiteral("Open.library"));
        {
            QString error;
            ASSERT_TRUE(openLibraryStore(library, true, &error)) << error.toStdString();
        }
        app = std::make_unique<AppController>(&alerts, &panels, &shell);
        UserDefaults::setObjectForKey(library, QStringLiteral("libraryPath"));
        AppController::initialize();
        app->applicationDidFinishLaunching();
        Scheduler::instance().advance(3.0);
        ASSERT_TRUE(app->recipesArrayController());
        registerExchangeDocumentHandler(app.get(), &progress);
        alerts.asked.clear();
    }
    void TearDown() override {
        app.reset();
        Scheduler::instance().advance(1.0);
        Scheduler::instance().setAutomaticTime();
    }

    // A file of count recipes named prefix 1, prefix 2, ...
    QString recipesFile(const QString& name, const QString& prefix, int count) {
        QVariantList recipes;
        for (int i = 1; i <= count; ++i)
            recipes.append(QVariantMap{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                                       {QStringLiteral("name"), QStringLiteral("%1 %2").arg(prefix).arg(i)}});
        const QString file = dir.filePath(name);
        EXPECT_TRUE(writePropertyListFile(recipes, file));
        return file;
    }
    int recipesNamed(const QString& prefix) {
        return app->managedObjectContext()->countForFetchRequest(
            FetchRequest(QStringLiteral("Recipes"),
                         Predicate::parse(QStringLiteral("name BEGINSWITH %@"), {prefix}).predicate));
    }
    // The import that runs now; null when none does.
    ExchangeImportOperation* runningImport() const {
        return dynamic_cast<ExchangeImportOperation*>(app->session()->runningOperation());
    }
    // Opens file, answers Import, and comes back once the import's first batch is in.
    ExchangeImportOperation* importUntilFirstBatch(const QString& file) {
        alerts.queueButton(0);
        app->openFile(file);
        ExchangeImportOperation* import = runningImport();
        if (!import)
            return nullptr;
        QSignalSpy progressed(import, &ExchangeImportOperation::progressed);
        return progressed.wait(20000) ? import : nullptr;
    }
};

TEST_F(ExchangeOpener, AsksThenImportsWithOrWithoutDetailsAndSelects) {
    const QString file = dir.filePath(QStringLiteral("From a friend.lsr"));
    ASSERT_TRUE(writePropertyListFile(
        QVariantList{QVariantMap{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                                 {QStringLiteral("name"), QStringLiteral("Shared Stew")},
                                 {QStringLiteral("privateNotes"), QStringLiteral("theirs")}}},
        file));
    auto stews = [&] {
        return app->managedObjectContext()->executeFetchRequest(FetchRequest(
            QStringLiteral("Recipes"), Predicate::parse(QStringLiteral("name == 'Shared Stew'")).predicate,
            {{QStringLiteral("dateCreated"), true}}));
    };

    alerts.queueButton(1); // Cancel
    EXPECT_FALSE(app->openFile(file));
    ASSERT_EQ(alerts.asked.size(), 1);
    EXPECT_EQ(alerts.asked.at(0).messageText, QStringLiteral("Import \u201cFrom a friend.lsr\u201d?"));
    EXPECT_EQ(alerts.asked.at(0).informativeText,
              QStringLiteral("You can also import Date Created, Date Modified, Rating, Previously Prepared "
                             "and Private Notes."));
    EXPECT_EQ(alerts.asked.at(0).buttonTitles,
              (QStringList{QStringLiteral("Import"), QStringLiteral("Cancel"),
                           QStringLiteral("Import with all details")}));
    EXPECT_TRUE(stews().isEmpty());
    EXPECT_TRUE(progress.steps.isEmpty());

    // The import runs in batches from the event loop.
    const auto waitForImport = [&] {
        QSignalSpy ended(app->session(), &LibrarySession::operationEnded);
        ASSERT_TRUE(app->session()->isBusy());
        ASSERT_TRUE(ended.wait(20000));
    };
    alerts.queueButton(0); // Import
    EXPECT_FALSE(app->openFile(file));
    waitForImport();
    ASSERT_EQ(stews().size(), 1);
    EXPECT_TRUE(stews().at(0)->valueForKey(QStringLiteral("privateNotes")).isNull());
    EXPECT_EQ(app->recipesArrayController()->selectedObjects(), stews());
    EXPECT_EQ(progress.steps.value(0), QStringLiteral("show"));
    EXPECT_FALSE(app->managedObjectContext()->hasChanges());

    alerts.queueButton(2); // Import with all details
    EXPECT_FALSE(app->openFile(file));
    waitForImport();
    ASSERT_EQ(stews().size(), 2);
    EXPECT_EQ(stews().at(1)->stringValue(QStringLiteral("privateNotes")), QStringLiteral("theirs"));
    EXPECT_EQ(app->recipesArrayController()->selectedObjects(), QList<ManagedObject*>{stews().at(1)});
}

// A second launch hands over a document while an import runs: it is neither asked about
// nor imported inside the running import, but once that one has ended, in its turn.
TEST_F(ExchangeOpener, ADocumentArrivingMidImportWaitsForIt) {
    const QString first = recipesFile(QStringLiteral("First.lsr"), QStringLiteral("First"), 120);
    const QString second = recipesFile(QStringLiteral("Second.lsr"), QStringLiteral("Second"), 3);
    ExchangeImportOperation* import = importUntilFirstBatch(first);
    ASSERT_TRUE(import);
    const int firstSoFar = recipesNamed(QStringLiteral("First"));
    EXPECT_GT(firstSoFar, 0);
    EXPECT_LT(firstSoFar, 120);

    alerts.queueButton(0);
    EXPECT_FALSE(app->applicationOpenFile(second));
    EXPECT_EQ(alerts.asked.size(), 1); // not asked yet
    EXPECT_EQ(recipesNamed(QStringLiteral("Second")), 0);
    EXPECT_EQ(runningImport(), import);

    // The first import ends; the waiting document is asked about and imported next.
    QSignalSpy ended(app->session(), &LibrarySession::operationEnded);
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(recipesNamed(QStringLiteral("First")), 120);
    ASSERT_EQ(alerts.asked.size(), 2);
    EXPECT_EQ(alerts.asked.at(1).messageText, QStringLiteral("Import \u201cSecond.lsr\u201d?"));
    ASSERT_TRUE(runningImport());
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(recipesNamed(QStringLiteral("Second")), 3);
    EXPECT_FALSE(app->session()->isBusy());
    EXPECT_FALSE(app->managedObjectContext()->hasChanges());
}

// Quitting while an import runs: the import takes no further batch, what it made so far is
// saved with the rest of the library, and the application exits.
TEST_F(ExchangeOpener, QuittingMidImportKeepsAndSavesWhatWasImported) {
    const QString file = recipesFile(QStringLiteral("Big.lsr"), QStringLiteral("Big"), 200);
    ExchangeImportOperation* import = importUntilFirstBatch(file);
    ASSERT_TRUE(import);
    QSignalSpy finished(import, &ExchangeImportOperation::finished);

    app->terminate();
    EXPECT_EQ(shell.exits, 1);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_FALSE(finished.at(0).at(0).toBool()); // not the whole file
    EXPECT_FALSE(app->session()->isBusy());
    const int imported = recipesNamed(QStringLiteral("Big"));
    EXPECT_GT(imported, 0);
    EXPECT_LT(imported, 200);
    EXPECT_FALSE(app->managedObjectContext()->hasChanges());
    EXPECT_EQ(testsupport::sqlOnFile(app->managedObjectContext()->storePath(),
                                     QStringLiteral("SELECT COUNT(*) FROM Recipes WHERE name LIKE 'Big %'")),
              QString::number(imported));
    // Nothing runs on afterwards: the operation is gone with its pending batch.
    const QPointer<ExchangeImportOperation> ended(import);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(ended.isNull());
}

} // namespace

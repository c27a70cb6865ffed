// Opening an "lsr" document in the running application: the question, its three answers,
// and the imported recipes selected in the recipe list.
#include "ExchangeTestSupport.h"
#include "common/ScriptedAlerts.h"

#include "library/AppController.h"
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
#include <QSettings>
#include <QTemporaryDir>

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

TEST(ExchangeOpener, AsksThenImportsWithOrWithoutDetailsAndSelects) {
    QTemporaryDir dir;
    ScriptedAlerts alerts;
    NoPanels panels;
    QuietShell shell;
    RecordingProgressView progress;
    QSettings().clear();
    QFile::remove(UserDefaults::preferencesFilePath());
    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    const QString library = dir.filePath(QStringLiteral("Open.library"));
    {
        QString error;
        ASSERT_TRUE(openLibraryStore(library, true, &error)) << error.toStdString();
    }
    AppController app(&alerts, &panels, &shell);
    UserDefaults::setObjectForKey(library, QStringLiteral("libraryPath"));
    AppController::initialize();
    app.applicationDidFinishLaunching();
    Scheduler::instance().advance(3.0);
    ASSERT_TRUE(app.recipesArrayController());
    registerExchangeDocumentHandler(&app, &progress);
    alerts.asked.clear();

    const QString file = dir.filePath(QStringLiteral("From a friend.lsr"));
    ASSERT_TRUE(writePropertyListFile(
        QVariantList{QVariantMap{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                                 {QStringLiteral("name"), QStringLiteral("Shared Stew")},
                                 {QStringLiteral("privateNotes"), QStringLiteral("theirs")}}},
        file));
    auto stews = [&] {
        return app.managedObjectContext()->executeFetchRequest(FetchRequest(
            QStringLiteral("Recipes"), Predicate::parse(QStringLiteral("name == 'Shared Stew'")).predicate,
            {{QStringLiteral("dateCreated"), true}}));
    };

    alerts.queueButton(1); // Cancel
    EXPECT_FALSE(app.openFile(file));
    ASSERT_EQ(alerts.asked.size(), 1);
    EXPECT_EQ(alerts.asked.at(0).messageText, QStringLiteral("Import ''From a friend.lsr''?"));
    EXPECT_EQ(alerts.asked.at(0).informativeText,
              QStringLiteral("You can also import Date Created, Date Modified, Rating, Previously Prepared "
                             "and Private Notes."));
    EXPECT_EQ(alerts.asked.at(0).buttonTitles,
              (QStringList{QStringLiteral("Import"), QStringLiteral("Cancel"),
                           QStringLiteral("Import with all details")}));
    EXPECT_TRUE(stews().isEmpty());
    EXPECT_TRUE(progress.steps.isEmpty());

    alerts.queueButton(0); // Import
    EXPECT_FALSE(app.openFile(file));
    ASSERT_EQ(stews().size(), 1);
    EXPECT_TRUE(stews().at(0)->valueForKey(QStringLiteral("privateNotes")).isNull());
    EXPECT_EQ(app.recipesArrayController()->selectedObjects(), stews());
    EXPECT_EQ(progress.steps.value(0), QStringLiteral("show"));
    EXPECT_FALSE(app.managedObjectContext()->hasChanges());

    alerts.queueButton(2); // Import with all details
    EXPECT_FALSE(app.openFile(file));
    ASSERT_EQ(stews().size(), 2);
    EXPECT_EQ(stews().at(1)->stringValue(QStringLiteral("privateNotes")), QStringLiteral("theirs"));
    EXPECT_EQ(app.recipesArrayController()->selectedObjects(), QList<ManagedObject*>{stews().at(1)});

    Scheduler::instance().advance(1.0);
    Scheduler::instance().setAutomaticTime();
}

} // namespace

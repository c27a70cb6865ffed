// Platefeeds in the running application: subscription links handed over by a later launch
// (over a real local socket) to a feed on a real WebDAV server, the status line while the
// feed is imported, and the File menu's two platefeed commands.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/ScriptedPanels.h"
#include "library/AppController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/SidebarTreeController.h"
#include "library/ui/GroupEditorSheet.h"
#include "library/ui/SidebarOutlineView.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/SingleInstance.h"
#include "platform/UserDefaults.h"
#include "share/FeedServers.h"
#include "share/PlatefeedManager.h"
#include "shell/DesktopApplication.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"
#include "shell/PlatefeedShell.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

namespace {

constexpr int kWaitMs = 20000;

class CountingShell final : public MainMenuController {
public:
    void exitApplication() override {}
};

TEST(DesktopArguments, PathsFileLinksAndFeedLinksAsTheDesktopPassesThem) {
    const QString here = QDir::currentPath();
    const QList<std::pair<QString, QString>> cases = {
        {QStringLiteral("/tmp/Soups and Stews.lsr"), QStringLiteral("/tmp/Soups and Stews.lsr")},
        {QStringLiteral("/tmp/../tmp/100%.lsr"), QStringLiteral("/tmp/100%.lsr")},
        {QStringLiteral("file:///tmp/Cr%C3%A8me%20br%C3%BBl%C3%A9e.lsr"),
         QStringLiteral("/tmp/Crème brûlée.lsr")},
        {QStringLiteral("file://localhost/tmp/a.mx2"), QStringLiteral("/tmp/a.mx2")},
        {QStringLiteral("stew.lsr"), here + QStringLiteral("/stew.lsr")},
        {QStringLiteral("larkspoonfeed://example.org/cook/Sites/Soups"),
         QStringLiteral("larkspoonfeed://example.org/cook/Sites/Soups")},
        {QStringLiteral("larkspoonfeeds://example.org/cook/Sites/Soups"),
         QStringLiteral("larkspoonfeeds://example.org/cook/Sites/Soups")},
    };
    for (const auto& [argument, document] : cases)
        EXPECT_EQ(DesktopApplication::documentArguments({argument}), QStringList{document})
            << argument.toStdString();
}

// A started library with the platefeed wiring of the application, and a feed "Tea Feed"
// with one recipe published by hand on a real WebDAV server.
class PlatefeedShellTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    ScriptedPanels m_panels;
    CountingShell m_shell;
    std::unique_ptr<AppController> m_app;
    PlatefeedShell* m_platefeeds = nullptr;
    WebDavTestServer m_server;
    QString m_socket = m_dir.filePath(QStringLiteral("instance"));

    void SetUp() override {
        if (!WebDavTestServer::isInstalled())
            GTEST_SKIP() << "lighttpd (Debian packages lighttpd, lighttpd-mod-webdav) is not installed";
        ASSERT_TRUE(m_server.start()) << m_server.error().toStdString();
        publishFeed();
        QSettings().clear();
        UserDefaults::setObjectForKey(m_dir.filePath(QStringLiteral("Feeds.library")),
                                      QStringLiteral("libraryPath"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("Feeds.library")));
        AppController::initialize();
        Scheduler::instance().setManualTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
        m_app = std::make_unique<AppController>(&m_alerts, &m_panels, &m_shell);
        m_shell.setAppController(m_app.get());
        m_app->applicationDidFinishLaunching();
        Scheduler::instance().advance(1.0);
        ASSERT_TRUE(m_app->session());
        m_platefeeds = new PlatefeedShell(*m_app, m_shell);
        ASSERT_TRUE(m_platefeeds->manager());
    }
    void TearDown() override {
        m_shell.tearDownWindows();
        m_app.reset();
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }

    void publishFeed() {
        const QString folder = m_server.root() + QStringLiteral("/Sites/Tea");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QVariantMap version{
            {QStringLiteral("name"), QStringLiteral("Tea Feed")},
            {QStringLiteral("platefeedPredicateKey"), QStringLiteral("4242")},
            {QStringLiteral("tea-1"), QDateTime(QDate(2026, 2, 1), QTime(9, 0), Qt::UTC)}};
        QVariantMap recipe{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                           {QStringLiteral("name"), QStringLiteral("Green Tea")},
                           {QStringLiteral("platefeedPredicateKey"), QStringLiteral("4242")},
                           {QStringLiteral("publishedPlatefeedID"), QStringLiteral("tea-1")},
                           {QStringLiteral("difficulty"), 1},
                           {QStringLiteral("rating"), 4}};
        QString error;
        ASSERT_TRUE(writePropertyListFile(version, folder + QStringLiteral("/version.plist"), &error))
            << error.toStdString();
        ASSERT_TRUE(writePropertyListFile(recipe, folder + QStringLiteral("/tea-1.plist"), &error))
            << error.toStdString();
    }
    QString link(const QString& scheme, const QString& path) const {
        return scheme + QStringLiteral("://") + m_server.address().mid(7) + path;
    }
    PlatefeedManager* manager() const { return m_platefeeds->manager(); }
    ObjectContext* context() const { return m_app->session()->context(); }
    GroupsManagedObject* groupNamed(const QString& name) const {
        for (ManagedObject* object : context()->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
            if (object->stringValue(QStringLiteral("name")) == name)
                return dynamic_cast<GroupsManagedObject*>(object);
        return nullptr;
    }

    // A later launch with these command-line arguments: it blocks while it waits for the
    // acknowledgement, so it runs on a thread of its own while this one runs the primary.
    bool launchAgainWith(const QStringList& arguments) {
        const QStringList documents = DesktopApplication::documentArguments(arguments);
        std::future<bool> sent = std::async(std::launch::async, [this, documents] {
            return SingleInstance(m_socket).sendToPrimary(documents, 10000);
        });
        const bool answered = QTest::qWaitFor(
            [&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, kWaitMs);
        return sent.get() && answered;
    }
};

// A feed link of either kind handed over by a later launch reaches the subscription: the
// readable one subscribes and imports (the status line tells the recipe, then clears), the
// unreadable one says so. The window comes to the front either way.
TEST_F(PlatefeedShellTest, LinksHandedOverByALaterLaunchSubscribe) {
    SingleInstance primary(m_socket);
    ASSERT_TRUE(primary.becomePrimary());
    DesktopApplication::receiveHandOvers(primary, *m_app, m_shell, *m_platefeeds);
    MainWindow* window = m_shell.mainWindow();
    ASSERT_TRUE(window);
    QSignalSpy statuses(manager(), &PlatefeedManager::statusChanged);
    QSignalSpy checked(manager(), &PlatefeedManager::subscribedCheckFinished);
    bool busyWhileImporting = false;
    QObject::connect(manager(), &PlatefeedManager::statusChanged, window, [&](const QString& text) {
        if (text == QLatin1String("Updating Green Tea..."))
            busyWhileImporting = window->isPlatefeedStatusShown() && window->isPlatefeedBusyShown();
    });

    const qsizetype alertsBefore = m_alerts.asked.size();
    window->hide();
    ASSERT_TRUE(launchAgainWith({link(QStringLiteral("larkspoonfeed"), QStringLiteral("Sites/Tea"))}));
    EXPECT_TRUE(window->isVisible());
    Scheduler::instance().advance(0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked.count() > 0; }, kWaitMs));
    GroupsManagedObject* feed = groupNamed(QStringLiteral("Tea Feed"));
    ASSERT_TRUE(feed);
    EXPECT_TRUE(feed->boolValue(QStringLiteral("isSubscribedPlatefeed")));
    ASSERT_EQ(manager()->subscribedRecipes(QStringLiteral("4242")).size(), 1);
    EXPECT_EQ(m_alerts.asked.size(), alertsBefore);

    // The status line showed the import and clears a second after it ends.
    QStringList texts;
    for (const QList<QVariant>& change : std::as_const(statuses))
        texts.append(change.at(0).toString());
    EXPECT_TRUE(texts.contains(QStringLiteral("Updating Green Tea...")))
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window->platefeedStatus(), manager()->statusText());
    EXPECT_EQ(window->isPlatefeedStatusShown(), !manager()->statusText().isEmpty());
    EXPECT_TRUE(busyWhileImporting);
    EXPECT_FALSE(window->isPlatefeedBusyShown()); // the import has ended
    Scheduler::instance().advance(1.0);
    EXPECT_TRUE(manager()->statusText().isEmpty());
    EXPECT_TRUE(window->platefeedStatus().isEmpty());
    EXPECT_FALSE(window->isPlatefeedStatusShown());
    EXPECT_FALSE(window->isPlatefeedBusyShown());

    // The secure kind, to a server that speaks no TLS: nothing is subscribed and the user is told.
    ASSERT_TRUE(launchAgainWith({link(QStringLiteral("larkspoonfeeds"), QStringLiteral("Sites/Tea"))}));
    Scheduler::instance().advance(0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_alerts.asked.size() > alertsBefore; }, kWaitMs));
    EXPECT_EQ(m_alerts.asked.last().messageText, QStringLiteral("Unable to find Platefeed at that address."));
    EXPECT_EQ(manager()->subscribedGroups().size(), 1);
}

// File > Update Subscribed Platefeeds checks the subscriptions (enabled once there is one);
// File > Publish Platefeed… is the sidebar's Publish: enabled for a group that can be
// published, and it opens the group editor's platefeed page.
TEST_F(PlatefeedShellTest, TheFileMenuUpdatesSubscriptionsAndPublishesTheSelectedGroup) {
    QAction* update = m_shell.action(QStringLiteral("updateSubscribedPlatefeeds"));
    QAction* publish = m_shell.action(QStringLiteral("publishPlatefeed"));
    ASSERT_TRUE(update && publish);
    EXPECT_EQ(update->text(), QStringLiteral("Update Subscribed Platefeeds"));
    EXPECT_EQ(publish->text(), QStringLiteral("Publish Platefeed…"));
    EXPECT_FALSE(update->isEnabled());

    GroupsManagedObject* soups = testsupport::insertGroup(context(), QStringLiteral("Soups"));
    GroupsManagedObject* list = testsupport::insertGroup(context(), QStringLiteral("Market"),
                                                         {{QStringLiteral("isGroceryList"), true}});
    GroupsManagedObject* published = testsupport::insertGroup(
        context(), QStringLiteral("Shared"), {{QStringLiteral("isPublishedPlatefeed"), true}});
    QSignalSpy checked(manager(), &PlatefeedManager::subscribedCheckFinished);
    std::optional<bool> subscribed;
    manager()->createNewSubcribedPlatefeedWithAddress(m_server.address() + QStringLiteral("Sites/Tea"),
                                                      [&](bool ok) { subscribed = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked.count() > 0; }, kWaitMs));
    ASSERT_EQ(subscribed, std::optional<bool>(true));
    Scheduler::instance().advance(1.0);
    EXPECT_TRUE(update->isEnabled());
    update->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked.count() > 1; }, kWaitMs));

    SidebarOutlineView* sidebar = m_shell.mainWindow()->sidebar();
    m_app->sidebarTreeController()->rearrangeObjects();
    QList<GroupsManagedObject*> publishing;
    QObject::connect(sidebar, &SidebarOutlineView::publishGroupRequested, sidebar,
                     [&publishing](GroupsManagedObject* group) { publishing.append(group); });
    const struct {
        GroupsManagedObject* group;
        bool publishable;
    } cases[] = {
        {list, false}, {published, false}, {groupNamed(QStringLiteral("Tea Feed")), false}, {soups, true}};
    for (const auto& item : cases) {
        SCOPED_TRACE(item.group->stringValue(QStringLiteral("name")).toStdString());
        sidebar->selectGroup(item.group);
        ASSERT_EQ(sidebar->selectedGroup(), item.group);
        EXPECT_EQ(publish->isEnabled(), item.publishable);
    }
    publish->trigger();
    EXPECT_EQ(publishing, QList<GroupsManagedObject*>{soups});
    EXPECT_TRUE(m_shell.groupEditorSheet()->isVisible());
}

} // namespace

// Platefeeds against a real WebDAV server on 127.0.0.1: publishing a group, republishing
// only what changed, renaming and withdrawing; subscribing from a second library, own
// copies and the update question, removed recipes, reset; and servers that fail.
#include "FeedServers.h"
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"

#include "library/GroupEditorController.h"
#include "library/GroupsManagedObject.h"
#include "library/RecipesManagedObject.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/WeeklyPlannerRecords.h"
#include "platform/Keyring.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/WebDavClient.h"
#include "share/PlatefeedGroupEditing.h"
#include "share/PlatefeedManager.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

using testsupport::insertGroup;
using testsupport::insertRecipe;

// The keyring of a test: items in memory, answered at once.
class MemoryKeyring final : public Keyring {
public:
    bool available = true;
    QHash<QString, QString> items; // service + "/" + account -> secret
    bool isAvailable() const override { return available; }
    void readPassword(const QString& service, const QString& account, ReadDone done) override {
        const QString name = service + QLatin1Char('/') + account;
        done(items.contains(name), items.value(name), QString());
    }
    void writePassword(const QString& service, const QString& account, const QString& secret,
                       WriteDone done) override {
        items.insert(service + QLatin1Char('/') + account, secret);
        done(true, QString());
    }
    void deletePassword(const QString& service, const QString& account, WriteDone done) override {
        items.remove(service + QLatin1Char('/') + account);
        done(true, QString());
    }
};

bool waitUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

QVariantMap readMap(const QString& path) {
    const PropertyListResult result = readPropertyListFile(path);
    return result.value.toMap();
}

class PlatefeedTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    std::unique_ptr<PlatefeedManager> m_manager;
    QDateTime m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

    void SetUp() override {
        Scheduler::instance().setManualTime(m_now);
        m_library = open(QStringLiteral("Publisher"), m_alerts);
        m_manager = std::make_unique<PlatefeedManager>(*m_library->session());
    }
    void TearDown() override {
        m_manager.reset();
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }
    std::unique_ptr<testsupport::TestSession> open(const QString& name, Alerts& alerts) {
        auto library = std::make_unique<testsupport::TestSession>(
            m_dir.filePath(name + QStringLiteral(".library")), alerts);
        EXPECT_TRUE(library->isOpen()) << library->error().toStdString();
        return library;
    }
    ObjectContext* context() const { return m_library->context(); }

    void useServer(PlatefeedManager& manager, const WebDavTestServer& server) {
        PlatefeedAccount account;
        account.webdavAddress = QUrl(server.address());
        account.publicAddress = QUrl(server.address());
        account.user = QStringLiteral("cook");
        account.password = QStringLiteral("secret");
        manager.setAccount(account);
    }
    bool publish(PlatefeedManager& manager, GroupsManagedObject* group, const QString& folder) {
        QSignalSpy checked(&manager, &PlatefeedManager::publishedCheckFinished);
        std::optional<bool> result;
        manager.createNewPublishedPlatefeedWithName(folder, group, [&](bool ok) { result = ok; });
        if (!waitUntil([&] { return result.has_value(); }) || !*result)
            return false;
        return waitUntil([&] { return checked.count() > 0; });
    }
    bool checkPublished(PlatefeedManager& manager) {
        QSignalSpy checked(&manager, &PlatefeedManager::publishedCheckFinished);
        manager.checkPublishedPlatefeeds();
        return waitUntil([&] { return checked.count() > 0; });
    }
    bool checkSubscribed(PlatefeedManager& manager) {
        QSignalSpy checked(&manager, &PlatefeedManager::subscribedCheckFinished);
        manager.checkSubscribedPlatefeeds();
        return waitUntil([&] { return checked.count() > 0; });
    }
    std::optional<bool> subscribe(PlatefeedManager& manager, const QString& address) {
        QSignalSpy checked(&manager, &PlatefeedManager::subscribedCheckFinished);
        std::optional<bool> result;
        manager.createNewSubcribedPlatefeedWithAddress(address, [&](bool ok) { result = ok; });
        if (!waitUntil([&] { return result.has_value(); }))
            return std::nullopt;
        if (*result && !manager.isImporting() && checked.count() == 0 && manager.lastReports().isEmpty())
            return result; // already subscribed: no check follows
        if (*result && !waitUntil([&] { return checked.count() > 0; }))
            return std::nullopt;
        return result;
    }
    static QStringList names(const QList<ManagedObject*>& recipes) {
        QStringList list;
        for (ManagedObject* recipe : recipes)
            list.append(recipe->stringValue(QStringLiteral("name")));
        list.sort();
        return list;
    }
};

// The publisher's "Soups" group with three recipes, one with a picture, published to a real
// WebDAV server, and a subscriber's library reading it.
class PlatefeedRoundTripTest : public PlatefeedTest {
protected:
    WebDavTestServer m_server;
    GroupsManagedObject* m_soups = nullptr;
    RecipesManagedObject* m_leek = nullptr;
    RecipesManagedObject* m_pea = nullptr;
    RecipesManagedObject* m_onion = nullptr;
    ScriptedAlerts m_subscriberAlerts;
    std::unique_ptr<testsupport::TestSession> m_subscriber;
    std::unique_ptr<PlatefeedManager> m_subscriberManager;
    QString m_feed;

    void SetUp() override {
        PlatefeedTest::SetUp();
        if (!WebDavTestServer::isInstalled())
            GTEST_SKIP() << "lighttpd (Debian packages lighttpd, lighttpd-mod-webdav) is not installed";
        ASSERT_TRUE(m_server.start()) << m_server.error().toStdString();
        useServer(*m_manager, m_server);
        m_soups = insertGroup(context(), QStringLiteral("Soups"));
        const QVariantMap soup{{QStringLiteral("keywords"), QStringLiteral("Soups")}};
        m_leek = insertRecipe(context(), QStringLiteral("Leek Soup"), soup);
        m_leek->setValueForKey(3, QStringLiteral("difficulty"));
        m_pea = insertRecipe(context(), QStringLiteral("Pea Soup"), soup);
        m_onion = insertRecipe(context(), QStringLiteral("Onion Soup"), soup);
        insertRecipe(context(), QStringLiteral("Toast"));
        ASSERT_TRUE(m_leek->saveImage(testsupport::pictureData("jpeg"), 1));
        ASSERT_TRUE(m_library->session()->save());
        m_soups->setValueForKey(QStringLiteral("Soup Feed"), QStringLiteral("platefeedName"));
        ASSERT_TRUE(publish(*m_manager, m_soups, QStringLiteral("SoupFeed")));
        m_feed = m_server.root() + QStringLiteral("/Sites/SoupFeed/");
        m_subscriber = open(QStringLiteral("Subscriber"), m_subscriberAlerts);
        m_subscriberManager = std::make_unique<PlatefeedManager>(*m_subscriber->session());
    }
    void TearDown() override {
        m_subscriberManager.reset();
        m_subscriber.reset();
        PlatefeedTest::TearDown();
    }
    QString id(ManagedObject* recipe) const { return recipe->stringValue(QStringLiteral("uniqueID")); }
    QString key() const { return m_soups->stringValue(QStringLiteral("platefeedPredicateKey")); }
    QString feedAddress() const { return m_server.address() + QStringLiteral("Sites/SoupFeed"); }
    // The publisher edits a recipe a minute later and saves.
    void edit(ManagedObject* recipe, const QString& key, const QVariant& value) {
        Scheduler::instance().advance(60);
        recipe->setValueForKey(value, key);
        recipe->setValueForKey(Scheduler::instance().now(), QStringLiteral("dateUpdated"));
        ASSERT_TRUE(m_library->session()->save());
    }
    QList<ManagedObject*> subscribed() const { return m_subscriberManager->subscribedRecipes(key()); }
    ManagedObject* subscribedNamed(const QString& name) const {
        for (ManagedObject* recipe : subscribed())
            if (recipe->stringValue(QStringLiteral("name")) == name)
                return recipe;
        return nullptr;
    }
};

TEST_F(PlatefeedRoundTripTest, PublishesTheFolderAndRewritesOnlyWhatChanged) {
    const QVariantMap version = readMap(m_feed + QStringLiteral("version.plist"));
    EXPECT_EQ(version.value(QStringLiteral("name")).toString(), QStringLiteral("Soup Feed"));
    EXPECT_EQ(version.value(QStringLiteral("platefeedPredicateKey")).toString(), key());
    EXPECT_TRUE(PlatefeedManager::isValidKey(key()));
    EXPECT_EQ(version.size(), 5); // three recipes, the name and the key; "Toast" is not in the group
    EXPECT_EQ(version.value(id(m_leek)).typeId(), QMetaType::QDateTime);

    const QVariantMap leek = readMap(m_feed + id(m_leek) + QStringLiteral(".plist"));
    EXPECT_EQ(leek.value(QStringLiteral("modelVersion")).toString(), QStringLiteral("2.3"));
    EXPECT_EQ(leek.value(QStringLiteral("publishedPlatefeedID")).toString(), id(m_leek));
    EXPECT_EQ(leek.value(QStringLiteral("platefeedPredicateKey")).toString(), key());
    EXPECT_EQ(leek.value(QStringLiteral("difficulty")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(leek.value(QStringLiteral("videoURL")).typeId(), QMetaType::QString); // empty, but present
    EXPECT_FALSE(leek.contains(QStringLiteral("dateUpdated")));
    EXPECT_FALSE(leek.contains(QStringLiteral("privateNotes")));
    EXPECT_EQ(leek.value(QStringLiteral("image1")).toByteArray(), testsupport::pictureData("jpeg"));

    QFile page(m_feed + QStringLiteral("index.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("larkspoonfeed://127.0.0.1:")));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>Soup Feed</title>")));

    // Unchanged: nothing is written. One edit: only that recipe.
    ASSERT_TRUE(checkPublished(*m_manager));
    ASSERT_EQ(m_manager->lastReports().size(), 1);
    EXPECT_TRUE(m_manager->lastReports().first().written.isEmpty());
    edit(m_pea, QStringLiteral("notes"), QStringLiteral("More mint."));
    ASSERT_TRUE(checkPublished(*m_manager));
    EXPECT_EQ(m_manager->lastReports().first().written, QStringList{id(m_pea)});
    EXPECT_EQ(
        readMap(m_feed + id(m_pea) + QStringLiteral(".plist")).value(QStringLiteral("notes")).toString(),
        QStringLiteral("More mint."));

    // A recipe that leaves the group leaves the index.
    edit(m_onion, QStringLiteral("keywords"), QString());
    ASSERT_TRUE(checkPublished(*m_manager));
    EXPECT_FALSE(readMap(m_feed + QStringLiteral("version.plist")).contains(id(m_onion)));

    // Renaming rewrites the name; withdrawing leaves only the mark.
    m_soups->setValueForKey(QStringLiteral("Winter Soups"), QStringLiteral("platefeedName"));
    std::optional<bool> renamed;
    m_manager->justUpdateTitleForPublishedPlatefeed(m_soups, [&](bool ok) { renamed = ok; });
    ASSERT_TRUE(waitUntil([&] { return renamed.has_value(); }));
    EXPECT_TRUE(*renamed);
    EXPECT_EQ(readMap(m_feed + QStringLiteral("version.plist")).value(QStringLiteral("name")).toString(),
              QStringLiteral("Winter Soups"));
    std::optional<bool> withdrawn;
    m_manager->stopPublishingPlatefeed(m_soups, [&](bool ok) { withdrawn = ok; });
    ASSERT_TRUE(waitUntil([&] { return withdrawn.has_value(); }));
    EXPECT_EQ(readMap(m_feed + QStringLiteral("version.plist")),
              (QVariantMap{{QStringLiteral("hasBeenDeactivated"), QStringLiteral("YES")},
                           {QStringLiteral("platefeedPredicateKey"), key()}}));
}

// The space is the user's: a folder is replaced only when it is missing, empty, or this
// group's own platefeed, and never one another published group uses.
TEST_F(PlatefeedRoundTripTest, PublishingWritesOnlyIntoFoldersOfItsOwn) {
    const QString sites = m_server.root() + QStringLiteral("/Sites/");
    for (const char* folder : {"Photos", "Other", "Empty"})
        ASSERT_TRUE(QDir().mkpath(sites + QLatin1String(folder)));
    QFile photo(sites + QStringLiteral("Photos/holiday.jpg"));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write(testsupport::pictureData("jpeg"));
    photo.close();
    const QVariantMap theirs{{QStringLiteral("name"), QStringLiteral("Theirs")},
                             {QStringLiteral("platefeedPredicateKey"), QStringLiteral("555")}};
    ASSERT_TRUE(writePropertyListFile(theirs, sites + QStringLiteral("Other/version.plist")));

    struct Case {
        QString group;
        QString folder;
        bool published;
        QString kept; // a file that must still be there
    };
    const QList<Case> cases = {
        {QStringLiteral("Photos"), QStringLiteral("Photos"), false, QStringLiteral("Photos/holiday.jpg")},
        {QStringLiteral("Other"), QStringLiteral("Other"), false, QStringLiteral("Other/version.plist")},
        {QStringLiteral("Soups!"), QStringLiteral("soupfeed"), false, QStringLiteral("SoupFeed/index.html")},
        {QStringLiteral("Empty"), QStringLiteral("Empty"), true, QString()},
        {QStringLiteral("Stews"), QStringLiteral("Stews"), true, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group.toStdString());
        GroupsManagedObject* group = insertGroup(context(), c.group);
        EXPECT_EQ(publish(*m_manager, group, c.folder), c.published);
        EXPECT_EQ(group->boolValue(QStringLiteral("isPublishedPlatefeed")), c.published);
        if (!c.published) {
            ASSERT_FALSE(m_manager->lastReports().isEmpty());
            EXPECT_FALSE(m_manager->lastReports().first().error.isEmpty());
            EXPECT_TRUE(QFile::exists(sites + c.kept));
        }
    }
    EXPECT_EQ(readMap(sites + QStringLiteral("Other/version.plist")), theirs);
    EXPECT_EQ(
        readMap(m_feed + QStringLiteral("version.plist")).value(QStringLiteral("platefeedPredicateKey")),
        key());

    // A published folder that something else took over is left alone by the checks.
    QFile::remove(sites + QStringLiteral("Stews/version.plist"));
    ASSERT_TRUE(writePropertyListFile(theirs, sites + QStringLiteral("Stews/version.plist")));
    ASSERT_TRUE(checkPublished(*m_manager));
    bool reported = false;
    for (const PlatefeedReport& report : m_manager->lastReports())
        reported = reported || (report.group == QStringLiteral("Stews") && !report.error.isEmpty());
    EXPECT_TRUE(reported);
    EXPECT_EQ(readMap(sites + QStringLiteral("Stews/version.plist")), theirs);

    // Published, it is not published again: a new key would orphan its subscribers.
    const QString oldKey = key();
    EXPECT_FALSE(publish(*m_manager, m_soups, QStringLiteral("SoupFeed")));
    EXPECT_EQ(key(), oldKey);

    // Withdrawn, the group's folder is still its own: it is published there again.
    std::optional<bool> withdrawn;
    m_manager->stopPublishingPlatefeed(m_soups, [&](bool ok) { withdrawn = ok; });
    ASSERT_TRUE(waitUntil([&] { return withdrawn.has_value(); }));
    m_soups->setValueForKey(false, QStringLiteral("isPublishedPlatefeed"));
    ASSERT_TRUE(publish(*m_manager, m_soups, QStringLiteral("SoupFeed")));
    EXPECT_NE(key(), oldKey);
    EXPECT_EQ(
        readMap(m_feed + QStringLiteral("version.plist")).value(QStringLiteral("platefeedPredicateKey")),
        key());
}

// Publishing answers success only when the folder's version file and page are written.
TEST_F(PlatefeedTest, PublishingFailsWhenTheVersionOrThePageIsNotWritten) {
    struct Case {
        int version; // the status of writing "version.plist"
        int page;    // of writing "index.html"
        bool published;
    };
    const QList<Case> cases = {{500, 201, false}, {201, 500, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version * 1000 + c.page);
        ScriptedHttpServer server;
        ASSERT_TRUE(server.start());
        for (const char* made : {"MKCOL /Sites", "MKCOL /Sites/", "MKCOL /Sites/New/"})
            server.answers.insert(QLatin1String(made), {201, {}, false});
        server.answers.insert(QStringLiteral("PUT /Sites/New/version.plist"), {c.version, {}, false});
        server.answers.insert(QStringLiteral("PUT /Sites/New/index.html"), {c.page, {}, false});
        PlatefeedAccount account{QUrl(server.address(QStringLiteral("/"))),
                                 QUrl(server.address(QStringLiteral("/"))), QStringLiteral("cook"),
                                 QStringLiteral("secret")};
        m_manager->setAccount(account);
        GroupsManagedObject* group = insertGroup(context(), QStringLiteral("New %1").arg(c.page));
        EXPECT_EQ(publish(*m_manager, group, QStringLiteral("New")), c.published);
        EXPECT_EQ(group->boolValue(QStringLiteral("isPublishedPlatefeed")), c.published);
        ASSERT_FALSE(m_manager->lastReports().isEmpty());
        EXPECT_FALSE(m_manager->lastReports().first().error.isEmpty());
    }
}

TEST_F(PlatefeedTest, AFailedLoginKeepsTheAccountInUse) {
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    server.answers.insert(QStringLiteral("PROPFIND /good/"),
                          {207, "<D:multistatus xmlns:D=\"DAV:\"/>", false});
    const auto tryAccount = [this](const PlatefeedAccount& account) {
        std::optional<bool> connected;
        m_manager->tryAccount(account, [&](bool ok) { connected = ok; });
        EXPECT_TRUE(waitUntil([&] { return connected.has_value(); }));
        return connected.value_or(false);
    };
    const PlatefeedAccount good{QUrl(server.address(QStringLiteral("/good/"))),
                                QUrl(server.address(QStringLiteral("/good/"))), QStringLiteral("cook"),
                                QStringLiteral("secret")};
    const PlatefeedAccount bad{QUrl(server.address(QStringLiteral("/bad/"))),
                               QUrl(server.address(QStringLiteral("/bad/"))), QStringLiteral("other"),
                               QStringLiteral("wrong")};
    EXPECT_TRUE(tryAccount(good));
    EXPECT_FALSE(tryAccount(bad));
    EXPECT_EQ(m_manager->account().user, QStringLiteral("cook"));
    EXPECT_EQ(m_manager->account().password, QStringLiteral("secret"));
    EXPECT_EQ(m_manager->account().webdavAddress, good.webdavAddress);
}

TEST_F(PlatefeedRoundTripTest, SubscriberImportsUpdatesAndForgetsRemovedRecipes) {
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    EXPECT_EQ(names(subscribed()), (QStringList{QStringLiteral("Leek Soup"), QStringLiteral("Onion Soup"),
                                                QStringLiteral("Pea Soup")}));
    ManagedObject* leek = subscribedNamed(QStringLiteral("Leek Soup"));
    ASSERT_TRUE(leek);
    EXPECT_TRUE(leek->valueForKey(QStringLiteral("isMarkedAsNew")).toBool());
    EXPECT_EQ(leek->stringValue(QStringLiteral("publishedPlatefeedID")), id(m_leek));
    EXPECT_TRUE(dynamic_cast<RecipesManagedObject*>(leek)->hasImageAtIndex(1));
    const QList<GroupsManagedObject*> groups = m_subscriberManager->subscribedGroups();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups.first()->stringValue(QStringLiteral("name")), QStringLiteral("Soup Feed"));
    EXPECT_EQ(m_subscriber->context()
                  ->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), groups.first()->predicate()))
                  .size(),
              3);

    // Subscribing again only says so.
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress() + QStringLiteral("/")),
              std::optional<bool>(true));
    ASSERT_FALSE(m_subscriberAlerts.asked.isEmpty());
    EXPECT_EQ(m_subscriberAlerts.asked.last().messageText,
              QStringLiteral("You are already subscribed to this Platefeed."));

    // The user removes "Pea Soup"; the publisher changes it: it stays away.
    ManagedObject* pea = subscribedNamed(QStringLiteral("Pea Soup"));
    m_subscriberManager->unsubscribeRecipes({pea});
    m_subscriber->context()->deleteObject(pea);
    ASSERT_TRUE(m_subscriber->session()->save());
    edit(m_pea, QStringLiteral("notes"), QStringLiteral("Changed."));
    // The publisher drops "Onion Soup" from the group: subscribers lose it.
    edit(m_onion, QStringLiteral("keywords"), QString());
    ASSERT_TRUE(checkPublished(*m_manager));
    ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
    EXPECT_EQ(names(subscribed()), QStringList{QStringLiteral("Leek Soup")});

    // Reset forgets the removed list: everything still published comes back.
    m_subscriberManager->resetSubscribedPlatefeed(groups.first());
    EXPECT_TRUE(subscribed().isEmpty());
    ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
    EXPECT_EQ(names(subscribed()), (QStringList{QStringLiteral("Leek Soup"), QStringLiteral("Pea Soup")}));

    // Withdrawn: the subscriber is told, and keeps what it has.
    std::optional<bool> withdrawn;
    m_manager->stopPublishingPlatefeed(m_soups, [&](bool ok) { withdrawn = ok; });
    ASSERT_TRUE(waitUntil([&] { return withdrawn.has_value(); }));
    ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
    EXPECT_EQ(m_subscriberAlerts.asked.last().messageText,
              QStringLiteral("The platefeed “Soup Feed” is no longer being published."));
    EXPECT_EQ(subscribed().size(), 2);
}

// The index refused by the server: the recipe's file is written, the old index stays (so
// subscribers see no half-published change), and the status line keeps the error until a
// check goes through.
TEST_F(PlatefeedRoundTripTest, AnIndexThatCannotBeWrittenKeepsItsErrorInTheStatus) {
    WebDavTestServer guarded;
    guarded.sharedRoot = m_server.root();
    guarded.readOnlyPattern = QStringLiteral("version\\.plist$");
    ASSERT_TRUE(guarded.start()) << guarded.error().toStdString();
    const QVariant published = readMap(m_feed + QStringLiteral("version.plist")).value(id(m_pea));
    useServer(*m_manager, guarded);
    edit(m_pea, QStringLiteral("name"), QStringLiteral("Split Pea Soup"));
    ASSERT_TRUE(checkPublished(*m_manager));
    EXPECT_EQ(m_manager->statusText(), QStringLiteral("ERROR, unable to update platefeed."));
    EXPECT_EQ(readMap(m_feed + id(m_pea) + QStringLiteral(".plist")).value(QStringLiteral("name")).toString(),
              QStringLiteral("Split Pea Soup"));
    EXPECT_EQ(readMap(m_feed + QStringLiteral("version.plist")).value(id(m_pea)), published);

    useServer(*m_manager, m_server);
    ASSERT_TRUE(checkPublished(*m_manager));
    EXPECT_TRUE(m_manager->statusText().isEmpty());
    EXPECT_NE(readMap(m_feed + QStringLiteral("version.plist")).value(id(m_pea)), published);
}

TEST_F(PlatefeedRoundTripTest, OwnCopiesAskBeforeTheyAreUpdated) {
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    ManagedObject* copy =
        m_subscriberManager->recipeByCopyingAndLinkingRecipe(subscribedNamed(QStringLiteral("Leek Soup")));
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->valueForKey(QStringLiteral("platefeedPredicateKey")).isNull());
    EXPECT_EQ(copy->stringValue(QStringLiteral("linkedPlatefeedID")), id(m_leek));
    EXPECT_TRUE(dynamic_cast<RecipesManagedObject*>(copy)->hasImageAtIndex(1));
    Scheduler::instance().advance(0.2);
    EXPECT_EQ(subscribedNamed(QStringLiteral("Leek Soup")), nullptr);
    EXPECT_EQ(m_subscriberManager->linkedIDs(key()), QStringList{id(m_leek)});
    ASSERT_TRUE(m_subscriber->session()->save());

    struct Case {
        int button;
        bool remember;
        QString name;   // the copy's name afterwards
        QString linked; // its link afterwards
        bool removed;   // the id is on the removed list
    };
    const QList<Case> cases = {
        {2, false, QStringLiteral("Leek Soup"), id(m_leek), false},       // No
        {0, false, QStringLiteral("Leek and Potato"), id(m_leek), false}, // Yes
        {1, false, QStringLiteral("Leek and Potato"), QString(), true},   // Never Update
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(round);
        edit(m_leek, QStringLiteral("name"),
             round == 0 ? QStringLiteral("Leek Soup 2") : QStringLiteral("Leek and Potato"));
        ++round;
        ASSERT_TRUE(checkPublished(*m_manager));
        const qsizetype before = m_subscriberAlerts.asked.size();
        AlertResponse answer;
        answer.button = c.button;
        m_subscriberAlerts.answers.append(answer);
        ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
        ASSERT_EQ(m_subscriberAlerts.asked.size(), before + 1);
        const AlertRequest& asked = m_subscriberAlerts.asked.last();
        EXPECT_EQ(asked.buttonTitles,
                  (QStringList{QStringLiteral("Yes"), QStringLiteral("Never Update"), QStringLiteral("No")}));
        EXPECT_EQ(asked.checkBoxTitle, QStringLiteral("Apply Selection to Remaining Updates"));
        EXPECT_TRUE(asked.messageText.startsWith(QStringLiteral("The recipe “")));
        EXPECT_EQ(copy->stringValue(QStringLiteral("name")), c.name);
        EXPECT_EQ(copy->stringValue(QStringLiteral("linkedPlatefeedID")), c.linked);
        EXPECT_EQ(m_subscriberManager->removedIDs(key()).contains(id(m_leek)), c.removed);
        // The copy is never a subscribed recipe again, and no second recipe arrives.
        EXPECT_TRUE(copy->valueForKey(QStringLiteral("platefeedPredicateKey")).isNull());
        EXPECT_EQ(subscribedNamed(QStringLiteral("Leek and Potato")), nullptr);
    }
}

// A subscribed recipe planned for a day is planned as a linked copy of the library's own:
// the day keeps it when the subscription drops the original, a full day copies nothing,
// and the publisher's next change asks before it updates the copy on the day.
TEST_F(PlatefeedRoundTripTest, PlannerDaysKeepLinkedCopiesOfSubscribedRecipes) {
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    ObjectContext* library = m_subscriber->context();
    WeeklyPlannerRecords records(library);
    records.setSubscribedRecipeCopier([this](ManagedObject* recipe) {
        return m_subscriberManager->recipeByCopyingAndLinkingRecipe(recipe);
    });
    ManagedObject* leek = subscribedNamed(QStringLiteral("Leek Soup"));
    ManagedObject* pea = subscribedNamed(QStringLiteral("Pea Soup"));
    ASSERT_TRUE(leek && pea);
    RecipesManagedObject* own = insertRecipe(library, QStringLiteral("Toast"));

    ControllerForWeeklyPlanerDateManagedObject monday(&records);
    monday.setDate(QDate(2026, 3, 2));
    // Named twice in one drop: one copy, one row.
    const auto dropped = monday.dropRecipes({id(leek), id(own), id(leek)}, -1, nullptr);
    EXPECT_EQ(dropped.inserted, 2);
    EXPECT_EQ(dropped.onDay, (QStringList{id(leek), id(own), id(leek)}));
    Scheduler::instance().advance(0.2);
    EXPECT_TRUE(leek->isDeleted());
    const QList<PlannedRecipe> rows = monday.validateItems(true);
    ASSERT_EQ(rows.size(), 2);
    ManagedObject* copy = records.recipeWithUniqueID(rows.at(0).uniqueID);
    ASSERT_TRUE(copy);
    EXPECT_EQ(rows.at(0).name, QStringLiteral("Leek Soup"));
    EXPECT_EQ(copy->stringValue(QStringLiteral("linkedPlatefeedID")), id(m_leek));
    EXPECT_TRUE(copy->valueForKey(QStringLiteral("platefeedPredicateKey")).isNull());
    EXPECT_EQ(rows.at(1), (PlannedRecipe{QStringLiteral("Toast"), id(own)}));
    EXPECT_EQ(m_subscriberManager->linkedIDs(key()), QStringList{id(m_leek)});

    // A full day takes no more, and the subscribed recipe stays as it was.
    ControllerForWeeklyPlanerDateManagedObject tuesday(&records);
    tuesday.setDate(QDate(2026, 3, 3));
    QStringList filler;
    for (int n = 0; n < WeeklyPlannerRecords::kMaximumRecipesPerDay; ++n)
        filler.append(id(insertRecipe(library, QStringLiteral("Filler %1").arg(n))));
    ASSERT_EQ(tuesday.dropRecipes(filler, -1, nullptr).inserted, WeeklyPlannerRecords::kMaximumRecipesPerDay);
    const auto full = tuesday.dropRecipes({id(pea)}, -1, nullptr);
    EXPECT_TRUE(full.dayFull);
    EXPECT_EQ(full.inserted, 0);
    Scheduler::instance().advance(0.2);
    EXPECT_FALSE(pea->isDeleted());
    EXPECT_EQ(m_subscriberManager->linkedIDs(key()), QStringList{id(m_leek)});
    ASSERT_TRUE(m_subscriber->session()->save());

    // The publisher renames the recipe: the subscriber is asked, says yes, and the day shows
    // the copy under its new name.
    edit(m_leek, QStringLiteral("name"), QStringLiteral("Leek and Potato"));
    ASSERT_TRUE(checkPublished(*m_manager));
    const qsizetype before = m_subscriberAlerts.asked.size();
    m_subscriberAlerts.queueButton(0);
    ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
    ASSERT_EQ(m_subscriberAlerts.asked.size(), before + 1);
    EXPECT_EQ(m_subscriberAlerts.asked.last().messageText,
              QStringLiteral("The recipe “Leek Soup” has been updated. Would you like to update your copy of "
                             "this recipe?"));
    const QList<PlannedRecipe> after = monday.validateItems(false);
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after.at(0), (PlannedRecipe{QStringLiteral("Leek and Potato"), rows.at(0).uniqueID}));
}

TEST_F(PlatefeedRoundTripTest, SubscriptionDeletesOnlyItsOwnRecipes) {
    // Recipes that look alike but are not this feed's: the user's own with the same
    // published id, and another feed's whose key contains this one's.
    ObjectContext* library = m_subscriber->context();
    RecipesManagedObject* own = insertRecipe(library, QStringLiteral("Mine"));
    own->setValueForKey(QStringLiteral("gone-id"), QStringLiteral("publishedPlatefeedID"));
    RecipesManagedObject* other = insertRecipe(library, QStringLiteral("Other feed"));
    other->setValueForKey(QString(key() + QStringLiteral("1")), QStringLiteral("platefeedPredicateKey"));
    other->setValueForKey(QStringLiteral("gone-id"), QStringLiteral("publishedPlatefeedID"));
    ASSERT_TRUE(m_subscriber->session()->save());
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    EXPECT_FALSE(own->isDeleted());
    EXPECT_FALSE(other->isDeleted());
    EXPECT_EQ(subscribed().size(), 3);
}

// The group editor on platefeeds: the pages of published groups and of subscriptions, their
// titles reaching the feed, unpublishing and signing out.
class PlatefeedEditorTest : public PlatefeedRoundTripTest {
protected:
    std::unique_ptr<PlatefeedGroupEditing> m_editing;
    std::unique_ptr<GroupEditorController> m_editor;

    void SetUp() override {
        PlatefeedRoundTripTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_editing = std::make_unique<PlatefeedGroupEditing>(*m_manager);
        m_editor = std::make_unique<GroupEditorController>(context(), nullptr, &m_alerts);
        m_editor->setPlatefeeds(m_editing.get());
    }
    void TearDown() override {
        m_editor.reset();
        PlatefeedRoundTripTest::TearDown();
    }
    QString feedName() const {
        return readMap(m_feed + QStringLiteral("version.plist")).value(QStringLiteral("name")).toString();
    }
    QString feedPage() const {
        QFile page(m_feed + QStringLiteral("index.html"));
        return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
    }
    // The publisher renames the feed.
    void renameFeed(const QString& title) {
        m_soups->setValueForKey(title, QStringLiteral("platefeedName"));
        std::optional<bool> renamed;
        m_manager->justUpdateTitleForPublishedPlatefeed(m_soups, [&](bool ok) { renamed = ok; });
        ASSERT_TRUE(waitUntil([&] { return renamed.has_value(); }));
        ASSERT_TRUE(*renamed);
    }
};

TEST_F(PlatefeedEditorTest, PublishedGroupAndMyLibraryTitlesReachTheFeed) {
    ASSERT_EQ(m_editor->editGroup(m_soups), GroupEditorController::Page::Group);
    EXPECT_TRUE(m_editor->isEditedGroupPublished());
    EXPECT_EQ(m_editor->editedPlatefeedTitle(), QStringLiteral("Soup Feed"));
    EXPECT_EQ(m_editor->editedPlatefeedAddress(), feedAddress());

    // The title alone: no keyword question; the index and the page take it.
    ASSERT_TRUE(m_editor->okButtonForEditAction(QStringLiteral("Soups"), {}, QStringLiteral("Winter Soups")));
    EXPECT_TRUE(m_alerts.asked.isEmpty());
    EXPECT_EQ(m_soups->stringValue(QStringLiteral("platefeedName")), QStringLiteral("Winter Soups"));
    ASSERT_TRUE(waitUntil([&] {
        return feedName() == QLatin1String("Winter Soups") &&
               feedPage().contains(QStringLiteral("Winter Soups"));
    }));
    EXPECT_EQ(readMap(m_feed + QStringLiteral("version.plist")).size(), 5); // the recipes stay listed

    // A refused title changes nothing; a new name is asked about first.
    m_editor->editGroup(m_soups);
    EXPECT_FALSE(m_editor->okButtonForEditAction(QStringLiteral("Broths"), {}, QStringLiteral("a,b")));
    EXPECT_EQ(m_soups->stringValue(QStringLiteral("name")), QStringLiteral("Soups"));
    m_alerts.queueButton(1);
    ASSERT_TRUE(m_editor->okButtonForEditAction(QStringLiteral("Broths"), {}, QStringLiteral("Broth Feed")));
    ASSERT_EQ(m_alerts.asked.size(), 2);
    EXPECT_TRUE(m_alerts.asked.last().messageText.startsWith(QStringLiteral("Would you like to change")));
    EXPECT_EQ(m_soups->stringValue(QStringLiteral("name")), QStringLiteral("Broths"));
    ASSERT_TRUE(waitUntil([&] { return feedName() == QLatin1String("Broth Feed"); }));

    // "My Recipes" opens only once published, on "My Library".
    GroupsManagedObject* library = nullptr;
    for (ManagedObject* group : context()->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        if (group->valueForKey(QStringLiteral("isLocalLibrary")).toBool())
            library = static_cast<GroupsManagedObject*>(group);
    if (!library) {
        library = insertGroup(context(), GroupsManagedObject::myRecipesName());
        library->setValueForKey(true, QStringLiteral("isLocalLibrary"));
    }
    EXPECT_EQ(m_editor->editGroup(library), GroupEditorController::Page::None);
    library->setValueForKey(QStringLiteral("Robin's Kitchen"), QStringLiteral("platefeedName"));
    ASSERT_TRUE(publish(*m_manager, library, QStringLiteral("RobinsKitchen")));
    ASSERT_EQ(m_editor->editGroup(library), GroupEditorController::Page::MyLibrary);
    EXPECT_EQ(m_editor->editedPlatefeedTitle(), QStringLiteral("Robin's Kitchen"));
    EXPECT_EQ(m_editor->editedPlatefeedAddress(), m_server.address() + QStringLiteral("Sites/RobinsKitchen"));
    ASSERT_TRUE(m_editor->okButtonForEditAction(QStringLiteral("Robin Cooks")));
    EXPECT_EQ(library->stringValue(QStringLiteral("platefeedName")), QStringLiteral("Robin Cooks"));
    EXPECT_EQ(library->stringValue(QStringLiteral("name")), GroupsManagedObject::myRecipesName());
    const QString libraryFeed = m_server.root() + QStringLiteral("/Sites/RobinsKitchen/version.plist");
    ASSERT_TRUE(waitUntil([&] {
        return readMap(libraryFeed).value(QStringLiteral("name")).toString() == QLatin1String("Robin Cooks");
    }));
}

TEST_F(PlatefeedEditorTest, UnpublishingAsksThenWithdrawsTheFeed) {
    m_editor->editGroup(m_soups);
    QSignalSpy closed(m_editor.get(), &GroupEditorController::sheetClosed);
    QList<GroupsManagedObject*> unpublished;
    QObject::connect(m_editor.get(), &GroupEditorController::platefeedUnpublished,
                     [&](GroupsManagedObject* group) { unpublished.append(group); });
    m_alerts.queueButton(1);
    EXPECT_FALSE(m_editor->unpublishPlatefeed(m_soups));
    EXPECT_TRUE(m_soups->boolValue(QStringLiteral("isPublishedPlatefeed")));
    EXPECT_EQ(closed.count(), 0);
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText,
              QStringLiteral("Are you sure you would like to stop publishing “Soups”?"));
    EXPECT_EQ(
        m_alerts.asked.first().informativeText,
        QStringLiteral("Users that subscribe to this platefeed will be notified that it's no longer being "
                       "published."));
    EXPECT_EQ(m_alerts.asked.first().buttonTitles,
              (QStringList{QStringLiteral("Unpublish"), QStringLiteral("Cancel")}));

    m_alerts.queueButton(0);
    EXPECT_TRUE(m_editor->unpublishPlatefeed(m_soups));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(m_editor->editedGroup(), nullptr);
    // Published until the space has taken the mark.
    EXPECT_TRUE(m_soups->boolValue(QStringLiteral("isPublishedPlatefeed")));
    ASSERT_TRUE(waitUntil([&] { return !unpublished.isEmpty(); }));
    EXPECT_EQ(unpublished, QList<GroupsManagedObject*>{m_soups});
    EXPECT_FALSE(m_soups->boolValue(QStringLiteral("isPublishedPlatefeed")));
    ASSERT_TRUE(waitUntil([&] {
        return readMap(m_feed + QStringLiteral("version.plist"))
            .contains(QStringLiteral("hasBeenDeactivated"));
    }));
    // Nothing more to withdraw.
    EXPECT_FALSE(m_editor->unpublishPlatefeed(m_soups));
    EXPECT_EQ(m_alerts.asked.size(), 2);
}

TEST_F(PlatefeedEditorTest, SubscribedTitleFollowsThePublisherOnlyWhenItIsThePublishedName) {
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    GroupsManagedObject* feed = m_subscriberManager->subscribedGroups().value(0);
    ASSERT_TRUE(feed);
    PlatefeedGroupEditing editing(*m_subscriberManager);
    GroupEditorController editor(m_subscriber->context(), nullptr, &m_subscriberAlerts);
    editor.setPlatefeeds(&editing);

    struct Case {
        QString title;         // typed while the feed is published as "Soup Feed"
        QString platefeedName; // stored
        QString afterRename;   // the name once the publisher calls it "Winter Soups"
    };
    const QList<Case> cases = {
        {QStringLiteral("Grandma's Soups"), QStringLiteral("Grandma's Soups"),
         QStringLiteral("Grandma's Soups")},
        {QStringLiteral("Soup Feed"), QString(), QStringLiteral("Winter Soups")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        renameFeed(QStringLiteral("Soup Feed"));
        ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
        ASSERT_EQ(editor.editGroup(feed), GroupEditorController::Page::Platefeed);
        EXPECT_EQ(editor.editedPlatefeedAddress(), feedAddress());
        QSignalSpy closed(&editor, &GroupEditorController::sheetClosed);
        ASSERT_TRUE(editor.okButtonForEditAction(c.title));
        // The sheet stays until the publisher has answered.
        EXPECT_TRUE(editor.isBusy());
        EXPECT_EQ(closed.count(), 0);
        ASSERT_TRUE(waitUntil([&] { return closed.count() > 0; }));
        EXPECT_EQ(feed->stringValue(QStringLiteral("name")), c.title);
        EXPECT_EQ(feed->stringValue(QStringLiteral("platefeedName")), c.platefeedName);
        EXPECT_EQ(feed->valueForKey(QStringLiteral("platefeedName")).isNull(), c.platefeedName.isEmpty());

        renameFeed(QStringLiteral("Winter Soups"));
        ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
        EXPECT_EQ(feed->stringValue(QStringLiteral("name")), c.afterRename);
    }

    // Reset Name offers the name the publisher gives now.
    feed->setValueForKey(QStringLiteral("Mine"), QStringLiteral("platefeedName"));
    ASSERT_EQ(editor.editGroup(feed), GroupEditorController::Page::Platefeed);
    EXPECT_EQ(editor.editedPlatefeedTitle(), QStringLiteral("Mine"));
    QString reset;
    editor.resetSubscribedPlatefeedName([&](const QString& name) { reset = name; });
    ASSERT_TRUE(waitUntil([&] { return !reset.isEmpty(); }));
    EXPECT_EQ(reset, QStringLiteral("Winter Soups"));
}

TEST_F(PlatefeedTest, SubscribedTitleIsKeptWhenThePublisherCannotBeRead) {
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    PlatefeedGroupEditing editing(*m_manager);
    GroupEditorController editor(context(), nullptr, &m_alerts);
    editor.setPlatefeeds(&editing);
    // With the name the last check kept, the title equal to it still follows the publisher;
    // without, the typed title is kept as the user's own.
    for (const bool kept : {true, false}) {
        SCOPED_TRACE(kept);
        GroupsManagedObject* feed = insertGroup(context(), QStringLiteral("Soup Feed"));
        feed->setValueForKey(true, QStringLiteral("isSubscribedPlatefeed"));
        feed->setValueForKey(server.address(QStringLiteral("/gone")), QStringLiteral("platefeedAddress"));
        const QString key = kept ? QStringLiteral("1234") : QStringLiteral("5678");
        feed->setValueForKey(key, QStringLiteral("platefeedPredicateKey"));
        if (kept) {
            const QString path = m_manager->bookkeepingPath(key, QString());
            QDir().mkpath(QFileInfo(path).absolutePath());
            ASSERT_TRUE(writePropertyListFile(
                QVariantMap{{QStringLiteral("name"), QStringLiteral("Soup Feed")}}, path));
        }
        ASSERT_EQ(editor.editGroup(feed), GroupEditorController::Page::Platefeed);
        QSignalSpy closed(&editor, &GroupEditorController::sheetClosed);
        ASSERT_TRUE(editor.okButtonForEditAction(QStringLiteral("Soup Feed")));
        ASSERT_TRUE(waitUntil([&] { return closed.count() > 0; }));
        EXPECT_EQ(feed->stringValue(QStringLiteral("name")), QStringLiteral("Soup Feed"));
        EXPECT_EQ(feed->valueForKey(QStringLiteral("platefeedName")).isNull(), kept);

        // Reset Name has nothing to offer without either: it says so and leaves the field.
        ASSERT_EQ(editor.editGroup(feed), GroupEditorController::Page::Platefeed);
        m_alerts.asked.clear();
        bool offered = false;
        editor.resetSubscribedPlatefeedName([&](const QString&) { offered = true; });
        ASSERT_TRUE(waitUntil([&] { return offered || !m_alerts.asked.isEmpty(); }));
        EXPECT_EQ(offered, kept);
        if (!kept) {
            EXPECT_EQ(m_alerts.asked.first().messageText,
                      QStringLiteral("The platefeed's published name cannot be read."));
        }
        editor.closeWindow();
    }
}

TEST_F(PlatefeedRoundTripTest, SigningOutForgetsTheCredentialsAndStaysOut) {
    MemoryKeyring keyring;
    bool stored = false;
    PlatefeedManager::storeAccount(keyring, m_manager->account(),
                                   [&](bool ok, const QString&) { stored = ok; });
    ASSERT_TRUE(stored);
    ASSERT_EQ(keyring.items.size(), 2);
    std::optional<bool> connected;
    m_manager->connectToMobileMeIfNotConnected([&](bool ok) { connected = ok; });
    ASSERT_TRUE(waitUntil([&] { return connected.has_value(); }));
    ASSERT_TRUE(m_manager->isConnectedToMobileMe());

    QSignalSpy sidebar(m_manager.get(), &PlatefeedManager::sidebarChanged);
    std::optional<bool> signedOut;
    m_manager->signOutMobileMe(keyring, [&](bool ok) { signedOut = ok; });
    ASSERT_TRUE(waitUntil([&] { return signedOut.has_value(); }));
    EXPECT_TRUE(*signedOut);
    EXPECT_TRUE(keyring.items.isEmpty());
    EXPECT_FALSE(m_manager->isConnectedToMobileMe());
    EXPECT_EQ(sidebar.count(), 1);
    // The login page keeps the addresses and the user name; the next check does not sign in again.
    EXPECT_EQ(m_manager->account().user, QStringLiteral("cook"));
    EXPECT_TRUE(m_manager->account().password.isEmpty());
    edit(m_pea, QStringLiteral("notes"), QStringLiteral("After signing out."));
    ASSERT_TRUE(checkPublished(*m_manager));
    EXPECT_FALSE(m_manager->isConnectedToMobileMe());
    EXPECT_NE(
        readMap(m_feed + id(m_pea) + QStringLiteral(".plist")).value(QStringLiteral("notes")).toString(),
        QStringLiteral("After signing out."));
}

// A link and the page asking for the same platefeed before either is answered make one
// subscription.
TEST_F(PlatefeedRoundTripTest, TwoRequestsForOnePlatefeedMakeOneSubscription) {
    QSignalSpy checked(m_subscriberManager.get(), &PlatefeedManager::subscribedCheckFinished);
    std::optional<bool> first;
    std::optional<bool> second;
    m_subscriberManager->createNewSubcribedPlatefeedWithAddress(feedAddress(), [&](bool ok) { first = ok; });
    m_subscriberManager->createNewSubcribedPlatefeedWithAddress(feedAddress(), [&](bool ok) { second = ok; });
    ASSERT_TRUE(waitUntil([&] { return first.has_value() && second.has_value() && checked.count() > 0; }));
    EXPECT_TRUE(*first && *second);
    EXPECT_EQ(m_subscriberManager->subscribedGroups().size(), 1);
    EXPECT_EQ(subscribed().size(), 3);
}

// Nothing of a deleted subscription stays behind: subscribing again imports everything.
TEST_F(PlatefeedRoundTripTest, ASubscriptionDeletedAndMadeAgainImportsEverything) {
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    ManagedObject* pea = subscribedNamed(QStringLiteral("Pea Soup"));
    m_subscriberManager->unsubscribeRecipes({pea});
    m_subscriber->context()->deleteObject(pea);
    ASSERT_TRUE(
        m_subscriberManager->recipeByCopyingAndLinkingRecipe(subscribedNamed(QStringLiteral("Leek Soup"))));
    Scheduler::instance().advance(0.2);
    ASSERT_TRUE(m_subscriber->session()->save());
    m_subscriberManager->deleteSubscribedPlatefeed(m_subscriberManager->subscribedGroups().first());
    ASSERT_TRUE(m_subscriber->session()->save());
    for (const QString& suffix : {QString(), QStringLiteral("-removed"), QStringLiteral("-linked")})
        EXPECT_FALSE(QFile::exists(m_subscriberManager->bookkeepingPath(key(), suffix)))
            << suffix.toStdString();
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    EXPECT_EQ(names(subscribed()), (QStringList{QStringLiteral("Leek Soup"), QStringLiteral("Onion Soup"),
                                                QStringLiteral("Pea Soup")}));
}

// The publisher withdraws the group and publishes it again: a new key. Subscribers drop the
// old key's recipes, take the new ones, and what they removed stays removed.
TEST_F(PlatefeedRoundTripTest, SubscribersFollowAGroupPublishedAgainUnderANewKey) {
    ASSERT_EQ(subscribe(*m_subscriberManager, feedAddress()), std::optional<bool>(true));
    ManagedObject* pea = subscribedNamed(QStringLiteral("Pea Soup"));
    m_subscriberManager->unsubscribeRecipes({pea});
    m_subscriber->context()->deleteObject(pea);
    ASSERT_TRUE(m_subscriber->session()->save());
    const QString oldKey = key();
    std::optional<bool> withdrawn;
    m_manager->stopPublishingPlatefeed(m_soups, [&](bool ok) { withdrawn = ok; });
    ASSERT_TRUE(waitUntil([&] { return withdrawn.has_value(); }));
    m_soups->setValueForKey(false, QStringLiteral("isPublishedPlatefeed"));
    ASSERT_TRUE(publish(*m_manager, m_soups, QStringLiteral("SoupFeed")));
    ASSERT_NE(key(), oldKey);

    ASSERT_TRUE(checkSubscribed(*m_subscriberManager));
    EXPECT_TRUE(m_subscriberManager->subscribedRecipes(oldKey).isEmpty());
    EXPECT_EQ(names(subscribed()), (QStringList{QStringLiteral("Leek Soup"), QStringLiteral("Onion Soup")}));
    EXPECT_EQ(m_subscriberManager->removedIDs(key()), QStringList{id(m_pea)});
    EXPECT_FALSE(QFile::exists(m_subscriberManager->bookkeepingPath(oldKey, QStringLiteral("-removed"))));
    GroupsManagedObject* group = m_subscriberManager->subscribedGroups().first();
    EXPECT_EQ(group->stringValue(QStringLiteral("platefeedPredicateKey")), key());
    EXPECT_EQ(m_subscriber->context()
                  ->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), group->predicate()))
                  .size(),
              2);
}

// Servers that fail, and answers that are not what they should be.
TEST_F(PlatefeedTest, RefusesAddressesAndAnswersThatAreNotPlatefeeds) {
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    server.answers.insert(QStringLiteral("/error/version.plist"), {500, "boom", false});
    server.answers.insert(QStringLiteral("/junk/version.plist"), {200, "this is not a property list", false});
    server.answers.insert(QStringLiteral("/huge/version.plist"),
                          {200, QByteArray(PlatefeedManager::versionMaxBytes + 10, ' '), false});
    server.answers.insert(QStringLiteral("/hang/version.plist"), {200, {}, true});
    m_manager->setTimeoutMs(300);

    struct Case {
        QString address;
        bool subscribed;
    };
    const QList<Case> cases = {{server.address(QStringLiteral("/error")), false},
                               {server.address(QStringLiteral("/junk")), false},
                               {server.address(QStringLiteral("/huge")), false},
                               {server.address(QStringLiteral("/hang")), false},
                               {QStringLiteral("file:///etc"), false},
                               {QStringLiteral("ftp://127.0.0.1/feed"), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        EXPECT_EQ(subscribe(*m_manager, c.address), std::optional<bool>(c.subscribed));
        ASSERT_FALSE(m_manager->lastReports().isEmpty());
        EXPECT_FALSE(m_manager->lastReports().first().error.isEmpty());
    }
    EXPECT_TRUE(m_manager->subscribedGroups().isEmpty());
}

TEST_F(PlatefeedTest, RecipeFilesOfAnotherVersionOrTooLargeAreNotImported) {
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    const QDateTime date(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    const QVariantMap index{{QStringLiteral("name"), QStringLiteral("Feed")},
                            {QStringLiteral("platefeedPredicateKey"), QStringLiteral("42")},
                            {QStringLiteral("r1"), date},
                            {QStringLiteral("r2"), date}};
    const auto recipe = [](const QString& name, const QString& version) {
        return xmlPropertyListData(QVariantMap{{QStringLiteral("modelVersion"), version},
                                               {QStringLiteral("name"), name},
                                               {QStringLiteral("rating"), QStringLiteral("not a number")},
                                               {QStringLiteral("image1"), QByteArray("not a picture")}});
    };
    server.answers.insert(QStringLiteral("/feed/version.plist"), {200, xmlPropertyListData(index), false});
    server.answers.insert(QStringLiteral("/feed/r1.plist"),
                          {200, recipe(QStringLiteral("One"), QStringLiteral("2.3")), false});
    server.answers.insert(QStringLiteral("/feed/r2.plist"),
                          {200, QByteArray(PlatefeedManager::recipeMaxBytes + 1, ' '), false});
    ASSERT_EQ(subscribe(*m_manager, server.address(QStringLiteral("/feed"))), std::optional<bool>(true));
    QList<ManagedObject*> recipes = m_manager->subscribedRecipes(QStringLiteral("42"));
    ASSERT_EQ(recipes.size(), 1);
    EXPECT_EQ(recipes.first()->stringValue(QStringLiteral("name")), QStringLiteral("One"));
    EXPECT_TRUE(recipes.first()->valueForKey(QStringLiteral("rating")).isNull());
    EXPECT_FALSE(dynamic_cast<RecipesManagedObject*>(recipes.first())->hasImageAtIndex(1));
    // The refused file is not marked as imported: it is tried again.
    const QVariantMap local = readMap(m_manager->bookkeepingPath(QStringLiteral("42"), QString()));
    EXPECT_TRUE(local.contains(QStringLiteral("r1")));
    EXPECT_FALSE(local.contains(QStringLiteral("r2")));

    // A recipe of another model version stops the import and keeps the old map.
    Scheduler::instance().advance(60);
    const QDateTime later = date.addDays(1);
    QVariantMap changed = index;
    changed.insert(QStringLiteral("r1"), later);
    server.answers.insert(QStringLiteral("/feed/version.plist"), {200, xmlPropertyListData(changed), false});
    server.answers.insert(QStringLiteral("/feed/r1.plist"),
                          {200, recipe(QStringLiteral("One v3"), QStringLiteral("3.0")), false});
    ASSERT_TRUE(checkSubscribed(*m_manager));
    EXPECT_EQ(readMap(m_manager->bookkeepingPath(QStringLiteral("42"), QString())), local);
    EXPECT_FALSE(m_manager->lastReports().first().error.isEmpty());
    EXPECT_EQ(m_manager->subscribedGroups().first()->stringValue(QStringLiteral("name")),
              QStringLiteral("Feed"));
}

// A reset asked for while the platefeed's import runs happens once the import has ended:
// the import writes the whole remote index, which would claim the reset recipes are here.
TEST_F(PlatefeedTest, AResetDuringAnImportWaitsForItsEnd) {
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    m_manager->setTimeoutMs(500);
    const auto serve = [&server](const QDateTime& date, const QString& suffix, bool secondHangs) {
        const QVariantMap index{{QStringLiteral("name"), QStringLiteral("Feed")},
                                {QStringLiteral("platefeedPredicateKey"), QStringLiteral("42")},
                                {QStringLiteral("r1"), date},
                                {QStringLiteral("r2"), date}};
        server.answers.insert(QStringLiteral("/feed/version.plist"),
                              {200, xmlPropertyListData(index), false});
        for (const QString& id : {QStringLiteral("r1"), QStringLiteral("r2")})
            server.answers.insert(
                QStringLiteral("/feed/%1.plist").arg(id),
                {200,
                 xmlPropertyListData(QVariantMap{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                                                 {QStringLiteral("name"), QString(id + suffix)}}),
                 secondHangs && id == QStringLiteral("r2")});
    };
    const QDateTime date(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    serve(date, QString(), false);
    ASSERT_EQ(subscribe(*m_manager, server.address(QStringLiteral("/feed"))), std::optional<bool>(true));
    GroupsManagedObject* group = m_manager->subscribedGroups().first();

    serve(date.addDays(1), QStringLiteral(" v2"), true);
    QSignalSpy checked(m_manager.get(), &PlatefeedManager::subscribedCheckFinished);
    m_manager->checkSubscribedPlatefeeds();
    ASSERT_TRUE(waitUntil([&] {
        return names(m_manager->subscribedRecipes(QStringLiteral("42"))).contains(QStringLiteral("r1 v2"));
    }));
    m_manager->resetSubscribedPlatefeed(group);
    EXPECT_EQ(m_manager->subscribedRecipes(QStringLiteral("42")).size(), 2);
    ASSERT_TRUE(waitUntil([&] { return checked.count() > 0; }));
    EXPECT_TRUE(m_manager->subscribedRecipes(QStringLiteral("42")).isEmpty());

    serve(date.addDays(1), QStringLiteral(" v2"), false);
    ASSERT_TRUE(checkSubscribed(*m_manager));
    EXPECT_EQ(names(m_manager->subscribedRecipes(QStringLiteral("42"))),
              (QStringList{QStringLiteral("r1 v2"), QStringLiteral("r2 v2")}));
}

WebDavClient::Reply await(const std::function<void(WebDavClient::Done)>& request) {
    std::optional<WebDavClient::Reply> reply;
    request([&](const WebDavClient::Reply& r) { reply = r; });
    EXPECT_TRUE(waitUntil([&] { return reply.has_value(); }));
    return reply.value_or(WebDavClient::Reply{});
}

TEST(WebDavClientTest, WritesListsReadsAndDeletesOnARealServer) {
    if (!WebDavTestServer::isInstalled())
        GTEST_SKIP() << "lighttpd (Debian packages lighttpd, lighttpd-mod-webdav) is not installed";
    WebDavTestServer server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    WebDavClient client;
    const QUrl root(server.address());
    const QUrl folder = WebDavClient::childUrl(root, QStringLiteral("a b"));
    const QUrl file = WebDavClient::childUrl(folder, QStringLiteral("x/y.plist"));
    EXPECT_TRUE(file.toString(QUrl::FullyEncoded).endsWith(QStringLiteral("/a%20b/x%2Fy.plist")));

    EXPECT_TRUE(await([&](auto done) { client.mkcol(folder, done); }).ok);
    EXPECT_TRUE(await([&](auto done) { client.mkcol(folder, done); }).ok); // already there
    const QUrl plain = WebDavClient::childUrl(folder, QStringLiteral("one.plist"));
    EXPECT_TRUE(await([&](auto done) { client.put(plain, QByteArray(100, 'x'), "text/plain", done); }).ok);
    EXPECT_EQ(await([&](auto done) { client.get(plain, 100, done); }).body, QByteArray(100, 'x'));
    const WebDavClient::Reply tooLarge = await([&](auto done) { client.get(plain, 99, done); });
    EXPECT_FALSE(tooLarge.ok);
    EXPECT_TRUE(tooLarge.body.isEmpty());
    const WebDavClient::Reply listing = await([&](auto done) { client.propfind(folder, done); });
    ASSERT_TRUE(listing.ok);
    EXPECT_TRUE(WebDavClient::hrefsOfMultistatus(listing.body).contains(QStringLiteral("/a b/one.plist")));
    EXPECT_TRUE(await([&](auto done) { client.remove(plain, done); }).ok);
    EXPECT_TRUE(await([&](auto done) { client.remove(plain, done); }).ok); // gone already
    EXPECT_EQ(await([&](auto done) { client.get(plain, 100, done); }).status, 404);
    EXPECT_FALSE(
        await([&](auto done) { client.get(QUrl(QStringLiteral("file:///etc/passwd")), 100, done); }).ok);
}

TEST(WebDavClientTest, AServerThatNeverAnswersTimesOut) {
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    server.answers.insert(QStringLiteral("/slow"), {200, {}, true});
    WebDavClient client;
    client.setTimeoutMs(200);
    const WebDavClient::Reply reply =
        await([&](auto done) { client.get(QUrl(server.address(QStringLiteral("/slow"))), 100, done); });
    EXPECT_FALSE(reply.ok);
    EXPECT_FALSE(reply.error.isEmpty());
    EXPECT_TRUE(WebDavClient::hrefsOfMultistatus("<D:multistatus xmlns:D=\"DAV:\"><D:href>/a").isEmpty());
}

TEST_F(PlatefeedTest, SubscriptionsGatherUnderTheirHeaderAndLeaveWithTheirRecipes) {
    GroupsManagedObject* feed =
        insertGroup(context(), QStringLiteral("Feed"),
                    {{QStringLiteral("isSubscribedPlatefeed"), true},
                     {QStringLiteral("platefeedPredicateKey"), QStringLiteral("12")}});
    RecipesManagedObject* mine = insertRecipe(context(), QStringLiteral("Mine"));
    RecipesManagedObject* fed = insertRecipe(
        context(), QStringLiteral("Fed"), {{QStringLiteral("platefeedPredicateKey"), QStringLiteral("12")}});
    RecipesManagedObject* longer =
        insertRecipe(context(), QStringLiteral("Other"),
                     {{QStringLiteral("platefeedPredicateKey"), QStringLiteral("123")}});
    for (const bool collect : {true, false}) {
        UserDefaults::setObjectForKey(collect, QStringLiteral("collectSubscribedPlatefeeds"));
        m_manager->collectOrSeperatePlatefeedGroups();
        ManagedObject* parent = feed->relatedObject(QStringLiteral("parent"));
        EXPECT_EQ(parent != nullptr, collect);
        if (parent) {
            EXPECT_TRUE(parent->valueForKey(QStringLiteral("isPlatefeedHeader")).toBool());
        }
    }
    // The group shows exactly its key's recipes: not those of a key that contains it.
    EXPECT_EQ(
        names(context()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), feed->predicate()))),
        QStringList{QStringLiteral("Fed")});
    // Deleting the platefeed deletes the recipes of exactly its key: not those of a key that
    // contains it, nor the user's own.
    m_manager->deleteSubscribedPlatefeed(feed);
    EXPECT_TRUE(fed->isDeleted());
    EXPECT_TRUE(feed->isDeleted());
    EXPECT_FALSE(mine->isDeleted());
    EXPECT_FALSE(longer->isDeleted());
    UserDefaults::removeObjectForKey(QStringLiteral("collectSubscribedPlatefeeds"));
}

TEST_F(PlatefeedTest, DroppingASubscribedRecipeOnAGroupAddsALinkedCopy) {
    GroupsManagedObject* dinners = insertGroup(context(), QStringLiteral("Dinners"));
    RecipesManagedObject* fed =
        insertRecipe(context(), QStringLiteral("Stew"),
                     {{QStringLiteral("platefeedPredicateKey"), QStringLiteral("77")},
                      {QStringLiteral("publishedPlatefeedID"), QStringLiteral("p-1")}});
    ASSERT_TRUE(m_library->session()->save());
    SidebarTreeController tree(m_library->session());
    SideBarDragController drag(&tree);
    drag.setPlatefeedCopier(
        [this](ManagedObject* recipe) { return m_manager->recipeByCopyingAndLinkingRecipe(recipe); });
    ASSERT_TRUE(drag.dropRecipes({fed->stringValue(QStringLiteral("uniqueID"))}, dinners, false));
    Scheduler::instance().advance(0.2);
    EXPECT_TRUE(fed->isDeleted());
    const QList<ManagedObject*> inGroup =
        context()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), dinners->predicate()));
    ASSERT_EQ(inGroup.size(), 1);
    EXPECT_EQ(inGroup.first()->stringValue(QStringLiteral("name")), QStringLiteral("Stew"));
    EXPECT_EQ(inGroup.first()->stringValue(QStringLiteral("linkedPlatefeedID")), QStringLiteral("p-1"));
    EXPECT_EQ(m_manager->linkedIDs(QStringLiteral("77")), QStringList{QStringLiteral("p-1")});
}

TEST(PlatefeedLinks, AddressesFromLinks) {
    const QList<std::pair<QString, QString>> cases = {
        {QStringLiteral("larkspoonfeed://example.org/Sites/Soups"),
         QStringLiteral("http://example.org/Sites/Soups")},
        {QStringLiteral("larkspoonfeeds://example.org/a"), QStringLiteral("https://example.org/a")},
        {QStringLiteral("LarkspoonFeed://h/x"), QStringLiteral("http://h/x")},
        {QStringLiteral("http://example.org/a"), QString()},
        {QStringLiteral("larkspoonfeed://a://b"), QString()},
        {QStringLiteral("larkspoonfeed://"), QString()},
    };
    for (const auto& [link, address] : cases)
        EXPECT_EQ(PlatefeedManager::addressFromLink(link), address) << link.toStdString();
    const QList<std::pair<QString, bool>> keys = {
        {QStringLiteral("42"), true},    {QStringLiteral("9999999"), true},
        {QStringLiteral(""), false},     {QStringLiteral("12345678"), false},
        {QStringLiteral("../1"), false}, {QStringLiteral("1a"), false}};
    for (const auto& [text, valid] : keys)
        EXPECT_EQ(PlatefeedManager::isValidKey(text), valid) << text.toStdString();
    // A password goes unencrypted only over http to another machine.
    const QList<std::pair<QString, bool>> plain = {{QStringLiteral("http://dav.example.org/me"), true},
                                                   {QStringLiteral("HTTP://192.168.1.20/dav"), true},
                                                   {QStringLiteral("https://dav.example.org/me"), false},
                                                   {QStringLiteral("http://127.0.0.1:8080/"), false},
                                                   {QStringLiteral("http://localhost/dav"), false},
                                                   {QStringLiteral("http://[::1]/dav"), false}};
    for (const auto& [address, sent] : plain)
        EXPECT_EQ(PlatefeedManager::sendsPasswordInPlainText(QUrl(address)), sent) << address.toStdString();
    EXPECT_EQ(PlatefeedManager::folderNameFromTitle(QStringLiteral("Mom's Soups! v.2")),
              QStringLiteral("MomsSoupsv2"));
}

TEST(PlatefeedCredentials, OldCredentialsMoveIntoTheKeyringOnlyWhenOneRuns) {
    for (const bool available : {true, false}) {
        SCOPED_TRACE(available);
        UserDefaults::setObjectForKey(QStringLiteral("cook"), QStringLiteral("MobileMeUsername"));
        UserDefaults::setObjectForKey(QStringLiteral("pa\\ss"), QStringLiteral("MobileMePassword"));
        MemoryKeyring keyring;
        keyring.available = available;
        PlatefeedManager::moveOldCredentials(keyring);
        EXPECT_EQ(UserDefaults::hasKey(QStringLiteral("MobileMePassword")), !available);
        EXPECT_EQ(UserDefaults::hasKey(QStringLiteral("MobileMeUsername")), !available);
        const QString prefix = QStringLiteral("/Larkspoon!");
        EXPECT_EQ(keyring.items.value(PlatefeedManager::usernameService() + prefix),
                  available ? QStringLiteral("cook") : QString());
        EXPECT_EQ(keyring.items.value(PlatefeedManager::passwordService() + prefix),
                  available ? QStringLiteral("pa\\ss") : QString());
        UserDefaults::removeObjectForKey(QStringLiteral("MobileMeUsername"));
        UserDefaults::removeObjectForKey(QStringLiteral("MobileMePassword"));
    }
    // Stored by the login page and read back by the manager; the settings hold no secret.
    MemoryKeyring keyring;
    PlatefeedAccount account{QUrl(QStringLiteral("https://dav.example.org/files/me")),
                             QUrl(QStringLiteral("https://example.org/pub")), QStringLiteral("me"),
                             QStringLiteral("pw")};
    bool stored = false;
    PlatefeedManager::storeAccount(keyring, account, [&](bool ok, const QString&) { stored = ok; });
    EXPECT_TRUE(stored);
    QFile settings(UserDefaults::preferencesFilePath());
    UserDefaults::synchronize();
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("pw"));
}

} // namespace

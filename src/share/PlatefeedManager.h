#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>

class GroupsManagedObject;
class Keyring;
class LibrarySession;
class ManagedObject;
class WebDavClient;

// Where the user publishes: a WebDAV collection, the address under which others read that
// same collection, and the credentials (kept in the keyring, never in the settings).
// Published platefeeds are the folders "Sites/<folder>" of the collection.
struct PlatefeedAccount {
    QUrl webdavAddress;
    QUrl publicAddress;
    QString user;
    QString password;
    bool isComplete() const;
};

// What the last check of one platefeed did, for callers that report it.
struct PlatefeedReport {
    QString group;
    QString address;
    QStringList written; // published: the recipe files written
    int imported = 0;    // subscribed: recipes made or updated
    int removed = 0;     // subscribed: recipes deleted
    bool deactivated = false;
    QString error; // empty when the check went through
};

// Publishes groups as platefeeds to the user's WebDAV space and keeps subscribed platefeeds
// in step with their publishers.
//
// A published platefeed is a folder holding "version.plist" (the feed's name and key, and
// every recipe's uniqueID with its dateUpdated), "index.html" (the page people subscribe
// from) and one "<uniqueID>.plist" per recipe. A check rewrites only the recipes whose date
// changed and writes "version.plist" last, so a subscriber never reads an index that names a
// file not yet written. A subscription polls the publisher's "version.plist" over http(s)
// and fetches the recipes that changed; the downloads and their parsing run off the main
// thread, the records are made on it. Every download has a size limit, and a subscription
// deletes only recipes that carry its own key.
//
// The network work is asynchronous: each operation answers through its callback or a
// finished signal, on the main thread. One publishing run and one subscription run at a
// time; a check asked for meanwhile runs once the other has ended (5-second retries).
class PlatefeedManager : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 versionMaxBytes = 1024LL * 1024;
    static constexpr qint64 recipeMaxBytes = 10LL * 1024 * 1024;
    // The keyring items of the credentials.
    static QString usernameService();
    static QString passwordService();
    static QString keyringAccount();
    // The user defaults of the addresses.
    static QString webdavAddressKey();
    static QString publicAddressKey();
    // The link schemes of the application's subscription links (http and https feeds).
    static QString linkScheme();
    static QString secureLinkScheme();

    PlatefeedManager(LibrarySession& session, QObject* parent = nullptr);
    ~PlatefeedManager() override;

    // --- Account ---------------------------------------------------------------------
    void setAccount(const PlatefeedAccount& account);
    const PlatefeedAccount& account() const { return m_account; }
    // Reads the addresses from the user defaults and the credentials from keyring; done(true)
    // when all are there.
    void loadAccount(Keyring& keyring, std::function<void(bool complete)> done);
    // Stores the addresses in the user defaults and the credentials in keyring (the login
    // page). done(false, why) when the keyring is missing or refused.
    static void storeAccount(Keyring& keyring, const PlatefeedAccount& account,
                             std::function<void(bool ok, const QString& error)> done);
    // Removes the credentials from keyring (signing out).
    static void forgetCredentials(Keyring& keyring, std::function<void(bool ok)> done);
    // Signing out: disconnects and forgets the password (the addresses and the user name stay
    // for the login page; no later check connects again), removes both keyring items and
    // redraws the sidebar. done(ok): whether the keyring removed them.
    void signOutMobileMe(Keyring& keyring, std::function<void(bool ok)> done = {});
    // Old releases kept the credentials in the preferences ("MobileMeUsername",
    // "MobileMePassword"): they are moved into keyring and removed from the preferences. Without
    // a keyring they stay where they are (nothing is written in plain text anywhere new).
    static void moveOldCredentials(Keyring& keyring, std::function<void()> done = {});
    // The user name of the old releases' service went with one of its mail domains; these are
    // removed from the user name typed on the login page.
    static QString memberName(const QString& typed);

    // Asks the WebDAV space for its listing; done(true) when it answers. Sets
    // isConnectedToMobileMe.
    void connectToMobileMeIfNotConnected(std::function<void(bool connected)> done);
    void unmountMobileMe();
    bool isConnectedToMobileMe() const { return m_connected; }

    // Starts the checks: published after 10 s and then every 600 s, subscribed after 5 s and
    // then every 540 s (through the Scheduler).
    void startTimers();

    // --- Publishing --------------------------------------------------------------------
    // folder: the folder's name under "Sites". done(false) when the folder could not be made.
    void createNewPublishedPlatefeedWithName(const QString& folder, GroupsManagedObject* group,
                                             std::function<void(bool ok)> done);
    void checkPublishedPlatefeeds();
    void justUpdateTitleForPublishedPlatefeed(GroupsManagedObject* group,
                                              std::function<void(bool ok)> done = {});
    void stopPublishingPlatefeed(GroupsManagedObject* group, std::function<void(bool ok)> done = {});
    QString htmlStringForPlatefeedPageForObject(GroupsManagedObject* group) const;
    // The folder of a published group on the WebDAV space, its public address and the
    // subscription link.
    QUrl publishedFolderUrl(const QString& folder) const;
    QUrl publicFolderUrl(const QString& folder) const;
    QString subscriptionLink(const QString& folder) const;
    // The folder name the group editor makes from a title: without spaces, "!", "." and "'".
    static QString folderNameFromTitle(const QString& title);

    // --- Subscribing -------------------------------------------------------------------
    // done(false) when the address is not http(s) or its "version.plist" cannot be read.
    void createNewSubcribedPlatefeedWithAddress(const QString& address, std::function<void(bool ok)> done);
    void checkSubscribedPlatefeeds();
    // A subscription link of the application ("larkspoonfeed://host/path"): subscribes 0.5 s
    // later, with an alert when that fails. False when the link is not one.
    bool performWithURL(const QString& link);
    static QString addressFromLink(const QString& link); // empty: not a link of ours
    void unsubscribeRecipes(const QList<ManagedObject*>& recipes);
    void resetSubscribedPlatefeed(GroupsManagedObject* group);
    void deleteSubscribedPlatefeed(GroupsManagedObject* group);
    // The name the publisher gives a subscribed platefeed: read from its "version.plist"
    // (size-limited), else from the copy the last check kept. done(false, {}) when neither
    // names it (a withdrawn platefeed's index names nothing).
    void publishedNameForSubscribedPlatefeed(GroupsManagedObject* group,
                                             std::function<void(bool found, const QString& name)> done);
    // A library copy of a subscribed recipe, linked to it so later changes are offered; the
    // subscribed recipe is deleted 0.2 s later. nullptr when recipe is not a subscribed one.
    ManagedObject* recipeByCopyingAndLinkingRecipe(ManagedObject* recipe);
    // The user's choice for the update question, remembered until the next check: 0 ask,
    // 1 update all, 2 skip all, 3 never update all.
    int updateAllCopiedSubscribedRecipesSelection() const { return m_updateChoice; }

    // --- Sidebar -------------------------------------------------------------------------
    GroupsManagedObject* platefeedHeaderCreateIfNeeded();
    void collectOrSeperatePlatefeedGroups();
    void deletePlatefeedHeaderIfNeeded();

    // --- Bookkeeping (in the library's "Platefeeds" folder) ------------------------------
    static bool isValidKey(const QString& key);
    QString bookkeepingPath(const QString& key, const QString& suffix) const;
    QStringList removedIDs(const QString& key) const;
    QStringList linkedIDs(const QString& key) const;
    // The recipes of a subscribed platefeed: those that carry exactly its key.
    QList<ManagedObject*> subscribedRecipes(const QString& key) const;
    QList<GroupsManagedObject*> publishedGroups() const;
    QList<GroupsManagedObject*> subscribedGroups() const;

    // --- State ---------------------------------------------------------------------------
    bool isPublishing() const { return m_exporting; }
    bool isImporting() const { return m_importing; }
    const QList<PlatefeedReport>& lastReports() const { return m_reports; }
    QString statusText() const { return m_status; }
    // For tests: the time-out of every request (10 s otherwise).
    void setTimeoutMs(int timeoutMs);

    // --- Safety of the user's space and records ------------------------------------------
    // True when a password sent to address would cross the network unencrypted: http (not
    // https) to a host other than this machine.
    static bool sendsPasswordInPlainText(const QUrl& address);
    // Uses account when its WebDAV space answers; otherwise the account in use before stays
    // (a failed login changes nothing). done(connected).
    void tryAccount(const PlatefeedAccount& account, std::function<void(bool connected)> done);
    // The published group other than except whose folder is folder (the space may not tell
    // letter cases apart), nullptr when none.
    GroupsManagedObject* publishedGroupUsingFolder(const QString& folder,
                                                   const GroupsManagedObject* except) const;

signals:
    void publishedCheckFinished();
    void subscribedCheckFinished();
    void statusChanged(const QString& text);
    void sidebarChanged();
    void connectedChanged(bool connected);
    // A subscription was made (the sidebar selects its group).
    void subscriptionAdded(GroupsManagedObject* group);

private:
    // One published or subscribed platefeed being brought up to date.
    struct PublishJob {
        GroupsManagedObject* group = nullptr;
        QString key;
        QUrl folder;
        QList<ManagedObject*> changed;
        QVariantMap versionMap;
        bool allWritten = true;
        int nextIndex = 0; // the next of changed to write
        int inFlight = 0;  // writes not answered yet
        bool finished = false;
        PlatefeedReport report;
        std::function<void()> next;
    };

    struct ImportJob {
        GroupsManagedObject* group = nullptr;
        QString key;
        QString address;
        QStringList changed;
        QVariantMap remote;
        QStringList failed; // ids whose file could not be fetched: tried again next time
        PlatefeedReport report;
        std::function<void()> next;
    };

    void setStatus(const QString& text);
    void setConnected(bool connected);
    void retryLater(bool published);
    void ensureFolder(const QUrl& folder, bool recreate, std::function<void(bool ok)> done);
    void putPropertyList(const QUrl& url, const QVariant& value,
                         std::function<void(bool ok, QString error)> done);
    void fetchPropertyList(WebDavClient* client, const QUrl& url, qint64 maxBytes,
                           std::function<void(bool ok, QVariant value, QString error)> done);
    QVariantMap feedDictionaryForRecipe(ManagedObject* recipe, const QString& key) const;

    void publishNext(QList<GroupsManagedObject*> groups);
    void analizePublishedPlatefeed(GroupsManagedObject* group, std::function<void()> next);
    void exportRecipes(std::shared_ptr<PublishJob> job, int index);
    void finishExport(std::shared_ptr<PublishJob> job);

    void checkSubscribedNext(QList<GroupsManagedObject*> groups);
    void analizeSubscribedPlatefeed(GroupsManagedObject* group, std::function<void()> next);
    void importRecipes(std::shared_ptr<ImportJob> job, int index);
    void finishImport(std::shared_ptr<ImportJob> job, bool saveMap);
    // Makes or updates the record of one recipe; answers whether it did.
    bool importRecipeFromDictionary(const QVariantMap& dict, const QString& id, ImportJob& job);
    void fillRecipe(ManagedObject* recipe, const QVariantMap& dict, const QString& id, const QString& key,
                    bool replacePictures);
    void addToList(const QString& key, const QString& suffix, const QStringList& ids);
    void deleteRecipesWithoutAsking(const QList<ManagedObject*>& recipes);

    // What a folder of the space holds, read before anything is written into it: the space
    // is the user's own, and a folder that is not this group's platefeed is never replaced.
    enum class FolderState { Missing, Empty, Feed, Foreign, Unreachable };
    void readFolder(const QUrl& folder,
                    std::function<void(FolderState state, QVariantMap version, QString error)> done);
    // The version file is this key's platefeed, or a withdrawn one that names no key.
    static bool isOwnFeed(const QVariantMap& version, const QString& key);
    void failPublishing(GroupsManagedObject* group, const QString& error,
                        const std::function<void(bool)>& done);
    void writeNewPublishedPlatefeed(const QUrl& url, const QString& folder, GroupsManagedObject* group,
                                    std::function<void(bool ok)> done);
    // The subscription's files in the "Platefeeds" folder; links too when they go with it.
    void removeBookkeeping(const QString& key, bool links);
    // The publisher published the group again under newKey: the recipes of oldKey go, and
    // what the user removed or copied stays so.
    void moveSubscriptionToKey(const QString& oldKey, const QString& newKey);
    // Work on a subscription's records that waits for the running import to end.
    QList<std::function<void()>> m_afterImport;

    LibrarySession& m_session;
    WebDavClient* m_publisher;  // with the account's credentials
    WebDavClient* m_subscriber; // anonymous reads
    PlatefeedAccount m_account;
    bool m_connected = false;
    bool m_exporting = false;
    bool m_importing = false;
    bool m_needToPublishAgain = false;
    bool m_needToCheckSubscribedAgain = false;
    int m_publishRetry = 0;
    int m_subscribeRetry = 0;
    int m_updateChoice = 0;
    QString m_status;
    QList<PlatefeedReport> m_reports;
};

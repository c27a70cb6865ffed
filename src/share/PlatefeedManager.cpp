#include "share/PlatefeedManager.h"
#include "share/PlatefeedKeys.h"

#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/Keyring.h"
#include "platform/ObjectContext.h"
#include "platform/Predicate.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/WebDavClient.h"
#include "share/VersionTwoImporterExporter.h"

#include <QDir>
#include <QFile>
#include <QFuture>
#include <QHostAddress>
#include <QPromise>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QThreadPool>

#include <memory>

using namespace platefeedkeys;

namespace {

const QString kVersionFile = QStringLiteral("version.plist");
const QString kUniqueID = QStringLiteral("uniqueID");
const QString kDateUpdated = QStringLiteral("dateUpdated");

// Written always, as the empty text when the recipe has none.
const QStringList kFeedTextKeys = {QStringLiteral("attribution"),
                                   QStringLiteral("cookingTime"),
                                   QStringLiteral("cuisine"),
                                   QStringLiteral("directions"),
                                   QStringLiteral("importedFromURL"),
                                   QStringLiteral("ingredientsArray"),
                                   QStringLiteral("inactivePrepTime"),
                                   QStringLiteral("keywords"),
                                   QStringLiteral("notes"),
                                   QStringLiteral("prepTime"),
                                   QStringLiteral("recipeDescription"),
                                   kName,
                                   QStringLiteral("yield"),
                                   QStringLiteral("videoURL")};
const QStringList kFeedIntegerKeys = {QStringLiteral("difficulty"), QStringLiteral("rating")};

// A date as a property list keeps it (whole seconds, UTC): what "changed" compares.
QString dateText(const QVariant& value) {
    if (value.typeId() != QMetaType::QDateTime)
        return QString();
    return value.toDateTime().toUTC().toString(Qt::ISODate);
}

QList<GroupsManagedObject*> groupsWithFlag(ObjectContext* context, const char* flag) {
    QList<GroupsManagedObject*> groups;
    if (!context)
        return groups;
    for (ManagedObject* object : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        if (auto* group = dynamic_cast<GroupsManagedObject*>(object))
            if (!group->isDeleted() && group->boolValue(QLatin1String(flag)))
                groups.append(group);
    return groups;
}

QString groupTitle(const ManagedObject* group) {
    const QString title = group->stringValue(kFeedName);
    return title.isEmpty() ? group->stringValue(kName) : title;
}

// Parses on a worker of the thread pool and answers on receiver's thread (never after
// receiver is gone).
void parseOffThread(QObject* receiver, QByteArray data, std::function<void(PropertyListResult)> done) {
    auto promise = std::make_shared<QPromise<PropertyListResult>>();
    QFuture<PropertyListResult> future = promise->future();
    future.then(receiver, [done = std::move(done)](const PropertyListResult& result) { done(result); });
    QThreadPool::globalInstance()->start([promise, data = std::move(data)] {
        promise->start();
        promise->addResult(readPropertyList(data));
        promise->finish();
    });
}

} // namespace

bool PlatefeedAccount::isComplete() const {
    return WebDavClient::isWebAddress(webdavAddress) && WebDavClient::isWebAddress(publicAddress) &&
           !user.isEmpty() && !password.isEmpty();
}

QString PlatefeedManager::usernameService() {
    return QStringLiteral("Larkspoon! MobileMe Username");
}
QString PlatefeedManager::passwordService() {
    return QStringLiteral("Larkspoon! MobileMe Password");
}
QString PlatefeedManager::keyringAccount() {
    return QStringLiteral("Larkspoon!");
}
QString PlatefeedManager::webdavAddressKey() {
    return QStringLiteral("platefeedWebDAVAddress");
}
QString PlatefeedManager::publicAddressKey() {
    return QStringLiteral("platefeedPublicAddress");
}
QString PlatefeedManager::linkScheme() {
    return QStringLiteral("larkspoonfeed");
}
QString PlatefeedManager::secureLinkScheme() {
    return QStringLiteral("larkspoonfeeds");
}

PlatefeedManager::PlatefeedManager(LibrarySession& session, QObject* parent)
    : QObject(parent), m_session(session), m_publisher(new WebDavClient(this)),
      m_subscriber(new WebDavClient(this)) {}

PlatefeedManager::~PlatefeedManager() = default;

void PlatefeedManager::setTimeoutMs(int timeoutMs) {
    m_publisher->setTimeoutMs(timeoutMs);
    m_subscriber->setTimeoutMs(timeoutMs);
}

void PlatefeedManager::setStatus(const QString& text) {
    if (m_status == text)
        return;
    m_status = text;
    emit statusChanged(text);
}

void PlatefeedManager::setConnected(bool connected) {
    if (m_connected == connected)
        return;
    m_connected = connected;
    emit connectedChanged(connected);
    emit sidebarChanged();
}

// --- Account -------------------------------------------------------------------------------

void PlatefeedManager::setAccount(const PlatefeedAccount& account) {
    m_account = account;
    if (!account.webdavAddress.isEmpty())
        m_account.webdavAddress = WebDavClient::collectionUrl(account.webdavAddress);
    m_publisher->setCredentials(account.user, account.password);
    setConnected(false);
}

bool PlatefeedManager::sendsPasswordInPlainText(const QUrl& address) {
    if (address.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)
        return false;
    const QString host = address.host().toLower();
    if (host == QLatin1String("localhost"))
        return false;
    const QHostAddress ip(host);
    return ip.isNull() || !ip.isLoopback();
}

void PlatefeedManager::tryAccount(const PlatefeedAccount& account, std::function<void(bool connected)> done) {
    const PlatefeedAccount previous = m_account;
    unmountMobileMe();
    setAccount(account);
    QPointer<PlatefeedManager> self(this);
    connectToMobileMeIfNotConnected([self, previous, done](bool connected) {
        if (self && !connected)
            self->setAccount(previous);
        if (done)
            done(connected);
    });
}

void PlatefeedManager::loadAccount(Keyring& keyring, std::function<void(bool complete)> done) {
    PlatefeedAccount account;
    account.webdavAddress = QUrl(UserDefaults::stringForKey(webdavAddressKey()));
    account.publicAddress = QUrl(UserDefaults::stringForKey(publicAddressKey()));
    if (!keyring.isAvailable()) {
        setAccount(account);
        if (done)
            done(false);
        return;
    }
    QPointer<PlatefeedManager> self(this);
    keyring.readPassword(usernameService(), keyringAccount(),
                         [self, &keyring, account, done](bool, const QString& user, const QString&) mutable {
                             if (!self)
                                 return;
                             account.user = user;
                             keyring.readPassword(passwordService(), keyringAccount(),
                                                  [self, account, done](bool, const QString& password,
                                                                        const QString&) mutable {
                                                      if (!self)
                                                          return;
                                                      account.password = password;
                                                      self->setAccount(account);
                                                      if (done)
                                                          done(account.isComplete());
                                                  });
                         });
}

void PlatefeedManager::storeAccount(Keyring& keyring, const PlatefeedAccount& account,
                                    std::function<void(bool ok, const QString& error)> done) {
    if (!keyring.isAvailable()) {
        done(false, tr("No password store (Secret Service) is running, so the password cannot be kept."));
        return;
    }
    UserDefaults::setObjectForKey(WebDavClient::collectionUrl(account.webdavAddress).toString(),
                                  webdavAddressKey());
    UserDefaults::setObjectForKey(account.publicAddress.toString(), publicAddressKey());
    UserDefaults::synchronize();
    keyring.writePassword(usernameService(), keyringAccount(), account.user,
                          [&keyring, account, done](bool ok, const QString& error) {
                              if (!ok) {
                                  done(false, error);
                                  return;
                              }
                              keyring.writePassword(passwordService(), keyringAccount(), account.password,
                                                    done);
                          });
}

void PlatefeedManager::forgetCredentials(Keyring& keyring, std::function<void(bool ok)> done) {
    if (!keyring.isAvailable()) {
        done(true);
        return;
    }
    keyring.deletePassword(usernameService(), keyringAccount(), [&keyring, done](bool first, const QString&) {
        keyring.deletePassword(passwordService(), keyringAccount(),
                               [first, done](bool second, const QString&) { done(first && second); });
    });
}

void PlatefeedManager::signOutMobileMe(Keyring& keyring, std::function<void(bool ok)> done) {
    // Disconnecting redraws the sidebar (its published marks go); otherwise it is redrawn here.
    const bool redrawn = m_connected;
    unmountMobileMe();
    PlatefeedAccount account = m_account;
    account.password.clear();
    setAccount(account);
    QPointer<PlatefeedManager> self(this);
    forgetCredentials(keyring, [self, done, redrawn](bool ok) {
        if (!ok)
            qWarning("PlatefeedManager: the credentials could not be removed from the password store");
        if (self && !redrawn)
            emit self->sidebarChanged();
        if (done)
            done(ok);
    });
}

void PlatefeedManager::moveOldCredentials(Keyring& keyring, std::function<void()> done) {
    const QString userKey = QStringLiteral("MobileMeUsername");
    const QString passwordKey = QStringLiteral("MobileMePassword");
    if (!UserDefaults::hasKey(passwordKey)) {
        if (done)
            done();
        return;
    }
    if (!keyring.isAvailable()) {
        qWarning("PlatefeedManager: the old credentials stay in the preferences until a password store runs");
        if (done)
            done();
        return;
    }
    const QString user = UserDefaults::stringForKey(userKey);
    const QString password = UserDefaults::stringForKey(passwordKey);
    keyring.writePassword(
        usernameService(), keyringAccount(), user,
        [&keyring, password, userKey, passwordKey, done](bool ok, const QString& error) {
            if (!ok) {
                qWarning("PlatefeedManager: the old credentials could not be moved: %s", qPrintable(error));
                if (done)
                    done();
                return;
            }
            keyring.writePassword(passwordService(), keyringAccount(), password,
                                  [userKey, passwordKey, done](bool written, const QString& why) {
                                      // Removed only once both are kept in the keyring.
                                      if (written) {
                                          UserDefaults::removeObjectForKey(userKey);
                                          UserDefaults::removeObjectForKey(passwordKey);
                                          UserDefaults::synchronize();
                                      } else {
                                          qWarning(
                                              "PlatefeedManager: the old credentials could not be moved: %s",
                                              qPrintable(why));
                                      }
                                      if (done)
                                          done();
                                  });
        });
}

QString PlatefeedManager::memberName(const QString& typed) {
    QString name = typed.trimmed();
    for (const QLatin1String suffix : {QLatin1String("@me.com"), QLatin1String("@mac.com")})
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            name.chop(suffix.size());
    return name;
}

void PlatefeedManager::connectToMobileMeIfNotConnected(std::function<void(bool connected)> done) {
    if (!m_account.isComplete()) {
        setConnected(false);
        if (done)
            done(false);
        return;
    }
    if (m_connected) {
        if (done)
            done(true);
        return;
    }
    m_publisher->propfind(m_account.webdavAddress, [this, done](const WebDavClient::Reply& reply) {
        if (!reply.ok)
            qWarning("PlatefeedManager: the WebDAV space cannot be reached: %s", qPrintable(reply.error));
        setConnected(reply.ok);
        if (done)
            done(reply.ok);
    });
}

void PlatefeedManager::unmountMobileMe() {
    setConnected(false);
}

void PlatefeedManager::startTimers() {
    // Each check schedules the next one.
    auto repeat = std::make_shared<std::function<void(double, double, bool)>>();
    *repeat = [this, repeat](double first, double every, bool publishing) {
        Scheduler::instance().schedule(
            first,
            [this, repeat, every, publishing] {
                if (publishing)
                    checkPublishedPlatefeeds();
                else
                    checkSubscribedPlatefeeds();
                (*repeat)(every, every, publishing);
            },
            this);
    };
    (*repeat)(10.0, 600.0, true);
    (*repeat)(5.0, 540.0, false);
}

// --- Files on the space ---------------------------------------------------------------------

void PlatefeedManager::ensureFolder(const QUrl& folder, bool recreate, std::function<void(bool ok)> done) {
    const QUrl sites = WebDavClient::childUrl(m_account.webdavAddress, QStringLiteral("Sites"));
    auto make = [this, folder, sites, done] {
        m_publisher->mkcol(sites, [this, folder, done](const WebDavClient::Reply& reply) {
            if (!reply.ok) {
                qWarning("PlatefeedManager: %s", qPrintable(reply.error));
                done(false);
                return;
            }
            m_publisher->mkcol(folder, [done](const WebDavClient::Reply& made) {
                if (!made.ok)
                    qWarning("PlatefeedManager: %s", qPrintable(made.error));
                done(made.ok);
            });
        });
    };
    if (!recreate) {
        make();
        return;
    }
    m_publisher->remove(WebDavClient::collectionUrl(folder), [make, done](const WebDavClient::Reply& reply) {
        if (!reply.ok) {
            qWarning("PlatefeedManager: %s", qPrintable(reply.error));
            done(false);
            return;
        }
        make();
    });
}

void PlatefeedManager::putPropertyList(const QUrl& url, const QVariant& value,
                                       std::function<void(bool ok, QString error)> done) {
    m_publisher->put(url, xmlPropertyListData(value), "application/xml",
                     [done](const WebDavClient::Reply& reply) { done(reply.ok, reply.error); });
}

void PlatefeedManager::fetchPropertyList(WebDavClient* client, const QUrl& url, qint64 maxBytes,
                                         std::function<void(bool ok, QVariant value, QString error)> done) {
    client->get(url, maxBytes, [this, url, done](const WebDavClient::Reply& reply) {
        if (!reply.ok) {
            done(false, QVariant(), reply.error);
            return;
        }
        parseOffThread(this, reply.body, [url, done](const PropertyListResult& result) {
            if (!result.ok())
                done(false, QVariant(),
                     tr("%1 is not a property list: %2").arg(url.toDisplayString(), result.error));
            else
                done(true, result.value, QString());
        });
    });
}

void PlatefeedManager::readFolder(
    const QUrl& folder, std::function<void(FolderState state, QVariantMap version, QString error)> done) {
    const QUrl version = WebDavClient::childUrl(folder, kVersionFile);
    m_publisher->get(version, versionMaxBytes,
                     [this, folder, version, done](const WebDavClient::Reply& reply) {
                         if (reply.ok) {
                             parseOffThread(this, reply.body, [done](const PropertyListResult& result) {
                                 if (result.ok() && result.value.typeId() == QMetaType::QVariantMap)
                                     done(FolderState::Feed, result.value.toMap(), QString());
                                 else
                                     done(FolderState::Foreign, QVariantMap(), QString());
                             });
                             return;
                         }
                         if (reply.status != 404) {
                             done(FolderState::Unreachable, QVariantMap(), reply.error);
                             return;
                         }
                         // No version file: a folder that is not there, an empty one, or one with other
                         // files.
                         m_publisher->propfind(folder, [folder, done](const WebDavClient::Reply& listing) {
                             if (listing.status == 404)
                                 done(FolderState::Missing, QVariantMap(), QString());
                             else if (!listing.ok)
                                 done(FolderState::Unreachable, QVariantMap(), listing.error);
                             else if (WebDavClient::hrefsOfMultistatus(listing.body).size() > 1)
                                 done(FolderState::Foreign, QVariantMap(), QString());
                             else
                                 done(FolderState::Empty, QVariantMap(), QString());
                         });
                     });
}

bool PlatefeedManager::isOwnFeed(const QVariantMap& version, const QString& key) {
    if (version.contains(kKey))
        return isValidKey(key) && version.value(kKey).toString() == key;
    // Earlier releases withdrew a platefeed with the mark alone.
    return version.size() == 1 && version.contains(kDeactivated);
}

QUrl PlatefeedManager::publishedFolderUrl(const QString& folder) const {
    return WebDavClient::collectionUrl(WebDavClient::childUrl(
        WebDavClient::childUrl(m_account.webdavAddress, QStringLiteral("Sites")), folder));
}

QUrl PlatefeedManager::publicFolderUrl(const QString& folder) const {
    return WebDavClient::childUrl(WebDavClient::childUrl(m_account.publicAddress, QStringLiteral("Sites")),
                                  folder);
}

QString PlatefeedManager::subscriptionLink(const QString& folder) const {
    const QUrl address = publicFolderUrl(folder);
    const QString scheme = address.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
                               ? secureLinkScheme()
                               : linkScheme();
    return scheme + QStringLiteral("://") + address.toString(QUrl::RemoveScheme | QUrl::FullyEncoded).mid(2);
}

QString PlatefeedManager::folderNameFromTitle(const QString& title) {
    QString folder = title;
    for (const QChar c : {QLatin1Char(' '), QLatin1Char('!'), QLatin1Char('.'), QLatin1Char('\'')})
        folder.remove(c);
    return folder;
}

QString PlatefeedManager::htmlStringForPlatefeedPageForObject(GroupsManagedObject* group) const {
    QFile file(resourcesPath() + QStringLiteral("/Themes/!StaticPages/Platefeed.html"));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("PlatefeedManager: the platefeed page template cannot be read");
        return QString();
    }
    QString page = QString::fromUtf8(file.readAll());
    const QString folder = group->stringValue(kAddress);
    page.replace(QStringLiteral("<!--title-->"), group->stringValue(kFeedName).toHtmlEscaped());
    page.replace(QStringLiteral("<!--URL-->"), subscriptionLink(folder).toHtmlEscaped());
    page.replace(QStringLiteral("<!--platefeedAddress-->"),
                 publicFolderUrl(folder).toString().toHtmlEscaped());
    return page;
}

QVariantMap PlatefeedManager::feedDictionaryForRecipe(ManagedObject* recipe, const QString& key) const {
    QVariantMap dict{{QStringLiteral("modelVersion"), kFeedModelVersion}};
    for (const QString& textKey : kFeedTextKeys) {
        const QVariant value = recipe->valueForKey(textKey);
        dict.insert(textKey, value.isNull() ? QString() : value.toString());
    }
    for (const QString& integerKey : kFeedIntegerKeys)
        dict.insert(integerKey, recipe->valueForKey(integerKey).toLongLong());
    dict.insert(kKey, key);
    dict.insert(kPublishedID, recipe->stringValue(kUniqueID));
    auto* record = dynamic_cast<RecipesManagedObject*>(recipe);
    if (!record)
        return dict;
    // Pictures go in while the file stays within what subscribers read.
    qint64 bytes = xmlPropertyListData(dict).size();
    for (int n = 1; n <= kImageCount; ++n) {
        QFile file(record->imagePathAtIndex(n));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        const qint64 encoded = (data.size() + 2) / 3 * 4 + data.size() / 54 + 64;
        if (bytes + encoded > recipeMaxBytes) {
            qWarning("PlatefeedManager: picture %d of %s was left out of the platefeed: too large", n,
                     qPrintable(recipe->stringValue(kUniqueID)));
            continue;
        }
        bytes += encoded;
        dict.insert(QStringLiteral("image%1").arg(n), data);
    }
    return dict;
}

// --- Publishing ------------------------------------------------------------------------------

QList<GroupsManagedObject*> PlatefeedManager::publishedGroups() const {
    return groupsWithFlag(m_session.context(), "isPublishedPlatefeed");
}

QList<GroupsManagedObject*> PlatefeedManager::subscribedGroups() const {
    return groupsWithFlag(m_session.context(), "isSubscribedPlatefeed");
}

GroupsManagedObject* PlatefeedManager::publishedGroupUsingFolder(const QString& folder,
                                                                 const GroupsManagedObject* except) const {
    for (GroupsManagedObject* group : publishedGroups())
        if (group != except && group->stringValue(kAddress).compare(folder, Qt::CaseInsensitive) == 0)
            return group;
    return nullptr;
}

void PlatefeedManager::failPublishing(GroupsManagedObject* group, const QString& error,
                                      const std::function<void(bool)>& done) {
    PlatefeedReport report;
    report.group = group->stringValue(kName);
    report.error = error;
    m_reports.append(report);
    done(false);
}

void PlatefeedManager::createNewPublishedPlatefeedWithName(const QString& folder, GroupsManagedObject* group,
                                                           std::function<void(bool ok)> done) {
    m_reports.clear();
    if (!group || folder.isEmpty() || folder.contains(QLatin1Char('/')) ||
        folder.contains(QLatin1Char('\\')) || folder == QLatin1String("..") || !m_account.isComplete()) {
        done(false);
        return;
    }
    // A new key would leave the subscribers of the published one with a dead platefeed.
    if (group->boolValue(QStringLiteral("isPublishedPlatefeed"))) {
        failPublishing(group, tr("“%1” is already published.").arg(group->stringValue(kName)), done);
        return;
    }
    if (GroupsManagedObject* other = publishedGroupUsingFolder(folder, group)) {
        failPublishing(
            group,
            tr("The folder %1 is already the platefeed of “%2”.").arg(folder, other->stringValue(kName)),
            done);
        return;
    }
    const QUrl url = publishedFolderUrl(folder);
    const QString ownKey = group->stringValue(kKey);
    readFolder(url, [this, url, folder, group, ownKey, done](FolderState state, const QVariantMap& version,
                                                             const QString& error) {
        if (group->isDeleted()) {
            done(false);
            return;
        }
        switch (state) {
        case FolderState::Missing:
        case FolderState::Empty:
            writeNewPublishedPlatefeed(url, folder, group, done);
            return;
        case FolderState::Feed:
            if (isOwnFeed(version, ownKey)) {
                writeNewPublishedPlatefeed(url, folder, group, done);
                return;
            }
            failPublishing(group, tr("The folder %1 holds another platefeed.").arg(url.toDisplayString()),
                           done);
            return;
        case FolderState::Foreign:
            failPublishing(group,
                           tr("The folder %1 already holds other files; choose another title.")
                               .arg(url.toDisplayString()),
                           done);
            return;
        case FolderState::Unreachable:
            failPublishing(group, error, done);
            return;
        }
    });
}

// The folder is the group's to write: it is made anew (empty), then the version file goes
// first, as it marks the folder as this platefeed's, and the page follows. The group is
// published only once both are written; its key stays either way, so publishing again
// finds the folder its own.
void PlatefeedManager::writeNewPublishedPlatefeed(const QUrl& url, const QString& folder,
                                                  GroupsManagedObject* group,
                                                  std::function<void(bool ok)> done) {
    ensureFolder(url, true, [this, url, folder, group, done](bool ok) {
        if (group->isDeleted()) {
            done(false);
            return;
        }
        if (!ok) {
            failPublishing(group, tr("The folder %1 could not be made.").arg(url.toDisplayString()), done);
            return;
        }
        const QString key = QString::number(QRandomGenerator::global()->bounded(1, 9999999));
        group->setValueForKey(key, kKey);
        group->setValueForKey(folder, kAddress);
        if (group->stringValue(kFeedName).isEmpty())
            group->setValueForKey(group->stringValue(kName), kFeedName);
        m_session.save();
        putPropertyList(WebDavClient::childUrl(url, kVersionFile),
                        QVariantMap{{kName, group->stringValue(kFeedName)}, {kKey, key}},
                        [this, url, group, done](bool written, const QString& error) {
                            if (!written || group->isDeleted()) {
                                failPublishing(group, error, done);
                                return;
                            }
                            m_publisher->put(WebDavClient::childUrl(url, QStringLiteral("index.html")),
                                             htmlStringForPlatefeedPageForObject(group).toUtf8(),
                                             "text/html; charset=utf-8",
                                             [this, group, done](const WebDavClient::Reply& reply) {
                                                 if (!reply.ok || group->isDeleted()) {
                                                     failPublishing(group, reply.error, done);
                                                     return;
                                                 }
                                                 group->setValueForKey(
                                                     true, QStringLiteral("isPublishedPlatefeed"));
                                                 m_session.save();
                                                 setConnected(true);
                                                 done(true);
                                                 checkPublishedPlatefeeds();
                                             });
                        });
    });
}

void PlatefeedManager::retryLater(bool published) {
    int& id = published ? m_publishRetry : m_subscribeRetry;
    if (id && Scheduler::instance().isScheduled(id))
        return;
    id = Scheduler::instance().schedule(
        5.0,
        [this, published] {
            (published ? m_publishRetry : m_subscribeRetry) = 0;
            bool& flag = published ? m_needToPublishAgain : m_needToCheckSubscribedAgain;
            if (!flag)
                return;
            if (m_exporting || m_importing) {
                retryLater(published);
                return;
            }
            flag = false;
            if (published)
                checkPublishedPlatefeeds();
            else
                checkSubscribedPlatefeeds();
        },
        this);
}

void PlatefeedManager::checkPublishedPlatefeeds() {
    if (m_exporting || m_importing) {
        m_needToPublishAgain = true;
        retryLater(true);
        return;
    }
    m_reports.clear();
    setStatus(QString()); // a failure of the last check is told until this one
    const QList<GroupsManagedObject*> groups = publishedGroups();
    if (groups.isEmpty() || !m_account.isComplete()) {
        emit publishedCheckFinished();
        return;
    }
    m_exporting = true;
    connectToMobileMeIfNotConnected([this, groups](bool connected) {
        if (!connected) {
            PlatefeedReport report;
            report.address = m_account.webdavAddress.toDisplayString();
            report.error = tr("The WebDAV space %1 cannot be reached.").arg(report.address);
            m_reports.append(report);
            m_exporting = false;
            emit publishedCheckFinished();
            return;
        }
        publishNext(groups);
    });
}

void PlatefeedManager::publishNext(QList<GroupsManagedObject*> groups) {
    if (groups.isEmpty()) {
        m_exporting = false;
        // An index that could not be written stays in the status line until the next check:
        // cleared at once, the failure would never be seen.
        if (m_status != tr("ERROR, unable to update platefeed."))
            setStatus(QString());
        emit publishedCheckFinished();
        return;
    }
    GroupsManagedObject* group = groups.takeFirst();
    if (group->isDeleted() || !group->boolValue(QStringLiteral("isPublishedPlatefeed"))) {
        publishNext(groups);
        return;
    }
    analizePublishedPlatefeed(group, [this, groups] { publishNext(groups); });
}

void PlatefeedManager::analizePublishedPlatefeed(GroupsManagedObject* group, std::function<void()> next) {
    auto job = std::make_shared<PublishJob>();
    job->group = group;
    job->key = group->stringValue(kKey);
    job->next = std::move(next);
    job->folder = publishedFolderUrl(group->stringValue(kAddress));
    job->report.group = group->stringValue(kName);
    job->report.address = publicFolderUrl(group->stringValue(kAddress)).toString();
    const auto analyse = [this, job](const QVariantMap& remote) {
        if (job->group->isDeleted()) {
            job->next();
            return;
        }
        const QList<ManagedObject*> recipes = m_session.context()->executeFetchRequest(
            FetchRequest(QStringLiteral("Recipes"), job->group->predicate()));
        for (ManagedObject* recipe : recipes) {
            const QString id = recipe->stringValue(kUniqueID);
            if (!RecipesManagedObject::isSafeFileNamePart(id))
                continue;
            const QVariant date = recipe->valueForKey(kDateUpdated);
            job->versionMap.insert(id, date.isNull() ? QVariant(QDateTime::fromSecsSinceEpoch(0, Qt::UTC))
                                                     : date);
            if (dateText(job->versionMap.value(id)) != dateText(remote.value(id)))
                job->changed.append(recipe);
        }
        if (job->changed.isEmpty() && remote.size() <= job->versionMap.size() + 2) {
            m_reports.append(job->report);
            job->next();
            return;
        }
        setStatus(tr("Updating %1").arg(job->group->stringValue(kName)));
        exportRecipes(job, 0);
    };
    readFolder(job->folder, [this, job, analyse](FolderState state, const QVariantMap& version,
                                                 const QString& error) {
        const auto fail = [this, job](const QString& why) {
            job->report.error = why;
            m_reports.append(job->report);
            job->next();
        };
        switch (state) {
        case FolderState::Feed:
            if (isOwnFeed(version, job->key))
                analyse(version);
            else
                fail(tr("The folder %1 holds another platefeed; it is left alone.")
                         .arg(job->folder.toDisplayString()));
            return;
        case FolderState::Missing:
        case FolderState::Empty:
            ensureFolder(job->folder, false, [this, job, analyse, fail](bool made) {
                if (made)
                    analyse(QVariantMap());
                else
                    fail(tr("The folder %1 could not be made.").arg(job->folder.toDisplayString()));
            });
            return;
        case FolderState::Foreign:
            fail(tr("The folder %1 holds files that are not this platefeed's; it is left alone.")
                     .arg(job->folder.toDisplayString()));
            return;
        case FolderState::Unreachable:
            fail(error);
            return;
        }
    });
}

// A few files are written at once: each request waits mostly on the server, and the
// recipes' files are independent of each other ("version.plist" follows them all).
void PlatefeedManager::exportRecipes(std::shared_ptr<PublishJob> job, int) {
    constexpr int kWritesAtOnce = 4;
    while (job->inFlight < kWritesAtOnce && job->nextIndex < job->changed.size() &&
           !job->group->isDeleted()) {
        ManagedObject* recipe = job->changed.at(job->nextIndex++);
        if (recipe->isDeleted())
            continue;
        setStatus(tr("Publishing %1").arg(recipe->stringValue(kName)));
        const QString id = recipe->stringValue(kUniqueID);
        ++job->inFlight;
        putPropertyList(WebDavClient::childUrl(job->folder, id + QStringLiteral(".plist")),
                        feedDictionaryForRecipe(recipe, job->key),
                        [this, job, id](bool ok, const QString& error) {
                            --job->inFlight;
                            if (ok) {
                                job->report.written.append(id);
                            } else {
                                job->allWritten = false;
                                job->report.error = error;
                            }
                            exportRecipes(job, 0);
                        });
    }
    if (job->inFlight == 0 && !job->finished &&
        (job->nextIndex >= job->changed.size() || job->group->isDeleted())) {
        job->finished = true;
        finishExport(job);
    }
}

void PlatefeedManager::finishExport(std::shared_ptr<PublishJob> job) {
    if (!job->allWritten || job->group->isDeleted()) {
        m_reports.append(job->report);
        job->next();
        return;
    }
    job->versionMap.insert(kName, groupTitle(job->group));
    job->versionMap.insert(kKey, job->key);
    const QUrl version = WebDavClient::childUrl(job->folder, kVersionFile);
    // The index goes last: subscribers read it, and every file it names is written by now.
    m_publisher->remove(version, [this, job, version](const WebDavClient::Reply&) {
        putPropertyList(version, job->versionMap, [this, job](bool ok, const QString& error) {
            if (!ok) {
                setStatus(tr("ERROR, unable to update platefeed."));
                job->report.error = error;
                m_reports.append(job->report);
                job->next();
                return;
            }
            m_publisher->put(WebDavClient::childUrl(job->folder, QStringLiteral("index.html")),
                             htmlStringForPlatefeedPageForObject(job->group).toUtf8(),
                             "text/html; charset=utf-8", [this, job](const WebDavClient::Reply&) {
                                 m_reports.append(job->report);
                                 job->next();
                             });
        });
    });
}

void PlatefeedManager::justUpdateTitleForPublishedPlatefeed(GroupsManagedObject* group,
                                                            std::function<void(bool ok)> done) {
    const QUrl folder = publishedFolderUrl(group->stringValue(kAddress));
    const QUrl version = WebDavClient::childUrl(folder, kVersionFile);
    fetchPropertyList(
        m_publisher, version, versionMaxBytes,
        [this, group, folder, version, done](bool ok, const QVariant& value, const QString& error) {
            if (!ok || value.typeId() != QMetaType::QVariantMap || group->isDeleted()) {
                qWarning("PlatefeedManager: %s", qPrintable(error));
                if (done)
                    done(false);
                return;
            }
            QVariantMap map = value.toMap();
            map.insert(kName, groupTitle(group));
            putPropertyList(version, map, [this, group, folder, done](bool written, const QString&) {
                m_publisher->put(WebDavClient::childUrl(folder, QStringLiteral("index.html")),
                                 htmlStringForPlatefeedPageForObject(group).toUtf8(),
                                 "text/html; charset=utf-8",
                                 [written, done](const WebDavClient::Reply& reply) {
                                     if (done)
                                         done(written && reply.ok);
                                 });
            });
        });
}

void PlatefeedManager::stopPublishingPlatefeed(GroupsManagedObject* group,
                                               std::function<void(bool ok)> done) {
    const QUrl folder = publishedFolderUrl(group->stringValue(kAddress));
    // The mark keeps the key: the folder stays this group's if it is published again.
    QVariantMap mark{{kDeactivated, QStringLiteral("YES")}};
    if (isValidKey(group->stringValue(kKey)))
        mark.insert(kKey, group->stringValue(kKey));
    putPropertyList(WebDavClient::childUrl(folder, kVersionFile), mark,
                    [done](bool ok, const QString& error) {
                        if (!ok)
                            qWarning("PlatefeedManager: %s", qPrintable(error));
                        if (done)
                            done(ok);
                    });
}

// The subscribing half of PlatefeedManager: subscriptions, their checks, own copies and
// the sidebar's platefeed section.
#include "share/PlatefeedKeys.h"
#include "share/PlatefeedManager.h"

#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "platform/WebDavClient.h"
#include "share/VersionTwoImporterExporter.h"

#include <QDir>
#include <QFile>

#include <utility>

using namespace platefeedkeys;

namespace {

const QString kSubscribed = QStringLiteral("isSubscribedPlatefeed");
const QString kHeader = QStringLiteral("isPlatefeedHeader");
const QString kParent = QStringLiteral("parent");

// Copied from a platefeed's recipe file onto the record.
const QStringList kImportedKeys = {QStringLiteral("attribution"),
                                   QStringLiteral("cookingTime"),
                                   QStringLiteral("cuisine"),
                                   QStringLiteral("difficulty"),
                                   QStringLiteral("directions"),
                                   QStringLiteral("importedFromURL"),
                                   QStringLiteral("ingredientsArray"),
                                   QStringLiteral("inactivePrepTime"),
                                   QStringLiteral("keywords"),
                                   QStringLiteral("notes"),
                                   QStringLiteral("prepTime"),
                                   QStringLiteral("rating"),
                                   QStringLiteral("recipeDescription"),
                                   kName,
                                   QStringLiteral("yield"),
                                   QStringLiteral("videoURL")};

QString dateText(const QVariant& value) {
    if (value.typeId() != QMetaType::QDateTime)
        return QString();
    return value.toDateTime().toUTC().toString(Qt::ISODate);
}

QStringList readList(const QString& path) {
    if (!QFile::exists(path))
        return {};
    const PropertyListResult result = readPropertyListFile(path);
    QStringList ids;
    if (result.ok() && result.value.typeId() == QMetaType::QVariantList)
        for (const QVariant& id : result.value.toList())
            if (id.typeId() == QMetaType::QString)
                ids.append(id.toString());
    return ids;
}

// A dictionary kept in the "Platefeeds" folder (the remote index a check saw last); empty
// when there is none or it cannot be read.
QVariantMap readMap(const QString& path) {
    if (!QFile::exists(path))
        return {};
    const PropertyListResult result = readPropertyListFile(path);
    return result.ok() && result.value.typeId() == QMetaType::QVariantMap ? result.value.toMap()
                                                                          : QVariantMap();
}

QList<GroupsManagedObject*> groupsWithFlagInContext(ObjectContext* context, const QString& flag) {
    QList<GroupsManagedObject*> groups;
    for (ManagedObject* object : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        if (auto* group = dynamic_cast<GroupsManagedObject*>(object))
            if (!group->isDeleted() && group->boolValue(flag))
                groups.append(group);
    return groups;
}

QString trimmedAddress(QString address) {
    address = address.trimmed();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

} // namespace

// --- Bookkeeping --------------------------------------------------------------------------------

bool PlatefeedManager::isValidKey(const QString& key) {
    if (key.isEmpty() || key.size() > 7)
        return false;
    for (const QChar c : key)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString PlatefeedManager::bookkeepingPath(const QString& key, const QString& suffix) const {
    if (!isValidKey(key))
        return QString();
    return m_session.libraryPath() + QStringLiteral("/Platefeeds/") + key + suffix + QStringLiteral(".plist");
}

QStringList PlatefeedManager::removedIDs(const QString& key) const {
    const QString path = bookkeepingPath(key, QStringLiteral("-removed"));
    return path.isEmpty() ? QStringList() : readList(path);
}

QStringList PlatefeedManager::linkedIDs(const QString& key) const {
    const QString path = bookkeepingPath(key, QStringLiteral("-linked"));
    return path.isEmpty() ? QStringList() : readList(path);
}

void PlatefeedManager::addToList(const QString& key, const QString& suffix, const QStringList& ids) {
    const QString path = bookkeepingPath(key, suffix);
    if (path.isEmpty() || ids.isEmpty())
        return;
    QStringList list = readList(path);
    for (const QString& id : ids)
        if (!id.isEmpty() && !list.contains(id))
            list.append(id);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (!writePropertyListFile(list, path, &error))
        qWarning("PlatefeedManager: %s", qPrintable(error));
}

QList<ManagedObject*> PlatefeedManager::subscribedRecipes(const QString& key) const {
    QList<ManagedObject*> recipes;
    if (!isValidKey(key) || !m_session.context())
        return recipes;
    // Exactly this key: a subscription never touches another one's recipes, nor the
    // user's own.
    const PredicatePtr filter =
        Predicate::parse(QStringLiteral("platefeedPredicateKey == %@"), {QVariant(key)}).predicate;
    for (ManagedObject* recipe :
         m_session.context()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter)))
        if (!recipe->isDeleted() && recipe->stringValue(kKey) == key)
            recipes.append(recipe);
    return recipes;
}

void PlatefeedManager::deleteRecipesWithoutAsking(const QList<ManagedObject*>& recipes) {
    if (recipes.isEmpty())
        return;
    m_session.markRecipesForDelete(recipes);
    for (ManagedObject* recipe : recipes)
        if (!recipe->isDeleted())
            m_session.context()->deleteObject(recipe);
    m_session.recipesArrayController().rearrangeObjects();
}

// --- Subscribing ----------------------------------------------------------------------------------

QString PlatefeedManager::addressFromLink(const QString& link) {
    const QStringList parts = link.trimmed().split(QStringLiteral("://"));
    if (parts.size() != 2 || parts.at(1).isEmpty())
        return QString();
    const QString scheme = parts.at(0).toLower();
    if (scheme == linkScheme())
        return QStringLiteral("http://") + parts.at(1);
    if (scheme == secureLinkScheme())
        return QStringLiteral("https://") + parts.at(1);
    return QString();
}

bool PlatefeedManager::performWithURL(const QString& link) {
    const QString address = addressFromLink(link);
    if (address.isEmpty())
        return false;
    Scheduler::instance().schedule(
        0.5,
        [this, address] {
            createNewSubcribedPlatefeedWithAddress(address, [this](bool ok) {
                if (ok)
                    return;
                AlertRequest request;
                request.messageText = tr("Unable to find Platefeed at that address.");
                request.informativeText = tr("Check to make sure you typed the address correctly.");
                request.buttonTitles = {tr("OK")};
                m_session.alerts().runModal(request);
            });
        },
        this);
    return true;
}

void PlatefeedManager::publishedNameForSubscribedPlatefeed(
    GroupsManagedObject* group, std::function<void(bool found, const QString& name)> done) {
    // The name the last check kept with the publisher's index.
    const QString kept =
        readMap(bookkeepingPath(group->stringValue(kKey), QString())).value(kName).toString();
    const QUrl version(trimmedAddress(group->stringValue(kAddress)) + QStringLiteral("/version.plist"));
    if (!WebDavClient::isWebAddress(version)) {
        done(!kept.isEmpty(), kept);
        return;
    }
    fetchPropertyList(m_subscriber, version, versionMaxBytes,
                      [kept, done](bool ok, const QVariant& value, const QString& error) {
                          const QString name = ok ? value.toMap().value(kName).toString() : QString();
                          if (!ok)
                              qWarning("PlatefeedManager: %s", qPrintable(error));
                          if (!name.isEmpty())
                              done(true, name);
                          else
                              done(!kept.isEmpty(), kept);
                      });
}

void PlatefeedManager::createNewSubcribedPlatefeedWithAddress(const QString& typed,
                                                              std::function<void(bool ok)> done) {
    m_reports.clear();
    const QString address = trimmedAddress(typed);
    if (!WebDavClient::isWebAddress(QUrl(address))) {
        PlatefeedReport report;
        report.address = address;
        report.error = tr("Only http and https addresses can be used: %1").arg(address);
        m_reports.append(report);
        done(false);
        return;
    }
    for (GroupsManagedObject* group : subscribedGroups())
        if (trimmedAddress(group->stringValue(kAddress)) == address) {
            AlertRequest request;
            request.messageText = tr("You are already subscribed to this Platefeed.");
            request.buttonTitles = {tr("OK")};
            m_session.alerts().runModal(request);
            done(true);
            return;
        }
    const QUrl version(address + QStringLiteral("/version.plist"));
    fetchPropertyList(m_subscriber, version, versionMaxBytes,
                      [this, address, done](bool ok, const QVariant& value, const QString& error) {
                          m_session.whenIdle(this, [this, address, done, ok, value, error] {
                              if (!ok || value.typeId() != QMetaType::QVariantMap) {
                                  PlatefeedReport report;
                                  report.address = address;
                                  report.error = ok ? tr("%1 holds no platefeed.").arg(address) : error;
                                  m_reports.append(report);
                                  done(false);
                                  return;
                              }
                              // A link and the page may have asked for the same platefeed at once.
                              for (GroupsManagedObject* existing : subscribedGroups())
                                  if (trimmedAddress(existing->stringValue(kAddress)) == address) {
                                      done(true);
                                      return;
                                  }
                              const QVariantMap remote = value.toMap();
                              auto* group = dynamic_cast<GroupsManagedObject*>(
                                  m_session.context()->insertNewObject(QStringLiteral("Groups")));
                              if (!group) {
                                  done(false);
                                  return;
                              }
                              group->setValueForKey(remote.value(kName).toString(), kName);
                              group->setValueForKey(true, kSubscribed);
                              group->setValueForKey(address, kAddress);
                              // The key at once, so the new group never shows another feed's recipes.
                              const QString key = remote.value(kKey).toString();
                              if (isValidKey(key))
                                  group->setValueForKey(key, kKey);
                              collectOrSeperatePlatefeedGroups();
                              m_session.save();
                              emit sidebarChanged();
                              emit subscriptionAdded(group);
                              done(true);
                              checkSubscribedPlatefeeds();
                          });
                      });
}

void PlatefeedManager::checkSubscribedPlatefeeds() {
    if (m_importing || m_exporting) {
        m_needToCheckSubscribedAgain = true;
        retryLater(false);
        return;
    }
    m_reports.clear();
    m_updateChoice = 0;
    m_importing = true;
    checkSubscribedNext(subscribedGroups());
}

void PlatefeedManager::checkSubscribedNext(QList<GroupsManagedObject*> groups) {
    if (groups.isEmpty()) {
        m_importing = false;
        const QList<std::function<void()>> deferred = std::exchange(m_afterImport, {});
        for (const std::function<void()>& action : deferred)
            action();
        m_session.counterUpdater().queUpdateCounterValues();
        emit sidebarChanged();
        emit subscribedCheckFinished();
        return;
    }
    GroupsManagedObject* group = groups.takeFirst();
    if (group->isDeleted()) {
        checkSubscribedNext(groups);
        return;
    }
    analizeSubscribedPlatefeed(group, [this, groups] { checkSubscribedNext(groups); });
}

void PlatefeedManager::analizeSubscribedPlatefeed(GroupsManagedObject* group, std::function<void()> next) {
    auto job = std::make_shared<ImportJob>();
    job->group = group;
    job->address = trimmedAddress(group->stringValue(kAddress));
    job->next = std::move(next);
    job->report.group = group->stringValue(kName);
    job->report.address = job->address;
    const QUrl version(job->address + QStringLiteral("/version.plist"));
    fetchPropertyList(
        m_subscriber, version, versionMaxBytes,
        [this, job](bool ok, const QVariant& value, const QString& error) {
            // The records change only between long operations of the library.
            m_session.whenIdle(this, [this, job, ok, value, error] {
                if (job->group->isDeleted()) {
                    job->next();
                    return;
                }
                if (!ok || value.typeId() != QMetaType::QVariantMap) {
                    job->report.error = ok ? tr("%1 holds no platefeed.").arg(job->address) : error;
                    m_reports.append(job->report);
                    job->next();
                    return;
                }
                job->remote = value.toMap();
                if (job->remote.contains(kDeactivated)) {
                    job->report.deactivated = true;
                    m_reports.append(job->report);
                    AlertRequest request;
                    request.messageText = tr("The platefeed “%1” is no longer being published.")
                                              .arg(job->group->stringValue(kName));
                    request.informativeText =
                        tr("You should move recipes from this platefeed into your own library and "
                           "delete the platefeed.");
                    request.buttonTitles = {tr("OK")};
                    m_session.alerts().runModal(request);
                    job->next();
                    return;
                }
                job->key = job->remote.value(kKey).toString();
                if (!isValidKey(job->key)) {
                    job->report.error = tr("%1 holds no valid platefeed key.").arg(job->address);
                    m_reports.append(job->report);
                    job->next();
                    return;
                }
                // A key is one subscription's: records of another are never taken over.
                for (GroupsManagedObject* other : subscribedGroups())
                    if (other != job->group && other->stringValue(kKey) == job->key) {
                        job->report.error =
                            tr("%1 uses the key of another subscribed platefeed.").arg(job->address);
                        m_reports.append(job->report);
                        job->next();
                        return;
                    }
                // Published again under a new key: the old key's recipes would stay hidden.
                const QString storedKey = job->group->stringValue(kKey);
                if (isValidKey(storedKey) && storedKey != job->key) {
                    moveSubscriptionToKey(storedKey, job->key);
                    job->group->setValueForKey(job->key, kKey);
                    m_session.save();
                }
                const QString remoteName = job->remote.value(kName).toString();
                if (job->group->stringValue(kFeedName).isEmpty())
                    job->group->setValueForKey(remoteName, kName);

                const QVariantMap local = readMap(bookkeepingPath(job->key, QString()));
                const QStringList removed = removedIDs(job->key);
                for (auto it = job->remote.cbegin(); it != job->remote.cend(); ++it) {
                    if (it.value().typeId() != QMetaType::QDateTime || removed.contains(it.key()))
                        continue;
                    if (!RecipesManagedObject::isSafeFileNamePart(it.key()))
                        continue;
                    if (dateText(it.value()) != dateText(local.value(it.key())))
                        job->changed.append(it.key());
                }
                // Recipes the publisher no longer lists leave the library at once; changed ones are
                // replaced when their new version has arrived.
                QList<ManagedObject*> gone;
                for (ManagedObject* recipe : subscribedRecipes(job->key)) {
                    const QVariant listed = job->remote.value(recipe->stringValue(kPublishedID));
                    if (listed.typeId() != QMetaType::QDateTime)
                        gone.append(recipe);
                }
                job->report.removed = int(gone.size());
                deleteRecipesWithoutAsking(gone);
                if (job->changed.isEmpty()) {
                    if (!job->group->stringValue(kKey).isEmpty() || !gone.isEmpty()) {
                        job->group->setValueForKey(job->key, kKey);
                        m_session.save();
                    }
                    m_reports.append(job->report);
                    job->next();
                    return;
                }
                job->group->setValueForKey(tr("Updating..."), kName);
                emit sidebarChanged();
                importRecipes(job, 0);
            });
        });
}

void PlatefeedManager::importRecipes(std::shared_ptr<ImportJob> job, int index) {
    if (job->group->isDeleted()) {
        finishImport(job, false);
        return;
    }
    if (index >= job->changed.size()) {
        finishImport(job, true);
        return;
    }
    const QString id = job->changed.at(index);
    // Removed by the user while this import ran.
    if (removedIDs(job->key).contains(id)) {
        importRecipes(job, index + 1);
        return;
    }
    const QUrl url(job->address + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(id)) +
                   QStringLiteral(".plist"));
    fetchPropertyList(m_subscriber, url, recipeMaxBytes,
                      [this, job, index, id, url](bool ok, const QVariant& value, const QString& error) {
                          m_session.whenIdle(this, [this, job, index, id, url, ok, value, error] {
                              if (!ok) {
                                  qWarning("PlatefeedManager: %s", qPrintable(error));
                                  job->failed.append(id);
                                  job->report.error = error;
                                  importRecipes(job, index + 1);
                                  return;
                              }
                              const QVariantMap dict = value.toMap();
                              const QVariant version = dict.value(QStringLiteral("modelVersion"));
                              if (value.typeId() != QMetaType::QVariantMap || !version.isValid()) {
                                  importRecipes(job, index + 1);
                                  return;
                              }
                              if (version.toString() != kFeedModelVersion) {
                                  job->report.error = tr("%1 was written by another version (%2).")
                                                          .arg(url.toDisplayString(), version.toString());
                                  finishImport(job, false);
                                  return;
                              }
                              if (job->group->isDeleted()) {
                                  finishImport(job, false);
                                  return;
                              }
                              if (importRecipeFromDictionary(dict, id, *job))
                                  ++job->report.imported;
                              importRecipes(job, index + 1);
                          });
                      });
}

void PlatefeedManager::finishImport(std::shared_ptr<ImportJob> job, bool saveMap) {
    if (!job->group->isDeleted()) {
        const QString remoteName = job->remote.value(kName).toString();
        const QString title = job->group->stringValue(kFeedName);
        job->group->setValueForKey(title.isEmpty() ? remoteName : title, kName);
        if (saveMap) {
            // Recipes that could not be fetched keep their old date (or none), so the next
            // check tries them again.
            QVariantMap map = job->remote;
            const QString localPath = bookkeepingPath(job->key, QString());
            const QVariantMap old = readMap(localPath);
            for (const QString& id : job->failed) {
                if (old.contains(id))
                    map.insert(id, old.value(id));
                else
                    map.remove(id);
            }
            QDir().mkpath(QFileInfo(localPath).absolutePath());
            QString error;
            if (!writePropertyListFile(map, localPath, &error))
                qWarning("PlatefeedManager: %s", qPrintable(error));
            job->group->setValueForKey(job->key, kKey);
        }
        m_session.save();
    }
    m_reports.append(job->report);
    Scheduler::instance().schedule(
        1.0,
        [this] {
            setStatus(QString());
            emit sidebarChanged();
        },
        this);
    job->next();
}

void PlatefeedManager::fillRecipe(ManagedObject* recipe, const QVariantMap& dict, const QString& id,
                                  const QString& key, bool replacePictures) {
    for (const QString& field : kImportedKeys) {
        const QVariant value = dict.value(field);
        if (!value.isValid())
            continue;
        if (VersionTwoImporterExporter::valueFitsRecipeKey(recipe, field, value))
            recipe->setValueForKey(value, field);
        else
            qWarning("PlatefeedManager: %s of the wrong kind was skipped", qPrintable(field));
    }
    recipe->setValueForKey(true, QStringLiteral("isMarkedAsNew"));
    recipe->setValueForKey(id, kPublishedID);
    if (!key.isEmpty())
        recipe->setValueForKey(key, kKey);
    auto* record = dynamic_cast<RecipesManagedObject*>(recipe);
    if (!record)
        return;
    for (int n = 1; n <= kImageCount; ++n) {
        const QVariant value = dict.value(QStringLiteral("image%1").arg(n));
        const QByteArray data = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
        if (!VersionTwoImporterExporter::isShowablePicture(data)) {
            if (value.isValid())
                qWarning("PlatefeedManager: image%d is not a picture and was skipped", n);
            if (replacePictures)
                record->deleteImageAtIndex(n);
            continue;
        }
        QString error;
        if (!record->saveImage(data, n, &error))
            qWarning("PlatefeedManager: %s", qPrintable(error));
    }
}

bool PlatefeedManager::importRecipeFromDictionary(const QVariantMap& dict, const QString& id,
                                                  ImportJob& job) {
    ObjectContext* context = m_session.context();
    ManagedObject* copy = nullptr;
    if (linkedIDs(job.key).contains(id)) {
        const PredicatePtr filter =
            Predicate::parse(QStringLiteral("linkedPlatefeedID == %@"), {QVariant(id)}).predicate;
        for (ManagedObject* recipe :
             context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter)))
            if (!recipe->isDeleted() && recipe->stringValue(kLinkedID) == id) {
                copy = recipe;
                break;
            }
    }
    if (copy) {
        int choice = m_updateChoice;
        if (choice == 0) {
            AlertRequest request;
            request.messageText =
                tr("The recipe “%1” has been updated. Would you like to update your copy of "
                   "this recipe?")
                    .arg(copy->stringValue(kName));
            request.buttonTitles = {tr("Yes"), tr("Never Update"), tr("No")};
            request.checkBoxTitle = tr("Apply Selection to Remaining Updates");
            const AlertResponse response = m_session.alerts().runModal(request);
            choice = response.button == 0 ? 1 : response.button == 1 ? 3 : 2;
            if (response.checkBoxState)
                m_updateChoice = choice;
        }
        if (choice == 1) {
            setStatus(tr("Updating %1...").arg(dict.value(kName).toString()));
            fillRecipe(copy, dict, id, QString(), true);
            return true;
        }
        if (choice == 3) {
            copy->setValueForKey(QString(), kLinkedID);
            addToList(job.key, QStringLiteral("-removed"), {id});
        }
        return false;
    }
    setStatus(tr("Updating %1...").arg(dict.value(kName).toString()));
    // The earlier version of this recipe leaves once the new one is here.
    QList<ManagedObject*> earlier;
    for (ManagedObject* recipe : subscribedRecipes(job.key))
        if (recipe->stringValue(kPublishedID) == id)
            earlier.append(recipe);
    deleteRecipesWithoutAsking(earlier);
    ManagedObject* recipe = context->insertNewObject(QStringLiteral("Recipes"));
    fillRecipe(recipe, dict, id, job.key, false);
    return true;
}

ManagedObject* PlatefeedManager::recipeByCopyingAndLinkingRecipe(ManagedObject* recipe) {
    const QString key = recipe ? recipe->stringValue(kKey) : QString();
    if (!recipe || recipe->isDeleted() || key.isEmpty())
        return nullptr;
    ObjectContext* context = m_session.context();
    ManagedObject* copy = context->insertNewObject(QStringLiteral("Recipes"));
    for (const AttributeDescription& attribute : recipe->entity().attributes) {
        if (attribute.name == QLatin1String("uniqueID") || attribute.name == kKey)
            continue;
        copy->setValueForKey(recipe->valueForKey(attribute.name), attribute.name);
    }
    const QString id = recipe->stringValue(kPublishedID);
    copy->setValueForKey(id, kLinkedID);
    auto* from = dynamic_cast<RecipesManagedObject*>(recipe);
    auto* to = dynamic_cast<RecipesManagedObject*>(copy);
    if (from && to)
        for (int n = 1; n <= kImageCount; ++n) {
            QFile file(from->imagePathAtIndex(n));
            if (file.open(QIODevice::ReadOnly))
                to->saveImage(file.readAll(), n);
        }
    addToList(key, QStringLiteral("-linked"), {id});
    Scheduler::instance().schedule(
        0.2, [this, recipe] { deleteRecipesWithoutAsking({recipe}); }, this);
    return copy;
}

void PlatefeedManager::unsubscribeRecipes(const QList<ManagedObject*>& recipes) {
    QHash<QString, QStringList> byKey;
    for (ManagedObject* recipe : recipes) {
        const QString key = recipe->stringValue(kKey);
        const QString id = recipe->stringValue(kPublishedID);
        if (isValidKey(key) && !id.isEmpty())
            byKey[key].append(id);
    }
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        addToList(it.key(), QStringLiteral("-removed"), it.value());
}

void PlatefeedManager::removeBookkeeping(const QString& key, bool links) {
    if (!isValidKey(key))
        return;
    QFile::remove(bookkeepingPath(key, QString()));
    QFile::remove(bookkeepingPath(key, QStringLiteral("-removed")));
    if (links)
        QFile::remove(bookkeepingPath(key, QStringLiteral("-linked")));
}

void PlatefeedManager::resetSubscribedPlatefeed(GroupsManagedObject* group) {
    // A running import writes the whole remote index when it ends: reset after it, or the
    // index would claim the recipes deleted here are in the library.
    if (m_importing) {
        m_afterImport.append([this, group] {
            if (!group->isDeleted()) {
                resetSubscribedPlatefeed(group);
                m_session.save();
            }
        });
        return;
    }
    const QString key = group->stringValue(kKey);
    deleteRecipesWithoutAsking(subscribedRecipes(key));
    removeBookkeeping(key, false);
}

void PlatefeedManager::deleteSubscribedPlatefeed(GroupsManagedObject* group) {
    if (!group || group->isDeleted())
        return;
    const QString key = group->stringValue(kKey);
    deleteRecipesWithoutAsking(subscribedRecipes(key));
    // Nothing of the subscription stays behind: subscribing to it again imports everything.
    removeBookkeeping(key, true);
    m_session.context()->deleteObject(group);
    deletePlatefeedHeaderIfNeeded();
    emit sidebarChanged();
}

void PlatefeedManager::moveSubscriptionToKey(const QString& oldKey, const QString& newKey) {
    if (!isValidKey(oldKey) || !isValidKey(newKey) || oldKey == newKey)
        return;
    deleteRecipesWithoutAsking(subscribedRecipes(oldKey));
    addToList(newKey, QStringLiteral("-removed"), removedIDs(oldKey));
    addToList(newKey, QStringLiteral("-linked"), linkedIDs(oldKey));
    removeBookkeeping(oldKey, true);
}

// --- Sidebar ----------------------------------------------------------------------------------------

GroupsManagedObject* PlatefeedManager::platefeedHeaderCreateIfNeeded() {
    for (GroupsManagedObject* group : groupsWithFlagInContext(m_session.context(), kHeader))
        return group;
    auto* header =
        dynamic_cast<GroupsManagedObject*>(m_session.context()->insertNewObject(QStringLiteral("Groups")));
    if (header) {
        header->setValueForKey(tr("PLATEFEEDS"), kName);
        header->setValueForKey(true, kHeader);
    }
    return header;
}

void PlatefeedManager::collectOrSeperatePlatefeedGroups() {
    const QList<GroupsManagedObject*> subscribed = subscribedGroups();
    const bool collect = UserDefaults::boolForKey(QStringLiteral("collectSubscribedPlatefeeds"));
    GroupsManagedObject* header =
        collect && !subscribed.isEmpty() ? platefeedHeaderCreateIfNeeded() : nullptr;
    for (GroupsManagedObject* group : subscribed)
        if (group->relatedObject(kParent) != header)
            group->setRelatedObject(header, kParent);
    deletePlatefeedHeaderIfNeeded();
    emit sidebarChanged();
}

void PlatefeedManager::deletePlatefeedHeaderIfNeeded() {
    for (GroupsManagedObject* header : groupsWithFlagInContext(m_session.context(), kHeader)) {
        bool used = false;
        for (ManagedObject* child : header->relatedObjects(QStringLiteral("children")))
            used = used || !child->isDeleted();
        if (!used)
            m_session.context()->deleteObject(header);
    }
}

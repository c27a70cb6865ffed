#include "CoreDataController.h"

#include "AppController.h"
#include "GroupsManagedObject.h"
#include "LibraryBackups.h"
#include "LibraryStore.h"
#include "RecipesManagedObject.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/Alerts.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/StoreBackup.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString kModelVersion = QStringLiteral("modelVersion");
const QString kGroups = QStringLiteral("Groups");
const QString kName = QStringLiteral("name");
const QString kAskedToImportVersionOne = QStringLiteral("askedToImportVersionOneDatabase");

bool isTrue(const ManagedObject* group, const char* key) {
    return group->valueForKey(QLatin1String(key)).toLongLong() == 1;
}

void setIfDifferent(ManagedObject* record, const QVariant& value, const QString& key) {
    if (record->valueForKey(key) != value)
        record->setValueForKey(value, key);
}

} // namespace

CoreDataController::CoreDataController(QString libraryPath, Alerts* alerts, QObject* parent)
    : QObject(parent), m_libraryPath(std::move(libraryPath)), m_alerts(alerts) {}

CoreDataController::CoreDataController(QString libraryPath, std::unique_ptr<ObjectContext> openContext,
                                       Alerts* alerts, QObject* parent)
    : QObject(parent), m_libraryPath(std::move(libraryPath)), m_alerts(alerts),
      m_context(std::move(openContext)), m_triedOpening(true) {
    recoverStagedImages();
}

CoreDataController::~CoreDataController() = default;

const DataModel* CoreDataController::managedObjectModel() {
    return currentDataModel();
}

bool CoreDataController::persistentStoreCoordinator() {
    if (m_triedOpening)
        return m_context != nullptr;
    m_triedOpening = true;

    const QString support = AppController::applicationSupportFolder();
    QDir().mkpath(support + QStringLiteral("/Theme Development"));

    QString error;
    m_context = openLibraryStore(m_libraryPath, false, &error);
    // The quick check reads the whole store, so it runs only when opening failed: a store
    // that opens but is damaged deeper is reported by its first failed read or save.
    if (!m_context && QFileInfo::exists(libraryStorePath(m_libraryPath))) {
        if (!offerRestoreOfDamagedStore())
            return false;
        m_context = openLibraryStore(m_libraryPath, false, &error);
    }
    if (!m_context && QFileInfo(m_libraryPath).isDir() && !QFileInfo::exists(libraryStorePath(m_libraryPath)))
        m_context = openLibraryStore(m_libraryPath, true, &error); // a new library's first store
    if (!m_context) {
        // A store that carries no version is taken for one of the previous generation, so
        // the next start converts it instead of failing again.
        const QString storePath = libraryStorePath(m_libraryPath);
        if (const std::optional<QVariantMap> metadata = ObjectContext::metadataForStoreAtPath(storePath)) {
            if (!metadata->contains(kModelVersion)) {
                QVariantMap stamped = *metadata;
                stamped.insert(kModelVersion, QStringLiteral("2.0"));
                ObjectContext::setMetadataForStoreAtPath(stamped, storePath);
            }
        }
        m_storeError = error;
        qWarning().noquote() << "the library store could not be opened:" << error;
        presentError(error, QString());
        return false;
    }
    if (m_context->isReadOnly()) {
        // Said once, here; each save that then has changes to write fails with the same text.
        qWarning().noquote() << "the library store is read-only:" << m_context->storePath();
        presentError(tr("The library is read-only."), readOnlyInformativeText());
    }
    recoverStagedImages();
    if (m_holdDeletedPictures) {
        releaseHeldPictures(); // what a crash left
        watchUndoHistory();
    }
    Scheduler::instance().schedule(
        1.0, [this] { validateGroupsContent(); }, this);
    Scheduler::instance().schedule(
        0.2, [this] { emit autoExpandSidebar(); }, this);
    emit storeOpened();
    return true;
}

ObjectContext* CoreDataController::managedObjectContext() {
    persistentStoreCoordinator();
    return m_context.get();
}

UndoManager* CoreDataController::windowWillReturnUndoManager() {
    return m_context ? m_context->undoManager() : nullptr;
}

bool CoreDataController::offerRestoreOfDamagedStore() {
    const QString storePath = libraryStorePath(m_libraryPath);
    QString damage;
    if (!QFileInfo::exists(storePath) || quickCheckStoreFile(storePath, &damage))
        return true;
    // A store SQLite cannot read (not a database, malformed pages): the newest backup that
    // passes the same check is offered in its place.
    LibraryBackups backups(m_libraryPath);
    const std::optional<LibraryBackups::Entry> backup = backups.newestGoodBackup();
    if (!backup || !m_alerts)
        return true; // opening reports the damage as before
    qWarning().noquote() << "the library store is damaged:" << damage;
    const int answer = m_alerts->ask(
        tr("The library is damaged."),
        tr("The library could not be read. Restore the backup of %1 (%n recipe(s))? The damaged library is "
           "kept in the \"Backups\" folder.",
           nullptr, int(backup->recipes))
            .arg(QLocale().toString(backup->date, QLocale::LongFormat)),
        {tr("Restore"), tr("Quit")});
    if (answer != 0) {
        m_storeError = tr("The library is damaged.");
        return false;
    }
    QString error;
    if (!backups.restore(backup->path, nullptr, &error)) {
        qWarning().noquote() << "the backup could not be restored:" << error;
        m_storeError = error;
        presentError(tr("The backup could not be restored."), error);
        return false;
    }
    return true;
}

void CoreDataController::presentError(const QString& message, const QString& informative) {
    if (m_alerts)
        m_alerts->ask(message, informative, {tr("OK")});
}

QString CoreDataController::readOnlyInformativeText() const {
    return tr("The library \"%1\" is on a disk or in a folder that cannot be changed. You can read, "
              "print and export its recipes; changes cannot be saved.")
        .arg(QDir::toNativeSeparators(m_libraryPath));
}

QString CoreDataController::markedForDeletePath() const {
    return m_libraryPath + QStringLiteral("/RecipesMarkedForDelete.plist");
}

bool CoreDataController::saveAction() {
    if (!managedObjectContext())
        return true;
    QString error;
    if (!m_context->save(&error)) {
        qWarning().noquote() << "the library could not be saved:" << error;
        m_lastSaveError = error;
        if (m_context->lastSaveFailure() == SaveFailure::ReadOnly) {
            presentError(tr("The library is read-only."), readOnlyInformativeText());
            return false;
        }
        if (m_context->lastSaveFailure() == SaveFailure::Damaged) {
            presentError(tr("The library is damaged; your changes could not be saved."),
                         tr("Your changes are kept while the program runs, and nothing more is written to "
                            "the damaged library. Restore the library from a backup."));
            return false;
        }
        if (m_context->lastSaveFailure() == SaveFailure::Busy) {
            presentError(tr("The library is being changed by another program; try again."),
                         tr("Your changes are kept. Another program saved to the library for longer "
                            "than the wait allows; save again when it has finished."));
            return false;
        }
        presentError(
            tr("Unable to save changes to your library."),
            tr("Your library is saved every time you save a recipe or exit the program. The most common "
               "reason for seeing this message is opening the same library from two computers at the same "
               "time. Chances are you didn't lose any information since it saves so often. Quit and "
               "relaunch."));
        return false;
    }
    m_lastSaveError.clear();
    updatePictureFilesAfterSave();
    if (m_afterSave)
        m_afterSave();
    return true;
}

void CoreDataController::recoverStagedImages() {
    if (!m_context || m_context->isReadOnly() ||
        !QFileInfo::exists(RecipesManagedObject::stagingFolder(m_libraryPath)))
        return;
    // Left by an import that was killed or failed: pictures of recipes the store committed
    // move into "Images", the others (recipes never saved) are removed.
    // Which recipes the store holds decides what is removed: when that cannot be read,
    // nothing is touched.
    const std::optional<QStringList> stored =
        m_context->storedTexts(QStringLiteral("Recipes"), QStringLiteral("uniqueID"));
    if (!stored)
        return;
    const QSet<QString> saved(stored->cbegin(), stored->cend());
    RecipesManagedObject::commitStagedImages(
        m_libraryPath, [&saved](const QString& uniqueID) { return saved.contains(uniqueID); });
}

// Pictures an import staged belong to recipes the store now holds; then the pictures of
// deleted recipes go (a recipe imported and deleted before the save included).
void CoreDataController::updatePictureFilesAfterSave() {
    RecipesManagedObject::commitStagedImages(m_libraryPath);
    if (writeMarkedList())
        deleteFilesForMarkedRecipesForDelete();
}

void CoreDataController::markRecipesForDelete(const QList<ManagedObject*>& recipes) {
    QStringList ids;
    for (const ManagedObject* recipe : recipes)
        ids.append(recipe->stringValue(QStringLiteral("uniqueID")));
    markForDelete(ids);
}

void CoreDataController::markForDelete(const QStringList& uniqueIDs) {
    if (!m_markedForDelete) {
        QStringList list;
        if (QFileInfo::exists(markedForDeletePath()))
            for (const QVariant& entry : readPropertyListFile(markedForDeletePath()).value.toList())
                list.append(entry.toString());
        m_markedForDelete = list;
    }
    m_markedForDelete->append(uniqueIDs);
    if (!deletionsCanBeUndone())
        return;
    for (const QString& id : uniqueIDs)
        m_undoableDeletes.insert(id);
    // Registered before the records' own deletion, so undoing runs it after the records are
    // back, and redoing runs its inverse before they go again.
    m_context->undoManager()->registerUndo([this, uniqueIDs] { unmarkForDelete(uniqueIDs); });
}

void CoreDataController::unmarkForDelete(const QStringList& uniqueIDs) {
    for (const QString& id : uniqueIDs) {
        if (m_markedForDelete)
            m_markedForDelete->removeAll(id);
        m_undoableDeletes.remove(id);
    }
    // Pictures a save has put aside return to Images.
    const QString holding = holdingFolder(m_libraryPath);
    if (QFileInfo::exists(holding)) {
        for (const QString& id : uniqueIDs) {
            if (!RecipesManagedObject::isSafeFileNamePart(id))
                continue;
            for (int index = 1; index <= 12; ++index) {
                const QString name = QStringLiteral("%1-Image%2.jpg").arg(id).arg(index);
                const QString target = m_libraryPath + QStringLiteral("/Images/") + name;
                if (QFileInfo::exists(holding + QLatin1Char('/') + name) && !QFileInfo::exists(target) &&
                    !QFile::rename(holding + QLatin1Char('/') + name, target))
                    qWarning().noquote() << "could not bring back the picture" << name;
            }
        }
    }
    m_context->undoManager()->registerUndo([this, uniqueIDs] { markForDelete(uniqueIDs); });
}

// Only the program that holds pictures settles the holding folder when it opens the
// library: a command-line run beside it must not remove what its undo history may bring back.
void CoreDataController::setHoldsDeletedPicturesForUndo(bool hold) {
    const bool starting = hold && !m_holdDeletedPictures && m_context;
    m_holdDeletedPictures = hold;
    if (starting) {
        releaseHeldPictures();
        watchUndoHistory();
    }
}

bool CoreDataController::deletionsCanBeUndone() const {
    return m_holdDeletedPictures && m_context && m_context->undoManager()->isUndoRegistrationEnabled();
}

QString CoreDataController::holdingFolder(const QString& libraryPath) {
    return libraryPath + QStringLiteral("/Images Holding");
}

// Once the undo history is empty no deletion can come back: what waits for one goes.
void CoreDataController::watchUndoHistory() {
    if (!m_context || m_watchingUndo)
        return;
    m_watchingUndo = true;
    UndoManager* undo = m_context->undoManager();
    connect(undo, &UndoManager::stateChanged, this, [this, undo] {
        if (undo->canUndo() || undo->canRedo())
            return;
        m_undoableDeletes.clear();
        releaseHeldPictures();
    });
}

void CoreDataController::releaseHeldPictures() {
    const QString holding = holdingFolder(m_libraryPath);
    if (!m_context || m_context->isReadOnly() || !QFileInfo::exists(holding))
        return;
    // Only names of the form the library gives pictures ("<uniqueID>-Image<n>.jpg") are
    // handled; anything else in the folder is left alone.
    static const QRegularExpression pictureName(QStringLiteral("^(.+)-Image([1-9]|1[0-2])\\.jpg$"));
    QHash<QString, QStringList> namesByID;
    for (const QString& name : QDir(holding).entryList(QDir::Files)) {
        const QRegularExpressionMatch match = pictureName.match(name);
        if (match.hasMatch() && RecipesManagedObject::isSafeFileNamePart(match.captured(1)))
            namesByID[match.captured(1)].append(name);
    }
    QSet<QString> living;
    if (!namesByID.isEmpty()) {
        const std::optional<QStringList> stored =
            m_context->storedTexts(QStringLiteral("Recipes"), QStringLiteral("uniqueID"));
        if (!stored)
            return; // which recipes the library holds is not known: nothing goes
        for (const QString& id : *stored)
            if (namesByID.contains(id))
                living.insert(id);
        const PredicateParseResult filter =
            Predicate::parse(QStringLiteral("uniqueID IN %@"), {QVariant(QStringList(namesByID.keys()))});
        for (ManagedObject* recipe :
             m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter.predicate)))
            living.insert(recipe->stringValue(QStringLiteral("uniqueID")));
    }
    for (auto it = namesByID.cbegin(); it != namesByID.cend(); ++it) {
        for (const QString& name : it.value()) {
            const QString from = holding + QLatin1Char('/') + name;
            const QString target = m_libraryPath + QStringLiteral("/Images/") + name;
            if (living.contains(it.key()) && !QFileInfo::exists(target)) {
                if (!QFile::rename(from, target))
                    qWarning().noquote() << "could not bring back the picture" << name;
            } else {
                QFile::remove(from);
            }
        }
    }
    QDir().rmdir(holding); // only when empty
}

// Puts the in-memory list on disk, where a crash before the files are gone leaves it for
// the next successful save. False when it could not be written: the list then stays in
// memory and no file is removed yet.
bool CoreDataController::writeMarkedList() {
    if (!m_markedForDelete)
        return true;
    QString error;
    if (!writePropertyListFile(QVariant(*m_markedForDelete), markedForDeletePath(), &error)) {
        qWarning().noquote() << "could not write the list of images to remove:" << error;
        return false;
    }
    return true;
}

void CoreDataController::deleteFilesForMarkedRecipesForDelete() {
    const QString listPath = markedForDeletePath();
    m_markedForDelete.reset();
    if (!QFileInfo::exists(listPath))
        return;
    QStringList ids;
    for (const QVariant& entry : readPropertyListFile(listPath).value.toList())
        ids.append(entry.toString());

    // A recipe whose deletion was undone before the save is still in the library: its
    // pictures stay.
    QSet<QString> living;
    if (m_context && !ids.isEmpty()) {
        const PredicateParseResult filter =
            Predicate::parse(QStringLiteral("uniqueID IN %@"), {QVariant(ids)});
        for (ManagedObject* recipe :
             m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter.predicate)))
            living.insert(recipe->stringValue(QStringLiteral("uniqueID")));
    }
    const QString holding = holdingFolder(m_libraryPath);
    for (const QString& id : std::as_const(ids)) {
        if (living.contains(id) || !RecipesManagedObject::isSafeFileNamePart(id))
            continue;
        const bool hold = m_holdDeletedPictures && m_undoableDeletes.contains(id);
        if (hold)
            QDir().mkpath(holding);
        for (int index = 1; index <= 12; ++index) {
            const QString name = QStringLiteral("%1-Image%2.jpg").arg(id).arg(index);
            const QString path = m_libraryPath + QStringLiteral("/Images/") + name;
            if (!QFileInfo::exists(path))
                continue;
            if (hold) {
                const QString held = holding + QLatin1Char('/') + name;
                QFile::remove(held); // an older picture of the same name
                if (QFile::rename(path, held))
                    continue;
                qWarning().noquote() << "could not put aside the picture" << name << "; it stays in Images";
                continue;
            }
            QFile::remove(path);
        }
        m_undoableDeletes.remove(id);
    }
    QFile::remove(listPath);
}

bool CoreDataController::applicationShouldTerminate() {
    if (!m_context)
        return true;
    if (!m_context->commitEditing())
        return false;
    if (m_context->hasChanges()) {
        QString error;
        if (!m_context->save(&error)) {
            qWarning().noquote() << "the library could not be saved at quit:" << error;
            presentError(error, QString());
            const int answer = m_alerts
                                   ? m_alerts->ask(tr("Could not save changes while quitting. Quit anyway?"),
                                                   QString(), {tr("Quit anyway"), tr("Cancel")})
                                   : 0;
            if (answer == 0)
                releaseHeldPictures(); // the undo history ends with the program
            return answer == 0;        // quitting anyway keeps the image files of deleted recipes
        }
    }
    updatePictureFilesAfterSave();
    releaseHeldPictures();
    return true;
}

void CoreDataController::validateGroupsContent() {
    if (!m_context)
        return;
    // What a library is given at start is not the user's to undo.
    UndoManager* undo = m_context->undoManager();
    undo->disableUndoRegistration();
    bool libraryPresent = false;

    if (!UserDefaults::boolForKey(kAskedToImportVersionOne)) {
        if (QFileInfo::exists(AppController::applicationSupportFolder() +
                              QStringLiteral("/Larkspoon!.database"))) {
            const int answer =
                m_alerts
                    ? m_alerts->ask(tr("Would you like to import your recipes and groups from version one?"),
                                    tr("If you choose to do this later you can do so by selecting "
                                       "“Import...” "
                                       "from the File menu and then selecting your version one database by "
                                       "opening your Home folder then /Library/Application "
                                       "Support/Larkspoon!/Larkspoon!.database"),
                                    {tr("Yes"), tr("No")})
                    : 1;
            if (answer == 0) {
                addGroupsFromResource(QStringLiteral("Base Upgrade Groups.plist"));
                // The smart groups come after the import, so a group of the old library that
                // has one of their names keeps its recipes.
                if (m_versionOneDatabaseImporter) {
                    m_versionOneDatabaseImporter(AppController::applicationSupportFolder() +
                                                     QStringLiteral("/Larkspoon!.database"),
                                                 [guard = QPointer<CoreDataController>(this)] {
                                                     if (guard)
                                                         guard->finishVersionOneUpgrade();
                                                 });
                } else {
                    qWarning("the version-one database was not imported: no importer was given");
                    addGroupsFromResource(QStringLiteral("Uparade Smart Groups.plist"));
                }
                libraryPresent = true;
            }
        }
        UserDefaults::setObjectForKey(true, kAskedToImportVersionOne);
        UserDefaults::synchronize();
    }

    // The fixed groups take their names in the user's language, and flags follow from
    // what the records hold (a renamed header gets its name back).
    for (ManagedObject* group : m_context->executeFetchRequest(FetchRequest(kGroups))) {
        if (isTrue(group, "isLocalLibrary")) {
            setIfDifferent(group, GroupsManagedObject::myRecipesName(), kName);
            libraryPresent = true;
        } else if (isTrue(group, "isLibraryHeader")) {
            setIfDifferent(group, QCoreApplication::translate("Library", "LIBRARY"), kName);
        } else if (isTrue(group, "isGroupHeader")) {
            setIfDifferent(group, QCoreApplication::translate("Library", "GROUPS"), kName);
        }
        if (!group->valueForKey(QStringLiteral("predicates")).isNull())
            setIfDifferent(group, true, QStringLiteral("isSmartGroup"));
        const ManagedObject* parent = group->relatedObject(QStringLiteral("parent"));
        if (!group->valueForKey(QStringLiteral("platefeedAddress")).isNull() && parent &&
            isTrue(parent, "isPlatefeedHeader"))
            setIfDifferent(group, true, QStringLiteral("isSubscribedPlatefeed"));
    }

    if (!libraryPresent) {
        addGroupsFromResource(QStringLiteral("New Library Groups.plist"));
        if (m_sampleRecipesImporter)
            m_sampleRecipesImporter(resourcesPath() + QStringLiteral("/New Library Recipes.lsr"));
    }

    if (m_context->countForFetchRequest(FetchRequest(QStringLiteral("SmartMeasurements"))) == 0)
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            m_context.get(), MeasurementRules::defaultSmartMeasurementList());
    undo->enableUndoRegistration();
    emit groupsContentValidated();
}

void CoreDataController::finishVersionOneUpgrade() {
    if (!m_context)
        return;
    UndoManager* undo = m_context->undoManager();
    undo->disableUndoRegistration();
    addGroupsFromResource(QStringLiteral("Uparade Smart Groups.plist"));
    undo->enableUndoRegistration();
    if (!saveAction())
        qWarning("the groups of the version-one upgrade could not be saved");
    emit versionOneDatabaseImported();
}

void CoreDataController::addGroupsFromResource(const QString& fileName) {
    const QString path = resourcesPath() + QLatin1Char('/') + fileName;
    const PropertyListResult plist = readPropertyListFile(path);
    if (!plist.ok() || plist.value.typeId() != QMetaType::QVariantList) {
        qWarning().noquote() << "the groups of" << fileName << "could not be read:" << plist.error;
        return;
    }
    addGroupsFromArray(plist.value.toList());
}

void CoreDataController::addGroupsFromArray(const QVariantList& groups) {
    if (!m_context)
        return;
    static const char* const copiedKeys[] = {"isLibraryHeader",       "isLocalLibrary",   "isGroupHeader",
                                             "isSmartGroup",          "predicates",       "isGroceryList",
                                             "isSubscribedPlatefeed", "platefeedAddress", "name"};
    const auto insertGroup = [this] {
        auto* group = dynamic_cast<GroupsManagedObject*>(m_context->insertNewObject(kGroups));
        if (group)
            group->setSelectSelfOnInsert(false);
        return group;
    };
    for (const QVariant& entry : groups) {
        const QVariantMap values = entry.toMap();
        const QString name = values.value(kName).toString();
        bool exists = false;
        for (const ManagedObject* group : m_context->executeFetchRequest(FetchRequest(kGroups)))
            exists = exists || group->stringValue(kName) == name;
        if (exists)
            continue;
        GroupsManagedObject* group = insertGroup();
        if (!group)
            return;
        for (const char* key : copiedKeys)
            if (values.contains(QLatin1String(key)))
                group->setValueForKey(values.value(QLatin1String(key)), QLatin1String(key));
        for (const QVariant& sub : values.value(QStringLiteral("subGroups")).toList()) {
            GroupsManagedObject* child = insertGroup();
            if (!child)
                return;
            child->setValueForKey(sub.toMap().value(kName).toString(), kName);
            child->setRelatedObject(group, QStringLiteral("parent"));
        }
    }
    emit selectMyLibraryGroupRequested();
}

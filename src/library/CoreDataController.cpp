#include "CoreDataController.h"

#include "AppController.h"
#include "GroupsManagedObject.h"
#include "LibraryStore.h"
#include "RecipesManagedObject.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/Alerts.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    return true;
}

void CoreDataController::recoverStagedImages() {
    if (!m_context || m_context->isReadOnly() ||
        !QFileInfo::exists(RecipesManagedObject::stagingFolder(m_libraryPath)))
        return;
    // Left by an import that was killed or failed: pictures of recipes the store committed
    // move into "Images", the others (recipes never saved) are removed.
    const QStringList stored = m_context->storedTexts(QStringLiteral("Recipes"), QStringLiteral("uniqueID"));
    const QSet<QString> saved(stored.cbegin(), stored.cend());
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
    if (!m_markedForDelete) {
        QStringList list;
        if (QFileInfo::exists(markedForDeletePath()))
            for (const QVariant& entry : readPropertyListFile(markedForDeletePath()).value.toList())
                list.append(entry.toString());
        m_markedForDelete = list;
    }
    for (const ManagedObject* recipe : recipes)
        m_markedForDelete->append(recipe->stringValue(QStringLiteral("uniqueID")));
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
    for (const QString& id : std::as_const(ids)) {
        if (living.contains(id) || !RecipesManagedObject::isSafeFileNamePart(id))
            continue;
        for (int index = 1; index <= 12; ++index)
            QFile::remove(QStringLiteral("%1/Images/%2-Image%3.jpg").arg(m_libraryPath, id).arg(index));
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
            return answer == 0; // quitting anyway keeps the image files
        }
    }
    updatePictureFilesAfterSave();
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
                qWarning(
                    "the version-one database was not imported: its importer is not part of this build yet");
                addGroupsFromResource(QStringLiteral("Uparade Smart Groups.plist"));
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

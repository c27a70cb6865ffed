#include "CoreDataController.h"

#include "AppController.h"
#include "LibraryStore.h"
#include "RecipesManagedObject.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/Alerts.h"
#include "platform/PropertyList.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QString kModelVersion = QStringLiteral("modelVersion");

} // namespace

CoreDataController::CoreDataController(QString libraryPath, Alerts* alerts, QObject* parent)
    : QObject(parent), m_libraryPath(std::move(libraryPath)), m_alerts(alerts) {}

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
    Scheduler::instance().schedule(1.0, [this] { validateGroupsContent(); }, this);
    Scheduler::instance().schedule(0.2, [this] { emit autoExpandSidebar(); }, this);
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

QString CoreDataController::markedForDeletePath() const {
    return m_libraryPath + QStringLiteral("/RecipesMarkedForDelete.plist");
}

bool CoreDataController::saveAction() {
    if (!managedObjectContext())
        return true;
    QString error;
    if (!m_context->save(&error)) {
        qWarning().noquote() << "the library could not be saved:" << error;
        presentError(tr("Unable to save changes to your library."),
                     tr("Your library is saved every time you save a recipe or exit the program. The most common "
                        "reason for seeing this message is opening the same library from two computers at the same "
                        "time. Chances are you didn't lose any information since it saves so often. Quit and "
                        "relaunch."));
        return false;
    }
    if (writeMarkedList())
        deleteFilesForMarkedRecipesForDelete();
    return true;
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
        const PredicateParseResult filter = Predicate::parse(QStringLiteral("uniqueID IN %@"), {QVariant(ids)});
        for (ManagedObject* recipe : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter.predicate)))
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
            const int answer = m_alerts ? m_alerts->ask(tr("Could not save changes while quitting. Quit anyway?"), QString(),
                                                        {tr("Quit anyway"), tr("Cancel")})
                                        : 0;
            return answer == 0; // quitting anyway keeps the image files
        }
    }
    if (writeMarkedList())
        deleteFilesForMarkedRecipesForDelete();
    return true;
}

void CoreDataController::validateGroupsContent() {
    if (!m_context)
        return;
    if (m_context->countForFetchRequest(FetchRequest(QStringLiteral("SmartMeasurements"))) == 0)
        SmartMeasurementsController::insertDefaultSmartMeasurements(m_context.get(),
                                                                    MeasurementRules::defaultSmartMeasurementList());
    emit groupsContentValidated();
}

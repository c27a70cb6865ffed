#include "VersionTwoDatabaseConverter.h"

#include "GroupsManagedObject.h"
#include "IngredientRecords.h"
#include "LibraryStore.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kNewStoreName = QStringLiteral("Library Database New.SQL");
const QString kBackupStoreName = QStringLiteral("Library Database 2.0.SQL");

// SQLite keeps part of a store beside it; these files belong to the store and travel
// with it (a log left beside another store would be replayed into it).
const QStringList& storeFileSuffixes() {
    static const QStringList suffixes{QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                      QStringLiteral("-journal")};
    return suffixes;
}

bool removeStoreFiles(const QString& path, QString* error) {
    for (const QString& suffix : storeFileSuffixes()) {
        QFile file(path + suffix);
        if (file.exists() && !file.remove()) {
            *error = VersionTwoDatabaseConverter::tr("The file \"%1\" could not be removed: %2")
                         .arg(file.fileName(), file.errorString());
            return false;
        }
    }
    return true;
}

struct Rename {
    QString from;
    QString to;
};

// Renames a store and its side files; records each rename made so it can be undone.
bool renameStoreFiles(const QString& from, const QString& to, QList<Rename>* done, QString* error) {
    for (const QString& suffix : storeFileSuffixes()) {
        QFile file(from + suffix);
        if (!file.exists())
            continue;
        if (!file.rename(to + suffix)) {
            *error = VersionTwoDatabaseConverter::tr("The file \"%1\" could not be renamed to \"%2\": %3")
                         .arg(from + suffix, to + suffix, file.errorString());
            return false;
        }
        done->append({from + suffix, to + suffix});
    }
    return true;
}

void undoRenames(const QList<Rename>& done) {
    for (auto it = done.crbegin(); it != done.crend(); ++it)
        if (!QFile::rename(it->to, it->from))
            qWarning("could not rename \"%s\" back to \"%s\"", qPrintable(it->to), qPrintable(it->from));
}

void copyKeys(const ManagedObject* from, ManagedObject* to, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        const QString name = QLatin1String(key);
        to->setValueForKey(from->valueForKey(name), name);
    }
}

// Version two marked picture places in the directions with words; the current editor
// uses the image numbers in brackets.
QString convertedDirections(QString directions) {
    static const char* const markers[] = {"FirstImage", "SecondImage", "ThirdImage", "FourthImage",
                                          "FifthImage"};
    for (int i = 0; i < 5; ++i)
        directions.replace(QLatin1String(markers[i]), QStringLiteral("[%1]").arg(i + 1));
    return directions;
}

// A version-two ingredient row is an array of up to five texts: quantity, measurement,
// name, method and the title flag "YES".
QVariantMap ingredientRecordFromRow(const QVariantList& row) {
    static const char* const keys[] = {"quantity", "measurement", "name", "method"};
    QVariantMap record;
    for (int i = 0; i < 4 && i < row.size(); ++i) {
        const QString text = row.at(i).toString();
        if (!text.isEmpty())
            record.insert(QLatin1String(keys[i]), text);
    }
    if (row.size() >= 5 && row.at(4).toString() == QLatin1String("YES")) {
        record.insert(QStringLiteral("name"), row.at(0).toString());
        record.remove(QStringLiteral("quantity"));
        record.insert(QStringLiteral("isGroupTitle"), true);
    }
    record.insert(QStringLiteral("randomNumber"), IngredientRecords::newRandomNumber());
    return record;
}

void copyIngredients(const ManagedObject* from, ManagedObject* to) {
    const QString text = from->stringValue(QStringLiteral("ingredientsArray"));
    if (text.isEmpty())
        return;
    const QVariant rows = valueFromStructuredText(text);
    if (rows.typeId() != QMetaType::QVariantList) {
        // Unreadable either way; keep the text rather than lose it.
        to->setValueForKey(text, QStringLiteral("ingredientsArray"));
        return;
    }
    QVariantList records;
    for (const QVariant& row : rows.toList()) {
        if (row.typeId() == QMetaType::QVariantList)
            records.append(ingredientRecordFromRow(row.toList()));
        else if (row.typeId() == QMetaType::QVariantMap)
            records.append(row); // already a record
    }
    IngredientRecords::setIngredientsOfRecipe(to, records);
}

class Conversion {
public:
    Conversion(ObjectContext* oldContext, ObjectContext* newContext) : m_old(oldContext), m_new(newContext) {}

    bool run(QString* error) {
        QList<ManagedObject*> groups, recipes, days;
        if (!fetchAll(QStringLiteral("Groups"), &groups, error) ||
            !fetchAll(QStringLiteral("Recipes"), &recipes, error) ||
            !fetchAll(QStringLiteral("WeeklyPlannerDateObjects"), &days, error))
            return false;

        for (ManagedObject* group : groups) {
            if (group->relatedObject(QStringLiteral("parent")))
                continue;
            ManagedObject* top = copyGroup(group, nullptr);
            for (ManagedObject* child : group->relatedObjects(QStringLiteral("children"))) {
                ManagedObject* newChild = copyGroup(child, top);
                for (ManagedObject* grandchild : child->relatedObjects(QStringLiteral("children")))
                    copyGroup(grandchild, newChild);
            }
        }
        for (ManagedObject* recipe : recipes)
            copyRecipe(recipe);
        for (ManagedObject* day : days) {
            ManagedObject* newDay = m_new->insertNewObject(QStringLiteral("WeeklyPlannerDateObjects"));
            copyKeys(day, newDay, {"date", "dateString", "note", "recipeArray"});
        }

        auto* groceries = static_cast<GroupsManagedObject*>(m_new->insertNewObject(QStringLiteral("Groups")));
        groceries->setSelectSelfOnInsert(false);
        groceries->setValueForKey(true, QStringLiteral("isGroceryList"));
        groceries->setValueForKey(VersionTwoDatabaseConverter::tr("Groceries"), QStringLiteral("name"));

        // Every insert of a group renumbers the top level, so the copied positions are
        // set once all groups are in.
        for (const auto& [oldGroup, newGroup] : std::as_const(m_groups))
            newGroup->setValueForKey(oldGroup->valueForKey(QStringLiteral("position")),
                                     QStringLiteral("position"));
        return true;
    }

private:
    bool fetchAll(const QString& entity, QList<ManagedObject*>* records, QString* error) {
        QString fetchError;
        *records = m_old->executeFetchRequest(FetchRequest(entity), &fetchError);
        if (fetchError.isEmpty())
            return true;
        *error = fetchError;
        return false;
    }

    ManagedObject* copyGroup(const ManagedObject* group, ManagedObject* parent) {
        auto* copy = static_cast<GroupsManagedObject*>(m_new->insertNewObject(QStringLiteral("Groups")));
        copy->setSelectSelfOnInsert(false);
        copyKeys(group, copy,
                 {"isGroupHeader", "isLibraryHeader", "isLocalLibrary", "isPublishedPlatefeed",
                  "isPlatefeedHeader", "isSmartGroup", "isSubscribedPlatefeed", "name", "position",
                  "predicates", "platefeedAddress", "platefeedName"});
        copy->setValueForKey(group->valueForKey(QStringLiteral("platefeedID")),
                             QStringLiteral("platefeedPredicateKey"));
        if (parent)
            parent->addRelatedObject(copy, QStringLiteral("children"));
        m_groups.append({group, copy});
        return copy;
    }

    void copyRecipe(const ManagedObject* recipe) {
        ManagedObject* copy = m_new->insertNewObject(QStringLiteral("Recipes"));
        copyKeys(recipe, copy,
                 {"attribution", "cookingTime", "cuisine", "difficulty", "hasBeenPrepared", "importedFromURL",
                  "inactivePrepTime", "isMarkedAsNew", "keywords", "linkedPlatefeedID", "name", "notes",
                  "prepTime", "privateNotes", "rating", "recipeDescription", "yield"});
        // The identity names the image files and the dates are the recipe's history; the
        // insert's own values stay only where the old record had none.
        for (const char* key : {"uniqueID", "dateCreated", "dateUpdated"}) {
            const QVariant value = recipe->valueForKey(QLatin1String(key));
            if (!value.isNull())
                copy->setValueForKey(value, QLatin1String(key));
        }
        copy->setValueForKey(recipe->valueForKey(QStringLiteral("subscribedPlatefeedID")),
                             QStringLiteral("platefeedPredicateKey"));
        copy->setValueForKey(recipe->valueForKey(QStringLiteral("uniquePlatefeedID")),
                             QStringLiteral("publishedPlatefeedID"));
        const QVariant directions = recipe->valueForKey(QStringLiteral("directions"));
        if (!directions.isNull())
            copy->setValueForKey(convertedDirections(directions.toString()), QStringLiteral("directions"));
        copyIngredients(recipe, copy);
    }

    ObjectContext* m_old;
    ObjectContext* m_new;
    QList<std::pair<const ManagedObject*, ManagedObject*>> m_groups;
};

// Copies the old store's records into a new store and saves it. Both stores are closed
// on return: the last connection to close folds a store's log back into its file and
// removes the side files, so each store is one file when it is moved. (A read-only
// connection could not, and would leave side files behind.) Nothing is written to the
// old store.
bool copyIntoNewStore(const QString& oldStorePath, const DataModel& oldModel, const QString& newStorePath,
                      const DataModel& newModel, QString* error) {
    std::unique_ptr<ObjectContext> newContext = ObjectContext::open(newStorePath, newModel, error);
    if (!newContext)
        return false;
    StoreOptions existing;
    existing.createIfMissing = false;
    std::unique_ptr<ObjectContext> oldContext = ObjectContext::open(oldStorePath, oldModel, error, existing);
    if (!oldContext || !Conversion(oldContext.get(), newContext.get()).run(error))
        return false;
    // Stamped in the same transaction as the records, so a converted store is never found
    // without its version.
    QVariantMap metadata = newContext->metadata();
    metadata.insert(QStringLiteral("modelVersion"), kApplicationModelVersion);
    newContext->setMetadata(metadata);
    return newContext->save(error);
}

} // namespace

VersionTwoDatabaseConverter::VersionTwoDatabaseConverter(QString libraryPath, Alerts* alerts)
    : m_libraryPath(std::move(libraryPath)), m_alerts(alerts) {}

VersionTwoDatabaseConverter::Result VersionTwoDatabaseConverter::convertFromVersion(const QString& version,
                                                                                    QString* error) {
    QString message;
    auto failed = [&](const QString& newStorePath) {
        if (!newStorePath.isEmpty()) {
            QString removeError;
            if (!removeStoreFiles(newStorePath, &removeError))
                qWarning("%s", qPrintable(removeError));
        }
        qWarning("library upgrade failed: %s", qPrintable(message));
        if (error)
            *error = message;
        return Result::Failed;
    };

    if (version != QLatin1String("2.0")) {
        message = tr("A library of version %1 cannot be upgraded.").arg(version);
        return failed({});
    }

    const int answer = m_alerts->ask(
        VersionTwoDatabaseConverter::tr("Larkspoon! needs to upgrade your library file in order to open it."),
        VersionTwoDatabaseConverter::tr(
            "Once upgraded your library will require version %1 or greater of Larkspoon!.")
            .arg(kApplicationModelVersion),
        {VersionTwoDatabaseConverter::tr("Upgrade"), VersionTwoDatabaseConverter::tr("Quit")});
    if (answer != 0)
        return Result::Quit;

    const QString oldStorePath = libraryStorePath(m_libraryPath);
    const QString newStorePath = m_libraryPath + QLatin1Char('/') + kNewStoreName;
    const QString backupStorePath = m_libraryPath + QLatin1Char('/') + kBackupStoreName;

    // An earlier backup is never overwritten.
    if (QFileInfo::exists(backupStorePath)) {
        message = tr("The file \"%1\" is in the way of the backup of the old library.").arg(backupStorePath);
        return failed({});
    }
    // What an interrupted earlier attempt left behind is no store of ours.
    if (!removeStoreFiles(newStorePath, &message))
        return failed({});

    const std::optional<DataModel> oldModel =
        DataModel::loadResource(QStringLiteral("Larkspoon!_v2.mom"), &message);
    const DataModel* newModel = oldModel ? currentDataModel(&message) : nullptr;
    if (!newModel)
        return failed({});

    if (!copyIntoNewStore(oldStorePath, *oldModel, newStorePath, *newModel, &message))
        return failed(newStorePath);

    QList<Rename> done;
    if (!renameStoreFiles(oldStorePath, backupStorePath, &done, &message) ||
        !renameStoreFiles(newStorePath, oldStorePath, &done, &message)) {
        undoRenames(done);
        return failed(newStorePath);
    }
    return Result::Converted;
}

bool VersionTwoDatabaseConverter::finishInterruptedConversion(const QString& libraryPath) {
    const QString storePath = libraryStorePath(libraryPath);
    const QString newStorePath = libraryPath + QLatin1Char('/') + kNewStoreName;
    if (QFileInfo::exists(storePath) || !QFileInfo::exists(newStorePath) ||
        !QFileInfo::exists(libraryPath + QLatin1Char('/') + kBackupStoreName))
        return false;
    const std::optional<QVariantMap> metadata = ObjectContext::metadataForStoreAtPath(newStorePath);
    if (!metadata || metadata->value(QStringLiteral("modelVersion")).toString() != kApplicationModelVersion)
        return false;
    QList<Rename> done;
    QString message;
    if (!renameStoreFiles(newStorePath, storePath, &done, &message)) {
        undoRenames(done);
        qWarning("library upgrade could not be completed: %s", qPrintable(message));
        return false;
    }
    return true;
}

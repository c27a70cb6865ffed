#pragma once

#include "platform/DataModel.h"
#include "platform/ObjectContext.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

class Alerts;
class ManagedObject;
class UndoManager;

// Owns the record store of the open library: the data model, the store and the one
// object context, each made on first use. Saves, and removes the image files of deleted
// recipes only after the store has saved their deletion.
class CoreDataController : public QObject {
    Q_OBJECT
public:
    // libraryPath: the folder of the library (read from the libraryPath preference by
    // the caller). alerts: where save failures and store errors are shown.
    CoreDataController(QString libraryPath, Alerts* alerts, QObject* parent = nullptr);
    // Over a store the caller has opened already (the command-line tool, tests): nothing is
    // scheduled, the caller decides what runs when.
    CoreDataController(QString libraryPath, std::unique_ptr<ObjectContext> openContext, Alerts* alerts,
                       QObject* parent = nullptr);
    ~CoreDataController() override;

    const QString& libraryPath() const { return m_libraryPath; }

    const DataModel* managedObjectModel();
    // Opens the store on first call (creating an empty one in an existing folder); false
    // when it could not be opened. See storeError().
    bool persistentStoreCoordinator();
    // The object context over the store; null when the store could not be opened.
    ObjectContext* managedObjectContext();
    const QString& storeError() const { return m_storeError; }

    // Saves; on success writes the marked list and removes the marked image files. On
    // failure keeps the list and shows why: "The library is read-only.", "The library is
    // being changed by another program; try again." (the store stayed locked longer than
    // the wait), "The library is damaged; your changes could not be saved." (a read of the
    // store failed) or "Unable to save changes to your library.". A library opened read-only
    // is announced once when it opens.
    bool saveAction();
    // Runs after every save that wrote the store (the daily backup).
    void setAfterSave(std::function<void()> afterSave) { m_afterSave = std::move(afterSave); }
    // Why the last saveAction failed, as the store said it (empty after a save that worked).
    const QString& lastSaveError() const { return m_lastSaveError; }

    // Queues the recipes' uniqueIDs for image removal at the next successful save. When
    // deleted pictures are held (setHoldsDeletedPicturesForUndo) and the undo history
    // records the deletion, undoing it takes the recipes off the queue and brings back
    // pictures a save has already put aside; redoing it queues them again.
    void markRecipesForDelete(const QList<ManagedObject*>& recipes);
    // Removes the image files of the uniqueIDs listed in "RecipesMarkedForDelete.plist",
    // then the list itself. The files of a deletion the undo history can still take back
    // move to "Images Holding" instead.
    void deleteFilesForMarkedRecipesForDelete();

    // The application can undo deletions after they were saved, so the pictures of deleted
    // recipes wait in "Images Holding" until the undo history can no longer bring them
    // back: it is emptied, or the application quits. The command-line tool has no undo and
    // removes them at once (the default).
    void setHoldsDeletedPicturesForUndo(bool hold);
    // True when Edit › Undo will offer a deletion made now back, pictures included.
    bool deletionsCanBeUndone() const;
    // The folder where the pictures of deleted recipes wait while their deletion can be
    // undone.
    static QString holdingFolder(const QString& libraryPath);
    // Empties "Images Holding": pictures of recipes the library holds (in memory or in the
    // store) go back to "Images", the others are removed. Nothing is removed when the store
    // cannot be read. Runs when a library that holds pictures opens (after a crash), when
    // its undo history is emptied and at quit.
    void releaseHeldPictures();
    // The uniqueIDs waiting in memory for the next save (empty when none).
    QStringList recipesMarkedForDelete() const { return m_markedForDelete.value_or(QStringList()); }

    // At quit: true to terminate now, false to cancel the quit.
    bool applicationShouldTerminate();

    // Ensures what every library needs once the store is open. Runs 1.0 s after the store
    // opened: asks once whether to import a version-one database found in the
    // application support folder; gives the fixed groups their localised names and the
    // smart-group and platefeed flags their records imply; fills a library without
    // "My Recipes" with the starter groups and sample recipes; adds the measurement rules
    // when there are none. None of it is an undoable user action.
    void validateGroupsContent();

    // Creates the groups of an array of dictionaries ("name", the flags, "predicates",
    // "platefeedAddress" and "subGroups" of {"name"}), skipping every dictionary whose
    // name an existing group already has; then asks for "My Recipes" to be selected.
    void addGroupsFromArray(const QVariantList& groups);

    // Imports the sample recipes of a new library from an exchange file; answers how many
    // it imported. The exchange-file importer lives in a layer above this one, so whoever
    // opens the library gives it; without one a new library has no sample recipes.
    using SampleRecipesImporter = std::function<int(const QString& lsrPath)>;
    void setSampleRecipesImporter(SampleRecipesImporter importer) {
        m_sampleRecipesImporter = std::move(importer);
    }

    // Imports a whole version-one library (the first-start question's "Yes") and calls
    // finished when it has ended, which may be later (the application imports in batches from
    // the event loop). The importer lives in a layer above this one; without one the
    // question adds the upgrade groups only.
    using VersionOneDatabaseImporter =
        std::function<void(const QString& databasePath, std::function<void()> finished)>;
    void setVersionOneDatabaseImporter(VersionOneDatabaseImporter importer) {
        m_versionOneDatabaseImporter = std::move(importer);
    }

    UndoManager* windowWillReturnUndoManager();

    // The path of the marked-for-delete list in the library folder.
    QString markedForDeletePath() const;

signals:
    // The store opened; the fixed content is ensured a second later.
    void storeOpened();
    // 0.2 s after the store opened: the sidebar may start saving its expanded nodes.
    void autoExpandSidebar();
    // Ran validateGroupsContent.
    void groupsContentValidated();
    // The version-one library of the first-start question was imported and the upgrade's
    // smart groups added.
    void versionOneDatabaseImported();
    // The sidebar selects "My Recipes" (after groups were added).
    void selectMyLibraryGroupRequested();

private:
    bool writeMarkedList();
    void markForDelete(const QStringList& uniqueIDs);
    // Undo of a deletion: the recipes leave the queue, their held pictures come back.
    void unmarkForDelete(const QStringList& uniqueIDs);
    void watchUndoHistory();
    // At open: what an interrupted import left in the staging folder.
    void recoverStagedImages();
    void updatePictureFilesAfterSave();
    void addGroupsFromResource(const QString& fileName);
    // After the version-one import of the first-start question: the upgrade's smart groups.
    void finishVersionOneUpgrade();
    void presentError(const QString& message, const QString& informative);
    // At opening, when the store could not be opened: a store that fails SQLite's quick check is
    // offered to be replaced by the newest good backup. False when the user chose to quit (or the restore
    // failed).
    bool offerRestoreOfDamagedStore();
    QString readOnlyInformativeText() const;

    QString m_libraryPath;
    Alerts* m_alerts;
    std::unique_ptr<ObjectContext> m_context;
    bool m_triedOpening = false;
    QString m_storeError;
    std::optional<QStringList> m_markedForDelete;
    SampleRecipesImporter m_sampleRecipesImporter;
    VersionOneDatabaseImporter m_versionOneDatabaseImporter;
    QString m_lastSaveError;
    std::function<void()> m_afterSave;
    bool m_holdDeletedPictures = false;
    bool m_watchingUndo = false;
    // Queued uniqueIDs whose deletion the undo history can take back: their pictures are
    // held at the save instead of removed.
    QSet<QString> m_undoableDeletes;
};

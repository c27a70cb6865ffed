#pragma once

#include "DataModel.h"
#include "ManagedObject.h"
#include "Predicate.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class UndoManager;
struct sqlite3;
struct sqlite3_stmt;

struct SortDescriptor {
    QString key;
    bool ascending = true;
    bool caseInsensitive = false; // compare texts without regard to case
};

struct FetchRequest {
    QString entityName;
    PredicatePtr predicate; // null: every record
    QList<SortDescriptor> sortDescriptors;
    int fetchLimit = 0; // 0: no limit

    FetchRequest() = default;
    explicit FetchRequest(QString entity, PredicatePtr filter = {}, QList<SortDescriptor> sort = {})
        : entityName(std::move(entity)), predicate(std::move(filter)), sortDescriptors(std::move(sort)) {}
};

struct StoreOptions {
    bool createIfMissing = true;
    // Reads only: fetches work, a save with changes fails with SaveFailure::ReadOnly. A
    // store whose file or folder cannot be written is opened this way whatever this says.
    bool readOnly = false;
    // How long a save (and a read) waits while another program writes to the store.
    int busyTimeoutMs = 10000;
};

// Why the last save failed.
enum class SaveFailure {
    None,
    ReadOnly, // the store was opened read-only or its file refused the write
    Busy,     // another program kept the store locked for longer than the busy timeout
    Damaged,  // reading the store failed (a damaged file): nothing is written to it any more
    Other,
};

// The records of one open store: insert, delete, fetch, save, undo. A store is a SQLite
// file holding the records of one data model; a save writes what changed in one
// transaction. Main thread only; other threads open their own read-only context.
class ObjectContext : public QObject {
    Q_OBJECT
public:
    // Opens the store at path with model (creating an empty store when the file is absent
    // and options allow). Returns nullptr with a message when the file is not a store,
    // belongs to another model, or cannot be read; such a file is left as it was.
    static std::unique_ptr<ObjectContext> open(const QString& path, const DataModel& model, QString* error,
                                               StoreOptions options = {});

    // A store file's metadata (with "modelVersion", "modelName", "modelFingerprint"),
    // read without opening a context; std::nullopt with a message when it is not a store.
    static std::optional<QVariantMap> metadataForStoreAtPath(const QString& path, QString* error = nullptr);
    // Replaces the metadata of a store file that is not open elsewhere.
    static bool setMetadataForStoreAtPath(const QVariantMap& metadata, const QString& path,
                                          QString* error = nullptr);

    ~ObjectContext() override;

    const DataModel& model() const { return m_model; }
    const QString& storePath() const { return m_path; }
    const QString& storeIdentifier() const { return m_storeIdentifier; }

    // Metadata of the open store; a change is written with the next save.
    QVariantMap metadata() const { return m_metadata; }
    void setMetadata(const QVariantMap& metadata);

    // Inserts a record of the entity and runs its awakeFromInsert.
    ManagedObject* insertNewObject(const QString& entityName);
    // Deletes a record (and, by the delete rules, related records).
    void deleteObject(ManagedObject* object);

    // The live records matching the request: saved ones and pending inserts, without
    // pending deletes, filtered and sorted in memory. An unknown entity gives an empty
    // list and an error.
    QList<ManagedObject*> executeFetchRequest(const FetchRequest& request, QString* error = nullptr);
    int countForFetchRequest(const FetchRequest& request, QString* error = nullptr);
    // The texts one attribute holds in the store as last saved, read straight from the file
    // (records in memory are not consulted or loaded). Empty for an unknown attribute;
    // std::nullopt when the store could not be read (see readFailure()).
    std::optional<QStringList> storedTexts(const QString& entityName, const QString& attributeName) const;

    // The record of an identity (or its text form), or nullptr.
    ManagedObject* objectWithID(const ObjectID& id);
    ManagedObject* objectWithURI(const QString& uri);

    // Writes every change in one transaction; on failure nothing is written, the changes
    // and the temporary identities stay in memory, error says why and lastSaveFailure()
    // what kind of failure it was. New records are numbered inside the transaction, from
    // the highest number any program has written, so several programs can write to one
    // store. Without changes a save succeeds, also on a read-only store.
    bool save(QString* error = nullptr);
    SaveFailure lastSaveFailure() const { return m_lastSaveFailure; }
    // The store was opened read-only (asked for, file or folder not writable, or a write
    // refused by the file system).
    bool isReadOnly() const { return m_readOnly; }
    // Why reading the store failed, when it did for another reason than a lock held by
    // another program (a damaged file); empty otherwise. Once set, fetches may have
    // missed records, so every later save with changes fails with SaveFailure::Damaged
    // instead of writing into the damaged file; the changes stay in memory.
    const QString& readFailure() const { return m_readFailure; }
    bool hasChanges() const;
    // Grows with every insert, delete and change; caches built from records compare it.
    quint64 changeGeneration() const { return m_changeGeneration; }

    // Pending edits: editors (fields being typed in) register a commit function; before a
    // save the owner asks them all to commit. Returns false when one refuses.
    int registerEditor(std::function<bool()> commit);
    void unregisterEditor(int token);
    bool commitEditing();

    // Closes the current undo group and announces the changes made since the last call.
    void processPendingChanges();
    UndoManager* undoManager() const { return m_undoManager; }

Q_SIGNALS:
    // Emitted after changes were processed (inserted, updated or deleted records).
    void objectsDidChange();
    void didSave();
    // A record asks the views over this context to select it (a group just made).
    void selectionRequested(ManagedObject* object);

private:
    friend class ManagedObject;
    ObjectContext(const DataModel& model, QString path);
    bool openDatabase(StoreOptions options, QString* error);
    bool createStore(QString* error);
    bool configureConnection(QString* error);
    bool failSave(QString* error, int sqliteCode, const QString& message);
    bool failRead(QString* error) const;
    bool readStoredMaxKey(int entityIndex, qint64* maxKey);
    bool readPrimaryKeys(QString* error);
    sqlite3_stmt* cachedStatement(const QString& sql);
    bool ensureLoaded(int entityIndex, QString* error);
    const QList<ManagedObject*>& liveObjects(int entityIndex);
    ManagedObject* makeObject(const EntityDescription* entity);
    void markDeleted(ManagedObject* object, bool deleted);
    void objectChanged(ManagedObject* object);
    void scheduleChangeNotification();
    bool writeChanges(QString* error);
    bool writeManyToManyLinks(QString* error);

    DataModel m_model;
    QString m_path;
    QString m_storeIdentifier;
    QVariantMap m_metadata;
    bool m_metadataChanged = false;
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    int m_busyTimeoutMs = 10000;
    SaveFailure m_lastSaveFailure = SaveFailure::None;
    mutable QString m_readFailure;
    UndoManager* m_undoManager = nullptr;

    struct EntityState {
        bool loaded = false;
        std::vector<std::unique_ptr<ManagedObject>> objects; // every record ever seen
        QList<ManagedObject*> live;                          // saved and inserted, not deleted
        QHash<qint64, ManagedObject*> byKey;
        qint64 maxKey = 0;      // the highest record number seen; the store's is read at each save
        bool liveDirty = false; // live needs rebuilding
    };
    std::vector<EntityState> m_entities;
    QList<ManagedObject*> m_changed; // records changed since the last save, in order
    QSet<ManagedObject*> m_changedSet;
    quint64 m_changeGeneration = 0;
    bool m_pendingNotification = false;
    QHash<QString, sqlite3_stmt*> m_statements;
    quint64 m_nextTemporary = 1;
    QHash<int, std::function<bool()>> m_editors;
    int m_nextEditorToken = 1;
    bool m_notificationScheduled = false;
};

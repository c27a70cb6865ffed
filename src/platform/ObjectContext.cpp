#include "ObjectContext.h"

#include "PropertyList.h"
#include "UndoManager.h"
#include "Utf8Text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

ManagedObject* makeManagedObject(ObjectContext* context, const EntityDescription* entity);

namespace {

const char kStoreType[] = "LarkspoonSQLite";
const QString kStoreTypeKey = QStringLiteral("storeType");
const QString kFingerprintKey = QStringLiteral("modelFingerprint");
const QString kModelNameKey = QStringLiteral("modelName");
const QString kStoreUUIDKey = QStringLiteral("storeUUID");

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

QString sqliteMessage(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

QString readOnlyMessage() {
    return QCoreApplication::translate("ObjectContext", "The library is read-only.");
}

QString busyMessage() {
    return QCoreApplication::translate("ObjectContext",
                                       "The library is being changed by another program; try again.");
}

// Whether this process may write the store: the file itself, and its folder, where SQLite
// makes the log and shared-memory files of a writing connection. A read-only medium
// answers no even to the superuser.
bool storeIsWritable(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    return ::access(file.constData(), W_OK) == 0 && ::access(folder.constData(), W_OK) == 0;
}

QString quoted(const QString& identifier) {
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_statement; }
    explicit operator bool() const { return m_statement != nullptr; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

bool execute(sqlite3* db, const char* sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        fail(error, QString::fromUtf8(message ? message : "unknown SQLite error"));
        sqlite3_free(message);
        return false;
    }
    return true;
}

// The first bytes of every SQLite database file, read through the connection's own file
// handle. Opening the file a second time would not do: closing that descriptor drops every
// lock this process holds on the file (POSIX locks belong to the process), so its other
// connections would look gone to other programs, which could then fold the log away
// under them ("disk I/O error", at worst a damaged store).
bool hasSQLiteHeader(sqlite3* db, const QString& path, QString* error) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return fail(error,
                    QCoreApplication::translate("ObjectContext", "The file \"%1\" could not be read: %2")
                        .arg(path, sqliteMessage(db)));
    QByteArray header(100, '\0');
    const int rc = file->pMethods->xRead(file, header.data(), int(header.size()), 0);
    sqlite3_int64 fileSize = 0;
    if ((rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) ||
        file->pMethods->xFileSize(file, &fileSize) != SQLITE_OK)
        return fail(error,
                    QCoreApplication::translate("ObjectContext", "The file \"%1\" could not be read: %2")
                        .arg(path, QString::fromUtf8(sqlite3_errstr(rc))));
    // A short read leaves zeros, which are no header.
    if (rc != SQLITE_OK || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return fail(error, QCoreApplication::translate("ObjectContext",
                                                       "The file \"%1\" is not a Larkspoon! library store.")
                               .arg(path));
    // A file cut short: the header records the page size and, when valid, the page count.
    const quint32 pageSize = (quint8(header[16]) << 8 | quint8(header[17])) == 1
                                 ? 65536
                                 : (quint8(header[16]) << 8 | quint8(header[17]));
    auto be32 = [&](int offset) {
        return quint32(quint8(header[offset])) << 24 | quint32(quint8(header[offset + 1])) << 16 |
               quint32(quint8(header[offset + 2])) << 8 | quint32(quint8(header[offset + 3]));
    };
    const quint32 pageCount = be32(28);
    const bool countValid = be32(24) == be32(92) && pageCount != 0;
    const bool walPending = QFileInfo::exists(path + QStringLiteral("-wal"));
    if (countValid && !walPending && qint64(pageSize) * pageCount > qint64(fileSize))
        return fail(error,
                    QCoreApplication::translate(
                        "ObjectContext", "The library store \"%1\" is damaged (the file is incomplete).")
                        .arg(path));
    return true;
}

// The result of reading the schema: SQLITE_OK when the connection can read the store.
int readProbe(sqlite3* db) {
    Statement statement(db, QStringLiteral("SELECT COUNT(*) FROM SQLITE_MASTER"));
    if (statement && sqlite3_step(statement.get()) == SQLITE_ROW)
        return SQLITE_OK;
    return sqlite3_errcode(db);
}

std::optional<QVariantMap> readMetadata(sqlite3* db, const QString& path, QString* error) {
    Statement statement(db, QStringLiteral("SELECT Z_PLIST FROM LS_METADATA LIMIT 1"));
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) {
        // A file that could not be read (locked, no permission, an input/output error) is
        // not said to be something else: the user might throw a good store away.
        const int code = sqlite3_errcode(db) & 0xff;
        if (code == SQLITE_ERROR || code == SQLITE_NOTADB || code == SQLITE_DONE || code == SQLITE_OK)
            fail(error, QCoreApplication::translate("ObjectContext",
                                                    "The file \"%1\" is not a Larkspoon! library store.")
                            .arg(path));
        else
            fail(error, QCoreApplication::translate("ObjectContext",
                                                    "The library store \"%1\" could not be read: %2")
                            .arg(path, sqliteMessage(db)));
        return std::nullopt;
    }
    const QByteArray bytes(static_cast<const char*>(sqlite3_column_blob(statement.get(), 0)),
                           sqlite3_column_bytes(statement.get(), 0));
    const PropertyListResult plist = readPropertyList(bytes);
    const QVariantMap metadata = plist.value.toMap();
    if (!plist.ok() || metadata.value(kStoreTypeKey).toString() != QLatin1String(kStoreType)) {
        fail(error, QCoreApplication::translate("ObjectContext",
                                                "The file \"%1\" is not a Larkspoon! library store.")
                        .arg(path));
        return std::nullopt;
    }
    return metadata;
}

bool writeMetadata(sqlite3* db, const QVariantMap& metadata, QString* error) {
    Statement statement(db, QStringLiteral("UPDATE LS_METADATA SET Z_PLIST = ?"));
    if (!statement)
        return fail(error, sqliteMessage(db));
    const QByteArray bytes = xmlPropertyListData(metadata);
    sqlite3_bind_blob(statement.get(), 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(statement.get()) != SQLITE_DONE)
        return fail(error, sqliteMessage(db));
    return true;
}

// Opens an existing store file for reading (and writing unless readOnly) without creating
// anything.
sqlite3* openExisting(const QString& path, bool readOnly, int busyTimeoutMs, QString* error) {
    if (!QFileInfo::exists(path)) {
        fail(error,
             QCoreApplication::translate("ObjectContext", "There is no library store at \"%1\".").arg(path));
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        fail(error,
             QCoreApplication::translate("ObjectContext", "The library store \"%1\" could not be opened: %2")
                 .arg(path, sqliteMessage(db)));
        sqlite3_close_v2(db);
        return nullptr;
    }
    if (!hasSQLiteHeader(db, path, error)) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    if (readOnly && readProbe(db) != SQLITE_OK && QFileInfo(path + QStringLiteral("-wal")).size() == 0) {
        // A store in write-ahead mode in a folder that cannot be written: SQLite cannot make
        // the log and shared-memory files its readers need. With no log waiting beside it
        // the store file holds every saved record, and nobody can change it, so it is read
        // as an immutable file.
        sqlite3_close_v2(db);
        db = nullptr;
        const QByteArray uri =
            QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1";
        if (sqlite3_open_v2(uri.constData(), &db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            fail(error, QCoreApplication::translate("ObjectContext",
                                                    "The library store \"%1\" could not be opened: %2")
                            .arg(path, sqliteMessage(db)));
            sqlite3_close_v2(db);
            return nullptr;
        }
    }
    return db;
}

QString columnType(AttributeType type) {
    switch (type) {
    case AttributeType::Text:
        return QStringLiteral("TEXT");
    case AttributeType::Integer:
    case AttributeType::Boolean:
        return QStringLiteral("INTEGER");
    case AttributeType::Float:
    case AttributeType::Date:
        return QStringLiteral("REAL");
    case AttributeType::Data:
        return QStringLiteral("BLOB");
    }
    return QStringLiteral("BLOB");
}

QVariant readColumn(sqlite3_stmt* statement, int column, AttributeType type) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return {};
    switch (type) {
    case AttributeType::Text: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return exactTextFromUtf8(QByteArrayView(text, sqlite3_column_bytes(statement, column)));
    }
    case AttributeType::Integer:
        return qint64(sqlite3_column_int64(statement, column));
    case AttributeType::Boolean:
        return sqlite3_column_int64(statement, column) != 0;
    case AttributeType::Float:
        return sqlite3_column_double(statement, column);
    case AttributeType::Date:
        return QDateTime::fromMSecsSinceEpoch(
            qint64(std::llround(sqlite3_column_double(statement, column) * 1000.0)), Qt::UTC);
    case AttributeType::Data: {
        const void* blob = sqlite3_column_blob(statement, column);
        return QByteArray(static_cast<const char*>(blob), sqlite3_column_bytes(statement, column));
    }
    }
    return {};
}

void bindValue(sqlite3_stmt* statement, int parameter, const QVariant& value, AttributeType type) {
    if (value.isNull()) {
        sqlite3_bind_null(statement, parameter);
        return;
    }
    switch (type) {
    case AttributeType::Text: {
        const QByteArray utf8 = value.toString().toUtf8();
        sqlite3_bind_text(statement, parameter, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return;
    }
    case AttributeType::Integer:
        sqlite3_bind_int64(statement, parameter, value.toLongLong());
        return;
    case AttributeType::Boolean:
        sqlite3_bind_int64(statement, parameter, value.toBool() ? 1 : 0);
        return;
    case AttributeType::Float:
        sqlite3_bind_double(statement, parameter, value.toDouble());
        return;
    case AttributeType::Date:
        sqlite3_bind_double(statement, parameter, double(value.toDateTime().toMSecsSinceEpoch()) / 1000.0);
        return;
    case AttributeType::Data: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(statement, parameter, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

// Order of values for sorting: absent first, then numbers, dates and texts by value.
int compareValues(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    const int ta = a.typeId();
    const int tb = b.typeId();
    if (ta == QMetaType::QString && tb == QMetaType::QString)
        return QString::compare(*static_cast<const QString*>(a.constData()),
                                *static_cast<const QString*>(b.constData()));
    if (ta == QMetaType::QDateTime && tb == QMetaType::QDateTime) {
        const qint64 da = a.toDateTime().toMSecsSinceEpoch();
        const qint64 db = b.toDateTime().toMSecsSinceEpoch();
        return da < db ? -1 : (da > db ? 1 : 0);
    }
    bool okA = false;
    bool okB = false;
    const double na = a.toDouble(&okA);
    const double nb = b.toDouble(&okB);
    if (okA && okB && ta != QMetaType::QString && tb != QMetaType::QString)
        return na < nb ? -1 : (na > nb ? 1 : 0);
    return QString::compare(a.toString(), b.toString());
}

} // namespace

ObjectContext::ObjectContext(const DataModel& model, QString path)
    : m_model(model), m_path(std::move(path)), m_undoManager(new UndoManager(this)) {
    m_entities.resize(m_model.entities().size());
}

ObjectContext::~ObjectContext() {
    for (sqlite3_stmt* statement : std::as_const(m_statements))
        sqlite3_finalize(statement);
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::unique_ptr<ObjectContext> ObjectContext::open(const QString& path, const DataModel& model,
                                                   QString* error, StoreOptions options) {
    std::unique_ptr<ObjectContext> context(new ObjectContext(model, path));
    if (!context->openDatabase(options, error))
        return nullptr;
    return context;
}

bool ObjectContext::openDatabase(StoreOptions options, QString* error) {
    m_readOnly = options.readOnly;
    m_busyTimeoutMs = options.busyTimeoutMs;
    const bool exists = QFileInfo::exists(m_path);
    if (!exists) {
        if (!options.createIfMissing || options.readOnly)
            return fail(error,
                        QCoreApplication::translate("ObjectContext", "There is no library store at \"%1\".")
                            .arg(m_path));
        return createStore(error);
    }
    // A store this process cannot write (a read-only medium, a locked folder, another
    // user's file) is read without writing anything; opened for writing, SQLite could not
    // read it at all.
    if (!m_readOnly && !storeIsWritable(m_path))
        m_readOnly = true;
    m_db = openExisting(m_path, m_readOnly, m_busyTimeoutMs, error);
    if (!m_db)
        return false;
    const std::optional<QVariantMap> metadata = readMetadata(m_db, m_path, error);
    if (!metadata)
        return false;
    if (metadata->value(kFingerprintKey).toString() != m_model.fingerprint()) {
        const QString version = metadata->value(QStringLiteral("modelVersion")).toString();
        return fail(error,
                    QCoreApplication::translate(
                        "ObjectContext",
                        "The library store \"%1\" was written with another data model (%2) and cannot be "
                        "opened with %3.")
                        .arg(m_path,
                             version.isEmpty() ? metadata->value(kModelNameKey).toString()
                                               : QStringLiteral("version ") + version,
                             m_model.name()));
    }
    m_metadata = *metadata;
    m_storeIdentifier = m_metadata.value(kStoreUUIDKey).toString();
    if (!m_readOnly && sqlite3_db_readonly(m_db, "main") == 1)
        m_readOnly = true; // SQLite could open the file for reading only
    if (!m_readOnly) {
        QString message;
        if (!configureConnection(&message)) {
            if ((sqlite3_errcode(m_db) & 0xff) != SQLITE_READONLY)
                return fail(error, message);
            m_readOnly = true; // the file system refused the first write
        }
    }
    return readPrimaryKeys(error);
}

bool ObjectContext::configureConnection(QString* error) {
    // Write-ahead logging: a save is one append to the log, and a process killed in the
    // middle of it leaves the store as it was before that save.
    return execute(m_db, "PRAGMA journal_mode=WAL", error) && execute(m_db, "PRAGMA synchronous=FULL", error);
}

bool ObjectContext::createStore(QString* error) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db, flags, nullptr) != SQLITE_OK)
        return fail(error, QCoreApplication::translate("ObjectContext",
                                                       "The library store \"%1\" could not be created: %2")
                               .arg(m_path, sqliteMessage(m_db)));
    sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
    if (!configureConnection(error))
        return false;
    QStringList schema;
    schema << QStringLiteral("CREATE TABLE LS_METADATA (Z_PLIST BLOB NOT NULL)")
           << QStringLiteral(
                  "CREATE TABLE LS_PRIMARYKEY (Z_ENTITY TEXT PRIMARY KEY, Z_MAX INTEGER NOT NULL)");
    for (const EntityDescription& entity : m_model.entities()) {
        QStringList columns{QStringLiteral("Z_PK INTEGER PRIMARY KEY")};
        for (const AttributeDescription& attribute : entity.attributes)
            columns << quoted(attribute.name) + QLatin1Char(' ') + columnType(attribute.type);
        for (const RelationshipDescription& relationship : entity.relationships)
            if (!relationship.toMany)
                columns << quoted(relationship.name) + QStringLiteral(" INTEGER");
        schema << QStringLiteral("CREATE TABLE %1 (%2)")
                      .arg(quoted(entity.name), columns.join(QStringLiteral(", ")));
        for (const RelationshipDescription& relationship : entity.relationships)
            if (!relationship.toMany)
                schema << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                              .arg(quoted(entity.name + QLatin1Char('_') + relationship.name),
                                   quoted(entity.name), quoted(relationship.name));
        schema << QStringLiteral("INSERT INTO LS_PRIMARYKEY VALUES ('%1', 0)").arg(entity.name);
        for (const RelationshipDescription& relationship : entity.relationships) {
            if (relationship.manyToMany && relationship.ownsJoinTable) {
                schema << QStringLiteral(
                              "CREATE TABLE %1 (Z_OWNER INTEGER NOT NULL, Z_MEMBER INTEGER NOT NULL, "
                              "PRIMARY KEY (Z_OWNER, Z_MEMBER))")
                              .arg(quoted(relationship.joinTable))
                       << QStringLiteral("CREATE INDEX %1 ON %2 (Z_MEMBER)")
                              .arg(quoted(relationship.joinTable + QStringLiteral("_member")),
                                   quoted(relationship.joinTable));
            }
        }
    }
    m_metadata.insert(kStoreTypeKey, QString::fromLatin1(kStoreType));
    m_metadata.insert(kFingerprintKey, m_model.fingerprint());
    m_metadata.insert(kModelNameKey, m_model.name());
    m_metadata.insert(kStoreUUIDKey, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    m_storeIdentifier = m_metadata.value(kStoreUUIDKey).toString();

    if (!execute(m_db, "BEGIN IMMEDIATE", error))
        return false;
    for (const QString& statement : std::as_const(schema)) {
        if (!execute(m_db, statement.toUtf8().constData(), error)) {
            execute(m_db, "ROLLBACK", nullptr);
            return false;
        }
    }
    Statement insertMetadata(m_db, QStringLiteral("INSERT INTO LS_METADATA VALUES (?)"));
    const QByteArray bytes = xmlPropertyListData(m_metadata);
    sqlite3_bind_blob(insertMetadata.get(), 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(insertMetadata.get()) != SQLITE_DONE) {
        fail(error, sqliteMessage(m_db));
        execute(m_db, "ROLLBACK", nullptr);
        return false;
    }
    if (!execute(m_db, "COMMIT", error))
        return false;
    return readPrimaryKeys(error);
}

bool ObjectContext::readPrimaryKeys(QString* error) {
    Statement statement(m_db, QStringLiteral("SELECT Z_ENTITY, Z_MAX FROM LS_PRIMARYKEY"));
    if (!statement)
        return fail(error,
                    QCoreApplication::translate("ObjectContext", "The library store \"%1\" is damaged: %2")
                        .arg(m_path, sqliteMessage(m_db)));
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const QString entity =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)));
        const int index = m_model.entityIndex(entity);
        if (index >= 0)
            m_entities[index].maxKey = sqlite3_column_int64(statement.get(), 1);
    }
    if (rc != SQLITE_DONE)
        return fail(error,
                    QCoreApplication::translate("ObjectContext", "The library store \"%1\" is damaged: %2")
                        .arg(m_path, sqliteMessage(m_db)));
    return true;
}

std::optional<QVariantMap> ObjectContext::metadataForStoreAtPath(const QString& path, QString* error) {
    sqlite3* db = openExisting(path, !storeIsWritable(path), StoreOptions().busyTimeoutMs, error);
    if (!db)
        return std::nullopt;
    std::optional<QVariantMap> metadata = readMetadata(db, path, error);
    sqlite3_close_v2(db);
    return metadata;
}

bool ObjectContext::setMetadataForStoreAtPath(const QVariantMap& metadata, const QString& path,
                                              QString* error) {
    sqlite3* db = openExisting(path, false, StoreOptions().busyTimeoutMs, error);
    if (!db)
        return false;
    std::optional<QVariantMap> current = readMetadata(db, path, error);
    bool ok = false;
    if (current) {
        // The engine's own keys stay as they are: they say what the file is.
        QVariantMap merged = metadata;
        for (const QString& key : {kStoreTypeKey, kFingerprintKey, kModelNameKey, kStoreUUIDKey})
            merged.insert(key, current->value(key));
        ok = writeMetadata(db, merged, error);
    }
    sqlite3_close_v2(db);
    return ok;
}

void ObjectContext::setMetadata(const QVariantMap& metadata) {
    QVariantMap merged = metadata;
    for (const QString& key : {kStoreTypeKey, kFingerprintKey, kModelNameKey, kStoreUUIDKey})
        merged.insert(key, m_metadata.value(key));
    if (merged == m_metadata)
        return;
    m_metadata = merged;
    m_metadataChanged = true;
}

sqlite3_stmt* ObjectContext::cachedStatement(const QString& sql) {
    sqlite3_stmt* statement = m_statements.value(sql);
    if (statement) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        return statement;
    }
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &statement, nullptr) != SQLITE_OK)
        return nullptr;
    m_statements.insert(sql, statement);
    return statement;
}

// Reads every record of the entity, and of the entities its relationships reach, so
// that relationships can be linked in memory.
bool ObjectContext::ensureLoaded(int entityIndex, QString* error) {
    if (m_entities[entityIndex].loaded)
        return true;
    QList<int> pending{entityIndex};
    QList<int> toLoad;
    while (!pending.isEmpty()) {
        const int index = pending.takeFirst();
        if (m_entities[index].loaded || toLoad.contains(index))
            continue;
        toLoad << index;
        for (const RelationshipDescription& relationship : m_model.entities().at(index).relationships)
            pending << m_model.entityIndex(relationship.destinationEntity);
    }
    struct Link {
        ManagedObject* object;
        int relationship;
        qint64 key;
    };
    QList<Link> links;
    for (int index : std::as_const(toLoad)) {
        const EntityDescription& entity = m_model.entities().at(index);
        EntityState& state = m_entities[index];
        QStringList columns{QStringLiteral("Z_PK")};
        for (const AttributeDescription& attribute : entity.attributes)
            columns << quoted(attribute.name);
        QList<int> toOneIndexes;
        for (int r = 0; r < entity.relationships.size(); ++r) {
            if (!entity.relationships.at(r).toMany) {
                columns << quoted(entity.relationships.at(r).name);
                toOneIndexes << r;
            }
        }
        Statement statement(m_db, QStringLiteral("SELECT %1 FROM %2 ORDER BY Z_PK")
                                      .arg(columns.join(QStringLiteral(", ")), quoted(entity.name)));
        if (!statement)
            return failRead(error);
        std::vector<std::unique_ptr<ManagedObject>> loaded;
        int rc;
        const int attributeCount = int(entity.attributes.size());
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            std::unique_ptr<ManagedObject> object(makeObject(&entity));
            object->m_id.m_primaryKey = sqlite3_column_int64(statement.get(), 0);
            object->m_id.m_store = m_storeIdentifier;
            object->m_inStore = true;
            for (int a = 0; a < attributeCount; ++a)
                object->m_values[a] = readColumn(statement.get(), a + 1, entity.attributes.at(a).type);
            for (int j = 0; j < toOneIndexes.size(); ++j) {
                const int column = attributeCount + 1 + j;
                if (sqlite3_column_type(statement.get(), column) != SQLITE_NULL)
                    links.append(
                        {object.get(), toOneIndexes.at(j), sqlite3_column_int64(statement.get(), column)});
            }
            loaded.push_back(std::move(object));
        }
        if (rc != SQLITE_DONE)
            return failRead(error);
        // Records inserted before the entity was read stay after the saved ones.
        for (auto& object : state.objects)
            loaded.push_back(std::move(object));
        state.objects = std::move(loaded);
        for (const auto& object : state.objects) {
            if (object->m_id.m_primaryKey != 0)
                state.byKey.insert(object->m_id.m_primaryKey, object.get());
            state.maxKey = std::max(state.maxKey, object->m_id.m_primaryKey);
        }
        state.loaded = true;
        state.liveDirty = true;
    }
    for (const Link& link : std::as_const(links)) {
        const RelationshipDescription& relationship =
            link.object->m_entity->relationships.at(link.relationship);
        const int destination = m_model.entityIndex(relationship.destinationEntity);
        ManagedObject* target = m_entities[destination].byKey.value(link.key);
        if (!target)
            continue; // a dangling link reads as no link
        link.object->m_toOne[link.relationship] = target;
        const int inverse = target->m_entity->relationshipIndex(relationship.inverseName);
        target->m_toMany[inverse].append(link.object);
    }
    // Many-to-many pairs, read with the entity that owns their table; the other entity is
    // loaded by now (it was reached through the relationship).
    for (int index : std::as_const(toLoad)) {
        const EntityDescription& entity = m_model.entities().at(index);
        for (int r = 0; r < entity.relationships.size(); ++r) {
            const RelationshipDescription& relationship = entity.relationships.at(r);
            if (!relationship.manyToMany || !relationship.ownsJoinTable)
                continue;
            const EntityState& members = m_entities[m_model.entityIndex(relationship.destinationEntity)];
            const int inverse =
                m_model.entity(relationship.destinationEntity)->relationshipIndex(relationship.inverseName);
            Statement statement(
                m_db, QStringLiteral("SELECT Z_OWNER, Z_MEMBER FROM %1").arg(quoted(relationship.joinTable)));
            if (!statement)
                return failRead(error);
            int rc;
            while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
                ManagedObject* owner =
                    m_entities[index].byKey.value(sqlite3_column_int64(statement.get(), 0));
                ManagedObject* member = members.byKey.value(sqlite3_column_int64(statement.get(), 1));
                if (!owner || !member)
                    continue;
                owner->m_toMany[r].append(member);
                member->m_toMany[inverse].append(owner);
            }
            if (rc != SQLITE_DONE)
                return failRead(error);
        }
    }
    for (int index : std::as_const(toLoad))
        for (const auto& object : m_entities[index].objects)
            if (object->m_inStore)
                object->awakeFromFetch();
    return true;
}

ManagedObject* ObjectContext::makeObject(const EntityDescription* entity) {
    return makeManagedObject(this, entity);
}

ManagedObject* ObjectContext::insertNewObject(const QString& entityName) {
    const int index = m_model.entityIndex(entityName);
    if (index < 0) {
        qWarning("insertNewObject: no entity %s in %s", qPrintable(entityName), qPrintable(m_model.name()));
        return nullptr;
    }
    QString error;
    if (!ensureLoaded(index, &error))
        qWarning("%s", qPrintable(error));
    EntityState& state = m_entities[index];
    std::unique_ptr<ManagedObject> owned(makeObject(&m_model.entities().at(index)));
    ManagedObject* object = owned.get();
    object->m_id.m_temporaryNumber = m_nextTemporary++;
    state.objects.push_back(std::move(owned));
    state.live.append(object);
    objectChanged(object);
    m_undoManager->registerUndo([this, object] { markDeleted(object, true); });
    object->awakeFromInsert();
    return object;
}

void ObjectContext::deleteObject(ManagedObject* object) {
    if (!object || object->m_context != this || object->m_deleted || object->m_beingDeleted)
        return;
    object->m_beingDeleted = true; // related records that cascade back stop here
    const EntityDescription& entity = *object->m_entity;
    for (int r = 0; r < entity.relationships.size(); ++r) {
        const RelationshipDescription& relationship = entity.relationships.at(r);
        if (!relationship.toMany) {
            object->setToOne(r, nullptr, true);
            continue;
        }
        const QList<ManagedObject*> related = object->m_toMany.at(r);
        for (ManagedObject* other : related) {
            if (relationship.manyToMany)
                object->setManyToManyLink(r, other, false);
            else if (relationship.deleteRule != DeleteRule::Cascade)
                other->setToOne(other->m_entity->relationshipIndex(relationship.inverseName), nullptr, true);
            if (relationship.deleteRule == DeleteRule::Cascade)
                deleteObject(other);
        }
    }
    object->m_beingDeleted = false;
    markDeleted(object, true);
}

void ObjectContext::markDeleted(ManagedObject* object, bool deleted) {
    if (object->m_deleted == deleted)
        return;
    object->m_deleted = deleted;
    EntityState& state = m_entities[m_model.entityIndex(object->entityName())];
    state.liveDirty = true;
    objectChanged(object);
    m_undoManager->registerUndo([this, object, deleted] { markDeleted(object, !deleted); });
}

void ObjectContext::objectChanged(ManagedObject* object) {
    if (!m_changedSet.contains(object)) {
        m_changedSet.insert(object);
        m_changed.append(object);
    }
    ++m_changeGeneration;
    scheduleChangeNotification();
}

void ObjectContext::scheduleChangeNotification() {
    m_pendingNotification = true;
    if (m_notificationScheduled)
        return;
    m_notificationScheduled = true;
    QMetaObject::invokeMethod(this, &ObjectContext::processPendingChanges, Qt::QueuedConnection);
}

void ObjectContext::processPendingChanges() {
    m_notificationScheduled = false;
    m_undoManager->closeImplicitGroup();
    if (m_pendingNotification) {
        m_pendingNotification = false;
        emit objectsDidChange();
    }
}

const QList<ManagedObject*>& ObjectContext::liveObjects(int entityIndex) {
    EntityState& state = m_entities[entityIndex];
    if (state.liveDirty) {
        state.live.clear();
        state.live.reserve(qsizetype(state.objects.size()));
        for (const auto& object : state.objects)
            if (!object->m_deleted)
                state.live.append(object.get());
        state.liveDirty = false;
    }
    return state.live;
}

QList<ManagedObject*> ObjectContext::executeFetchRequest(const FetchRequest& request, QString* error) {
    const int index = m_model.entityIndex(request.entityName);
    if (index < 0) {
        fail(error, QCoreApplication::translate("ObjectContext", "There is no entity named \"%1\".")
                        .arg(request.entityName));
        return {};
    }
    if (!ensureLoaded(index, error))
        return {};
    const QList<ManagedObject*>& live = liveObjects(index);
    QList<ManagedObject*> result;
    if (request.predicate) {
        result.reserve(live.size());
        for (ManagedObject* object : live)
            if (request.predicate->evaluate(*object))
                result.append(object);
    } else {
        result = live;
    }
    if (!request.sortDescriptors.isEmpty() && result.size() > 1) {
        // Read each sort key once per record, then sort indexes.
        const int count = int(result.size());
        const int keys = int(request.sortDescriptors.size());
        std::vector<QVariant> values(size_t(count) * size_t(keys));
        for (int i = 0; i < count; ++i) {
            for (int k = 0; k < keys; ++k) {
                const SortDescriptor& sort = request.sortDescriptors.at(k);
                const QString* folded =
                    sort.caseInsensitive ? result.at(i)->foldedTextForKey(sort.key, false) : nullptr;
                if (folded) {
                    values[size_t(i) * keys + k] = *folded;
                } else {
                    QVariant value = result.at(i)->valueForKey(sort.key);
                    if (sort.caseInsensitive && value.typeId() == QMetaType::QString)
                        value = value.toString().toCaseFolded();
                    values[size_t(i) * keys + k] = value;
                }
            }
        }
        std::vector<int> order(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            order[size_t(i)] = i;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            for (int k = 0; k < keys; ++k) {
                int c = compareValues(values[size_t(a) * keys + k], values[size_t(b) * keys + k]);
                if (!request.sortDescriptors.at(k).ascending)
                    c = -c;
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
        QList<ManagedObject*> sorted;
        sorted.reserve(count);
        for (int i : order)
            sorted.append(result.at(i));
        result = std::move(sorted);
    }
    if (request.fetchLimit > 0 && result.size() > request.fetchLimit)
        result.resize(request.fetchLimit);
    return result;
}

int ObjectContext::countForFetchRequest(const FetchRequest& request, QString* error) {
    const int index = m_model.entityIndex(request.entityName);
    if (index >= 0 && !request.predicate && !m_entities[index].loaded && m_changed.isEmpty()) {
        Statement statement(m_db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoted(request.entityName)));
        if (statement && sqlite3_step(statement.get()) == SQLITE_ROW)
            return sqlite3_column_int(statement.get(), 0);
    }
    return int(executeFetchRequest(request, error).size());
}

std::optional<QStringList> ObjectContext::storedTexts(const QString& entityName,
                                                      const QString& attributeName) const {
    const EntityDescription* entity = m_model.entity(entityName);
    if (!entity || !entity->attribute(attributeName))
        return QStringList();
    Statement statement(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL")
                                  .arg(quoted(attributeName), quoted(entityName)));
    if (!statement) {
        failRead(nullptr);
        return std::nullopt;
    }
    QStringList texts;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW)
        texts.append(exactTextFromUtf8(
            QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)),
                           sqlite3_column_bytes(statement.get(), 0))));
    if (rc != SQLITE_DONE) {
        failRead(nullptr);
        return std::nullopt;
    }
    return texts;
}

ManagedObject* ObjectContext::objectWithID(const ObjectID& id) {
    return objectWithURI(id.uriRepresentation());
}

ManagedObject* ObjectContext::objectWithURI(const QString& uri) {
    static const QString prefix = QStringLiteral("x-larkspoon://");
    if (!uri.startsWith(prefix))
        return nullptr;
    const QStringList parts = uri.mid(prefix.size()).split(QLatin1Char('/'));
    if (parts.size() != 3 || parts.at(2).size() < 2)
        return nullptr;
    const int index = m_model.entityIndex(parts.at(1));
    if (index < 0 || !ensureLoaded(index, nullptr))
        return nullptr;
    bool ok = false;
    const qint64 number = parts.at(2).mid(1).toLongLong(&ok);
    if (!ok)
        return nullptr;
    ManagedObject* object = nullptr;
    if (parts.at(2).at(0) == QLatin1Char('p')) {
        if (parts.at(0) != m_storeIdentifier)
            return nullptr;
        object = m_entities[index].byKey.value(number);
    } else if (parts.at(2).at(0) == QLatin1Char('t') && parts.at(0).isEmpty()) {
        for (const auto& candidate : m_entities[index].objects)
            if (candidate->m_id.m_temporaryNumber == quint64(number) && candidate->m_id.isTemporaryID())
                object = candidate.get();
    }
    return object && !object->m_deleted ? object : nullptr;
}

bool ObjectContext::hasChanges() const {
    if (m_metadataChanged)
        return true;
    for (ManagedObject* object : m_changed)
        if (object->hasChanges())
            return true;
    return false;
}

int ObjectContext::registerEditor(std::function<bool()> commit) {
    const int token = m_nextEditorToken++;
    m_editors.insert(token, std::move(commit));
    return token;
}

void ObjectContext::unregisterEditor(int token) {
    m_editors.remove(token);
}

bool ObjectContext::commitEditing() {
    bool ok = true;
    for (const auto& commit : std::as_const(m_editors))
        ok = commit() && ok;
    return ok;
}

bool ObjectContext::save(QString* error) {
    m_lastSaveFailure = SaveFailure::None;
    processPendingChanges();
    if (!hasChanges())
        return true;
    if (m_readOnly) {
        m_lastSaveFailure = SaveFailure::ReadOnly;
        return fail(error, readOnlyMessage());
    }
    if (!m_readFailure.isEmpty()) {
        m_lastSaveFailure = SaveFailure::Damaged;
        return fail(error, QCoreApplication::translate("ObjectContext",
                                                       "The library store \"%1\" is damaged and was not "
                                                       "changed: %2")
                               .arg(m_path, m_readFailure));
    }
    if (!writeChanges(error))
        return false;
    emit didSave();
    return true;
}

bool ObjectContext::failSave(QString* error, int sqliteCode, const QString& message) {
    switch (sqliteCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        m_lastSaveFailure = SaveFailure::Busy;
        return fail(error, busyMessage());
    case SQLITE_READONLY:
        m_readOnly = true; // the file system refused the write; later saves would fail alike
        m_lastSaveFailure = SaveFailure::ReadOnly;
        return fail(error, readOnlyMessage());
    default:
        m_lastSaveFailure = SaveFailure::Other;
        return fail(
            error,
            QCoreApplication::translate("ObjectContext", "The library could not be saved: %1").arg(message));
    }
}

// A read that failed. A lock held by another program passes; anything else (a damaged
// page, an I/O error) is remembered, so no save writes into a store that could not be read.
bool ObjectContext::failRead(QString* error) const {
    const QString message = sqliteMessage(m_db);
    const int code = sqlite3_extended_errcode(m_db) & 0xff;
    if (code != SQLITE_BUSY && code != SQLITE_LOCKED && m_readFailure.isEmpty())
        m_readFailure = message;
    return fail(error,
                QCoreApplication::translate("ObjectContext", "The library store \"%1\" could not be read: %2")
                    .arg(m_path, message));
}

// The highest record number of the entity that any program has used: the counter of the
// store, or a higher number found in the table (a store written without the counter).
bool ObjectContext::readStoredMaxKey(int entityIndex, qint64* maxKey) {
    const QString& name = m_model.entities().at(entityIndex).name;
    sqlite3_stmt* statement = cachedStatement(
        QStringLiteral("SELECT MAX(COALESCE((SELECT Z_MAX FROM LS_PRIMARYKEY WHERE Z_ENTITY = ?), 0), "
                       "COALESCE((SELECT MAX(Z_PK) FROM %1), 0))")
            .arg(quoted(name)));
    if (!statement)
        return false;
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(statement) != SQLITE_ROW)
        return false;
    *maxKey = sqlite3_column_int64(statement, 0);
    sqlite3_reset(statement);
    return true;
}

bool ObjectContext::writeChanges(QString* error) {
    // The highest record numbers known without this save's own: what a failed save leaves.
    std::vector<qint64> knownMax(m_entities.size());
    for (size_t i = 0; i < m_entities.size(); ++i)
        knownMax[i] = m_entities[i].maxKey;
    QList<ManagedObject*> assigned;
    auto undoAssignments = [&] {
        for (ManagedObject* object : std::as_const(assigned)) {
            object->m_id.m_primaryKey = 0;
            object->m_id.m_store.clear();
        }
        for (size_t i = 0; i < m_entities.size(); ++i)
            m_entities[i].maxKey = knownMax[i];
    };
    auto abort = [&](const QString& message) {
        const int code = sqlite3_extended_errcode(m_db);
        execute(m_db, "ROLLBACK", nullptr);
        undoAssignments();
        return failSave(error, code, message);
    };

    // The write lock first (waiting up to the busy timeout while another program writes),
    // so the record numbers read below stay this save's until it commits.
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failSave(error, sqlite3_extended_errcode(m_db), sqliteMessage(m_db));
    // Permanent identities first, so links between new records can be written at once.
    // They continue from the highest number in the store, which another program may have
    // raised since this context read it.
    QSet<int> touchedEntities;
    for (ManagedObject* object : std::as_const(m_changed))
        if (!object->m_deleted && object->m_id.m_primaryKey == 0)
            touchedEntities.insert(m_model.entityIndex(object->entityName()));
    for (int index : std::as_const(touchedEntities)) {
        qint64 stored = 0;
        if (!readStoredMaxKey(index, &stored))
            return abort(sqliteMessage(m_db));
        knownMax[size_t(index)] = std::max(knownMax[size_t(index)], stored);
        m_entities[size_t(index)].maxKey = knownMax[size_t(index)];
    }
    for (ManagedObject* object : std::as_const(m_changed)) {
        if (object->m_deleted || object->m_id.m_primaryKey != 0)
            continue;
        const int index = m_model.entityIndex(object->entityName());
        object->m_id.m_primaryKey = ++m_entities[index].maxKey;
        object->m_id.m_store = m_storeIdentifier;
        assigned.append(object);
    }
    for (ManagedObject* object : std::as_const(m_changed)) {
        const EntityDescription& entity = *object->m_entity;
        if (object->m_deleted) {
            if (!object->m_inStore)
                continue;
            sqlite3_stmt* statement =
                cachedStatement(QStringLiteral("DELETE FROM %1 WHERE Z_PK = ?").arg(quoted(entity.name)));
            if (!statement)
                return abort(sqliteMessage(m_db));
            sqlite3_bind_int64(statement, 1, object->m_id.m_primaryKey);
            if (sqlite3_step(statement) != SQLITE_DONE)
                return abort(sqliteMessage(m_db));
            continue;
        }
        // Which columns to write: all of them for a new row, the changed ones otherwise.
        QList<int> attributeColumns;
        QList<int> relationshipColumns;
        const bool insert = !object->m_inStore;
        for (int a = 0; a < entity.attributes.size(); ++a)
            if (insert || (object->m_changedMask & (quint64(1) << a)))
                attributeColumns << a;
        if (insert || object->m_relationshipsChanged)
            for (int r = 0; r < entity.relationships.size(); ++r)
                if (!entity.relationships.at(r).toMany)
                    relationshipColumns << r;
        if (!insert && attributeColumns.isEmpty() && relationshipColumns.isEmpty())
            continue;
        QStringList names;
        for (int a : std::as_const(attributeColumns))
            names << quoted(entity.attributes.at(a).name);
        for (int r : std::as_const(relationshipColumns))
            names << quoted(entity.relationships.at(r).name);
        QString sql;
        if (insert) {
            QStringList marks(names.size() + 1, QStringLiteral("?"));
            sql = QStringLiteral("INSERT INTO %1 (Z_PK, %2) VALUES (%3)")
                      .arg(quoted(entity.name), names.join(QStringLiteral(", ")),
                           marks.join(QStringLiteral(", ")));
        } else {
            sql = QStringLiteral("UPDATE %1 SET %2 = ? WHERE Z_PK = ?")
                      .arg(quoted(entity.name), names.join(QStringLiteral(" = ?, ")));
        }
        sqlite3_stmt* statement = cachedStatement(sql);
        if (!statement)
            return abort(sqliteMessage(m_db));
        int parameter = 1;
        if (insert)
            sqlite3_bind_int64(statement, parameter++, object->m_id.m_primaryKey);
        for (int a : std::as_const(attributeColumns))
            bindValue(statement, parameter++, object->m_values.at(a), entity.attributes.at(a).type);
        for (int r : std::as_const(relationshipColumns)) {
            ManagedObject* target = object->m_toOne.at(r);
            if (target && !target->m_deleted && target->m_id.m_primaryKey != 0)
                sqlite3_bind_int64(statement, parameter++, target->m_id.m_primaryKey);
            else
                sqlite3_bind_null(statement, parameter++);
        }
        if (!insert)
            sqlite3_bind_int64(statement, parameter++, object->m_id.m_primaryKey);
        if (sqlite3_step(statement) != SQLITE_DONE)
            return abort(sqliteMessage(m_db));
    }
    QString linkError;
    if (!writeManyToManyLinks(&linkError))
        return abort(linkError);
    for (int index : std::as_const(touchedEntities)) {
        sqlite3_stmt* statement =
            cachedStatement(QStringLiteral("UPDATE LS_PRIMARYKEY SET Z_MAX = ? WHERE Z_ENTITY = ?"));
        if (!statement)
            return abort(sqliteMessage(m_db));
        const QByteArray name = m_model.entities().at(index).name.toUtf8();
        sqlite3_bind_int64(statement, 1, m_entities[index].maxKey);
        sqlite3_bind_text(statement, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(statement) != SQLITE_DONE)
            return abort(sqliteMessage(m_db));
    }
    if (m_metadataChanged) {
        QString message;
        if (!writeMetadata(m_db, m_metadata, &message))
            return abort(message);
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return abort(sqliteMessage(m_db));

    // Written: the records now match the store.
    for (ManagedObject* object : std::as_const(m_changed)) {
        EntityState& state = m_entities[m_model.entityIndex(object->entityName())];
        if (object->m_deleted) {
            if (object->m_inStore)
                state.byKey.remove(object->m_id.m_primaryKey);
            object->m_inStore = false;
        } else {
            object->m_inStore = true;
            state.byKey.insert(object->m_id.m_primaryKey, object);
        }
        object->m_changedMask = 0;
        object->m_relationshipsChanged = false;
    }
    m_changed.clear();
    m_changedSet.clear();
    m_metadataChanged = false;
    return true;
}

// The join-table rows of changed records: a record that owns a many-to-many table has its
// rows written anew; a deleted record loses its rows on both sides.
bool ObjectContext::writeManyToManyLinks(QString* error) {
    auto run = [&](const QString& sql, qint64 first, qint64 second) {
        sqlite3_stmt* statement = cachedStatement(sql);
        if (!statement)
            return fail(error, sqliteMessage(m_db));
        sqlite3_bind_int64(statement, 1, first);
        if (second != 0)
            sqlite3_bind_int64(statement, 2, second);
        return sqlite3_step(statement) == SQLITE_DONE || fail(error, sqliteMessage(m_db));
    };
    for (ManagedObject* object : std::as_const(m_changed)) {
        if (!object->m_relationshipsChanged && !object->m_deleted)
            continue;
        const qint64 key = object->m_id.m_primaryKey;
        if (key == 0)
            continue; // inserted and deleted before ever being saved
        const EntityDescription& entity = *object->m_entity;
        for (int r = 0; r < entity.relationships.size(); ++r) {
            const RelationshipDescription& relationship = entity.relationships.at(r);
            if (!relationship.manyToMany)
                continue;
            const QString table = quoted(relationship.joinTable);
            if (!relationship.ownsJoinTable) {
                if (object->m_deleted &&
                    !run(QStringLiteral("DELETE FROM %1 WHERE Z_MEMBER = ?").arg(table), key, 0))
                    return false;
                continue;
            }
            if (!run(QStringLiteral("DELETE FROM %1 WHERE Z_OWNER = ?").arg(table), key, 0))
                return false;
            if (object->m_deleted)
                continue;
            for (ManagedObject* member : object->m_toMany.at(r)) {
                if (member->m_deleted || member->m_id.m_primaryKey == 0)
                    continue;
                if (!run(QStringLiteral("INSERT OR IGNORE INTO %1 (Z_OWNER, Z_MEMBER) VALUES (?, ?)")
                             .arg(table),
                         key, member->m_id.m_primaryKey))
                    return false;
            }
        }
    }
    return true;
}

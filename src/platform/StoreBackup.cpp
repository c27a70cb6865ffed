#include "StoreBackup.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// Pages copied per step; between steps the source is unlocked so the store's own
// connection can write.
constexpr int kPagesPerStep = 256;

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
    bool open(const QString& path, int flags, QString* error) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) ==
            SQLITE_OK) {
            sqlite3_busy_timeout(db, 5000);
            return true;
        }
        if (error)
            *error = QCoreApplication::translate("StoreBackup", "The file \"%1\" could not be opened: %2")
                         .arg(path, QString::fromUtf8(sqlite3_errmsg(db)));
        return false;
    }
};

bool runBackup(sqlite3* source, sqlite3* target, QString* error) {
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(target));
        return false;
    }
    int code = SQLITE_OK;
    do {
        code = sqlite3_backup_step(backup, kPagesPerStep);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            sqlite3_sleep(5);
    } while (code == SQLITE_OK || code == SQLITE_BUSY || code == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (code != SQLITE_DONE) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errstr(code));
        return false;
    }
    return true;
}

} // namespace

bool copyStoreFile(const QString& sourcePath, const QString& targetPath, QString* error) {
    if (!QFileInfo(sourcePath).isFile()) {
        if (error)
            *error = QCoreApplication::translate("StoreBackup", "There is no library store at \"%1\".")
                         .arg(sourcePath);
        return false;
    }
    Connection source;
    if (!source.open(sourcePath, SQLITE_OPEN_READONLY, error))
        return false;
    // The copy is written beside the target and moved over it once complete.
    const QString partial = targetPath + QStringLiteral(".partial");
    QFile::remove(partial);
    bool ok = false;
    {
        Connection target;
        ok = target.open(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error) &&
             runBackup(source.db, target.db, error);
        // A copy of a store in write-ahead mode is in that mode too; fold it back into one
        // file so the copy stands alone.
        if (ok)
            sqlite3_exec(target.db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }
    if (ok) {
        QFile::remove(targetPath);
        ok = QFile::rename(partial, targetPath);
        if (!ok && error)
            *error = QCoreApplication::translate("StoreBackup", "The file \"%1\" could not be written.")
                         .arg(targetPath);
    }
    if (!ok)
        QFile::remove(partial);
    return ok;
}

bool overwriteStoreFile(const QString& sourcePath, const QString& targetPath, QString* error) {
    Connection source;
    if (!source.open(sourcePath, SQLITE_OPEN_READONLY, error))
        return false;
    Connection target;
    return target.open(targetPath, SQLITE_OPEN_READWRITE, error) && runBackup(source.db, target.db, error);
}

bool quickCheckStoreFile(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error =
                QCoreApplication::translate("StoreBackup", "There is no library store at \"%1\".").arg(path);
        return false;
    }
    Connection connection;
    if (!connection.open(path, SQLITE_OPEN_READONLY, error))
        return false;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.db, "PRAGMA quick_check", -1, &statement, nullptr) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(connection.db));
        return false;
    }
    QStringList faults;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        const QString line =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        if (line != QLatin1String("ok"))
            faults << line;
    }
    if (code != SQLITE_DONE)
        faults << QString::fromUtf8(sqlite3_errmsg(connection.db));
    sqlite3_finalize(statement);
    if (!faults.isEmpty() && error)
        *error = faults.join(QLatin1Char(' '));
    return faults.isEmpty();
}

std::optional<qint64> countStoreRows(const QString& path, const QString& entity) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    Connection connection;
    if (!connection.open(path, SQLITE_OPEN_READONLY, nullptr))
        return std::nullopt;
    QString quoted = entity;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    const QByteArray sql = QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(quoted).toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<qint64> count;
    if (sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return count;
}

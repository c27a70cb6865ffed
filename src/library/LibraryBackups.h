#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>

#include <optional>

class QThread;

// Rolling copies of a library's record store, in the library folder's "Backups" subfolder.
//
// Names: a daily copy is "Library YYYY-MM-DD.sqlite" (the date of the Scheduler's clock
// when it was made). A copy kept before a restore replaced the store is
// "Library YYYY-MM-DD HH-MM-SS before restore.sqlite"; rotation never removes those, the
// user does.
//
// Rotation (after each new daily copy): the 7 newest daily copies are kept; of the older
// daily copies, the newest one of each ISO week is kept for the 4 newest such weeks; the
// rest are removed. Files with other names are left alone.
//
// The copies are made with SQLite's online backup API from a connection of their own, so
// they are consistent while the library is open; didSave() makes the day's first copy on
// a worker thread, so the main thread does not wait for it.
class LibraryBackups : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString path;
        QDate date;
        QTime time; // when a copy kept before a restore was made; invalid for daily copies
        bool beforeRestore = false;
        qint64 recipes = -1; // -1 when the copy cannot be read
    };

    static constexpr int kDailyCopies = 7;
    static constexpr int kWeeklyCopies = 4;

    explicit LibraryBackups(QString libraryPath, QObject* parent = nullptr);
    ~LibraryBackups() override; // waits for a copy in progress

    QString folder() const;
    static QString dailyFileName(const QDate& date);
    static QString beforeRestoreFileName(const QDateTime& when);

    // The copies in the folder, newest first, with their recipe counts (read-only).
    QList<Entry> backups() const;
    // The newest copy that passes SQLite's quick check and is a store of this model.
    std::optional<Entry> newestGoodBackup() const;

    // Called after every successful save: starts the day's copy on a worker when none
    // exists yet for today. Nothing while a copy runs.
    void didSave();
    bool isCopying() const { return m_worker != nullptr; }
    // Waits for a copy started by didSave() (quitting, tests).
    void waitForCopy();

    // Makes today's copy now, on this thread, and rotates. The new entry, or nullopt with error.
    std::optional<Entry> backupNow(QString* error);

    // Removes the daily copies that rotation does not keep.
    void rotate();

    // Whether the file is a record store of the application's data model; error says why not.
    static bool isLibraryStore(const QString& path, QString* error);
    // Whether the file can replace a library's store: it passes SQLite's quick check and is a
    // store of this model.
    static bool isRestorable(const QString& path, QString* error);

    // Replaces the library's store with the copy at path: checks it is a store of this model
    // (else false, the store untouched), copies the current store into the folder as a
    // "before restore" copy, then writes the copy's pages over the store. The store must not
    // be open in this program. keptPath receives the name of the copy of the old store.
    bool restore(const QString& path, QString* keptPath, QString* error);

signals:
    // A copy made by didSave() has ended (ok false: the reason was logged).
    void backupFinished(bool ok);

private:
    void copyFinished();

    QString m_libraryPath;
    QThread* m_worker = nullptr;
    bool m_workerOk = false;
    QString m_workerError;
};

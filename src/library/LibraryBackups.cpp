#include "LibraryBackups.h"

#include "LibraryStore.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/StoreBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <map>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kTimeFormat = QStringLiteral("HH-mm-ss");

const QRegularExpression& dailyPattern() {
    static const QRegularExpression pattern(QStringLiteral("^Library (\\d{4}-\\d{2}-\\d{2})\\.sqlite$"));
    return pattern;
}

const QRegularExpression& beforeRestorePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^Library (\\d{4}-\\d{2}-\\d{2}) (\\d{2}-\\d{2}-\\d{2}) before restore\\.sqlite$"));
    return pattern;
}

QDate scheduledToday() {
    return Scheduler::instance().now().toLocalTime().date();
}

} // namespace

LibraryBackups::LibraryBackups(QString libraryPath, QObject* parent)
    : QObject(parent), m_libraryPath(std::move(libraryPath)) {}

LibraryBackups::~LibraryBackups() {
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

QString LibraryBackups::folder() const {
    return m_libraryPath + QStringLiteral("/Backups");
}

QString LibraryBackups::dailyFileName(const QDate& date) {
    return QStringLiteral("Library %1.sqlite").arg(date.toString(kDateFormat));
}

QString LibraryBackups::beforeRestoreFileName(const QDateTime& when) {
    return QStringLiteral("Library %1 %2 before restore.sqlite")
        .arg(when.date().toString(kDateFormat), when.time().toString(kTimeFormat));
}

bool LibraryBackups::isRestorable(const QString& path, QString* error) {
    return quickCheckStoreFile(path, error) && isLibraryStore(path, error);
}

QList<LibraryBackups::Entry> LibraryBackups::backups() const {
    QList<Entry> entries;
    const QFileInfoList files = QDir(folder()).entryInfoList({QStringLiteral("*.sqlite")}, QDir::Files);
    for (const QFileInfo& file : files) {
        Entry entry;
        QRegularExpressionMatch match = dailyPattern().match(file.fileName());
        if (!match.hasMatch()) {
            match = beforeRestorePattern().match(file.fileName());
            entry.beforeRestore = true;
        }
        if (!match.hasMatch())
            continue;
        entry.date = QDate::fromString(match.captured(1), kDateFormat);
        if (!entry.date.isValid())
            continue;
        if (entry.beforeRestore)
            entry.time = QTime::fromString(match.captured(2), kTimeFormat);
        entry.path = file.absoluteFilePath();
        entry.recipes = countStoreRows(entry.path, QStringLiteral("Recipes")).value_or(-1);
        entries << entry;
    }
    // Newest first; on one day the copy kept before a restore is newer than the daily one.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.date != b.date)
            return a.date > b.date;
        if (a.beforeRestore != b.beforeRestore)
            return a.beforeRestore;
        return a.path > b.path; // later times sort first by name
    });
    return entries;
}

std::optional<LibraryBackups::Entry> LibraryBackups::newestGoodBackup() const {
    for (const Entry& entry : backups())
        if (isRestorable(entry.path, nullptr))
            return entry;
    return std::nullopt;
}

void LibraryBackups::didSave() {
    if (m_worker)
        return;
    const QString target = QDir(folder()).absoluteFilePath(dailyFileName(scheduledToday()));
    if (QFileInfo::exists(target))
        return;
    if (!QDir().mkpath(folder())) {
        qWarning().noquote() << "the backups folder could not be made:" << folder();
        return;
    }
    const QString source = libraryStorePath(m_libraryPath);
    m_worker = QThread::create(
        [this, source, target] { m_workerOk = copyStoreFile(source, target, &m_workerError); });
    connect(m_worker, &QThread::finished, this, &LibraryBackups::copyFinished);
    m_worker->start(QThread::LowPriority);
}

void LibraryBackups::waitForCopy() {
    if (m_worker) {
        m_worker->wait();
        copyFinished();
    }
}

void LibraryBackups::copyFinished() {
    if (!m_worker)
        return;
    m_worker->deleteLater();
    m_worker = nullptr;
    if (m_workerOk)
        rotate();
    else
        qWarning().noquote() << "the library could not be backed up:" << m_workerError;
    emit backupFinished(m_workerOk);
}

std::optional<LibraryBackups::Entry> LibraryBackups::backupNow(QString* error) {
    waitForCopy();
    if (!QDir().mkpath(folder())) {
        if (error)
            *error = tr("The folder \"%1\" could not be created.").arg(folder());
        return std::nullopt;
    }
    const QDate today = scheduledToday();
    Entry entry;
    entry.path = QDir(folder()).absoluteFilePath(dailyFileName(today));
    entry.date = today;
    if (!copyStoreFile(libraryStorePath(m_libraryPath), entry.path, error))
        return std::nullopt;
    entry.recipes = countStoreRows(entry.path, QStringLiteral("Recipes")).value_or(-1);
    rotate();
    return entry;
}

void LibraryBackups::rotate() {
    // Daily copies by date, newest first.
    std::map<QDate, QString, std::greater<>> daily;
    for (const QFileInfo& file :
         QDir(folder()).entryInfoList({QStringLiteral("Library *.sqlite")}, QDir::Files)) {
        const QRegularExpressionMatch match = dailyPattern().match(file.fileName());
        const QDate date = match.hasMatch() ? QDate::fromString(match.captured(1), kDateFormat) : QDate();
        if (date.isValid())
            daily.emplace(date, file.absoluteFilePath());
    }
    int kept = 0;
    QList<QPair<int, int>> weeks; // (ISO year, week) kept as weekly copies
    for (const auto& [date, path] : daily) {
        if (kept < kDailyCopies) {
            ++kept;
            continue;
        }
        int year = 0;
        const int week = date.weekNumber(&year);
        const QPair<int, int> key(year, week);
        // Older dates come later, so the first copy met in a week is its newest.
        if (!weeks.contains(key) && weeks.size() < kWeeklyCopies) {
            weeks << key;
            continue;
        }
        if (!QFile::remove(path))
            qWarning().noquote() << "an old backup could not be removed:" << path;
    }
}

bool LibraryBackups::isLibraryStore(const QString& path, QString* error) {
    QString reason;
    const std::optional<QVariantMap> metadata = ObjectContext::metadataForStoreAtPath(path, &reason);
    const DataModel* model = currentDataModel(&reason);
    if (metadata && model) {
        if (metadata->value(QStringLiteral("modelFingerprint")).toString() == model->fingerprint() &&
            countStoreRows(path, QStringLiteral("Recipes")).has_value())
            return true;
        reason = QCoreApplication::translate("LibraryBackups",
                                             "The file \"%1\" is a library store of another version.")
                     .arg(path);
    }
    if (error)
        *error = reason;
    return false;
}

bool LibraryBackups::restore(const QString& path, QString* keptPath, QString* error) {
    waitForCopy();
    if (!isRestorable(path, error))
        return false;
    const QString store = libraryStorePath(m_libraryPath);
    if (QFileInfo::exists(store)) {
        if (!QDir().mkpath(folder())) {
            if (error)
                *error = tr("The folder \"%1\" could not be created.").arg(folder());
            return false;
        }
        // Two restores within one second would give the same name, and the second would
        // overwrite the copy it may be restoring from: the name takes the next free second.
        QDateTime stamp = Scheduler::instance().now().toLocalTime();
        QString kept;
        for (int attempt = 0; attempt < 3600; ++attempt, stamp = stamp.addSecs(1)) {
            kept = QDir(folder()).absoluteFilePath(beforeRestoreFileName(stamp));
            if (!QFileInfo::exists(kept))
                break;
        }
        // A damaged store cannot be read page by page; its file is kept as it is.
        if (!copyStoreFile(store, kept, nullptr) && !QFile::copy(store, kept)) {
            if (error)
                *error = tr("The file \"%1\" could not be written.").arg(kept);
            return false;
        }
        if (keptPath)
            *keptPath = kept;
        if (overwriteStoreFile(path, store, nullptr))
            return true;
        // The damaged store refused the pages: it is replaced as a file, with its journals.
        for (const QString& suffix :
             {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
            QFile::remove(store + suffix);
    }
    return copyStoreFile(path, store, error);
}

// The backup commands: backup, backups, restore.
#include "CliCommand.h"

#include "library/LibraryBackups.h"
#include "library/LibraryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject entryJson(const LibraryBackups::Entry& entry) {
    return QJsonObject{{QStringLiteral("file"), entry.path},
                       {QStringLiteral("date"), entry.date.toString(Qt::ISODate)},
                       {QStringLiteral("recipes"), entry.recipes}};
}

int backupCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty()) {
        CliSession::printError(QStringLiteral("usage: backup"));
        return CliUsage;
    }
    QString error;
    if (!LibraryBackups::isLibraryStore(session.storePath(), &error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    LibraryBackups backups(session.libraryPath());
    const std::optional<LibraryBackups::Entry> entry = backups.backupNow(&error);
    if (!entry) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    CliSession::printJson(entryJson(*entry));
    return CliOK;
}

int backupsCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty()) {
        CliSession::printError(QStringLiteral("usage: backups"));
        return CliUsage;
    }
    QJsonArray list;
    for (const LibraryBackups::Entry& entry : LibraryBackups(session.libraryPath()).backups())
        list.append(entryJson(entry));
    CliSession::printJson(list);
    return CliOK;
}

int restoreCommand(CliSession& session, const QStringList& args) {
    if (args.size() != 1) {
        CliSession::printError(QStringLiteral("usage: restore FILE"));
        return CliUsage;
    }
    if (!checkPathArgument(args.first(), QStringLiteral("restore")))
        return CliUsage;
    LibraryBackups backups(session.libraryPath());
    // A bare name is looked up in the backups folder when no such file is at hand.
    QString path = args.first();
    if (!QFileInfo::exists(path) && QFileInfo::exists(QDir(backups.folder()).filePath(path)))
        path = QDir(backups.folder()).filePath(path);
    QString kept;
    QString error;
    if (!backups.restore(QFileInfo(path).absoluteFilePath(), &kept, &error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    CliSession::printJson(QJsonObject{{QStringLiteral("file"), QFileInfo(path).absoluteFilePath()},
                                      {QStringLiteral("kept"), kept}});
    return CliOK;
}

const CliCommandRegistration backupRegistration(QStringLiteral("backup"), QString(), backupCommand);
const CliCommandRegistration backupsRegistration(QStringLiteral("backups"), QString(), backupsCommand);
const CliCommandRegistration restoreRegistration(QStringLiteral("restore"), QStringLiteral("FILE"),
                                                 restoreCommand);

} // namespace

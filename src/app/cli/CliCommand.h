#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QMultiHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class Alerts;
class CoreDataController;
class EntityDescription;
class LibrarySession;
class ObjectContext;
class Predicate;

// Exit codes of larkspoon-cli; part of its contract.
enum CliExit {
    CliOK = 0,
    CliUsage = 2,     // bad arguments, bad filter, unsupported input
    CliNoLibrary = 3, // no library, a store of another model, an unreadable store, a failed write
                      // (a read-only library, or another program kept the store locked too long)
    CliStopped = 4,   // an import stopped by a file of another version
    CliNetwork = 6,   // a server could not be reached or refused (platefeeds)
};

// What a command works on: the library folder chosen by --library or the user default.
class CliSession {
public:
    explicit CliSession(QString libraryPath);
    ~CliSession();

    const QString& libraryPath() const { return m_libraryPath; }
    QString storePath() const;

    // The open store of the library, opened on first use; nullptr after printing the
    // reason on stderr (the caller then exits with CliNoLibrary).
    ObjectContext* context();
    // The library as the application's controllers see it, with the command's alerts
    // (made once per run; later calls answer the same session). nullptr as context().
    LibrarySession* library(Alerts& alerts);
    // The same for a command that writes: nullptr, after printing "The library is
    // read-only.", when the store cannot be written, so the command is refused before it
    // reads its input or changes anything (the caller exits with CliNoLibrary).
    ObjectContext* writableContext();
    LibrarySession* writableLibrary(Alerts& alerts);

    // Output helpers: JSON on stdout, one line of text on stderr.
    static void printJson(const QJsonValue& value);
    static void printError(const QString& message);

private:
    QString m_libraryPath;
    std::unique_ptr<CoreDataController> m_store; // owns the context
    std::unique_ptr<LibrarySession> m_library;   // goes before the store
};

using CliHandler = std::function<int(CliSession& session, const QStringList& args)>;

// Commands register themselves from their own source file.
struct CliCommandRegistration {
    CliCommandRegistration(const QString& name, const QString& synopsis, CliHandler handler);
};

struct CliCommand {
    QString name;
    QString synopsis;
    CliHandler handler;
};
const std::vector<CliCommand>& cliCommands();

class ManagedObject;

// JSON forms of record values: texts, numbers and booleans as themselves, dates as
// ISO 8601 text in UTC, data as base64 text, related records as their identity text.
QJsonValue jsonFromValue(const QVariant& value);

// An ingredient record as the commands print it: its texts, and the group-title mark.
QJsonObject ingredientJson(const QVariantMap& record);

// The option values that follow each "--name" in args (repeatable options collect all),
// and the remaining positional arguments. Returns false with a message for an option
// that lacks its value or is not among the known ones.
struct CliOptions {
    QMultiHash<QString, QString> values;
    QStringList flags;
    QStringList positional;
    QString value(const QString& name) const { return values.value(name); }
    QStringList all(const QString& name) const; // in the order given
    bool has(const QString& name) const { return values.contains(name) || flags.contains(name); }
};
bool parseCliOptions(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions,
                     CliOptions* options, QString* error);

// A path given on the command line. An empty one (an unset shell variable, "--library=")
// is refused instead of standing for a default or the working folder. False after
// printing which argument lacks its path; the command then exits with CliUsage.
bool checkPathArgument(const QString& path, const QString& argument);

// The entity of that name in the application's data model, for checks made before the
// store is opened; nullptr after printing why (exitCode: CliUsage for an unknown name,
// CliNoLibrary when the model cannot be read).
const EntityDescription* modelEntity(const QString& name, int* exitCode);

// Refuses a filter or key paths ("parent.name") that name a key the entity does not have:
// such a key reads as nil for every record, so `uniqeID != "X"` would select them all.
// Also refuses a key path through a to-many relationship compared as one value
// (`children.name != "x"`), which would hold for every record alike; ANY, ALL and NONE
// read such a path. Runs before anything is read or written; false after printing why.
bool checkKnownKeys(const EntityDescription& entity, const Predicate* filter, const QStringList& keyPaths);

// The record-store commands: create, info, insert, query, delete.
#include "CliCommand.h"

#include "library/CoreDataController.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"
#include "share/VersionTwoImporterExporter.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Keeps the message of the last alert so the command can print it instead of showing it.
class ScriptedErrorAlerts final : public Alerts {
public:
    QString lastMessage;
    AlertResponse runModal(const AlertRequest& request) override {
        lastMessage = request.informativeText.isEmpty()
                          ? request.messageText
                          : request.messageText + QLatin1Char(' ') + request.informativeText;
        return {};
    }
};

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

// Parses a filter argument; prints the parser's message on failure.
bool parseFilter(const QString& text, PredicatePtr* predicate) {
    if (text.isEmpty())
        return true;
    const PredicateParseResult parsed = Predicate::parse(text);
    if (!parsed.ok()) {
        CliSession::printError(QStringLiteral("bad filter: %1").arg(parsed.error));
        return false;
    }
    *predicate = parsed.predicate;
    return true;
}

int createCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty())
        return usage(QStringLiteral("usage: create"));
    // The same steps as the application's first start, without a window: the folder, the
    // store, the subfolders and grocery files, then what every library needs.
    const QString libraryPath = session.libraryPath();
    if (!QDir().mkpath(libraryPath)) {
        CliSession::printError(
            QStringLiteral("The library folder \"%1\" could not be created.").arg(libraryPath));
        return CliNoLibrary;
    }
    ScriptedErrorAlerts alerts;
    CoreDataController controller(libraryPath, &alerts);
    ObjectContext* context = controller.managedObjectContext();
    if (!context) {
        CliSession::printError(controller.storeError());
        return CliNoLibrary;
    }
    if (context->isReadOnly()) {
        CliSession::printError(alerts.lastMessage);
        return CliNoLibrary;
    }
    prepareLibraryFolder(libraryPath);
    // A new library starts with the starter recipes, as in the application.
    LibrarySession library(controller, alerts);
    controller.setSampleRecipesImporter(
        [&library](const QString& path) { return importSampleRecipes(library, path); });
    controller.validateGroupsContent();
    if (!controller.saveAction()) {
        CliSession::printError(alerts.lastMessage);
        return CliNoLibrary;
    }
    CliSession::printJson(
        QJsonObject{{QStringLiteral("libraryPath"), libraryPath},
                    {QStringLiteral("modelVersion"),
                     context->metadata().value(QStringLiteral("modelVersion")).toString()}});
    return CliOK;
}

int infoCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty())
        return usage(QStringLiteral("usage: info"));
    ObjectContext* context = session.context();
    if (!context)
        return CliNoLibrary;
    QJsonObject counts;
    for (const EntityDescription& entity : context->model().entities()) {
        QString error;
        const int count = context->countForFetchRequest(FetchRequest(entity.name), &error);
        if (!error.isEmpty()) {
            CliSession::printError(error);
            return CliNoLibrary;
        }
        counts.insert(entity.name, count);
    }
    const QVariant version = context->metadata().value(QStringLiteral("modelVersion"));
    CliSession::printJson(QJsonObject{{QStringLiteral("libraryPath"), session.libraryPath()},
                                      {QStringLiteral("modelVersion"), jsonFromValue(version)},
                                      {QStringLiteral("counts"), counts}});
    return CliOK;
}

// Converts a JSON value to the value of key in entity; false with a message when it
// does not fit.
bool valueForJson(ObjectContext* context, const EntityDescription& entity, const QString& key,
                  const QJsonValue& json, QVariant* value, QString* error) {
    if (const AttributeDescription* attribute = entity.attribute(key)) {
        if (json.isNull()) {
            *value = QVariant();
            return true;
        }
        switch (attribute->type) {
        case AttributeType::Date: {
            const QDateTime date = QDateTime::fromString(json.toString(), Qt::ISODateWithMs);
            if (!json.isString() || !date.isValid()) {
                *error = QStringLiteral("%1 needs a date in ISO 8601 form").arg(key);
                return false;
            }
            *value = date;
            return true;
        }
        case AttributeType::Integer:
        case AttributeType::Float:
        case AttributeType::Boolean:
            if (!json.isDouble() && !json.isBool()) {
                *error = QStringLiteral("%1 needs a number or a boolean").arg(key);
                return false;
            }
            *value = json.isBool() ? QVariant(json.toBool()) : QVariant(json.toDouble());
            return true;
        case AttributeType::Data:
            *value = QByteArray::fromBase64(json.toString().toLatin1());
            return true;
        case AttributeType::Text:
            if (json.isString())
                *value = json.toString();
            else if (json.isDouble())
                *value = QString::number(json.toDouble(), 'g', 17);
            else if (json.isBool())
                *value = json.toBool() ? QStringLiteral("1") : QStringLiteral("0");
            else {
                *error = QStringLiteral("%1 needs a text").arg(key);
                return false;
            }
            return true;
        }
    }
    if (const RelationshipDescription* relationship = entity.relationship(key)) {
        if (relationship->toMany) {
            *error =
                QStringLiteral("%1 is a to-many relationship; set its inverse on the other records").arg(key);
            return false;
        }
        if (json.isNull()) {
            *value = QVariant();
            return true;
        }
        ManagedObject* target = context->objectWithURI(json.toString());
        if (!target || target->entityName() != relationship->destinationEntity) {
            *error = QStringLiteral("%1: no %2 record with identity %3")
                         .arg(key, relationship->destinationEntity, json.toString());
            return false;
        }
        *value = QVariant::fromValue(target);
        return true;
    }
    *error = QStringLiteral("%1 has no key %2").arg(entity.name, key);
    return false;
}

int insertCommand(CliSession& session, const QStringList& args) {
    if (args.size() != 2)
        return usage(QStringLiteral("usage: insert ENTITY JSON"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(args.at(1).toUtf8(), &parseError);
    if (!document.isObject())
        return usage(QStringLiteral("JSON: %1")
                         .arg(parseError.error == QJsonParseError::NoError
                                  ? QStringLiteral("an object is needed")
                                  : parseError.errorString()));
    ObjectContext* context = session.writableContext();
    if (!context)
        return CliNoLibrary;
    const EntityDescription* entity = context->model().entity(args.at(0));
    if (!entity)
        return usage(QStringLiteral("There is no entity named \"%1\".").arg(args.at(0)));
    // Check every value before inserting, so a bad one changes nothing.
    QList<QPair<QString, QVariant>> values;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        QVariant value;
        QString error;
        if (!valueForJson(context, *entity, it.key(), it.value(), &value, &error))
            return usage(error);
        values.append({it.key(), value});
    }
    ManagedObject* record = context->insertNewObject(entity->name);
    for (const auto& [key, value] : std::as_const(values))
        record->setValueForKey(value, key);
    QString error;
    if (!context->save(&error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    QJsonObject result{{QStringLiteral("objectID"), record->objectID().uriRepresentation()}};
    if (entity->name == QLatin1String("Recipes"))
        result.insert(QStringLiteral("uniqueID"), record->stringValue(QStringLiteral("uniqueID")));
    CliSession::printJson(result);
    return CliOK;
}

int queryCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args,
                         {QStringLiteral("filter"), QStringLiteral("sort"), QStringLiteral("desc"),
                          QStringLiteral("keys")},
                         {}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1)
        return usage(QStringLiteral(
            "usage: query ENTITY [--filter TEXT] [--sort KEY]... [--desc KEY]... [--keys K1,K2,...]"));
    FetchRequest request(options.positional.first());
    if (!parseFilter(options.value(QStringLiteral("filter")), &request.predicate))
        return CliUsage;
    // Sort keys in the order given; texts compare without regard to case, as the
    // application's lists do.
    // "--sort=KEY" and "--desc=KEY" count as well, as parseCliOptions reads them.
    QStringList namedKeys;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        for (const QString& option : {QStringLiteral("--sort"), QStringLiteral("--desc")}) {
            QString key;
            if (arg == option && i + 1 < args.size())
                key = args.at(++i);
            else if (arg.startsWith(option + QLatin1Char('=')))
                key = arg.mid(option.size() + 1);
            else
                continue;
            request.sortDescriptors.append({key, option == QStringLiteral("--sort"), true});
            namedKeys << key;
            break;
        }
    }
    int exitCode = CliOK;
    const EntityDescription* modelDescription = modelEntity(request.entityName, &exitCode);
    if (!modelDescription)
        return exitCode;
    QStringList keys;
    if (options.has(QStringLiteral("keys"))) {
        keys = options.value(QStringLiteral("keys")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        namedKeys << keys;
    }
    if (!checkKnownKeys(*modelDescription, request.predicate.get(), namedKeys))
        return CliUsage;
    ObjectContext* context = session.context();
    if (!context)
        return CliNoLibrary;
    const EntityDescription* entity = context->model().entity(request.entityName);
    if (!entity)
        return usage(QStringLiteral("There is no entity named \"%1\".").arg(request.entityName));
    if (!options.has(QStringLiteral("keys"))) {
        for (const AttributeDescription& attribute : entity->attributes)
            keys << attribute.name;
        for (const RelationshipDescription& relationship : entity->relationships)
            keys << relationship.name;
    }
    const QList<ManagedObject*> records = context->executeFetchRequest(request, &error);
    if (!error.isEmpty()) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    QJsonArray array;
    for (ManagedObject* record : records) {
        QJsonObject object{{QStringLiteral("objectID"), record->objectID().uriRepresentation()}};
        for (const QString& key : std::as_const(keys))
            object.insert(key, jsonFromValue(record->valueForKey(key)));
        array.append(object);
    }
    CliSession::printJson(array);
    return CliOK;
}

int deleteCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("filter")}, {}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1 || !options.has(QStringLiteral("filter")) ||
        options.all(QStringLiteral("filter")).size() > 1)
        return usage(QStringLiteral("usage: delete ENTITY --filter TEXT"));
    // An empty filter (an unset shell variable) would select every record; deleting them
    // all is asked for with TRUEPREDICATE.
    if (options.value(QStringLiteral("filter")).trimmed().isEmpty())
        return usage(
            QStringLiteral("delete needs a filter, and the one given is empty; to delete every record "
                           "write --filter TRUEPREDICATE"));
    FetchRequest request(options.positional.first());
    if (!parseFilter(options.value(QStringLiteral("filter")), &request.predicate))
        return CliUsage;
    int exitCode = CliOK;
    const EntityDescription* entity = modelEntity(request.entityName, &exitCode);
    if (!entity)
        return exitCode;
    if (!checkKnownKeys(*entity, request.predicate.get(), {}))
        return CliUsage;
    // Through the library, as the application deletes: the pictures of deleted recipes are
    // removed by the library's save, once the store has committed their deletion.
    ScriptedErrorAlerts alerts;
    LibrarySession* library = session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    ObjectContext* context = library->context();
    const QList<ManagedObject*> records = context->executeFetchRequest(request, &error);
    if (!error.isEmpty()) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    if (request.entityName == QLatin1String("Recipes"))
        library->markRecipesForDelete(records);
    for (ManagedObject* record : records)
        context->deleteObject(record);
    if (!library->save()) {
        // The store's own error is logged on the line before.
        CliSession::printError(QStringLiteral("The library could not be saved; nothing was deleted."));
        return CliNoLibrary;
    }
    CliSession::printJson(QJsonObject{{QStringLiteral("deleted"), int(records.size())}});
    return CliOK;
}

const CliCommandRegistration createRegistration(QStringLiteral("create"), QString(), createCommand);
const CliCommandRegistration infoRegistration(QStringLiteral("info"), QString(), infoCommand);
const CliCommandRegistration insertRegistration(QStringLiteral("insert"), QStringLiteral("ENTITY JSON"),
                                                insertCommand);
const CliCommandRegistration queryRegistration(
    QStringLiteral("query"),
    QStringLiteral("ENTITY [--filter TEXT] [--sort KEY]... [--desc KEY]... [--keys K1,K2,...]"),
    queryCommand);
const CliCommandRegistration deleteRegistration(QStringLiteral("delete"),
                                                QStringLiteral("ENTITY --filter TEXT"), deleteCommand);

} // namespace

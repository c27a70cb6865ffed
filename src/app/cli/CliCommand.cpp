#include "CliCommand.h"

#include "library/CoreDataController.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "platform/ManagedObject.h"
#include "platform/ModelKeys.h"
#include "platform/ObjectContext.h"
#include "platform/Predicate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

} // namespace

CliCommandRegistration::CliCommandRegistration(const QString& name, const QString& synopsis,
                                               CliHandler handler) {
    registry().push_back({name, synopsis, std::move(handler)});
}

const std::vector<CliCommand>& cliCommands() {
    std::sort(registry().begin(), registry().end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    return registry();
}

CliSession::CliSession(QString libraryPath) : m_libraryPath(std::move(libraryPath)) {}

CliSession::~CliSession() {
    m_library.reset();
    m_store.reset();
}

QString CliSession::storePath() const {
    return libraryStorePath(m_libraryPath);
}

ObjectContext* CliSession::context() {
    if (m_store)
        return m_store->managedObjectContext();
    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(m_libraryPath, false, &error);
    if (!context) {
        printError(error);
        return nullptr;
    }
    m_store = std::make_unique<CoreDataController>(m_libraryPath, std::move(context), nullptr);
    return m_store->managedObjectContext();
}

LibrarySession* CliSession::library(Alerts& alerts) {
    if (m_library)
        return m_library.get();
    if (!context())
        return nullptr;
    m_library = std::make_unique<LibrarySession>(*m_store, alerts);
    return m_library.get();
}

namespace {

bool refuseReadOnly(const ObjectContext* context) {
    if (!context->isReadOnly())
        return false;
    CliSession::printError(QCoreApplication::translate("CoreDataController", "The library is read-only."));
    return true;
}

} // namespace

ObjectContext* CliSession::writableContext() {
    ObjectContext* opened = context();
    return opened && !refuseReadOnly(opened) ? opened : nullptr;
}

LibrarySession* CliSession::writableLibrary(Alerts& alerts) {
    LibrarySession* opened = library(alerts);
    return opened && !refuseReadOnly(opened->context()) ? opened : nullptr;
}

void CliSession::printJson(const QJsonValue& value) {
    QByteArray text;
    if (value.isObject())
        text = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        text = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else {
        // A lone value: written inside an array, then unwrapped.
        text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        text = text.mid(1, text.size() - 2);
    }
    text.append('\n');
    fwrite(text.constData(), 1, size_t(text.size()), stdout);
    fflush(stdout);
}

void CliSession::printError(const QString& message) {
    const QByteArray text = message.toUtf8() + '\n';
    fwrite(text.constData(), 1, size_t(text.size()), stderr);
    fflush(stderr);
}

QJsonObject ingredientJson(const QVariantMap& record) {
    QJsonObject object;
    for (const QString& key :
         {QStringLiteral("quantity"), QStringLiteral("measurement"), QStringLiteral("name"),
          QStringLiteral("method"), QStringLiteral("isGroupTitle")})
        object.insert(key, record.value(key).toString());
    return object;
}

QJsonValue jsonFromValue(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QJsonValue(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODateWithMs);
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case QMetaType::QStringList:
        return QJsonArray::fromStringList(value.toStringList());
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& item : value.toList())
            array.append(jsonFromValue(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), jsonFromValue(it.value()));
        return object;
    }
    default:
        break;
    }
    if (value.canConvert<ManagedObject*>()) {
        ManagedObject* object = value.value<ManagedObject*>();
        return object ? QJsonValue(object->objectID().uriRepresentation()) : QJsonValue::Null;
    }
    if (value.canConvert<QList<ManagedObject*>>()) {
        QJsonArray array;
        for (ManagedObject* object : value.value<QList<ManagedObject*>>())
            array.append(object->objectID().uriRepresentation());
        return array;
    }
    return value.toString();
}

QStringList CliOptions::all(const QString& name) const {
    QStringList list = values.values(name);
    std::reverse(list.begin(), list.end()); // QMultiHash returns the latest first
    return list;
}

bool parseCliOptions(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions,
                     CliOptions* options, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QStringLiteral("--")) || arg == QStringLiteral("--")) {
            options->positional << arg;
            continue;
        }
        QString name = arg.mid(2);
        QString inlineValue;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool hasInline = equals >= 0;
        if (hasInline) {
            inlineValue = name.mid(equals + 1);
            name = name.left(equals);
        }
        if (flagOptions.contains(name) && !hasInline) {
            options->flags << name;
        } else if (valueOptions.contains(name)) {
            if (hasInline) {
                options->values.insert(name, inlineValue);
            } else if (i + 1 < args.size()) {
                options->values.insert(name, args.at(++i));
            } else {
                *error = QStringLiteral("option --%1 needs a value").arg(name);
                return false;
            }
        } else {
            *error = QStringLiteral("unknown option --%1").arg(name);
            return false;
        }
    }
    return true;
}

bool checkPathArgument(const QString& path, const QString& argument) {
    if (!path.isEmpty())
        return true;
    CliSession::printError(
        QStringLiteral("%1 needs a path, and the one given is empty (is a shell variable unset?)")
            .arg(argument));
    return false;
}

const EntityDescription* modelEntity(const QString& name, int* exitCode) {
    QString error;
    const DataModel* model = currentDataModel(&error);
    if (!model) {
        CliSession::printError(error);
        *exitCode = CliNoLibrary;
        return nullptr;
    }
    const EntityDescription* entity = model->entity(name);
    if (!entity) {
        CliSession::printError(QStringLiteral("There is no entity named \"%1\".").arg(name));
        *exitCode = CliUsage;
    }
    return entity;
}

namespace {

// A to-many key path compared as one value matches (or misses) every record alike.
bool checkToManyPaths(const EntityDescription& entity, const Predicate& filter, const DataModel& model) {
    const QStringList paths = toManyPathsReadAsOneValue(filter, entity, model);
    if (paths.isEmpty())
        return true;
    const QStringList first = paths.first().split(QLatin1Char('.'));
    CliSession::printError(
        QStringLiteral(
            "\"%1\" leads through the to-many relationship \"%2\" of %3, so it holds many values; "
            "compare it with ANY, ALL or NONE (as in ANY %1 == \"x\") or use it on the right of IN; "
            "nothing was read or changed.")
            .arg(paths.first(), toManyKeyInPath(first, entity, model), entity.name));
    return false;
}

} // namespace

bool checkKnownKeys(const EntityDescription& entity, const Predicate* filter, const QStringList& keyPaths) {
    const DataModel* model = currentDataModel();
    if (!model)
        return true; // the store cannot be opened either; that error is reported there
    QStringList unknown = filter ? unknownKeys(*filter, entity, *model) : QStringList();
    for (const QString& keyPath : keyPaths) {
        const QString key = keyPath.isEmpty() ? keyPath : unknownKeyInPath(keyPath, entity, *model);
        if ((keyPath.isEmpty() || !key.isEmpty()) && !unknown.contains(key))
            unknown.append(key);
    }
    if (unknown.isEmpty())
        return filter ? checkToManyPaths(entity, *filter, *model) : true;
    QStringList quoted;
    for (const QString& key : std::as_const(unknown))
        quoted << QStringLiteral("\"%1\"").arg(key);
    CliSession::printError(QStringLiteral("%1 has no key %2; nothing was read or changed.")
                               .arg(entity.name, quoted.join(QStringLiteral(", "))));
    return false;
}

#include "DataModel.h"

#include "Predicate.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

std::optional<AttributeType> attributeTypeFromName(const QString& name) {
    if (name == QLatin1String("text"))
        return AttributeType::Text;
    if (name == QLatin1String("integer"))
        return AttributeType::Integer;
    if (name == QLatin1String("float"))
        return AttributeType::Float;
    if (name == QLatin1String("boolean"))
        return AttributeType::Boolean;
    if (name == QLatin1String("date"))
        return AttributeType::Date;
    if (name == QLatin1String("data"))
        return AttributeType::Data;
    return std::nullopt;
}

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

bool isPlainName(const QString& name) {
    if (name.isEmpty() || !(name.at(0).isLetter() || name.at(0) == QLatin1Char('_')))
        return false;
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')) || c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

const AttributeDescription* EntityDescription::attribute(const QString& key) const {
    const int index = attributeIndex(key);
    return index < 0 ? nullptr : &attributes.at(index);
}

const RelationshipDescription* EntityDescription::relationship(const QString& key) const {
    const int index = relationshipIndex(key);
    return index < 0 ? nullptr : &relationships.at(index);
}

void EntityDescription::buildIndexes() {
    m_attributeIndex.clear();
    m_relationshipIndex.clear();
    for (int i = 0; i < attributes.size(); ++i)
        m_attributeIndex.insert(attributes.at(i).name, i);
    for (int i = 0; i < relationships.size(); ++i)
        m_relationshipIndex.insert(relationships.at(i).name, i);
}

const EntityDescription* DataModel::entity(const QString& name) const {
    const int index = entityIndex(name);
    return index < 0 ? nullptr : &m_entities.at(index);
}

std::optional<DataModel> DataModel::loadFromFile(const QString& path, QString* error) {
    const PropertyListResult read = readPropertyListFile(path);
    if (!read.ok()) {
        fail(error, QStringLiteral("could not read the data model %1: %2").arg(path, read.error));
        return std::nullopt;
    }
    return fromPropertyList(read.value, error);
}

std::optional<DataModel> DataModel::loadResource(const QString& fileName, QString* error) {
    return loadFromFile(resourcesPath() + QLatin1Char('/') + fileName, error);
}

std::optional<DataModel> DataModel::fromPropertyList(const QVariant& plist, QString* error) {
    const QVariantMap root = plist.toMap();
    DataModel model;
    model.m_name = root.value(QStringLiteral("name")).toString();
    model.m_versionIdentifier = root.value(QStringLiteral("modelVersion")).toString();
    if (model.m_name.isEmpty() || model.m_versionIdentifier.isEmpty()) {
        fail(error, QStringLiteral("data model without name or modelVersion"));
        return std::nullopt;
    }
    QStringList fingerprintParts;
    const QVariantList entities = root.value(QStringLiteral("entities")).toList();
    for (const QVariant& entityValue : entities) {
        const QVariantMap entityMap = entityValue.toMap();
        EntityDescription entity;
        entity.name = entityMap.value(QStringLiteral("name")).toString();
        entity.className = entityMap.value(QStringLiteral("class")).toString();
        if (!isPlainName(entity.name) || model.m_entityIndex.contains(entity.name)) {
            fail(error, QStringLiteral("bad or repeated entity name \"%1\"").arg(entity.name));
            return std::nullopt;
        }
        QStringList keys;
        fingerprintParts << QStringLiteral("E:") + entity.name;
        for (const QVariant& attributeValue : entityMap.value(QStringLiteral("attributes")).toList()) {
            const QVariantMap map = attributeValue.toMap();
            AttributeDescription attribute;
            attribute.name = map.value(QStringLiteral("name")).toString();
            const QString typeName = map.value(QStringLiteral("type")).toString();
            const auto type = attributeTypeFromName(typeName);
            if (!isPlainName(attribute.name) || !type || keys.contains(attribute.name)) {
                fail(error, QStringLiteral("bad attribute \"%1\" (%2) in %3")
                                .arg(attribute.name, typeName, entity.name));
                return std::nullopt;
            }
            attribute.type = *type;
            attribute.name = Predicate::internedKey(attribute.name);
            keys << attribute.name;
            entity.attributes.append(attribute);
            fingerprintParts << QStringLiteral("A:%1:%2").arg(attribute.name, typeName);
        }
        if (entity.attributes.size() > 64) {
            fail(error, QStringLiteral("entity %1 has more than 64 attributes").arg(entity.name));
            return std::nullopt;
        }
        for (const QVariant& relationshipValue : entityMap.value(QStringLiteral("relationships")).toList()) {
            const QVariantMap map = relationshipValue.toMap();
            RelationshipDescription relationship;
            relationship.name = map.value(QStringLiteral("name")).toString();
            relationship.destinationEntity = map.value(QStringLiteral("destination")).toString();
            relationship.inverseName = map.value(QStringLiteral("inverse")).toString();
            relationship.toMany = map.value(QStringLiteral("toMany")).toBool();
            const QString rule =
                map.value(QStringLiteral("deleteRule"), QStringLiteral("nullify")).toString();
            if (rule == QLatin1String("cascade"))
                relationship.deleteRule = DeleteRule::Cascade;
            else if (rule != QLatin1String("nullify")) {
                fail(error, QStringLiteral("unknown delete rule \"%1\"").arg(rule));
                return std::nullopt;
            }
            if (!isPlainName(relationship.name) || keys.contains(relationship.name)) {
                fail(error,
                     QStringLiteral("bad relationship \"%1\" in %2").arg(relationship.name, entity.name));
                return std::nullopt;
            }
            keys << relationship.name;
            entity.relationships.append(relationship);
            fingerprintParts << QStringLiteral("R:%1:%2:%3:%4")
                                    .arg(relationship.name, relationship.destinationEntity,
                                         relationship.inverseName,
                                         relationship.toMany ? QStringLiteral("many")
                                                             : QStringLiteral("one"));
        }
        entity.buildIndexes();
        model.m_entityIndex.insert(entity.name, int(model.m_entities.size()));
        model.m_entities.append(entity);
    }
    if (model.m_entities.isEmpty()) {
        fail(error, QStringLiteral("data model %1 has no entities").arg(model.m_name));
        return std::nullopt;
    }
    // Every relationship needs its inverse. A many-to-many pair gets a join table, owned by
    // the side whose entity and relationship names sort first.
    for (EntityDescription& entity : model.m_entities) {
        for (RelationshipDescription& relationship : entity.relationships) {
            const EntityDescription* destination = model.entity(relationship.destinationEntity);
            const RelationshipDescription* inverse =
                destination ? destination->relationship(relationship.inverseName) : nullptr;
            if (!inverse || inverse->inverseName != relationship.name ||
                inverse->destinationEntity != entity.name ||
                (inverse == &relationship && relationship.toMany)) {
                fail(error, QStringLiteral("relationship %1.%2 has no matching inverse")
                                .arg(entity.name, relationship.name));
                return std::nullopt;
            }
            relationship.manyToMany = relationship.toMany && inverse->toMany;
            if (relationship.manyToMany) {
                const QString self = entity.name + QLatin1Char('_') + relationship.name;
                const QString other = destination->name + QLatin1Char('_') + inverse->name;
                relationship.ownsJoinTable = self < other;
                relationship.joinTable = QStringLiteral("Z_") + (relationship.ownsJoinTable ? self : other);
            }
        }
    }
    model.m_fingerprint =
        QString::fromLatin1(QCryptographicHash::hash(fingerprintParts.join(QLatin1Char('\n')).toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex());
    return model;
}

namespace {

// Where the resources are: LARKSPOON_RESOURCES when set; else the installed layout
// <prefix>/share/larkspoon/resources beside <prefix>/bin; else the checkout the program
// was built from (a build tree runs from there). The last one is skipped when
// LARKSPOON_NO_SOURCE_RESOURCES is set, so a test can prove an installation stands alone.
QString locateResources() {
    const QString fromEnvironment = qEnvironmentVariable("LARKSPOON_RESOURCES");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (QCoreApplication::instance()) {
        const QString installed =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/larkspoon/resources");
        if (QFileInfo::exists(installed))
            return QDir::cleanPath(installed);
    }
    if (qEnvironmentVariableIsSet("LARKSPOON_NO_SOURCE_RESOURCES"))
        return QString();
    return QStringLiteral(LARKSPOON_RESOURCES_DIR);
}

} // namespace

QString resourcesPath() {
    // The executable's folder is known only once the application exists; a lookup made
    // before that is not kept.
    if (!QCoreApplication::instance())
        return locateResources();
    static const QString path = locateResources();
    return path;
}

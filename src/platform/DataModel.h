#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

// A data model: the entities of a store with their attributes and relationships, read
// from a model file (an XML property list in resources/, extension "mom").

enum class AttributeType { Text, Integer, Float, Boolean, Date, Data };

enum class DeleteRule {
    Nullify, // the related records stay; their link to the deleted record is cleared
    Cascade, // the related records are deleted too
};

struct AttributeDescription {
    QString name;
    AttributeType type = AttributeType::Text;
};

// Every relationship has an inverse. In a one-to-many pair the store keeps the to-one
// side and the to-many side follows from it; a many-to-many pair is kept in a join table
// owned by one of its two sides.
struct RelationshipDescription {
    QString name;
    QString destinationEntity;
    QString inverseName;
    bool toMany = false;
    DeleteRule deleteRule = DeleteRule::Nullify;
    bool manyToMany = false;    // to-many with a to-many inverse
    QString joinTable;          // many-to-many: the table of the pair, the same on both sides
    bool ownsJoinTable = false; // many-to-many: this side's records are its first column
};

class EntityDescription {
public:
    QString name;
    QString className; // the record class made for this entity ("" for plain records)
    QVector<AttributeDescription> attributes;
    QVector<RelationshipDescription> relationships;

    // Key names are interned (see Predicate::internedKey), so a key handed over by a
    // filter is found by its data pointer before any hashing.
    int attributeIndex(const QString& key) const {
        const QChar* data = key.constData();
        for (qsizetype i = 0; i < attributes.size(); ++i)
            if (attributes[i].name.constData() == data)
                return int(i);
        return m_attributeIndex.value(key, -1);
    }
    int relationshipIndex(const QString& key) const { return m_relationshipIndex.value(key, -1); }
    const AttributeDescription* attribute(const QString& key) const;
    const RelationshipDescription* relationship(const QString& key) const;
    void buildIndexes();

private:
    QHash<QString, int> m_attributeIndex;
    QHash<QString, int> m_relationshipIndex;
};

class DataModel {
public:
    // Reads a model file; std::nullopt with a message when it is missing or malformed.
    static std::optional<DataModel> loadFromFile(const QString& path, QString* error = nullptr);
    static std::optional<DataModel> fromPropertyList(const QVariant& plist, QString* error = nullptr);

    // The model file of that name in the application's resources ("Larkspoon!_v2.3.mom").
    static std::optional<DataModel> loadResource(const QString& fileName, QString* error = nullptr);

    const QString& name() const { return m_name; }
    const QString& versionIdentifier() const { return m_versionIdentifier; }
    const QVector<EntityDescription>& entities() const { return m_entities; }
    const EntityDescription* entity(const QString& name) const;
    int entityIndex(const QString& name) const { return m_entityIndex.value(name, -1); }

    // A digest of the entities, attributes and relationships: two models with the same
    // fingerprint can read each other's stores.
    const QString& fingerprint() const { return m_fingerprint; }

private:
    QString m_name;
    QString m_versionIdentifier;
    QVector<EntityDescription> m_entities;
    QHash<QString, int> m_entityIndex;
    QString m_fingerprint;
};

// The folder of the application's read-only resources (models, themes, first-run files).
QString resourcesPath();

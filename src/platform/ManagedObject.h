#pragma once

#include "KeyValueSource.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <forward_list>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ObjectContext;
class EntityDescription;

// A record's identity. Temporary until the record is first saved, then permanent; the
// text form of a permanent identity is stable across launches.
class ObjectID {
public:
    ObjectID() = default;
    bool isValid() const { return !m_entity.isEmpty(); }
    bool isTemporaryID() const { return m_primaryKey == 0; }
    const QString& entityName() const { return m_entity; }
    qint64 primaryKey() const { return m_primaryKey; }
    // "x-larkspoon://STORE/Entity/pN" when permanent, "x-larkspoon:///Entity/tN" when temporary.
    QString uriRepresentation() const;
    bool operator==(const ObjectID& other) const = default;

private:
    friend class ObjectContext;
    friend class ManagedObject;
    QString m_store;
    QString m_entity;
    qint64 m_primaryKey = 0;
    quint64 m_temporaryNumber = 0;
};

// A record of the store, addressed by key name. Record classes derive from it and are
// made by entity name through the registry below, so inserting runs their awakeFromInsert.
class ManagedObject : public KeyValueSource {
public:
    ManagedObject(ObjectContext* context, const EntityDescription* entity);
    ~ManagedObject() override;
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    ObjectContext* managedObjectContext() const { return m_context; }
    const EntityDescription& entity() const { return *m_entity; }
    const QString& entityName() const;
    ObjectID objectID() const { return m_id; }

    // Attribute values, to-one relationships (as ManagedObject*), to-many relationships
    // (as QList<ManagedObject*>), derived values of record classes, and key paths
    // ("parent.name") through to-one relationships. Unknown keys read as null.
    QVariant valueForKey(const QString& key) const override;
    const QString* foldedTextForKey(const QString& key, bool diacriticInsensitive) const override;
    const QString* asciiTextForKey(const QString& key) const override;
    // Grows whenever an attribute value changes; what was worked out from the values
    // (a search index) compares it to know whether it still holds.
    quint32 valuesVersion() const { return m_valuesVersion; }
    QVariant selfValue() const override;
    const KeyValueSource* relatedSource(const QString& key) const override { return relatedObject(key); }
    bool relatedSources(const QString& key, QList<const KeyValueSource*>* sources) const override;

    // Sets an attribute (converted to its type; null removes it) or a to-one relationship
    // (a ManagedObject* in the QVariant). Registered with the undo manager.
    void setValueForKey(const QVariant& value, const QString& key);

    QVariant attributeValue(int index) const { return m_values.at(index); }
    QString stringValue(const QString& key) const { return valueForKey(key).toString(); }

    ManagedObject* relatedObject(const QString& key) const;         // to-one
    QList<ManagedObject*> relatedObjects(const QString& key) const; // to-many
    void setRelatedObject(ManagedObject* object, const QString& key);
    void addRelatedObject(ManagedObject* object, const QString& toManyKey);    // and the inverse
    void removeRelatedObject(ManagedObject* object, const QString& toManyKey); // and the inverse

    bool isInserted() const { return !m_inStore && !m_deleted; }
    bool isDeleted() const { return m_deleted; }
    bool isUpdated() const { return m_changedMask != 0 || m_relationshipsChanged; }
    // True when the next save has something to write for this record.
    bool hasChanges() const { return m_deleted ? m_inStore : (!m_inStore || isUpdated()); }

    // The keys whose values changed since the last save.
    QStringList changedKeys() const;

    // Called once when the record is inserted (not when it is read from the store).
    virtual void awakeFromInsert() {}
    // Called after the record was read from the store.
    virtual void awakeFromFetch() {}

protected:
    // Record classes answer their derived keys here; return std::nullopt for keys they
    // do not derive.
    virtual std::optional<QVariant> derivedValueForKey(const QString& key) const;

private:
    friend class ObjectContext;
    friend class TextSearchIndex;
    // Takes what a background build worked out for the text attribute at index: whether it
    // is ASCII and, for other texts, their folded form (kept unless the slot is filled).
    void adoptFoldedText(int index, bool ascii, const QString& folded) const;
    void setAttributeValue(int index, const QVariant& value, bool registerUndo);
    void setToOne(int relationshipIndex, ManagedObject* target, bool registerUndo);
    void setManyToManyLink(int relationshipIndex, ManagedObject* other, bool linked);
    void invalidateFoldedText(int index);

    ObjectContext* m_context;
    const EntityDescription* m_entity;
    ObjectID m_id;
    QVector<QVariant> m_values;
    QVector<ManagedObject*> m_toOne;         // per relationship (null for to-many)
    QVector<QList<ManagedObject*>> m_toMany; // per relationship (empty for to-one)
    // Folded texts of the attributes asked for (few: the sorted name, texts beyond what
    // folds like ASCII), made when first asked for; a null QString is an empty slot (a
    // folded value is never null). The form without diacritics shares the folded one when
    // they are equal, as they are for most texts. A list, so that the texts handed out
    // stay where they are when another attribute's are added.
    struct FoldedText {
        int index;
        QString folded;
        QString withoutMarks;
    };
    FoldedText& foldedTextSlot(int index) const;
    mutable std::forward_list<FoldedText> m_foldedTexts;
    // Text attributes known to be ASCII or not (bits of m_asciiKnown), and which are.
    mutable quint64 m_asciiKnown = 0;
    mutable quint64 m_ascii = 0;
    quint32 m_valuesVersion = 0;
    quint64 m_changedMask = 0; // attributes changed since the save
    bool m_relationshipsChanged = false;
    bool m_inStore = false; // its row exists in the store file
    bool m_deleted = false;
    bool m_beingDeleted = false;
};

// Makes record objects by class name; record classes are registered once at start.
using ManagedObjectFactory = std::function<ManagedObject*(ObjectContext*, const EntityDescription*)>;
void registerManagedObjectClass(const QString& className, ManagedObjectFactory factory);

template <class T> void registerManagedObjectClass(const QString& className) {
    registerManagedObjectClass(className, [](ObjectContext* context, const EntityDescription* entity) {
        return static_cast<ManagedObject*>(new T(context, entity));
    });
}

// The derived keys a record class answers in derivedValueForKey, registered with the class
// so that filters and key lists can be checked against the model before they run.
void registerDerivedKeys(const QString& className, const QStringList& keys);
QStringList derivedKeys(const QString& className);

Q_DECLARE_METATYPE(ManagedObject*)

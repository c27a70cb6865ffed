#include "ManagedObject.h"

#include "DataModel.h"
#include "ObjectContext.h"
#include "TextFolding.h"
#include "UndoManager.h"

#include <QDateTime>
#include <QHash>

namespace {

QHash<QString, ManagedObjectFactory>& factories() {
    static QHash<QString, ManagedObjectFactory> registry;
    return registry;
}

QHash<QString, QStringList>& derivedKeyLists() {
    static QHash<QString, QStringList> lists;
    return lists;
}

// Converts a value to the attribute's kind; a value that cannot be converted is null.
QVariant coerced(const QVariant& value, AttributeType type) {
    if (!value.isValid() || value.isNull())
        return {};
    // A null QString is how callers say "no text": the value becomes absent.
    if (value.typeId() == QMetaType::QString && static_cast<const QString*>(value.constData())->isNull())
        return {};
    switch (type) {
    case AttributeType::Text:
        if (value.typeId() == QMetaType::QString)
            return value;
        return value.canConvert<QString>() ? QVariant(value.toString()) : QVariant();
    case AttributeType::Integer: {
        bool ok = false;
        const qint64 number = value.toLongLong(&ok);
        if (ok)
            return QVariant(number);
        const double real = value.toDouble(&ok);
        return ok ? QVariant(qint64(real)) : QVariant();
    }
    case AttributeType::Float: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    case AttributeType::Boolean:
        if (value.typeId() == QMetaType::QString) {
            const QString text = value.toString().trimmed();
            if (text.isEmpty())
                return QVariant(false);
            const QChar first = text.at(0);
            if (first == QLatin1Char('Y') || first == QLatin1Char('y') || first == QLatin1Char('T') ||
                first == QLatin1Char('t'))
                return QVariant(true);
            return QVariant(text.toLongLong() != 0);
        }
        return QVariant(value.toDouble() != 0.0 || value.toBool());
    case AttributeType::Date:
        if (value.typeId() == QMetaType::QDateTime)
            return value;
        if (value.typeId() == QMetaType::QString) {
            const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
            return date.isValid() ? QVariant(date) : QVariant();
        }
        return {};
    case AttributeType::Data:
        return value.typeId() == QMetaType::QByteArray ? value : QVariant(value.toByteArray());
    }
    return {};
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() != b.isNull())
        return false;
    return a.isNull() || a == b;
}

} // namespace

void registerManagedObjectClass(const QString& className, ManagedObjectFactory factory) {
    factories().insert(className, std::move(factory));
}

void registerDerivedKeys(const QString& className, const QStringList& keys) {
    derivedKeyLists().insert(className, keys);
}

QStringList derivedKeys(const QString& className) {
    return derivedKeyLists().value(className);
}

ManagedObject* makeManagedObject(ObjectContext* context, const EntityDescription* entity) {
    const auto it = factories().constFind(entity->className);
    if (it != factories().constEnd())
        return (*it)(context, entity);
    return new ManagedObject(context, entity);
}

QString ObjectID::uriRepresentation() const {
    if (isTemporaryID())
        return QStringLiteral("x-larkspoon:///%1/t%2").arg(m_entity).arg(m_temporaryNumber);
    return QStringLiteral("x-larkspoon://%1/%2/p%3").arg(m_store, m_entity).arg(m_primaryKey);
}

ManagedObject::ManagedObject(ObjectContext* context, const EntityDescription* entity)
    : m_context(context), m_entity(entity) {
    m_values.resize(entity->attributes.size());
    m_toOne.resize(entity->relationships.size());
    m_toMany.resize(entity->relationships.size());
    m_id.m_entity = entity->name;
}

ManagedObject::~ManagedObject() = default;

const QString& ManagedObject::entityName() const {
    return m_entity->name;
}

std::optional<QVariant> ManagedObject::derivedValueForKey(const QString& key) const {
    Q_UNUSED(key);
    return std::nullopt;
}

QVariant ManagedObject::valueForKey(const QString& key) const {
    const int attribute = m_entity->attributeIndex(key);
    if (attribute >= 0)
        return m_values.at(attribute);
    const int relationship = m_entity->relationshipIndex(key);
    if (relationship >= 0) {
        if (m_entity->relationships.at(relationship).toMany)
            return QVariant::fromValue(m_toMany.at(relationship));
        ManagedObject* target = m_toOne.at(relationship);
        return target ? QVariant::fromValue(target) : QVariant();
    }
    if (const std::optional<QVariant> derived = derivedValueForKey(key))
        return *derived;
    const qsizetype dot = key.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        ManagedObject* target = relatedObject(key.left(dot));
        return target ? target->valueForKey(key.mid(dot + 1)) : QVariant();
    }
    return {};
}

const QString* ManagedObject::foldedTextForKey(const QString& key, bool diacriticInsensitive) const {
    const int index = m_entity->attributeIndex(key);
    if (index < 0 || m_entity->attributes.at(index).type != AttributeType::Text)
        return nullptr;
    const QVariant& value = m_values.at(index);
    if (value.isNull())
        return nullptr;
    // A folded text is dropped whenever its value changes, so one that is kept belongs to
    // the current (non-null) value; searches then skip reading the value itself.
    FoldedText& slot = foldedTextSlot(index);
    QString& folded = slot.folded;
    if (folded.isNull()) {
        folded = foldedText(value.toString(), false);
        if (folded.isNull())
            folded = QStringLiteral(""); // an empty text, kept as a filled slot
    }
    if (!diacriticInsensitive)
        return &folded;
    // Without diacritics: derived from the folded copy (folding commutes with taking the
    // marks away), and the same string when nothing was taken away.
    QString& withoutMarks = slot.withoutMarks;
    if (withoutMarks.isNull()) {
        QString stripped = foldsLikeAscii(folded) ? folded : textWithoutDiacritics(folded);
        withoutMarks = stripped == folded ? folded : std::move(stripped);
        if (withoutMarks.isNull())
            withoutMarks = QStringLiteral("");
    }
    return &withoutMarks;
}

// Answers texts that fold like ASCII (foldsLikeAscii): ASCII with, at most, symbols and
// punctuation that fold to themselves, as most recipe texts hold ("180 °C", "½ cup"). Their
// folded form is their ASCII lower case, so they need no folded copy.
const QString* ManagedObject::asciiTextForKey(const QString& key) const {
    const int index = m_entity->attributeIndex(key);
    if (index < 0 || m_entity->attributes.at(index).type != AttributeType::Text)
        return nullptr;
    const QVariant& value = m_values.at(index);
    if (value.isNull() || value.typeId() != QMetaType::QString)
        return nullptr;
    const QString* text = static_cast<const QString*>(value.constData());
    const quint64 bit = quint64(1) << index;
    if (!(m_asciiKnown & bit)) {
        m_asciiKnown |= bit;
        if (foldsLikeAscii(*text))
            m_ascii |= bit;
    }
    return (m_ascii & bit) ? text : nullptr;
}

void ManagedObject::adoptFoldedText(int index, bool ascii, const QString& folded) const {
    const quint64 bit = quint64(1) << index;
    m_asciiKnown |= bit;
    if (ascii) {
        m_ascii |= bit;
        return;
    }
    m_ascii &= ~bit;
    if (folded.isNull())
        return;
    QString& slot = foldedTextSlot(index).folded;
    if (slot.isNull())
        slot = folded;
}

ManagedObject::FoldedText& ManagedObject::foldedTextSlot(int index) const {
    for (FoldedText& slot : m_foldedTexts)
        if (slot.index == index)
            return slot;
    return m_foldedTexts.emplace_front(FoldedText{index, QString(), QString()});
}

QVariant ManagedObject::selfValue() const {
    return QVariant::fromValue(const_cast<ManagedObject*>(this));
}

void ManagedObject::invalidateFoldedText(int index) {
    for (FoldedText& slot : m_foldedTexts) {
        if (slot.index == index) {
            slot.folded = QString();
            slot.withoutMarks = QString();
        }
    }
    const quint64 bit = quint64(1) << index;
    m_asciiKnown &= ~bit;
    m_ascii &= ~bit;
    ++m_valuesVersion;
}

void ManagedObject::setValueForKey(const QVariant& value, const QString& key) {
    const int attribute = m_entity->attributeIndex(key);
    if (attribute >= 0) {
        setAttributeValue(attribute, coerced(value, m_entity->attributes.at(attribute).type), true);
        return;
    }
    const int relationship = m_entity->relationshipIndex(key);
    if (relationship >= 0 && !m_entity->relationships.at(relationship).toMany) {
        setToOne(relationship, value.isNull() ? nullptr : value.value<ManagedObject*>(), true);
        return;
    }
    qWarning("setValueForKey: %s has no settable key %s", qPrintable(m_entity->name), qPrintable(key));
}

void ManagedObject::setAttributeValue(int index, const QVariant& value, bool registerUndo) {
    const QVariant old = m_values.at(index);
    if (sameValue(old, value))
        return;
    m_values[index] = value;
    invalidateFoldedText(index);
    m_changedMask |= (quint64(1) << index);
    if (registerUndo && m_context) {
        m_context->undoManager()->registerUndo([this, index, old] { setAttributeValue(index, old, true); });
        m_context->objectChanged(this);
    }
}

ManagedObject* ManagedObject::relatedObject(const QString& key) const {
    const int index = m_entity->relationshipIndex(key);
    if (index < 0 || m_entity->relationships.at(index).toMany)
        return nullptr;
    return m_toOne.at(index);
}

bool ManagedObject::relatedSources(const QString& key, QList<const KeyValueSource*>* sources) const {
    const int index = m_entity->relationshipIndex(key);
    if (index < 0 || !m_entity->relationships.at(index).toMany)
        return false;
    for (const ManagedObject* related : m_toMany.at(index))
        if (!related->m_deleted)
            sources->append(related);
    return true;
}

QList<ManagedObject*> ManagedObject::relatedObjects(const QString& key) const {
    const int index = m_entity->relationshipIndex(key);
    if (index < 0 || !m_entity->relationships.at(index).toMany)
        return {};
    return m_toMany.at(index);
}

void ManagedObject::setRelatedObject(ManagedObject* object, const QString& key) {
    const int index = m_entity->relationshipIndex(key);
    if (index < 0 || m_entity->relationships.at(index).toMany) {
        qWarning("setRelatedObject: %s has no to-one relationship %s", qPrintable(m_entity->name),
                 qPrintable(key));
        return;
    }
    setToOne(index, object, true);
}

void ManagedObject::addRelatedObject(ManagedObject* object, const QString& toManyKey) {
    const int index = m_entity->relationshipIndex(toManyKey);
    if (!object || index < 0 || !m_entity->relationships.at(index).toMany)
        return;
    const RelationshipDescription& relationship = m_entity->relationships.at(index);
    if (relationship.manyToMany)
        setManyToManyLink(index, object, true);
    else
        object->setRelatedObject(this, relationship.inverseName);
}

void ManagedObject::removeRelatedObject(ManagedObject* object, const QString& toManyKey) {
    const int index = m_entity->relationshipIndex(toManyKey);
    if (!object || index < 0 || !m_entity->relationships.at(index).toMany)
        return;
    const RelationshipDescription& relationship = m_entity->relationships.at(index);
    if (relationship.manyToMany)
        setManyToManyLink(index, object, false);
    else if (object->relatedObject(relationship.inverseName) == this)
        object->setRelatedObject(nullptr, relationship.inverseName);
}

// Both lists of a many-to-many pair change together; both records are marked changed so
// the owner of the join table rewrites its rows at the next save.
void ManagedObject::setManyToManyLink(int relationshipIndex, ManagedObject* other, bool linked) {
    const RelationshipDescription& relationship = m_entity->relationships.at(relationshipIndex);
    if (other->entityName() != relationship.destinationEntity || other->m_context != m_context)
        return;
    QList<ManagedObject*>& mine = m_toMany[relationshipIndex];
    if (mine.contains(other) == linked)
        return;
    QList<ManagedObject*>& theirs =
        other->m_toMany[other->m_entity->relationshipIndex(relationship.inverseName)];
    if (linked) {
        mine.append(other);
        theirs.append(this);
    } else {
        mine.removeAll(other);
        theirs.removeAll(this);
    }
    m_relationshipsChanged = true;
    other->m_relationshipsChanged = true;
    if (m_context) {
        m_context->undoManager()->registerUndo([this, relationshipIndex, other, linked] {
            setManyToManyLink(relationshipIndex, other, !linked);
        });
        m_context->objectChanged(this);
        m_context->objectChanged(other);
    }
}

// The to-one side is the truth; the inverse to-many list of the old and new target is
// kept in step here.
void ManagedObject::setToOne(int relationshipIndex, ManagedObject* target, bool registerUndo) {
    const RelationshipDescription& relationship = m_entity->relationships.at(relationshipIndex);
    if (target &&
        (target->entityName() != relationship.destinationEntity || target->m_context != m_context)) {
        qWarning("setToOne: %s is not a %s of this store", qPrintable(target->entityName()),
                 qPrintable(relationship.destinationEntity));
        return;
    }
    ManagedObject* old = m_toOne.at(relationshipIndex);
    if (old == target)
        return;
    m_toOne[relationshipIndex] = target;
    if (old) {
        const int inverse = old->m_entity->relationshipIndex(relationship.inverseName);
        old->m_toMany[inverse].removeAll(this);
    }
    if (target) {
        const int inverse = target->m_entity->relationshipIndex(relationship.inverseName);
        target->m_toMany[inverse].append(this);
    }
    m_relationshipsChanged = true;
    if (registerUndo && m_context) {
        m_context->undoManager()->registerUndo(
            [this, relationshipIndex, old] { setToOne(relationshipIndex, old, true); });
        m_context->objectChanged(this);
    }
}

QStringList ManagedObject::changedKeys() const {
    QStringList keys;
    for (int i = 0; i < m_entity->attributes.size(); ++i)
        if (m_changedMask & (quint64(1) << i))
            keys << m_entity->attributes.at(i).name;
    if (m_relationshipsChanged)
        for (const RelationshipDescription& relationship : m_entity->relationships)
            if (!relationship.toMany)
                keys << relationship.name;
    return keys;
}

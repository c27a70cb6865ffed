#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Anything a filter can be evaluated against: a record of the store, a dictionary,
// or a plain value (SELF). Values are read by key name; an absent value is a null QVariant.
class KeyValueSource {
public:
    virtual ~KeyValueSource() = default;

    virtual QVariant valueForKey(const QString& key) const = 0;

    // The object itself, for filters that use SELF (a list of texts being filtered).
    virtual QVariant selfValue() const { return {}; }

    // The source a key leads to, for key paths such as "parent.name": a related record.
    // nullptr when key does not lead to another source.
    virtual const KeyValueSource* relatedSource(const QString& key) const {
        Q_UNUSED(key);
        return nullptr;
    }

    // The sources a to-many key leads to ("children" of a group), for key paths such as
    // "ANY children.name": false when key is not a to-many relationship.
    virtual bool relatedSources(const QString& key, QList<const KeyValueSource*>* sources) const {
        Q_UNUSED(key);
        Q_UNUSED(sources);
        return false;
    }

    // The folded form (see TextFolding.h) of the text value of key, cached by the source,
    // or nullptr when the source keeps no cache or the value is not text. Lets a filter
    // search large texts case-insensitively without folding them again on every evaluation.
    virtual const QString* foldedTextForKey(const QString& key, bool diacriticInsensitive) const {
        Q_UNUSED(key);
        Q_UNUSED(diacriticInsensitive);
        return nullptr;
    }

    // The text value of key when it is plain ASCII, or nullptr (not text, not ASCII, or no
    // answer). The folded form of an ASCII text is its ASCII lower case, so a filter can
    // search it ignoring ASCII case where it does not need a folded copy.
    virtual const QString* asciiTextForKey(const QString& key) const {
        Q_UNUSED(key);
        return nullptr;
    }
};

// A dictionary (or any plain value) seen as a KeyValueSource.
class VariantKeyValueSource final : public KeyValueSource {
public:
    explicit VariantKeyValueSource(const QVariant& value) : m_value(value) {}
    QVariant valueForKey(const QString& key) const override {
        if (m_value.typeId() == QMetaType::QVariantMap)
            return m_value.toMap().value(key);
        if (m_value.typeId() == QMetaType::QVariantHash)
            return m_value.toHash().value(key);
        return {};
    }
    QVariant selfValue() const override { return m_value; }

private:
    QVariant m_value;
};

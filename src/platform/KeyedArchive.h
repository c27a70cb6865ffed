#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// A keyed archive: a property list (binary or XML) whose top dictionary holds "$archiver"
// (a text), "$objects" (the archived objects, the first of them "$null") and "$top" (the
// named roots). Objects refer to each other by identifiers ({"CF$UID": n}, an index into
// "$objects"); an archived instance is a dictionary whose "$class" refers to a dictionary
// naming its class in "$classname".
//
// Nothing here trusts the file: every identifier is checked against "$objects", the values
// of the Foundation classes are followed a bounded number of steps and never in a loop,
// and a question about a malformed object gets an error, not a guess.
class KeyedArchive {
public:
    // The steps a value may take through identifiers and the Foundation wrappers
    // (NSString, NSData, NSDate) before it is a plain value.
    static constexpr int kMaxValueSteps = 8;

    // The archive of a property list, or nothing with *error when the bytes are not a
    // property list or not laid out as a keyed archive.
    static std::optional<KeyedArchive> fromData(const QByteArray& bytes, QString* error);

    qsizetype objectCount() const { return m_objects.size(); }
    const QVariant& object(qsizetype index) const { return m_objects.at(index); }

    // The identifier a value holds: a dictionary of the one key "CF$UID" with an integer.
    static std::optional<qint64> uid(const QVariant& value);
    // The object an identifier names, when it is in range.
    std::optional<qsizetype> reference(const QVariant& value) const;
    // The object $top names by key, when it is an identifier in range.
    std::optional<qsizetype> topReference(const QString& key) const;

    // Whether the object is the "$null" placeholder.
    bool isNull(qsizetype index) const;
    // The class name of an archived instance; empty for a plain value or an instance whose
    // "$class" is not a class dictionary.
    QString className(qsizetype index) const;
    // The key of an archived instance; a null value when absent (or not an instance).
    QVariant field(qsizetype index, const QString& key) const;

    // A plain value: a text, an integer, a real, a boolean, data or a date, given directly
    // or by identifier, or wrapped in NSString/NSMutableString ("NS.string"),
    // NSData/NSMutableData ("NS.bytes" or "NS.data") or NSDate ("NS.time", seconds since
    // 2001-01-01 UTC). "$null" and an absent value read as a null value. Anything else (a
    // collection, another class, a loop of identifiers) is an error.
    std::optional<QVariant> plainValue(const QVariant& value, QString* error) const;

    // The objects a value refers to: one identifier (to one object) gives that object; a
    // collection (an instance with "NS.objects", as NSArray, NSSet and their kin) gives
    // its elements, each of which must be an identifier in range. "$null" and an absent
    // value give none.
    std::optional<QList<qsizetype>> references(const QVariant& value, QString* error) const;

    // The elements of a collection object: "NS.objects" of an array or set, the values
    // ("NS.objects") of a dictionary; nothing when the object is no collection. Each must be
    // an identifier in range.
    std::optional<QList<qsizetype>> collectionElements(qsizetype index, bool* isCollection,
                                                       QString* error) const;

private:
    KeyedArchive() = default;

    QVariantList m_objects;
    QVariantMap m_top;
};

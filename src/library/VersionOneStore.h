#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

// The records of a first-generation library file (a whole library, "*.database", or an
// export, "*.Larkspoon!"), read into plain values for the importer.
//
// How the file is read. It is the binary object store of the model "Larkspoon!_v1.mom":
// a keyed archive (see KeyedArchive) whose archived instances are the records. This
// reading is defined here, and the test generator writes the same:
//  - An archived instance whose class name is an entity of the model ("Recipe",
//    "Ingredient", "Source") is a record of that entity. Its attributes are stored under
//    the model's attribute names, its relationships under the relationship names: a to-one
//    one as an identifier of the record, a to-many one as an identifier of a collection
//    (an NSSet, NSArray or kin, "NS.objects") of records.
//  - The records are found from the root ("$top" key "root"): collections and
//    dictionaries are walked (at most kMaxNesting deep, a collection met again on its own
//    path is refused), every record met is taken, and so are the records their
//    relationships reach. Other objects (metadata, texts) are passed over.
//  - Attribute values are plain values or the Foundation wrappers KeyedArchive reads;
//    each must suit the attribute's type (a text for text, a number for an integer, a
//    boolean or number for a boolean, a date, data); an absent or "$null" value is absent.
//  - A recipe whose values or ingredients cannot be read is left out and reported with
//    its position among the recipes found; a group (Source) whose values cannot be read is
//    left out with a warning. A file that is not a keyed archive, or whose root or its
//    collections are malformed, is not read at all.
namespace versionone {

// How deep collections may nest on the way from the root to the records.
constexpr int kMaxNesting = 32;

struct Ingredient {
    qint64 position = 0;
    // "quantity", "measurement", "name", "method" when present.
    QVariantMap values;
    bool isTitleItem = false;
};

struct Recipe {
    // The attributes present, by their version-one names, as the model's types: texts,
    // qint64, bool, QDateTime (UTC) and QByteArray ("image").
    QVariantMap values;
    // Sorted by position, ascending (items of equal position in file order).
    QList<Ingredient> ingredients;
};

struct Source {
    QString name;
    bool isSmartGroup = false;
    qint64 priorityValue = 0;
    // Indexes into Store::recipes / Store::sources; parent is -1 for none.
    QList<int> recipes;
    QList<int> children;
    int parent = -1;
};

struct Unreadable {
    int index = 0; // among the recipes found, from 0
    QString reason;
};

struct Store {
    QList<Recipe> recipes;
    QList<Source> sources;
    QList<Unreadable> unreadable;
    // Recipe records found, read or not.
    int recipesFound = 0;
};

struct ReadResult {
    Store store;
    QString error; // the file could not be read at all
    bool ok() const { return error.isEmpty(); }
};

ReadResult readStore(const QByteArray& bytes);

} // namespace versionone

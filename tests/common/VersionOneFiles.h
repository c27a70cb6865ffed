#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// First-generation library files for tests (and benchmarks): the object store of the model
// "Larkspoon!_v1.mom" as a keyed archive in a binary property list, laid out as
// versionone::readStore reads it.
namespace testsupport {

// A binary property list ("bplist00") of value: dictionaries, arrays, texts, integers
// (qint64, int), reals, booleans, data and dates; a dictionary of the one key "CF$UID" is
// written as an identifier. Nothing is shared: every value is written where it occurs.
QByteArray binaryPropertyListData(const QVariant& value);

// {"CF$UID": index}
QVariantMap uidValue(qint64 index);

// One record by its version-one attribute names (the model decides how each is stored).
struct VersionOneRecipe {
    QVariantMap values;
    QList<QVariantMap> ingredients; // position, quantity, measurement, name, method, isTitleItem
};

struct VersionOneGroup {
    QVariantMap values;  // name, isSmartGroup, priorityValue
    QList<int> recipes;  // indexes into the recipes
    QList<int> children; // indexes into the groups; each child's parent is set from this
};

// The top dictionary of the archive ("$archiver", "$objects", "$top"), so a test can damage
// it before writing. An attribute name the model does not have fails the current test.
// wholeLibrary: the root lists the recipes and the groups (a library); otherwise the recipes
// only (an export). Ingredients are reached through their recipes either way.
QVariantMap versionOneArchive(const QList<VersionOneRecipe>& recipes,
                              const QList<VersionOneGroup>& groups = {}, bool wholeLibrary = false);

// versionOneArchive() as the bytes of a file.
QByteArray versionOneFileData(const QList<VersionOneRecipe>& recipes,
                              const QList<VersionOneGroup>& groups = {}, bool wholeLibrary = false);

bool writeFileData(const QString& path, const QByteArray& bytes);

} // namespace testsupport

#pragma once

#include <QString>
#include <QStringList>

class DataModel;
class EntityDescription;
class Predicate;

// Checks the keys that a filter, a sort or a list of keys names against a data model
// before it runs. A key the records do not have reads as nil for every one of them, so a
// misspelt filter such as `uniqeID != "X"` would select the whole entity.
//
// A key path is walked step by step from the entity: a relationship (to-one or to-many)
// leads on to its destination entity; an attribute, or a derived key of the entity's
// record class (registerDerivedKeys), ends the walk, since the steps after it read inside
// that value. Any other step is unknown.

// The key path up to and including its first unknown step ("smartMeasurement.nme"), or an
// empty text when every step is known.
QString unknownKeyInPath(const QStringList& path, const EntityDescription& entity, const DataModel& model);

// The same for a key path written with dots ("parent.name"), as sort keys and key lists are.
QString unknownKeyInPath(const QString& keyPath, const EntityDescription& entity, const DataModel& model);

// The key path up to and including its first to-many relationship ("children"), or an
// empty text when it crosses none.
QString toManyKeyInPath(const QStringList& path, const EntityDescription& entity, const DataModel& model);

// The key paths (written with dots) that the filter compares as one value although they
// lead through a to-many relationship: `children.name != "x"` compares a collection with a
// text and would hold for every record. Such a path is read with ANY, ALL or NONE, or on
// the right of IN.
QStringList toManyPathsReadAsOneValue(const Predicate& predicate, const EntityDescription& entity,
                                      const DataModel& model);

// The unknown keys (as above) of every key path the filter reads, in order of first use.
// SELF, $variables and constants name no key and are not checked.
QStringList unknownKeys(const Predicate& predicate, const EntityDescription& entity, const DataModel& model);

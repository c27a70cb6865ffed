#pragma once

#include "platform/Predicate.h"

#include <QStringList>

// A smart group's rule is stored as the text of a compound filter whose left sides are
// display words in double quotes ("Rating" > "3" AND "Has Image" == "Yes"). This turns it
// into a filter over recipe keys. groupNames are the names of every group, for the
// "Groupless" condition. A rule that cannot be read shows no recipes.
PredicatePtr recipeFilterFromSmartGroupRules(const QString& rules, const QStringList& groupNames,
                                             QString* error = nullptr);

// The rule text with display words replaced by recipe keys, before it is read as a filter.
QString translatedSmartGroupRules(const QString& rules, const QStringList& groupNames);

#pragma once

#include "ForeignRecipe.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

// Reads MacGourmet data exports ("mgourmet", and "mgourmet3"/"mgourmet4" of later versions):
// a property list (XML or binary) whose root is an array of recipe dictionaries with
// upper-case keys. NAME, SOURCE, SUMMARY, NOTE, YIELD, KEYWORDS (words separated by spaces)
// and DIRECTIONS are texts; DIFFICULTY is 0 to 5; INGREDIENTS holds rows of QUANTITY,
// MEASUREMENT, DESCRIPTION and DIRECTION (a heading when IS_DIVIDER); PREP_TIMES holds
// amounts of two units each by kind; IMAGE is the picture when EXPORT_TYPE is "BINARY".
// Later versions write INGREDIENTS_TREE, DIRECTIONS_LIST and NOTES_LIST instead of the
// plain keys; those are read when the plain keys are absent. A value of another type than
// its key's reads as absent.
namespace MacGourmetReader {

// The kinds of time and their units in PREP_TIMES.
constexpr qint64 kPreparationTime = 9;
constexpr qint64 kCookingTime = 5;
constexpr qint64 kInactiveTime = 28;
constexpr qint64 kHours = 1;
constexpr qint64 kMinutes = 2;

ForeignReadResult read(const QByteArray& bytes);
// The recipes of a property list already read; a root that is not an array holds none.
ForeignReadResult readRoot(const QVariant& root);
ForeignRecipe readRecipe(const QVariantMap& dict);

// DIFFICULTY on the library's scale: 1 or 2 give 1, 3 or 4 give 2, 5 gives 3, others 0.
int difficulty(qint64 value);
// A total of minutes as a recipe's time: "45 minutes", "60 minutes", "1 hour 30 minutes",
// "1 hour 60 minutes" for 120 (the rest runs from 1 to 60); empty for 0 or less.
QString timeText(qint64 minutes);
// One ingredient row as the line the ingredient list parser reads: "2 cups flour sifted",
// a heading "*Sauce*" as "Sauce:"; empty for a row with nothing in it.
QString ingredientLine(const QVariantMap& row);

} // namespace MacGourmetReader

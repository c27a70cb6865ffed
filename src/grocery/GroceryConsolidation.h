#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class GroceryCategories;
class MeasurementsConverter;

// The consolidated grocery list: equal ingredients of different recipes added up in common
// units, given their aisle and sorted by name.
namespace GroceryConsolidation {

// Whether two ingredient names count as one: equal, or (both of at least two characters)
// one is the other with an "s" added ('egg' and 'eggs', 'pea' and 'peas', but not 'pea'
// and 'pear').
bool namesAreOne(const QString& a, const QString& b);
// Whether two measurements count as one: equal, or (both of at least two characters) one
// is the other with any one character added ('cup' and 'cups', 'oz' and 'oz.').
bool measurementsAreOne(const QString& a, const QString& b);

// Consolidates ingredient records in place:
//  1. each is converted to the lowest unit of its measurement's family;
//  2. each row absorbs the later rows of the same name and measurement: an identical
//     quantity is dropped, and two quantities that are plain numbers are added up (the sum
//     written with six decimals); the absorbed rows are removed;
//  3. each row is converted to its nearest usable unit, a decimal sum is written back as
//     a kitchen fraction, and the row's aisle position is set (`category`, "%d", absent
//     when none);
//  4. the rows are sorted by name without regard to case.
// Rows are compared by name through a lookup by name, so the cost grows with the number of
// rows, not with its square.
void consolidateIngredients(QList<QVariantMap>& rows, MeasurementsConverter& converter,
                            const GroceryCategories& categories);

// Sets (or, for position 0, removes) the row's `category` text.
void setCategoryPosition(QVariantMap& row, int position);

} // namespace GroceryConsolidation

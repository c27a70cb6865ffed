#pragma once

#include <QString>
#include <QVariant>

class ManagedObject;

// The ingredient record: a dictionary with quantity, measurement, name, method,
// isGroupTitle and randomNumber (and the transient presentError), kept as an ordered
// array in a recipe's ingredientsArray attribute as structured text.
namespace IngredientRecords {

// A fresh row identity: a uniformly random 32-bit value modulo 999 (0 to 998).
int newRandomNumber();

// A row created empty: only its randomNumber.
QVariantMap newIngredientRecord();

// The text of key in a row; a missing key (or a row that is not a dictionary) reads as
// empty text.
QString textForKey(const QVariant& ingredient, const QString& key);

// Whether the row is a section title, by the boolean reading rule of structured text.
bool isGroupTitle(const QVariant& ingredient);

// The rows stored in a recipe; absent or unreadable text gives no rows. Entries that are
// not dictionaries are kept as they are, so rewriting the list never drops them.
QVariantList ingredientsOfRecipe(const ManagedObject* recipe);

// Stores rows in the recipe as structured text.
void setIngredientsOfRecipe(ManagedObject* recipe, const QVariantList& ingredients);

} // namespace IngredientRecords

#pragma once

#include "ForeignRecipe.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

// Reads MealMaster text files ("mmf", "mm", and "txt" files holding MealMaster recipes). A
// recipe starts at its "Title:" line and ends at "MMMMM" or "-----" alone on a line, at the
// next recipe header or title, or at the end of the file. After the title come
// "Categories:" (keywords) and "Yield:" or "Servings:"; then the ingredients in fixed
// columns (a quantity of seven characters, a unit of two, the text), one or two to a line,
// with group titles written as "-----FILLING-----" and continuation lines starting with
// "-"; the first line that is none of these begins the directions.
namespace MealMasterReader {

// Whether the start of a file looks like MealMaster: a recipe header or a title line.
bool looksLikeMealMaster(const QByteArray& head);

ForeignReadResult read(const QByteArray& bytes);
ForeignReadResult readText(QStringView text);

// The unit words for the two-letter MealMaster units ("tb" is "tablespoon"); others as
// they are.
QString unitWord(const QString& unit);

} // namespace MealMasterReader

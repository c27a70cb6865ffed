#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class GroceryCategories;

// The printable grocery list page and its plain-text form.
namespace GroceryPage {

// The page template kept with the application (empty, with a logged line, when missing).
QString pageTemplate(const QString& resourcesRoot);

// The items of a printed list: the needed consolidated rows, then the own items marked with
// `isMyItem`, all sorted by name without regard to case.
QList<QVariantMap> printedItems(const QList<QVariantMap>& neededRows, const QList<QVariantMap>& myItems);

// The page: the template with the list's name and one section per aisle in the
// categories' order (only aisles that have items), then "Uncategorized". Every text from
// the records is escaped. With singleCharacterFractions the typed fractions are shown as
// their single characters.
QString html(const QString& templateText, const QString& title, const QList<QVariantMap>& items,
             const GroceryCategories& categories, bool singleCharacterFractions);

// The same list as plain text: the name, then each aisle's name and its item lines.
QString plainText(const QString& title, const QList<QVariantMap>& items, const GroceryCategories& categories);

// One item as text: "*" for an own item, then quantity, measurement and name separated by
// spaces, then ", " and the method when there is one.
QString itemText(const QVariantMap& item);

} // namespace GroceryPage

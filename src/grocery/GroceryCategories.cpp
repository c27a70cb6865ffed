#include "grocery/GroceryCategories.h"

#include "grocery/GroceryRowMoves.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QVariantMap>

namespace {

const QString kName = QStringLiteral("name");
const QString kRandomNumber = QStringLiteral("randomNumber");
const QString kCategory = QStringLiteral("category");

// Reads the array of a side file. A missing file reads as empty and readable; a file that
// is there but is not an array of a property list is unreadable.
bool readArray(const QString& path, QVariantList* array) {
    array->clear();
    if (!QFileInfo::exists(path))
        return true;
    const PropertyListResult result = readPropertyListFile(path);
    if (!result.ok() || result.value.typeId() != QMetaType::QVariantList) {
        qWarning("error could not read %s", qPrintable(path));
        return false;
    }
    *array = result.value.toList();
    return true;
}

} // namespace

QString GroceryCategories::categoriesPath(const QString& libraryPath) {
    return libraryPath + QStringLiteral("/Grocery Categories.plist");
}

QString GroceryCategories::matchesPath(const QString& libraryPath) {
    return libraryPath + QStringLiteral("/Grocery Category Matches.plist");
}

void GroceryCategories::load(const QString& libraryPath) {
    m_libraryPath = libraryPath;
    m_categories.clear();
    QVariantList categories;
    m_categoriesReadable = readArray(categoriesPath(libraryPath), &categories);
    for (const QVariant& entry : std::as_const(categories)) {
        const QVariantMap map = entry.toMap();
        m_categories.append(Category{map.value(kName).toString(), map.value(kRandomNumber).toLongLong()});
    }
    m_matchesReadable = readArray(matchesPath(libraryPath), &m_matches);
    indexMatches();
}

void GroceryCategories::setContents(QList<Category> categories, QVariantList matches) {
    m_categories = std::move(categories);
    m_matches = std::move(matches);
    m_categoriesReadable = m_matchesReadable = true;
    indexMatches();
}

void GroceryCategories::indexMatches() {
    m_positionOfNumber.clear();
    // With two aisles of one number the first one is the one found.
    for (int i = int(m_categories.size()) - 1; i >= 0; --i)
        m_positionOfNumber.insert(m_categories.at(i).randomNumber, i + 1);
    m_lastMatch.clear();
    for (int i = 0; i < int(m_matches.size()); ++i)
        m_lastMatch.insert(m_matches.at(i).toMap().value(kName).toString(), i);
}

QStringList GroceryCategories::categoryNames() const {
    QStringList names;
    for (const Category& category : m_categories)
        names.append(category.name);
    return names;
}

int GroceryCategories::positionOfName(const QString& categoryName) const {
    for (int i = 0; i < int(m_categories.size()); ++i)
        if (m_categories.at(i).name == categoryName)
            return i + 1;
    return 0;
}

int GroceryCategories::positionForIngredient(const QString& name) const {
    const auto match = m_lastMatch.constFind(name);
    if (match == m_lastMatch.cend())
        return 0;
    return m_positionOfNumber.value(m_matches.at(*match).toMap().value(kCategory).toLongLong(), 0);
}

bool GroceryCategories::setPositionForIngredient(const QString& name, int position) {
    const auto match = m_lastMatch.constFind(name);
    if (position >= 1 && position <= int(m_categories.size())) {
        const qint64 number = m_categories.at(position - 1).randomNumber;
        if (match != m_lastMatch.cend()) {
            QVariantMap entry = m_matches.at(*match).toMap();
            if (entry.value(kCategory).toLongLong() == number)
                return false;
            entry.insert(kName, name);
            entry.insert(kCategory, number);
            m_matches[*match] = entry;
            return true;
        }
        m_matches.append(QVariantMap{{kName, name}, {kCategory, number}});
        m_lastMatch.insert(name, int(m_matches.size()) - 1);
        return true;
    }
    if (match == m_lastMatch.cend())
        return false;
    // Every match of the name goes, or an earlier one would take over.
    m_matches.removeIf(
        [&name](const QVariant& entry) { return entry.toMap().value(kName).toString() == name; });
    indexMatches();
    return true;
}

bool GroceryCategories::saveMatches(QString* error) {
    if (!matchesWritable()) {
        if (error)
            *error = QCoreApplication::translate("Grocery", "The grocery category files could not be read.");
        return false;
    }
    if (m_libraryPath.isEmpty())
        return true;
    return writePropertyListFile(m_matches, matchesPath(m_libraryPath), error);
}

int GroceryCategories::addCategory(int afterRow) {
    const int row = std::clamp(afterRow + 1, 0, int(m_categories.size()));
    m_categories.insert(row, Category{QCoreApplication::translate("Grocery", "New Category"),
                                      qint64(QRandomGenerator::global()->generate() % 9999)});
    indexMatches();
    return row;
}

void GroceryCategories::removeCategory(int row) {
    if (row < 0 || row >= int(m_categories.size()))
        return;
    m_categories.removeAt(row);
    indexMatches();
}

void GroceryCategories::renameCategory(int row, const QString& name) {
    if (row >= 0 && row < int(m_categories.size()))
        m_categories[row].name = name;
}

QList<int> GroceryCategories::moveCategories(const QList<int>& rows, int dropRow) {
    const QList<int> moved = moveRowsToDropPosition(m_categories, rows, dropRow);
    indexMatches();
    return moved;
}

bool GroceryCategories::saveCategories(QString* error) {
    if (!m_categoriesReadable) {
        if (error)
            *error = QCoreApplication::translate("Grocery", "The grocery category files could not be read.");
        return false;
    }
    if (m_libraryPath.isEmpty())
        return true;
    QVariantList array;
    for (const Category& category : std::as_const(m_categories))
        array.append(QVariantMap{{kName, category.name}, {kRandomNumber, category.randomNumber}});
    return writePropertyListFile(array, categoriesPath(m_libraryPath), error);
}

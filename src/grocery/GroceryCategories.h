#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The library's store aisles and the aisle of each ingredient name, kept in two side files
// of the library folder: "Grocery Categories.plist" (the aisles in print order, each a name
// and a randomNumber that stays with it when renamed or moved) and "Grocery Category
// Matches.plist" (an ingredient name and the randomNumber of its aisle). Grocery rows carry
// an aisle as its 1-based position in the categories; 0 is none.
class GroceryCategories {
public:
    struct Category {
        QString name;
        qint64 randomNumber = 0;
    };

    static QString categoriesPath(const QString& libraryPath);
    static QString matchesPath(const QString& libraryPath);

    // Reads both files of the library folder. A missing file gives no entries; a file that
    // cannot be read gives none either and is never rewritten (its entries are not lost).
    void load(const QString& libraryPath);
    // Direct contents, for callers that have no library folder (tests, benchmarks).
    void setContents(QList<Category> categories, QVariantList matches);

    const QList<Category>& categories() const { return m_categories; }
    QStringList categoryNames() const;
    // 1-based position of the aisle named so; 0 when there is none.
    int positionOfName(const QString& categoryName) const;

    // The aisle position of an ingredient name: the last match of that exact name, through
    // its category number; 0 when there is no match or its aisle no longer exists.
    int positionForIngredient(const QString& name) const;

    // Files the name under the aisle at position (creating the match when missing); a
    // position outside the aisles removes the name's matches. Returns whether anything
    // changed.
    bool setPositionForIngredient(const QString& name, int position);
    // Writes the matches file whole (atomically). False, changing nothing, when the file
    // could not be read when loaded or cannot be written.
    bool saveMatches(QString* error = nullptr);
    bool matchesWritable() const { return m_matchesReadable && m_categoriesReadable; }

    // The categories editor: a new "New Category" after row (at the top when row < 0),
    // removal, renaming and moving; saveCategories writes the file whole (atomically).
    int addCategory(int afterRow);
    void removeCategory(int row);
    void renameCategory(int row, const QString& name);
    // Moves the rows, in their old order, to the drop position; returns their new rows.
    QList<int> moveCategories(const QList<int>& rows, int dropRow);
    bool saveCategories(QString* error = nullptr);

private:
    void indexMatches();

    QString m_libraryPath;
    QList<Category> m_categories;
    QVariantList m_matches;                // dictionaries with name and category, in file order
    QHash<QString, int> m_lastMatch;       // name -> index of its last match
    QHash<qint64, int> m_positionOfNumber; // randomNumber -> 1-based position
    bool m_categoriesReadable = true;
    bool m_matchesReadable = true;
};

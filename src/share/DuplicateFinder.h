#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class DialogWithProgressbarController;
class ManagedObject;
class ObjectContext;

// What an import does with recipes that are already in the library.
enum class DuplicatePolicy {
    KeepBoth,       // import them all (the default of headless callers)
    SkipDuplicates, // leave out the copies before the save
    Ask,            // ask in the finished dialog; "Keep Both" when no dialog is up
};

// An imported recipe that was already in the library.
struct DuplicateMatch {
    // The imported copy's uniqueID; empty when the copy was left out.
    QString uniqueID;
    // The library's recipe it repeats.
    QString existingUniqueID;
};

// Tells which incoming recipes the library holds already: two recipes are the same when
// their names and the names of their ingredients agree once case-folded, trimmed and with
// inner white space collapsed (ingredients in any order, group titles aside). The library's
// own recipes are indexed by name once, so each incoming recipe costs a lookup; ingredient
// lists are read only for recipes whose names match.
class DuplicateFinder {
    Q_DECLARE_TR_FUNCTIONS(DuplicateFinder)

public:
    // Indexes the own library's recipes of context, except those in excluded (the recipes an
    // import has just made).
    explicit DuplicateFinder(ObjectContext* context, const QList<ManagedObject*>& excluded = {});

    static QString normalizedText(const QString& text);
    // The ingredient names of a recipe, normalised and sorted, one per line.
    static QString ingredientsKey(const ManagedObject* recipe);

    // The library's recipe that recipe repeats, or null.
    ManagedObject* existingCopyOf(const ManagedObject* recipe) const;
    int indexedRecipes() const { return m_indexed; }

    // "3 of these recipes were already in your library"
    static QString alreadyInLibraryText(int count);
    static QString keepBothTitle();
    static QString skipDuplicatesTitle();

private:
    QMultiHash<QString, ManagedObject*> m_byName;
    mutable QHash<const ManagedObject*, QString> m_ingredientKeys;
    int m_indexed = 0;
};

// The end of an import, before its save: finds which of the imported recipes the library
// held already and applies policy. Ask shows the count in the finished dialog with "Keep
// Both" (the default) and "Skip Duplicates". Skipping calls remove for each copy (which
// deletes it and its pictures) and takes it out of imported. Answers the matches, in the
// order of imported.
QList<DuplicateMatch> resolveImportDuplicates(ObjectContext* context, QList<ManagedObject*>& imported,
                                              DuplicatePolicy policy, DialogWithProgressbarController& dialog,
                                              const std::function<void(ManagedObject*)>& remove);

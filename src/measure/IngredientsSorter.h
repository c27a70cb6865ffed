#pragma once

#include "MeasurementRules.h"
#include "TextHash.h"

#include <QString>
#include <QVariantList>

#include <memory>

class ObjectContext;

// Turns a block of ingredient text into ingredient records, one per line: the run of
// number-like characters at the start is the quantity, the next word the measurement when
// it is a known measurement word, the text up to the first comma the name, and the rest the
// method. A single pass per line, no grammar.
class IngredientsSorter {
public:
    // context: the library whose measurement rules give unit spellings (nullptr: the default
    // rules). libraryPath: the library folder holding "Measurements.plist" (empty: none).
    explicit IngredientsSorter(ObjectContext* context = nullptr, QString libraryPath = QString());

    // A new list of new ingredient records (QVariantMap with quantity, measurement, name,
    // method, isGroupTitle "YES"/"NO" and randomNumber 0-998). Never fails: any text gives a
    // list, possibly empty. The measurement words are read afresh on every call.
    QVariantList sortedIngredientsFromString(const QString& string) const;

    class MeasurementWords;
    // The same with measurement words read once by the caller: an import of many recipes
    // reads them once, not once per recipe.
    QVariantList sortedIngredientsFromString(const QString& string, const MeasurementWords& words) const;

    // The measurement words of one call: the library's "Measurements.plist", the fixed
    // words and every unit spelling of the measurement rules, read when made.
    class MeasurementWords {
    public:
        bool contains(const QString& word) const;

    private:
        friend class IngredientsSorter;
        TextSet m_libraryWords;
        std::shared_ptr<const MeasurementRules> m_rules;
    };
    MeasurementWords measurementWords() const;

    // The characters a quantity is made of: the fifteen graphical fractions, the digits and
    // "/", ".", ",", space, "*", "#", "~", "-", "x".
    static bool isQuantityCharacter(QChar c);

private:
    ObjectContext* m_context;
    QString m_libraryPath;
};

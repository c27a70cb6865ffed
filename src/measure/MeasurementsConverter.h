#pragma once

#include "MeasurementRules.h"
#include "MeasurementUnits.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariantMap>

#include <memory>
#include <optional>

class ObjectContext;

// The one class for quantity texts and measurement units.
//
// Quantities stay texts; numbers are single-precision values only inside a calculation.
// The number side (classification, typed fractions, kitchen fractions, scaling) needs no
// library and is available as static operations. The unit side reads the measurement rules
// of a library (its SmartMeasurements and MeasurementMatches records) or, without a
// library, the default rules.
//
// The rules are looked up again before every preferred-measurement call: the snapshot is
// rebuilt whenever the context reports a change since the last build, so an edit to a rule
// takes effect on the very next call while unchanged rules cost one comparison.
class MeasurementsConverter {
public:
    // context: the library whose rules to use; nullptr for the default rules.
    explicit MeasurementsConverter(ObjectContext* context = nullptr);

    // The text the scaling operation returns for a word that mixes digits with other
    // characters (and for a quantity whose scaled value is not a finite number).
    static const QString FAILED_CONVERSION;

    // --- Quantity texts -------------------------------------------------------------------

    // A character outside space, ".", "/" and the digits: the text holds words or signs.
    static bool isStringUnknown(QStringView string);
    // At least one digit.
    static bool doesUnknownStringContainNumbers(QStringView string);
    // Only digits and spaces (true for the empty text).
    static bool isStringSolidNumber(QStringView string);
    static bool isStringDecimal(QStringView string) { return string.contains(u'.'); }
    static bool isStringTypedFraction(QStringView string) { return string.contains(u'/'); }

    // The number a text begins with, read like C's strtof but independent of the locale:
    // leading white space, an optional sign, digits with an optional "." and fraction
    // digits, an optional exponent. No number gives 0. A number beyond the float range
    // reads as the largest float (keeping its sign), so the result is always finite.
    static float leadingNumber(QStringView string);
    // The integer a text begins with (white space, sign, digits), saturated to int.
    static int leadingInteger(QStringView string);
    // A value written with a fixed number of decimals, rounded to nearest as printf's "%.Nf"
    // does, always with a decimal point whatever the user's locale.
    static QString fixedText(float value, int decimals);

    // '1 1/2' gives 1.5. A fraction whose denominator is empty or zero ('1/', '3/0') adds 0,
    // and the result is clamped to the float range, so it is always finite.
    static float floatFromTypedFraction(QStringView string);
    // True when the text holds a fraction whose denominator is empty or zero.
    static bool hasUnreadableFraction(QStringView string);

    // A kitchen fraction: 1.5 gives '1 1/2', 0.2 gives '.2', 0.0004 gives ''. A negative
    // value is written as "-" before the text of its magnitude; a value that is not a finite
    // number gives the empty text.
    static QString typedFractionFromFloat(float value);

    // Single-character fractions typed out ('1½' gives '1 1/2'), then double spaces halved.
    // A null text gives a null text.
    static QString normalStringByConvertingGraphicalFractionsFromString(const QString& string);

    // The quantity text multiplied by the factor, keeping its words; FAILED_CONVERSION for a
    // word mixing digits and other characters. A typed fraction with an empty or zero
    // denominator, or a product that is not a finite number, cannot be scaled either and
    // gives FAILED_CONVERSION, so the caller keeps the quantity as it was.
    static QString scaledStringFromString(const QString& string, float byConvertionFactor);

    // The fifteen single-character fractions with their typed forms ('½' and "1/2"), in
    // the order they are replaced. Displays use it backwards.
    struct GraphicalFraction {
        QChar character;
        QString typed; // "1/2"
    };
    static const QList<GraphicalFraction>& graphicalFractionTable();

    // --- Measurement units ------------------------------------------------------------------

    // Brings the spelling lists and display texts up to date with the library's rules.
    void setArraysAndValues();

    QStringList gallonsArray() const { return spellings(MeasurementUnit::Gallon); }
    QStringList quartsArray() const { return spellings(MeasurementUnit::Quart); }
    QStringList pintsArray() const { return spellings(MeasurementUnit::Pint); }
    QStringList cupsArray() const { return spellings(MeasurementUnit::Cup); }
    QStringList tablespoonsArray() const { return spellings(MeasurementUnit::Tablespoon); }
    QStringList teaspoonsArray() const { return spellings(MeasurementUnit::Teaspoon); }
    QStringList ouncesArray() const { return spellings(MeasurementUnit::Ounce); }
    QStringList poundsArray() const { return spellings(MeasurementUnit::Pound); }
    QStringList litersArray() const { return spellings(MeasurementUnit::Liter); }
    QStringList decilitersArray() const { return spellings(MeasurementUnit::Deciliter); }
    QStringList centilitersArray() const { return spellings(MeasurementUnit::Centiliter); }
    QStringList millilitersArray() const { return spellings(MeasurementUnit::Milliliter); }
    QStringList kilogramsArray() const { return spellings(MeasurementUnit::Kilogram); }
    QStringList gramsArray() const { return spellings(MeasurementUnit::Gram); }
    QStringList centimetersArray() const { return spellings(MeasurementUnit::Centimeter); }
    QStringList millimetersArray() const { return spellings(MeasurementUnit::Millimeter); }

    QString gallonString() const { return displayText(MeasurementUnit::Gallon, false); }
    QString gallonsString() const { return displayText(MeasurementUnit::Gallon, true); }
    QString quartString() const { return displayText(MeasurementUnit::Quart, false); }
    QString quartsString() const { return displayText(MeasurementUnit::Quart, true); }
    QString pintString() const { return displayText(MeasurementUnit::Pint, false); }
    QString pintsString() const { return displayText(MeasurementUnit::Pint, true); }
    QString cupString() const { return displayText(MeasurementUnit::Cup, false); }
    QString cupsString() const { return displayText(MeasurementUnit::Cup, true); }
    QString tablespoonString() const { return displayText(MeasurementUnit::Tablespoon, false); }
    QString tablespoonsString() const { return displayText(MeasurementUnit::Tablespoon, true); }
    QString teaspoonString() const { return displayText(MeasurementUnit::Teaspoon, false); }
    QString teaspoonsString() const { return displayText(MeasurementUnit::Teaspoon, true); }
    QString ounceString() const { return displayText(MeasurementUnit::Ounce, false); }
    QString ouncesString() const { return displayText(MeasurementUnit::Ounce, true); }
    QString poundString() const { return displayText(MeasurementUnit::Pound, false); }
    QString poundsString() const { return displayText(MeasurementUnit::Pound, true); }
    QString literString() const { return displayText(MeasurementUnit::Liter, false); }
    QString litersString() const { return displayText(MeasurementUnit::Liter, true); }
    QString deciliterString() const { return displayText(MeasurementUnit::Deciliter, false); }
    QString decilitersString() const { return displayText(MeasurementUnit::Deciliter, true); }
    QString centiliterString() const { return displayText(MeasurementUnit::Centiliter, false); }
    QString centilitersString() const { return displayText(MeasurementUnit::Centiliter, true); }
    QString milliliterString() const { return displayText(MeasurementUnit::Milliliter, false); }
    QString millilitersString() const { return displayText(MeasurementUnit::Milliliter, true); }
    QString kilogramString() const { return displayText(MeasurementUnit::Kilogram, false); }
    QString kilogramsString() const { return displayText(MeasurementUnit::Kilogram, true); }
    QString gramString() const { return displayText(MeasurementUnit::Gram, false); }
    QString gramsString() const { return displayText(MeasurementUnit::Gram, true); }
    QString centimeterString() const { return displayText(MeasurementUnit::Centimeter, false); }
    QString centimetersString() const { return displayText(MeasurementUnit::Centimeter, true); }
    QString millimeterString() const { return displayText(MeasurementUnit::Millimeter, false); }
    QString millimetersString() const { return displayText(MeasurementUnit::Millimeter, true); }

    const QStringList& spellings(MeasurementUnit unit) const { return m_rules->spellings(unit); }
    // Null when no rule carries the unit's key.
    const QString& displayText(MeasurementUnit unit, bool plural) const {
        return m_rules->displayText(unit, plural);
    }
    const MeasurementRules& rules() const { return *m_rules; }
    std::shared_ptr<const MeasurementRules> rulesSnapshot() const { return m_rules; }

    // The measurement rewritten in the user's words, singular or plural to suit the
    // quantity; a null text for an absent or empty measurement.
    QString preferredMeasurementFromMeasurement(const QString& measurement, const QString& withQuantity);

    // The ingredient record's quantity and measurement converted in place to the lowest
    // unit of the measurement's family (or left unchanged); returns the same record.
    QVariantMap& ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
        QVariantMap& dictionary);
    // Likewise, to the nearest usable unit of the family.
    QVariantMap& ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
        QVariantMap& dictionary);

    // A measurement as the lookups compare it: every "." removed when it ends with ".".
    static QString lookupFormOfMeasurement(const QString& measurement);

private:
    // The amount and unit a conversion starts from: the record's quantity read as a number
    // and its measurement found among the unit spellings; none when either is missing.
    struct ConversionInput {
        float amount;
        MeasurementUnit unit;
    };
    std::optional<ConversionInput> conversionInput(const QVariantMap& dictionary);

    // Writes quantity and measurement (the unit's singular text made preferred for the new
    // quantity); false, with the record unchanged, when the unit has no display text.
    bool writeConversion(QVariantMap& dictionary, const QString& quantity, MeasurementUnit unit);

    QPointer<ObjectContext> m_context;
    bool m_usesContext = false;
    quint64 m_generation = 0;
    std::shared_ptr<const MeasurementRules> m_rules;
};

#include "MeasurementsConverter.h"

#include "TextRuns.h"
#include "platform/ObjectContext.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

const QString MeasurementsConverter::FAILED_CONVERSION = QStringLiteral("FAILED_CONVERSION");

namespace {

const QString kQuantity = QStringLiteral("quantity");
const QString kMeasurement = QStringLiteral("measurement");

inline bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
inline bool isCSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}
// The characters of the knownChars set: space, ".", "/" and the digits.
inline bool isKnownChar(char16_t c) {
    return isDigit(c) || c == u' ' || c == u'.' || c == u'/';
}

inline float clampToFinite(float value) {
    if (std::isnan(value))
        return 0.0f;
    if (std::isinf(value))
        return value > 0 ? FLT_MAX : -FLT_MAX;
    return value;
}

// The amount written with one decimal, a trailing ".0" dropped: '250.0' gives '250',
// '2.5' stays.
QString oneDecimalAmountText(float value) {
    QString text = MeasurementsConverter::fixedText(value, 1);
    if (text.size() >= 3 && text.endsWith(u'0'))
        text.chop(2);
    return text;
}

// Calls function(part) for each part of text between spaces, empty parts included.
template <class Function> void forEachSpaceSeparatedPart(QStringView text, Function&& function) {
    qsizetype start = 0;
    while (true) {
        const qsizetype space = text.indexOf(u' ', start);
        if (space < 0) {
            function(text.mid(start));
            return;
        }
        function(text.mid(start, space - start));
        start = space + 1;
    }
}

// Leading number of the first and the second "/"-separated pieces of a part holding "/".
struct FractionPieces {
    float numerator = 0;
    float denominator = 0;
};
FractionPieces fractionPieces(QStringView part) {
    const qsizetype slash = part.indexOf(u'/');
    QStringView second = part.mid(slash + 1);
    const qsizetype nextSlash = second.indexOf(u'/');
    if (nextSlash >= 0)
        second = second.left(nextSlash);
    return {MeasurementsConverter::leadingNumber(part.left(slash)),
            MeasurementsConverter::leadingNumber(second)};
}

QString collapsedDoubleSlashes(QStringView string) {
    return rewriteRuns(string.toString(), u'/', halvedRunLength);
}

// Moves i past leading white space and an optional sign, as C's number readers do;
// returns whether the sign was "-".
bool skipSpaceAndSign(QStringView s, qsizetype& i) {
    while (i < s.size() && isCSpace(s[i].unicode()))
        ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        return s[i++] == u'-';
    return false;
}

} // namespace

MeasurementsConverter::MeasurementsConverter(ObjectContext* context)
    : m_context(context), m_usesContext(context != nullptr) {
    setArraysAndValues();
}

// --- Quantity texts ------------------------------------------------------------------------

QString MeasurementsConverter::fixedText(float value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return QString(QLatin1String(""));
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

bool MeasurementsConverter::isStringUnknown(QStringView string) {
    for (QChar c : string) {
        if (!isKnownChar(c.unicode()))
            return true;
    }
    return false;
}

bool MeasurementsConverter::doesUnknownStringContainNumbers(QStringView string) {
    for (QChar c : string) {
        if (isDigit(c.unicode()))
            return true;
    }
    return false;
}

bool MeasurementsConverter::isStringSolidNumber(QStringView string) {
    for (QChar c : string) {
        if (!isDigit(c.unicode()) && c != u' ')
            return false;
    }
    return true;
}

float MeasurementsConverter::leadingNumber(QStringView s) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    const bool negative = skipSpaceAndSign(s, i);
    const qsizetype integerStart = i;
    while (i < n && isDigit(s[i].unicode()))
        ++i;
    const qsizetype integerEnd = i;
    qsizetype fractionStart = i;
    qsizetype fractionEnd = i;
    if (i < n && s[i] == u'.') {
        qsizetype j = i + 1;
        while (j < n && isDigit(s[j].unicode()))
            ++j;
        if (integerEnd > integerStart || j > i + 1) {
            fractionStart = i + 1;
            fractionEnd = j;
            i = j;
        }
    }
    if (integerEnd == integerStart && fractionEnd == fractionStart)
        return 0.0f;

    long long exponent = 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        bool exponentNegative = false;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) {
            exponentNegative = s[j] == u'-';
            ++j;
        }
        if (j < n && isDigit(s[j].unicode())) {
            while (j < n && isDigit(s[j].unicode())) {
                if (exponent < 1000000000000LL)
                    exponent = exponent * 10 + (s[j].unicode() - u'0');
                ++j;
            }
            if (exponentNegative)
                exponent = -exponent;
        }
    }

    // The significant digits (leading zeros skipped) and the power of ten of the first one.
    // At most kKeptDigits of them are handed to the float reader, with a final "1" standing
    // for any non-zero digit cut off: that keeps the rounding exact (a float never needs
    // more than 112 significant digits) while a text of a million digits costs one scan.
    constexpr qsizetype kKeptDigits = 120;
    char digits[kKeptDigits + 2];
    qsizetype kept = 0;
    bool truncatedNonZero = false;
    long long firstDigitPower = 0;
    bool seenNonZero = false;
    auto take = [&](QChar digit, long long power) {
        if (!seenNonZero) {
            if (digit == u'0')
                return;
            seenNonZero = true;
            firstDigitPower = power;
        }
        if (kept < kKeptDigits)
            digits[kept++] = char(digit.unicode());
        else if (digit != u'0')
            truncatedNonZero = true;
    };
    const long long integerDigits = integerEnd - integerStart;
    for (qsizetype k = integerStart; k < integerEnd; ++k)
        take(s[k], integerDigits - 1 - (k - integerStart));
    for (qsizetype k = fractionStart; k < fractionEnd; ++k)
        take(s[k], -1 - (k - fractionStart));
    if (!seenNonZero)
        return negative ? -0.0f : 0.0f;

    const long long magnitude = firstDigitPower + exponent;
    float value = 0.0f;
    if (magnitude > 39) {
        value = FLT_MAX;
    } else if (magnitude < -46) {
        value = 0.0f;
    } else {
        if (truncatedNonZero)
            digits[kept++] = '1';
        // "0.DDDD" times 10 to the power of (magnitude + 1).
        std::string text = "0.";
        text.append(digits, size_t(kept));
        text += 'e';
        text += std::to_string(magnitude + 1);
        const auto result =
            std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
        if (result.ec == std::errc::result_out_of_range)
            value = magnitude >= 0 ? FLT_MAX : 0.0f;
        else if (result.ec != std::errc())
            value = 0.0f;
    }
    return clampToFinite(negative ? -value : value);
}

int MeasurementsConverter::leadingInteger(QStringView s) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    const bool negative = skipSpaceAndSign(s, i);
    long long value = 0;
    while (i < n && isDigit(s[i].unicode())) {
        if (value <= 1LL << 32)
            value = value * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return int(value);
}

float MeasurementsConverter::floatFromTypedFraction(QStringView string) {
    const QString text = collapsedDoubleSlashes(string);
    float sum = 0.0f;
    forEachSpaceSeparatedPart(text, [&sum](QStringView part) {
        float add = 0.0f;
        if (isStringSolidNumber(part)) {
            add = leadingNumber(part);
        } else if (part.contains(u'/')) {
            const FractionPieces pieces = fractionPieces(part);
            // An empty or zero denominator has no value; such a part adds nothing.
            add = pieces.denominator == 0.0f ? 0.0f : pieces.numerator / pieces.denominator;
        } else {
            add = leadingNumber(part);
        }
        sum = clampToFinite(sum + add);
    });
    return sum;
}

bool MeasurementsConverter::hasUnreadableFraction(QStringView string) {
    const QString text = collapsedDoubleSlashes(string);
    bool unreadable = false;
    forEachSpaceSeparatedPart(text, [&unreadable](QStringView part) {
        if (!unreadable && !isStringSolidNumber(part) && part.contains(u'/'))
            unreadable = fractionPieces(part).denominator == 0.0f;
    });
    return unreadable;
}

QString MeasurementsConverter::typedFractionFromFloat(float value) {
    if (value == 0.0f || !std::isfinite(value))
        return QString(QLatin1String(""));
    if (value < 0.0f) {
        const QString magnitude = typedFractionFromFloat(-value);
        return magnitude.isEmpty() ? magnitude : QLatin1Char('-') + magnitude;
    }

    const QString rendered = fixedText(value, 3);
    const qsizetype point = rendered.indexOf(u'.');
    const QString whole = rendered.left(point);
    QString decimals = rendered.mid(point + 1);
    const QChar d1 = decimals.at(0);
    const QString d12 = decimals.left(2);
    if (decimals.at(2) == u'1')
        decimals[2] = u'0';

    QString output = whole == QLatin1String("0") ? QString() : whole;
    if (decimals != QLatin1String("000")) {
        if (d1 == u'5' || d12 == QLatin1String("49") || d12 == QLatin1String("48"))
            output += QLatin1String(" 1/2");
        else if (d12 == QLatin1String("25") || d12 == QLatin1String("26") || d12 == QLatin1String("24"))
            output += QLatin1String(" 1/4");
        else if (d12 == QLatin1String("12"))
            output += QLatin1String(" 1/8");
        else if (d1 == u'6')
            output += QLatin1String(" 2/3");
        else if (d1 == u'7')
            output += QLatin1String(" 3/4");
        else if (d1 == u'3' || d12 == QLatin1String("28") || d12 == QLatin1String("29"))
            output += QLatin1String(" 1/3");
        else if (d12 == QLatin1String("06"))
            output += QLatin1String(" 1/16");
        else if ((d1 == u'0' || d1 == u'1') && whole != QLatin1String("0"))
            ; // a small remainder of a whole number is dropped: 2.1 is written '2'
        else {
            output += QLatin1Char('.') + decimals;
            for (int i = 0; i < 2; ++i) {
                if (output.endsWith(u'0'))
                    output.chop(1);
            }
        }
    }

    if (output.endsWith(u'.'))
        output.chop(1);
    if (output.endsWith(u' '))
        output.chop(1);
    if (output.startsWith(u' '))
        output.remove(0, 1);
    return output.isNull() ? QString(QLatin1String("")) : output;
}

const QList<MeasurementsConverter::GraphicalFraction>& MeasurementsConverter::graphicalFractionTable() {
    static const QList<GraphicalFraction> table = {
        {QChar(0x00BC), QStringLiteral("1/4")}, {QChar(0x00BD), QStringLiteral("1/2")},
        {QChar(0x00BE), QStringLiteral("3/4")}, {QChar(0x2153), QStringLiteral("1/3")},
        {QChar(0x2154), QStringLiteral("2/3")}, {QChar(0x2155), QStringLiteral("1/5")},
        {QChar(0x2156), QStringLiteral("2/5")}, {QChar(0x2157), QStringLiteral("3/5")},
        {QChar(0x2158), QStringLiteral("4/5")}, {QChar(0x2159), QStringLiteral("1/6")},
        {QChar(0x215A), QStringLiteral("5/6")}, {QChar(0x215B), QStringLiteral("1/8")},
        {QChar(0x215C), QStringLiteral("3/8")}, {QChar(0x215D), QStringLiteral("5/8")},
        {QChar(0x215E), QStringLiteral("7/8")},
    };
    return table;
}

QString MeasurementsConverter::normalStringByConvertingGraphicalFractionsFromString(const QString& string) {
    if (string.isNull())
        return QString();
    QString text = string;
    const bool hasGraphicalFraction = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c.unicode() >= 0x00BC && c.unicode() <= 0x00BE) ||
               (c.unicode() >= 0x2153 && c.unicode() <= 0x215E);
    });
    if (hasGraphicalFraction) {
        for (const GraphicalFraction& fraction : graphicalFractionTable())
            text.replace(fraction.character, QLatin1Char(' ') + fraction.typed);
    }
    return rewriteRuns(text, u' ', halvedRunLength);
}

QString MeasurementsConverter::scaledStringFromString(const QString& string, float byConvertionFactor) {
    const float factor = byConvertionFactor;
    QString text = string;
    text.replace(u',', u'.');
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    if (begin == end)
        return QString(QLatin1String(""));
    text = normalStringByConvertingGraphicalFractionsFromString(text.mid(begin, end - begin));

    QString result;
    bool failed = false;
    if (isStringUnknown(text)) {
        // Words are kept; plain numbers among them are scaled and written with one decimal.
        forEachSpaceSeparatedPart(text, [&](QStringView word) {
            if (failed)
                return;
            if (isStringSolidNumber(word)) {
                const float scaled = leadingNumber(word) * factor;
                if (!std::isfinite(scaled)) {
                    failed = true;
                    return;
                }
                result += fixedText(scaled, 1);
            } else if (doesUnknownStringContainNumbers(word)) {
                failed = true;
                return;
            } else {
                result += word;
            }
            result += QLatin1Char(' ');
        });
        return failed ? FAILED_CONVERSION : result;
    }

    if (isStringSolidNumber(text) || isStringDecimal(text)) {
        result = QLatin1String("");
        forEachSpaceSeparatedPart(text, [&](QStringView part) {
            if (failed)
                return;
            const float scaled = leadingNumber(part) * factor;
            if (!std::isfinite(scaled))
                failed = true;
            else
                result += typedFractionFromFloat(scaled);
        });
        return failed ? FAILED_CONVERSION : result;
    }

    if (isStringTypedFraction(text)) {
        // A fraction without a usable denominator has no value to scale; reporting it keeps
        // the quantity as the user typed it instead of replacing it by a made-up number.
        if (hasUnreadableFraction(text))
            return FAILED_CONVERSION;
        const float scaled = floatFromTypedFraction(text) * factor;
        if (!std::isfinite(scaled))
            return FAILED_CONVERSION;
        return typedFractionFromFloat(scaled);
    }
    return QString(QLatin1String(""));
}

// --- Measurement units ---------------------------------------------------------------------

void MeasurementsConverter::setArraysAndValues() {
    if (!m_usesContext || !m_context) {
        // The default rules never change; a converter whose library was closed keeps the
        // rules it last read.
        if (!m_rules)
            m_rules = MeasurementRules::defaults();
        return;
    }
    const quint64 generation = m_context->changeGeneration();
    if (!m_rules || generation != m_generation) {
        m_rules = MeasurementRules::fromContext(m_context);
        m_generation = generation;
    }
}

QString MeasurementsConverter::lookupFormOfMeasurement(const QString& measurement) {
    if (!measurement.endsWith(u'.'))
        return measurement;
    QString form = measurement;
    form.remove(u'.');
    return form;
}

QString MeasurementsConverter::preferredMeasurementFromMeasurement(const QString& measurement,
                                                                   const QString& withQuantity) {
    setArraysAndValues();
    if (measurement.isEmpty())
        return QString();

    const QString quantity = withQuantity.isEmpty() ? QStringLiteral("1") : withQuantity;
    float number = 0.0f;
    if (isStringUnknown(quantity))
        number = 2.0f;
    else if (isStringTypedFraction(quantity))
        number = floatFromTypedFraction(quantity);
    else
        number = leadingNumber(quantity);
    const bool plural = number > 1.0f;

    const MeasurementRules& rules = *m_rules;
    QString result;
    result.reserve(measurement.size() + 16);
    forEachSpaceSeparatedPart(measurement, [&](QStringView wordView) {
        if (wordView.isEmpty())
            return;
        const QString word = wordView.toString();
        const QString lookup = lookupFormOfMeasurement(word);
        if (const std::optional<MeasurementUnit> unit = rules.unitForPreferredLookup(lookup)) {
            // A unit whose display text is missing keeps the word as the user wrote it.
            const QString& text = rules.displayText(*unit, plural);
            result += text.isEmpty() ? word : text;
        } else if (const QString* replacement =
                       rules.hasUserRules() ? rules.userRuleReplacement(word) : nullptr) {
            result += *replacement;
        } else {
            result += word;
        }
        result += QLatin1Char(' ');
    });
    if (result.size() >= 2)
        result.chop(1);
    if (result == QLatin1String(" "))
        result.clear();
    return result.isNull() ? QString(QLatin1String("")) : result;
}

bool MeasurementsConverter::writeConversion(QVariantMap& dictionary, const QString& quantity,
                                            MeasurementUnit unit) {
    // Without a display text the unit cannot be written: the record keeps its quantity and
    // measurement rather than getting a new number with no unit.
    const QString singular = displayText(unit, false);
    if (singular.isEmpty())
        return false;
    QString measurement = preferredMeasurementFromMeasurement(singular, quantity);
    dictionary.insert(kQuantity, quantity);
    dictionary.insert(kMeasurement, measurement.isNull() ? QString(QLatin1String("")) : measurement);
    return true;
}

namespace {

bool isOneOf(float value, std::initializer_list<float> candidates) {
    for (float candidate : candidates) {
        if (value == candidate)
            return true;
    }
    return false;
}

} // namespace

std::optional<MeasurementsConverter::ConversionInput>
MeasurementsConverter::conversionInput(const QVariantMap& dictionary) {
    setArraysAndValues();
    const QString quantity = dictionary.value(kQuantity).toString();
    if (isStringUnknown(quantity))
        return std::nullopt;
    const std::optional<MeasurementUnit> unit =
        m_rules->unitForConversionLookup(lookupFormOfMeasurement(dictionary.value(kMeasurement).toString()));
    if (!unit)
        return std::nullopt;
    const float amount =
        isStringTypedFraction(quantity) ? floatFromTypedFraction(quantity) : leadingNumber(quantity);
    return ConversionInput{amount, *unit};
}

QVariantMap& MeasurementsConverter::
    ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
        QVariantMap& dictionary) {
    const std::optional<ConversionInput> input = conversionInput(dictionary);
    if (!input)
        return dictionary;
    const float x = input->amount;
    const MeasurementUnit unit = input->unit;

    const MeasurementUnitInfo& info = measurementUnitInfo(unit);
    const float amount = x * info.factorToLowest;
    if (!std::isfinite(amount))
        return dictionary;
    if (info.family == MeasurementFamily::USVolume) {
        if (amount >= 1.0f || isOneOf(amount, {0.75f, 0.5f, 0.33f, 0.25f, 0.12f}))
            writeConversion(dictionary, typedFractionFromFloat(amount), MeasurementUnit::Teaspoon);
    } else if (amount >= 1.0f) {
        writeConversion(dictionary, oneDecimalAmountText(amount), info.lowestUnit);
    }
    return dictionary;
}

QVariantMap&
MeasurementsConverter::ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
    QVariantMap& dictionary) {
    const std::optional<ConversionInput> input = conversionInput(dictionary);
    if (!input)
        return dictionary;
    const float x = input->amount;
    const MeasurementUnit unit = input->unit;

    // The amounts in the units of the found unit's family; all others stay 0.
    float cups = 0, tablespoons = 0, teaspoons = 0;
    float liters = 0, deciliters = 0, centiliters = 0, milliliters = 0;
    float kilograms = 0, grams = 0, centimeters = 0, millimeters = 0, pounds = 0, ounces = 0;
    switch (unit) {
    case MeasurementUnit::Gallon:
        cups = 16 * x;
        tablespoons = 256 * x;
        teaspoons = 768 * x;
        break;
    case MeasurementUnit::Quart:
        cups = 4 * x;
        tablespoons = 64 * x;
        teaspoons = 192 * x;
        break;
    case MeasurementUnit::Pint:
        cups = 2 * x;
        tablespoons = 32 * x;
        teaspoons = 96 * x;
        break;
    case MeasurementUnit::Cup:
        cups = x;
        tablespoons = 16 * x;
        teaspoons = 48 * x;
        break;
    case MeasurementUnit::Tablespoon:
        cups = x / 16;
        tablespoons = x;
        teaspoons = 3 * x;
        break;
    case MeasurementUnit::Teaspoon:
        cups = x / 48;
        tablespoons = x / 3;
        teaspoons = x;
        break;
    case MeasurementUnit::Liter:
        liters = x;
        deciliters = 10 * x;
        centiliters = 100 * x;
        milliliters = 1000 * x;
        break;
    case MeasurementUnit::Deciliter:
        liters = x / 10;
        deciliters = x;
        centiliters = 10 * x;
        milliliters = 100 * x;
        break;
    case MeasurementUnit::Centiliter:
        liters = x / 100;
        deciliters = x / 10;
        centiliters = x;
        milliliters = 10 * x;
        break;
    case MeasurementUnit::Milliliter:
        liters = x / 1000;
        deciliters = x / 100;
        centiliters = x / 10;
        milliliters = x;
        break;
    case MeasurementUnit::Kilogram:
        kilograms = x;
        grams = 1000 * x;
        break;
    case MeasurementUnit::Gram:
        kilograms = x / 1000;
        grams = x;
        break;
    case MeasurementUnit::Centimeter:
        centimeters = x;
        millimeters = 10 * x;
        break;
    case MeasurementUnit::Millimeter:
        centimeters = x / 10;
        millimeters = x;
        break;
    case MeasurementUnit::Pound:
        pounds = x;
        ounces = 16 * x;
        break;
    case MeasurementUnit::Ounce:
        pounds = x / 16;
        ounces = x;
        break;
    }

    // Anything from about a quarter to a third of a cup is written as a third.
    if (fixedText(cups, 1) == QLatin1String("0.3"))
        cups = 0.3f;
    if (cups >= 1.0f || isOneOf(cups, {0.75f, 0.6f, 0.5f, 0.3f, 0.33f, 0.25f})) {
        if (std::isfinite(cups))
            writeConversion(dictionary, typedFractionFromFloat(cups), MeasurementUnit::Cup);
        return dictionary;
    }
    if (tablespoons >= 1.0f) {
        if (std::isfinite(tablespoons))
            writeConversion(dictionary, typedFractionFromFloat(tablespoons), MeasurementUnit::Tablespoon);
        return dictionary;
    }
    if (teaspoons >= 1.0f || isOneOf(teaspoons, {0.75f, 0.5f, 0.33f, 0.25f, 0.12f})) {
        if (std::isfinite(teaspoons))
            writeConversion(dictionary, typedFractionFromFloat(teaspoons), MeasurementUnit::Teaspoon);
        return dictionary;
    }
    const std::pair<float, MeasurementUnit> decimalAmounts[] = {
        {liters, MeasurementUnit::Liter},           {deciliters, MeasurementUnit::Deciliter},
        {centiliters, MeasurementUnit::Centiliter}, {milliliters, MeasurementUnit::Milliliter},
        {kilograms, MeasurementUnit::Kilogram},     {grams, MeasurementUnit::Gram},
        {centimeters, MeasurementUnit::Centimeter}, {millimeters, MeasurementUnit::Millimeter},
        {pounds, MeasurementUnit::Pound},           {ounces, MeasurementUnit::Ounce},
    };
    for (const auto& [amount, amountUnit] : decimalAmounts) {
        if (amount >= 1.0f) {
            if (std::isfinite(amount))
                writeConversion(dictionary, oneDecimalAmountText(amount), amountUnit);
            return dictionary;
        }
    }
    return dictionary;
}

// Quantity texts: classification, typed fractions read as numbers, numbers written as
// kitchen fractions, graphical fractions typed out, and quantity texts scaled by a factor.
#include "measure/MeasurementsConverter.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <locale.h>
#include <random>
#include <string>

namespace {

using MC = MeasurementsConverter;

struct ClassificationCase {
    const char16_t* text;
    bool unknown;
    bool containsNumbers;
    bool solidNumber;
    bool decimal;
    bool typedFraction;
};

TEST(QuantityClassification, CharacterSets) {
    const ClassificationCase cases[] = {
        {u"", false, false, true, false, false},
        {u"1 1/2", false, true, false, false, true},
        {u"1\u00BD", true, true, false, false, false},
        {u"2 cups", true, true, false, false, false},
        {u"1 2", false, true, true, false, false},
        {u"1.5", false, true, false, true, false},
        {u"   ", false, false, true, false, false},
        {u"1\t2", true, true, false, false, false}, // a tab belongs to no set
        {u"1,5", true, true, false, false, false},  // nor does a comma
        {u"1-2", true, true, false, false, false},
        {u"\u0661", true, false, false, false, false}, // only the ASCII digits are digits
        {u"a pinch", true, false, false, false, false},
    };
    for (const ClassificationCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(MC::isStringUnknown(text), c.unknown);
        EXPECT_EQ(MC::doesUnknownStringContainNumbers(text), c.containsNumbers);
        EXPECT_EQ(MC::isStringSolidNumber(text), c.solidNumber);
        EXPECT_EQ(MC::isStringDecimal(text), c.decimal);
        EXPECT_EQ(MC::isStringTypedFraction(text), c.typedFraction);
    }
}

TEST(QuantityClassification, LeadingNumberReadsLikeStrtof) {
    const std::pair<const char*, float> cases[] = {
        {"1 1/2", 1.0f},  {"1/2", 1.0f},   {"12 oz", 12.0f}, {"", 0.0f},    {"oz", 0.0f},
        {"  3.5x", 3.5f}, {"\t-2", -2.0f}, {"+4", 4.0f},     {".5", 0.5f},  {"5.", 5.0f},
        {".", 0.0f},      {"1e2", 100.0f}, {"1e", 1.0f},     {"1e+", 1.0f}, {"2E-1", 0.2f},
        {"0.1", 0.1f},    {"-", 0.0f},     {"inf", 0.0f},    {"nan", 0.0f}, {"0x10", 0.0f},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(MC::leadingNumber(QString::fromLatin1(text)), value) << text;
}

TEST(QuantityClassification, LeadingNumberStaysFiniteBeyondTheFloatRange) {
    EXPECT_EQ(MC::leadingNumber(QStringLiteral("1e39")), FLT_MAX);
    EXPECT_EQ(MC::leadingNumber(QStringLiteral("-1e39")), -FLT_MAX);
    EXPECT_EQ(MC::leadingNumber(QStringLiteral("1e-60")), 0.0f);
    EXPECT_EQ(MC::leadingNumber(QStringLiteral("0.00000000000000000000000000000000000000000000000001e99")),
              FLT_MAX);
    EXPECT_EQ(MC::leadingNumber(QStringLiteral("1e99999999999999999999")), FLT_MAX);
    EXPECT_EQ(MC::leadingNumber(QString(5000, u'9')), FLT_MAX);
}

TEST(QuantityClassification, LeadingNumberRoundsLikeTheCLibrary) {
    // Random decimal texts, long ones included, against strtof in the C locale.
    locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    std::mt19937 random(42);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        if (random() % 4 == 0)
            text += std::string(random() % 5, '0');
        const int integerDigits = int(random() % (i % 10 == 0 ? 200 : 12));
        for (int d = 0; d < integerDigits; ++d)
            text += char('0' + random() % 10);
        if (random() % 2) {
            text += '.';
            const int fractionDigits = int(random() % (i % 7 == 0 ? 150 : 10));
            for (int d = 0; d < fractionDigits; ++d)
                text += char('0' + random() % 10);
        }
        if (random() % 3 == 0)
            text += "e" + std::to_string(int(random() % 60) - 30);
        if (text.empty() || text == ".")
            continue;
        float expected = strtof_l(text.c_str(), nullptr, cLocale);
        if (std::isinf(expected))
            expected = FLT_MAX;
        if (std::fpclassify(expected) == FP_SUBNORMAL)
            continue; // far below any quantity; read as 0 or as the subnormal
        EXPECT_EQ(MC::leadingNumber(QString::fromLatin1(text.c_str())), expected) << text;
    }
    freelocale(cLocale);
}

TEST(QuantityClassification, NumbersIgnoreTheUserLocale) {
    const QByteArray previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        std::setlocale(LC_NUMERIC, "C.UTF-8");
    EXPECT_EQ(MC::leadingNumber(QStringLiteral("1.5")), 1.5f);
    EXPECT_EQ(MC::typedFractionFromFloat(1.9f), QStringLiteral("1.9"));
    EXPECT_EQ(MC::scaledStringFromString(QStringLiteral("2 large"), 1.5f), QStringLiteral("3.0 large "));
    std::setlocale(LC_ALL, previous.constData());
}

TEST(TypedFraction, ReadsSumsOfParts) {
    const std::pair<const char*, float> cases[] = {
        {"1 1/2", 1.5f}, {"3/4", 0.75f},    {" 1/2", 0.5f},  {"2 1/2 1/4", 2.75f},
        {"1//2", 0.5f},  {"1.5 1/2", 2.0f}, {"1/2/3", 0.5f}, {"", 0.0f},
        {"2", 2.0f},     {"1  1/2", 1.5f},  {"/2", 0.0f},    {"1 /4", 1.0f},
    };
    for (const auto& [text, value] : cases)
        EXPECT_FLOAT_EQ(MC::floatFromTypedFraction(QString::fromLatin1(text)), value) << text;
}

TEST(TypedFraction, EmptyOrZeroDenominatorAddsNothing) {
    const std::pair<const char*, float> cases[] = {
        {"1/", 0.0f}, {"3/0", 0.0f}, {"0/0", 0.0f}, {"2 3/0", 2.0f}, {"1 1/ 2", 3.0f}, {"1/.", 0.0f},
    };
    for (const auto& [text, value] : cases) {
        const QString quantity = QString::fromLatin1(text);
        EXPECT_EQ(MC::floatFromTypedFraction(quantity), value) << text;
        EXPECT_TRUE(MC::hasUnreadableFraction(quantity)) << text;
    }
    EXPECT_FALSE(MC::hasUnreadableFraction(QStringLiteral("1 1/2")));
    EXPECT_FALSE(MC::hasUnreadableFraction(QStringLiteral("1/2/0"))); // only two pieces count
}

TEST(TypedFraction, HugeValuesAreClampedToFiniteNumbers) {
    const QString digits(60, u'9');
    EXPECT_EQ(MC::floatFromTypedFraction(QString(digits + QStringLiteral(" ") + digits)), FLT_MAX);
    EXPECT_EQ(MC::floatFromTypedFraction(QString(digits + QStringLiteral("/0.5"))), FLT_MAX);
}

TEST(KitchenFraction, WorkedValuesAndEdges) {
    const std::pair<float, const char*> cases[] = {
        // worked values
        {0.5f, "1/2"},
        {1.5f, "1 1/2"},
        {0.333f, "1/3"},
        {0.6667f, "2/3"},
        {0.75f, "3/4"},
        {0.125f, "1/8"},
        {0.0625f, "1/16"},
        {2.0f, "2"},
        {0.2f, ".2"},
        {1.9f, "1.9"},
        {0.05f, ".05"},
        {0.45f, ".45"},
        {0.1f, ".1"},
        {2.1f, "2"},
        {0.0004f, ""},
        // edge cases
        {0.48f, "1/2"},
        {0.29f, "1/3"},
        {0.26f, "1/4"},
        {0.12f, "1/8"},
        {0.069f, "1/16"},
        {3.05f, "3"},
        {0.421f, ".42"},
        {0.9999f, "1"},
        {0.0f, ""},
        {2.001f, "2"},
        {0.331f, "1/3"},
        {0.24f, "1/4"},
        {0.28f, "1/3"},
        {0.49f, "1/2"},
        {0.7f, "3/4"},
        {0.65f, "2/3"},
        {0.01f, ".01"},
        {0.011f, ".01"},
        {3.125f, "3 1/8"},
        {10.25f, "10 1/4"},
        {1.01f, "1"},
        {0.9f, ".9"},
        {1.95f, "1.95"},
        {0.8f, ".8"},
        {0.375f, "1/3"},
        // values no operation produces: negatives keep their sign, non-numbers write nothing
        {-1.5f, "-1 1/2"},
        {-0.5f, "-1/2"},
        {-0.0001f, ""},
        {INFINITY, ""},
        {-INFINITY, ""},
        {NAN, ""},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(MC::typedFractionFromFloat(value), QString::fromLatin1(text)) << value;
    EXPECT_FALSE(MC::typedFractionFromFloat(0.0f).isNull());
    EXPECT_EQ(MC::typedFractionFromFloat(FLT_MAX).size(), 39);
}

TEST(KitchenFraction, OnlyKitchenFractionsOrShortDecimalsAreWritten) {
    const QStringList fractions = {QStringLiteral("1/2"), QStringLiteral("1/4"), QStringLiteral("1/8"),
                                   QStringLiteral("2/3"), QStringLiteral("3/4"), QStringLiteral("1/3"),
                                   QStringLiteral("1/16")};
    for (int i = 1; i < 20000; ++i) {
        const float value = float(i) / 1000.0f;
        const QString text = MC::typedFractionFromFloat(value);
        const qsizetype slash = text.indexOf(u'/');
        if (slash >= 0) {
            const QString fraction = text.mid(text.lastIndexOf(u' ') + 1);
            EXPECT_TRUE(fractions.contains(fraction)) << value << " " << text.toStdString();
        }
        EXPECT_FALSE(text.startsWith(u' ') || text.endsWith(u' ') || text.endsWith(u'.')) << value;
        EXPECT_LE(text.size(), 8) << value;
    }
}

TEST(GraphicalFractions, TypedOutInTableOrder) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"1\u00BD", u"1 1/2"},
        {u"\u00BD", u" 1/2"},
        {u"2\u00BE", u"2 3/4"},
        {u"a  b", u"a b"},
        {u"a   b", u"a  b"},
        {u"1 \u00BD", u"1 1/2"},
        {u"\u00BC\u00BD\u00BE\u2153\u2154\u2155\u2156\u2157\u2158\u2159\u215A\u215B\u215C\u215D\u215E",
         u" 1/4 1/2 3/4 1/3 2/3 1/5 2/5 3/5 4/5 1/6 5/6 1/8 3/8 5/8 7/8"},
        {u"", u""},
    };
    for (const auto& [from, to] : cases) {
        EXPECT_EQ(MC::normalStringByConvertingGraphicalFractionsFromString(QString::fromUtf16(from)),
                  QString::fromUtf16(to));
    }
    EXPECT_TRUE(MC::normalStringByConvertingGraphicalFractionsFromString(QString()).isNull());
    EXPECT_EQ(MC::graphicalFractionTable().size(), 15);
}

TEST(ScaledQuantity, ExamplesAndEdges) {
    struct Case {
        const char16_t* text;
        float factor;
        const char16_t* result;
    };
    const Case cases[] = {
        {u"1 1/2", 2.0f, u"3"},
        {u"1/3", 3.0f, u"1"},
        {u"1.5", 1.5f, u"2 1/4"},
        {u" 3 ", 0.5f, u"1 1/2"},
        {u"\u00BD", 2.0f, u"1"},
        {u"2,5", 2.0f, u"5"},
        {u"2 to 3", 2.0f, u"4.0 to 6.0 "},
        {u"1-2", 2.0f, u"FAILED_CONVERSION"},
        {u"   ", 2.0f, u""},
        {u"", 2.0f, u""},
        {u"a pinch", 3.0f, u"a pinch "},
        {u"12oz", 2.0f, u"FAILED_CONVERSION"},
        {u"2 large", 1.5f, u"3.0 large "},
        {u"2 large", 2.0f, u"4.0 large "},
        {u"2   large", 2.0f, u"4.0 0.0 large "}, // three spaces are halved to two: an empty word
        {u"1 1/2 cups", 2.0f, u"FAILED_CONVERSION"},
        {u"1 2", 2.0f, u"24"}, // each part scaled, no separator
        {u"1.5 2", 2.0f, u"34"},
        {u"1\u00BD", 2.0f, u"3"},
        {u"\t2", 2.0f, u"FAILED_CONVERSION"}, // a tab is no quantity character: '\t2' is a mixed word
        {u"1 1/2", 0.5f, u"3/4"},
        {u"1/4", 1.5f, u"1/3"},
        {u"2", 1.5f, u"3"},
        {u"1", 0.5f, u"1/2"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QString expected = QString::fromUtf16(c.result);
        EXPECT_EQ(MC::scaledStringFromString(text, c.factor), expected)
            << text.toStdString() << " x " << c.factor;
    }
}

TEST(ScaledQuantity, UnscalableQuantitiesAreReportedNotReplaced) {
    const std::pair<QString, float> cases[] = {
        {QStringLiteral("1/"), 2.0f},                                    // no denominator
        {QStringLiteral("3/0"), 2.0f},                                   // zero denominator
        {QStringLiteral("1 1/0"), 0.5f},      {QString(60, u'9'), 2.0f}, // beyond the float range once scaled
        {QStringLiteral("9 large"), FLT_MAX}, {QStringLiteral("3/2"), FLT_MAX},
    };
    for (const auto& [text, factor] : cases)
        EXPECT_EQ(MC::scaledStringFromString(text, factor), MC::FAILED_CONVERSION) << text.toStdString();
    // A huge but finite value is written out, not reported.
    const QString huge = MC::scaledStringFromString(QString(60, u'9'), 0.5f);
    EXPECT_EQ(huge.size(), 39);
    EXPECT_TRUE(MC::isStringSolidNumber(huge));
}

} // namespace

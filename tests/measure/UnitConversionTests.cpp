// Measurement units: the default spellings, the preferred measurement, both conversions,
// and rules read from a real library store, with edits seen on the very next call.
#include "MeasureTestLibrary.h"
#include "measure/MeasurementsConverter.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
    const char16_t* quantity;
    const char16_t* measurement;
    const char16_t* expectedQuantity;
    const char16_t* expectedMeasurement;
};

QVariantMap record(const QString& quantity, const QString& measurement) {
    return {{QStringLiteral("quantity"), quantity},
            {QStringLiteral("measurement"), measurement},
            {QStringLiteral("name"), QStringLiteral("flour")}};
}

void expectConversions(MeasurementsConverter& converter, const std::vector<Conversion>& cases, bool nearest) {
    for (const Conversion& c : cases) {
        const QString quantity = QString::fromUtf16(c.quantity);
        const QString measurement = QString::fromUtf16(c.measurement);
        QVariantMap ingredient = record(quantity, measurement);
        QVariantMap& returned =
            nearest
                ? converter
                      .ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
                          ingredient)
                : converter
                      .ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
                          ingredient);
        EXPECT_EQ(&returned, &ingredient);
        const std::string label = QString(quantity + QStringLiteral(" ") + measurement).toStdString();
        EXPECT_EQ(ingredient.value(QStringLiteral("quantity")).toString(),
                  QString::fromUtf16(c.expectedQuantity))
            << label;
        EXPECT_EQ(ingredient.value(QStringLiteral("measurement")).toString(),
                  QString::fromUtf16(c.expectedMeasurement))
            << label;
        EXPECT_EQ(ingredient.value(QStringLiteral("name")).toString(), QStringLiteral("flour")) << label;
    }
}

TEST(DefaultRules, EveryUnitKeyIsASpellingAndItsOwnDisplayText) {
    MeasurementsConverter converter;
    for (int i = 0; i < MeasurementUnitCount; ++i) {
        const auto unit = static_cast<MeasurementUnit>(i);
        const MeasurementUnitInfo& info = measurementUnitInfo(unit);
        EXPECT_EQ(converter.displayText(unit, false), QLatin1String(info.singularKey));
        EXPECT_EQ(converter.displayText(unit, true), QLatin1String(info.pluralKey));
        EXPECT_TRUE(converter.spellings(unit).contains(QLatin1String(info.singularKey))) << info.singularKey;
        EXPECT_TRUE(converter.spellings(unit).contains(QLatin1String(info.pluralKey))) << info.pluralKey;
    }
    EXPECT_TRUE(converter.tablespoonsArray().contains(QStringLiteral("Tbs")));
    EXPECT_TRUE(converter.cupsArray().contains(QStringLiteral("c")));
    EXPECT_EQ(converter.cupString(), QStringLiteral("cup"));
    EXPECT_EQ(converter.millimetersString(), QStringLiteral("millimeters"));
    // Words that the ingredient parser must not take for units.
    for (const char* word : {"large", "can", "Salt", "For", "cu", "eggs", "fl.oz"})
        EXPECT_FALSE(converter.rules().unitForPreferredLookup(QLatin1String(word))) << word;
}

TEST(PreferredMeasurement, DefaultRules) {
    struct Case {
        const char16_t* measurement;
        const char16_t* quantity;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"Tbs.", u"2", u"tablespoons"},
        {u"cups", u"1/2", u"cup"},
        {u"large can", u"2", u"large can"},
        {u"cup", u"1", u"cup"},
        {u"cup", u"1 1/2", u"cups"},
        {u"cups", u"", u"cup"},      // an empty quantity counts as 1
        {u"c", u"2 large", u"cups"}, // a quantity holding words counts as 2
        {u"c.", u"3", u"cups"},
        {u"tbs.", u"1", u"tablespoon"},
        {u"fl.oz", u"2", u"fl.oz"}, // a "." inside is kept for the lookup
        {u"T", u"2", u"tablespoons"},
        {u"t", u"2", u"teaspoons"},
        {u"lbs", u"1", u"pound"},
        {u"  cups  heaping ", u"2", u"cups heaping"},
        {u"oz can", u"0.5", u"ounce can"},
        {u"g", u"1.0", u"gram"},
        {u"g", u"1.01", u"grams"},
        {u"kg", u"\u00BD", u"kilograms"}, // '½' is not yet typed out: it holds a word
        {u"   ", u"2", u""},
    };
    MeasurementsConverter converter;
    for (const Case& c : cases) {
        const QString measurement = QString::fromUtf16(c.measurement);
        EXPECT_EQ(converter.preferredMeasurementFromMeasurement(measurement, QString::fromUtf16(c.quantity)),
                  QString::fromUtf16(c.expected))
            << measurement.toStdString();
    }
    EXPECT_TRUE(converter.preferredMeasurementFromMeasurement(QString(), QStringLiteral("2")).isNull());
    EXPECT_TRUE(
        converter.preferredMeasurementFromMeasurement(QStringLiteral(""), QStringLiteral("2")).isNull());
}

TEST(LowestCompatible, DefaultRules) {
    MeasurementsConverter converter;
    expectConversions(converter,
                      {
                          {u"1 1/2", u"cups", u"72", u"teaspoons"},
                          {u"0.5", u"teaspoon", u"1/2", u"teaspoon"},
                          {u"0.4", u"teaspoon", u"0.4", u"teaspoon"},
                          {u"2", u"pounds", u"32", u"ounces"},
                          {u"1.5", u"kilograms", u"1500", u"grams"},
                          {u"3", u"centimeters", u"30", u"millimeters"},
                          {u"2", u"", u"2", u""},
                          {u"2 large", u"cups", u"2 large", u"cups"},
                          {u"1", u"tsp.", u"1", u"teaspoon"},
                          {u"0.25", u"tsp", u"1/4", u"teaspoon"},
                          {u"0.33", u"tsp", u"1/3", u"teaspoon"},
                          {u"1/3", u"tsp", u"1/3", u"tsp"},
                          {u"2.5", u"g", u"2.5", u"grams"},
                          {u"0.0001", u"kg", u"0.0001", u"kg"},
                          {u"1", u"gal", u"768", u"teaspoons"},
                          {u"1", u"Tbs.", u"3", u"teaspoons"},
                          {u"1", u"dl", u"100", u"milliliters"},
                          {u"", u"cups", u"", u"cups"},
                          {u"\u00BD", u"cup", u"\u00BD", u"cup"},
                          // the nearest-usable examples taken back down
                          {u"6", u"cups", u"288", u"teaspoons"},
                          {u"1", u"tablespoon", u"3", u"teaspoons"},
                          {u"3/4", u"cup", u"36", u"teaspoons"},
                          {u"1.5", u"liters", u"1500", u"milliliters"},
                          {u"1.2", u"kilograms", u"1200", u"grams"},
                          {u"1.5", u"pounds", u"24", u"ounces"},
                          {u"1.5", u"centimeters", u"15", u"millimeters"},
                          // lookup forms and the listed small teaspoon amounts
                          {u"1", u"c.", u"48", u"teaspoons"},
                          {u"1", u"fl.oz", u"1", u"fl.oz"},
                          {u"0.12", u"tsp", u"1/8", u"teaspoon"},
                          {u"0.75", u"tsp", u"3/4", u"teaspoon"},
                      },
                      false);
}

TEST(NearestUsable, DefaultRules) {
    MeasurementsConverter converter;
    expectConversions(converter,
                      {
                          {u"1 1/2", u"quarts", u"6", u"cups"},
                          {u"3", u"teaspoons", u"1", u"tablespoon"},
                          {u"36", u"teaspoons", u"3/4", u"cup"},
                          {u"0.5", u"teaspoon", u"1/2", u"teaspoon"},
                          {u"1500", u"milliliters", u"1.5", u"liters"},
                          {u"250", u"grams", u"250", u"grams"},
                          {u"1200", u"grams", u"1.2", u"kilograms"},
                          {u"24", u"ounces", u"1.5", u"pounds"},
                          {u"2", u"tablespoons", u"2", u"tablespoons"},
                          {u"48", u"teaspoons", u"1", u"cup"},
                          {u"4", u"teaspoons", u"1 1/3", u"tablespoons"},
                          {u"0.3", u"cups", u"1/3", u"cup"},
                          {u"0.26", u"c", u"1/3", u"cup"},
                          {u"2", u"centimeters", u"2", u"centimeters"},
                          {u"15", u"millimeters", u"1.5", u"centimeters"},
                          {u"10", u"ounces", u"10", u"ounces"},
                          {u"2", u"", u"2", u""},
                          {u"2 large", u"cups", u"2 large", u"cups"},
                          {u"1/3", u"teaspoon", u"1/3", u"teaspoon"},
                          {u"1", u"gallon", u"16", u"cups"},
                          {u"5", u"dl", u"5", u"deciliters"},
                          {u"0.001", u"g", u"0.001", u"g"},
                          {u"3/4", u"cup", u"3/4", u"cup"},
                          {u"1/2", u"cups", u"1/2", u"cup"},
                          // the lowest-compatible examples taken back up
                          {u"72", u"teaspoons", u"1 1/2", u"cups"},
                          {u"32", u"ounces", u"2", u"pounds"},
                          {u"1500", u"grams", u"1.5", u"kilograms"},
                          {u"30", u"millimeters", u"3", u"centimeters"},
                          // lookup forms; a quarter to a third of a cup; a fifth is no cup amount
                          {u"1", u"c.", u"1", u"cup"},
                          {u"1", u"fl.oz", u"1", u"fl.oz"},
                          {u"0.6", u"cup", u"2/3", u"cup"},
                          {u"0.25", u"cup", u"1/4", u"cup"},
                          {u"0.35", u"cup", u"1/3", u"cup"},
                          {u"0.2", u"cup", u"3.2", u"tablespoons"},
                      },
                      true);
}

TEST(Conversions, HugeAmountsLeaveTheRecordUnchanged) {
    MeasurementsConverter converter;
    const QString huge(50, u'9');
    expectConversions(converter,
                      {{reinterpret_cast<const char16_t*>(huge.utf16()), u"gallons",
                        reinterpret_cast<const char16_t*>(huge.utf16()), u"gallons"}},
                      true);
    expectConversions(converter,
                      {{reinterpret_cast<const char16_t*>(huge.utf16()), u"gallons",
                        reinterpret_cast<const char16_t*>(huge.utf16()), u"gallons"}},
                      false);
}

class LibraryRules : public ::testing::Test {
protected:
    MeasureTestLibrary m_library;
};

TEST_F(LibraryRules, RenamedRequiredRuleIsUsedOnTheNextCall) {
    m_library.insertDefaultRules();
    MeasurementsConverter converter(m_library.context());
    QVariantMap ingredient = record(QStringLiteral("48"), QStringLiteral("teaspoons"));
    converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
        ingredient);
    EXPECT_EQ(ingredient.value(QStringLiteral("measurement")).toString(), QStringLiteral("cup"));

    m_library.findRule(QStringLiteral("cup"))->setValueForKey(QStringLiteral("Cup"), QStringLiteral("name"));
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("c"), QStringLiteral("1")),
              QStringLiteral("Cup"));
    ingredient = record(QStringLiteral("48"), QStringLiteral("teaspoons"));
    converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
        ingredient);
    EXPECT_EQ(ingredient.value(QStringLiteral("measurement")).toString(), QStringLiteral("Cup"));
    EXPECT_EQ(converter.cupString(), QStringLiteral("Cup"));
}

TEST_F(LibraryRules, UserRulesRewriteWordsAndTheLastMatchingRuleWins) {
    m_library.insertDefaultRules();
    MeasurementsConverter converter(m_library.context());
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("Tbl"), QStringLiteral("1")),
              QStringLiteral("Tbl"));

    m_library.addRule(QStringLiteral("Tbsp"), false, {QStringLiteral("Tbl")});
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("Tbl"), QStringLiteral("3")),
              QStringLiteral("Tbsp"));

    m_library.addRule(QStringLiteral("Tablespoon"), false, {QStringLiteral("x"), QStringLiteral("Tbl")});
    m_library.addRule(QString(), false, {QStringLiteral("Tbl")}); // not named yet: rewrites nothing
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("Tbl heaping Tbl."),
                                                            QStringLiteral("3")),
              QStringLiteral("Tablespoon heaping Tbl."));

    // A match named after a unit key makes its rule's name the unit's display text, even
    // for a rule the user added.
    m_library.addRule(QStringLiteral("Cupful"), false, {QStringLiteral("cup"), QStringLiteral("cupful")});
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("c."), QStringLiteral("1")),
              QStringLiteral("Cupful"));
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("cupful"), QStringLiteral("2")),
              QStringLiteral("cups"));
}

TEST_F(LibraryRules, RelationshipAndDeletionEditsAreSeen) {
    ManagedObject* cup = m_library.addRule(
        QStringLiteral("cup"), true, {QStringLiteral("cup"), QStringLiteral("c")}, QStringLiteral("cup"));
    ManagedObject* cups =
        m_library.addRule(QStringLiteral("cups"), true, {QStringLiteral("cups")}, QStringLiteral("cups"));
    MeasurementsConverter converter(m_library.context());
    EXPECT_EQ(converter.cupsArray(),
              (QStringList{QStringLiteral("cup"), QStringLiteral("c"), QStringLiteral("cups")}));

    // A match moved to another rule counts for that rule's unit.
    ManagedObject* tablespoon = m_library.addRule(
        QStringLiteral("tablespoon"), true, {QStringLiteral("tablespoon")}, QStringLiteral("tablespoon"));
    ManagedObject* c = cup->relatedObjects(QStringLiteral("matches")).at(1);
    c->setRelatedObject(tablespoon, QStringLiteral("smartMeasurement"));
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("c"), QStringLiteral("1")),
              QStringLiteral("tablespoon"));
    EXPECT_EQ(converter.cupsArray(), (QStringList{QStringLiteral("cup"), QStringLiteral("cups")}));

    m_library.context()->deleteObject(cups);
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("cups"), QStringLiteral("2")),
              QStringLiteral("cups"));
    EXPECT_TRUE(converter.cupsString().isNull());
    EXPECT_EQ(converter.cupsArray(), QStringList{QStringLiteral("cup")});
}

TEST_F(LibraryRules, UnitsWithoutDisplayTextsAreNotWritten) {
    // Only the plural cup rule and the teaspoon rules exist.
    m_library.addRule(QStringLiteral("cups"), true, {QStringLiteral("cups"), QStringLiteral("c")},
                      QStringLiteral("cups"));
    m_library.addRule(QStringLiteral("teaspoon"), true, {QStringLiteral("teaspoon")},
                      QStringLiteral("teaspoon"));
    m_library.addRule(QStringLiteral("teaspoons"), true, {QStringLiteral("teaspoons")},
                      QStringLiteral("teaspoons"));
    MeasurementsConverter converter(m_library.context());
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("c"), QStringLiteral("1")),
              QStringLiteral("c"));
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("c"), QStringLiteral("2")),
              QStringLiteral("cups"));
    expectConversions(converter,
                      {
                          {u"48", u"teaspoons", u"48", u"teaspoons"}, // a cup cannot be written
                          {u"2", u"cups", u"96", u"teaspoons"},
                          {u"2", u"grams", u"2", u"grams"}, // no gram spellings at all
                      },
                      false);
    expectConversions(converter, {{u"48", u"teaspoons", u"48", u"teaspoons"}}, true);
}

TEST_F(LibraryRules, EmptySpellingsNeverMatchAnEmptyMeasurement) {
    m_library.insertDefaultRules();
    m_library.addMatch(m_library.findRule(QStringLiteral("cups")), QString());
    // A second key match adds the rule's spellings a second time: duplicates are kept.
    m_library.addMatch(m_library.findRule(QStringLiteral("cups")), QStringLiteral("cups"));
    MeasurementsConverter converter(m_library.context());
    EXPECT_EQ(converter.cupsArray().count(QStringLiteral("cups")), 4);
    EXPECT_FALSE(converter.cupsArray().contains(QString()));
    expectConversions(converter, {{u"2", u"", u"2", u""}}, true);
    expectConversions(converter, {{u"2", u"", u"2", u""}}, false);
}

TEST_F(LibraryRules, AnEmptyLibraryKnowsNoUnits) {
    MeasurementsConverter converter(m_library.context());
    for (int i = 0; i < MeasurementUnitCount; ++i)
        EXPECT_TRUE(converter.spellings(static_cast<MeasurementUnit>(i)).isEmpty());
    EXPECT_EQ(converter.preferredMeasurementFromMeasurement(QStringLiteral("cups"), QStringLiteral("1")),
              QStringLiteral("cups"));
    expectConversions(converter, {{u"48", u"teaspoons", u"48", u"teaspoons"}}, true);
}

} // namespace

// Checking the keys of filters, sorts and key lists against the data model.
#include "platform/DataModel.h"
#include "platform/ManagedObject.h"
#include "platform/ModelKeys.h"
#include "platform/Predicate.h"

#include <gtest/gtest.h>

namespace {

const DataModel& model() {
    static const DataModel loaded = *DataModel::loadResource(QStringLiteral("Larkspoon!_v2.3.mom"));
    return loaded;
}

struct FilterCase {
    const char* entity;
    const char* filter;
    QStringList unknown;
};

TEST(ModelKeysTest, FindsTheUnknownKeysOfFilters) {
    // A derived key of the record class counts as known (the library registers its own).
    registerDerivedKeys(QStringLiteral("RecipesManagedObject"), {QStringLiteral("keywordsArray")});
    const FilterCase cases[] = {
        {"Recipes", "uniqueID != 'X'", {}},
        {"Recipes", "uniqeID != 'X'", {QStringLiteral("uniqeID")}},
        {"Recipes",
         "name CONTAINS[c] 'soup' AND (ratng > 3 OR nme == nil)",
         {QStringLiteral("ratng"), QStringLiteral("nme")}},
        {"Recipes", "ANY keywordsArray ==[c] 'pie'", {}},
        {"Recipes", "'pie' IN keywordsArray", {}},
        {"Recipes", "keywordArray CONTAINS 'pie'", {QStringLiteral("keywordArray")}},
        {"Recipes", "SELF.nmae == 'x'", {QStringLiteral("nmae")}},
        {"Recipes", "#name == 'x' AND #in == 'y'", {QStringLiteral("in")}},
        {"Recipes", "name IN {'a', ratting}", {QStringLiteral("ratting")}},
        {"Recipes", "name == $value AND SELF != nil AND TRUEPREDICATE", {}},
        {"Recipes", "NOT (noSuch == 1)", {QStringLiteral("noSuch")}},
        {"Recipes", "name.first == 'x'", {}}, // reads inside the value of an attribute
        {"MeasurementMatches", "smartMeasurement.name == 'cup'", {}},
        {"MeasurementMatches", "smartMeasurement.nme == 'cup'", {QStringLiteral("smartMeasurement.nme")}},
        {"MeasurementMatches", "smartMeasurment.name == 'cup'", {QStringLiteral("smartMeasurment")}},
        {"SmartMeasurements",
         "ANY #matches.name == 'cups' OR #matches.nam == 'x'",
         {QStringLiteral("matches.nam")}},
        {"Groups", "parent.parent.name == 'x' OR children.nam == 'y'", {QStringLiteral("children.nam")}},
        {"Groups", "uniqueID == 'x'", {QStringLiteral("uniqueID")}}, // a key of Recipes only
    };
    for (const FilterCase& c : cases) {
        const PredicateParseResult parsed = Predicate::parse(QString::fromUtf8(c.filter));
        ASSERT_TRUE(parsed.ok()) << c.filter;
        const EntityDescription* entity = model().entity(QLatin1String(c.entity));
        ASSERT_NE(entity, nullptr) << c.entity;
        EXPECT_EQ(unknownKeys(*parsed.predicate, *entity, model()), c.unknown) << c.filter;
    }
}

TEST(ModelKeysTest, FindsTheUnknownStepOfDottedKeyPaths) {
    const struct {
        const char* entity;
        const char* keyPath;
        const char* unknown;
    } cases[] = {
        {"Recipes", "name", ""},
        {"Recipes", "Name", "Name"},
        {"Groups", "parent.name", ""},
        {"Groups", "parent.nam", "parent.nam"},
        {"Groups", "parnt.name", "parnt"},
        {"Groups", "parent.", "parent."},
        {"MeasurementMatches", "smartMeasurement.matches.required", ""},
    };
    for (const auto& c : cases) {
        const EntityDescription* entity = model().entity(QLatin1String(c.entity));
        ASSERT_NE(entity, nullptr);
        EXPECT_EQ(unknownKeyInPath(QLatin1String(c.keyPath), *entity, model()), QLatin1String(c.unknown))
            << c.keyPath;
    }
}

} // namespace

#include "library/SearchBoxMenu.h"
#include "platform/Predicate.h"
#include "platform/TextFolding.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QHash>
#include <QTimeZone>

#include <atomic>
#include <ostream>
#include <thread>
#include <vector>

namespace {

QVariantMap soupRecipe() {
    return {
        {QStringLiteral("name"), QStringLiteral("Chicken Soup")},
        {QStringLiteral("rating"), qint64(4)},
        {QStringLiteral("difficulty"), 2},
        {QStringLiteral("hasBeenPrepared"), 1},
        {QStringLiteral("hasFirstImage"), true},
        {QStringLiteral("isMarkedAsNew"), 0},
        {QStringLiteral("keywords"), QStringLiteral("soup,Dinner")},
        {QStringLiteral("keywordsArray"), QStringList{QStringLiteral("soup"), QStringLiteral("dinner")}},
        {QStringLiteral("notes"), QString::fromUtf8("Crème brûlée for dessert")},
        {QStringLiteral("uniqueID"), QStringLiteral("2010-05-01-10-00-00-000-42")},
        {QStringLiteral("yield"), QStringLiteral("4 servings")},
        {QStringLiteral("price"), 2.5},
        {QStringLiteral("dateCreated"), QDateTime(QDate(2010, 5, 1), QTime(10, 0), Qt::UTC)},
        {QStringLiteral("ingredient"), QVariantMap{{QStringLiteral("name"), QStringLiteral("egg")},
                                                   {QStringLiteral("quantity"), QStringLiteral("2")}}},
        {QStringLiteral("in"), QStringLiteral("a key that is a reserved word")},
        {QStringLiteral("tags"), QVariantList{QString::fromUtf8("Crème"), 3, QStringLiteral("SOUP")}},
    };
}

struct EvalCase {
    const char* filter;
    QVariantList arguments;
    bool expected;
};

void PrintTo(const EvalCase& c, std::ostream* os) {
    *os << c.filter;
}

class PredicateEvaluateTest : public testing::TestWithParam<EvalCase> {};

TEST_P(PredicateEvaluateTest, EvaluatesAgainstDictionary) {
    const EvalCase& c = GetParam();
    const PredicateParseResult parsed = Predicate::parse(QString::fromUtf8(c.filter), c.arguments);
    ASSERT_TRUE(parsed.ok()) << c.filter << ": " << parsed.error.toStdString();
    const VariantKeyValueSource source(soupRecipe());
    EXPECT_EQ(parsed.predicate->evaluate(source), c.expected) << c.filter;
    // The printed form selects the same way.
    const PredicateParseResult again = Predicate::parse(parsed.predicate->format());
    ASSERT_TRUE(again.ok()) << parsed.predicate->format().toStdString();
    EXPECT_EQ(again.predicate->evaluate(source), c.expected) << parsed.predicate->format().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Comparisons, PredicateEvaluateTest,
    testing::Values(
        // numbers, booleans as 0/1, nil and absent values
        EvalCase{"rating > 3", {}, true}, EvalCase{"rating >= 4 && rating <= 4", {}, true},
        EvalCase{"rating < 4", {}, false}, EvalCase{"rating => 5 || rating =< 3", {}, false},
        EvalCase{"rating <> 4", {}, false}, EvalCase{"rating = 4.0", {}, true},
        EvalCase{"price > 2", {}, true}, EvalCase{"price == 2.5", {}, true},
        EvalCase{"price < -1", {}, false}, EvalCase{"hasBeenPrepared == YES", {}, true},
        EvalCase{"hasBeenPrepared == 1", {}, true}, EvalCase{"hasFirstImage == yes", {}, true},
        EvalCase{"hasFirstImage == 1", {}, true}, EvalCase{"isMarkedAsNew == NO", {}, true},
        EvalCase{"isMarkedAsNew == false", {}, true}, EvalCase{"isFlagged == NO", {}, false},
        EvalCase{"isFlagged == nil", {}, true}, EvalCase{"isFlagged != nil", {}, false},
        EvalCase{"isFlagged != 1", {}, true}, EvalCase{"(isFlagged == nil) or (isFlagged == no)", {}, true},
        EvalCase{"isFlagged < 1", {}, false}, EvalCase{"isFlagged >= 0", {}, false},
        EvalCase{"isFlagged CONTAINS \"x\"", {}, false}, EvalCase{"name == NULL", {}, false},
        EvalCase{"name != nil", {}, true},
        // text against number is neither equal nor ordered
        EvalCase{"rating == \"4\"", {}, false}, EvalCase{"rating != \"4\"", {}, true},
        EvalCase{"yield > 3", {}, false}, EvalCase{"\"Rating\" > \"3\"", {}, true},
        // text operators and modifiers
        EvalCase{"name == \"Chicken Soup\"", {}, true}, EvalCase{"name == \"chicken soup\"", {}, false},
        EvalCase{"name ==[c] \"chicken soup\"", {}, true}, EvalCase{"name CONTAINS \"soup\"", {}, false},
        EvalCase{"name contains[C] \"SOUP\"", {}, true}, EvalCase{"name BEGINSWITH \"Chick\"", {}, true},
        EvalCase{"name beginswith[c] \"chick\"", {}, true}, EvalCase{"name ENDSWITH \"Soup\"", {}, true},
        EvalCase{"name CONTAINS \"\"", {}, false}, EvalCase{"name BEGINSWITH \"\"", {}, false},
        EvalCase{"name LIKE \"Chicken*\"", {}, true}, EvalCase{"name LIKE \"*Sou?\"", {}, true},
        EvalCase{"name LIKE \"Chicken\"", {}, false}, EvalCase{"name LIKE[c] \"c*S*P\"", {}, true},
        EvalCase{"name LIKE \"*\"", {}, true}, EvalCase{"name LIKE \"Chicken?Soup\"", {}, true},
        EvalCase{"name MATCHES \"Chick.*\"", {}, true}, EvalCase{"name MATCHES \"hick\"", {}, false},
        EvalCase{"name MATCHES[c] \"CHICKEN \\\\S+\"", {}, true},
        EvalCase{"name MATCHES \"(unbalanced\"", {}, false},
        EvalCase{"notes CONTAINS[c] \"CRÈME\"", {}, true}, EvalCase{"notes CONTAINS[c] \"creme\"", {}, false},
        EvalCase{"notes CONTAINS[cd] \"CREME BRULEE\"", {}, true},
        EvalCase{"notes CONTAINS[d] \"Creme\"", {}, true}, EvalCase{"notes CONTAINS[d] \"creme\"", {}, false},
        EvalCase{"notes contains[CD] \"brulee\"", {}, true}, EvalCase{"name < \"Chicken Stew\"", {}, true},
        EvalCase{"name < \"chicken\"", {}, true}, EvalCase{"name <[c] \"chicken\"", {}, false},
        EvalCase{"name BETWEEN {\"A\", \"D\"}", {}, true}, EvalCase{"rating BETWEEN {4, 5}", {}, true},
        EvalCase{"rating BETWEEN {5, 6}", {}, false},
        // lists: CONTAINS, IN both ways, quantifiers
        EvalCase{"keywordsArray CONTAINS \"soup\"", {}, true},
        EvalCase{"keywordsArray CONTAINS \"sou\"", {}, false},
        EvalCase{"keywordsArray CONTAINS[c] \"DINNER\"", {}, true},
        EvalCase{"\"dinner\" IN keywordsArray", {}, true}, EvalCase{"\"Dinner\" IN keywordsArray", {}, false},
        EvalCase{"%@ IN[c] keywordsArray", {QStringLiteral("DINNER")}, true},
        EvalCase{"name IN {\"Chicken Soup\", \"Stew\"}", {}, true},
        EvalCase{"rating IN {1, 2, 3}", {}, false}, EvalCase{"rating IN {1, \"4\", 4.0}", {}, true},
        EvalCase{"name IN {}", {}, false},
        EvalCase{"uniqueID IN[c] %@",
                 {QStringList{QStringLiteral("X"), QStringLiteral("2010-05-01-10-00-00-000-42")}},
                 true},
        EvalCase{"uniqueID IN %@", {QVariantList{}}, false}, EvalCase{"\"Soup\" IN name", {}, true},
        EvalCase{"\"soup\" IN[c] name", {}, true}, EvalCase{"ANY keywordsArray == \"dinner\"", {}, true},
        EvalCase{"SOME keywordsArray BEGINSWITH \"din\"", {}, true},
        EvalCase{"ALL keywordsArray LIKE \"*n*\"", {}, false},
        EvalCase{"ALL keywordsArray LIKE \"*\"", {}, true},
        EvalCase{"NONE keywordsArray ==[c] \"LUNCH\"", {}, true}, EvalCase{"ANY missing == 1", {}, false},
        EvalCase{"ALL missing == 1", {}, true}, EvalCase{"ANY keywordsArray IN {\"x\", \"soup\"}", {}, true},
        EvalCase{"keywordsArray == {\"soup\", \"dinner\"}", {}, true},
        EvalCase{"\"creme\" IN[cd] tags", {}, true}, EvalCase{"\"CRÈME\" IN[c] tags", {}, true},
        EvalCase{"\"creme\" IN[c] tags", {}, false}, EvalCase{"\"soup\" IN[c] tags", {}, true},
        EvalCase{"\"soup\" IN tags", {}, false}, EvalCase{"3 IN tags", {}, true},
        EvalCase{"\"3\" IN tags", {}, false}, EvalCase{"tags CONTAINS[d] \"Creme\"", {}, true},
        EvalCase{"tags CONTAINS[d] \"creme\"", {}, false},
        EvalCase{"keywordsArray ==[c] {\"SOUP\", \"Dinner\"}", {}, true},
        // key paths, escaped keys, %K, SELF
        EvalCase{"ingredient.name == \"egg\"", {}, true}, EvalCase{"ingredient.missing == nil", {}, true},
        EvalCase{"#in BEGINSWITH \"a key\"", {}, true}, EvalCase{"#\"in\" ENDSWITH \"word\"", {}, true},
        EvalCase{"%K == %@", {QStringLiteral("rating"), 4}, true},
        EvalCase{"%K == %@", {QStringLiteral("ingredient.quantity"), QStringLiteral("2")}, true},
        EvalCase{"SELF.rating == 4", {}, true}, EvalCase{"SELF != nil", {}, true},
        // dates
        EvalCase{"dateCreated == %@", {QDateTime(QDate(2010, 5, 1), QTime(12, 0), QTimeZone(7200))}, true},
        EvalCase{"dateCreated < %@", {QDateTime(QDate(2011, 1, 1), QTime(0, 0), Qt::UTC)}, true},
        EvalCase{"dateCreated > CAST(\"2010-05-01T09:59:59.999Z\", \"Date\")", {}, true},
        EvalCase{"dateCreated == \"2010-05-01\"", {}, false},
        // logic
        EvalCase{"TRUEPREDICATE", {}, true}, EvalCase{"FALSEPREDICATE OR truepredicate", {}, true},
        EvalCase{"NOT name CONTAINS \"Soup\"", {}, false},
        EvalCase{"!(rating > 3) || !!(rating == 4)", {}, true},
        EvalCase{"not rating == 1 and Not rating == 2 AND nOt (rating == 3 or rating == 5)", {}, true}));

// A record with a cache of folded texts, as the store keeps for large texts.
class CachedSource final : public KeyValueSource {
public:
    explicit CachedSource(QVariantMap values) : m_values(std::move(values)) {
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
            if (it.value().typeId() != QMetaType::QString)
                continue;
            m_folded.insert(it.key(), foldedText(it.value().toString(), false));
            m_foldedNoDiacritics.insert(it.key(), foldedText(it.value().toString(), true));
        }
    }
    QVariant valueForKey(const QString& key) const override {
        ++valueReads;
        return m_values.value(key);
    }
    const QString* foldedTextForKey(const QString& key, bool diacriticInsensitive) const override {
        ++cacheReads;
        const QHash<QString, QString>& cache = diacriticInsensitive ? m_foldedNoDiacritics : m_folded;
        const auto it = cache.constFind(key);
        return it == cache.constEnd() ? nullptr : &it.value();
    }
    void overrideFolded(const QString& key, const QString& folded) {
        m_folded.insert(key, folded);
        m_foldedNoDiacritics.insert(key, folded);
    }
    mutable std::atomic<int> valueReads{0};
    mutable std::atomic<int> cacheReads{0};

private:
    QVariantMap m_values;
    QHash<QString, QString> m_folded;
    QHash<QString, QString> m_foldedNoDiacritics;
};

TEST(PredicateCacheTest, CaseInsensitiveTextComparisonsReadTheCacheAndAgreeWithFolding) {
    const QVariantMap values = soupRecipe();
    const CachedSource cached(values);
    const VariantKeyValueSource plain(values);
    const char* filters[] = {
        "name CONTAINS[c] \"SOUP\"",
        "notes CONTAINS[cd] \"CREME\"",
        "notes ==[c] \"crème brûlée for dessert\"",
        "name LIKE[c] \"*soup\"",
        "notes BEGINSWITH[cd] \"creme\"",
        "rating ==[c] 4",
        "keywordsArray CONTAINS[c] \"DINNER\"",
        "name <[c] \"d\"",
        "missing CONTAINS[c] \"x\"",
    };
    for (const char* filter : filters) {
        const PredicatePtr p = Predicate::parse(QString::fromUtf8(filter)).predicate;
        ASSERT_TRUE(p) << filter;
        EXPECT_EQ(p->evaluate(cached), p->evaluate(plain)) << filter;
    }

    // A hit in the cache is used as it is, without reading the raw value.
    CachedSource stale(values);
    stale.overrideFolded(QStringLiteral("name"), QStringLiteral("folded by the cache"));
    const PredicatePtr p = Predicate::parse(QStringLiteral("name CONTAINS[c] \"BY THE CACHE\"")).predicate;
    stale.valueReads = 0;
    EXPECT_TRUE(p->evaluate(stale));
    EXPECT_EQ(stale.valueReads, 0);
    // Without [c] the raw value is compared.
    EXPECT_FALSE(Predicate::parse(QStringLiteral("name CONTAINS \"cache\"")).predicate->evaluate(stale));
}

// Texts that fold like ASCII are searched without a folded copy: every unit beyond ASCII
// the rule lets through must fold to itself under Unicode's tables, with and without
// diacritics, in any company (here between capitals and before a combining-free letter).
TEST(TextFoldingTest, UnitsThatFoldLikeAsciiFoldToThemselves) {
    int accepted = 0;
    for (char32_t unit = 0x80; unit < 0xD800; ++unit) {
        const QString alone{QChar(char16_t(unit))};
        if (!foldsLikeAscii(alone))
            continue;
        ++accepted;
        const QString text = QStringLiteral("AB") + alone + QStringLiteral("Cd");
        const QString caseFolded = text.toCaseFolded();
        const QString decomposed = caseFolded.normalized(QString::NormalizationForm_D);
        EXPECT_TRUE(caseFolded == QStringLiteral("ab") + alone + QStringLiteral("cd") &&
                    decomposed == caseFolded && alone.at(0).category() != QChar::Mark_NonSpacing)
            << "U+" << std::hex << quint32(unit);
    }
    EXPECT_GT(accepted, 100); // the degree sign, fractions, quotes, dashes, currency signs
    EXPECT_FALSE(foldsLikeAscii(QStringLiteral("5 \u00B5g")));  // the micro sign folds to mu
    EXPECT_FALSE(foldsLikeAscii(QStringLiteral("caf\u00E9")));  // a letter with a mark
    EXPECT_FALSE(foldsLikeAscii(QStringLiteral("\u2126 ohm"))); // the ohm sign folds to omega
}

TEST(PredicateVariablesTest, SubstitutesAndEvaluatesVariables) {
    const PredicatePtr p =
        Predicate::parse(QStringLiteral("name contains[C] $value AND rating >= $minimum")).predicate;
    ASSERT_TRUE(p);
    EXPECT_EQ(p->variablesUsed(), (QStringList{QStringLiteral("value"), QStringLiteral("minimum")}));
    EXPECT_EQ(p->keysUsed(), (QStringList{QStringLiteral("name"), QStringLiteral("rating")}));
    const VariantKeyValueSource source(soupRecipe());
    EXPECT_TRUE(p->evaluate(
        source, {{QStringLiteral("value"), QStringLiteral("SOUP")}, {QStringLiteral("minimum"), 4}}));
    EXPECT_FALSE(p->evaluate(
        source, {{QStringLiteral("value"), QStringLiteral("stew")}, {QStringLiteral("minimum"), 4}}));
    EXPECT_FALSE(p->evaluate(source)); // unbound variables are nil

    const PredicatePtr half =
        p->substitutingVariables({{QStringLiteral("value"), QStringLiteral("Say \"soup\"\\")}});
    EXPECT_EQ(half->variablesUsed(), QStringList{QStringLiteral("minimum")});
    EXPECT_EQ(half->format(),
              QStringLiteral("name CONTAINS[c] \"Say \\\"soup\\\"\\\\\" AND rating >= $minimum"));
    const PredicatePtr full = p->substitutingVariables(
        {{QStringLiteral("value"), QStringLiteral("soup")}, {QStringLiteral("minimum"), 5}});
    EXPECT_TRUE(full->variablesUsed().isEmpty());
    EXPECT_FALSE(full->evaluate(source));
    EXPECT_TRUE(full->substitutingVariables({{QStringLiteral("value"), QStringLiteral("x")}}) ==
                full); // nothing left to replace
    EXPECT_TRUE(Predicate::parse(QStringLiteral("rating IN {1, $x}"))
                    .predicate->substitutingVariables({{QStringLiteral("x"), 4}})
                    ->evaluate(source));
}

TEST(PredicateCompoundTest, BuildsAndFlattensCompounds) {
    const PredicatePtr a = Predicate::parse(QStringLiteral("rating > 3")).predicate;
    const PredicatePtr b = Predicate::parse(QStringLiteral("name BEGINSWITH \"C\"")).predicate;
    const PredicatePtr c = Predicate::parse(QStringLiteral("hasFirstImage == NO")).predicate;
    const VariantKeyValueSource source(soupRecipe());

    EXPECT_EQ(Predicate::andPredicate({})->kind(), Predicate::Kind::True);
    EXPECT_EQ(Predicate::orPredicate({})->kind(), Predicate::Kind::False);
    EXPECT_EQ(Predicate::andPredicate({a, nullptr}), a);
    EXPECT_EQ(Predicate::andPredicate({Predicate::andPredicate({a, b}), c})->subpredicates().size(), 3);
    const PredicatePtr mixed =
        Predicate::orPredicate({Predicate::andPredicate({a, c}), Predicate::notPredicate(b)});
    EXPECT_EQ(mixed->format(),
              QStringLiteral("(rating > 3 AND hasFirstImage == NO) OR NOT name BEGINSWITH \"C\""));
    EXPECT_FALSE(mixed->evaluate(source));
    EXPECT_TRUE(Predicate::notPredicate(Predicate::andPredicate({a, c}))->evaluate(source));
    EXPECT_EQ(Predicate::notPredicate(Predicate::orPredicate({a, b}))->format(),
              QStringLiteral("NOT (rating > 3 OR name BEGINSWITH \"C\")"));
}

// Filter texts the application writes: search templates, group filters and translated
// smart-group rules.
QStringList applicationFilters() {
    const QString groupFilter =
        QStringLiteral("(%@ IN[c] keywordsArray AND platefeedPredicateKey == nil) OR "
                       "(uniqueID IN[c] {\"a-1\", \"B-2\"} AND platefeedPredicateKey == nil)");
    QStringList filters;
    for (int scope = 0; scope < SearchBoxMenu::ScopeCount; ++scope)
        filters << SearchBoxMenu::filterTemplate(scope).replace(
            QStringLiteral("(%@)"), QStringLiteral("(") + groupFilter + QStringLiteral(")"));
    filters << QStringLiteral("platefeedPredicateKey == nil")
            << QStringLiteral("platefeedPredicateKey CONTAINS[cd] %@") << QStringLiteral("rating == 1")
            << QStringLiteral("rating < 5") << QStringLiteral("rating > 3 AND platefeedPredicateKey == nil")
            << QStringLiteral("difficulty == 2 OR difficulty > 1") << QStringLiteral("hasFirstImage == YES")
            << QStringLiteral("hasFirstImage == NO") << QStringLiteral("hasBeenPrepared == yes")
            << QStringLiteral("(hasBeenPrepared == nil) or (hasBeenPrepared == no)")
            << QStringLiteral("NOT ingredientsArray CONTAINS[c] \"egg\" AND name CONTAINS[c] \"cake\"")
            << QStringLiteral("NOT directions CONTAINS[c] \"oven\" OR NOT keywords CONTAINS[c] \"soup\"")
            << QStringLiteral(
                   "(NOT keywords CONTAINS[c] \"LIBRARY\") and (NOT keywords CONTAINS[c] \"My Recipes\") and "
                   "(NOT keywords CONTAINS[c] \"soup\")")
            << QStringLiteral("name != \"x\" AND cuisine ==[c] \"Thai\" AND yield BEGINSWITH[c] \"4\"")
            << QStringLiteral("\"Rating\" > \"3\" AND \"Groupless\" == \"No\"")
            << QStringLiteral("importedFromURL LIKE[c] \"http*://*.example.com/*\"");
    return filters;
}

TEST(PredicateRoundTripTest, PrintedFormParsesToAnEqualTree) {
    QStringList filters = applicationFilters();
    filters
        << QStringLiteral("ANY keywordsArray ==[cd] $value") << QStringLiteral("ALL keywordsArray != \"x\"")
        << QStringLiteral("NONE keywordsArray LIKE \"a?\"")
        << QStringLiteral("SELF IN {1, 2.5, -3, -0.5, 1e300, \"x\", nil, YES, NO, {}, {\"nested\", {1}}}")
        << QStringLiteral("#and == #\"odd key\".#\"\".step AND #self.#in != $in")
        << QStringLiteral("name MATCHES[cd] \"^a\\\\d+$\" OR name BETWEEN {$low, \"z\"}")
        << QStringLiteral("TRUEPREDICATE AND NOT FALSEPREDICATE AND NOT NOT rating < 1")
        << QStringLiteral("a == \"tab\\tline\\nquote\\\"apostrophe\\'back\\\\slash\\u0001\\u00e9\"")
        << QStringLiteral("a == 'single' OR b == 9223372036854775807 OR c == -9223372036854775808 OR d == "
                          "99999999999999999999")
        << QStringLiteral("((a == 1 OR b == 2) AND (c == 3 OR (d == 4 AND e == 5))) OR f IN {g, 1}")
        << QStringLiteral("date > CAST(\"2010-05-01T10:00:00.123Z\", \"Date\") AND date < CAST(0, \"Date\")");
    const QVariantList arguments{QStringLiteral("SOUP"), QStringLiteral("key-1"), QStringLiteral("pk"),
                                 QStringLiteral("x"), QStringLiteral("y")};
    for (const QString& filter : filters) {
        const PredicateParseResult first = Predicate::parse(filter, arguments);
        ASSERT_TRUE(first.ok()) << filter.toStdString() << ": " << first.error.toStdString();
        const QString printed = first.predicate->format();
        const PredicateParseResult second = Predicate::parse(printed);
        ASSERT_TRUE(second.ok()) << printed.toStdString() << ": " << second.error.toStdString();
        EXPECT_TRUE(second.predicate->isEqual(*first.predicate)) << printed.toStdString();
        EXPECT_EQ(second.predicate->format(), printed);
    }

    // Values given as arguments print as literals that read back to the same values.
    const QVariantList values{QVariant(),
                              true,
                              7,
                              qint64(-8),
                              0.1,
                              3.0,
                              -0.0,
                              1e-300,
                              QStringLiteral("\"\\\n\u00e9\U0001F600"),
                              QStringList{QStringLiteral("a"), QStringLiteral("b")},
                              QVariantList{1, QVariantList{QStringLiteral("x")}},
                              QString(),
                              QDateTime(QDate(2020, 2, 29), QTime(23, 59, 59, 999), Qt::UTC),
                              QDateTime::fromMSecsSinceEpoch(-500000000000000LL, Qt::UTC)};
    for (const QVariant& value : values) {
        const PredicatePtr p =
            Predicate::parse(QStringLiteral("%K == %@"), {QStringLiteral("key"), value}).predicate;
        ASSERT_TRUE(p) << value.typeName();
        const PredicateParseResult again = Predicate::parse(p->format());
        ASSERT_TRUE(again.ok()) << p->format().toStdString();
        EXPECT_TRUE(again.predicate->isEqual(*p)) << p->format().toStdString();
    }
}

TEST(PredicateSearchTest, EntireRecipeSearchWithinAGroceryList) {
    const QStringList filters = applicationFilters();
    const QString entireRecipe = filters[SearchBoxMenu::EntireRecipe];
    const PredicatePtr search =
        Predicate::parse(entireRecipe, {QStringLiteral("dinner")})
            .predicate->substitutingVariables({{QStringLiteral("value"), QStringLiteral("EGG")}});
    ASSERT_TRUE(search);
    auto recipe = [](const char* id, const char* keywords, const char* ingredients) {
        const QString k = QString::fromUtf8(keywords);
        return QVariantMap{{QStringLiteral("uniqueID"), QString::fromUtf8(id)},
                           {QStringLiteral("keywords"), k},
                           {QStringLiteral("keywordsArray"), k.toLower().split(QLatin1Char(','))},
                           {QStringLiteral("ingredientsArray"), QString::fromUtf8(ingredients)}};
    };
    EXPECT_TRUE(search->evaluate(VariantKeyValueSource(recipe("a-1", "", "(2 Eggs)"))));
    EXPECT_TRUE(search->evaluate(VariantKeyValueSource(recipe("x", "Dinner", "(1 egg)"))));
    EXPECT_FALSE(search->evaluate(VariantKeyValueSource(recipe("x", "Lunch", "(1 egg)"))));
    EXPECT_FALSE(search->evaluate(VariantKeyValueSource(recipe("b-2", "", "(flour)"))));
    QVariantMap feed = recipe("a-1", "", "(egg)");
    feed.insert(QStringLiteral("platefeedPredicateKey"), QStringLiteral("feed"));
    EXPECT_FALSE(search->evaluate(VariantKeyValueSource(feed)));
}

struct ErrorCase {
    const char* filter;
    QVariantList arguments;
    int position;
    const char* message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.filter;
}

class PredicateErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(PredicateErrorTest, ReportsWhatAndWhere) {
    const ErrorCase& c = GetParam();
    const PredicateParseResult result = Predicate::parse(QString::fromUtf8(c.filter), c.arguments);
    EXPECT_FALSE(result.ok()) << c.filter;
    EXPECT_EQ(result.errorPosition, c.position) << c.filter << ": " << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(QString::fromUtf8(c.message))) << result.error.toStdString();
    if (c.position > 0) {
        EXPECT_TRUE(result.error.contains(QStringLiteral("position %1").arg(c.position)))
            << result.error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Errors, PredicateErrorTest,
    testing::Values(ErrorCase{"", {}, 0, "empty"}, ErrorCase{"   ", {}, 0, "empty"},
                    ErrorCase{"rating == ", {}, 10, "expected a value after \"==\""},
                    ErrorCase{"name CONTAINS[c] AND x", {}, 17, "expected a value after \"CONTAINS[c]\""},
                    ErrorCase{"rating 5", {}, 7, "expected a comparison operator after \"rating\""},
                    ErrorCase{"(rating == 5", {}, 12, "expected \")\""},
                    ErrorCase{"rating == 5)", {}, 11, "unexpected \")\""},
                    ErrorCase{"== 5", {}, 0, "unexpected \"==\""},
                    ErrorCase{"a == 1 AND", {}, 10, "unexpected end"},
                    ErrorCase{"a == 1 OR OR b == 2", {}, 10, "unexpected \"OR\""},
                    ErrorCase{"a === 1", {}, 4, "expected a value"},
                    ErrorCase{"a & b", {}, 2, "unexpected \"&\""},
                    ErrorCase{"a == \"open", {}, 5, "unterminated text"},
                    ErrorCase{"a == \"bad \\q\"", {}, 10, "unknown escape \"\\q\""},
                    ErrorCase{"a == \"\\u12\"", {}, 6, "hexadecimal"},
                    ErrorCase{"a == %@", {}, 5, "missing argument for \"%@\""},
                    ErrorCase{"%K == 1", {}, 0, "missing argument for \"%K\""},
                    ErrorCase{"%K == 1", {5}, 0, "not a key name"},
                    ErrorCase{"a == %@", {QVariantMap{}}, 5, "cannot be used"},
                    ErrorCase{"a == %d", {1}, 5, "unsupported format \"%d\""},
                    ErrorCase{"a ==[x] 1", {}, 4, "unknown modifier \"[x\""},
                    ErrorCase{"a ==[c 1", {}, 7, "expected \"]\""},
                    ErrorCase{"a == nil nil", {}, 9, "unexpected \"nil\""},
                    ErrorCase{"in == 1", {}, 0, "unexpected \"in\""},
                    ErrorCase{"a. == 1", {}, 3, "expected a key after \".\""},
                    ErrorCase{"a == $", {}, 6, "variable name"},
                    ErrorCase{"a == {1, 2", {}, 10, "expected \",\" or \"}\""},
                    ErrorCase{"a == {1,}", {}, 8, "expected a value after \",\""},
                    ErrorCase{"a BETWEEN {1}", {}, 10, "two values"},
                    ErrorCase{"a == CAST(\"soon\", \"Date\")", {}, 10, "date"},
                    ErrorCase{"a == CAST(1, \"Number\")", {}, 13, "unsupported CAST type"},
                    ErrorCase{"ANY", {}, 3, "expected a value after \"ANY\""},
                    ErrorCase{"a == 1 \xE2\x82\xAC", {}, 7, "unexpected"}));

TEST(PredicateNestingTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    const QString deepest = QStringLiteral("(").repeated(Predicate::MaximumNesting) +
                            QStringLiteral("a == 1") +
                            QStringLiteral(")").repeated(Predicate::MaximumNesting);
    EXPECT_TRUE(Predicate::parse(deepest).ok());
    const QStringList tooDeep{QStringLiteral("(").repeated(100000),
                              QStringLiteral("NOT ").repeated(100000) + QStringLiteral("a == 1"),
                              QStringLiteral("!").repeated(100000),
                              QStringLiteral("a IN ") + QStringLiteral("{").repeated(100000),
                              QStringLiteral("(") + deepest + QStringLiteral(")")};
    for (const QString& text : tooDeep) {
        const PredicateParseResult result = Predicate::parse(text);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error.contains(QStringLiteral("nested too deeply"))) << result.error.toStdString();
    }
    // Long flat chains are fine: they are loops, not recursion.
    QStringList terms;
    for (int i = 0; i < 20000; ++i)
        terms << QStringLiteral("k%1 == %1").arg(i);
    const PredicateParseResult chain = Predicate::parse(terms.join(QStringLiteral(" OR ")));
    ASSERT_TRUE(chain.ok());
    EXPECT_EQ(chain.predicate->subpredicates().size(), 20000);
    EXPECT_TRUE(
        chain.predicate->evaluate(VariantKeyValueSource(QVariantMap{{QStringLiteral("k19999"), 19999}})));
}

TEST(PredicateSearchTest, ContainsAgreesWithPlainSubstringSearch) {
    // Short alphabets make many near misses; lengths cover the vectorised and the tail parts.
    const QString alphabet = QString::fromUtf8("abAB\u00e9\u0101");
    quint32 state = 12345;
    auto next = [&state](int bound) {
        state = state * 1103515245u + 12345u;
        return int((state >> 16) % quint32(bound));
    };
    for (int round = 0; round < 3000; ++round) {
        QString text;
        QString pattern;
        const int textLength = next(96);
        const int patternLength = 1 + next(round % 3 == 0 ? 20 : 5);
        for (int i = 0; i < textLength; ++i)
            text += alphabet[next(round % 2 == 0 ? 2 : int(alphabet.size()))];
        for (int i = 0; i < patternLength; ++i)
            pattern += alphabet[next(round % 2 == 0 ? 2 : int(alphabet.size()))];
        const VariantKeyValueSource source(text);
        const PredicatePtr exact = Predicate::parse(QStringLiteral("SELF CONTAINS %@"), {pattern}).predicate;
        const PredicatePtr folded =
            Predicate::parse(QStringLiteral("SELF CONTAINS[c] %@"), {pattern}).predicate;
        EXPECT_EQ(exact->evaluate(source), text.contains(pattern))
            << text.toStdString() << " / " << pattern.toStdString();
        EXPECT_EQ(folded->evaluate(source), text.contains(pattern, Qt::CaseInsensitive))
            << text.toStdString() << " / " << pattern.toStdString();
        EXPECT_EQ(Predicate::parse(QStringLiteral("SELF IN %@"), {text})
                      .predicate->evaluate(VariantKeyValueSource(pattern)),
                  text.contains(pattern));
    }
}

TEST(PredicateKeysTest, KeysAreInternedAcrossFilters) {
    const PredicatePtr a = Predicate::parse(QStringLiteral("name == 1 AND rating == 2")).predicate;
    const PredicatePtr b =
        Predicate::parse(QStringLiteral("%K CONTAINS \"x\""), {QStringLiteral("name")}).predicate;
    EXPECT_EQ(a->keysUsed(), (QStringList{QStringLiteral("name"), QStringLiteral("rating")}));
    EXPECT_EQ(a->keysUsed().front().constData(), b->keysUsed().front().constData());
    EXPECT_EQ(Predicate::internedKey(QStringLiteral("rating")).constData(), a->keysUsed().back().constData());
    EXPECT_EQ(Predicate::parse(QStringLiteral("ANY a.b.c IN {d, e.f} OR SELF == $x")).predicate->keysUsed(),
              (QStringList{QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("e")}));
}

TEST(PredicateOrderingTest, TextsOrderByCodePoint) {
    // U+1F600 is stored as a surrogate pair, whose UTF-16 units sort below U+FFFD.
    const PredicatePtr p = Predicate::parse(QStringLiteral("SELF > %@"), {QString(QChar(0xFFFD))}).predicate;
    EXPECT_TRUE(p->evaluate(VariantKeyValueSource(QString::fromUtf8("\xF0\x9F\x98\x80"))));
    EXPECT_FALSE(p->evaluate(VariantKeyValueSource(QStringLiteral("z"))));
    const PredicatePtr like = Predicate::parse(QStringLiteral("SELF LIKE \"a?b\"")).predicate;
    EXPECT_TRUE(like->evaluate(VariantKeyValueSource(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                                                       "b"))));
}

TEST(PredicateThreadTest, OneFilterEvaluatesOnSeveralThreadsAtOnce) {
    const PredicatePtr p =
        Predicate::parse(applicationFilters()[SearchBoxMenu::EntireRecipe], {QStringLiteral("dinner")})
            .predicate->substitutingVariables({{QStringLiteral("value"), QStringLiteral("soup")}});
    const PredicatePtr regex = Predicate::parse(QStringLiteral("name MATCHES[c] \"chicken.*\"")).predicate;
    const VariantKeyValueSource source(soupRecipe());
    const bool expected = p->evaluate(source);
    EXPECT_TRUE(expected);
    std::atomic<int> disagreements{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                if (p->evaluate(source) != expected || !regex->evaluate(source))
                    ++disagreements;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(disagreements, 0);
}

} // namespace

// Consolidation of grocery rows: sums in common units, singular and plural names, aisles and
// order; and the drag reordering shared by the own items and the aisles.
#include "grocery/GroceryCategories.h"
#include "grocery/GroceryConsolidation.h"
#include "grocery/GroceryRowMoves.h"
#include "measure/MeasurementsConverter.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

// "quantity|measurement|name" rows, one per recipe unless a recipe is given as "@id".
QList<QVariantMap> rowsFromText(const QStringList& lines) {
    QList<QVariantMap> rows;
    int recipe = 0;
    for (const QString& line : lines) {
        const QStringList parts = line.split(u'|');
        rows.append(QVariantMap{{QStringLiteral("quantity"), parts.at(0)},
                                {QStringLiteral("measurement"), parts.at(1)},
                                {QStringLiteral("name"), parts.at(2)},
                                {QStringLiteral("recipe"), QStringLiteral("r%1").arg(recipe++)}});
    }
    return rows;
}

QString rowsText(const QList<QVariantMap>& rows) {
    QStringList lines;
    for (const QVariantMap& row : rows)
        lines.append(row.value(QStringLiteral("quantity")).toString() + u'|' +
                     row.value(QStringLiteral("measurement")).toString() + u'|' +
                     row.value(QStringLiteral("name")).toString());
    return lines.join(QStringLiteral("; "));
}

QString consolidated(const QStringList& lines, const GroceryCategories& categories = {}) {
    QList<QVariantMap> rows = rowsFromText(lines);
    MeasurementsConverter converter;
    GroceryConsolidation::consolidateIngredients(rows, converter, categories);
    return rowsText(rows);
}

QStringList texts(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

struct ConsolidationCase {
    const char* what;
    std::initializer_list<const char*> rows;
    const char* expected;
};

TEST(GroceryConsolidation, MergesEqualIngredients) {
    const ConsolidationCase cases[] = {
        {"two halves of a cup", {"1/2|cup|flour", "1/2|cup|flour"}, "1|cup|flour"},
        {"cups and tablespoons", {"1 1/2|cups|sugar", "2|tablespoons|sugar"}, "1 2/3|cups|sugar"},
        {"singular and plural, the first name kept", {"2||egg", "3||eggs"}, "5||egg"},
        {"plural first", {"3||eggs", "2||egg"}, "5||eggs"},
        {"equal words dropped once", {"a pinch||salt", "a pinch||salt"}, "a pinch||salt"},
        {"words are never added", {"a pinch||salt", "1/4|teaspoon|salt"}, "a pinch||salt; 1/4|teaspoon|salt"},
        {"pea is not pear", {"1|cup|pea", "2||pear"}, "1|cup|pea; 2||pear"},
        {"pea and peas", {"1|cup|pea", "1|cup|peas"}, "2|cups|pea"},
        {"other units stay apart", {"1|cup|milk", "100|g|milk"}, "1|cup|milk; 100|grams|milk"},
        {"three rows in a chain", {"1/2|cup|oil", "1/2|cup|oil", "1/2|cup|oil"}, "1 1/2|cups|oil"},
        {"a decimal sum without units", {"1.5||lime", "1||lime"}, "2 1/2||lime"},
        {"a word quantity with a dot keeps its words", {"approx. 2||lemons"}, "approx. 2||lemons"},
        {"sorted without regard to case",
         {"1||banana", "1||Apple", "1||cherry"},
         "1||Apple; 1||banana; 1||cherry"},
        {"a row named DELETE is an ingredient",
         {"1|cup|milk", "1|cup|milk", "1|cup|DELETE"},
         "1|cup|DELETE; 2|cups|milk"},
    };
    for (const ConsolidationCase& c : cases)
        EXPECT_EQ(consolidated(texts(c.rows)).toStdString(), c.expected) << c.what;
}

TEST(GroceryConsolidation, NamesAndMeasurementsThatCountAsOne) {
    struct Pair {
        const char* a;
        const char* b;
        bool names;
        bool measurements;
    };
    const Pair pairs[] = {
        {"egg", "eggs", true, true},  {"pea", "pear", false, true}, {"peas", "pea", true, true},
        {"oz", "oz.", false, true},   {"a", "as", false, false},    {"tomato", "tomatoes", false, false},
        {"salt", "salt", true, true}, {"s", "s", true, true},
    };
    for (const Pair& p : pairs) {
        const QString a = QString::fromUtf8(p.a), b = QString::fromUtf8(p.b);
        EXPECT_EQ(GroceryConsolidation::namesAreOne(a, b), p.names) << p.a << " / " << p.b;
        EXPECT_EQ(GroceryConsolidation::measurementsAreOne(a, b), p.measurements) << p.a << " / " << p.b;
    }
}

// The merge as first described: every row against every later row. The consolidation must
// give the same rows for any input, in the same order.
QString pairwiseReference(QList<QVariantMap> rows) {
    MeasurementsConverter converter;
    for (QVariantMap& row : rows)
        converter.ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
            row);
    std::vector<bool> removed(size_t(rows.size()), false);
    auto value = [](const QString& q) {
        return q.contains(u'/') ? MeasurementsConverter::floatFromTypedFraction(q)
                                : MeasurementsConverter::leadingNumber(q);
    };
    for (int a = 0; a < rows.size(); ++a) {
        if (removed[size_t(a)])
            continue;
        QString qA = rows[a].value(QStringLiteral("quantity")).toString();
        const QString mA = rows[a].value(QStringLiteral("measurement")).toString();
        const QString nA = rows[a].value(QStringLiteral("name")).toString();
        for (int b = a + 1; b < rows.size(); ++b) {
            if (removed[size_t(b)])
                continue;
            const QString qB = rows[b].value(QStringLiteral("quantity")).toString();
            if (!GroceryConsolidation::namesAreOne(nA, rows[b].value(QStringLiteral("name")).toString()) ||
                !GroceryConsolidation::measurementsAreOne(
                    mA, rows[b].value(QStringLiteral("measurement")).toString()))
                continue;
            if (qA == qB)
                removed[size_t(b)] = true;
            if (!MeasurementsConverter::isStringUnknown(qA) && !MeasurementsConverter::isStringUnknown(qB)) {
                qA = MeasurementsConverter::fixedText(value(qA) + value(qB), 6);
                rows[a].insert(QStringLiteral("quantity"), qA);
                removed[size_t(b)] = true;
            }
        }
    }
    QList<QVariantMap> kept;
    for (int i = 0; i < rows.size(); ++i)
        if (!removed[size_t(i)])
            kept.append(rows[i]);
    for (QVariantMap& row : kept) {
        converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(row);
        const QString q = row.value(QStringLiteral("quantity")).toString();
        if (q.contains(u'.') && !MeasurementsConverter::isStringUnknown(q))
            row.insert(QStringLiteral("quantity"), MeasurementsConverter::typedFractionFromFloat(
                                                       MeasurementsConverter::leadingNumber(q)));
    }
    std::stable_sort(kept.begin(), kept.end(), [](const QVariantMap& x, const QVariantMap& y) {
        return x.value(QStringLiteral("name"))
                   .toString()
                   .compare(y.value(QStringLiteral("name")).toString(), Qt::CaseInsensitive) < 0;
    });
    return rowsText(kept);
}

TEST(GroceryConsolidation, LookupByNameGivesThePairwiseResult) {
    const QStringList names =
        texts({"egg", "eggs", "Eggs", "pea", "pear", "peas", "a", "as", "ass", "salt", ""});
    const QStringList measurements =
        texts({"", "cup", "cups", "tablespoon", "g", "kg", "oz", "oz.", "pinch"});
    const QStringList quantities = texts({"1", "1/2", "2", "1 1/2", "a few", "", "0.5", "3"});
    QRandomGenerator random(20261207);
    for (int round = 0; round < 200; ++round) {
        QStringList lines;
        const int count = int(random.bounded(1, 25));
        for (int i = 0; i < count; ++i)
            lines.append(quantities.at(random.bounded(int(quantities.size()))) + u'|' +
                         measurements.at(random.bounded(int(measurements.size()))) + u'|' +
                         names.at(random.bounded(int(names.size()))));
        ASSERT_EQ(consolidated(lines), pairwiseReference(rowsFromText(lines)))
            << lines.join(u'\n').toStdString();
    }
}

TEST(GroceryConsolidation, AisleOfTheLastMatchThatStillExists) {
    GroceryCategories categories;
    categories.setContents(
        {{QStringLiteral("Produce"), 11}, {QStringLiteral("Baking"), 22}},
        {QVariantMap{{QStringLiteral("name"), QStringLiteral("flour")}, {QStringLiteral("category"), 11}},
         QVariantMap{{QStringLiteral("name"), QStringLiteral("flour")}, {QStringLiteral("category"), 22}},
         QVariantMap{{QStringLiteral("name"), QStringLiteral("pear")}, {QStringLiteral("category"), 999}}});
    QList<QVariantMap> rows = rowsFromText(texts({"1|cup|flour", "1||pear", "1||Flour"}));
    MeasurementsConverter converter;
    GroceryConsolidation::consolidateIngredients(rows, converter, categories);
    QStringList aisles;
    for (const QVariantMap& row : rows)
        aisles.append(row.value(QStringLiteral("name")).toString() + u'=' +
                      row.value(QStringLiteral("category"), QStringLiteral("none")).toString());
    EXPECT_EQ(aisles.join(u' '), QStringLiteral("flour=2 Flour=none pear=none"));
}

TEST(GroceryRowMoves, MovesRowsLikeATableDrag) {
    struct Move {
        QList<int> rows;
        int drop;
        const char* expected;
        QList<int> newRows;
    };
    const Move moves[] = {
        {{0}, 3, "bcad", {2}},       {{3}, 0, "dabc", {0}}, {{0, 2}, 4, "bdac", {2, 3}},
        {{1, 3}, 0, "bdac", {0, 1}}, {{1}, 1, "abcd", {1}}, {{2}, 99, "abdc", {3}},
    };
    for (const Move& m : moves) {
        QList<QChar> list = {u'a', u'b', u'c', u'd'};
        const QList<int> rows = moveRowsToDropPosition(list, m.rows, m.drop);
        EXPECT_EQ(QString(list.constData(), list.size()), QString::fromUtf8(m.expected)) << m.drop;
        EXPECT_EQ(rows, m.newRows) << m.drop;
    }
}

} // namespace

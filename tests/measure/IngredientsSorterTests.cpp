// The ingredient list parser: worked lines, the cleaning of the whole text, the measurement
// words (fixed, unit spellings, the library's "Measurements.plist") and the record shape.
#include "MeasureTestLibrary.h"
#include "measure/IngredientsSorter.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

struct Line {
    const char16_t* text;
    const char16_t* quantity;
    const char16_t* measurement;
    const char16_t* name;
    const char16_t* method;
    bool groupTitle = false;
};

void expectLines(const IngredientsSorter& sorter, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        const QString text = QString::fromUtf16(line.text);
        const QVariantList records = sorter.sortedIngredientsFromString(text);
        ASSERT_EQ(records.size(), 1) << text.toStdString();
        const QVariantMap record = records.first().toMap();
        const std::string label = text.toStdString();
        EXPECT_EQ(record.value(QStringLiteral("quantity")).toString(), QString::fromUtf16(line.quantity))
            << label;
        EXPECT_EQ(record.value(QStringLiteral("measurement")).toString(),
                  QString::fromUtf16(line.measurement))
            << label;
        EXPECT_EQ(record.value(QStringLiteral("name")).toString(), QString::fromUtf16(line.name)) << label;
        EXPECT_EQ(record.value(QStringLiteral("method")).toString(), QString::fromUtf16(line.method))
            << label;
        EXPECT_EQ(record.value(QStringLiteral("isGroupTitle")).toString(),
                  line.groupTitle ? QStringLiteral("YES") : QStringLiteral("NO"))
            << label;
    }
}

TEST(IngredientsSorter, WorkedLines) {
    const IngredientsSorter sorter;
    expectLines(sorter, {
                            {u"2 cups flour, sifted", u"2", u"cups", u"flour", u"sifted"},
                            {u"\u2022 1/2 tsp. salt", u"1/2", u"tsp.", u"salt", u""},
                            {u"1 (14.5 oz) can diced tomatoes, drained", u"1", u"(14.5 oz)",
                             u"can diced tomatoes", u"drained"},
                            {u"3 eggs, beaten", u"3", u"", u"eggs", u"beaten"},
                            {u"2 large eggs", u"2", u"large", u"eggs", u""},
                            {u"Salt and pepper to taste", u"", u"", u"Salt and pepper to taste", u""},
                            {u"1 cup", u"1", u"", u"cup", u""},
                            {u"For the crust:", u"", u"", u"For the crust:", u"", true},
                            {u"1\u00BD cups milk", u"1\u00BD", u"cups", u"milk", u""},
                        });
}

TEST(IngredientsSorter, EdgeLines) {
    const IngredientsSorter sorter;
    expectLines(sorter,
                {
                    {u"2 to 3 cups water", u"2 - 3", u"cups", u"water", u""},
                    {u"2 tbs", u"2", u"", u"tbs", u""},
                    {u"2 g", u"2", u"", u"g", u""},
                    {u"2 x 400 g tins", u"2 x 400", u"g", u"tins", u""},
                    {u"2 cups, packed brown sugar", u"2", u"", u"cups", u"packed brown sugar"},
                    {u"1 14-oz can", u"1 ", u"14-oz", u"can", u""},
                    {u"14- 14-oz can", u" ", u"14-oz", u"can", u""}, // every occurrence leaves the quantity
                    {u"2 cups (8 oz) milk", u"2", u"cups (8 oz)", u"milk", u""},
                    {u"1 big (14 oz) can", u"1", u"", u"big (14 oz) can", u""},
                    {u"1 T. butter", u"1", u"T.", u"butter", u""},
                    {u"1 c. sugar", u"1", u"c.", u"sugar", u""},
                    {u"12", u"12", u"", u"", u""},
                    {u"3 cups flour,", u"3", u"cups", u"flour", u","},
                    {u"Sauce:", u"", u"", u"Sauce:", u"", true},
                    {u"2 cups:", u"2", u"cups", u":", u""}, // the last character never joins the measurement
                    {u"A:", u"", u"", u"A:", u"", true},
                    {u"1/2 cup butter, melted, cooled", u"1/2", u"cup", u"butter", u"melted, cooled"},
                    {u"xanthan gum", u"x", u"", u"anthan gum", u""},
                    {u"1 (unclosed paren", u"1", u"(unclosed paren", u"", u""},
                    {u"2 c(up) flour, sifted", u"2", u"c(up)", u"flour", u"sifted"},
                    {u"10 extra-long name (with parenthesis), cut", u"10", u"",
                     u"extra-long name (with parenthesis)", u"cut"},
                });
}

TEST(IngredientsSorter, CleaningOfTheWholeText) {
    const IngredientsSorter sorter;
    expectLines(sorter, {
                            {u"2\u00A0cups flour", u"2", u"cups", u"flour", u""},
                            {u"\u25CF 1 cup sugar", u"1", u"cup", u"sugar", u""},
                            {u"* 1 cup sugar", u"1", u"cup", u"sugar", u""},
                            {u"2\tcups\tflour", u"2", u"cups", u"flour", u""},
                            {u"2     cups flour", u"2", u"cups", u"flour", u""},
                            {u"2   cups flour", u"2 ", u"cups", u"flour", u""}, // three spaces become two
                            {u"2 cups   flour", u"2", u"cups", u"flour", u""},
                            {u"1\u20442 cup oil", u"1/2", u"cup", u"oil", u""},
                        });

    const QVariantList records = sorter.sortedIngredientsFromString(
        QStringLiteral("1 cup flour\r\n2 eggs\r3 tbsp oil\n\n-\n1\n\nSalt"));
    QStringList names;
    for (const QVariant& record : records)
        names << record.toMap().value(QStringLiteral("name")).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("flour"), QStringLiteral("eggs"), QStringLiteral("oil"),
                                  QStringLiteral("Salt")}));

    EXPECT_TRUE(sorter.sortedIngredientsFromString(QString()).isEmpty());
    EXPECT_TRUE(sorter.sortedIngredientsFromString(QStringLiteral("-\n1\n\n")).isEmpty());
}

TEST(IngredientsSorter, RecordsAreCompleteAndDifferOnlyByRandomNumber) {
    const IngredientsSorter sorter;
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("2 cups flour, sifted\n");
    const QVariantList records = sorter.sortedIngredientsFromString(text);
    ASSERT_EQ(records.size(), 400);
    QSet<int> randomNumbers;
    for (const QVariant& entry : records) {
        QVariantMap record = entry.toMap();
        EXPECT_EQ(record.keys(), (QStringList{QStringLiteral("isGroupTitle"), QStringLiteral("measurement"),
                                              QStringLiteral("method"), QStringLiteral("name"),
                                              QStringLiteral("quantity"), QStringLiteral("randomNumber")}));
        const int random = record.take(QStringLiteral("randomNumber")).toInt();
        EXPECT_GE(random, 0);
        EXPECT_LE(random, 998);
        randomNumbers.insert(random);
        EXPECT_EQ(record, (QVariantMap{{QStringLiteral("quantity"), QStringLiteral("2")},
                                       {QStringLiteral("measurement"), QStringLiteral("cups")},
                                       {QStringLiteral("name"), QStringLiteral("flour")},
                                       {QStringLiteral("method"), QStringLiteral("sifted")},
                                       {QStringLiteral("isGroupTitle"), QStringLiteral("NO")}}));
    }
    EXPECT_GT(randomNumbers.size(), 100);
}

TEST(IngredientsSorter, NothingButTextsReachTheRecords) {
    const IngredientsSorter sorter;
    const QVariantList records = sorter.sortedIngredientsFromString(
        QStringLiteral("\t\u2022 1\u00A0*cup\t\tflour\u00A0 ,  \u25CFsifted*\n\u00A0\u00A0\t"));
    for (const QVariant& entry : records) {
        const QVariantMap record = entry.toMap();
        for (const QString& key : {QStringLiteral("quantity"), QStringLiteral("measurement"),
                                   QStringLiteral("name"), QStringLiteral("method")}) {
            const QString value = record.value(key).toString();
            EXPECT_FALSE(value.isNull()) << key.toStdString();
            for (QChar bad : {QChar(u'\t'), QChar(0x00A0), QChar(0x2022), QChar(0x25CF), QChar(u'*')})
                EXPECT_FALSE(value.contains(bad)) << key.toStdString();
        }
    }
}

class SorterWithLibrary : public ::testing::Test {
protected:
    MeasureTestLibrary m_library;
};

TEST_F(SorterWithLibrary, UsesTheLibraryFileAndRules) {
    // Without the library's words, 'pinch' and 'Tbl' are names.
    expectLines(
        IngredientsSorter(m_library.context(), m_library.path()),
        {{u"1 pinch salt", u"1", u"", u"pinch salt", u""}, {u"1 Tbl oil", u"1", u"", u"Tbl oil", u""}});

    ASSERT_TRUE(writePropertyListFile(QVariantList{QStringLiteral("pinch"), 42, QStringLiteral("dash")},
                                      QDir(m_library.path()).filePath(QStringLiteral("Measurements.plist"))));
    m_library.addRule(QStringLiteral("tablespoon"), true,
                      {QStringLiteral("tablespoon"), QStringLiteral("Tbl")}, QStringLiteral("tablespoon"));
    const IngredientsSorter sorter(m_library.context(), m_library.path());
    expectLines(sorter, {{u"1 pinch salt", u"1", u"pinch", u"salt", u""},
                         {u"1 Tbl oil", u"1", u"Tbl", u"oil", u""},
                         {u"1 tsp oil", u"1", u"", u"tsp oil", u""}, // the library has no teaspoon spellings
                         {u"1 tsp. oil", u"1", u"tsp.", u"oil", u""}}); // but the fixed words stay
    EXPECT_TRUE(sorter.measurementWords().contains(QStringLiteral("dash")));
    EXPECT_FALSE(sorter.measurementWords().contains(QStringLiteral("42")));

    // An unreadable file only shrinks the words.
    QFile file(QDir(m_library.path()).filePath(QStringLiteral("Measurements.plist")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a property list");
    file.close();
    expectLines(
        IngredientsSorter(m_library.context(), m_library.path()),
        {{u"1 pinch salt", u"1", u"", u"pinch salt", u""}, {u"1 Tbl oil", u"1", u"Tbl", u"oil", u""}});
}

} // namespace

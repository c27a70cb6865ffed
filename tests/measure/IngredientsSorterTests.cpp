// The ingredient list parser: worked lines, the cleaning of the whole text, the measurement
// words (fixed, unit spellings, the library's "Measurements.plist") and the record shape.
#include "MeasureTestLibrary.h"
#include "measure/IngredientsSorter.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>

#include <random>

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
        EXPECT_EQ(record.value(QStringLiteral("quantity")).toString(), QString::fromUtf16(line.quantity)) << label;
        EXPECT_EQ(record.value(QStringLiteral("measurement")).toString(), QString::fromUtf16(line.measurement)) << label;
        EXPECT_EQ(record.value(QStringLiteral("name")).toString(), QString::fromUtf16(line.name)) << label;
        EXPECT_EQ(record.value(QStringLiteral("method")).toString(), QString::fromUtf16(line.method)) << label;
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
                            {u"1 (14.5 oz) can diced tomatoes, drained", u"1", u"(14.5 oz)", u"can diced tomatoes", u"drained"},
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
    expectLines(sorter, {
                            {u"2 to 3 cups water", u"2 - 3", u"cups", u"water", u""},
                            {u"2 tbs", u"2", u"", u"tbs", u""},
                            {u"2 g", u"2", u"", u"g", u""},
                            {u"2 x 400 g tins", u"2 x 400", u"g", u"tins", u""},
                            {u"2 cups, packed brown sugar", u"2", u"", u"cups", u"packed brown sugar"},
                            {u"1 14-oz can", u"1 ", u"14-oz", u"can", u""},
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
                            {u"1\u20442 cup oil", u"1/2", u"cup", u"oil", u""},
                        });

    const QVariantList records = sorter.sortedIngredientsFromString(
        QStringLiteral("1 cup flour\r\n2 eggs\r3 tbsp oil\n\n-\n1\n\nSalt"));
    QStringList names;
    for (const QVariant& record : records)
        names << record.toMap().value(QStringLiteral("name")).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("flour"), QStringLiteral("eggs"), QStringLiteral("oil"), QStringLiteral("Salt")}));

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
        EXPECT_EQ(record.keys(), (QStringList{QStringLiteral("isGroupTitle"), QStringLiteral("measurement"), QStringLiteral("method"),
                                              QStringLiteral("name"), QStringLiteral("quantity"), QStringLiteral("randomNumber")}));
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
        for (const QString& key : {QStringLiteral("quantity"), QStringLiteral("measurement"), QStringLiteral("name"), QStringLiteral("method")}) {
            const QString value = record.value(key).toString();
            EXPECT_FALSE(value.isNull()) << key.toStdString();
            for (QChar bad : {QChar(u'\t'), QChar(0x00A0), QChar(0x2022), QChar(0x25CF), QChar(u'*')})
                EXPECT_FALSE(value.contains(bad)) << key.toStdString();
        }
    }
}

// The parser written as the plain character-by-character pass, with the cleaning done as
// separate replace-all steps. The real parser takes whole runs at once; both must agree.
QVariantList referenceParse(const QString& input, const IngredientsSorter::MeasurementWords& words) {
    QString text = input;
    text.remove(QChar(0x00A0));
    text.remove(QChar(0x2022));
    text.remove(QChar(0x25CF));
    text.remove(u'*');
    text.replace(u'\t', u' ');
    text.replace(QLatin1String("  "), QLatin1String(" "));
    text.replace(QLatin1String("   "), QLatin1String(" "));
    text.replace(u'\r', u'\n');
    text.replace(QChar(0x2044), u'/');
    QVariantList records;
    for (const QString& line : text.split(u'\n')) {
        if (line.size() < 2)
            continue;
        QString q, m, n, t;
        int phase = 0;
        bool comma = false, open = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            const QChar c1 = i + 1 < line.size() ? line[i + 1] : c;
            const QChar c2 = i + 2 < line.size() ? line[i + 2] : c;
            if (phase == 0) {
                if (IngredientsSorter::isQuantityCharacter(c)) {
                    q += c;
                    continue;
                }
                if (c == u't' && c1 == u'o' && IngredientsSorter::isQuantityCharacter(c2)) {
                    q += QLatin1String("- ");
                    i += 2;
                    continue;
                }
                phase = 1;
            }
            if (phase == 1) {
                if (c == u'(') {
                    phase = 2;
                } else if (c != u' ' && i != line.size() - 1) {
                    m += c;
                    continue;
                } else {
                    if (!words.contains(m)) {
                        n += m;
                        m.clear();
                        if (n.endsWith(u',')) {
                            n.chop(1);
                            comma = true;
                        }
                    }
                    phase = 2;
                }
            }
            if (phase == 2) {
                if (open) {
                    m += c;
                    open = c != u')';
                    continue;
                }
                if ((c == u'(' || (c == u' ' && c1 == u'(')) && n.size() <= 1) {
                    m += c;
                    open = true;
                    continue;
                }
                if (!comma && c != u',') {
                    n += c;
                    continue;
                }
            }
            t += line.mid(i);
            break;
        }
        if (q.size() > 1) {
            if (q.startsWith(u' ')) q.remove(0, 1);
            if (q.endsWith(u' ')) q.chop(1);
        }
        if (n.size() > 2) {
            if (n.startsWith(u' ')) n.remove(0, 1);
            if (n.endsWith(u' ')) n.chop(1);
        }
        if (t.size() > 1) {
            if (t.startsWith(u',')) t.remove(0, 1);
            if (t.startsWith(u' ')) t.remove(0, 1);
        }
        for (int k = 0; k < 10 && n.startsWith(u' '); ++k) n.remove(0, 1);
        for (int k = 0; k < 10 && q.startsWith(u' '); ++k) q.remove(0, 1);
        if (q.size() > 1 && q.endsWith(u'-')) {
            const QString word = q.mid(q.lastIndexOf(u' ') + 1);
            q.remove(word);
            m.prepend(word);
        }
        const bool title = n.size() >= 2 && n.endsWith(u':');
        if (title)
            q.clear(), m.clear(), t.clear();
        records.append(QVariantMap{{QStringLiteral("quantity"), q}, {QStringLiteral("measurement"), m},
                                   {QStringLiteral("name"), n}, {QStringLiteral("method"), t},
                                   {QStringLiteral("isGroupTitle"), title ? QStringLiteral("YES") : QStringLiteral("NO")}});
    }
    return records;
}

TEST(IngredientsSorter, AgreesWithTheCharacterByCharacterPass) {
    const IngredientsSorter sorter;
    const IngredientsSorter::MeasurementWords words = sorter.measurementWords();
    const QStringList pieces = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral(" "), QStringLiteral("  "),
                                QStringLiteral("/"), QStringLiteral("."), QStringLiteral(","), QStringLiteral("-"),
                                QStringLiteral("x"), QStringLiteral("to"), QStringLiteral("t"), QStringLiteral("o"),
                                QStringLiteral("("), QStringLiteral(")"), QStringLiteral(":"), QStringLiteral("cups"),
                                QStringLiteral("cup"), QStringLiteral("g"), QStringLiteral("tsp."), QStringLiteral("large"),
                                QStringLiteral("flour"), QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\t"),
                                QStringLiteral("\u00BD"), QStringLiteral("\u00A0"), QStringLiteral("*"), QStringLiteral("\u2044"),
                                QStringLiteral("\u2022"), QStringLiteral("oz"), QStringLiteral("14-")};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int count = 1 + int(random() % 14);
        for (int k = 0; k < count; ++k)
            text += pieces[random() % pieces.size()];
        QVariantList parsed = sorter.sortedIngredientsFromString(text);
        for (QVariant& record : parsed) {
            QVariantMap map = record.toMap();
            map.remove(QStringLiteral("randomNumber"));
            record = map;
        }
        ASSERT_EQ(parsed, referenceParse(text, words)) << text.toStdString();
    }
}

class SorterWithLibrary : public ::testing::Test {
protected:
    MeasureTestLibrary m_library;
};

TEST_F(SorterWithLibrary, UsesTheLibraryFileAndRules) {
    // Without the library's words, 'pinch' and 'Tbl' are names.
    expectLines(IngredientsSorter(m_library.context(), m_library.path()),
                {{u"1 pinch salt", u"1", u"", u"pinch salt", u""}, {u"1 Tbl oil", u"1", u"", u"Tbl oil", u""}});

    ASSERT_TRUE(writePropertyListFile(QVariantList{QStringLiteral("pinch"), 42, QStringLiteral("dash")},
                                      QDir(m_library.path()).filePath(QStringLiteral("Measurements.plist"))));
    m_library.addRule(QStringLiteral("tablespoon"), true, {QStringLiteral("tablespoon"), QStringLiteral("Tbl")},
                      QStringLiteral("tablespoon"));
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
    expectLines(IngredientsSorter(m_library.context(), m_library.path()),
                {{u"1 pinch salt", u"1", u"", u"pinch salt", u""}, {u"1 Tbl oil", u"1", u"Tbl", u"oil", u""}});
}

} // namespace

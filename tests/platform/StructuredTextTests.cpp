#include "platform/StructuredText.h"

#include <gtest/gtest.h>

#include <QDebug>
#include <QStringList>

#include <ostream>

// Readable failure messages.
static void PrintTo(const QVariant& value, std::ostream* os) {
    QString text;
    QDebug(&text) << value;
    *os << text.toStdString();
}

#include <limits>

namespace {

QVariantMap row(std::initializer_list<std::pair<const char*, QVariant>> entries) {
    QVariantMap m;
    for (const auto& [key, value] : entries)
        m.insert(QString::fromUtf8(key), value);
    return m;
}

std::string show(const QVariant& v) {
    return structuredTextFromValue(QVariantList{v}).toStdString();
}

} // namespace

TEST(StructuredText, WriterOutput) {
    struct Case {
        const char* label;
        QVariant value;
        const char* text;
    };
    const Case cases[] = {
        {"ingredient row",
         QVariantList{row({{"quantity", QStringLiteral("1 1/2")},
                           {"measurement", QStringLiteral("cups")},
                           {"name", QStringLiteral("flour")},
                           {"method", QStringLiteral("sifted")},
                           {"isGroupTitle", false},
                           {"randomNumber", 517}})},
         "({isGroupTitle = 0; measurement = cups; method = sifted; name = flour; quantity = \"1 1/2\"; "
         "randomNumber = 517; })"},
        {"title row and empty row",
         QVariantList{
             row({{"name", QStringLiteral("For the sauce")}, {"isGroupTitle", true}, {"randomNumber", 12}}),
             row({{"randomNumber", qint64(998)}})},
         "({isGroupTitle = 1; name = \"For the sauce\"; randomNumber = 12; }, {randomNumber = 998; })"},
        {"parser texts", QVariantList{row({{"isGroupTitle", QStringLiteral("NO")}, {"method", QString()}})},
         "({isGroupTitle = NO; method = \"\"; })"},
        {"grocery list",
         row({{"recipeArray", QStringList{QStringLiteral("2009-03-14-15-09-26-123-4567")}},
              {"myItems", QVariantList{}}}),
         "{myItems = (); recipeArray = (\"2009-03-14-15-09-26-123-4567\"); }"},
        {"planner day", QVariantList{QVariantList{QStringLiteral("Soup"), QStringLiteral("id-1")}},
         "((Soup, \"id-1\"))"},
        {"empty array", QVariantList{}, "()"},
        {"empty dictionary", QVariantMap{}, "{}"},
        {"escapes", QVariantList{QStringLiteral("say \"hi\"\\\n\t\r\x01\x7f")},
         "(\"say \\\"hi\\\"\\\\\\n\\t\\U000d\\U0001\\U007f\")"},
        {"non-ASCII stays as it is", QVariantList{QStringLiteral("Crème ½")}, "(\"Crème ½\")"},
        {"numbers", QVariantList{-5, 2.5, qulonglong(7), 1e20}, "(\"-5\", \"2.5\", 7, \"1e+20\")"},
        {"data", QVariantList{QByteArray("\x0f\xa1", 2)}, "(<0fa1>)"},
        {"absent values", QVariantList{QVariant(), row({{"gone", QVariant()}, {"kept", 1}})},
         "(\"\", {kept = 1; })"},
        {"a scalar is no structured value", QStringLiteral("flour"), ""},
        {"nothing", QVariant(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(structuredTextFromValue(c.value), QString::fromUtf8(c.text));
    }
}

TEST(StructuredText, AwkwardStringsRoundTrip) {
    const QString strings[] = {
        QString(),
        QStringLiteral(" "),
        QStringLiteral("plain"),
        QStringLiteral("two words"),
        QStringLiteral("\"'\\"),
        QStringLiteral("\\U0041 \\101 \\n"),
        QStringLiteral("/* not a comment */ // nor this"),
        QStringLiteral("//"),
        QStringLiteral("/"),
        QStringLiteral("()[]{}<>;=,"),
        QStringLiteral("\n\r\t\v\f\a\b"),
        QString(QChar(0)) + QStringLiteral("after NUL"),
        QStringLiteral("1/2"),
        QStringLiteral("-1"),
        QStringLiteral("_$+/:.-"),
        QStringLiteral("http://example.com/a?b=c&d"),
        QStringLiteral("日本語のレシピ"),
        QStringLiteral("🍰 cake"),
        QString(QChar(0xD83C)) + QStringLiteral(" lone surrogate"),
        QString(QChar(0xFEFF)) + QChar(0x2028) + QChar(0x85) + QChar(0xA0),
        QStringLiteral("½ ¾ ⅓"),
        QStringLiteral("YES"),
    };
    for (const QString& s : strings) {
        SCOPED_TRACE(show(s));
        const QVariant array = QVariantList{s, QVariantList{s}};
        EXPECT_EQ(valueFromStructuredText(structuredTextFromValue(array)), array);
        const QVariant dict = row({{"k", s}});
        EXPECT_EQ(valueFromStructuredText(structuredTextFromValue(dict)), dict);
        QVariantMap keyed;
        keyed.insert(s, s);
        EXPECT_EQ(valueFromStructuredText(structuredTextFromValue(keyed)), QVariant(keyed));
    }
}

TEST(StructuredText, ReadsTextsAsTheOriginalWriterProducedThem) {
    const QVariantMap flour = row({{"isGroupTitle", QStringLiteral("NO")},
                                   {"measurement", QStringLiteral("cups")},
                                   {"method", QString()},
                                   {"name", QStringLiteral("flour")},
                                   {"quantity", QStringLiteral("1 1/2")},
                                   {"randomNumber", QStringLiteral("517")}});
    const QVariantMap title = row({{"isGroupTitle", QStringLiteral("YES")},
                                   {"name", QStringLiteral("For the sauce")},
                                   {"randomNumber", QStringLiteral("12")}});
    struct Case {
        const char* label;
        const char* text;
        QVariant value;
    };
    const Case cases[] = {
        {"description layout",
         "(\n    {\n        isGroupTitle = NO;\n        measurement = cups;\n        method = \"\";\n"
         "        name = flour;\n        quantity = \"1 1/2\";\n        randomNumber = 517;\n    },\n"
         "    {\n        isGroupTitle = YES;\n        name = \"For the sauce\";\n        randomNumber = 12;\n"
         "    }\n)",
         QVariantList{flour, title}},
        {"grocery dictionary",
         "{\n    recipeArray = (\n        \"2009-03-14-15-09-26-123-4567\",\n        abc\n    );\n}",
         row({{"recipeArray",
               QVariantList{QStringLiteral("2009-03-14-15-09-26-123-4567"), QStringLiteral("abc")}}})},
        {"octal escapes as Latin-1", "(\"Cr\\350me br\\373l\\351e\", \"\\101\\0\\400\")",
         QVariantList{QStringLiteral("Crème brûlée"),
                      QString(QStringLiteral("A") + QChar(0) + QStringLiteral(" 0"))}},
        {"unicode escapes and surrogate pairs", "(\"caf\\U00e9 \\Ud83c\\Udf70\", \"\\U41\")",
         QVariantList{QStringLiteral("café 🍰"), QStringLiteral("A")}},
        {"named escapes", "(\"\\a\\b\\f\\v\\r\\n\\t\\\\\\\"\\'\\q\")",
         QVariantList{QStringLiteral("\a\b\f\v\r\n\t\\\"'q")}},
        {"single quotes", "('it\\'s', 'say \"x\"')",
         QVariantList{QStringLiteral("it's"), QStringLiteral("say \"x\"")}},
        {"bare word characters", "(1/2, a_b$c+d:e.f-g, http://x.y/z)",
         QVariantList{QStringLiteral("1/2"), QStringLiteral("a_b$c+d:e.f-g"),
                      QStringLiteral("http://x.y/z")}},
        {"comments", "/* head */ ( a /* inner */ , // line\n b ) // tail",
         QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
        {"hex data", "(<0fA1 ff\n00>, <>)", QVariantList{QByteArray("\x0f\xa1\xff\x00", 4), QByteArray()}},
        {"trailing comma", "(a, b, )", QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
        {"last semicolon missing", "{a = 1; b = 2}",
         row({{"a", QStringLiteral("1")}, {"b", QStringLiteral("2")}})},
        {"quoted keys and duplicates", "{\"a b\" = x; a = 1; a = 2;}",
         row({{"a b", QStringLiteral("x")}, {"a", QStringLiteral("2")}})},
        {"empty containers", "{ a = (); b = {}; }", row({{"a", QVariantList{}}, {"b", QVariantMap{}}})},
        {"whitespace everywhere", " \t\r\n{\ra\n=\tb\n;\n}\n ", row({{"a", QStringLiteral("b")}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(valueFromStructuredText(QString::fromUtf8(c.text)), c.value);
    }
}

TEST(StructuredText, IngredientListComesBackAsText) {
    const QVariantList rows{
        row({{"quantity", QStringLiteral("2")},
             {"name", QStringLiteral("eggs")},
             {"isGroupTitle", false},
             {"randomNumber", 0}}),
        row({{"name", QStringLiteral("Glaze")}, {"isGroupTitle", true}, {"randomNumber", 998}}),
    };
    const QVariantList back = valueFromStructuredText(structuredTextFromValue(rows)).toList();
    ASSERT_EQ(back.size(), 2);
    const QVariantMap eggs = back[0].toMap();
    const QVariantMap glaze = back[1].toMap();
    EXPECT_EQ(eggs.value(QStringLiteral("randomNumber")), QVariant(QStringLiteral("0")));
    EXPECT_EQ(eggs.value(QStringLiteral("isGroupTitle")), QVariant(QStringLiteral("0")));
    EXPECT_EQ(glaze.value(QStringLiteral("isGroupTitle")), QVariant(QStringLiteral("1")));
    EXPECT_EQ(glaze.value(QStringLiteral("randomNumber")), QVariant(QStringLiteral("998")));
    EXPECT_FALSE(structuredBoolValue(eggs.value(QStringLiteral("isGroupTitle"))));
    EXPECT_TRUE(structuredBoolValue(glaze.value(QStringLiteral("isGroupTitle"))));
    EXPECT_EQ(structuredIntegerValue(glaze.value(QStringLiteral("randomNumber"))), 998);
    EXPECT_FALSE(structuredBoolValue(glaze.value(QStringLiteral("method")))); // a missing key
}

TEST(StructuredText, UnreadableTextsReadAsNoValue) {
    const char* texts[] = {
        "",
        "   ",
        "// only a comment",
        "flour",
        "\"quoted\"",
        "<00>",
        "(",
        "(a",
        "(a b)",
        "(a,,b)",
        "(,)",
        "{a = b",
        "{a b;}",
        "{a = ;}",
        "{= b;}",
        "{a = b;;}",
        "{(a) = b;}",
        "(\"unterminated)",
        "(\"ends in escape\\",
        "(/* unterminated",
        "(a) trailing",
        "(a) (b)",
        "(<0>)",
        "(<zz>)",
        "(<00)",
        ")",
        "}",
        "(a;)",
        "{a = b,}",
        "(#)",
        "(é)",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(valueFromStructuredText(QString::fromUtf8(text)).isValid());
    }
    EXPECT_FALSE(valueFromStructuredText(QString()).isValid());
}

TEST(StructuredText, NestingDepthIsLimited) {
    const auto nested = [](int depth) -> QString {
        return QString(depth, QLatin1Char('(')) + QStringLiteral("x") + QString(depth, QLatin1Char(')'));
    };
    EXPECT_TRUE(valueFromStructuredText(nested(100)).isValid());
    EXPECT_FALSE(valueFromStructuredText(nested(100000)).isValid());
    QVariant deep = QVariantList{QStringLiteral("x")};
    for (int i = 0; i < 100; ++i)
        deep = QVariantList{deep};
    EXPECT_EQ(valueFromStructuredText(structuredTextFromValue(deep)), deep);
}

TEST(StructuredText, BoolAndIntegerReadingRules) {
    struct Case {
        QVariant value;
        bool boolValue;
        qint64 integerValue;
    };
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    const Case cases[] = {
        {QStringLiteral("YES"), true, 0},
        {QStringLiteral("yes"), true, 0},
        {QStringLiteral("true"), true, 0},
        {QStringLiteral("T"), true, 0},
        {QStringLiteral(" Y"), true, 0},
        {QStringLiteral("NO"), false, 0},
        {QStringLiteral("false"), false, 0},
        {QStringLiteral("1"), true, 1},
        {QStringLiteral("0"), false, 0},
        {QStringLiteral("2"), true, 2},
        {QStringLiteral("-1"), true, -1},
        {QStringLiteral("+3"), true, 3},
        {QStringLiteral("0.5"), true, 0},
        {QStringLiteral("0.0"), false, 0},
        {QStringLiteral("  42 eggs"), true, 42},
        {QStringLiteral("12.9"), true, 12},
        {QStringLiteral("007"), true, 7},
        {QStringLiteral("99999999999999999999"), true, max},
        {QStringLiteral("-99999999999999999999"), true, min},
        {QStringLiteral("abc"), false, 0},
        {QStringLiteral("- 5"), false, 0},
        {QString(), false, 0},
        {QVariant(), false, 0},
        {true, true, 1},
        {false, false, 0},
        {0, false, 0},
        {5, true, 5},
        {qint64(-9), true, -9},
        {0.0, false, 0},
        {2.7, true, 2},
        {qulonglong(18446744073709551615ull), true, max},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString());
        EXPECT_EQ(structuredBoolValue(c.value), c.boolValue);
        EXPECT_EQ(structuredIntegerValue(c.value), c.integerValue);
    }
}

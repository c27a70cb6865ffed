// The web importer's rules without its window: typed addresses and searches, the eleven
// fields' text rules, the import bar's states and the recipe a manual import makes.
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "import/WebImporterRules.h"
#include "library/IngredientRecords.h"
#include "library/RecipesManagedObject.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace webimport;

TEST(WebImporterAddressTest, TypedTextGetsTheWebSchemeUnlessItHasOne) {
    const struct {
        const char* typed;
        const char* loaded;
    } cases[] = {
        {"example.org/tart", "http://example.org/tart"},
        {"FILE:///tmp/a.html", "FILE:///tmp/a.html"},
        {"HTTP://Example.org", "HTTP://Example.org"},
        {"https://example.org", "https://example.org"},
        {"http:/", "http://http:/"}, // shorter than seven characters
        {"  example.org  ", "http://example.org"},
        {"ftp://example.org", "http://ftp://example.org"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addressFromTypedText(QString::fromUtf8(c.typed)), QString::fromUtf8(c.loaded)) << c.typed;
}

TEST(WebImporterAddressTest, SearchesJoinWordsWithPlusAndEscapeTheRest) {
    const QUrl url = searchAddress(QStringLiteral("apple pie & cream+"));
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_EQ(url.query(QUrl::FullyEncoded), QStringLiteral("q=apple+pie+%26+cream%2B"));
    EXPECT_EQ(normalisedAddress(QStringLiteral("http://a/?x=1&amp;y=2&amp;z")),
              QStringLiteral("http://a/?x=1&y=2&z"));
}

TEST(WebImporterFieldsTest, SelectionsFollowTheirFieldsRules) {
    const struct {
        int tag;
        QStringList selections;
        bool capitalize;
        const char* collected;
    } cases[] = {
        {DirectionsField, {QStringLiteral("Mix."), QStringLiteral("Bake.")}, false, "Mix.Bake."},
        {DirectionsField, {QStringLiteral("Mix.\nBake.")}, false, "Mix.\n\nBake."},
        {NameField, {QStringLiteral("CHOCOLATE cake")}, true, "Chocolate Cake"},
        {NameField, {QStringLiteral("CHOCOLATE cake")}, false, "CHOCOLATE cake"},
        {NotesField, {QStringLiteral("pboardString"), QString()}, false, ""},
        {YieldField, {QStringLiteral("4\n"), QStringLiteral("servings")}, true, "4\nservings"},
    };
    for (const auto& c : cases) {
        WebImportAccumulators texts;
        for (const QString& selection : c.selections)
            texts.append(c.tag, selection, c.capitalize);
        EXPECT_EQ(texts.text(c.tag), QString::fromUtf8(c.collected)) << c.tag << " " << c.collected;
    }
    WebImportAccumulators texts;
    EXPECT_FALSE(texts.append(0, QStringLiteral("x"), false));
    EXPECT_FALSE(texts.append(12, QStringLiteral("x"), false));
}

TEST(WebImporterFieldsTest, ElevenFieldsWithDistinctKeysInMenuOrder) {
    QSet<char> keys;
    for (int tag = 1; tag <= kFieldCount; ++tag) {
        ASSERT_TRUE(fieldForTag(tag));
        EXPECT_EQ(fieldForTag(tag)->tag, tag);
        keys.insert(fieldForTag(tag)->key);
    }
    EXPECT_EQ(keys.size(), kFieldCount);
    EXPECT_FALSE(fieldForTag(0));
    EXPECT_FALSE(fieldForTag(kFieldCount + 1));
}

TEST(WebImporterBarTest, RaisesCollapseOnlyWhenTheImporterRaisesARaisedBar) {
    using State = ImportBar::State;
    const struct {
        std::vector<int> steps; // 0 lower, 1 raise by an extractor, 2 raise by the importer
        State state;
    } cases[] = {
        {{}, State::Lowered},       {{1}, State::Raised},         {{1, 1}, State::Raised},
        {{2}, State::Raised},       {{2, 2}, State::FullyRaised}, {{1, 2}, State::FullyRaised},
        {{2, 2, 1}, State::Raised}, {{2, 2, 0}, State::Lowered},
    };
    for (const auto& c : cases) {
        ImportBar bar;
        for (int step : c.steps)
            step == 0 ? bar.lower() : bar.raise(step == 2);
        EXPECT_EQ(bar.state(), c.state) << c.steps.size();
    }
}

class ManualImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library =
            std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("M.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
};

TEST_F(ManualImportTest, TheCollectedTextsMakeANewUnsavedRecipe) {
    WebImportAccumulators texts;
    texts.append(NameField, QStringLiteral("Lemon Tart"), false);
    texts.append(IngredientsField, QStringLiteral("Salt, to taste\n3 lemons"), false);
    texts.append(DirectionsField, QStringLiteral("Mix <gently>.\nBake."), false);
    texts.append(YieldField, QStringLiteral("8 slices"), false);
    ManualImport import;
    import.texts = &texts;
    import.keywords = {QStringLiteral("Baking"), QStringLiteral("Lemon")};
    import.importedFromURL = QStringLiteral("http://example.org/tart");
    RecipesManagedObject* recipe = makeManualRecipe(import, *m_library->session());
    ASSERT_TRUE(recipe);
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("isNewRecipe")).toBool());
    EXPECT_EQ(recipe->stringValue(QStringLiteral("name")), QStringLiteral("Lemon Tart"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("yield")), QStringLiteral("8 slices"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("Baking,Lemon"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("importedFromURL")),
              QStringLiteral("http://example.org/tart"));
    // The "<" the user selected is a character of the directions, not markup.
    EXPECT_TRUE(recipe->stringValue(QStringLiteral("directions")).contains(QStringLiteral("&lt;gently&gt;")));
    const QVariantList rows = IngredientRecords::ingredientsOfRecipe(recipe);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).toMap().value(QStringLiteral("name")).toString(), QStringLiteral("Salt"));
    EXPECT_EQ(rows.at(0).toMap().value(QStringLiteral("method")).toString().trimmed(),
              QStringLiteral("to taste"));
    EXPECT_EQ(rows.at(1).toMap().value(QStringLiteral("quantity")).toString().trimmed(), QStringLiteral("3"));
    // Nothing is written until the editor saves.
    EXPECT_TRUE(m_library->context()->hasChanges());
}

TEST_F(ManualImportTest, TextFromTheTextViewHasNoAddress) {
    WebImportAccumulators texts;
    ManualImport import;
    import.texts = &texts;
    RecipesManagedObject* recipe = makeManualRecipe(import, *m_library->session());
    ASSERT_TRUE(recipe);
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("importedFromURL")).isNull());
}

// The recipe page: template filling, theme lookup, Display.htm, delayed renders, the new
// mark, and recipe texts from other people that must not run or fetch anything.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"
#include "library/GroupsCounterUpdater.h"
#include "library/IngredientRecords.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/HtmlFragmentSanitizer.h"
#include "present/RecipeDisplayController.h"
#include "present/RecipeWebView.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class RecordingWebView final : public RecipeWebView {
public:
    QStringList strings;
    QList<QUrl> files;
    QList<double> multipliers;
    int height = 600;
    void loadHTMLString(const QString& html) override { strings.append(html); }
    void loadFileURL(const QUrl& url, bool ignoreCache) override {
        EXPECT_TRUE(ignoreCache);
        files.append(url);
    }
    void reload() override {}
    void setTextSizeMultiplier(double multiplier) override { multipliers.append(multiplier); }
    int containerHeight() const override { return height; }
};

QVariantMap ingredient(const QString& quantity, const QString& measurement, const QString& name,
                       const QString& method = {}, bool groupTitle = false) {
    QVariantMap row = IngredientRecords::newIngredientRecord();
    if (!quantity.isNull())
        row.insert(QStringLiteral("quantity"), quantity);
    if (!measurement.isNull())
        row.insert(QStringLiteral("measurement"), measurement);
    row.insert(QStringLiteral("name"), name);
    if (!method.isNull())
        row.insert(QStringLiteral("method"), method);
    if (groupTitle)
        row.insert(QStringLiteral("isGroupTitle"), QStringLiteral("YES"));
    return row;
}

class RecipePageTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    ObjectContext* m_context = nullptr;
    RecipesArrayController* m_list = nullptr;
    RecordingWebView m_view;
    std::unique_ptr<RecipeDisplayController> m_controller;
    QString m_support = m_dir.filePath(QStringLiteral("Support"));
    QString m_template;

    void SetUp() override {
        m_library = std::make_unique<testsupport::TestSession>(
            m_dir.filePath(QStringLiteral("Page Test.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
        m_context = m_library->context();
        m_list = &m_library->recipes();
        m_controller = std::make_unique<RecipeDisplayController>(
            m_library->session(), &m_view, nullptr, testsupport::testDataPath(QStringLiteral("present")),
            m_support);
        UserDefaults::setObjectForKey(QStringLiteral("Fixture"), QStringLiteral("selectedTheme"));
        UserDefaults::setObjectForKey(false, QStringLiteral("enableAlternateTheme"));
        UserDefaults::setObjectForKey(true, QStringLiteral("displaySingleCharacterFractions"));
        UserDefaults::setObjectForKey(false, QStringLiteral("capitalizeRecipeAndIngredientTitles"));
        m_template = *RecipeDisplayController::readTextFile(
            testsupport::testDataPath(QStringLiteral("present/Themes/Fixture/Recipe View/Template.html")));
    }
    void TearDown() override { Scheduler::instance().setAutomaticTime(); }

    // Counts of the sidebar asked for again (after a recipe's new mark was cleared).
    int counterRuns() const { return m_library->session()->counterUpdater().runsStarted(); }

    RecipesManagedObject* recipe(const QString& name, const QVariantMap& values = {}) {
        return testsupport::insertRecipe(m_context, name, values);
    }
    QString fill(const ManagedObject* record, RenderSettings settings = {}) {
        return RecipeDisplayController::filledPage(record, m_template, QStringLiteral("/themes/My Theme/"),
                                                   500, settings);
    }
    void select(ManagedObject* record) {
        m_list->rearrangeObjects();
        m_list->setSelectedObjects({record});
    }
    QString displayFile() {
        QFile file(m_controller->displayFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    }
};

TEST_F(RecipePageTest, EmptyRecipeHidesEverySectionAndFillsBaseAndHeight) {
    const QString page = fill(recipe(QString()));
    EXPECT_EQ(page.count(QStringLiteral("display: none;")), 9);
    EXPECT_FALSE(page.contains(QStringLiteral("_hide*/")));
    EXPECT_TRUE(page.contains(QStringLiteral("href=\"/themes/My%20Theme/style.css\"")));
    EXPECT_TRUE(page.contains(QStringLiteral("min-height: 460px")));

    // Out-of-range ratings and difficulties show nothing; the metrics section stays hidden.
    for (const auto& [rating, difficulty] : {std::pair{6, 0}, std::pair{-1, 4}, std::pair{0, 4}}) {
        const QString other = fill(recipe(QStringLiteral("R"), {{QStringLiteral("rating"), rating},
                                                                {QStringLiteral("difficulty"), difficulty}}));
        EXPECT_TRUE(other.contains(QStringLiteral("#rating { display: none; }"))) << rating;
        EXPECT_TRUE(other.contains(QStringLiteral("#extrainfo { display: none; }"))) << difficulty;
        EXPECT_FALSE(other.contains(QStringLiteral("Difficulty"))) << difficulty;
    }
}

TEST_F(RecipePageTest, FullRecipeFillsSectionsIngredientsMetricsAndImages) {
    RecipesManagedObject* r =
        recipe(QStringLiteral("Pancakes"),
               {{QStringLiteral("directions"), QStringLiteral("Mix\n\nStir\nServe 11/2 [2]")},
                {QStringLiteral("notes"), QStringLiteral("Good\n\ncold")},
                {QStringLiteral("rating"), 3},
                {QStringLiteral("difficulty"), 2},
                {QStringLiteral("yield"), QStringLiteral("4")},
                {QStringLiteral("keywords"), QStringLiteral("breakfast,sweet")}});
    IngredientRecords::setIngredientsOfRecipe(
        r, {ingredient({}, {}, QStringLiteral("the batter"), {}, true),
            ingredient(QStringLiteral("1 1/2"), {}, QStringLiteral("plain FLOUR"), QStringLiteral("sifted")),
            ingredient(QStringLiteral("(null)"), QStringLiteral("cup"), QStringLiteral("milk"))});
    ASSERT_TRUE(r->saveImage(QByteArray("jpeg"), 1));

    RenderSettings settings;
    settings.capitalizeRecipeAndIngredientTitles = true;
    const QString page = fill(r, settings);
    EXPECT_TRUE(page.contains(QStringLiteral("<h1 id=\"title\">Pancakes</h1>")));
    EXPECT_TRUE(page.contains(
        QStringLiteral("Mix<br><br>Stir\nServe 1½ <img src=\"%1\">").arg(r->imagePathAtIndex(2))));
    EXPECT_TRUE(page.contains(QStringLiteral("Good<br><br>cold")));
    EXPECT_TRUE(page.contains(QStringLiteral(
        "<ingredient_group>The Batter</ingredient_group><br>"
        "<ingredient_quantity>1 ½</ingredient_quantity> <ingredient_measurement></ingredient_measurement> "
        "<ingredient_name>Plain Flour</ingredient_name>, <ingredient_method>sifted</ingredient_method><br>"
        "<ingredient_quantity></ingredient_quantity> <ingredient_measurement>cup</ingredient_measurement> "
        "<ingredient_name>Milk</ingredient_name><br>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<div id=\"rating\">★★★</div>")));
    EXPECT_TRUE(page.contains(
        QStringLiteral("<div id=\"picture\"><img src=\"%1\"></div>").arg(r->imagePathAtIndex(1))));
    EXPECT_TRUE(
        page.contains(QStringLiteral("<metric>Difficulty:</metric> Medium<br><metric>Yield:</metric> 4<br>"
                                     "<metric>Keywords: </metric>breakfast, sweet<br>")));
    EXPECT_TRUE(page.contains(QStringLiteral("#notes { /*notes_hide*/ }")));
    EXPECT_TRUE(page.contains(QStringLiteral("#description { display: none; }")));

    settings.displaySingleCharacterFractions = false;
    EXPECT_TRUE(fill(r, settings).contains(QStringLiteral("Serve 11/2")));
}

TEST_F(RecipePageTest, AttributionLinksTheImportAddressOrShowsItsHost) {
    const QString url = QStringLiteral("https://WWW.Example.com/a/b?x=1&y=2");
    EXPECT_TRUE(fill(recipe(QStringLiteral("A"), {{QStringLiteral("attribution"), QStringLiteral("Gran")},
                                                  {QStringLiteral("importedFromURL"), url}}))
                    .contains(QStringLiteral(
                        "<metric>Attribution:</metric> <a href=\"https://WWW.Example.com/a/b?x=1&amp;y=2\" "
                        "target=\"_blank\">Gran</a><br><")));
    const QString imported = fill(recipe(QStringLiteral("B"), {{QStringLiteral("importedFromURL"), url}}));
    EXPECT_TRUE(imported.contains(QStringLiteral("target=\"_blank\">www.example.com</a>")));
    EXPECT_FALSE(imported.contains(QStringLiteral("Attribution")));
    EXPECT_TRUE(fill(recipe(QStringLiteral("C"), {{QStringLiteral("attribution"), QStringLiteral("Gran")}}))
                    .contains(QStringLiteral("<metric>Attribution:</metric> Gran<br>")));
    // A script address is never made a link.
    const QString script = fill(recipe(
        QStringLiteral("D"), {{QStringLiteral("attribution"), QStringLiteral("Gran")},
                              {QStringLiteral("importedFromURL"), QStringLiteral(" JavaScript:alert(1)")}}));
    EXPECT_FALSE(script.contains(QStringLiteral("alert")));
    EXPECT_TRUE(script.contains(QStringLiteral("<metric>Attribution:</metric> Gran<br>")));
}

TEST_F(RecipePageTest, TextsFromOthersShowTheirTextButRunAndFetchNothing) {
    const QString hostile =
        QStringLiteral("<script>alert(1)</script><iframe src=\"https://evil.test/\"></iframe>"
                       "<img src=x onerror=alert(2)><img src=\"http://evil.test/t.png\"><!--notes-->");
    RecipesManagedObject* r =
        recipe(hostile, {{QStringLiteral("notes"), hostile},
                         {QStringLiteral("recipeDescription"), hostile},
                         {QStringLiteral("yield"), hostile},
                         {QStringLiteral("directions"), QString(hostile + QStringLiteral("<b>ok</b>"))}});
    IngredientRecords::setIngredientsOfRecipe(r, {ingredient(hostile, hostile, hostile, hostile)});
    const QString page = fill(r);
    EXPECT_FALSE(page.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
    EXPECT_FALSE(page.contains(QStringLiteral("<iframe"), Qt::CaseInsensitive));
    EXPECT_FALSE(page.contains(QStringLiteral("evil.test/t.png\"")));
    EXPECT_FALSE(page.contains(QStringLiteral("<img src=x")));
    EXPECT_TRUE(page.contains(QStringLiteral(
        "&lt;script&gt;alert(1)&lt;/script&gt;&lt;iframe src=&quot;https://evil.test/&quot;")));
    // Directions keep harmless markup and lose the rest.
    EXPECT_TRUE(page.contains(QStringLiteral("<h2>Directions:</h2><img src=\"x\"><img><b>ok</b></div>")));
}

TEST(HtmlFragmentSanitizerTest, KeepsHarmlessMarkupAndRemovesWhatRunsOrFetches) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"<p class=a>1 < 2 & 3</p>", "<p class=\"a\">1 &lt; 2 & 3</p>"},
        {"<a href=\"https://example.com/\" onclick='x()'>link</a>",
         "<a href=\"https://example.com/\">link</a>"},
        {"<a href=\"jav&#x61;script:alert(1)\">x</a><a href=' java\tscript:y'>z</a>", "<a>x</a><a>z</a>"},
        {"<IMG SRC=\"//evil.test/a.png\" alt=\"a > b\"/>", "<img alt=\"a &gt; b\"/>"},
        {"<img src=\"data:image/png;base64,AA\"><img src=\"data:text/html,x\">",
         "<img src=\"data:image/png;base64,AA\"><img>"},
        {"a<style>body{}</style>b<SCRIPT type=x>1</script >c<object data=x>d</object>", "abcd"},
        {"<div style=\"background:url(http://evil.test)\" title=t>x</div><i style='b:\\75 rl(//e)'>",
         "<div title=\"t\">x</div><i>"},
        {"<p style=\"color: red\">r</p>", "<p style=\"color: red\">r</p>"},
        {"<base href=\"http://evil.test/\"><meta http-equiv=refresh content=0>x", "x"},
        {"x<!-- hidden", "x"},
        {"<b title=\"unclosed>x", "&lt;b title=\"unclosed>x"},
        {"<svg><script>1</script></svg>y", "y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlFragmentSanitizer::sanitizeFragment(QString::fromUtf8(c.in)), QString::fromUtf8(c.out))
            << c.in;
}

TEST_F(RecipePageTest, RenderWritesDisplayFileFromTheRightRootAndMode) {
    RecipesManagedObject* r = recipe(QStringLiteral("Soup"));
    select(r);
    // The same theme under "Theme Development": the resources copy wins.
    const QString development = m_support + QStringLiteral("/Theme Development/Fixture/Recipe View");
    ASSERT_TRUE(QDir().mkpath(development));
    QFile::copy(testsupport::testDataPath(QStringLiteral("present/Themes/Fixture/Recipe View/Template.html")),
                development + QStringLiteral("/Template.html"));
    m_view.height = 300;
    m_controller->loadRecipeInWebView();
    ASSERT_EQ(m_view.files, QList<QUrl>{QUrl::fromLocalFile(m_controller->displayFilePath())});
    QString page = displayFile();
    EXPECT_TRUE(page.contains(QStringLiteral("min-height: 260px")));
    EXPECT_TRUE(page.contains(testsupport::testDataPath(QStringLiteral("present/Themes/Fixture/style.css"))));

    // A theme only under "Theme Development" is taken from there.
    QDir().rename(m_support + QStringLiteral("/Theme Development/Fixture"),
                  m_support + QStringLiteral("/Theme Development/Mine"));
    UserDefaults::setObjectForKey(QStringLiteral("Mine"), QStringLiteral("selectedTheme"));
    m_controller->loadRecipeInWebView();
    // Spaces in the base path are written as "%20".
    EXPECT_TRUE(displayFile().contains(m_support + QStringLiteral("/Theme%20Development/Mine/style.css")));

    UserDefaults::setObjectForKey(QStringLiteral("Fixture"), QStringLiteral("selectedTheme"));
    m_controller->switchToFullScreenMode();
    EXPECT_TRUE(displayFile().contains(QStringLiteral("class=\"full-screen\"")));
    m_controller->switchToMainWindowMode();
    EXPECT_TRUE(displayFile().contains(QStringLiteral("class=\"recipe-view\"")));
    EXPECT_EQ(m_view.multipliers, QList<double>{1.0});
    EXPECT_TRUE(m_alerts.asked.isEmpty());
}

TEST_F(RecipePageTest, MissingTemplateAlertsAndNoSelectionShowsStaticPage) {
    m_controller->loadRecipeInWebView();
    ASSERT_EQ(m_view.strings.size(), 1);
    EXPECT_TRUE(m_view.strings.first().contains(QStringLiteral("<p class=\"empty\">Empty Selection</p>")));

    select(recipe(QStringLiteral("Soup")));
    UserDefaults::setObjectForKey(true, QStringLiteral("enableAlternateTheme"));
    m_controller->loadRecipeInWebView();
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(
        m_alerts.asked.first().messageText,
        QStringLiteral("The theme you have selected is not compatible with this version of Larkspoon!."));
    EXPECT_EQ(m_alerts.asked.first().informativeText,
              QStringLiteral("Select a default theme or ask the creator of the theme to update it."));
    EXPECT_EQ(m_alerts.asked.first().buttonTitles, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(m_view.files.isEmpty());
    EXPECT_FALSE(QFile::exists(m_controller->displayFilePath()));
}

TEST_F(RecipePageTest, BurstOfResizesRendersOnceAndNewMarkFollowsListPosition) {
    RecipesManagedObject* first = recipe(QStringLiteral("Apple"), {{QStringLiteral("isMarkedAsNew"), 1}});
    RecipesManagedObject* second = recipe(QStringLiteral("Banana"), {{QStringLiteral("isMarkedAsNew"), 1}});
    select(first);
    m_controller->delayedInitalize();
    ASSERT_EQ(m_view.files.size(), 1);
    EXPECT_TRUE(first->valueForKey(QStringLiteral("isMarkedAsNew")).toBool());
    EXPECT_EQ(counterRuns(), 0);

    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    for (int i = 0; i < 5; ++i) {
        m_controller->fireLoadRecipeInWebView();
        Scheduler::instance().advance(0.015);
    }
    EXPECT_EQ(m_view.files.size(), 1);
    Scheduler::instance().advance(0.1);
    EXPECT_EQ(m_view.files.size(), 2);
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(m_view.files.size(), 2);

    // A selection change renders at once and clears the mark of a recipe not first.
    m_controller->fireLoadRecipeInWebView();
    m_list->setSelectedObjects({second});
    EXPECT_EQ(m_view.files.size(), 3);
    EXPECT_TRUE(second->valueForKey(QStringLiteral("isMarkedAsNew")).isNull());
    EXPECT_EQ(counterRuns(), 1);
    Scheduler::instance().advance(1.0);
    EXPECT_EQ(m_view.files.size(), 3);
}

} // namespace

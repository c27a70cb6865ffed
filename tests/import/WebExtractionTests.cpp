// The site extractors and the schema.org reader over saved pages: what each takes from a
// page, which pages they refuse, and the text rules they cut with.
#include "common/TestSupport.h"
#include "import/AutoImporterSuperClass.h"
#include "import/SchemaOrgImporter.h"
#include "import/WebPageText.h"
#include "import/WebRecipeExtraction.h"
#include "platform/TextFolding.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>

using namespace webimport;

namespace {

QByteArray fixture(const QString& name) {
    QFile file(testsupport::testDataPath(QStringLiteral("import/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString field(const std::optional<ExtractedRecipe>& found, const char* key) {
    return found ? found->fields.value(QString::fromLatin1(key)).toString() : QStringLiteral("<no recipe>");
}

TEST(WebPageText, CutsBetweenMarkers) {
    const QString page = QStringLiteral("<TITLE>Lemon Tart RECIPE</title><p>a</p><div><P>b</p>");
    struct Case {
        QStringList after;
        QString upTo, from;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {{QStringLiteral("<title>")}, QStringLiteral("recipe"), {}, QStringLiteral("Lemon Tart ")},
        {{QStringLiteral("<div>")}, QStringLiteral("</p>"), QStringLiteral("<p>"), QStringLiteral("<P>b")},
        {{QStringLiteral("</title>"), QStringLiteral("<div>")},
         QStringLiteral("</p>"),
         {},
         QStringLiteral("<P>b")},
        {{QStringLiteral("<h1>")}, QStringLiteral("</p>"), {}, std::nullopt},
        {{QStringLiteral("<div>")}, QStringLiteral("</ol>"), {}, std::nullopt},
        {{QStringLiteral("<div>")}, QStringLiteral("</p>"), QStringLiteral("<ul>"), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cut(page, c.after, c.upTo, c.from), c.expected)
            << c.after.join(QLatin1Char('|')).toStdString();
}

TEST(WebPageText, HtmlBecomesPlainText) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("<p>Mix  the\n flour.</p><p>Bake.</p>"), QStringLiteral("Mix the flour.\nBake.")},
        {QStringLiteral("<ul><li>1 egg</li><li>2&nbsp;cups</li></ul>"),
         QString::fromUtf8("1 egg\n2\u00a0cups")},
        {QStringLiteral("a<br>b<br/><br>c"), QStringLiteral("a\nb\n\nc")},
        {QStringLiteral("Fish &amp; chips &frac12; &#233;&#x20AC; &bogus; a < b"),
         QString::fromUtf8("Fish & chips \u00bd \u00e9\u20ac &bogus; a < b")},
        {QStringLiteral("x<script>alert('<p>')</script><iframe src=a>frame</iframe><!-- note -->y"),
         QStringLiteral("xy")},
        {QStringLiteral("<a href=\"x>y\">link</a> <style>p{}</style>text"), QStringLiteral("link text")},
        {QStringLiteral("before<b unclosed"), QStringLiteral("before")},
        {QStringLiteral("<script>never closed <p>hidden"), QString()},
    };
    for (const auto& [html, text] : cases)
        EXPECT_EQ(htmlToText(html), text) << html.toStdString();
}

TEST(WebPageText, CleaningRules) {
    EXPECT_EQ(lineClean(QStringLiteral("a\r\n\tb")), QStringLiteral("ab"));
    EXPECT_EQ(labelClean(QStringLiteral("Yield:\t4")), QStringLiteral("Yield4"));
    EXPECT_EQ(capitalizedWords(QStringLiteral("CHOCOLATE cake  o'brien")),
              QStringLiteral("Chocolate Cake  O'brien"));
    EXPECT_EQ(reduceBlankLines(paragraphs(QStringLiteral("a\n\nb\nc"))), QStringLiteral("a\n\nb\n\nc"));
}

TEST(WebPageText, PageEncodings) {
    const QByteArray latin = QByteArray("Cr\xe8me");
    EXPECT_EQ(decodePage(latin, PageEncoding::Latin1), QString::fromUtf8("Crème"));
    EXPECT_EQ(decodePage(latin, PageEncoding::Ascii), std::nullopt);
    EXPECT_EQ(decodePage(QByteArray("<meta charset=\"iso-8859-1\">\xe8"), PageEncoding::Detected),
              QString::fromUtf8("<meta charset=\"iso-8859-1\">è"));
    EXPECT_EQ(decodePage(QByteArray("Cr\xc3\xa8me"), PageEncoding::Detected), QString::fromUtf8("Crème"));
}

TEST(WebAddresses, HostPicksTheExtractor) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://www.bbcgoodfood.com/recipes/1", "BBCGoodFoodImporter"},
        {"https://WWW.Epicurious.com/r", "EpicuriousImporter"},
        {"http://www.recettes.qc.ca/recettes/recette/tarte", "RecettesImporter"},
        {"http://www.taste.com.au", "TasteAUImporter"},
        {"http://bbcgoodfood.com/recipes/1", ""},           // another form of the host
        {"http://www.bbcgoodfood.com:8080/recipes/1", ""},  // a port
        {"http://user@www.bbcgoodfood.com/recipes/1", ""},  // a user name
        {"http://www.bbcgoodfood.com.example.org/r", ""},   // a longer host
        {"http://www.example.org/www.bbcgoodfood.com", ""}, // the host in the path
        {"file:///www.bbcgoodfood.com/a", ""},
    };
    for (const auto& [address, name] : cases)
        EXPECT_EQ(extractorNameForUrl(QUrl(QString::fromLatin1(address))), QString::fromLatin1(name))
            << address;
    EXPECT_EQ(siteExtractors().size(), 11);
}

// One saved page per site, carrying its markers: the fields and the pictures it gives.
TEST(SiteExtractors, EachSiteReadsItsPage) {
    struct Case {
        const char* extractor;
        const char* name;
        const char* key;
        const char* value;
        const char* picture;
    };
    const Case cases[] = {
        {"BBCGoodFoodImporter", "Lemon Tart", "yield", "Serves 8 slices",
         "http://www.bbcgoodfood.com/recipes/2345/images/2345_MEDIUM.jpg"},
        {"MyRecipesImporter", "Crème brûlée for two", "prepTime", "20 minutes",
         "http://img.myrecipes.com/big/creme.jpg"},
        {"AllRecipesImporter", "Banana Bread", "attribution", "allrecipes.com",
         "http://images.allrecipes.com/big/banana.jpg"},
        {"BHGImporter", "Apple Crisp", "cookingTime", "40 Mins", "http://www.bhg.com/images/crisp.jpg"},
        {"CookstrImporter", "Roast Chicken", "keywords", "Main Course",
         "http://www.cookstr.com/images/chicken.jpg"},
        {"EpicuriousImporter", "Grilled Corn", "cuisine", "Mexican",
         "http://www.epicurious.com/images/recipes/corn.jpg"},
        {"FoodNetworkImporter", "Beef Stew", "prepTime", "20  -  30 Min",
         "http://img.foodnetwork.com/stew.jpg"},
        {"MarthaStewartImporter", "Pumpkin Pie", "yield", "One 9-inch Pie",
         "http://images.marthastewart.com/pie.jpg"},
        {"VegitarianTimesImporter", "Lentil Soup", "recipeDescription", "Warming and quick.", ""},
        {"TasteAUImporter", "Pavlova", "yield", "(serves 8)", "http://img.taste.com.au/pav.jpg"},
        {"RecettesImporter", "Tarte au sucre", "notes", "Servir tiède.",
         "http://www.recettes.qc.ca/fichiers/photos_recettes/tarte.jpg"},
    };
    for (const Case& c : cases) {
        const QString extractor = QString::fromLatin1(c.extractor);
        const AutoImporterSuperClass* site = nullptr;
        for (const AutoImporterSuperClass* candidate : siteExtractors())
            if (candidate->className() == extractor)
                site = candidate;
        ASSERT_NE(site, nullptr) << c.extractor;
        const QUrl url(QStringLiteral("http://%1/recipe/1").arg(site->host()));
        const auto found = extractRecipe(fixture(extractor + QStringLiteral(".html")), url);
        ASSERT_TRUE(found) << c.extractor;
        const QStringList ingredients = found->ingredientsText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString picture =
            found->pictureUrls.isEmpty() ? QString() : found->pictureUrls.first().toString();
        EXPECT_EQ(QStringList({found->extractor, field(found, "name"), field(found, c.key), picture,
                               QString::number(ingredients.size()),
                               QString::number(field(found, "directions").isEmpty())}),
                  QStringList({extractor, QString::fromUtf8(c.name), QString::fromUtf8(c.value),
                               QString::fromLatin1(c.picture), QStringLiteral("3"), QStringLiteral("0")}));
    }
}

// Pages on a site's host that lack its exact marker are no recipe of that site.
TEST(SiteExtractors, NearMissesAreRefused) {
    struct Case {
        const char* host;
        QByteArray page;
    };
    const Case cases[] = {
        {"www.bbcgoodfood.com", "<div id='ingredients'><title>x recipe</title>"},
        {"www.bhg.com", "<div id=\"ingredients\"><title>x Recipe</title>"}, // no leading space
        {"www.myrecipes.com", "<h5 >Ingredients</h5>"},
        {"www.vegetariantimes.com", "<h2>ingredient list</h2> caf\xc3\xa9"}, // not ASCII
        {"www.recettes.qc.ca", "<h2>Ingr\xc3\xa9"
                               "dients</h2>"}, // UTF-8, read as Latin-1
        {"www.taste.com.au", "<div class=\"module recipe-ingredient\">"},
        {"www.foodnetwork.com", "Ingredients</h3>"},
    };
    for (const Case& c : cases) {
        const QUrl url(QStringLiteral("http://%1/r").arg(QString::fromLatin1(c.host)));
        EXPECT_FALSE(extractRecipe(c.page, url)) << c.host;
    }
}

TEST(SiteExtractors, MarkerRulesOfSingleFields) {
    const QUrl bbc(QStringLiteral("http://www.bbcgoodfood.com/r"));
    const QByteArray bbcPage = "<div id=\"ingredients\"><title>Lemon Tart Recipe - Site</title>";
    EXPECT_EQ(field(extractRecipe(bbcPage, bbc), "name"), QStringLiteral("Lemon Tart"));
    const auto both = extractRecipe(bbcPage + "mod_easy_btn.gif keen_cook_btn.gif", bbc);
    EXPECT_EQ(field(both, "difficulty") + field(both, "rating"), QStringLiteral("12"));

    const QUrl cookstr(QStringLiteral("http://www.cookstr.com/r"));
    const std::pair<QByteArray, QString> levels[] = {
        {"Skill Level: Expert</span>", QString()},
        {"Skill Level: Moderate</span>", QStringLiteral("2")},
        {"Skill Level: Challenging</span>", QStringLiteral("3")},
    };
    for (const auto& [level, difficulty] : levels)
        EXPECT_EQ(field(extractRecipe("<h3>Ingredients</h3>" + level, cookstr), "difficulty"), difficulty);

    // A page whose title markers are missing still gives a recipe, without a name.
    const auto nameless = extractRecipe("<h3>Ingredients</h3>", cookstr);
    ASSERT_TRUE(nameless);
    EXPECT_FALSE(nameless->fields.contains(QStringLiteral("name")));
}

TEST(SiteExtractors, RecettesStepPhotosAndMarkers) {
    QByteArray steps;
    for (int n = 1; n <= 13; ++n)
        steps += "<li><span>" + QByteArray::number(n) + "</span>Step " + QByteArray::number(n) +
                 "<img src=\"/photos/400/s" + QByteArray::number(n) + ".jpg\"></li>";
    const QByteArray page = "<h2>Ingr\xe9"
                            "dients</h2><div id=\"etapes\"><ol>" +
                            steps + "</ol></div>";
    const auto found = extractRecipe(page, QUrl(QStringLiteral("http://www.recettes.qc.ca/r")));
    ASSERT_TRUE(found);
    const QString directions = field(found, "directions");
    EXPECT_TRUE(directions.contains(QStringLiteral("[11]")));
    EXPECT_FALSE(directions.contains(QStringLiteral("[12]")));
    EXPECT_FALSE(directions.contains(QStringLiteral("<span>")));
    // No picture of the dish: its place is kept empty, the thirteen step photos follow.
    ASSERT_EQ(found->pictureUrls.size(), 14);
    EXPECT_TRUE(found->pictureUrls.first().isEmpty());
    EXPECT_EQ(found->pictureUrls.at(13).toString(),
              QStringLiteral("http://www.recettes.qc.ca/photos/400/s13.jpg"));
}

// Scripts, frames and megabytes of nested markup inside the cut pieces leave a clean recipe.
TEST(SiteExtractors, HostilePageGivesCleanRecipe) {
    QByteArray nested;
    nested.reserve(6 * 1024 * 1024);
    while (nested.size() < 5 * 1024 * 1024)
        nested += "<div><span><b>";
    const QByteArray page =
        "<title>Safe Soup Recipe</title> <div id=\"ingredients\"><h3>Ingredients</h3>"
        "<ul><li>1 onion<script>document.cookie='x'</script></li><li>2 cups water</li>"
        "<iframe src=\"http://evil.example/\">frame text</iframe><li>1 pinch salt</li></ul>"
        "<!-- END ingredients --><div id=\"method\" class=\"instructions\"><ol><li>Boil "
        "<img src=x onerror=alert(1)>the water.</li>" +
        nested + "<li>Serve &lt;hot&gt;.</li></ol>";
    const auto found = extractRecipe(page, QUrl(QStringLiteral("http://www.bbcgoodfood.com/r")));
    ASSERT_TRUE(found);
    EXPECT_EQ(field(found, "name"), QStringLiteral("Safe Soup"));
    EXPECT_EQ(found->ingredientsText, QStringLiteral("1 onion\n2 cups water\n1 pinch salt"));
    const QString directions = field(found, "directions");
    EXPECT_FALSE(directions.contains(QStringLiteral("<img"), Qt::CaseInsensitive));
    EXPECT_FALSE(directions.contains(QStringLiteral("<hot>")));
    EXPECT_TRUE(directions.endsWith(QStringLiteral("Serve &lt;hot&gt;.")));
}

TEST(SchemaOrg, DurationsAsTimeTexts) {
    const std::pair<const char*, const char*> cases[] = {
        {"PT1H15M", "1 hour 15 min"},
        {"PT90M", "1 hour 30 min"},
        {"PT2H", "2 hours"},
        {"P1DT2H", "1 day 2 hours"},
        {"pt45m", "45 min"},
        {"PT0M", ""},
        {"PT30S", "30 sec"},
        {"about an hour", "about an hour"},
        {"PT", "PT"},
    };
    for (const auto& [iso, text] : cases)
        EXPECT_EQ(SchemaOrgImporter::durationText(QString::fromLatin1(iso)), QString::fromLatin1(text))
            << iso;
}

// The forms a page may describe its recipe in, each read to the same fields.
TEST(SchemaOrg, JsonLdAndMicrodataForms) {
    const QUrl url(QStringLiteral("https://cook.example/soups/7"));
    struct Case {
        const char* label;
        QByteArray page;
        const char* key;
        const char* expected;
    };
    const QByteArray open = "<html><script type=\"application/ld+json\">";
    const QByteArray close = "</script></html>";
    const Case cases[] = {
        {"graph",
         open +
             R"({"@graph":[{"@type":"WebPage"},{"@type":"Recipe","name":"Pea Soup","recipeIngredient":["1 cup peas"]}]})" +
             close,
         "name", "Pea Soup"},
        {"type list in an array",
         open + R"([{"@type":["Recipe","NewsArticle"],"name":"Tom &amp; Jerry"}])" + close, "name",
         "Tom & Jerry"},
        {"sections",
         open +
             R"({"@type":"Recipe","recipeInstructions":[{"@type":"HowToSection","name":"Dough","itemListElement":[{"@type":"HowToStep","text":"Knead."}]},{"@type":"HowToStep","text":"Bake < 1h."}]})" +
             close,
         "directions", "<b>Dough</b>\n\nKnead.\n\nBake &lt; 1h."},
        {"yield list", open + R"({"@type":"Recipe","name":"x","recipeYield":["4","4 bowls"]})" + close,
         "yield", "4 bowls"},
        {"raw line break inside a text", open + "{\"@type\":\"Recipe\",\"name\":\"Two\nLines\"}" + close,
         "name", "Two Lines"},
        {"yield number", open + R"({"@type":"Recipe","name":"x","recipeYield":6})" + close, "yield", "6"},
        {"author and keywords",
         open +
             R"({"@type":"Recipe","name":"x","author":[{"@type":"Person","name":"Ann"},{"name":"Bo"}],"recipeCuisine":"Thai","recipeCategory":["Soup"],"keywords":"thai, quick,soup"})" +
             close,
         "attribution+keywords", "Ann, Bo|Thai,Soup,quick"},
        {"times",
         open +
             R"({"@type":"Recipe","name":"x","prepTime":"PT10M","cookTime":"PT1H","totalTime":"PT1H10M"})" +
             close,
         "prepTime+cookingTime+notes", "10 min|1 hour|Total time: 1 hour 10 min"},
        {"broken script, then microdata",
         open + "{not json" + close +
             R"(<div itemscope itemtype="http://schema.org/Recipe"><h1 itemprop="name">Micro Stew</h1>
<div itemprop="author" itemscope itemtype="http://schema.org/Person"><span itemprop="name">Cy</span></div>
<meta itemprop="cookTime" content="PT20M"><li itemprop="recipeIngredient">2 leeks</li><li itemprop="recipeIngredient">1 potato</li>
<div itemprop="recipeInstructions"><p>Chop.</p><p>Simmer.</p></div></div>)",
         "name+cookingTime+attribution+directions", "Micro Stew|20 min|Cy|Chop.\n\nSimmer."},
    };
    for (const Case& c : cases) {
        const auto found = extractRecipe(c.page, url);
        QStringList values;
        for (const QString& key : QString::fromLatin1(c.key).split(QLatin1Char('+')))
            values.append(field(found, key.toLatin1().constData()));
        EXPECT_EQ(values.join(QLatin1Char('|')), QString::fromUtf8(c.expected)) << c.label;
    }
}

TEST(SchemaOrg, PicturesAndIngredients) {
    const QUrl url(QStringLiteral("https://cook.example/soups/7"));
    const std::pair<QByteArray, const char*> images[] = {
        {R"("image":"/img/a.jpg")", "https://cook.example/img/a.jpg"},
        {R"("image":["https://cdn.example/b.jpg","https://cdn.example/c.jpg"])", "https://cdn.example/b.jpg"},
        {R"("image":{"@type":"ImageObject","url":"https://cdn.example/d.jpg"})", "https://cdn.example/d.jpg"},
        {R"("image":[{"@type":"ImageObject","contentUrl":"e.jpg"}])", "https://cook.example/soups/e.jpg"},
    };
    for (const auto& [image, expected] : images) {
        const auto found =
            extractRecipe("<script type=\"application/ld+json\">{\"@type\":\"Recipe\",\"name\":\"x\"," +
                              image + "}</script>",
                          url);
        ASSERT_TRUE(found && !found->pictureUrls.isEmpty()) << expected;
        EXPECT_EQ(found->pictureUrls.first().toString(), QString::fromLatin1(expected));
    }
    // A site's host without its marker: the page's description is read instead.
    const auto described = extractRecipe(
        R"(<script type="application/ld+json">{"@type":"Recipe","name":"Dal","recipeIngredient":["1 cup lentils","<b>2</b> cups water"]}</script>)",
        QUrl(QStringLiteral("http://www.bbcgoodfood.com/r")));
    ASSERT_TRUE(described);
    EXPECT_EQ(described->extractor + QLatin1Char('|') + described->ingredientsText,
              QStringLiteral("SchemaOrgImporter|1 cup lentils\n2 cups water"));
    EXPECT_FALSE(extractRecipe("<html><p>Nothing to cook here.</p></html>", url));
}

// Every real recipe page kept outside the project gives a name, ingredients and directions.
TEST(SchemaOrg, RealPages) {
    const QString folder = testsupport::realDataPath(QStringLiteral("jsonld"));
    if (!QFileInfo(folder).isDir())
        GTEST_SKIP() << "no real pages";
    QDirIterator it(folder, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    int pages = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto found =
            extractRecipe(file.readAll(), QUrl(QStringLiteral("https://pages.example/recipe")));
        ++pages;
        ASSERT_TRUE(found) << path.toStdString();
        const QString summary =
            QStringLiteral("%1|%2|%3")
                .arg(!field(found, "name").isEmpty())
                .arg(found->ingredientsText.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() >= 3)
                .arg(!field(found, "directions").isEmpty());
        EXPECT_EQ(summary, QStringLiteral("1|1|1")) << path.toStdString();
    }
    EXPECT_GT(pages, 0);
}

} // namespace

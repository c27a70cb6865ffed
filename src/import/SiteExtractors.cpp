// The eleven recipe web sites: where each keeps its recipe's parts on its pages.
#include "import/AutoImporterSuperClass.h"

#include "platform/TextFolding.h"
#include "present/HtmlFragmentSanitizer.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace webimport;

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

// A cut converted to plain text; nullopt when a marker is missing.
std::optional<QString> textOf(const std::optional<QString>& fragment) {
    if (!fragment)
        return std::nullopt;
    return htmlToText(*fragment);
}

QString dropFirst(const QString& text) {
    return text.mid(1);
}

void put(ExtractedRecipe& recipe, const QString& key, const std::optional<QString>& value) {
    if (value)
        recipe.fields.insert(key, *value);
}

// The label-cleaned text of a cut, with an optional further step.
std::optional<QString> label(const std::optional<QString>& fragment,
                             QString (*then)(const QString&) = nullptr) {
    std::optional<QString> value = textOf(fragment);
    if (!value)
        return std::nullopt;
    QString cleaned = labelClean(*value).trimmed();
    return then ? then(cleaned) : cleaned;
}

QString dashesSpaced(QString text) {
    text.replace(QChar(0x2013), QLatin1String(" - "));
    return text;
}

// A difficulty word as its number; nullopt for other words.
std::optional<int> difficultyFrom(const std::optional<QString>& word, const QStringList& scale) {
    if (!word)
        return std::nullopt;
    const qsizetype index = scale.indexOf(word->trimmed());
    if (index < 0)
        return std::nullopt;
    return int(index + 1);
}

// The shared part of every site: its names, marker and encoding.
class Site : public AutoImporterSuperClass {
public:
    Site(QString className, QString host, QString attribution, QString marker, PageEncoding encoding)
        : m_className(std::move(className)), m_host(std::move(host)), m_attribution(std::move(attribution)),
          m_marker(std::move(marker)), m_encoding(encoding) {}
    QString className() const override { return m_className; }
    QString host() const override { return m_host; }
    QString attribution() const override { return m_attribution; }
    QString checkMarker() const override { return m_marker; }
    PageEncoding pageEncoding() const override { return m_encoding; }

protected:
    QList<QUrl> one(const std::optional<QString>& address) const {
        if (!address || address->trimmed().isEmpty())
            return {};
        return {QUrl(address->trimmed())};
    }
    QUrl onSite(const QString& path) const {
        QString joined = path.trimmed();
        if (!joined.startsWith(QLatin1Char('/')))
            joined.prepend(QLatin1Char('/'));
        return QUrl(siteAddress() + joined);
    }

private:
    QString m_className, m_host, m_attribution, m_marker;
    PageEncoding m_encoding;
};

class BBCGoodFoodImporter : public Site {
public:
    BBCGoodFoodImporter()
        : Site(QStringLiteral("BBCGoodFoodImporter"), QStringLiteral("www.bbcgoodfood.com"),
               QStringLiteral("bbcgoodfood.com"), QStringLiteral("<div id=\"ingredients\">"),
               PageEncoding::Detected) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto title = textOf(cut(page, {QStringLiteral("<title>")}, QStringLiteral("recipe")));
        return title ? std::optional<QString>(capitalizedWords(lineClean(*title))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        put(recipe, QStringLiteral("recipeDescription"),
            label(cut(page, {QStringLiteral("<meta name=\"description\" content=\"")},
                      QStringLiteral("\" /"))));
        put(recipe, QStringLiteral("prepTime"),
            label(cut(page, {QStringLiteral("alt=\"Preparation time\""), QStringLiteral("Prep")},
                      QStringLiteral("</p>"), QStringLiteral("<p>")),
                  capitalizedWords));
        put(recipe, QStringLiteral("cookingTime"),
            label(cut(page, {QStringLiteral("alt=\"Cook time\""), QStringLiteral("Cook")},
                      QStringLiteral("</p>"), QStringLiteral("<p>")),
                  capitalizedWords));
        if (const auto yield =
                label(cut(page, {QStringLiteral("<span class=\"yield\">")}, QStringLiteral("</span>"))))
            recipe.fields.insert(QStringLiteral("yield"),
                                 QCoreApplication::translate("BBCGoodFoodImporter", "Serves %1").arg(*yield));
        if (page.contains(QLatin1String("easy_btn.gif"), Qt::CaseInsensitive))
            recipe.fields.insert(QStringLiteral("difficulty"), 1);
        if (page.contains(QLatin1String("mod_easy_btn.gif"), Qt::CaseInsensitive))
            recipe.fields.insert(QStringLiteral("rating"), 1);
        if (page.contains(QLatin1String("keen_cook_btn.gif"), Qt::CaseInsensitive))
            recipe.fields.insert(QStringLiteral("rating"), 2);
        if (const auto ingredients = textOf(
                cut(page, {QStringLiteral("Ingredients</h3>")}, QStringLiteral("<!-- END ingredients -->"))))
            recipe.ingredientsText = *ingredients;
        if (auto directions = textOf(cut(page, {QStringLiteral("<div id=\"method\" class=\"instructions\">")},
                                         QStringLiteral("</ol>"), QStringLiteral("<ol>"))))
            recipe.fields.insert(QStringLiteral("directions"),
                                 paragraphs(directions->remove(QLatin1Char('\t'))));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        const auto id = cut(page, {QStringLiteral("<div id=\"recipeHero\">"), QStringLiteral("images/")},
                            QStringLiteral("_MEDIUM"));
        if (!id || id->isEmpty())
            return {};
        return {QUrl(siteAddress() + QStringLiteral("/recipes/%1/images/%1_MEDIUM.jpg").arg(*id))};
    }
};

class MyRecipesImporter : public Site {
public:
    MyRecipesImporter()
        : Site(QStringLiteral("MyRecipesImporter"), QStringLiteral("www.myrecipes.com"),
               QStringLiteral("myrecipes.com"), QStringLiteral("<h5>Ingredients</h5>"),
               PageEncoding::Latin1) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        return cut(page, {QStringLiteral("recipe_name\" content=\"")}, QStringLiteral("\" />"));
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        put(recipe, QStringLiteral("yield"),
            label(cut(page, {QStringLiteral("YIELD:")}, QStringLiteral("</li>"))));
        if (const auto prep = label(cut(page, {QStringLiteral("PREP TIME:")}, QStringLiteral("</li>"))))
            recipe.fields.insert(QStringLiteral("prepTime"), prep->toLower());
        if (const auto ingredients = textOf(cut(page, {QStringLiteral("<h5>Ingredients</h5>")},
                                                QStringLiteral("</ul>"), QStringLiteral("<ul>"))))
            recipe.ingredientsText = *ingredients;
        if (auto steps = cut(page, {QStringLiteral("<h5>Preparation</h5>")}, QStringLiteral("</ul>"),
                             QStringLiteral("<li>"))) {
            steps->replace(QLatin1String("<li>"), QLatin1String("<br>"), Qt::CaseInsensitive);
            steps->replace(QLatin1String("</li>"), QLatin1String("<br>"), Qt::CaseInsensitive);
            recipe.fields.insert(QStringLiteral("directions"), htmlToText(*steps));
        }
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        return one(cut(page, {QStringLiteral("<a class=\"enlarge\"")}, QStringLiteral("\">"),
                       QStringLiteral("http:")));
    }
};

class AllRecipesImporter : public Site {
public:
    AllRecipesImporter()
        : Site(QStringLiteral("AllRecipesImporter"), QStringLiteral("www.allrecipes.com"),
               QStringLiteral("allrecipes.com"), QStringLiteral("Ingredients</h3>"), PageEncoding::Detected) {
    }
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto name = textOf(cut(page, {QStringLiteral("itemreviewed\">")}, QStringLiteral("</span>")));
        return name ? std::optional<QString>(capitalizedWords(*name)) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        if (auto ingredients = cut(page, {QStringLiteral("Ingredients</h3>")}, QStringLiteral("</ul>")))
            recipe.ingredientsText = htmlToText(ingredients->remove(QLatin1String("&nbsp;")));
        if (const auto directions =
                textOf(cut(page, {QStringLiteral("Directions</h3>")}, QStringLiteral("</div>"))))
            recipe.fields.insert(QStringLiteral("directions"), paragraphs(*directions));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        auto address = cut(page, {QStringLiteral("rec-image")}, QStringLiteral("\" alt"),
                           QStringLiteral("http://images."));
        if (address)
            address->replace(QLatin1String("small"), QLatin1String("big"), Qt::CaseInsensitive);
        return one(address);
    }
};

class BHGImporter : public Site {
public:
    BHGImporter()
        : Site(QStringLiteral("BHGImporter"), QStringLiteral("www.bhg.com"), QStringLiteral("bhg.com"),
               QStringLiteral(" <div id=\"ingredients\">"), PageEncoding::Latin1) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto title = textOf(cut(page, {QStringLiteral("<title>")}, QStringLiteral("Recipe")));
        return title ? std::optional<QString>(capitalizedWords(lineClean(*title))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        const auto line = [&](const QString& after) -> std::optional<QString> {
            const auto value = textOf(cut(page, {after}, QStringLiteral("</span>")));
            return value ? std::optional<QString>(capitalizedWords(lineClean(*value))) : std::nullopt;
        };
        put(recipe, QStringLiteral("yield"), line(QStringLiteral("Makes:")));
        put(recipe, QStringLiteral("prepTime"), line(QStringLiteral("Prep:")));
        put(recipe, QStringLiteral("cookingTime"), line(QStringLiteral("Bake:")));
        if (auto ingredients =
                cut(page, {QStringLiteral("ingredients</span>")}, QStringLiteral("directions</span>")))
            recipe.ingredientsText =
                htmlToText(ingredients->replace(QLatin1String("&nbsp;"), QLatin1String(" ")));
        if (const auto directions =
                textOf(cut(page, {QStringLiteral("directions</span>")}, QStringLiteral("</div>"))))
            recipe.fields.insert(QStringLiteral("directions"), paragraphs(*directions));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        return one(cut(page, {QStringLiteral("recipeimg")}, QStringLiteral("'"), QStringLiteral("http")));
    }
};

class CookstrImporter : public Site {
public:
    CookstrImporter()
        : Site(QStringLiteral("CookstrImporter"), QStringLiteral("www.cookstr.com"),
               QStringLiteral("cookstr.com"), QStringLiteral("<h3>Ingredients</h3>"),
               PageEncoding::Detected) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto name = textOf(cut(page, {QStringLiteral("itemprop=\"name\">")}, QStringLiteral("</h1>")));
        return name ? std::optional<QString>(capitalizedWords(lineClean(*name))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        const auto span = [&](const QString& after) { return cut(page, {after}, QStringLiteral("</span>")); };
        const auto timeField = [&](const QString& after) -> std::optional<QString> {
            const auto value = textOf(span(after));
            return value ? std::optional<QString>(
                               capitalizedWords(dropFirst(labelClean(dashesSpaced(*value))).trimmed()))
                         : std::nullopt;
        };
        put(recipe, QStringLiteral("recipeDescription"), label(span(QStringLiteral("headnotes\"><p>"))));
        if (const auto yield = label(span(QStringLiteral(">Yield"))))
            recipe.fields.insert(QStringLiteral("yield"), capitalizedWords(dropFirst(*yield)));
        if (const auto level = difficultyFrom(
                label(span(QStringLiteral("Skill Level:"))),
                {QStringLiteral("Easy"), QStringLiteral("Moderate"), QStringLiteral("Challenging")}))
            recipe.fields.insert(QStringLiteral("difficulty"), *level);
        put(recipe, QStringLiteral("keywords"), label(span(QStringLiteral(">Course:")), capitalizedWords));
        put(recipe, QStringLiteral("prepTime"), timeField(QStringLiteral(">Prep Time")));
        put(recipe, QStringLiteral("cookingTime"), timeField(QStringLiteral(">Cooking Time")));
        if (const auto ingredients = textOf(
                cut(page, {QStringLiteral("<h3>Ingredients</h3>")}, QStringLiteral("<h3>Directions</h3>"))))
            recipe.ingredientsText = *ingredients;
        if (const auto directions =
                textOf(cut(page, {QStringLiteral("<h3>Directions</h3>")}, QStringLiteral("</p></div>"))))
            recipe.fields.insert(QStringLiteral("directions"), paragraphs(dropFirst(*directions)));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        const auto path = cut(page, {QStringLiteral("<div class=\"photo\">")}, QStringLiteral("?"),
                              QStringLiteral("src=\""));
        if (!path || path->size() <= 5)
            return {};
        return {onSite(path->mid(5))};
    }
};

class EpicuriousImporter : public Site {
public:
    EpicuriousImporter()
        : Site(QStringLiteral("EpicuriousImporter"), QStringLiteral("www.epicurious.com"),
               QStringLiteral("epicurious.com"), QStringLiteral("<h2>Ingredients</h2>"),
               PageEncoding::Latin1) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto title = textOf(cut(page, {QStringLiteral("<title>")}, QStringLiteral(" Recipe")));
        return title ? std::optional<QString>(capitalizedWords(lineClean(*title))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        put(recipe, QStringLiteral("recipeDescription"),
            label(cut(page, {QStringLiteral("recipeIntroText\">")}, QStringLiteral("</span>"))));
        if (const auto yield = label(cut(page, {QStringLiteral(">Yield")}, QStringLiteral("</span>"))))
            recipe.fields.insert(QStringLiteral("yield"), capitalizedWords(dropFirst(*yield)));
        put(recipe, QStringLiteral("cuisine"),
            label(cut(page, {QStringLiteral("<span>cuisine</span>")}, QStringLiteral("</p>")),
                  capitalizedWords));
        if (auto ingredients =
                cut(page, {QStringLiteral("<h2>Ingredients</h2>")}, QStringLiteral("<h2>Preparation</h2>"))) {
            ingredients->replace(QLatin1Char('-'), QLatin1Char(' '));
            ingredients->remove(QChar(0x2022));
            recipe.ingredientsText = htmlToText(*ingredients);
        }
        if (auto directions = textOf(
                cut(page, {QStringLiteral("<h2>Preparation</h2>")}, QStringLiteral("<a href=\"/recipes"))))
            recipe.fields.insert(QStringLiteral("directions"),
                                 paragraphs(directions->replace(QLatin1String(":"), QLatin1String(": "))));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        auto path =
            cut(page, {QStringLiteral("recipe_thumb")}, QStringLiteral(".jpg"), QStringLiteral("/images/"));
        if (!path)
            return {};
        path->chop(4);
        path->remove(QLatin1Char('\n'));
        path->remove(QLatin1Char('\r'));
        return {QUrl(siteAddress() + *path + QStringLiteral(".jpg"))};
    }
};

class FoodNetworkImporter : public Site {
public:
    FoodNetworkImporter()
        : Site(QStringLiteral("FoodNetworkImporter"), QStringLiteral("www.foodnetwork.com"),
               QStringLiteral("foodnetwork.com"), QStringLiteral("Ingredients</h2>"),
               PageEncoding::Detected) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto name = textOf(cut(page, {QStringLiteral("<h1 class=\"fn\">")}, QStringLiteral("</h1>")));
        return name ? std::optional<QString>(capitalizedWords(lineClean(*name))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        put(recipe, QStringLiteral("yield"),
            label(cut(page, {QStringLiteral("Yield:")}, QStringLiteral("</dd>")), capitalizedWords));
        if (const auto level = difficultyFrom(
                label(cut(page, {QStringLiteral("Level:")}, QStringLiteral("</p>"))),
                {QStringLiteral("Easy"), QStringLiteral("Intermediate"), QStringLiteral("Difficult")}))
            recipe.fields.insert(QStringLiteral("difficulty"), *level);
        const auto timeField = [&](const QString& after) -> std::optional<QString> {
            const auto value = textOf(cut(page, {after}, QStringLiteral("</p>")));
            return value ? std::optional<QString>(capitalizedWords(labelClean(dashesSpaced(*value))))
                         : std::nullopt;
        };
        put(recipe, QStringLiteral("prepTime"), timeField(QStringLiteral("Prep Time:")));
        put(recipe, QStringLiteral("cookingTime"), timeField(QStringLiteral("Cook Time:")));
        if (const auto ingredients = textOf(
                cut(page, {QStringLiteral("Ingredients</h2>"), QStringLiteral("<!--concordance-begin-->")},
                    QStringLiteral("<h2>Directions</h2>"))))
            recipe.ingredientsText = *ingredients;
        if (const auto directions =
                textOf(cut(page, {QStringLiteral("<h2>Directions</h2>")}, QStringLiteral("</div>"))))
            recipe.fields.insert(QStringLiteral("directions"), reduceBlankLines(paragraphs(*directions)));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        return one(cut(page, {QStringLiteral("recipe-image")}, QStringLiteral("\""), QStringLiteral("http")));
    }
};

class MarthaStewartImporter : public Site {
public:
    MarthaStewartImporter()
        : Site(QStringLiteral("MarthaStewartImporter"), QStringLiteral("www.marthastewart.com"),
               QStringLiteral("marthastewart.com"), QStringLiteral("<h2>Ingredients</h2>"),
               PageEncoding::Latin1) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto name = textOf(cut(page, {QStringLiteral("title\" content=\"")}, QStringLiteral("\" />")));
        return name ? std::optional<QString>(capitalizedWords(lineClean(*name))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        put(recipe, QStringLiteral("recipeDescription"),
            label(cut(page, {QStringLiteral("<p class=\"hed-note summary\">")}, QStringLiteral("<s"))));
        recipe.fields.insert(QStringLiteral("prepTime"), QString());
        put(recipe, QStringLiteral("prepTime"),
            label(cut(page, {QStringLiteral("class=\"preptime\">")}, QStringLiteral("</span>")),
                  capitalizedWords));
        if (const auto yield = cut(page, {QStringLiteral("Yield</strong>")}, QStringLiteral("</li>")))
            recipe.fields.insert(QStringLiteral("yield"),
                                 capitalizedWords(labelClean(htmlToText(yield->mid(1))).trimmed()));
        if (const auto ingredients =
                textOf(cut(page, {QStringLiteral("<h2>Ingredients</h2>")},
                           QStringLiteral("<div class=\"recipe-section instructions\">"))))
            recipe.ingredientsText = *ingredients;
        if (auto directions =
                textOf(cut(page, {QStringLiteral("<h2>Directions</h2>")}, QStringLiteral("</ol>"))))
            recipe.fields.insert(QStringLiteral("directions"),
                                 reduceBlankLines(paragraphs(directions->remove(QLatin1Char('\t')))));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        return one(cut(page, {QStringLiteral("<div class=\"carousel-wrapper\">")}, QStringLiteral("\" "),
                       QStringLiteral("http://")));
    }
};

class VegitarianTimesImporter : public Site {
public:
    VegitarianTimesImporter()
        : Site(QStringLiteral("VegitarianTimesImporter"), QStringLiteral("www.vegetariantimes.com"),
               QStringLiteral("vegetariantimes.com"), QStringLiteral("<h2>ingredient list</h2>"),
               PageEncoding::Ascii) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto title = textOf(cut(page, {QStringLiteral("<title>")}, QStringLiteral("Recipe")));
        return title ? std::optional<QString>(capitalizedWords(lineClean(*title))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        put(recipe, QStringLiteral("yield"),
            label(cut(page, {QStringLiteral("<p class=\"per_serving\">")}, QStringLiteral("</p>")),
                  capitalizedWords));
        put(recipe, QStringLiteral("recipeDescription"),
            label(cut(page, {QStringLiteral("<div id=\"recipe\">")}, QStringLiteral("</div>"))));
        if (const auto ingredients =
                textOf(cut(page,
                           {QStringLiteral("<h2>ingredient list</h2>"),
                            QStringLiteral("<p class=\"per_serving\">"), QStringLiteral("</p>")},
                           QStringLiteral("<h2"))))
            recipe.ingredientsText = *ingredients;
        if (const auto directions =
                textOf(cut(page, {QStringLiteral("<h2>Directions</h2>")}, QStringLiteral("</div>"))))
            recipe.fields.insert(QStringLiteral("directions"), reduceBlankLines(paragraphs(*directions)));
    }
    QList<QUrl> pictureUrls(const QString&) const override { return {}; }
};

class TasteAUImporter : public Site {
public:
    TasteAUImporter()
        : Site(QStringLiteral("TasteAUImporter"), QStringLiteral("www.taste.com.au"),
               QStringLiteral("taste.com.au"), QStringLiteral("<div class=\"module recipe-ingredients\">"),
               PageEncoding::Detected) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto name =
            textOf(cut(page, {QStringLiteral("<h1 class=\"heading\">")}, QStringLiteral("</h1>")));
        return name ? std::optional<QString>(capitalizedWords(lineClean(*name))) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        const QString module = QStringLiteral("<div class=\"module recipe-ingredients\">");
        put(recipe, QStringLiteral("yield"),
            label(cut(page, {module}, QStringLiteral("<"), QStringLiteral("(")), capitalizedWords));
        put(recipe, QStringLiteral("recipeDescription"),
            label(cut(page, {QStringLiteral("<p class=\"recipe-description\">")}, QStringLiteral("</p>"))));
        if (const auto ingredients =
                textOf(cut(page, {module}, QStringLiteral("</ul>"), QStringLiteral("<ul>"))))
            recipe.ingredientsText = *ingredients;
        if (const auto directions =
                textOf(cut(page, {QStringLiteral("<ol id=\"method\">")}, QStringLiteral("</div>"))))
            recipe.fields.insert(QStringLiteral("directions"), paragraphs(*directions));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        return one(cut(page, {QStringLiteral("<img itemprop=\"photo\" class=\"print-thumb\"")},
                       QStringLiteral("\">"), QStringLiteral("http:")));
    }
};

class RecettesImporter : public Site {
public:
    RecettesImporter()
        : Site(QStringLiteral("RecettesImporter"), QStringLiteral("www.recettes.qc.ca"),
               QStringLiteral("recettes.qc.ca"), L("<h2>Ingrédients</h2>"), PageEncoding::Latin1) {}
    std::optional<QString> nameFromPage(const QString& page) const override {
        const auto name =
            textOf(cut(page, {QStringLiteral("<h1 class=\"fn entry-title\">")}, QStringLiteral("</h1>")));
        return name ? std::optional<QString>(lineClean(*name)) : std::nullopt;
    }
    void fillFields(const QString& page, ExtractedRecipe& recipe) const override {
        const auto strong = [&](const QString& after) {
            return label(cut(page, {after, QStringLiteral("<strong>")}, QStringLiteral("</")));
        };
        put(recipe, QStringLiteral("yield"), strong(QStringLiteral("Portion :")));
        put(recipe, QStringLiteral("prepTime"), strong(QStringLiteral("paration :")));
        put(recipe, QStringLiteral("cookingTime"), strong(QStringLiteral("Cuisson :")));
        if (const auto ingredients =
                cut(page, {L("<h2>Ingrédients</h2>")}, QStringLiteral("</p>"), QStringLiteral("\">")))
            recipe.ingredientsText = htmlToText(ingredients->mid(4));
        if (auto steps = stepsBlock(page)) {
            const int photos = int(stepPhotos(*steps).size());
            for (int n = 2; n < photos + 2 && n <= 11; ++n)
                steps->append(QStringLiteral(" [%1] ").arg(n));
            recipe.fields.insert(QStringLiteral("directions"), htmlToText(*steps));
        }
        if (auto notes =
                cut(page, {QStringLiteral("<h2>Note</h2>")}, QStringLiteral("</div>"), QStringLiteral("<p>")))
            recipe.fields.insert(QStringLiteral("notes"), paragraphs(htmlToText(withoutStepNumbers(*notes))));
    }
    QList<QUrl> pictureUrls(const QString& page) const override {
        // The page names its picture twice; the second, the site's own path, is the one kept.
        QList<QUrl> pictures = one(cut(page, {QStringLiteral("<meta property=\"og:image\" content=\"")},
                                       QStringLiteral("\"/>"), QStringLiteral("http:")));
        if (const auto path =
                cut(page, {}, QStringLiteral("\" "), QStringLiteral("/fichiers/photos_recettes/")))
            pictures = {onSite(*path)};
        const auto steps = stepsBlock(page);
        const QList<QUrl> photos = steps ? stepPhotos(*steps) : QList<QUrl>();
        if (!photos.isEmpty() && pictures.isEmpty())
            pictures.append(QUrl());
        return pictures + photos;
    }

private:
    static QString withoutStepNumbers(QString block) {
        for (int n = 1; n <= 15; ++n)
            block.remove(QStringLiteral("<span>%1</span>").arg(n), Qt::CaseInsensitive);
        return block;
    }
    static std::optional<QString> stepsBlock(const QString& page) {
        const auto steps = cut(page, {QStringLiteral("<div id=\"etapes\">")}, QStringLiteral("</ol>"),
                               QStringLiteral("<ol>"));
        return steps ? std::optional<QString>(withoutStepNumbers(*steps)) : std::nullopt;
    }
    QList<QUrl> stepPhotos(const QString& steps) const {
        QList<QUrl> photos;
        const QString marker = QStringLiteral("/photos/400/");
        qsizetype at = steps.indexOf(marker, 0, Qt::CaseInsensitive);
        while (at >= 0) {
            const qsizetype end = steps.indexOf(QLatin1Char('"'), at);
            if (end < 0)
                break;
            photos.append(onSite(steps.mid(at, end - at)));
            at = steps.indexOf(marker, end, Qt::CaseInsensitive);
        }
        return photos;
    }
};

} // namespace

std::optional<QString> AutoImporterSuperClass::readPage(const QByteArray& page) const {
    return decodePage(page, pageEncoding());
}

bool AutoImporterSuperClass::checkIfRecipeIsOnPage(const QString& pageText) const {
    return pageText.contains(checkMarker(), Qt::CaseInsensitive);
}

ExtractedRecipe AutoImporterSuperClass::recipeFromPage(const QString& pageText, const QUrl& url) const {
    ExtractedRecipe recipe;
    recipe.extractor = className();
    recipe.fields.insert(QStringLiteral("importedFromURL"), url.toString());
    recipe.fields.insert(QStringLiteral("attribution"), attribution());
    if (const auto name = nameFromPage(pageText))
        recipe.fields.insert(QStringLiteral("name"), *name);
    recipe.pictureUrls = pictureUrls(pageText);
    fillFields(pageText, recipe);
    // The directions are plain text so far; as HTML text their line breaks stay what they are.
    const auto directions = recipe.fields.constFind(QStringLiteral("directions"));
    if (directions != recipe.fields.constEnd())
        recipe.fields.insert(QStringLiteral("directions"),
                             HtmlFragmentSanitizer::escapeText(directions->toString()));
    return recipe;
}

namespace webimport {

const QList<const AutoImporterSuperClass*>& siteExtractors() {
    static const BBCGoodFoodImporter bbc;
    static const MyRecipesImporter myRecipes;
    static const AllRecipesImporter allRecipes;
    static const BHGImporter bhg;
    static const CookstrImporter cookstr;
    static const EpicuriousImporter epicurious;
    static const FoodNetworkImporter foodNetwork;
    static const MarthaStewartImporter martha;
    static const VegitarianTimesImporter vegetarianTimes;
    static const TasteAUImporter taste;
    static const RecettesImporter recettes;
    static const QList<const AutoImporterSuperClass*> all{
        &bbc,         &myRecipes, &allRecipes,      &bhg,   &cookstr, &epicurious,
        &foodNetwork, &martha,    &vegetarianTimes, &taste, &recettes};
    return all;
}

const AutoImporterSuperClass* siteExtractorForUrl(const QUrl& url) {
    // The host is the second non-empty component of the address split at "/", so another
    // form of a site's host (a port, a user name, no "www.") is not taken for it.
    // Only web pages are the sites' pages.
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return nullptr;
    const QStringList parts = url.toString().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return nullptr;
    const QString host = parts.at(1).toLower();
    for (const AutoImporterSuperClass* extractor : siteExtractors())
        if (extractor->host() == host)
            return extractor;
    return nullptr;
}

} // namespace webimport

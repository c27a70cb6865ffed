#include "RecipeDisplayController.h"

#include "HtmlFragmentSanitizer.h"
#include "RecipeWebView.h"

#include "library/AppController.h"
#include "library/GroupsCounterUpdater.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "measure/MeasurementsConverter.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/ManagedObject.h"
#include "platform/Scheduler.h"
#include "platform/StructuredText.h"
#include "platform/TextFolding.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>

namespace {

constexpr double kDelayedRenderSeconds = 0.1;

QString attributeValue(const QString& text) {
    return HtmlFragmentSanitizer::escapeText(text);
}

const QString kHidden = QStringLiteral("display: none;");

QString text(const ManagedObject* recipe, const char* key) {
    return recipe->valueForKey(QLatin1String(key)).toString();
}

QString ingredientMarkup(const QVariantList& ingredients, bool capitalize) {
    QString markup;
    markup.reserve(ingredients.size() * 160);
    for (const QVariant& ingredient : ingredients)
        markup += RecipeDisplayController::ingredientLine(ingredient, capitalize);
    return markup;
}

QString metricLine(const QString& label, const QString& value) {
    return RecipeDisplayController::metricLine(label, value);
}

QString metricsText(const ManagedObject* recipe) {
    QString metrics;
    const QVariant difficulty = recipe->valueForKey(QStringLiteral("difficulty"));
    if (!difficulty.isNull()) {
        const QString level = RecipeDisplayController::difficultyName(structuredIntegerValue(difficulty));
        if (!level.isEmpty())
            metrics += metricLine(RecipeDisplayController::tr("Difficulty:"), level);
    }
    const struct {
        const char* key;
        const char* label;
    } simpleLines[] = {
        {"yield", QT_TRANSLATE_NOOP("RecipeDisplayController", "Yield:")},
        {"cuisine", QT_TRANSLATE_NOOP("RecipeDisplayController", "Cuisine:")},
        {"prepTime", QT_TRANSLATE_NOOP("RecipeDisplayController", "Prep Time:")},
        {"cookingTime", QT_TRANSLATE_NOOP("RecipeDisplayController", "Cooking Time:")},
        {"inactivePrepTime", QT_TRANSLATE_NOOP("RecipeDisplayController", "Inactive Prep Time:")},
    };
    for (const auto& line : simpleLines) {
        const QString value = text(recipe, line.key);
        if (!value.isEmpty())
            metrics +=
                metricLine(RecipeDisplayController::tr(line.label), HtmlFragmentSanitizer::escapeText(value));
    }
    QString keywords = text(recipe, "keywords");
    if (!keywords.isEmpty()) {
        keywords.replace(u',', QLatin1String(", "));
        metrics += QLatin1String("<metric>") + RecipeDisplayController::tr("Keywords: ") +
                   QLatin1String("</metric>") + HtmlFragmentSanitizer::escapeText(keywords) +
                   QLatin1String("<br>");
    }
    const QString attribution = text(recipe, "attribution");
    QString address = text(recipe, "importedFromURL");
    // An address that would run a script or hold a document is not linked.
    if (!address.isEmpty() && !HtmlFragmentSanitizer::isSafeLinkAddress(address))
        address.clear();
    if (!attribution.isEmpty()) {
        const QString shown = HtmlFragmentSanitizer::escapeText(attribution);
        metrics += metricLine(RecipeDisplayController::tr("Attribution:"),
                              address.isEmpty() ? shown
                                                : QLatin1String("<a href=\"") + attributeValue(address) +
                                                      QLatin1String("\" target=\"_blank\">") + shown +
                                                      QLatin1String("</a>"));
    } else if (!address.isEmpty()) {
        const QStringList components = address.split(u'/', Qt::SkipEmptyParts);
        if (components.size() >= 2)
            metrics += metricLine(RecipeDisplayController::tr("Imported From:"),
                                  QLatin1String("<a href=\"") + attributeValue(address) +
                                      QLatin1String("\" target=\"_blank\">") +
                                      HtmlFragmentSanitizer::escapeText(components.at(1).toLower()) +
                                      QLatin1String("</a>"));
    }
    return metrics;
}

} // namespace

QString RecipeDisplayController::plainParagraphs(const QString& text) {
    QString html = HtmlFragmentSanitizer::escapeText(text);
    html.replace(QLatin1String("\n\n"), QLatin1String("<br><br>"));
    return html;
}

QString RecipeDisplayController::directionsHtml(const QString& directions) {
    QString html = HtmlFragmentSanitizer::sanitizeFragment(directions);
    html.replace(QLatin1String("\n\n"), QLatin1String("<br><br>"));
    return html;
}

QString RecipeDisplayController::imageElement(const RecipesManagedObject* recipe, int index) {
    const QString path = recipe ? recipe->imagePathAtIndex(index) : QString();
    return QLatin1String("<img src=\"") + attributeValue(path) + QLatin1String("\">");
}

QString RecipeDisplayController::ingredientLine(const QVariant& ingredient, bool capitalize) {
    QString markup;
    if (IngredientRecords::isGroupTitle(ingredient)) {
        QString title = IngredientRecords::textForKey(ingredient, QStringLiteral("name"));
        if (capitalize)
            title = capitalizedWords(title);
        markup += QLatin1String("<ingredient_group>") + HtmlFragmentSanitizer::escapeText(title) +
                  QLatin1String("</ingredient_group>");
    } else {
        QString name = IngredientRecords::textForKey(ingredient, QStringLiteral("name"));
        if (capitalize)
            name = capitalizedWords(name);
        markup += QLatin1String("<ingredient_quantity>") +
                  HtmlFragmentSanitizer::escapeText(
                      IngredientRecords::textForKey(ingredient, QStringLiteral("quantity"))) +
                  QLatin1String("</ingredient_quantity> <ingredient_measurement>") +
                  HtmlFragmentSanitizer::escapeText(
                      IngredientRecords::textForKey(ingredient, QStringLiteral("measurement"))) +
                  QLatin1String("</ingredient_measurement> <ingredient_name>") +
                  HtmlFragmentSanitizer::escapeText(name) + QLatin1String("</ingredient_name>");
        const QString method = IngredientRecords::textForKey(ingredient, QStringLiteral("method"));
        if (!method.isEmpty())
            markup += QLatin1String(", <ingredient_method>") + HtmlFragmentSanitizer::escapeText(method) +
                      QLatin1String("</ingredient_method>");
    }
    markup += QLatin1String("<br>");
    markup.remove(QLatin1String("(null)"));
    return markup;
}

QString RecipeDisplayController::metricLine(const QString& label, const QString& value) {
    return QLatin1String("<metric>") + label + QLatin1String("</metric> ") + value + QLatin1String("<br>");
}

QString RecipeDisplayController::difficultyName(long long level) {
    if (level == 1)
        return tr("Easy");
    if (level == 2)
        return tr("Medium");
    if (level == 3)
        return tr("Hard");
    return QString();
}

QString RecipeDisplayController::ratingStars(long long rating) {
    return rating >= 1 && rating <= 5 ? QString(int(rating), QChar(0x2605)) : QString();
}

QString RecipeDisplayController::withSingleCharacterFractions(QString html) {
    for (const MeasurementsConverter::GraphicalFraction& fraction :
         MeasurementsConverter::graphicalFractionTable())
        html.replace(fraction.typed, QString(fraction.character));
    return html;
}

QString RecipeDisplayController::withImageReferences(QString html, const RecipesManagedObject* recipe,
                                                     bool show) {
    static const char* const namedImages[] = {"FirstImage", "SecondImage", "ThirdImage", "FourthImage",
                                              "FifthImage"};
    for (int index = 1; index <= 5; ++index) {
        const QLatin1String reference(namedImages[index - 1]);
        if (html.contains(reference))
            html.replace(reference, show ? imageElement(recipe, index) : QString());
    }
    for (int index = 1; index <= 12; ++index) {
        const QString reference = u'[' + QString::number(index) + u']';
        if (html.contains(reference))
            html.replace(reference, show ? imageElement(recipe, index) : QString());
    }
    return html;
}

RenderSettings RenderSettings::fromUserDefaults() {
    std::optional<QVariantMap> registered;
    auto flag = [&registered](const QString& key) {
        if (UserDefaults::hasKey(key))
            return UserDefaults::boolForKey(key);
        if (!registered)
            registered = AppController::registeredDefaults();
        return registered->value(key).toBool();
    };
    RenderSettings settings;
    settings.displaySingleCharacterFractions = flag(QStringLiteral("displaySingleCharacterFractions"));
    settings.capitalizeRecipeAndIngredientTitles =
        flag(QStringLiteral("capitalizeRecipeAndIngredientTitles"));
    return settings;
}

RecipeDisplayController::RecipeDisplayController(LibrarySession* session, RecipeWebView* webView,
                                                 QObject* parent, const QString& resourcesRoot,
                                                 const QString& applicationSupportFolder)
    : QObject(parent), m_session(LibrarySession::require(session, "RecipeDisplayController")),
      m_recipesArrayController(&m_session.recipesArrayController()), m_webView(webView),
      m_alerts(&m_session.alerts()), m_resourcesRoot(resourcesRoot),
      m_applicationSupportFolder(applicationSupportFolder) {}

RecipeDisplayController::~RecipeDisplayController() {
    if (m_fireLoadRecipeInWebViewTimer)
        Scheduler::instance().cancel(m_fireLoadRecipeInWebViewTimer);
}

QString RecipeDisplayController::resourcesRoot() const {
    return m_resourcesRoot.isEmpty() ? resourcesPath() : m_resourcesRoot;
}

QString RecipeDisplayController::applicationSupportFolder() const {
    return m_applicationSupportFolder.isEmpty() ? AppController::applicationSupportFolder()
                                                : m_applicationSupportFolder;
}

QString RecipeDisplayController::displayFilePath() const {
    return applicationSupportFolder() + QStringLiteral("/Display.htm");
}

void RecipeDisplayController::delayedInitalize() {
    loadRecipeInWebView();
    if (m_recipesArrayController)
        connect(m_recipesArrayController, &RecipesArrayController::selectionChanged, this,
                &RecipeDisplayController::loadRecipeInWebView);
}

bool RecipeDisplayController::hasPendingRender() const {
    return m_fireLoadRecipeInWebViewTimer &&
           Scheduler::instance().isScheduled(m_fireLoadRecipeInWebViewTimer);
}

void RecipeDisplayController::fireLoadRecipeInWebView() {
    if (hasPendingRender())
        return;
    m_fireLoadRecipeInWebViewTimer = Scheduler::instance().schedule(
        kDelayedRenderSeconds, [this] { loadRecipeInWebView(); }, this);
}

void RecipeDisplayController::reloadWebView() {
    if (m_webView)
        m_webView->reload();
}

void RecipeDisplayController::switchToMainWindowMode() {
    m_templateModePlacement = RecipeViewMode;
    if (m_webView)
        m_webView->setTextSizeMultiplier(1.0);
    loadRecipeInWebView();
}

void RecipeDisplayController::switchToFullScreenMode() {
    m_templateModePlacement = FullScreenMode;
    loadRecipeInWebView();
}

QString RecipeDisplayController::incompatibleThemeMessage() {
    return tr("The theme you have selected is not compatible with this version of Larkspoon!.");
}

QString RecipeDisplayController::incompatibleThemeInformativeText() {
    return tr("Select a default theme or ask the creator of the theme to update it.");
}

void RecipeDisplayController::loadRecipeInWebView() {
    // A render now makes a pending delayed one needless.
    if (m_fireLoadRecipeInWebViewTimer) {
        Scheduler::instance().cancel(m_fireLoadRecipeInWebViewTimer);
        m_fireLoadRecipeInWebViewTimer = 0;
    }
    const QList<ManagedObject*> selection =
        m_recipesArrayController ? m_recipesArrayController->selectedObjects() : QList<ManagedObject*>();
    if (selection.isEmpty()) {
        if (m_webView)
            m_webView->loadHTMLString(noSelectionPage(resourcesRoot()));
        return;
    }
    ManagedObject* recipe = selection.first();

    QString theme = UserDefaults::stringForKey(QStringLiteral("selectedTheme"));
    if (theme.isEmpty())
        theme = QStringLiteral("Sky");
    const std::optional<ThemeTemplate> found =
        templateForTheme(resourcesRoot(), applicationSupportFolder(), theme, m_templateModePlacement,
                         UserDefaults::boolForKey(QStringLiteral("enableAlternateTheme")));
    if (!found) {
        if (m_alerts)
            m_alerts->ask(incompatibleThemeMessage(), incompatibleThemeInformativeText(), {tr("OK")});
        return;
    }
    const QString page =
        filledPage(recipe, found->text, found->basePath, m_webView ? m_webView->containerHeight() : 0,
                   RenderSettings::fromUserDefaults());

    const QString path = displayFilePath();
    QDir().mkpath(applicationSupportFolder());
    QSaveFile file(path);
    const QByteArray bytes = displayFileBytes(page);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qWarning("error could not write %s: %s", qPrintable(path), qPrintable(file.errorString()));
    if (m_webView)
        m_webView->loadFileURL(QUrl::fromLocalFile(path), true);

    // The new mark stays on the recipe at the top of the list, which is selected by itself
    // when the list is shown; any other marked recipe has now been seen.
    const QList<ManagedObject*>& arranged = m_recipesArrayController->arrangedObjects();
    const bool isFirst = !arranged.isEmpty() && arranged.first() == recipe;
    if (!isFirst && recipe->valueForKey(QStringLiteral("isMarkedAsNew")).toBool()) {
        recipe->setValueForKey(QVariant(), QStringLiteral("isMarkedAsNew"));
        m_session.counterUpdater().queUpdateCounterValues();
    }
}

std::optional<QString> RecipeDisplayController::readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    if (const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*encoding);
        return QString(decoder.decode(data));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = QString::fromLatin1(data);
    return text;
}

std::optional<ThemeTemplate> RecipeDisplayController::templateForTheme(const QString& resourcesRoot,
                                                                       const QString& supportFolder,
                                                                       const QString& theme,
                                                                       const QString& mode, bool alternate) {
    // A theme name comes from the user defaults; it must name a folder, not a path.
    if (theme.isEmpty() || theme.contains(u'/') || theme == QLatin1String(".") ||
        theme == QLatin1String(".."))
        return std::nullopt;
    const QString file =
        alternate ? QStringLiteral("AlternateTemplate.html") : QStringLiteral("Template.html");
    const QString roots[] = {resourcesRoot + QStringLiteral("/Themes/"),
                             supportFolder + QStringLiteral("/Theme Development/")};
    for (const QString& root : roots) {
        const QString path = root + theme + u'/' + mode + u'/' + file;
        if (!QFileInfo::exists(path))
            continue;
        std::optional<QString> text = readTextFile(path);
        if (!text)
            return std::nullopt;
        return ThemeTemplate{*text, root + theme + u'/', path};
    }
    return std::nullopt;
}

QString RecipeDisplayController::noSelectionPage(const QString& resourcesRoot) {
    const QString path = resourcesRoot + QStringLiteral("/Themes/!StaticPages/NoRecipeSelection.html");
    std::optional<QString> page = readTextFile(path);
    if (!page) {
        qWarning("error could not read %s", qPrintable(path));
        return QString();
    }
    page->replace(QLatin1String("Empty Selection"), tr("Empty Selection"));
    return *page;
}

QByteArray RecipeDisplayController::displayFileBytes(const QString& page) {
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(page);
}

QString RecipeDisplayController::filledPage(const ManagedObject* recipe, const QString& templateText,
                                            const QString& basePath, int containerHeight,
                                            const RenderSettings& settings) {
    QString page = templateText;
    page.reserve(templateText.size() * 2 + 4096);

    QString base = basePath;
    base.replace(u' ', QLatin1String("%20"));
    page.replace(QLatin1String("<!--base_Path-->"), base);

    // Minimum height: the container's height less the template's offset, which stands in a
    // style-sheet comment as "minHeightOffsetValue:<digits>*/".
    static const QLatin1String offsetMarker("minHeightOffsetValue:");
    long long offset = 0;
    const qsizetype marker = templateText.indexOf(offsetMarker);
    if (marker >= 0) {
        const QStringView rest = QStringView(templateText).mid(marker + offsetMarker.size());
        const qsizetype star = rest.indexOf(u'*');
        offset = structuredIntegerValue((star < 0 ? rest : rest.left(star)).toString());
    }
    page.replace(QLatin1String("<!--minHeight-->"), QString::number(containerHeight - offset));

    const auto* recipeRecord = dynamic_cast<const RecipesManagedObject*>(recipe);

    // The sections, in order: each either filled or hidden by its marker.
    const QString name = text(recipe, "name");
    if (!name.isEmpty())
        page.replace(QLatin1String("<!--recipe_title-->"), HtmlFragmentSanitizer::escapeText(name));
    else
        page.replace(QLatin1String("/*title_hide*/"), kHidden);

    const QString directions = text(recipe, "directions");
    if (!directions.isEmpty()) {
        page.replace(QLatin1String("<!--directions_title-->"), tr("Directions:"));
        page.replace(QLatin1String("<!--directions-->"), directionsHtml(directions));
    } else {
        page.replace(QLatin1String("/*directions_hide*/"), kHidden);
    }

    const struct {
        const char* key;
        const char* titlePlaceholder;
        const char* title;
        const char* placeholder;
        const char* hideMarker;
    } paragraphs[] = {
        {"recipeDescription", "<!--description_title-->", QT_TR_NOOP("Description:"), "<!--description-->",
         "/*description_hide*/"},
        {"notes", "<!--notes_title-->", QT_TR_NOOP("Notes:"), "<!--notes-->", "/*notes_hide*/"},
        {"privateNotes", "<!--private_notes_title-->", QT_TR_NOOP("Private Notes:"), "<!--private_notes-->",
         "/*private_notes_hide*/"},
    };
    for (const auto& section : paragraphs) {
        const QString value = text(recipe, section.key);
        if (!value.isEmpty()) {
            page.replace(QLatin1String(section.titlePlaceholder), tr(section.title));
            page.replace(QLatin1String(section.placeholder), plainParagraphs(value));
        } else {
            page.replace(QLatin1String(section.hideMarker), kHidden);
        }
    }

    const QVariantList ingredients = IngredientRecords::ingredientsOfRecipe(recipe);
    if (!ingredients.isEmpty()) {
        page.replace(QLatin1String("<!--ingredients_title-->"), tr("Ingredients:"));
        page.replace(QLatin1String("<!--ingredients-->"),
                     ingredientMarkup(ingredients, settings.capitalizeRecipeAndIngredientTitles));
    } else {
        page.replace(QLatin1String("/*ingredients_hide*/"), kHidden);
    }

    if (recipeRecord && recipeRecord->hasImageAtIndex(1))
        page.replace(QLatin1String("<!--recipe_picture-->"), imageElement(recipeRecord, 1));
    else
        page.replace(QLatin1String("/*picture_hide*/"), kHidden);

    const QString metrics = metricsText(recipe);
    if (metrics.size() >= 2) {
        page.replace(QLatin1String("<!--extrainfo_title-->"), tr("Additional Metrics:"));
        page.replace(QLatin1String("<!--extrainfo-->"), metrics);
    } else {
        page.replace(QLatin1String("/*extrainfo_hide*/"), kHidden);
    }

    const QString stars = ratingStars(structuredIntegerValue(recipe->valueForKey(QStringLiteral("rating"))));
    if (!stars.isEmpty())
        page.replace(QLatin1String("<!--recipe_rating-->"), stars);
    else
        page.replace(QLatin1String("/*rating_hide*/"), kHidden);

    if (settings.displaySingleCharacterFractions)
        page = withSingleCharacterFractions(std::move(page));
    return withImageReferences(std::move(page), recipeRecord, true);
}

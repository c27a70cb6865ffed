#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class Alerts;
class LibrarySession;
class ManagedObject;
class RecipeWebView;
class RecipesManagedObject;
class RecipesArrayController;

// The user defaults the page depends on, read once per render.
struct RenderSettings {
    bool displaySingleCharacterFractions = true;
    bool capitalizeRecipeAndIngredientTitles = false;
    // The defaults as stored, a missing one taken from the registered defaults.
    static RenderSettings fromUserDefaults();
};

// A template found for a theme and mode: its text and the base path of its theme folder.
struct ThemeTemplate {
    QString text;
    QString basePath; // the theme folder, ending with "/"
    QString path;     // the template file read
};

// Renders the recipe selected in the main window's recipe list as an HTML page: fills the
// selected theme's template with the recipe, writes it to "Display.htm" in the application
// support folder and has the web view load that file. "Recipe View" and "Full Screen" only
// choose the template folder of the theme.
//
// Safety: recipe texts may come from other people. Fields that are plain text (name,
// description, notes, private notes, ingredient fields, metrics, attribution) are escaped
// as HTML text before they go into the page; directions, which are HTML, pass through
// HtmlFragmentSanitizer::sanitizeFragment; an import address only becomes a link when it is
// not a script or data address. Placeholders are then replaced in the usual order, so image
// references ("[1]") and typed fractions in recipe texts still turn into pictures and
// single-character fractions.
class RecipeDisplayController : public QObject {
    Q_OBJECT
public:
    static inline const QString RecipeViewMode = QStringLiteral("Recipe View");
    static inline const QString FullScreenMode = QStringLiteral("Full Screen");

    // resourcesRoot and applicationSupportFolder: empty for the program's own folders
    // (resourcesPath() and AppController::applicationSupportFolder()).
    RecipeDisplayController(LibrarySession* session, RecipeWebView* webView, QObject* parent = nullptr,
                            const QString& resourcesRoot = QString(),
                            const QString& applicationSupportFolder = QString());
    ~RecipeDisplayController() override;

    // Renders once and from then on renders at every selection change of the recipe list.
    // The container's size changes are handed in by the view through fireLoadRecipeInWebView.
    void delayedInitalize();

    // Renders the selected recipe (or the no-selection page) now.
    void loadRecipeInWebView();
    // Renders 0.1 s from now unless a delayed render is already pending.
    void fireLoadRecipeInWebView();
    bool hasPendingRender() const;
    void refreshDisplayView() { loadRecipeInWebView(); }
    void reloadWebView();
    void switchToMainWindowMode();
    void switchToFullScreenMode();
    const QString& templateModePlacement() const { return m_templateModePlacement; }

    QString resourcesRoot() const;
    QString applicationSupportFolder() const;
    QString displayFilePath() const; // application support folder + "/Display.htm"

    // The template of theme for mode: the resources root's theme first, then the
    // "Theme Development" one. alternate: "AlternateTemplate.html" instead of
    // "Template.html". None when neither file can be read.
    static std::optional<ThemeTemplate> templateForTheme(const QString& resourcesRoot,
                                                         const QString& supportFolder, const QString& theme,
                                                         const QString& mode, bool alternate);
    // Reads an HTML file: the encoding of its byte-order mark, else UTF-8, else Latin-1.
    static std::optional<QString> readTextFile(const QString& path);

    // The page for recipe from templateText: every placeholder, hide marker and setting
    // marker filled, typed fractions and image references replaced. No file is touched
    // except to check whether the first picture exists.
    static QString filledPage(const ManagedObject* recipe, const QString& templateText,
                              const QString& basePath, int containerHeight, const RenderSettings& settings);
    // Pieces of the page, shared with the card generator.
    static QString plainParagraphs(const QString& text);      // escaped, "\n\n" as "<br><br>"
    static QString directionsHtml(const QString& directions); // sanitized, "\n\n" as "<br><br>"
    static QString imageElement(const RecipesManagedObject* recipe, int index);
    // One entry of an ingredient list: a group title or quantity, measurement, name and
    // method, "(null)" removed, followed by "<br>".
    static QString ingredientLine(const QVariant& ingredient, bool capitalize);
    static QString metricLine(const QString& label, const QString& value); // ends with "<br>"
    static QString difficultyName(long long level);                        // empty unless 1 to 3
    static QString ratingStars(long long rating);                          // empty unless 1 to 5
    static QString withSingleCharacterFractions(QString html);
    // "FirstImage" … "FifthImage" and "[1]" … "[12]" as image elements (show) or removed.
    static QString withImageReferences(QString html, const RecipesManagedObject* recipe, bool show);
    // The static page shown when no recipe is selected.
    static QString noSelectionPage(const QString& resourcesRoot);
    // The page as "Display.htm" holds it: UTF-16 with a byte-order mark.
    static QByteArray displayFileBytes(const QString& page);

    // The message texts of a theme without the needed template.
    static QString incompatibleThemeMessage();
    static QString incompatibleThemeInformativeText();

private:
    LibrarySession& m_session;
    RecipesArrayController* m_recipesArrayController;
    RecipeWebView* m_webView;
    Alerts* m_alerts;
    QString m_resourcesRoot;
    QString m_applicationSupportFolder;
    QString m_templateModePlacement = RecipeViewMode;
    int m_fireLoadRecipeInWebViewTimer = 0; // the Scheduler id of the pending delayed render
};

#pragma once

#include <QList>
#include <QObject>
#include <QString>

class ThemeTextSizePort;

// One row of the theme selector: the name as listed and stored in `selectedTheme`, the
// root the name was found in, and the thumbnail file (empty when the theme has none).
struct ThemeRow {
    enum class Root { Resources, Development };
    QString name;
    Root root = Root::Resources;
    QString thumbnailPath;
};

// Where the page and the window go when the selector slides in.
struct ThemeSelectorGeometry {
    int windowGrowth = 0; // how much wider the main window becomes
    int webViewWidth = 0; // the page's new width beside the selector
};

// The headless part of the theme selector beside a recipe page: the list of themes from
// both roots, the choice of the screen theme, the first-run introduction's guard, the
// selector's widths and the page's text size commands. The slide-in widget drives it.
// Every live controller is registered, so commands for all recipe pages reach each one.
class ThemeController : public QObject {
    Q_OBJECT
public:
    static constexpr int kSelectorWidth = 200;

    // The application's roots: resources + "/Themes" and the application support folder
    // + "/Theme Development".
    explicit ThemeController(QObject* parent = nullptr);
    // Other roots, for tests and tools.
    ThemeController(QString resourcesRoot, QString developmentRoot, QObject* parent = nullptr);
    ~ThemeController() override;

    static QString defaultResourcesRoot();
    static QString defaultDevelopmentRoot();
    const QString& resourcesRoot() const { return m_resourcesRoot; }
    const QString& developmentRoot() const { return m_developmentRoot; }

    // The names of both roots in one case-insensitive order, a name present in both
    // twice, without "!StaticPages", ".DS_Store" and "ReadMe.rtf". A missing root adds
    // nothing. Each row's thumbnail comes from the resources copy when there is one.
    static QList<ThemeRow> themeList(const QString& resourcesRoot, const QString& developmentRoot);

    // Rebuilds the rows (setupThemeSelector) and the row to select.
    void setupThemeSelector();
    const QList<ThemeRow>& rows() const { return m_rows; }
    // The last row named like `selectedTheme`; -1 when no row has that name.
    int rowToSelect() const { return m_rowToSelect; }

    // The user picked a row: stores its name as `selectedTheme` and asks for the page
    // to be rendered again. Out-of-range rows are ignored.
    void chooseTheme(int row);
    // `selectedTheme`, "Sky" when it was never set.
    static QString selectedTheme();

    // Widths when the selector slides in beside a page whose container is
    // containerWidth wide. In the main window a container narrower than 900 widens the
    // window to make room and leaves the page 700 wide; otherwise the page gives up the
    // selector's width (never below zero) and the window keeps its size.
    static ThemeSelectorGeometry selectorGeometry(int containerWidth, bool containerInMainWindow);

    // Asked each time the selector has been shown: true once per installation, on a
    // first launch (no `hasLaunchedBefore`), and then `hasShownThemeSelector` is set.
    static bool takeIntroductionTurn();

    // The introduction panel's state as the widget reports it; closing an open panel
    // toggles every selector so they hide with it. Closing a closed panel does nothing.
    void introductionShown() { m_introductionOpen = true; }
    bool introductionOpen() const { return m_introductionOpen; }
    void removeThemeIntroductionWindow();

    // The page whose text size this controller changes (not owned; may be null).
    void setTextSizePort(ThemeTextSizePort* port) { m_textSize = port; }
    void enlargeText();
    void shrinkText();
    void toogleThemeSelectorView();

    // Commands for every registered recipe page.
    static const QList<ThemeController*>& themeControllers();
    static void toogleThemeSelectors();
    static void enlargeRecipeWebViewsText();
    static void shrinkRecipeWebViewsText();

signals:
    // A theme was chosen: the recipe page must be rendered again.
    void themeChosen(const QString& name);
    // The selector widget slides in or out.
    void selectorToggleRequested();
    // The widget closes the introduction panel.
    void introductionCloseRequested();

private:
    QString m_resourcesRoot;
    QString m_developmentRoot;
    QList<ThemeRow> m_rows;
    int m_rowToSelect = -1;
    bool m_introductionOpen = false;
    ThemeTextSizePort* m_textSize = nullptr;
};

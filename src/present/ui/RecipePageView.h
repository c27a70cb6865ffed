#pragma once

#include <QPointer>
#include <QWidget>

class Alerts;
class DisplayWebView;
class LibrarySession;
class QFrame;
class QListWidget;
class RecipeDisplayController;
class RecipesArrayController;
class ThemeController;

// The recipe page of the main window: the rendered page, the theme selector that slides in
// beside it, and the once-only introduction that points the new user at the selector.
class RecipePageView : public QWidget {
    Q_OBJECT
public:
    explicit RecipePageView(LibrarySession* session, QWidget* parent = nullptr);
    ~RecipePageView() override;

    DisplayWebView* webView() const { return m_webView; }
    RecipeDisplayController* displayController() const { return m_display; }
    ThemeController* themeController() const { return m_themes; }
    QListWidget* themeList() const { return m_themeList; }
    QFrame* introduction() const { return m_introduction; }
    bool isThemeSelectorShown() const;

    // Renders once and from then on follows the recipe list (the window calls it once).
    void delayedInitalize();
    // Shows or hides the theme selector beside the page.
    void toogleThemeSelectorView();
    // The first launch's introduction, shown once per installation with the selector.
    void showIntroductionIfFirstTime();

private:
    void buildThemeSelector();
    void fillThemeList();

    DisplayWebView* m_webView;
    RecipeDisplayController* m_display;
    ThemeController* m_themes;
    QFrame* m_selector = nullptr;
    QListWidget* m_themeList = nullptr;
    QFrame* m_introduction = nullptr;
    int m_windowGrowth = 0; // how much the window was widened for the selector
};

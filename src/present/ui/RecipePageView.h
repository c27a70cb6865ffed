#pragma once

#include <QPointer>
#include <QWidget>

class Alerts;
class DisplayWebView;
class LibrarySession;
class QFrame;
class QListWidget;
class QPropertyAnimation;
class RecipeDisplayController;
class RecipesArrayController;
class ThemeController;

// The recipe page of the main window: the rendered page, the theme selector that slides in
// from the left of it, and the once-only introduction that points the new user at the
// selector, floating beside it. Where the page would get narrower than a readable width
// beside the selector, the selector lies over the page instead of squeezing it.
class RecipePageView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int selectorOffset READ selectorOffset WRITE setSelectorOffset)
public:
    // The narrowest the page gets: beside the selector (narrower, the selector overlays it), and
    // in the main window while the list and the sidebar can still give way.
    static constexpr int kReadablePageWidth = 440;
    static constexpr int kSlideMilliseconds = 250;

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
    // Shows or hides the theme selector beside the page. Showing it widens a narrow main
    // window as far as its screen allows; hiding it leaves the window's size alone.
    void toogleThemeSelectorView();
    // Shows or hides the selector without touching the window (a restored window).
    void setThemeSelectorShown(bool shown);
    // Whether the selector lies over the page rather than beside it.
    bool themeSelectorOverlaysPage() const;
    QFrame* themeSelector() const { return m_selector; }
    // Ends a running slide at once, where it was going (tests and pictures).
    void finishSlide();
    // How far the selector has slid in: 0 hidden, ThemeController::kSelectorWidth shown.
    int selectorOffset() const { return m_selectorOffset; }
    void setSelectorOffset(int offset);
    // The first launch's introduction, shown once per installation with the selector.
    void showIntroductionIfFirstTime();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildThemeSelector();
    void buildIntroduction();
    void fillThemeList();
    void slideTo(int offset);
    void layoutChildren();

    DisplayWebView* m_webView;
    RecipeDisplayController* m_display;
    ThemeController* m_themes;
    QFrame* m_selector = nullptr;
    QListWidget* m_themeList = nullptr;
    QFrame* m_introduction = nullptr;
    QPropertyAnimation* m_slide = nullptr;
    int m_selectorOffset = 0;
    bool m_selectorWanted = false; // shown or sliding in
    bool m_hiding = false;
};

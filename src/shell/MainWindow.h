#pragma once

#include "library/RecipesArrayController.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QFrame;
class QLabel;
class RecipePageView;
class QMenu;
class QProgressBar;
class SearchBoxMenu;
class SidebarOutlineView;
class QLineEdit;
class QSplitter;
class QTableView;
class RecipeListView;
class RecipeVisualBrowser;
class QToolBar;
class QCloseEvent;
class QKeyEvent;
class QToolButton;

// The library window: the toolbar, the sidebar, the recipe list and the recipe page side
// by side, and a status line with the number of recipes listed. The list is a view of the
// recipes array controller; its selection and the controller's are kept the same both ways.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void setRecipesArrayController(RecipesArrayController* controller);
    RecipesArrayController* recipesArrayController() const { return m_controller; }

    QToolBar* toolbar() const { return m_toolbar; }
    QTableView* recipeTable() const;
    RecipeListView* recipeList() const { return m_table; }
    QLineEdit* searchField() const { return m_searchField; }
    QMenu* searchScopeMenu() const { return m_searchScopeMenu; }
    SidebarOutlineView* sidebar() const { return m_sidebar; }
    // The search field's scopes and text go to the menu's logic.
    void setSearchBoxMenu(SearchBoxMenu* menu);
    QSplitter* splitter() const { return m_splitter; }
    // The recipe list's two presentations: the table or the visual browser's strip of
    // cards, in the same place. The choice is kept in the default visualBrowserEnabled.
    RecipeVisualBrowser* visualBrowser() const { return m_visualBrowser; }
    bool isVisualBrowserEnabled() const { return m_visualBrowserEnabled; }
    void setVisualBrowserEnabled(bool enabled);
    // The text of the recipe page placeholder (the first selected recipe's name).
    QString recipePageText() const;
    QString statusText() const;
    // The platefeed work ("Publishing …", "Updating …", or the failure of the last check),
    // at the right of the status line, with a busy bar while busy; an empty text hides both.
    void setPlatefeedStatus(const QString& text, bool busy = true);
    QString platefeedStatus() const;
    bool isPlatefeedStatusShown() const;
    bool isPlatefeedBusyShown() const;

    // Shows the theme selectors of the recipe views once, a moment after the first launch.
    void toogleThemeSelectors();
    // Puts the rendered recipe page in the page area (once).
    void setRecipePage(RecipePageView* page);
    RecipePageView* recipePage() const { return m_recipePage; }
    // While the full-screen view has the page, the editors still take the page area here but
    // leave the page alone; its place is shown as they want it when the page comes back.
    void setRecipePageLent(bool lent);
    bool isRecipePageLent() const { return m_recipePageLent; }
    // The recipe editor takes the page area while it is open.
    void showRecipeEditor(QWidget* editor);
    void hideRecipeEditor();
    bool isRecipeEditorShown() const;
    // A selected grocery list shows its editor in the page area instead of the recipe page.
    void showGroceryEditor(QWidget* editor);
    void hideGroceryEditor();
    bool isGroceryEditorShown() const;

    // The size a window opens with when nothing else decides it.
    static QSize initialSize() { return {1100, 720}; }
    static constexpr int kSidebarMinimumWidth = 140;
    static constexpr int kListMinimumWidth = 200;
    static constexpr int kPageMinimumWidth = 300;
    // The widths of sidebar, list and page for a splitter of total width (handles
    // excluded): the page takes what grows; what shrinks comes from the page down to a
    // readable width, then from the list and the sidebar down to their minimums, then from
    // the page down to its minimum.
    static QList<int> distributeWidths(int total, const QList<int>& current);

    // The window's frame, splitter and theme selector as the settings keep them.
    void saveWindowState() const;
    // The frame and splitter saved last time; false (and nothing changed) when none was
    // saved or the saved frame is on no screen now.
    bool restoreWindowState();

    // The message in the list area when a search finds nothing.
    QLabel* noResultsLabel() const { return m_noResults; }

    bool hasShownRecipeList() const { return m_listShownReported; }

signals:
    // The recipe list was painted for the first time with the controller's recipes in it.
    void recipeListShown();
    // The recipe buttons and a double click in the list.
    void newRecipeRequested();
    void editRecipeRequested();
    void deleteRecipeRequested();
    // The toolbar's Web Importer item.
    void webImporterRequested();
    // A web address dropped on the window outside the sidebar (which takes it on a group).
    void webAddressDropped(const QString& address);
    // The window was closed: the application quits the way File > Quit does. The window
    // stays open until then, so a cancelled quit keeps it.
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar();
    void buildCentralArea();
    void prepareFirstLaunch();
    void placeAtInitialFrame();
    void tableSelectionChanged();
    void controllerSelectionChanged();
    void selectControllerRowsInTable();
    void updateRecipePage();
    void updateStatus();
    bool dragRecipesFromTable(QEvent* event);
    bool searchFieldKey(QKeyEvent* event);
    bool tableKey(QKeyEvent* event);
    void selectRow(int row);
    void arrangementChanged();
    void rememberSelection();
    void updateNoResults();
    void setRecipePageShown(bool shown);

    QToolBar* m_toolbar = nullptr;
    QSplitter* m_splitter = nullptr;
    RecipeListView* m_table = nullptr;
    RecipeVisualBrowser* m_visualBrowser = nullptr;
    bool m_visualBrowserEnabled = false;
    // The splitter's widths while the table was shown, given back when it returns.
    QList<int> m_tableSizes;
    QLabel* m_recipePageTitle = nullptr;
    QLineEdit* m_searchField = nullptr;
    QAction* m_searchScopeAction = nullptr;
    QAction* m_searchAction = nullptr;
    QMenu* m_searchScopeMenu = nullptr;
    SidebarOutlineView* m_sidebar = nullptr;
    QFrame* m_pageArea = nullptr;
    RecipePageView* m_recipePage = nullptr;
    bool m_recipePageShown = true; // as the page area wants it
    bool m_recipePageLent = false;
    QPointer<QWidget> m_recipeEditor;
    QPointer<QWidget> m_groceryEditor;
    bool m_groceryEditorWanted = false; // a grocery list is selected
    QPointer<SearchBoxMenu> m_searchBoxMenu;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_platefeedStatus = nullptr;
    QProgressBar* m_platefeedActivity = nullptr;
    QString m_platefeedStatusText;
    QLabel* m_noResults = nullptr;
    // The recipes selected last, by unique identifier: a search that hides them and a
    // later one that lists them again gives them their selection back.
    QStringList m_rememberedSelection;
    QPointer<RecipesArrayController> m_controller;
    QList<QMetaObject::Connection> m_controllerConnections;
    QPoint m_dragStart;
    bool m_syncingSelection = false;
    bool m_shownBefore = false;
    bool m_listShownReported = false;
    bool m_restoringSelection = false;
};

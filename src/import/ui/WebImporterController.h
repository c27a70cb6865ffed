#pragma once

#include "import/WebImporterRules.h"
#include "import/WebRecipeExtraction.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class BookmarksModel;
class BookmarksPopover;
class GenericFileDownloader;
class GroupsManagedObject;
class HtmlPage;
class LibrarySession;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QShortcut;
class QStackedWidget;
class QTextEdit;
class QToolButton;
class QWebEngineView;
class RecipeEditorController;
class RecipeEditorImageView;
class RecipeEditorTagsTokenField;
class RecipeEditorView;

// The web importer: a small browser window in which the user finds recipes and turns them
// into library recipes. A page whose recipe an extractor recognises offers a one-click
// import (the import bar is raised); on any page, or in the text view for pasted text, the
// user selects text and presses one of the eleven field buttons, which marks the selection
// in the field's colour and adds its text to the field. Import opens the new recipe in the
// importer's own recipe editor, which takes the place of the page; nothing reaches the
// library until the editor saves it.
//
// Pages run their scripts here, in an off-the-record profile of their own: no file access
// from pages, no downloads, no permissions. The program reads the page only through its
// own scripts in an isolated world (the selection and its marking).
class WebImporterController : public QWidget {
    Q_OBJECT
public:
    // Who asked for a page to be examined: the importer itself (pages browsed here) or the
    // library window (a dropped link).
    enum class Requester { WebImporter, LibraryWindow };

    explicit WebImporterController(LibrarySession* session, QWidget* parent = nullptr);
    ~WebImporterController() override;

    // --- The window ---
    // Shows the window (when showWindow is on) and brings it to the front.
    void openWebImporter();
    void setShowWindow(bool show) { m_showWindow = show; }
    // Loads the address when the address field is enabled (an open editor disables it).
    void loadURL(const QString& address);
    // The group a recipe imported here joins (the one selected in the library window).
    void setSelectedGroupProvider(std::function<GroupsManagedObject*()> provider);

    // --- Automatic import ---
    // Examines the address (every "&amp;" read as "&"): the same address twice from the
    // importer is examined once. The page is fetched and the extractors look for a recipe;
    // a recipe raises the import bar. A link dropped on the library window is opened here.
    void determineAutoImportAbilityFromAddress(const QString& address, Requester requester);
    QString currentURL() const { return m_currentURL; }
    // The site extractor the address's host picks (empty for other hosts).
    QString currentImporter() const { return m_currentImporter; }
    // What the extractors found on the page examined last, if anything.
    const std::optional<webimport::ExtractedRecipe>& foundRecipe() const { return m_found; }

    // --- The import bar ---
    void raiseImportView(bool byImporter);
    void lowerImportView();
    const webimport::ImportBar& importBar() const { return m_bar; }

    // --- Collecting and importing ---
    // Adds the selection (of the page, or of the text view when shown) to the field of tag.
    void selectionButtonAction(int tag);
    const webimport::WebImportAccumulators& accumulators() const { return m_texts; }
    void importButtonAction();
    void resetButtonAction();
    void toogleTextView(bool on);
    bool isTextViewShown() const { return m_textViewShown; }
    void toogleBookmarks();
    void backAndForthButtons(int segment);
    void textSizeButtons(int segment);
    void refreshStopButtonAction();
    void urlTextFieldAction();
    void searchFieldAction();
    void goToSiteFromSiteButton(const QString& address);
    // The importer's editor, made on first use.
    RecipeEditorController* recipeEditorController();
    void addImagesForManualWebImport();

    // Widgets, for tests and pictures of the window.
    HtmlPage* htmlPage() const { return m_page; }
    QWebEngineView* pageView() const { return m_pageView; }
    QLineEdit* addressField() const { return m_address; }
    QLineEdit* searchField() const { return m_search; }
    QPushButton* fieldButton(int tag) const;
    QPushButton* importButton() const { return m_importButton; }
    QPushButton* resetButton() const { return m_resetButton; }
    QTextEdit* textView() const { return m_textView; }
    RecipeEditorImageView* imageWells() const { return m_wells; }
    RecipeEditorTagsTokenField* keywordsField() const { return m_keywords; }
    RecipeEditorView* editorView() const { return m_editorView; }
    QWidget* importBarWidget() const { return m_fieldBar; }
    BookmarksModel* bookmarks() const { return m_bookmarks; }
    BookmarksPopover* bookmarksPopover() const { return m_popover; }
    QToolButton* bookmarksButton() const { return m_bookmarksButton; }

signals:
    // The selection's text was collected for the field of tag (empty text: nothing added).
    void selectionCollected(int tag, const QString& text);
    // The examination of an address ended; found tells whether a recipe is on the page.
    void autoImportChecked(const QString& address, bool found);
    // A recipe made here was saved into the library.
    void recipeImported();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    QWidget* buildNavigationBar();
    QWidget* buildImportBar();
    void configurePage();
    void loadStartPage();
    void showAddress(const QUrl& url);
    void checkForRecipe(const QUrl& url, Requester requester);
    void finishCheck(quint64 check, const QUrl& url, Requester requester, const QByteArray& page);
    void collectText(int tag, const QString& text);
    void updateFieldButtons();
    void updateBarAppearance();
    void updateNavigationButtons();
    void setLoading(bool loading);
    void showEditor();
    void editorClosed(bool saved);
    void downloadPictures(const QList<QUrl>& pictures, RecipesManagedObject* recipe);

    LibrarySession& m_session;
    bool m_showWindow = true;
    QString m_currentURL;
    QString m_currentImporter;
    std::optional<webimport::ExtractedRecipe> m_found;
    quint64 m_checkNumber = 0;
    webimport::ImportBar m_bar;
    webimport::WebImportAccumulators m_texts;
    bool m_textViewShown = false;
    bool m_loading = false;
    std::function<GroupsManagedObject*()> m_selectedGroup;

    GenericFileDownloader* m_downloader;
    HtmlPage* m_page = nullptr;
    QWebEngineView* m_pageView = nullptr;
    QStackedWidget* m_stack = nullptr;
    QTextEdit* m_textView = nullptr;
    QWidget* m_editorContainer = nullptr;
    RecipeEditorController* m_editor = nullptr;
    RecipeEditorView* m_editorView = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_smaller = nullptr;
    QToolButton* m_larger = nullptr;
    QToolButton* m_reloadStop = nullptr;
    QToolButton* m_textViewButton = nullptr;
    QToolButton* m_bookmarksButton = nullptr;
    QToolButton* m_addBookmarkButton = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_loadingLabel = nullptr;
    QProgressBar* m_loadingIndicator = nullptr;
    QWidget* m_fieldBar = nullptr;
    std::array<QPushButton*, webimport::kFieldCount> m_fieldButtons{};
    std::array<QShortcut*, webimport::kFieldCount> m_shortcuts{};
    RecipeEditorImageView* m_wells = nullptr;
    RecipeEditorTagsTokenField* m_keywords = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_resetButton = nullptr;
    BookmarksModel* m_bookmarks = nullptr;
    BookmarksPopover* m_popover = nullptr;
};

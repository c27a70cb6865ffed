#include "WebImporterController.h"

#include "BookmarksTableView.h"
#include "import/BookmarksModel.h"
#include "import/GenericFileDownloader.h"
#include "library/AppController.h"
#include "library/LibrarySession.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesManagedObject.h"
#include "library/ui/RecipeEditorImageView.h"
#include "library/ui/RecipeEditorTagsTokenField.h"
#include "library/ui/RecipeEditorView.h"
#include "platform/HtmlPage.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

using namespace webimport;

namespace {

// The sites whose recipes the extractors read, as the site buttons offer them.
struct SiteButton {
    const char* title;
    const char* address;
};
constexpr SiteButton kSites[] = {
    {"BBC Good Food", "https://www.bbcgoodfood.com/"},
    {"MyRecipes", "https://www.myrecipes.com/"},
    {"Allrecipes", "https://www.allrecipes.com/"},
    {"BHG", "https://www.bhg.com/recipes/"},
    {"Cookstr", "https://www.cookstr.com/"},
    {"Epicurious", "https://www.epicurious.com/"},
    {"Food Network", "https://www.foodnetwork.com/"},
    {"Martha Stewart", "https://www.marthastewart.com/"},
    {"Vegetarian Times", "https://www.vegetariantimes.com/"},
    {"taste.com.au", "https://www.taste.com.au/"},
    {"Recettes", "https://www.recettes.qc.ca/"},
};

QString cssColour(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return QStringLiteral("rgb(%1, %2, %3)").arg(rgb.red()).arg(rgb.green()).arg(rgb.blue());
}

// Takes the page's selection and marks it in the field's colour (white text), in the
// program's own script world: the page's scripts neither see nor change it. Returns the
// selection's plain text.
QString markSelectionScript(const QColor& background) {
    return QStringLiteral("(function (background, text) {"
                          "  var selection = window.getSelection();"
                          "  var picked = selection ? selection.toString() : '';"
                          "  if (!picked) return '';"
                          "  var mode = document.designMode;"
                          "  document.designMode = 'on';"
                          "  document.execCommand('styleWithCSS', false, true);"
                          "  document.execCommand('hiliteColor', false, background);"
                          "  document.execCommand('foreColor', false, text);"
                          "  document.designMode = mode;"
                          "  return picked;"
                          "})('%1', 'rgb(255, 255, 255)');")
        .arg(cssColour(background));
}

bool isWebAddress(const QUrl& url) {
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// The importer's page view: when the click is on the selection, the context menu begins
// with the eleven field items.
class ImporterPageView : public QWebEngineView {
public:
    using QWebEngineView::QWebEngineView;
    std::function<void(QMenu*, QAction*)> addFieldItems;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu* menu = createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
        if (request && !request->selectedText().isEmpty() && addFieldItems) {
            QAction* first = menu->actions().value(0);
            addFieldItems(menu, first);
            menu->insertSeparator(first);
        }
        menu->popup(event->globalPos());
    }
};

QString supportFile(const QString& name) {
    const QString folder = AppController::applicationSupportFolder();
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

} // namespace

WebImporterController::WebImporterController(LibrarySession* session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(LibrarySession::require(session, "WebImporterController")),
      m_downloader(new GenericFileDownloader(this)) {
    setObjectName(QStringLiteral("WebImporterWindow"));
    setWindowTitle(tr("Web Importer"));
    m_bookmarks = new BookmarksModel(this);
    const QString libraryPath = m_session.libraryPath();
    m_bookmarks->load(libraryPath.isEmpty() ? QString()
                                            : libraryPath + QLatin1Char('/') + BookmarksModel::fileName());
    buildWindow();
    configurePage();
    resize(1100, 800);
    updateFieldButtons();
    updateBarAppearance();
    updateNavigationButtons();
    loadStartPage();
}

WebImporterController::~WebImporterController() {
    // A recipe still in the editor was never saved: it leaves the library with the window.
    if (m_editor && m_editor->isOpen()) {
        m_editor->disconnect(this);
        m_editor->cancelButtonAction();
    }
}

// --- Building the window ----------------------------------------------------------------------

void WebImporterController::buildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildNavigationBar());

    auto* sites = new QToolBar(this);
    sites->setObjectName(QStringLiteral("siteButtons"));
    sites->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const SiteButton& site : kSites) {
        QAction* action = sites->addAction(QString::fromUtf8(site.title));
        const QString address = QString::fromLatin1(site.address);
        action->setToolTip(address);
        connect(action, &QAction::triggered, this, [this, address] { goToSiteFromSiteButton(address); });
    }
    layout->addWidget(sites);

    m_stack = new QStackedWidget(this);
    auto* pageView = new ImporterPageView(m_stack);
    pageView->setObjectName(QStringLiteral("webImporterPageView"));
    pageView->addFieldItems = [this](QMenu* menu, QAction* before) {
        for (const WebImportField& field : webImportFields()) {
            auto* item = new QAction(fieldTitle(field), menu);
            item->setData(field.tag);
            const int tag = field.tag;
            connect(item, &QAction::triggered, this, [this, tag] { selectionButtonAction(tag); });
            menu->insertAction(before, item);
        }
    };
    m_pageView = pageView;
    m_page = new HtmlPage(HtmlPage::Content::Web, this);
    m_pageView->setPage(m_page->page());
    m_stack->addWidget(m_pageView);

    m_textView = new QTextEdit(m_stack);
    m_textView->setObjectName(QStringLiteral("webImporterTextView"));
    m_textView->setAcceptRichText(false);
    m_stack->addWidget(m_textView);

    m_editorContainer = new QWidget(m_stack);
    m_editorContainer->setObjectName(QStringLiteral("webImporterEditorContainer"));
    auto* editorLayout = new QVBoxLayout(m_editorContainer);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_editorContainer);
    layout->addWidget(m_stack, 1);

    layout->addWidget(buildImportBar());
}

QWidget* WebImporterController::buildNavigationBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("webImporterNavigation"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 6, 6, 4);
    row->setSpacing(4);
    auto tool = [bar, row](const QString& name, const QIcon& icon, const QString& text, const QString& tip) {
        auto* button = new QToolButton(bar);
        button->setObjectName(name);
        button->setIcon(icon);
        button->setText(text);
        button->setToolTip(tip);
        button->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
        row->addWidget(button);
        return button;
    };
    QStyle* st = style();
    m_back =
        tool(QStringLiteral("backButton"), st->standardIcon(QStyle::SP_ArrowBack), tr("Back"), tr("Back"));
    m_forward = tool(QStringLiteral("forwardButton"), st->standardIcon(QStyle::SP_ArrowForward),
                     tr("Forward"), tr("Forward"));
    m_smaller = tool(QStringLiteral("smallerTextButton"), QIcon(), tr("A−"), tr("Smaller Text"));
    m_larger = tool(QStringLiteral("largerTextButton"), QIcon(), tr("A+"), tr("Larger Text"));
    m_reloadStop = tool(QStringLiteral("refreshStopButton"), st->standardIcon(QStyle::SP_BrowserReload),
                        tr("Reload"), tr("Reload"));
    connect(m_back, &QToolButton::clicked, this, [this] { backAndForthButtons(0); });
    connect(m_forward, &QToolButton::clicked, this, [this] { backAndForthButtons(1); });
    connect(m_smaller, &QToolButton::clicked, this, [this] { textSizeButtons(0); });
    connect(m_larger, &QToolButton::clicked, this, [this] { textSizeButtons(1); });
    connect(m_reloadStop, &QToolButton::clicked, this, &WebImporterController::refreshStopButtonAction);

    m_address = new QLineEdit(bar);
    m_address->setObjectName(QStringLiteral("urlTextField"));
    m_address->setPlaceholderText(tr("Address"));
    connect(m_address, &QLineEdit::returnPressed, this, &WebImporterController::urlTextFieldAction);
    row->addWidget(m_address, 3);

    m_loadingIndicator = new QProgressBar(bar);
    m_loadingIndicator->setObjectName(QStringLiteral("loadingIndicator"));
    m_loadingIndicator->setRange(0, 0);
    m_loadingIndicator->setMaximumWidth(60);
    m_loadingIndicator->setTextVisible(false);
    m_loadingLabel = new QLabel(tr("Loading…"), bar);
    row->addWidget(m_loadingLabel);
    row->addWidget(m_loadingIndicator);

    m_search = new QLineEdit(bar);
    m_search->setObjectName(QStringLiteral("searchField"));
    m_search->setPlaceholderText(tr("Search the Web"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::returnPressed, this, &WebImporterController::searchFieldAction);
    row->addWidget(m_search, 1);

    m_addBookmarkButton =
        tool(QStringLiteral("addBookmarkButton"), QIcon::fromTheme(QStringLiteral("bookmark-new")),
             tr("Add Bookmark"), tr("Add Bookmark"));
    m_bookmarksButton = tool(QStringLiteral("bookmarksButton"), QIcon::fromTheme(QStringLiteral("bookmarks")),
                             tr("Bookmarks"), tr("Bookmarks"));
    m_textViewButton = tool(QStringLiteral("textViewButton"), QIcon(), tr("Text"),
                            tr("Paste text from elsewhere and pick its fields"));
    m_textViewButton->setCheckable(true);
    connect(m_textViewButton, &QToolButton::toggled, this, &WebImporterController::toogleTextView);
    connect(m_bookmarksButton, &QToolButton::clicked, this, &WebImporterController::toogleBookmarks);

    m_popover = new BookmarksPopover(m_bookmarks, &m_session.alerts(), this);
    m_popover->setCurrentPage(
        [this] { return std::pair<QString, QString>(m_page->title(), m_page->url().toString()); });
    connect(m_popover, &BookmarksPopover::openBookmarkRequested, this, &WebImporterController::loadURL);
    connect(m_addBookmarkButton, &QToolButton::clicked, m_popover, &BookmarksPopover::newBookmark);
    return bar;
}

QWidget* WebImporterController::buildImportBar() {
    m_fieldBar = new QWidget(this);
    m_fieldBar->setObjectName(QStringLiteral("importBar"));
    auto* outer = new QHBoxLayout(m_fieldBar);
    outer->setContentsMargins(6, 4, 6, 6);

    auto* fields = new QWidget(m_fieldBar);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    for (const WebImportField& field : webImportFields()) {
        auto* button = new QPushButton(fieldTitle(field), fields);
        button->setObjectName(QString::fromLatin1(field.buttonName));
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus); // the selection stays where it is
        const QKeySequence keys(Qt::CTRL | Qt::SHIFT | Qt::Key(field.key));
        button->setToolTip(keys.toString(QKeySequence::NativeText));
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: %1; color: white; font-weight: bold;"
                           " border: 2px solid %1; border-radius: 4px; padding: 3px 8px; }"
                           "QPushButton:checked { border-color: black; }")
                .arg(cssColour(field.colour)));
        const int tag = field.tag;
        connect(button, &QPushButton::clicked, this, [this, tag] { selectionButtonAction(tag); });
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, tag] { selectionButtonAction(tag); });
        m_fieldButtons[size_t(tag - 1)] = button;
        m_shortcuts[size_t(tag - 1)] = shortcut;
        grid->addWidget(button, (tag - 1) / 4, (tag - 1) % 4);
    }
    outer->addWidget(fields, 0, Qt::AlignTop);

    m_wells = new RecipeEditorImageView(m_fieldBar);
    m_wells->setObjectName(QStringLiteral("webImporterImageWells"));
    m_wells->setFixedHeight(120);
    m_wells->setMinimumWidth(260);
    outer->addWidget(m_wells, 1);

    auto* side = new QVBoxLayout;
    m_keywords = new RecipeEditorTagsTokenField(m_fieldBar);
    m_keywords->setObjectName(QStringLiteral("webImporterKeywords"));
    m_keywords->setPlaceholderText(tr("Keywords"));
    side->addWidget(m_keywords);
    m_importButton = new QPushButton(tr("Import"), m_fieldBar);
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_resetButton = new QPushButton(tr("Reset"), m_fieldBar);
    m_resetButton->setObjectName(QStringLiteral("resetButton"));
    for (QPushButton* button : {m_importButton, m_resetButton}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        side->addWidget(button);
    }
    side->addStretch(1);
    outer->addLayout(side);
    connect(m_importButton, &QPushButton::clicked, this, &WebImporterController::importButtonAction);
    connect(m_resetButton, &QPushButton::clicked, this, &WebImporterController::resetButtonAction);
    return m_fieldBar;
}

void WebImporterController::configurePage() {
    QWebEnginePage* page = m_page->page();
    m_page->setPageScriptsEnabled(true);
    QWebEngineSettings* settings = page->settings();
    // Pages from the web never read the user's files, even a page opened from a file.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    // Nothing a page offers is saved: downloads are refused, permissions denied.
    connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
            [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(page, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });

    connect(m_page, &HtmlPage::loadStarted, this, [this] {
        m_addBookmarkButton->setEnabled(true);
        setLoading(true);
        updateNavigationButtons();
    });
    connect(m_page, &HtmlPage::loadFinished, this, [this](bool ok) {
        setLoading(false);
        if (ok)
            updateNavigationButtons();
        const QUrl url = m_page->url();
        if (!ok || !(isWebAddress(url) || url.isLocalFile()))
            return;
        showAddress(url);
        determineAutoImportAbilityFromAddress(url.toString(), Requester::WebImporter);
    });
    connect(page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (isWebAddress(url) || url.isLocalFile())
            showAddress(url);
    });
    connect(m_page, &HtmlPage::titleReceived, this,
            [this](const QString& title) { setWindowTitle(title.isEmpty() ? tr("Web Importer") : title); });
    // A link that asks for a new window opens here instead.
    connect(m_page, &HtmlPage::newWindowRequested, this, [this](const QUrl& url) {
        if (isWebAddress(url))
            loadURL(url.toString());
    });
}

void WebImporterController::loadStartPage() {
    m_page->loadHTMLString(
        QStringLiteral(
            "<html><head><meta charset=\"utf-8\"><title></title></head>"
            "<body style=\"font-family: sans-serif; margin: 3em; color: #333;\"><h2>%1</h2><p>%2</p>"
            "<p>%3</p></body></html>")
            .arg(tr("Import recipes from the web").toHtmlEscaped(),
                 tr("Type an address or search the web above, or choose one of the sites. When the "
                    "page holds a recipe that Larkspoon! recognises, the import bar rises: press Import.")
                     .toHtmlEscaped(),
                 tr("On any other page, select a part of the recipe and press the button of its field "
                    "below (or choose the field from the context menu). Then press Import.")
                     .toHtmlEscaped()));
    m_address->setText(QStringLiteral("http://"));
    m_addBookmarkButton->setEnabled(false);
}

// --- Showing ----------------------------------------------------------------------------------

void WebImporterController::openWebImporter() {
    if (!m_showWindow)
        return;
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void WebImporterController::setSelectedGroupProvider(std::function<GroupsManagedObject*()> provider) {
    m_selectedGroup = std::move(provider);
    if (m_editor)
        m_editor->setSelectedGroupProvider(m_selectedGroup);
}

void WebImporterController::loadURL(const QString& address) {
    if (!m_address->isEnabled())
        return;
    openWebImporter();
    if (m_textViewShown)
        m_textViewButton->setChecked(false);
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        return;
    m_address->setText(address);
    m_page->loadURL(url);
}

void WebImporterController::showAddress(const QUrl& url) {
    m_address->setText(url.toString());
}

void WebImporterController::setLoading(bool loading) {
    m_loading = loading;
    m_loadingLabel->setVisible(loading);
    m_loadingIndicator->setVisible(loading);
    m_reloadStop->setIcon(style()->standardIcon(loading ? QStyle::SP_BrowserStop : QStyle::SP_BrowserReload));
    m_reloadStop->setToolTip(loading ? tr("Stop") : tr("Reload"));
}

void WebImporterController::updateNavigationButtons() {
    const bool browsing = !m_bar.isFullyRaised() && !m_textViewShown;
    m_back->setEnabled(browsing && m_page->canGoBack());
    m_forward->setEnabled(browsing && m_page->canGoForward());
    m_smaller->setEnabled(m_page->canMakeTextSmaller());
    m_larger->setEnabled(m_page->canMakeTextLarger());
}

// --- Automatic import -------------------------------------------------------------------------

void WebImporterController::determineAutoImportAbilityFromAddress(const QString& address,
                                                                  Requester requester) {
    const QString normal = normalisedAddress(address);
    if (requester == Requester::LibraryWindow) {
        // A dropped link is opened here; the page's own load examines it.
        openWebImporter();
        loadURL(normal);
        return;
    }
    if (normal == m_currentURL)
        return;
    m_currentURL = normal;
    if (!m_bar.isFullyRaised())
        lowerImportView();
    m_found.reset();
    const QUrl url(normal);
    m_currentImporter = extractorNameForUrl(url);
    checkForRecipe(url, requester);
}

void WebImporterController::checkForRecipe(const QUrl& url, Requester requester) {
    const quint64 check = ++m_checkNumber;
    if (url.isLocalFile()) {
        // A file the user opened here: read as the downloader would read a page.
        QFile file(url.toLocalFile());
        QByteArray page;
        if (file.open(QIODevice::ReadOnly) && file.size() <= GenericFileDownloader::pageMaxBytes)
            page = file.readAll();
        finishCheck(check, url, requester, page);
        return;
    }
    if (!isWebAddress(url)) {
        finishCheck(check, url, requester, {});
        return;
    }
    // The extractors read a copy of their own, fetched without the page's cookies.
    const QString path = supportFile(QStringLiteral("WebImport.html"));
    m_downloader->setMaxBytes(GenericFileDownloader::pageMaxBytes);
    m_downloader->downloadURL(
        url, path, true,
        [self = QPointer<WebImporterController>(this), check, url, requester, path](bool ok, const QString&) {
            if (!self || check != self->m_checkNumber)
                return;
            QByteArray page;
            QFile file(path);
            if (ok && file.open(QIODevice::ReadOnly))
                page = file.readAll();
            file.close();
            QFile::remove(path);
            self->finishCheck(check, url, requester, page);
        });
}

void WebImporterController::finishCheck(quint64 check, const QUrl& url, Requester, const QByteArray& page) {
    if (check != m_checkNumber)
        return;
    m_found = page.isEmpty() ? std::nullopt : extractRecipe(page, url);
    if (!m_bar.isFullyRaised()) {
        if (m_found)
            raiseImportView(false);
        else
            lowerImportView();
    }
    emit autoImportChecked(url.toString(), m_found.has_value());
}

// --- The import bar ---------------------------------------------------------------------------

void WebImporterController::raiseImportView(bool byImporter) {
    m_bar.raise(byImporter);
    updateBarAppearance();
}

void WebImporterController::lowerImportView() {
    m_bar.lower();
    m_currentImporter.clear();
    m_address->setEnabled(!m_textViewShown);
    m_search->setEnabled(true);
    if (!m_editor || !m_editor->isOpen())
        m_stack->setCurrentWidget(m_textViewShown ? static_cast<QWidget*>(m_textView) : m_pageView);
    updateBarAppearance();
}

void WebImporterController::updateBarAppearance() {
    m_fieldBar->setVisible(!m_bar.isFullyRaised());
    const bool raised = m_bar.isRaised();
    const QColor background = raised ? raisedImportColor() : standardColor();
    const QString textColour = raised ? QStringLiteral("white") : QStringLiteral("black");
    m_importButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid "
                       "#888; border-radius: 4px; padding: 4px 14px; }")
            .arg(cssColour(background), textColour));
    m_resetButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: black; border: 1px "
                       "solid #888; border-radius: 4px; padding: 4px 14px; }")
            .arg(cssColour(standardColor())));
    m_resetButton->setText(raised ? tr("Auto Off") : tr("Reset"));
    for (QShortcut* shortcut : m_shortcuts)
        shortcut->setEnabled(!m_bar.isFullyRaised());
    updateNavigationButtons();
}

// --- Collecting -------------------------------------------------------------------------------

QPushButton* WebImporterController::fieldButton(int tag) const {
    return fieldForTag(tag) ? m_fieldButtons[size_t(tag - 1)] : nullptr;
}

void WebImporterController::selectionButtonAction(int tag) {
    const WebImportField* field = fieldForTag(tag);
    if (!field || m_bar.isFullyRaised())
        return;
    if (m_textViewShown) {
        QTextCursor cursor = m_textView->textCursor();
        QString text;
        if (cursor.hasSelection()) {
            QTextCharFormat marked;
            marked.setBackground(field->colour);
            marked.setForeground(Qt::white);
            cursor.mergeCharFormat(marked);
            text = cursor.selection().toPlainText();
            cursor.clearSelection();
            m_textView->setTextCursor(cursor);
        }
        collectText(tag, text);
        return;
    }
    m_page->page()->runJavaScript(
        markSelectionScript(field->colour), QWebEngineScript::ApplicationWorld,
        [self = QPointer<WebImporterController>(this), tag](const QVariant& result) {
            if (self)
                self->collectText(tag, result.toString());
        });
}

void WebImporterController::collectText(int tag, const QString& text) {
    const bool capitalize = UserDefaults::boolForKey(QStringLiteral("capitalizeRecipeAndIngredientTitles"));
    m_texts.append(tag, text, capitalize);
    updateFieldButtons();
    emit selectionCollected(tag, text);
}

void WebImporterController::updateFieldButtons() {
    for (const WebImportField& field : webImportFields())
        m_fieldButtons[size_t(field.tag - 1)]->setChecked(!m_texts.isEmpty(field.tag));
}

// --- Importing --------------------------------------------------------------------------------

RecipeEditorController* WebImporterController::recipeEditorController() {
    if (m_editor)
        return m_editor;
    m_editor = new RecipeEditorController(&m_session, this);
    m_editor->setSelectedGroupProvider(m_selectedGroup);
    m_editorView = new RecipeEditorView(m_editor, m_editorContainer);
    m_editorContainer->layout()->addWidget(m_editorView);
    connect(m_editor, &RecipeEditorController::editorClosed, this, &WebImporterController::editorClosed);
    return m_editor;
}

void WebImporterController::importButtonAction() {
    if (m_bar.isFullyRaised() || (m_editor && m_editor->isOpen()))
        return;
    RecipeEditorController* editor = recipeEditorController();
    RecipesManagedObject* recipe = nullptr;
    QList<QUrl> pictures;
    const bool automatic = m_found && m_bar.isRaised() && !m_textViewShown;
    if (automatic) {
        recipe = makeRecipe(*m_found, m_session);
        if (recipe && !m_keywords->tokens().isEmpty()) {
            QStringList keywords =
                recipe->stringValue(QStringLiteral("keywords")).split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString& keyword : m_keywords->tokens())
                if (!keywords.contains(keyword))
                    keywords.append(keyword);
            recipe->setValueForKey(keywords.join(QLatin1Char(',')), QStringLiteral("keywords"));
        }
        pictures = m_found->pictureUrls;
    } else {
        ManualImport import;
        import.texts = &m_texts;
        import.keywords = m_keywords->tokens();
        import.importedFromURL = m_textViewShown ? QString() : m_currentURL;
        recipe = makeManualRecipe(import, m_session);
    }
    if (!recipe)
        return;
    while (!m_bar.isFullyRaised())
        raiseImportView(true);
    m_address->setEnabled(false);
    m_search->setEnabled(false);
    editor->setAnimate(true);
    editor->editRecipe(recipe, RecipeEditorController::Placement::WebImporter);
    showEditor();
    Scheduler::instance().schedule(
        0.5,
        [this, automatic, pictures, recipe] {
            if (!m_editor || m_editor->recipe() != recipe)
                return;
            if (automatic)
                downloadPictures(pictures, recipe);
            else
                addImagesForManualWebImport();
        },
        this);
}

void WebImporterController::showEditor() {
    m_stack->setCurrentWidget(m_editorContainer);
    m_editorView->animateIn();
    m_editorView->focusTitle();
    updateNavigationButtons();
}

void WebImporterController::addImagesForManualWebImport() {
    if (!m_editor || !m_editor->isOpen())
        return;
    for (int number = 1; number <= RecipeEditorImageView::wellCount; ++number) {
        const QImage image = m_wells->imageForWell(number);
        if (image.isNull())
            continue;
        m_editor->addImage(number, image);
        m_editorView->imageView()->setImageForWell(number, image);
    }
}

void WebImporterController::downloadPictures(const QList<QUrl>& pictures, RecipesManagedObject* recipe) {
    auto* downloader = new GenericFileDownloader(this);
    downloader->setMaxBytes(GenericFileDownloader::pictureMaxBytes);
    const int count = std::min(int(pictures.size()), RecipeEditorImageView::wellCount);
    auto remaining = std::make_shared<int>(count);
    if (count == 0) {
        downloader->deleteLater();
        return;
    }
    for (int i = 0; i < count; ++i) {
        const int number = i + 1;
        downloader->downloadURL(pictures.at(i),
                                supportFile(QStringLiteral("WebImportImage%1.jpg").arg(number)), true,
                                [self = QPointer<WebImporterController>(this), downloader, remaining, number,
                                 recipe](bool ok, const QString&) {
                                    if (self && ok && self->m_editor && self->m_editor->recipe() == recipe)
                                        self->m_editor->addImageForIndex(number);
                                    if (--*remaining == 0)
                                        downloader->deleteLater();
                                });
    }
}

void WebImporterController::editorClosed(bool saved) {
    lowerImportView();
    m_stack->setCurrentWidget(m_textViewShown ? static_cast<QWidget*>(m_textView) : m_pageView);
    if (saved) {
        emit recipeImported();
        resetButtonAction();
    }
}

void WebImporterController::resetButtonAction() {
    if (m_bar.isFullyRaised())
        return;
    if (m_bar.isRaised()) {
        // "Auto Off": the offered import is declined, the page stays for picking by hand.
        lowerImportView();
        return;
    }
    m_textView->clear();
    QTextCharFormat plain;
    plain.setFontPointSize(16);
    plain.setForeground(Qt::black);
    plain.setBackground(Qt::white);
    m_textView->setCurrentCharFormat(plain);
    m_textView->setPlainText(QStringLiteral(" "));
    m_texts.clear();
    updateFieldButtons();
    m_keywords->clear();
    m_wells->clearAllWells();
    if (!m_textViewShown) {
        const QString address = std::exchange(m_currentURL, QString());
        if (!address.isEmpty()) {
            determineAutoImportAbilityFromAddress(address, Requester::WebImporter);
            m_page->reload();
        }
    }
}

// --- Views and navigation ---------------------------------------------------------------------

void WebImporterController::toogleTextView(bool on) {
    if (m_textViewButton->isChecked() != on) {
        m_textViewButton->setChecked(on); // comes back here through toggled
        return;
    }
    m_textViewShown = on;
    if (on)
        lowerImportView();
    m_address->setEnabled(!on && !m_bar.isFullyRaised());
    if (!m_editor || !m_editor->isOpen())
        m_stack->setCurrentWidget(on ? static_cast<QWidget*>(m_textView) : m_pageView);
    if (on)
        m_textView->setFocus();
    updateNavigationButtons();
}

void WebImporterController::toogleBookmarks() {
    if (m_popover->isVisible())
        m_popover->hide();
    else
        m_popover->showBelow(m_bookmarksButton);
}

void WebImporterController::backAndForthButtons(int segment) {
    if (segment == 0)
        m_page->goBack();
    else if (segment == 1)
        m_page->goForward();
}

void WebImporterController::textSizeButtons(int segment) {
    if (segment == 0)
        m_page->makeTextSmaller();
    else if (segment == 1)
        m_page->makeTextLarger();
    updateNavigationButtons();
}

void WebImporterController::refreshStopButtonAction() {
    if (m_loading) {
        m_page->stop();
        setLoading(false);
        return;
    }
    if (m_address->isEnabled())
        urlTextFieldAction();
}

void WebImporterController::urlTextFieldAction() {
    const QString typed = m_address->text().trimmed();
    if (typed.isEmpty() || typed == QLatin1String("http://"))
        return;
    const QString address = addressFromTypedText(typed);
    const QUrl url(address);
    // An address that is not valid loads nothing and tells nothing.
    if (!url.isValid() || (url.host().isEmpty() && !url.isLocalFile()))
        return;
    m_address->setText(address);
    m_page->loadURL(url);
}

void WebImporterController::searchFieldAction() {
    const QString text = m_search->text().trimmed();
    if (text.isEmpty() || !m_address->isEnabled())
        return;
    loadURL(searchAddress(text).toString(QUrl::FullyEncoded));
}

void WebImporterController::goToSiteFromSiteButton(const QString& address) {
    loadURL(address);
}

void WebImporterController::closeEvent(QCloseEvent* event) {
    // A recipe in the editor is left as the editor's Cancel leaves it: asking first when
    // the user changed anything after the import.
    if (m_editor && m_editor->isOpen() && !m_editor->cancelAskingToSaveChanges()) {
        event->ignore();
        return;
    }
    m_popover->hide();
    QWidget::closeEvent(event);
}

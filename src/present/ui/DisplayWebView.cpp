#include "DisplayWebView.h"

#include "platform/HtmlPage.h"
#include "present/RecipeDisplayController.h"

#include <QResizeEvent>

#include <utility>

DisplayWebView::DisplayWebView(QWidget* parent)
    : QWebEngineView(parent), m_page(new HtmlPage(HtmlPage::Content::Local, this)) {
    setObjectName(QStringLiteral("recipeDisplayWebView"));
    setPage(m_page->page());
    setContextMenuPolicy(Qt::NoContextMenu);
    // A drop is never the page's to take: a dropped address goes to the window around it
    // (and on to the web importer) instead of replacing the recipe in the view.
    setAcceptDrops(false);
    // Links in a recipe open nothing inside the page.
    connect(m_page, &HtmlPage::newWindowRequested, this, [](const QUrl&) {});
}

DisplayWebView::~DisplayWebView() = default;

void DisplayWebView::loadHTMLString(const QString& html) {
    m_page->loadHTMLString(html);
}

void DisplayWebView::loadFileURL(const QUrl& url, bool ignoreCache) {
    const bool newDocument = std::exchange(m_nextIsNewDocument, false);
    // Reading the file again is what a new render needs; the page keeps no cache. A
    // reload keeps the reader's place, which suits the same recipe rendered again.
    if (ignoreCache && !newDocument && m_shownFile == url && !m_page->url().isEmpty()) {
        m_page->reload();
        return;
    }
    // The engine treats loading the address shown as a reload and keeps the place; another
    // recipe gets an address of its own (a file address ignores its query).
    m_shownFile = url;
    QUrl address = url;
    if (newDocument)
        address.setQuery(QStringLiteral("page=%1").arg(++m_documentNumber));
    m_page->loadURL(address);
}

void DisplayWebView::reload() {
    m_page->reload();
}

void DisplayWebView::setTextSizeMultiplier(double multiplier) {
    m_page->setTextSizeMultiplier(multiplier);
}

int DisplayWebView::containerHeight() const {
    return parentWidget() ? parentWidget()->height() : height();
}

void DisplayWebView::makeTextLarger() {
    m_page->makeTextLarger();
}

void DisplayWebView::makeTextSmaller() {
    m_page->makeTextSmaller();
}

void DisplayWebView::resizeEvent(QResizeEvent* event) {
    QWebEngineView::resizeEvent(event);
    if (m_controller && event->oldSize().height() != event->size().height())
        m_controller->fireLoadRecipeInWebView();
}

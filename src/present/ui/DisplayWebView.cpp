#include "DisplayWebView.h"

#include "platform/HtmlPage.h"
#include "present/RecipeDisplayController.h"

#include <QResizeEvent>

DisplayWebView::DisplayWebView(QWidget* parent)
    : QWebEngineView(parent), m_page(new HtmlPage(HtmlPage::Content::Local, this)) {
    setObjectName(QStringLiteral("recipeDisplayWebView"));
    setPage(m_page->page());
    setContextMenuPolicy(Qt::NoContextMenu);
    // Links in a recipe open nothing inside the page.
    connect(m_page, &HtmlPage::newWindowRequested, this, [](const QUrl&) {});
}

DisplayWebView::~DisplayWebView() = default;

void DisplayWebView::loadHTMLString(const QString& html) {
    m_page->loadHTMLString(html);
}

void DisplayWebView::loadFileURL(const QUrl& url, bool ignoreCache) {
    // Reading the file again is what a new render needs; the page keeps no cache.
    if (ignoreCache && m_page->url() == url)
        m_page->reload();
    else
        m_page->loadFileURL(url.toLocalFile());
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

#pragma once

#include "present/RecipeWebView.h"
#include "present/ThemeTextSizePort.h"

#include <QPointer>
#include <QWebEngineView>

class HtmlPage;
class RecipeDisplayController;

// The recipe page's web view. It shows a local page of the program's own: page scripts
// off and nothing fetched from the network, so a recipe from someone else can only be
// read, never run. Resizing asks the renderer for a delayed render.
class DisplayWebView : public QWebEngineView, public RecipeWebView, public ThemeTextSizePort {
    Q_OBJECT
public:
    explicit DisplayWebView(QWidget* parent = nullptr);
    ~DisplayWebView() override;

    void setController(RecipeDisplayController* controller) { m_controller = controller; }
    RecipeDisplayController* controller() const { return m_controller; }
    HtmlPage* htmlPage() const { return m_page; }
    // The next page loaded is another recipe: it opens at its top instead of where the
    // reader had scrolled the page shown now.
    void loadNextAsNewDocument() { m_nextIsNewDocument = true; }

    // RecipeWebView.
    void loadHTMLString(const QString& html) override;
    void loadFileURL(const QUrl& url, bool ignoreCache) override;
    void reload() override;
    void setTextSizeMultiplier(double multiplier) override;
    int containerHeight() const override;

    // ThemeTextSizePort.
    void makeTextLarger() override;
    void makeTextSmaller() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    HtmlPage* m_page;
    RecipeDisplayController* m_controller = nullptr; // the page view owns both
    bool m_nextIsNewDocument = false;
    QUrl m_shownFile; // the file last loaded, without the query that tells pages apart
    int m_documentNumber = 0;
};

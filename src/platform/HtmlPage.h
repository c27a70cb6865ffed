#pragma once

#include <QObject>
#include <QPageLayout>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QColor;
class PagePrinter;
class QTemporaryDir;
class QTimer;
class QWebEngineLoadingInfo;
class QWebEnginePage;

// What the measuring script returned: the text of the result and its integer value.
struct MeasuredHeight {
    QString text;   // empty when the page has no "measured_height_container" element
    int height = 0; // the leading integer of text; 0 when text is empty
    bool found() const { return !text.isEmpty(); }
};

// One page of the embedded HTML engine, without any widget: the GUI shows it by putting
// page() into a QWebEngineView; offscreen users (card measuring, printing) use it as is.
//
// Loads: every load request (loadHTMLString, loadFileURL, loadURL, reload, goBack,
// goForward) ends with exactly one loadFinished(ok), also when it fails, is stopped, times
// out or is replaced by a newer request (then it ends with ok false before the newer one
// starts). loadStarted comes at most once per request, before its loadFinished.
// loadFailed(error) precedes every loadFinished(false). On a Web page, navigations the
// page makes by itself (a followed link) are reported like requests.
//
// Local pages (the program's own pages) never run page scripts and never reach the
// network; only file, data, qrc and about addresses are loaded. Web pages (the web
// importer) may load remote addresses; page scripts stay off unless enabled.
class HtmlPage : public QObject {
    Q_OBJECT

public:
    enum class Content { Local, Web };

    static constexpr int DefaultLoadTimeout = 5000; // milliseconds, for local content
    static constexpr double TextSizeStep = 1.2;     // one step larger multiplies by this
    static constexpr int SmallestTextSizeStep = -3; // 1.2^-3, about 0.58
    static constexpr int LargestTextSizeStep = 6;   // 1.2^6, about 2.99

    // The one script the program evaluates in its pages.
    static QString measuredHeightScript();

    explicit HtmlPage(Content content = Content::Local, QObject* parent = nullptr);
    ~HtmlPage() override;

    Content content() const { return m_content; }
    // The engine page, for the GUI to show in a view and for the web importer's menus.
    QWebEnginePage* page() const;

    // A view of this size that is never shown: the page is laid out at size.width() CSS
    // pixels (divided by the text size multiplier, as a view of that width would be) and
    // shows no scroll bars. An invalid size (the default) leaves the layout width to the
    // view that shows the page. The engine gives a page without a view a zero-size
    // viewport, so the width is applied as a screen-only style on the root element;
    // viewport units (vw, vh) and viewport media queries still see the empty viewport.
    void setViewSize(QSize size);
    QSize viewSize() const { return m_viewSize; }

    // Loading.
    void loadHTMLString(const QString& html); // no base address: relative references do not resolve
    void loadFileURL(const QString& path);    // a local file path, read from disk each time
    void loadURL(const QUrl& url);            // file or (Web pages only) remote addresses
    void reload();                            // the current page, bypassing any cache
    void stop();
    bool goBack();    // false (and no load) when there is no page to go back to
    bool goForward(); // false (and no load) when there is no page to go forward to
    bool canGoBack() const;
    bool canGoForward() const;
    bool isLoading() const { return m_request.has_value(); }
    QUrl url() const; // "about:blank" for a page loaded from a string
    QString title() const;
    // Local content (strings and file addresses) that has not finished loading within this
    // time ends as failed. Web addresses have no time-out of their own.
    void setLoadTimeout(int milliseconds);
    int loadTimeout() const { return m_loadTimeout; }

    // Evaluates measuredHeightScript() in the page (in a script world of its own, which
    // works with page scripts off) and calls done with the result, unless the page is
    // destroyed first.
    void evaluateHeight(std::function<void(const MeasuredHeight&)> done);
    // The same, waiting in a local event loop; for tests and command-line tools.
    MeasuredHeight evaluateHeightAndWait(int timeoutMs = 5000);
    // Evaluates one of the program's own scripts in the application's script world (page
    // scripts stay off) and calls done with its result, unless the page is destroyed first.
    void evaluateInApplicationWorld(const QString& script, std::function<void(const QVariant&)> done);

    // Text size: steps of TextSizeStep between the smallest and the largest step.
    double textSizeMultiplier() const;
    void setTextSizeMultiplier(double multiplier); // snapped to the nearest step
    void makeTextLarger();
    void makeTextSmaller();
    bool canMakeTextLarger() const;
    bool canMakeTextSmaller() const;

    // Saves the current document as a PDF at the layout's paper size and margins; the file
    // is replaced atomically. Ends with pdfPrintingFinished(path, ok) and done(ok).
    // One print at a time per page: a request while another runs fails.
    void printToPdf(const QString& path, const QPageLayout& layout, std::function<void(bool)> done = {});
    // Prints the current document through printer (the GUI's print dialog and printer).
    // Ends with printFinished(ok); fails without a printer or while another print of this
    // page runs.
    void print(PagePrinter* printer, const QPageLayout& layout = QPageLayout());

    // Selection and editing, for the web importer.
    QString selectedText() const;
    void setEditable(bool editable);
    // Makes the page editable, gives the selection these colours and makes it read-only again.
    void colourSelection(const QColor& background, const QColor& text);
    // Page scripts for Web pages; Local pages keep them off whatever is asked.
    void setPageScriptsEnabled(bool enabled);

signals:
    void loadStarted();
    void loadFinished(bool ok);
    void loadFailed(const QString& error);
    void titleReceived(const QString& title);
    void pdfPrintingFinished(const QString& path, bool ok);
    void printFinished(bool ok);
    // A link asks for a new window, or (Local pages) a link was followed: the page stays
    // as it is and the address is handed on.
    void newWindowRequested(const QUrl& url);

private:
    enum class RequestKind { String, Address, History, PageInitiated };
    struct LoadRequest {
        quint64 id = 0;
        RequestKind kind = RequestKind::String;
        QUrl url;
        bool started = false; // loadStarted has been emitted
    };

    void configure();
    void beginRequest(RequestKind kind, const QUrl& url, const std::function<void()>& engineCall);
    void failSoon(const QString& error);
    void finishRequest(bool ok, const QString& error);
    void abandonEngineLoad();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    bool startBelongsTo(const LoadRequest& request, const QUrl& url) const;
    bool endBelongsTo(const LoadRequest& request, const QUrl& url) const;
    bool engineIsLoading() const;
    bool isLocalRequest(RequestKind kind, const QUrl& url) const;
    void applyViewWidth();
    void runInApplicationWorld(const QString& script, std::function<void(const QVariant&)> done = {});
    void writePdf(const QString& path, const QPageLayout& layout, std::function<void(bool)> done);

    Content m_content;
    std::unique_ptr<QWebEnginePage> m_page;
    QTimer* m_timeout = nullptr;
    int m_loadTimeout = DefaultLoadTimeout;
    std::optional<LoadRequest> m_request;
    quint64 m_nextRequestId = 1;
    bool m_engineLoadReported = false; // between the engine's start and end as delivered here
    int m_startsToSkip = 0;            // reports of loads already accounted for, still on their way
    int m_endsToSkip = 0;
    QSize m_viewSize;
    int m_textSizeStep = 0;
    bool m_printing = false;
    std::unique_ptr<QTemporaryDir> m_largePageFolder;
};

#include "HtmlPage.h"

#include "PagePrinter.h"
#include "StructuredText.h"

#include <QAction>
#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// The engine refuses addresses longer than this; a data address carries the whole page.
constexpr qsizetype LongestDataAddress = 2 * 1024 * 1024;
const char* const HtmlMimeType = "text/html;charset=UTF-8";
const QString ViewWidthScriptName = QStringLiteral("larkspoon-view-width");

bool isLocalScheme(const QString& scheme) {
    return scheme == QLatin1String("file") || scheme == QLatin1String("data") ||
           scheme == QLatin1String("qrc") || scheme == QLatin1String("about");
}

// Lets a Local page reach only local content: remote addresses (http, https, ftp, ws...)
// are refused before any connection is made, for the page and everything it references.
class LocalContentRequestFilter : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (!isLocalScheme(info.requestUrl().scheme()))
            info.block(true);
    }
};

// One profile per kind of content for the whole program: off the record (nothing kept on
// disk, no persistent cookies) and without an HTTP cache.
QWebEngineProfile* sharedProfile(HtmlPage::Content content) {
    static QPointer<QWebEngineProfile> profiles[2];
    QPointer<QWebEngineProfile>& profile = profiles[content == HtmlPage::Content::Local ? 0 : 1];
    if (!profile) {
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::NoCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        profile->setSpellCheckEnabled(false);
        if (content == HtmlPage::Content::Local)
            profile->setUrlRequestInterceptor(new LocalContentRequestFilter(profile));
    }
    return profile;
}

// The engine page with the navigation rule of Local pages: only the loads the program asks
// for (typed, reload, back and forward) replace the page; a followed link, a form or a
// refresh made by the content is refused, and a followed link is handed on.
class EnginePage : public QWebEnginePage {
public:
    EnginePage(QWebEngineProfile* profile, bool local) : QWebEnginePage(profile), m_local(local) {}
    std::function<void(const QUrl&)> refusedLink;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!m_local)
            return true;
        if (!isMainFrame)
            return isLocalScheme(url.scheme());
        switch (type) {
        case NavigationTypeTyped:
        case NavigationTypeReload:
        case NavigationTypeBackForward:
            return true;
        case NavigationTypeLinkClicked:
            if (refusedLink)
                refusedLink(url);
            return false;
        default:
            return false;
        }
    }

private:
    bool m_local;
};

// Length of the data address the engine builds for a page: every byte outside the
// unreserved set is written as a three-character escape.
qsizetype dataAddressLength(const QByteArray& utf8) {
    qsizetype length = qsizetype(qstrlen("data:")) + qsizetype(qstrlen(HtmlMimeType)) + 1;
    for (char c : utf8) {
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        length += unreserved ? 1 : 3;
    }
    return length;
}

bool sameAddress(const QUrl& a, const QUrl& b) {
    if (a.isLocalFile() && b.isLocalFile())
        return QDir::cleanPath(a.toLocalFile()) == QDir::cleanPath(b.toLocalFile());
    const auto options = QUrl::RemoveFragment | QUrl::StripTrailingSlash | QUrl::NormalizePathSegments;
    return a.adjusted(options) == b.adjusted(options);
}

// The leading integer of text, as a number reader of the system reads it ("345px" is 345),
// limited to the range of int.
int leadingInteger(const QString& text) {
    const qint64 value = structuredIntegerValue(QVariant(text));
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString resultText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

QString cssColour(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return QStringLiteral("rgb(%1, %2, %3)").arg(rgb.red()).arg(rgb.green()).arg(rgb.blue());
}

// Creates (once per document) a style element of its own and sets its text.
QString viewWidthScript(const QString& css) {
    return QStringLiteral("(function () {"
                          "  var style = window.__larkspoonViewWidth;"
                          "  if (!style || !style.isConnected) {"
                          "    var parent = document.head || document.documentElement;"
                          "    if (!parent) return;"
                          "    style = document.createElement('style');"
                          "    parent.appendChild(style);"
                          "    window.__larkspoonViewWidth = style;"
                          "  }"
                          "  style.textContent = '%1';"
                          "})();")
        .arg(css);
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

QString HtmlPage::measuredHeightScript() {
    return QStringLiteral("document.getElementById(\"measured_height_container\").offsetHeight;");
}

HtmlPage::HtmlPage(Content content, QObject* parent) : QObject(parent), m_content(content) {
    auto* page = new EnginePage(sharedProfile(content), content == Content::Local);
    m_page.reset(page);
    page->refusedLink = [this](const QUrl& url) {
        // Not from inside the engine's navigation decision: the receiver may load something.
        QTimer::singleShot(0, this, [this, url] { emit newWindowRequested(url); });
    };
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] {
        if (!m_request)
            return;
        abandonEngineLoad();
        finishRequest(false,
                      tr("The page did not finish loading within %1 seconds.").arg(m_loadTimeout / 1000.0));
    });
    connect(page, &QWebEnginePage::loadingChanged, this, &HtmlPage::onLoadingChanged);
    connect(page, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        if (!title.startsWith(QLatin1String("data:")))
            emit titleReceived(title);
    });
    connect(page, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) { emit newWindowRequested(request.requestedUrl()); });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                qWarning() << "HTML page renderer stopped, status" << status;
                if (m_request) {
                    abandonEngineLoad();
                    finishRequest(false, tr("The page stopped unexpectedly."));
                }
            });
    configure();
}

HtmlPage::~HtmlPage() {
    m_page->disconnect(this);
    static_cast<EnginePage*>(m_page.get())->refusedLink = nullptr;
    m_page.reset();
}

QWebEnginePage* HtmlPage::page() const {
    return m_page.get();
}

void HtmlPage::configure() {
    QWebEngineSettings* settings = m_page->settings();
    const bool local = m_content == Content::Local;
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    if (local) {
        // The program's pages reach their own style sheets and pictures by file address.
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
        settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
        // A failed load keeps the page shown before instead of an error page.
        settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        settings->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
        settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
        settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
        settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    }
}

// ---- Offscreen size

void HtmlPage::setViewSize(QSize size) {
    m_viewSize = size;
    m_page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, !size.isValid());
    applyViewWidth();
}

void HtmlPage::applyViewWidth() {
    QString css;
    if (m_viewSize.isValid() && m_viewSize.width() > 0) {
        const double cssWidth = m_viewSize.width() / textSizeMultiplier();
        css = QStringLiteral("@media screen { html { width: %1px !important; } }")
                  .arg(QString::number(cssWidth, 'f', 3));
    }
    QWebEngineScriptCollection& scripts = m_page->scripts();
    for (const QWebEngineScript& old : scripts.find(ViewWidthScriptName))
        scripts.remove(old);
    const QString source = viewWidthScript(css);
    if (!css.isEmpty()) {
        // Every document loaded from now on gets the width before it finishes loading.
        QWebEngineScript script;
        script.setName(ViewWidthScriptName);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setInjectionPoint(QWebEngineScript::DocumentReady);
        script.setRunsOnSubFrames(false);
        script.setSourceCode(source);
        scripts.insert(script);
    }
    // The document shown now.
    if (!m_page->url().isEmpty())
        runInApplicationWorld(source);
}

void HtmlPage::runInApplicationWorld(const QString& script, std::function<void(const QVariant&)> done) {
    if (done)
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, std::move(done));
    else
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

// ---- Loading

void HtmlPage::loadHTMLString(const QString& html) {
    const QByteArray utf8 = html.toUtf8();
    if (dataAddressLength(utf8) < LongestDataAddress) {
        beginRequest(RequestKind::String, {},
                     [&] { m_page->setContent(utf8, QString::fromLatin1(HtmlMimeType), QUrl()); });
        return;
    }
    // Too long for a data address: the page is served from a private temporary file.
    if (!m_largePageFolder)
        m_largePageFolder =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/larkspoon-page-XXXXXX"));
    QString error = tr("No temporary folder for the page.");
    const QString path =
        m_largePageFolder->isValid() ? m_largePageFolder->filePath(QStringLiteral("page.html")) : QString();
    if (path.isEmpty() || !writeFileAtomically(path, QByteArray("\xEF\xBB\xBF") + utf8, &error)) {
        qWarning() << "HTML page could not write its temporary page:" << error;
        abandonEngineLoad();
        beginRequest(RequestKind::String, {}, nullptr);
        failSoon(error);
        return;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    beginRequest(RequestKind::Address, url, [&] { m_page->load(url); });
}

void HtmlPage::loadFileURL(const QString& path) {
    if (path.isEmpty()) {
        abandonEngineLoad();
        beginRequest(RequestKind::Address, {}, nullptr);
        failSoon(tr("No file to load."));
        return;
    }
    loadURL(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void HtmlPage::loadURL(const QUrl& url) {
    QString refusal;
    if (!url.isValid() || url.isEmpty() || url.isRelative())
        refusal = tr("The address \"%1\" is not valid.").arg(url.toString());
    else if (m_content == Content::Local && !isLocalScheme(url.scheme()))
        refusal = tr("This page does not load addresses from the network.");
    if (!refusal.isEmpty()) {
        abandonEngineLoad();
        beginRequest(RequestKind::Address, url, nullptr);
        failSoon(refusal);
        return;
    }
    beginRequest(RequestKind::Address, url, [&] {
        if (url.isLocalFile()) {
            // A file address is read from disk again at every load.
            m_page->load(url);
            return;
        }
        QWebEngineHttpRequest request(url);
        request.setHeader("Cache-Control", "no-cache");
        request.setHeader("Pragma", "no-cache");
        m_page->load(request);
    });
}

void HtmlPage::reload() {
    if (m_page->url().isEmpty()) {
        beginRequest(RequestKind::History, {}, nullptr);
        failSoon(tr("There is no page to reload."));
        return;
    }
    beginRequest(RequestKind::History, {},
                 [&] { m_page->triggerAction(QWebEnginePage::ReloadAndBypassCache); });
}

void HtmlPage::stop() {
    abandonEngineLoad();
    if (m_request)
        finishRequest(false, tr("The load was stopped."));
}

bool HtmlPage::goBack() {
    if (!canGoBack())
        return false;
    beginRequest(RequestKind::History, {}, [&] { m_page->triggerAction(QWebEnginePage::Back); });
    return true;
}

bool HtmlPage::goForward() {
    if (!canGoForward())
        return false;
    beginRequest(RequestKind::History, {}, [&] { m_page->triggerAction(QWebEnginePage::Forward); });
    return true;
}

bool HtmlPage::canGoBack() const {
    return m_page->history()->canGoBack();
}

bool HtmlPage::canGoForward() const {
    return m_page->history()->canGoForward();
}

QUrl HtmlPage::url() const {
    const QUrl url = m_page->url();
    if (url.scheme() == QLatin1String("data"))
        return QUrl(QStringLiteral("about:blank"));
    if (m_largePageFolder && url.isLocalFile() &&
        url.toLocalFile() == m_largePageFolder->filePath(QStringLiteral("page.html")))
        return QUrl(QStringLiteral("about:blank"));
    return url;
}

QString HtmlPage::title() const {
    const QString title = m_page->title();
    return title.startsWith(QLatin1String("data:")) ? QString() : title;
}

void HtmlPage::setLoadTimeout(int milliseconds) {
    m_loadTimeout = std::max(1, milliseconds);
}

bool HtmlPage::engineIsLoading() const {
    // The Stop action follows the engine's loading state at once, while the engine's load
    // reports reach this object through the event loop a moment later.
    return m_page->action(QWebEnginePage::Stop)->isEnabled();
}

bool HtmlPage::isLocalRequest(RequestKind kind, const QUrl& url) const {
    if (m_content == Content::Local)
        return true;
    return kind == RequestKind::String || url.isLocalFile();
}

// The engine reports loads by session: one start when it begins loading, one end when it
// has stopped, whatever number of navigations happened in between (a load asked for
// during another one is folded into it), and the reports arrive through the event loop.
// A request therefore either joins the session that is running (it gets no start report
// of its own, and the session's end is its end) or waits for a session of its own. Reports
// that were on their way when the request was made are counted and passed over.
void HtmlPage::beginRequest(RequestKind kind, const QUrl& url, const std::function<void()>& engineCall) {
    std::optional<LoadRequest> replaced =
        std::exchange(m_request, LoadRequest{m_nextRequestId++, kind, url, false});
    const quint64 id = m_request->id;
    bool joined = false;
    if (engineCall) {
        const bool engineBusy = engineIsLoading();
        if (engineBusy && !m_engineLoadReported) {
            ++m_startsToSkip; // the running session's start report is still on its way
            m_engineLoadReported = true;
        } else if (!engineBusy && m_engineLoadReported) {
            ++m_endsToSkip; // the last session has ended; its end report is on its way
            m_engineLoadReported = false;
        }
        joined = engineBusy;
    }
    if (isLocalRequest(kind, url))
        m_timeout->start(m_loadTimeout);
    else
        m_timeout->stop();
    if (engineCall)
        engineCall();
    // Signals last: a receiver may well start another load.
    if (replaced) {
        emit loadFailed(tr("The load was replaced by another one."));
        emit loadFinished(false);
    }
    if (joined && m_request && m_request->id == id && !m_request->started) {
        m_request->started = true;
        emit loadStarted();
    }
}

void HtmlPage::failSoon(const QString& error) {
    if (!m_request)
        return;
    const quint64 id = m_request->id;
    QTimer::singleShot(0, this, [this, id, error] {
        if (m_request && m_request->id == id)
            finishRequest(false, error);
    });
}

void HtmlPage::finishRequest(bool ok, const QString& error) {
    if (!m_request)
        return;
    m_request.reset();
    m_timeout->stop();
    if (!ok)
        emit loadFailed(error);
    emit loadFinished(ok);
}

// Stops the engine; the reports of the load it was running are passed over when they come.
void HtmlPage::abandonEngineLoad() {
    if (engineIsLoading() && !m_engineLoadReported) {
        ++m_startsToSkip;
        m_engineLoadReported = true;
    }
    m_page->triggerAction(QWebEnginePage::Stop);
    if (!engineIsLoading() && m_engineLoadReported) {
        ++m_endsToSkip;
        m_engineLoadReported = false;
    }
}

bool HtmlPage::startBelongsTo(const LoadRequest& request, const QUrl& url) const {
    switch (request.kind) {
    case RequestKind::String:
        return url.scheme() == QLatin1String("data");
    case RequestKind::Address:
        return m_content == Content::Web || sameAddress(url, request.url);
    case RequestKind::History:
    case RequestKind::PageInitiated:
        return true;
    }
    return false;
}

bool HtmlPage::endBelongsTo(const LoadRequest& request, const QUrl& url) const {
    // A web address may be redirected; the end then carries the address arrived at.
    return startBelongsTo(request, url);
}

void HtmlPage::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        if (m_startsToSkip > 0) {
            --m_startsToSkip;
            return;
        }
        m_engineLoadReported = true;
        if (m_request) {
            if (!m_request->started && startBelongsTo(*m_request, info.url())) {
                m_request->started = true;
                emit loadStarted();
            }
            return;
        }
        // A Web page follows its links by itself; such a load is reported like a request.
        if (m_content == Content::Web) {
            m_request = LoadRequest{m_nextRequestId++, RequestKind::PageInitiated, info.url(), true};
            m_timeout->stop();
            emit loadStarted();
        }
        return;
    }

    if (m_endsToSkip > 0) {
        --m_endsToSkip;
        return;
    }
    m_engineLoadReported = false;
    if (!m_request || !m_request->started || !endBelongsTo(*m_request, info.url()))
        return;
    const bool ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    QString error;
    if (!ok) {
        if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
            error = tr("The load was stopped.");
        else if (!info.errorString().isEmpty())
            error = info.errorString();
        else
            error = tr("The page could not be loaded (error %1).").arg(info.errorCode());
    }
    finishRequest(ok, error);
}

// ---- Measuring

void HtmlPage::evaluateHeight(std::function<void(const MeasuredHeight&)> done) {
    runInApplicationWorld(measuredHeightScript(), [done = std::move(done)](const QVariant& value) {
        MeasuredHeight result;
        result.text = resultText(value);
        result.height = leadingInteger(result.text);
        if (done)
            done(result);
    });
}

void HtmlPage::evaluateInApplicationWorld(const QString& script, std::function<void(const QVariant&)> done) {
    runInApplicationWorld(script, std::move(done));
}

MeasuredHeight HtmlPage::evaluateHeightAndWait(int timeoutMs) {
    QEventLoop loop;
    auto result = std::make_shared<std::optional<MeasuredHeight>>();
    auto waiting = std::make_shared<QPointer<QEventLoop>>(&loop);
    evaluateHeight([result, waiting](const MeasuredHeight& height) {
        *result = height;
        if (*waiting)
            (*waiting)->quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!result->has_value())
        loop.exec();
    *waiting = nullptr;
    return result->value_or(MeasuredHeight{});
}

// ---- Text size

double HtmlPage::textSizeMultiplier() const {
    return std::pow(TextSizeStep, m_textSizeStep);
}

void HtmlPage::setTextSizeMultiplier(double multiplier) {
    int step = 0;
    if (multiplier > 0 && std::isfinite(multiplier))
        step = int(std::lround(std::log(multiplier) / std::log(TextSizeStep)));
    m_textSizeStep = std::clamp(step, SmallestTextSizeStep, LargestTextSizeStep);
    m_page->setZoomFactor(textSizeMultiplier());
    if (m_viewSize.isValid())
        applyViewWidth();
}

void HtmlPage::makeTextLarger() {
    if (canMakeTextLarger())
        setTextSizeMultiplier(std::pow(TextSizeStep, m_textSizeStep + 1));
}

void HtmlPage::makeTextSmaller() {
    if (canMakeTextSmaller())
        setTextSizeMultiplier(std::pow(TextSizeStep, m_textSizeStep - 1));
}

bool HtmlPage::canMakeTextLarger() const {
    return m_textSizeStep < LargestTextSizeStep;
}

bool HtmlPage::canMakeTextSmaller() const {
    return m_textSizeStep > SmallestTextSizeStep;
}

// ---- Printing

void HtmlPage::printToPdf(const QString& path, const QPageLayout& layout, std::function<void(bool)> done) {
    writePdf(path, layout, [this, path, done = std::move(done)](bool ok) {
        emit pdfPrintingFinished(path, ok);
        if (done)
            done(ok);
    });
}

void HtmlPage::writePdf(const QString& path, const QPageLayout& layout, std::function<void(bool)> done) {
    if (m_printing || path.isEmpty() || !layout.isValid()) {
        qWarning() << "HTML page cannot print to" << path
                   << (m_printing ? "while another print runs" : "without a path and a valid paper");
        QTimer::singleShot(0, this, [done = std::move(done)] { done(false); });
        return;
    }
    m_printing = true;
    QPointer<HtmlPage> self(this);
    m_page->printToPdf(
        [self, path, done = std::move(done)](const QByteArray& data) {
            if (!self)
                return;
            self->m_printing = false;
            QString error = tr("The engine made no document.");
            const bool ok = !data.isEmpty() && writeFileAtomically(path, data, &error);
            if (!ok)
                qWarning() << "HTML page could not save" << path << ":" << error;
            done(ok);
        },
        layout);
}

void HtmlPage::print(PagePrinter* printer, const QPageLayout& layout) {
    auto finish = [self = QPointer<HtmlPage>(this)](bool ok) {
        if (self)
            emit self->printFinished(ok);
    };
    if (!printer || m_printing) {
        qWarning() << "HTML page cannot print:" << (!printer ? "no printer" : "another print runs");
        QTimer::singleShot(0, this, [finish] { finish(false); });
        return;
    }
    m_printing = true;
    printer->printPage(m_page.get(), layout, [self = QPointer<HtmlPage>(this), finish](bool ok) {
        if (self)
            self->m_printing = false;
        finish(ok);
    });
}

// ---- Selection and editing

QString HtmlPage::selectedText() const {
    return m_page->selectedText();
}

void HtmlPage::setEditable(bool editable) {
    runInApplicationWorld(editable ? QStringLiteral("document.designMode = 'on';")
                                   : QStringLiteral("document.designMode = 'off';"));
}

void HtmlPage::colourSelection(const QColor& background, const QColor& text) {
    runInApplicationWorld(QStringLiteral("(function () {"
                                         "  var mode = document.designMode;"
                                         "  document.designMode = 'on';"
                                         "  document.execCommand('styleWithCSS', false, true);"
                                         "  document.execCommand('hiliteColor', false, '%1');"
                                         "  document.execCommand('foreColor', false, '%2');"
                                         "  document.designMode = mode;"
                                         "})();")
                              .arg(cssColour(background), cssColour(text)));
}

void HtmlPage::setPageScriptsEnabled(bool enabled) {
    if (m_content == Content::Local) {
        qWarning() << "HTML page: page scripts stay off in the program's own pages";
        return;
    }
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, enabled);
}

#include "platform/HtmlPage.h"
#include "platform/PagePrinter.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <utility>

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

constexpr int Patience = 20000; // a bound for a loaded machine, never reached when all is well

// Waits in an event loop that runs the engine's work at full speed (QTest::qWaitFor sleeps
// between rounds, which slows the engine down a great deal).
bool waitUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(Patience);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool waitForCount(QSignalSpy& spy, int count) {
    return waitUntil([&] { return spy.count() >= count; });
}

// A printer that keeps the pages it was given and answers when the test says so.
class RecordingPrinter final : public PagePrinter {
public:
    QList<QWebEnginePage*> pages;
    void printPage(QWebEnginePage* page, const QPageLayout&, std::function<void(bool)> done) override {
        pages << page;
        m_done = std::move(done);
    }
    void answer(bool ok) { std::exchange(m_done, {})(ok); }

private:
    std::function<void(bool)> m_done;
};

// The load signals of one page, in the order they came.
struct LoadLog {
    explicit LoadLog(HtmlPage& page)
        : started(&page, &HtmlPage::loadStarted), finished(&page, &HtmlPage::loadFinished),
          failed(&page, &HtmlPage::loadFailed) {}
    QSignalSpy started, finished, failed;
    QList<bool> results() const {
        QList<bool> out;
        for (const QList<QVariant>& args : finished)
            out << args.at(0).toBool();
        return out;
    }
    bool waitFor(int count) { return waitForCount(finished, count); }
};

bool loadString(HtmlPage& page, LoadLog& log, const QString& html) {
    const int before = int(log.finished.count());
    page.loadHTMLString(html);
    return log.waitFor(before + 1) && log.results().last();
}

// Loads a small page and waits for it, so that whatever was still on its way for earlier
// loads has arrived; the page shown must be this one.
void settle(HtmlPage& page, LoadLog& log) {
    ASSERT_TRUE(loadString(page, log, QStringLiteral("<title>settled</title>")));
    EXPECT_EQ(page.title(), QStringLiteral("settled"));
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

QString measuredDiv(const QString& style, const QString& content) {
    return QStringLiteral(
               "<body style=\"margin:0\"><div id=\"measured_height_container\" style=\"%1\">%2</div>")
        .arg(style, content);
}

// The size of the first MediaBox of a PDF file, in points.
QSizeF mediaBox(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+))"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(file.readAll()));
    return m.hasMatch() ? QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
                                 m.captured(4).toDouble() - m.captured(2).toDouble())
                        : QSizeF();
}

} // namespace

TEST(HtmlPageTest, MeasuresContentAtTheViewWidthWithoutRunningPageScripts) {
    HtmlPage page;
    LoadLog log(page);
    page.setViewSize(QSize(300, 400));

    // A page script that would change the title and the measured height does not run.
    ASSERT_TRUE(loadString(
        page, log,
        QStringLiteral("<title>Measured</title>") + measuredDiv(QStringLiteral("height:345px"), {}) +
            QStringLiteral("<script>document.title = 'scripted'; document.getElementById("
                           "'measured_height_container').style.height = '10px';</script>")));
    const MeasuredHeight fixed = page.evaluateHeightAndWait();
    EXPECT_EQ(fixed.text, QStringLiteral("345"));
    EXPECT_EQ(fixed.height, 345);
    EXPECT_TRUE(fixed.found());
    EXPECT_EQ(page.title(), QStringLiteral("Measured"));
    EXPECT_EQ(page.url(), QUrl(QStringLiteral("about:blank")));

    // Running text: a narrower view lays it out taller; the page shown follows a new size.
    const QString paragraph =
        measuredDiv({}, QStringLiteral("<p>%1</p>").arg(QStringLiteral("word ").repeated(300)));
    ASSERT_TRUE(loadString(page, log, paragraph));
    const int at300 = page.evaluateHeightAndWait().height;
    page.setViewSize(QSize(600, 400));
    const int at600 = page.evaluateHeightAndWait().height;
    EXPECT_GT(at300, at600);
    EXPECT_GT(at600, 0);
    ASSERT_TRUE(loadString(page, log, paragraph));
    EXPECT_EQ(page.evaluateHeightAndWait().height, at600);
    page.makeTextLarger(); // fewer words a line in the same view
    EXPECT_GT(page.evaluateHeightAndWait().height, at600);
    page.setTextSizeMultiplier(1.0);
    EXPECT_EQ(page.evaluateHeightAndWait().height, at600);

    // No such element: empty text, height 0.
    ASSERT_TRUE(loadString(page, log, QStringLiteral("<p>nothing to measure</p>")));
    const MeasuredHeight absent = page.evaluateHeightAndWait();
    EXPECT_EQ(absent.text, QString());
    EXPECT_EQ(absent.height, 0);
    EXPECT_FALSE(absent.found());

    // A page longer than the engine's longest data address still loads as a string.
    ASSERT_TRUE(loadString(page, log,
                           QStringLiteral("<title>Large</title>") +
                               measuredDiv(QStringLiteral("height:345px"), {}) +
                               QStringLiteral("<!--%1-->").arg(QString(3 * 1024 * 1024, QLatin1Char('x')))));
    EXPECT_EQ(page.evaluateHeightAndWait().height, 345);
    EXPECT_EQ(page.title(), QStringLiteral("Large"));
    EXPECT_EQ(page.url(), QUrl(QStringLiteral("about:blank")));

    EXPECT_EQ(log.started.count(), 5);
    EXPECT_EQ(log.results(), QList<bool>(5, true));
}

TEST(HtmlPageTest, LocalPagesStayLocal) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QSignalSpy connections(&server, &QTcpServer::newConnection);
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        while (QTcpSocket* socket = server.nextPendingConnection())
            socket->close();
    });
    const QString remote = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    const QString html =
        QStringLiteral(
            "<title>remote</title><link rel=\"preconnect\" href=\"%1\"><link rel=\"prefetch\" href=\"%1/p\">"
            "<link rel=\"stylesheet\" href=\"%1/s.css\"><style>@import url(\"%1/i.css\");"
            " body { background: url(\"%1/bg.png\"); }</style><img src=\"%1/x.png\">"
            "<iframe src=\"%1/frame.html\"></iframe><video src=\"%1/v.mp4\" autoplay></video>")
            .arg(remote);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("remote.html"));
    const QString other = folder.filePath(QStringLiteral("other.html"));
    writeFile(file, (html + QStringLiteral("<a id=\"link\" href=\"%1\">link</a>"
                                           "<meta http-equiv=\"refresh\" content=\"0; url=%1\">")
                                .arg(QUrl::fromLocalFile(other).toString()))
                        .toUtf8());
    writeFile(other, "<title>other</title>");

    HtmlPage page;
    LoadLog log(page);
    page.setViewSize(QSize(400, 400));
    ASSERT_TRUE(loadString(page, log, html));
    page.loadFileURL(file);
    ASSERT_TRUE(log.waitFor(2));
    page.loadURL(QUrl(remote + QStringLiteral("/direct.html"))); // refused without a connection
    ASSERT_TRUE(log.waitFor(3));
    EXPECT_EQ(log.results(), QList<bool>({true, true, false}));
    EXPECT_EQ(page.title(), QStringLiteral("remote"));

    // A followed link does not replace the page, and neither does the page's refresh
    // instruction; the link is handed on.
    QSignalSpy handedOn(&page, &HtmlPage::newWindowRequested);
    page.page()->runJavaScript(QStringLiteral("document.getElementById('link').click();"),
                               QWebEngineScript::ApplicationWorld);
    ASSERT_TRUE(waitForCount(handedOn, 1));
    EXPECT_EQ(handedOn.last().at(0).toUrl(), QUrl::fromLocalFile(other));
    EXPECT_EQ(page.url(), QUrl::fromLocalFile(file));
    EXPECT_EQ(page.title(), QStringLiteral("remote"));

    settle(page, log);
    EXPECT_EQ(log.finished.count(), 4);
    EXPECT_EQ(connections.count(), 0);

    // The same content browsed as a web page does reach the server: the check above can fail.
    HtmlPage web(HtmlPage::Content::Web);
    web.loadHTMLString(html);
    EXPECT_TRUE(waitForCount(connections, 1));
}

TEST(HtmlPageTest, EveryLoadEndsOnce) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("Display.htm"));
    auto writePage = [&](const char* title, int pictureSize) {
        writeFile(file, (QStringLiteral("<title>%1</title>").arg(QLatin1String(title)) +
                         measuredDiv({}, QStringLiteral("<img src=\"picture.png\" style=\"display:block\">")))
                            .toUtf8());
        QImage picture(pictureSize, pictureSize, QImage::Format_RGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("picture.png")), "PNG"));
    };
    // Reading a named pipe blocks until someone writes to it: loads that hang.
    QStringList pipes;
    for (const char* name : {"hanging1.html", "hanging2.html"}) {
        pipes << folder.filePath(QLatin1String(name));
        ASSERT_EQ(mkfifo(QFile::encodeName(pipes.last()).constData(), 0600), 0);
    }

    HtmlPage page;
    LoadLog log(page);
    page.setViewSize(QSize(400, 400));

    // The page and its picture are read from disk at every load.
    for (const auto& [title, size] : {std::pair{"first", 10}, std::pair{"second", 20}}) {
        writePage(title, size);
        page.loadFileURL(file);
        ASSERT_TRUE(log.waitFor(int(log.finished.count()) + 1));
        EXPECT_EQ(page.title(), QLatin1String(title));
        EXPECT_EQ(page.evaluateHeightAndWait().height, size);
    }
    EXPECT_EQ(page.url(), QUrl::fromLocalFile(file));
    EXPECT_EQ(log.started.count(), 2);

    // A missing file or no path fails; the page shown before stays.
    page.loadFileURL(folder.filePath(QStringLiteral("missing.htm")));
    ASSERT_TRUE(log.waitFor(3));
    page.loadFileURL(QString());
    ASSERT_TRUE(log.waitFor(4));
    EXPECT_EQ(page.title(), QStringLiteral("second"));

    // Replaced before it started, and while the engine is busy with it (the new load then
    // joins the engine's running one): the older load ends first, as failed.
    page.loadFileURL(file);
    page.loadHTMLString(QStringLiteral("<title>replacement</title>"));
    ASSERT_TRUE(log.waitFor(6));
    const int started = int(log.started.count());
    page.loadFileURL(pipes[0]);
    ASSERT_TRUE(waitForCount(log.started, started + 1));
    page.loadHTMLString(QStringLiteral("<title>replacement 2</title>"));
    ASSERT_TRUE(log.waitFor(8));
    EXPECT_EQ(page.title(), QStringLiteral("replacement 2"));

    // Stopped: one failed end at once. Hanging: a failed end at the time-out.
    page.loadFileURL(file);
    page.stop();
    EXPECT_EQ(log.finished.count(), 9);
    EXPECT_EQ(page.loadTimeout(), HtmlPage::DefaultLoadTimeout);
    page.setLoadTimeout(1000);
    page.loadFileURL(pipes[1]);
    ASSERT_TRUE(log.waitFor(10));
    for (const QString& pipe : pipes) { // let the engine's readers go
        const int writer = open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
    }
    page.setLoadTimeout(HtmlPage::DefaultLoadTimeout);

    // Loads chained from the end of the one before, as the card layout does.
    int chained = 0;
    QObject::connect(&page, &HtmlPage::loadFinished, &page, [&](bool) {
        if (++chained <= 3)
            chained % 2 ? page.loadHTMLString(QStringLiteral("<title>chain %1</title>").arg(chained))
                        : page.loadFileURL(file);
    });
    page.loadFileURL(file);
    ASSERT_TRUE(log.waitFor(14));
    EXPECT_EQ(page.title(), QStringLiteral("chain 3"));

    settle(page, log);
    EXPECT_EQ(log.results(), QList<bool>({true, true, false, false, false, true, false, true, false, false,
                                          true, true, true, true, true}))
        << log.failed.last().at(0).toString().toStdString();
    EXPECT_EQ(log.failed.count(), 6);
    EXPECT_LE(log.started.count(), log.finished.count());
}

TEST(HtmlPageTest, SavesPdfAtThePaperSizeAndPrintsThroughThePrinterPort) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    HtmlPage page;
    LoadLog log(page);
    page.setViewSize(QSize(612, 792));
    ASSERT_TRUE(
        loadString(page, log, measuredDiv(QStringLiteral("background:#c00"), QStringLiteral("text"))));

    QSignalSpy saved(&page, &HtmlPage::pdfPrintingFinished);
    const struct {
        QPageSize::PageSizeId paper;
        QSizeF points;
    } papers[] = {{QPageSize::A4, {595.28, 841.89}}, {QPageSize::Letter, {612, 792}}};
    for (const auto& [paper, points] : papers) {
        const QString path = folder.filePath(QStringLiteral("paper%1.pdf").arg(int(paper)));
        bool result = false;
        page.printToPdf(path, QPageLayout(QPageSize(paper), QPageLayout::Portrait, QMarginsF(0, 20, 0, 20)),
                        [&result](bool ok) { result = ok; });
        ASSERT_TRUE(waitForCount(saved, int(saved.count()) + 1));
        EXPECT_TRUE(result);
        EXPECT_EQ(saved.last(), QList<QVariant>({path, true}));
        EXPECT_NEAR(mediaBox(path).width(), points.width(), 1.0);
        EXPECT_NEAR(mediaBox(path).height(), points.height(), 1.0);
    }

    // A folder that does not exist fails. One print at a time: a second request while the
    // first runs fails, the first succeeds.
    const QPageLayout letter(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF());
    page.printToPdf(folder.filePath(QStringLiteral("missing/out.pdf")), letter);
    ASSERT_TRUE(waitForCount(saved, 3));
    EXPECT_FALSE(saved.last().at(1).toBool());
    page.printToPdf(folder.filePath(QStringLiteral("first.pdf")), letter);
    page.printToPdf(folder.filePath(QStringLiteral("second.pdf")), letter);
    ASSERT_TRUE(waitForCount(saved, 5));
    for (int i = 3; i < 5; ++i)
        EXPECT_EQ(saved.at(i).at(1).toBool(),
                  saved.at(i).at(0).toString().endsWith(QLatin1String("first.pdf")));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("second.pdf"))));

    // Printing goes through the printer port with the engine page; one print at a time,
    // and the page is free again whatever the printer answered.
    RecordingPrinter printer;
    QSignalSpy printed(&page, &HtmlPage::printFinished);
    page.print(&printer);
    page.print(&printer); // while the first runs
    ASSERT_TRUE(waitForCount(printed, 1));
    EXPECT_FALSE(printed.last().at(0).toBool());
    ASSERT_EQ(printer.pages.size(), 1);
    EXPECT_EQ(printer.pages.first(), page.page());
    printer.answer(false); // the user cancelled the print dialog
    EXPECT_EQ(printed.count(), 2);
    EXPECT_FALSE(printed.last().at(0).toBool());
    page.print(&printer);
    printer.answer(true);
    EXPECT_EQ(printed.count(), 3);
    EXPECT_TRUE(printed.last().at(0).toBool());
    page.print(nullptr);
    ASSERT_TRUE(waitForCount(printed, 4));
    EXPECT_FALSE(printed.last().at(0).toBool());
    EXPECT_EQ(printer.pages.size(), 2);
}

TEST(HtmlPageTest, TextSizeMovesInStepsBetweenLimits) {
    HtmlPage page;
    EXPECT_DOUBLE_EQ(page.textSizeMultiplier(), 1.0);
    int larger = 0, smaller = 0;
    for (; page.canMakeTextLarger() && larger < 100; ++larger)
        page.makeTextLarger();
    page.makeTextLarger(); // at the limit: no change
    EXPECT_EQ(larger, HtmlPage::LargestTextSizeStep);
    EXPECT_NEAR(page.textSizeMultiplier(), std::pow(1.2, 6), 1e-9);
    EXPECT_NEAR(page.page()->zoomFactor(), page.textSizeMultiplier(), 1e-6);
    page.setTextSizeMultiplier(1.0);
    for (; page.canMakeTextSmaller() && smaller < 100; ++smaller)
        page.makeTextSmaller();
    EXPECT_EQ(smaller, -HtmlPage::SmallestTextSizeStep);
    EXPECT_NEAR(page.textSizeMultiplier(), std::pow(1.2, -3), 1e-9);
    for (int i = 0; i < smaller; ++i)
        page.makeTextLarger();
    EXPECT_DOUBLE_EQ(page.textSizeMultiplier(), 1.0);

    // Any multiplier is taken to the nearest step within the limits.
    const double cases[][2] = {{1.19, 1.2}, {1.5, 1.44}, {0.1, std::pow(1.2, -3)}, {50, std::pow(1.2, 6)},
                               {-2, 1.0},   {0, 1.0},    {std::nan(""), 1.0}};
    for (const auto& [asked, expected] : cases) {
        page.setTextSizeMultiplier(asked);
        EXPECT_NEAR(page.textSizeMultiplier(), expected, 1e-9) << asked;
    }
}

TEST(HtmlPageTest, SelectionTextAndColouring) {
    HtmlPage page(HtmlPage::Content::Web);
    LoadLog log(page);
    page.setViewSize(QSize(400, 400));
    ASSERT_TRUE(loadString(page, log, QStringLiteral("<p>Hello <b>bold</b> world</p><p>other</p>")));

    // The user's selection, made here by script. The engine passes the selection's text on
    // a moment after it changes.
    page.page()->runJavaScript(
        QStringLiteral("window.getSelection().selectAllChildren(document.querySelector('p'));"),
        QWebEngineScript::ApplicationWorld);
    EXPECT_TRUE(waitUntil([&] { return !page.selectedText().isEmpty(); }));
    EXPECT_EQ(page.selectedText(), QStringLiteral("Hello bold world"));

    page.colourSelection(QColor::fromRgbF(0.933f, 0.0f, 0.0f), Qt::white);
    QString html;
    page.page()->toHtml([&html](const QString& result) { html = result; });
    ASSERT_TRUE(waitUntil([&] { return !html.isEmpty(); }));
    EXPECT_TRUE(html.contains(QStringLiteral("background-color: rgb(238, 0, 0); color: rgb(255, 255, 255);")))
        << html.toStdString();
}

// The file downloader and the automatic import against a loopback HTTP server.
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "common/TestSupport.h"
#include "import/GenericFileDownloader.h"
#include "import/LoopbackHttpServer.h"
#include "import/WebAutoImporter.h"
#include "library/RecipesManagedObject.h"
#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using testsupport::LoopbackHttpServer;

namespace {

struct Outcome {
    bool ok = false;
    QString error;
    QByteArray file;
};

// Runs one download to its completion call.
Outcome download(GenericFileDownloader& downloader, const QString& url, const QString& destination,
                 bool allowOverwrite = true) {
    Outcome outcome;
    QEventLoop loop;
    downloader.downloadURL(QUrl(url), destination, allowOverwrite, [&](bool ok, const QString& error) {
        outcome.ok = ok;
        outcome.error = error;
        loop.quit();
    });
    loop.exec();
    QFile file(destination);
    if (file.open(QIODevice::ReadOnly))
        outcome.file = file.readAll();
    return outcome;
}

TEST(GenericFileDownloader, AnswersOfTheServer) {
    LoopbackHttpServer server;
    const QByteArray big(4096, 'x');
    server.route("/page", {200, "<p>page</p>", {}, true, false});
    server.route("/moved", {302, {}, server.url(QStringLiteral("/page")).toLatin1(), true, false});
    server.route("/big", {200, big, {}, true, false});
    server.route("/big-stream", {200, big, {}, false, false});
    server.route("/limit", {200, big.left(1000), {}, false, false});
    server.route("/slow", {200, {}, {}, true, true});

    QTemporaryDir dir;
    struct Case {
        const char* path;
        bool ok;
        QByteArray file; // what the destination holds afterwards
    };
    const Case cases[] = {
        {"/page", true, "<p>page</p>"},   {"/moved", true, "<p>page</p>"},
        {"/missing", false, "old"},       {"/big", false, "old"}, // announced larger than the limit
        {"/big-stream", false, "old"},                            // found larger while reading
        {"/limit", true, big.left(1000)}, {"/slow", false, "old"},
    };
    for (const Case& c : cases) {
        GenericFileDownloader downloader;
        downloader.setMaxBytes(1000);
        downloader.setTimeoutMs(300);
        const QString destination = dir.filePath(QStringLiteral("out.html"));
        QFile old(destination);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("old");
        old.close();
        const Outcome outcome = download(downloader, server.url(QString::fromLatin1(c.path)), destination);
        EXPECT_EQ(outcome.ok, c.ok) << c.path << " " << outcome.error.toStdString();
        EXPECT_EQ(outcome.file, c.file) << c.path;
        EXPECT_EQ(outcome.error.isEmpty(), c.ok) << c.path;
    }
}

TEST(GenericFileDownloader, RefusesOtherSchemesAndExistingFiles) {
    LoopbackHttpServer server;
    server.route("/page", {200, "new", {}, true, false});
    QTemporaryDir dir;
    const QString destination = dir.filePath(QStringLiteral("kept.html"));
    QFile file(destination);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kept");
    file.close();
    GenericFileDownloader downloader;
    for (const QString& url : {QStringLiteral("file:///etc/hostname"), QStringLiteral("ftp://127.0.0.1/x"),
                               QStringLiteral("not an address")}) {
        const Outcome outcome = download(downloader, url, dir.filePath(QStringLiteral("other.html")));
        EXPECT_FALSE(outcome.ok) << url.toStdString();
    }
    const Outcome refused = download(downloader, server.url(QStringLiteral("/page")), destination, false);
    EXPECT_EQ(refused.ok, false);
    EXPECT_EQ(refused.file, QByteArray("kept"));
    EXPECT_EQ(server.requests("/page"), 0);
}

class WebAutoImporterTest : public ::testing::Test {
protected:
    void SetUp() override { Scheduler::instance().setManualTime(QDateTime(QDate(2024, 5, 1), QTime(12, 0))); }
    void TearDown() override {
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }
    WebAutoImporter::PageCheck check(WebAutoImporter& importer, const QString& url) {
        WebAutoImporter::PageCheck result = WebAutoImporter::PageCheck::DownloadFailed;
        QEventLoop loop;
        importer.lookForRecipeOnPage(QUrl(url), [&](WebAutoImporter::PageCheck checked) {
            result = checked;
            loop.quit();
        });
        loop.exec();
        return result;
    }
    QTemporaryDir m_dir;
    LoopbackHttpServer m_server;
};

TEST_F(WebAutoImporterTest, FindsBuildsAndFetchesThePicture) {
    const QByteArray picture = testsupport::pictureData("JPEG");
    m_server.route("/soup",
                   {200,
                    R"(<script type="application/ld+json">{"@type":"Recipe","name":"Soup","image":"/soup.jpg",
                             "recipeIngredient":["1 leek","2 cups stock"],"recipeInstructions":"Simmer."}</script>)",
                    {},
                    true,
                    false});
    m_server.route("/soup.jpg", {200, picture, {}, true, false});
    m_server.route("/plain", {200, "<p>no recipe</p>", {}, true, false});

    WebAutoImporter importer(m_dir.path());
    using Check = WebAutoImporter::PageCheck;
    EXPECT_EQ(check(importer, m_server.url(QStringLiteral("/plain"))), Check::NoRecipe);
    EXPECT_EQ(check(importer, m_server.url(QStringLiteral("/missing"))), Check::DownloadFailed);
    ASSERT_EQ(check(importer, m_server.url(QStringLiteral("/soup"))), Check::Recipe);
    EXPECT_TRUE(QFile::exists(importer.pageFile()));

    ScriptedAlerts alerts;
    testsupport::TestSession library(m_dir.filePath(QStringLiteral("Lib.library")), alerts);
    ASSERT_TRUE(library.isOpen()) << library.error().toStdString();
    RecipesManagedObject* recipe = importer.recipeFromPage(*library.session());
    ASSERT_NE(recipe, nullptr);
    EXPECT_EQ(recipe->stringValue(QStringLiteral("name")), QStringLiteral("Soup"));
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("isNewRecipe")).toBool());
    EXPECT_TRUE(recipe->stringValue(QStringLiteral("ingredientsArray")).contains(QStringLiteral("leek")));
    EXPECT_FALSE(QFile::exists(importer.pageFile()));

    // The picture is asked for half a second later.
    QSignalSpy pictures(&importer, &WebAutoImporter::pictureReady);
    EXPECT_EQ(m_server.requests("/soup.jpg"), 0);
    Scheduler::instance().advance(0.5);
    ASSERT_TRUE(pictures.wait());
    EXPECT_EQ(pictures.first().at(0).toInt(), 1);
    QFile file(importer.imageFile(1));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), picture);
}

} // namespace

// larkspoon-cli's platefeed commands against a real WebDAV server on 127.0.0.1: publishing,
// refusals that leave the space and the library as they were, listing and withdrawing.
#include "common/TestSupport.h"
#include "share/FeedServers.h"

#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class CliFeedTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Feeds.library"));
    WebDavTestServer m_server;

    void SetUp() override {
        if (!WebDavTestServer::isInstalled())
            GTEST_SKIP() << "lighttpd (Debian packages lighttpd, lighttpd-mod-webdav) is not installed";
        ASSERT_TRUE(m_server.start()) << m_server.error().toStdString();
        ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    }
    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    // A feed command with the account of the test server (the password on standard input).
    CliRun feed(const QStringList& args, const QString& webdav = QString()) {
        const QString address = webdav.isEmpty() ? m_server.address() : webdav;
        QStringList all = QStringList{QStringLiteral("--library"), m_library, QStringLiteral("feed")} + args;
        all << QStringLiteral("--webdav") << address << QStringLiteral("--public") << address
            << QStringLiteral("--user") << QStringLiteral("cook");
        return runCli(all, "secret\n");
    }
    QString sites(const QString& path) const { return m_server.root() + QStringLiteral("/Sites/") + path; }
};

TEST_F(CliFeedTest, PublishesListsRefusesAndWithdraws) {
    ASSERT_EQ(cli({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Soups")}).exitCode, 0);
    ASSERT_EQ(cli({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Photos")}).exitCode, 0);
    ASSERT_EQ(cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
                   QStringLiteral(R"({"name":"Leek Soup","keywords":"Soups"})")})
                  .exitCode,
              0);

    const CliRun published =
        feed({QStringLiteral("publish"), QStringLiteral("Soups"), QStringLiteral("--folder"),
              QStringLiteral("SoupFeed"), QStringLiteral("--title"), QStringLiteral("Soup Feed")});
    ASSERT_EQ(published.exitCode, 0) << published.err.toStdString();
    EXPECT_FALSE(published.err.contains("unencrypted")); // loopback http is this machine
    const QJsonObject soup = QJsonDocument::fromJson(published.out).object();
    const QString key = soup.value(QStringLiteral("key")).toString();
    EXPECT_EQ(soup.value(QStringLiteral("folder")).toString(), QStringLiteral("SoupFeed"));
    EXPECT_GE(soup.value(QStringLiteral("recipes")).toInt(), 1);
    EXPECT_EQ(readPropertyListFile(sites(QStringLiteral("SoupFeed/version.plist")))
                  .value.toMap()
                  .value(QStringLiteral("platefeedPredicateKey"))
                  .toString(),
              key);

    // The user's own folder, a second publishing of a published group, a folder another
    // group publishes into: refused, and nothing changes.
    ASSERT_TRUE(QDir().mkpath(sites(QStringLiteral("Photos"))));
    QFile photo(sites(QStringLiteral("Photos/holiday.jpg")));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write("picture");
    photo.close();
    struct Refusal {
        QString group;
        QString folder;
        int exitCode;
        QByteArray said;
    };
    const QList<Refusal> refusals = {
        {QStringLiteral("Photos"), QStringLiteral("Photos"), 6, "other files"},
        {QStringLiteral("Soups"), QStringLiteral("Soups2"), 2, "already published"},
        {QStringLiteral("Photos"), QStringLiteral("SoupFeed"), 6, "already the platefeed"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.group.toStdString() + " " + r.folder.toStdString());
        const CliRun run = feed({QStringLiteral("publish"), r.group, QStringLiteral("--folder"), r.folder});
        EXPECT_EQ(run.exitCode, r.exitCode);
        EXPECT_TRUE(run.err.contains(r.said)) << run.err.toStdString();
    }
    EXPECT_TRUE(QFile::exists(sites(QStringLiteral("Photos/holiday.jpg"))));
    EXPECT_FALSE(QFile::exists(sites(QStringLiteral("Soups2"))));

    const CliRun listed = feed({QStringLiteral("list")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QJsonArray feeds =
        QJsonDocument::fromJson(listed.out).object().value(QStringLiteral("published")).toArray();
    ASSERT_EQ(feeds.size(), 1);
    EXPECT_EQ(feeds.at(0).toObject().value(QStringLiteral("key")).toString(), key);

    // A password for another machine over plain http is warned about.
    const CliRun plain =
        feed({QStringLiteral("check-published")}, QStringLiteral("http://dav.example.invalid/"));
    EXPECT_TRUE(plain.err.contains("unencrypted")) << plain.err.toStdString();

    const CliRun withdrawn = feed({QStringLiteral("unpublish"), QStringLiteral("Soups")});
    ASSERT_EQ(withdrawn.exitCode, 0) << withdrawn.err.toStdString();
    EXPECT_TRUE(readPropertyListFile(sites(QStringLiteral("SoupFeed/version.plist")))
                    .value.toMap()
                    .contains(QStringLiteral("hasBeenDeactivated")));
    EXPECT_TRUE(QJsonDocument::fromJson(feed({QStringLiteral("list")}).out)
                    .object()
                    .value(QStringLiteral("published"))
                    .toArray()
                    .isEmpty());
}

} // namespace

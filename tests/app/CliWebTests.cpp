// larkspoon-cli's web commands: web-extract over saved pages and web-import from a loopback
// server.
#include "common/TestSupport.h"
#include "import/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::LoopbackHttpServer;
using testsupport::runCli;

namespace {

class CliWebTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Web.library"));

    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    QJsonObject json(const CliRun& run) {
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out).object();
    }
    QStringList recipeNames() {
        QStringList names;
        const CliRun run = cli({QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--keys"),
                                QStringLiteral("name")});
        for (const QJsonValue& recipe : QJsonDocument::fromJson(run.out).array())
            names.append(recipe.toObject().value(QStringLiteral("name")).toString());
        names.sort();
        return names;
    }
};

TEST_F(CliWebTest, ExtractsSavedPages) {
    const QJsonObject site =
        json(cli({QStringLiteral("web-extract"),
                  testsupport::testDataPath(QStringLiteral("import/BBCGoodFoodImporter.html")),
                  QStringLiteral("--url"), QStringLiteral("http://www.bbcgoodfood.com/r/1")}));
    const QJsonObject recipe = site.value(QStringLiteral("recipe")).toObject();
    EXPECT_EQ(site.value(QStringLiteral("extractor")).toString(), QStringLiteral("BBCGoodFoodImporter"));
    EXPECT_EQ(recipe.value(QStringLiteral("name")).toString(), QStringLiteral("Lemon Tart"));
    EXPECT_EQ(recipe.value(QStringLiteral("directions")).toString(),
              QStringLiteral("Whisk the eggs.<br><br>Bake for 45 mins."));
    const QJsonObject sugar = recipe.value(QStringLiteral("ingredients")).toArray().at(1).toObject();
    EXPECT_EQ(sugar.value(QStringLiteral("quantity")).toString() + QLatin1Char('|') +
                  sugar.value(QStringLiteral("measurement")).toString() + QLatin1Char('|') +
                  sugar.value(QStringLiteral("name")).toString(),
              QStringLiteral("100|g|caster sugar"));

    const QString plain = m_dir.filePath(QStringLiteral("plain.html"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<p>No recipe.</p>");
    file.close();
    const QJsonObject none = json(cli({QStringLiteral("web-extract"), plain, QStringLiteral("--url"),
                                       QStringLiteral("https://example.org/")}));
    EXPECT_TRUE(none.value(QStringLiteral("extractor")).isNull() &&
                none.value(QStringLiteral("recipe")).isNull());

    const std::pair<QStringList, int> refusals[] = {
        {{m_dir.filePath(QStringLiteral("absent.html")), QStringLiteral("--url"),
          QStringLiteral("http://a.example/")},
         2},
        {{m_dir.path(), QStringLiteral("--url"), QStringLiteral("http://a.example/")}, 2},
        {{plain}, 2},
        {{plain, QStringLiteral("--url"), QStringLiteral("ftp://a.example/")}, 2},
    };
    for (const auto& [args, exitCode] : refusals)
        EXPECT_EQ(cli(QStringList{QStringLiteral("web-extract")} + args).exitCode, exitCode)
            << args.join(QLatin1Char(' ')).toStdString();
}

TEST_F(CliWebTest, ImportsFromTheWebOrSavesNothing) {
    ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    const QStringList before = recipeNames();
    QString group;
    const CliRun groups = cli({QStringLiteral("groups")});
    for (const QJsonValue& node : QJsonDocument::fromJson(groups.out).array())
        if (group.isEmpty() &&
            node.toObject().value(QStringLiteral("kind")).toString() == QLatin1String("group"))
            group = node.toObject().value(QStringLiteral("name")).toString();
    ASSERT_FALSE(group.isEmpty());

    LoopbackHttpServer server;
    server.route("/stew", {200,
                           R"(<script type="application/ld+json">{"@type":"Recipe","name":"Loopback Stew",
                           "image":"/stew.jpg","recipeIngredient":["2 carrots","1 onion"],
                           "recipeInstructions":["Chop.","Stew."]}</script>)",
                           {},
                           true,
                           false});
    server.route("/stew.jpg", {200, testsupport::pictureData("PNG"), {}, true, false});
    server.route("/plain", {200, "<p>No recipe.</p>", {}, true, false});

    // Failures first: nothing may be saved by them.
    EXPECT_EQ(cli({QStringLiteral("web-import"), server.url(QStringLiteral("/plain"))}).exitCode, 5);
    const CliRun missing = cli({QStringLiteral("web-import"), server.url(QStringLiteral("/missing"))});
    EXPECT_EQ(missing.exitCode, 6);
    EXPECT_FALSE(missing.err.isEmpty());
    EXPECT_EQ(cli({QStringLiteral("web-import"), server.url(QStringLiteral("/stew")),
                   QStringLiteral("--group"), QStringLiteral("No Such Group")})
                  .exitCode,
              2);
    EXPECT_EQ(recipeNames(), before);

    const QJsonObject imported = json(cli({QStringLiteral("web-import"), server.url(QStringLiteral("/stew")),
                                           QStringLiteral("--group"), group}));
    EXPECT_EQ(imported.value(QStringLiteral("name")).toString(), QStringLiteral("Loopback Stew"));
    EXPECT_EQ(imported.value(QStringLiteral("extractor")).toString(), QStringLiteral("SchemaOrgImporter"));
    const QString uniqueID = imported.value(QStringLiteral("uniqueID")).toString();
    EXPECT_TRUE(QFile::exists(m_library + QStringLiteral("/Images/%1-Image1.jpg").arg(uniqueID)));
    const CliRun stored = cli({QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
                               QStringLiteral("uniqueID == '%1'").arg(uniqueID), QStringLiteral("--keys"),
                               QStringLiteral("keywords,importedFromURL")});
    const QJsonObject record = QJsonDocument::fromJson(stored.out).array().at(0).toObject();
    EXPECT_EQ(record.value(QStringLiteral("importedFromURL")).toString(),
              server.url(QStringLiteral("/stew")));
    EXPECT_TRUE(record.value(QStringLiteral("keywords")).toString().contains(group));
}

} // namespace

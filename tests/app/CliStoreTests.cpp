// larkspoon-cli's store commands as a script would use them: JSON out, exit codes.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

// create gives a new library the groups of "New Library Groups" (subgroups included) and
// the recipes of "New Library Recipes".
constexpr int kStarterGroups = 17;
constexpr int kStarterRecipes = 16;

class CliStoreTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Test Library.library"));

    CliRun cli(QStringList args, const QByteArray& input = {}) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args, input);
    }
    QJsonValue json(const CliRun& run) {
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
};

TEST_F(CliStoreTest, CreateInsertQueryDelete) {
    const QJsonObject created = json(cli({QStringLiteral("create")})).toObject();
    EXPECT_EQ(created.value(QStringLiteral("modelVersion")).toString(), QStringLiteral("2.3"));
    EXPECT_TRUE(QFile::exists(m_library + QStringLiteral("/Library Database.SQL")));

    const QJsonObject pie =
        json(cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
                  QStringLiteral(R"({"name":"Apple Pie","keywords":"Desserts,Pies","rating":5,
                                         "dateCreated":"2025-01-02T03:04:05.000Z","hasBeenPrepared":true})")}))
            .toObject();
    EXPECT_TRUE(
        pie.value(QStringLiteral("objectID")).toString().startsWith(QStringLiteral("x-larkspoon://")));
    EXPECT_FALSE(pie.value(QStringLiteral("uniqueID")).toString().isEmpty());
    json(cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
              QStringLiteral(R"({"name":"bread","rating":2})")}));
    const QJsonObject group = json(cli({QStringLiteral("insert"), QStringLiteral("Groups"),
                                        QStringLiteral(R"({"name":"Baking"})")}))
                                  .toObject();
    json(cli({QStringLiteral("insert"), QStringLiteral("Groups"),
              QStringLiteral(R"({"name":"Breads","parent":"%1"})")
                  .arg(group.value(QStringLiteral("objectID")).toString())}));

    const QJsonArray found =
        json(cli({QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
                  QStringLiteral("\"pies\" IN keywordsArray OR rating < 3"), QStringLiteral("--desc"),
                  QStringLiteral("rating"), QStringLiteral("--keys"),
                  QStringLiteral("name,dateCreated,hasBeenPrepared,hasFirstImage")}))
            .toArray();
    ASSERT_EQ(found.size(), 2);
    const QJsonObject first = found.at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("name")).toString(), QStringLiteral("Apple Pie"));
    EXPECT_EQ(first.value(QStringLiteral("dateCreated")).toString(),
              QStringLiteral("2025-01-02T03:04:05.000Z"));
    EXPECT_EQ(first.value(QStringLiteral("hasBeenPrepared")), QJsonValue(true));
    EXPECT_EQ(first.value(QStringLiteral("hasFirstImage")), QJsonValue(false));
    EXPECT_EQ(found.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("bread"));

    const QJsonArray children =
        json(cli({QStringLiteral("query"), QStringLiteral("Groups"), QStringLiteral("--filter"),
                  QStringLiteral("parent.name == 'Baking'"), QStringLiteral("--keys"),
                  QStringLiteral("name")}))
            .toArray();
    ASSERT_EQ(children.size(), 1);
    EXPECT_EQ(children.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Breads"));

    EXPECT_EQ(json(cli({QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
                        QStringLiteral("rating >= 5")}))
                  .toObject()
                  .value(QStringLiteral("deleted"))
                  .toInt(),
              1);
    const QJsonObject info = json(cli({QStringLiteral("info")})).toObject();
    const QJsonObject counts = info.value(QStringLiteral("counts")).toObject();
    EXPECT_EQ(counts.value(QStringLiteral("Recipes")).toInt(), kStarterRecipes + 1);
    EXPECT_EQ(counts.value(QStringLiteral("Groups")).toInt(), kStarterGroups + 2);
    EXPECT_EQ(counts.value(QStringLiteral("SmartMeasurements")).toInt(), 32); // the default rules
    EXPECT_EQ(info.value(QStringLiteral("modelVersion")).toString(), QStringLiteral("2.3"));
}

TEST_F(CliStoreTest, ErrorsExitWithTheirCodesAndChangeNothing) {
    // No library yet.
    CliRun run = cli({QStringLiteral("info")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_FALSE(QFile::exists(m_library));

    json(cli({QStringLiteral("create")}));
    struct Case {
        QStringList args;
        int exitCode;
    };
    const Case cases[] = {
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
          QStringLiteral("name ==")},
         2},
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter")}, 2},
        {{QStringLiteral("query"), QStringLiteral("Nothing")}, 2},
        {{QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral("{not json")}, 2},
        {{QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"noSuchKey":1})")}, 2},
        {{QStringLiteral("insert"), QStringLiteral("Recipes"),
          QStringLiteral(R"({"dateCreated":"yesterday"})")},
         2},
        {{QStringLiteral("insert"), QStringLiteral("Groups"),
          QStringLiteral(R"({"parent":"x-larkspoon://no/Groups/p9"})")},
         2},
        {{QStringLiteral("delete"), QStringLiteral("Recipes")}, 2},
        {{QStringLiteral("frobnicate")}, 2},
    };
    for (const Case& c : cases) {
        run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << c.args.join(QLatin1Char(' ')).toStdString();
    }
    const QJsonObject counts =
        json(cli({QStringLiteral("info")})).toObject().value(QStringLiteral("counts")).toObject();
    EXPECT_EQ(counts.value(QStringLiteral("Recipes")).toInt(), kStarterRecipes);
    EXPECT_EQ(counts.value(QStringLiteral("Groups")).toInt(), kStarterGroups);

    // A store that is not a store.
    QFile store(m_library + QStringLiteral("/Library Database.SQL"));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly | QIODevice::Truncate));
    store.write(
        "this is not a database at all, just some text that is long enough to look like a header......");
    store.close();
    run = cli({QStringLiteral("info")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("not a Larkspoon! library store"));
}

} // namespace

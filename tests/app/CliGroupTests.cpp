// larkspoon-cli's sidebar commands: the group tree of a new library and recipe drops.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class CliGroupTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Groups.library"));

    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    QJsonDocument json(const CliRun& run) {
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out);
    }
    QString keywords(const QString& uniqueID) {
        const QJsonArray found =
            json(cli({QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
                      QStringLiteral("uniqueID == '%1'").arg(uniqueID), QStringLiteral("--keys"),
                      QStringLiteral("keywords")}))
                .array();
        return found.at(0).toObject().value(QStringLiteral("keywords")).toString();
    }
};

TEST_F(CliGroupTest, NewLibraryTreeAndRecipeDrops) {
    json(cli({QStringLiteral("create")}));
    const QJsonArray tree = json(cli({QStringLiteral("groups")})).array();
    ASSERT_GE(tree.size(), 4);
    QStringList kinds;
    for (int i = 0; i < 4; ++i)
        kinds << tree.at(i).toObject().value(QStringLiteral("kind")).toString();
    EXPECT_EQ(kinds, (QStringList{QStringLiteral("libraryHeader"), QStringLiteral("myRecipes"),
                                  QStringLiteral("groupHeader"), QStringLiteral("group")}));
    EXPECT_EQ(tree.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("My Recipes"));
    EXPECT_EQ(tree.at(1).toObject().value(QStringLiteral("counterValue")).toInt(), 0);
    bool nested = false;
    for (const QJsonValue& node : tree)
        nested = nested || !node.toObject().value(QStringLiteral("children")).toArray().isEmpty();
    EXPECT_TRUE(nested);

    const QString id =
        json(cli({QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"name":"Pie"})")}))
            .object()
            .value(QStringLiteral("uniqueID"))
            .toString();
    json(cli({QStringLiteral("drop"), id, QStringLiteral("--on"), QStringLiteral("Desserts")}));
    EXPECT_EQ(keywords(id), QStringLiteral("Desserts"));
    json(cli({QStringLiteral("drop"), id, QStringLiteral("--on"), QStringLiteral("Desserts"),
              QStringLiteral("--remove")}));
    EXPECT_TRUE(keywords(id).isEmpty());

    // Refusals change nothing: a smart group, a header, an unknown group or recipe.
    for (const QStringList& args :
         {QStringList{id, QStringLiteral("--on"), QStringLiteral("Favorites")},
          QStringList{id, QStringLiteral("--on"), QStringLiteral("GROUPS")},
          QStringList{id, QStringLiteral("--on"), QStringLiteral("Nowhere")},
          QStringList{id + QStringLiteral(",nope"), QStringLiteral("--on"), QStringLiteral("Desserts")}}) {
        const CliRun run = cli(QStringList{QStringLiteral("drop")} + args);
        EXPECT_EQ(run.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_TRUE(keywords(id).isEmpty());
}

} // namespace

// larkspoon-cli's group editor commands: validation on stderr with exit 2, nesting by the
// sidebar's rules, renames with and without keywords, deletes.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class CliSearchTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Search.library"));

    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    QJsonObject ok(const QStringList& args) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out).object();
    }
    // The command is refused with exit 2; returns its message.
    QString refused(const QStringList& args) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
        return QString::fromUtf8(run.err).trimmed();
    }
    QString valueOf(const QString& entity, const QString& filter, const QString& key) {
        const CliRun run = cli({QStringLiteral("query"), entity, QStringLiteral("--filter"), filter,
                                QStringLiteral("--keys"), key});
        return QJsonDocument::fromJson(run.out).array().at(0).toObject().value(key).toString();
    }
};

TEST_F(CliSearchTest, GroupsAreValidatedNestedRenamedAndDeleted) {
    ok({QStringLiteral("create")});
    EXPECT_EQ(refused({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("  ")}),
              QStringLiteral("please enter a name for your new group"));
    EXPECT_EQ(refused({QStringLiteral("group"), QStringLiteral("grocery"), QStringLiteral("Mon, Tue")}),
              QStringLiteral("Commas are not allowed in Group names at this time."));
    EXPECT_FALSE(refused({QStringLiteral("group"), QStringLiteral("smart"), QStringLiteral("Bad"),
                          QStringLiteral("--rule"), QStringLiteral("rating > 3")})
                     .isEmpty());

    // Nesting follows the sidebar: a group dropped onto one with a grandparent is refused.
    ok({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Meals")});
    const QJsonObject supper = ok({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Supper"),
                                   QStringLiteral("--parent"), QStringLiteral("Meals")});
    EXPECT_EQ(supper.value(QStringLiteral("parent")).toString(), QStringLiteral("Meals"));
    ok({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Late"), QStringLiteral("--parent"),
        QStringLiteral("Supper")});
    EXPECT_FALSE(refused({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Later"),
                          QStringLiteral("--parent"), QStringLiteral("Late")})
                     .isEmpty());
    EXPECT_EQ(valueOf(QStringLiteral("Groups"), QStringLiteral("name == 'Later'"), QStringLiteral("name")),
              QString());
    refused({QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("X"), QStringLiteral("--parent"),
             QStringLiteral("My Recipes")});

    // The rule is stored as the editor writes it.
    const QJsonObject smart = ok({QStringLiteral("group"), QStringLiteral("smart"), QStringLiteral("Best"),
                                  QStringLiteral("--rule"), QStringLiteral("(\"Rating\" > \"3\")")});
    EXPECT_EQ(smart.value(QStringLiteral("kind")).toString(), QStringLiteral("smartGroup"));
    EXPECT_EQ(
        valueOf(QStringLiteral("Groups"), QStringLiteral("name == 'Best'"), QStringLiteral("predicates")),
        QStringLiteral("\"Rating\" > \"3\""));

    ok({QStringLiteral("insert"), QStringLiteral("Recipes"),
        QStringLiteral(R"({"name":"Roast","keywords":"Meals"})")});
    ok({QStringLiteral("insert"), QStringLiteral("Recipes"),
        QStringLiteral(R"({"name":"Soup","keywords":"Late"})")});
    ok({QStringLiteral("group"), QStringLiteral("rename"), QStringLiteral("Meals"),
        QStringLiteral("Dinners")});
    EXPECT_EQ(
        valueOf(QStringLiteral("Recipes"), QStringLiteral("name == 'Roast'"), QStringLiteral("keywords")),
        QStringLiteral("Meals"));
    ok({QStringLiteral("group"), QStringLiteral("rename"), QStringLiteral("Dinners"), QStringLiteral("Food"),
        QStringLiteral("--rename-keywords")});
    EXPECT_EQ(
        valueOf(QStringLiteral("Recipes"), QStringLiteral("name == 'Soup'"), QStringLiteral("keywords")),
        QStringLiteral("Late,Food"));
    EXPECT_FALSE(refused({QStringLiteral("group"), QStringLiteral("rename"), QStringLiteral("Food"),
                          QStringLiteral("a,b")})
                     .isEmpty());

    const QJsonObject deleted =
        ok({QStringLiteral("group"), QStringLiteral("delete"), QStringLiteral("Food")});
    EXPECT_EQ(deleted.value(QStringLiteral("subgroups")).toInt(), 2);
    EXPECT_EQ(
        valueOf(QStringLiteral("Recipes"), QStringLiteral("name == 'Soup'"), QStringLiteral("keywords")),
        QStringLiteral("Late,Food"));
    EXPECT_EQ(valueOf(QStringLiteral("Groups"), QStringLiteral("name == 'Late'"), QStringLiteral("name")),
              QString());
    refused({QStringLiteral("group"), QStringLiteral("delete"), QStringLiteral("My Recipes")});
    refused({QStringLiteral("group"), QStringLiteral("delete"), QStringLiteral("Nowhere")});
}

TEST_F(CliSearchTest, ListShowsTheGroupNarrowedBySearch) {
    ok({QStringLiteral("create")});
    const QString quiche =
        ok({QStringLiteral("insert"), QStringLiteral("Recipes"),
            QStringLiteral(R"j({"name":"Quiche","ingredientsArray":"({name = zzquat;})"})j")})
            .value(QStringLiteral("uniqueID"))
            .toString();
    ok({QStringLiteral("insert"), QStringLiteral("Recipes"),
        QStringLiteral(R"({"name":"Zzquat nog","directions":"stir","notes":"say \"hi\""})")});
    ok({QStringLiteral("group"), QStringLiteral("grocery"), QStringLiteral("Shop")});
    ok({QStringLiteral("drop"), quiche, QStringLiteral("--on"), QStringLiteral("Shop")});
    const auto names = [this](const QStringList& args) {
        const CliRun run = cli(QStringList{QStringLiteral("list")} + args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList out;
        for (const QJsonValue& entry : QJsonDocument::fromJson(run.out).array())
            out << entry.toObject().value(QStringLiteral("name")).toString();
        return out;
    };
    EXPECT_EQ(names({QStringLiteral("--group"), QStringLiteral("Shop"), QStringLiteral("--search"),
                     QStringLiteral("ZZQUAT")}),
              QStringList{QStringLiteral("Quiche")});
    EXPECT_EQ(names({QStringLiteral("--group"), QStringLiteral("Shop")}),
              QStringList{QStringLiteral("Quiche")});
    EXPECT_EQ(names({QStringLiteral("--search"), QStringLiteral("zzquat")}),
              (QStringList{QStringLiteral("Quiche"), QStringLiteral("Zzquat nog")}));
    EXPECT_EQ(names({QStringLiteral("--search"), QStringLiteral("zzquat"), QStringLiteral("--scope"),
                     QStringLiteral("Ingredients")}),
              QStringList{QStringLiteral("Quiche")});
    EXPECT_EQ(names({QStringLiteral("--search"), QStringLiteral("\"hi\""), QStringLiteral("--scope"),
                     QStringLiteral("Notes")}),
              QStringList{QStringLiteral("Zzquat nog")});
    refused({QStringLiteral("list"), QStringLiteral("--scope"), QStringLiteral("Notes")});
    refused({QStringLiteral("list"), QStringLiteral("--search"), QStringLiteral("x"),
             QStringLiteral("--scope"), QStringLiteral("Calories")});
    refused({QStringLiteral("list"), QStringLiteral("--group"), QStringLiteral("Nowhere")});
}

} // namespace

// larkspoon-cli grocery: the lists it prints and the edits it stores, run as a user would.
#include "common/TestSupport.h"
#include "grocery/GroceryCategories.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class GroceryCliTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Grocery.library"));

    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    QString insertRecipe(const char* name, const char* ingredients) {
        const QJsonObject record{{QStringLiteral("name"), QString::fromUtf8(name)},
                                 {QStringLiteral("ingredientsArray"), QString::fromUtf8(ingredients)}};
        const CliRun run = cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
                                QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Compact))});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out).object().value(QStringLiteral("uniqueID")).toString();
    }
};

TEST_F(GroceryCliTest, PrintsAndEditsAList) {
    ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    ASSERT_EQ(cli({QStringLiteral("group"), QStringLiteral("grocery"), QStringLiteral("Week")}).exitCode, 0);
    const QString bread =
        insertRecipe("Bread", "({quantity = \"1/2\"; measurement = cup; name = flour; randomNumber = 1;}, "
                              "{quantity = 1; name = zucchini; randomNumber = 2;})");
    const QString cake =
        insertRecipe("Cake", "({quantity = \"1/2\"; measurement = cup; name = flour; randomNumber = 3;})");
    ASSERT_EQ(
        cli({QStringLiteral("drop"), bread + u',' + cake, QStringLiteral("--on"), QStringLiteral("Week")})
            .exitCode,
        0);

    const CliRun first = cli({QStringLiteral("grocery"), QStringLiteral("Week")});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QJsonObject flour = QJsonDocument::fromJson(first.out).array().at(0).toObject();
    EXPECT_EQ(flour, (QJsonObject{{QStringLiteral("quantity"), QStringLiteral("1")},
                                  {QStringLiteral("measurement"), QStringLiteral("cup")},
                                  {QStringLiteral("name"), QStringLiteral("flour")},
                                  {QStringLiteral("method"), QString()},
                                  {QStringLiteral("category"), QStringLiteral("Baking")},
                                  {QStringLiteral("needed"), false}}));

    const QString pdf = m_dir.filePath(QStringLiteral("Week.pdf"));
    struct Step {
        QStringList args;
        int exitCode;
        const char* output; // a piece of stdout, or of stderr on failure
    };
    const Step steps[] = {
        {{QStringLiteral("Month")}, 2, "no grocery list named \"Month\""},
        {{QStringLiteral("Week"), QStringLiteral("need"), QStringLiteral("flour")}, 0, "\"needed\":true"},
        {{QStringLiteral("Week"), QStringLiteral("need"), QStringLiteral("sugar")}, 2, "no ingredient named"},
        {{QStringLiteral("Week"), QStringLiteral("aisle"), QStringLiteral("zucchini"),
          QStringLiteral("Dairy?")},
         2,
         "no grocery category"},
        {{QStringLiteral("Week"), QStringLiteral("aisle"), QStringLiteral("flour"), QStringLiteral("none")},
         0,
         "\"category\":null"},
        {{QStringLiteral("Week"), QStringLiteral("exclude"), QStringLiteral("nope"), QStringLiteral("0")},
         2,
         "no recipe"},
        {{QStringLiteral("Week"), QStringLiteral("exclude"), bread, QStringLiteral("2")},
         2,
         "no ingredient row 2"},
        {{QStringLiteral("Week"), QStringLiteral("exclude"), bread, QStringLiteral("1")},
         0,
         "\"isExcluded\":true"},
        {{QStringLiteral("Week")}, 0, "\"quantity\":\"1\""},
        {{QStringLiteral("Week"), QStringLiteral("item"), QStringLiteral("add"),
          QStringLiteral("2 cups milk")},
         0,
         "\"name\":\"milk\""},
        {{QStringLiteral("Week"), QStringLiteral("item"), QStringLiteral("delete"), QStringLiteral("1")},
         2,
         "no item 1"},
        {{QStringLiteral("Week"), QStringLiteral("--recipes")}, 0, "\"isRecipeTitle\":true"},
        {{QStringLiteral("Week"), QStringLiteral("--html")}, 0, "*2&nbsp;cups&nbsp;milk<br>"},
        {{QStringLiteral("Week"), QStringLiteral("--pdf"), pdf}, 0, "Week.pdf"},
        {{QStringLiteral("Week"), QStringLiteral("--html"), QStringLiteral("--recipes")}, 2, "usage"},
        {{QStringLiteral("Week"), QStringLiteral("shop")}, 2, "unknown grocery command"},
    };
    for (const Step& step : steps) {
        const CliRun run = cli(QStringList{QStringLiteral("grocery")} + step.args);
        const QByteArray& output = step.exitCode == 0 ? run.out : run.err;
        EXPECT_EQ(run.exitCode, step.exitCode)
            << step.args.join(u' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(output.contains(step.output))
            << step.args.join(u' ').toStdString() << ": " << output.toStdString();
    }
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
    // The excluded zucchini is gone, flour stays ticked; the aisle change reached the matches.
    const QJsonArray last =
        QJsonDocument::fromJson(cli({QStringLiteral("grocery"), QStringLiteral("Week")}).out).array();
    ASSERT_EQ(last.size(), 1);
    EXPECT_TRUE(last.at(0).toObject().value(QStringLiteral("needed")).toBool());
    QFile matches(GroceryCategories::matchesPath(m_library));
    ASSERT_TRUE(matches.open(QIODevice::ReadOnly));
    EXPECT_FALSE(matches.readAll().contains("<string>flour</string>"));
}

} // namespace

// larkspoon-cli render: the filled page on stdout, the theme's template from the
// "Theme Development" folder, and the incompatible-theme refusal.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

TEST(CliRenderTest, PrintsThePageOrRefusesAMissingTheme) {
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("Render.library"));
    auto cli = [&library](QStringList args) {
        args.prepend(library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    };
    ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    const CliRun inserted =
        cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
             QStringLiteral(R"({"name": "Toast <script>x()</script>", "notes": "1/2 slice", "rating": 2})")});
    ASSERT_EQ(inserted.exitCode, 0) << inserted.err.toStdString();
    const QString id =
        QJsonDocument::fromJson(inserted.out).object().value(QStringLiteral("uniqueID")).toString();

    // The program's application support folder under this test's data home.
    const QString themes =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Larkspoon!/Larkspoon!/Theme Development");
    for (const QString& mode : {QStringLiteral("Recipe View"), QStringLiteral("Full Screen")}) {
        ASSERT_TRUE(QDir().mkpath(themes + QStringLiteral("/CliFixture/") + mode));
        QFile::copy(testsupport::testDataPath(QStringLiteral("present/Themes/Fixture/") + mode +
                                              QStringLiteral("/Template.html")),
                    themes + QStringLiteral("/CliFixture/") + mode + QStringLiteral("/Template.html"));
    }

    CliRun run = cli({QStringLiteral("render"), id, QStringLiteral("--theme"), QStringLiteral("CliFixture"),
                      QStringLiteral("--height"), QStringLiteral("500")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString page = QString::fromUtf8(run.out);
    EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(page.contains(QStringLiteral("min-height: 460px")));
    EXPECT_TRUE(
        page.contains(QStringLiteral("<h1 id=\"title\">Toast &lt;script&gt;x()&lt;/script&gt;</h1>")));
    EXPECT_TRUE(page.contains(QStringLiteral("½ slice")));
    EXPECT_TRUE(page.contains(QStringLiteral("★★<")));
    EXPECT_TRUE(page.contains(QString(themes).replace(u' ', QStringLiteral("%20")) +
                              QStringLiteral("/CliFixture/style.css")));

    run = cli({QStringLiteral("render"), id, QStringLiteral("--theme"), QStringLiteral("CliFixture"),
               QStringLiteral("--mode"), QStringLiteral("Full Screen")});
    EXPECT_TRUE(QString::fromUtf8(run.out).contains(QStringLiteral("min-height: 560px")));
    EXPECT_TRUE(QString::fromUtf8(run.out).contains(QStringLiteral("class=\"full-screen\"")));

    run = cli({QStringLiteral("render"), id, QStringLiteral("--theme"), QStringLiteral("CliFixture"),
               QStringLiteral("--alternate")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(QString::fromUtf8(run.err).trimmed(),
              QStringLiteral("The theme you have selected is not compatible with this version of Larkspoon!. "
                             "Select a default theme or ask the creator of the theme to update it."));
    EXPECT_EQ(cli({QStringLiteral("render"), QStringLiteral("no-such-id")}).exitCode, 2);
}

} // namespace

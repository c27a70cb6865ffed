// larkspoon-cli themes: the selector's list from both roots as JSON.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

TEST(CliThemesTest, ListsBuiltInAndDevelopmentThemesInOrder) {
    // The command runs outside the tests' own path mode: its application support folder
    // is the data home's "Larkspoon!/Larkspoon!".
    const QString development =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Larkspoon!/Larkspoon!/Theme Development");
    QDir(development).removeRecursively(); // another test of this process may have left themes
    ASSERT_TRUE(QDir().mkpath(development + QStringLiteral("/basil")));
    ASSERT_TRUE(QDir().mkpath(development + QStringLiteral("/Sky")));
    QFile(development + QStringLiteral("/ReadMe.rtf")).open(QIODevice::WriteOnly);

    const testsupport::CliRun run = testsupport::runCli({QStringLiteral("themes")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray themes = QJsonDocument::fromJson(run.out).array();
    QStringList rows;
    for (const QJsonValue& theme : themes)
        rows << theme[QStringLiteral("name")].toString() + QLatin1Char(' ') +
                    theme[QStringLiteral("root")].toString();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("basil development"), QStringLiteral("Brown resources"),
                                 QStringLiteral("Linen resources"), QStringLiteral("Sky resources"),
                                 QStringLiteral("Sky development"), QStringLiteral("Slate resources")}));
    ASSERT_EQ(themes.size(), 6);
    EXPECT_EQ(themes[0][QStringLiteral("thumb")].toString(), QString()); // no thumb.png
    const QString skyThumb = themes[3][QStringLiteral("thumb")].toString();
    EXPECT_TRUE(skyThumb.endsWith(QStringLiteral("Themes/Sky/thumb.png"))) << skyThumb.toStdString();
    EXPECT_TRUE(QFile::exists(skyThumb));
    EXPECT_EQ(themes[4][QStringLiteral("thumb")].toString(), skyThumb);

    EXPECT_EQ(testsupport::runCli({QStringLiteral("themes"), QStringLiteral("extra")}).exitCode, 2);
}

} // namespace

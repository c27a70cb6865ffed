// larkspoon-cli imports first-generation exports ("Larkspoon!") and whole libraries
// ("database"): the JSON report, the groups of a library as keywords, damaged files.
#include "common/TestSupport.h"
#include "common/VersionOneFiles.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;
using testsupport::VersionOneGroup;
using testsupport::VersionOneRecipe;

namespace {

class CliVersionOneTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Own.library"));

    void SetUp() override {
        ASSERT_EQ(runCli({QStringLiteral("--library"), m_library, QStringLiteral("create")}).exitCode, 0);
        ASSERT_EQ(
            runCli({QStringLiteral("--library"), m_library, QStringLiteral("delete"),
                    QStringLiteral("Recipes"), QStringLiteral("--filter"), QStringLiteral("TRUEPREDICATE")})
                .exitCode,
            0);
    }
    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(testsupport::writeFileData(path, bytes));
        return path;
    }
    QStringList names(const QStringList& extra = {}) {
        const CliRun run = cli(QStringList{QStringLiteral("list")} + extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList list;
        for (const QJsonValue& entry : QJsonDocument::fromJson(run.out).array())
            list << entry.toObject().value(QStringLiteral("name")).toString();
        return list;
    }
};

QList<VersionOneRecipe> twoRecipes() {
    return {
        {{{QStringLiteral("name"), QStringLiteral("Chowder")}, {QStringLiteral("rating"), qint64(4)}}, {}},
        {{{QStringLiteral("name"), QStringLiteral("Scones")}}, {}}};
}

TEST_F(CliVersionOneTest, ImportsExportsAndLibrariesWithTheirGroups) {
    const QList<VersionOneGroup> groups = {{{{QStringLiteral("name"), QStringLiteral("Soup, Stew, etc.")},
                                             {QStringLiteral("priorityValue"), qint64(99)}},
                                            {0},
                                            {}}};
    const CliRun exported =
        cli({QStringLiteral("import"),
             file(QStringLiteral("old.Larkspoon!"), testsupport::versionOneFileData(twoRecipes()))});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(exported.out).object();
    EXPECT_EQ(report.value(QStringLiteral("imported")).toInt(), 2);
    EXPECT_EQ(report.value(QStringLiteral("uniqueIDs")).toArray().size(), 2);
    EXPECT_EQ(report.value(QStringLiteral("skipped")).toArray().size(), 0);
    EXPECT_EQ(report.value(QStringLiteral("skippedPictures")).toInt(), 0);

    const CliRun library =
        cli({QStringLiteral("import"), file(QStringLiteral("Larkspoon!.database"),
                                            testsupport::versionOneFileData(twoRecipes(), groups, true))});
    ASSERT_EQ(library.exitCode, 0) << library.err.toStdString();
    const QJsonObject again = QJsonDocument::fromJson(library.out).object();
    EXPECT_EQ(again.value(QStringLiteral("imported")).toInt(), 2);
    // Both recipes repeat the export's copies; kept, as without --skip-duplicates.
    EXPECT_EQ(again.value(QStringLiteral("duplicates")).toArray().size(), 2);
    const CliRun skipped = cli({QStringLiteral("import"), m_dir.filePath(QStringLiteral("old.Larkspoon!")),
                                QStringLiteral("--skip-duplicates")});
    ASSERT_EQ(skipped.exitCode, 0) << skipped.err.toStdString();
    const QJsonObject none = QJsonDocument::fromJson(skipped.out).object();
    EXPECT_EQ(none.value(QStringLiteral("imported")).toInt(), 0);
    EXPECT_EQ(none.value(QStringLiteral("duplicates")).toArray().size(), 2);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Chowder"), QStringLiteral("Chowder"),
                                    QStringLiteral("Scones"), QStringLiteral("Scones")}));
    // Only the library's copy is filed under the group's current name, with its rating.
    EXPECT_EQ(names({QStringLiteral("--group"), QStringLiteral("Soups Stews etc.")}),
              QStringList{QStringLiteral("Chowder")});
    EXPECT_EQ(names({QStringLiteral("--filter"), QStringLiteral("rating == 4")}),
              QStringList{QStringLiteral("Chowder")});
}

TEST_F(CliVersionOneTest, DamagedFilesImportNothing) {
    const QByteArray whole = testsupport::versionOneFileData(twoRecipes());
    for (const QByteArray& bytes : {whole.left(whole.size() - 40), QByteArray("not a library")}) {
        const CliRun run = cli({QStringLiteral("import"), file(QStringLiteral("bad.database"), bytes)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("could not be read")) << run.err.toStdString();
    }
    EXPECT_EQ(cli({QStringLiteral("import"), m_dir.filePath(QStringLiteral("absent.database"))}).exitCode, 2);
    EXPECT_TRUE(names().isEmpty());
}

} // namespace

// larkspoon-cli's backup commands: backup, backups, restore.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::fileDigest;
using testsupport::runCli;

namespace {

constexpr int kStarterRecipes = 16;

class CliBackupTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Test Library.library"));

    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args, {});
    }
    QJsonDocument json(const CliRun& run) {
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out);
    }
    int recipes() { return json(cli({QStringLiteral("query"), QStringLiteral("Recipes")})).array().size(); }
};

TEST_F(CliBackupTest, BackupListRestore) {
    ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    const QJsonObject made = json(cli({QStringLiteral("backup")})).object();
    const QString file = made.value(QStringLiteral("file")).toString();
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(QFileInfo(file).absolutePath(), m_library + QStringLiteral("/Backups"));
    EXPECT_EQ(made.value(QStringLiteral("recipes")).toInt(), kStarterRecipes);
    EXPECT_EQ(QDate::fromString(made.value(QStringLiteral("date")).toString(), Qt::ISODate),
              QDate::currentDate());

    const QJsonArray listed = json(cli({QStringLiteral("backups")})).array();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed.at(0).toObject(), made);

    ASSERT_EQ(
        cli({QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"name":"Extra"})")})
            .exitCode,
        0);
    ASSERT_EQ(recipes(), kStarterRecipes + 1);
    const QJsonObject restored = json(cli({QStringLiteral("restore"), file})).object();
    EXPECT_EQ(recipes(), kStarterRecipes);
    const QString kept = restored.value(QStringLiteral("kept")).toString();
    EXPECT_TRUE(kept.endsWith(QStringLiteral(" before restore.sqlite")));

    // The store kept before the restore is listed with its own count and can be restored.
    const QJsonArray after = json(cli({QStringLiteral("backups")})).array();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after.at(0).toObject().value(QStringLiteral("file")).toString(), kept);
    EXPECT_EQ(after.at(0).toObject().value(QStringLiteral("recipes")).toInt(), kStarterRecipes + 1);
    EXPECT_EQ(cli({QStringLiteral("restore"), QFileInfo(kept).fileName()}).exitCode, 0);
    EXPECT_EQ(recipes(), kStarterRecipes + 1);
}

TEST_F(CliBackupTest, RestoreOfAFileThatIsNoLibraryStoreExitsThreeAndChangesNothing) {
    ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    const QString text = m_dir.filePath(QStringLiteral("notes.sqlite"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("SQLite format 3\0 but nothing after it");
    file.close();
    const QByteArray before = fileDigest(m_library + QStringLiteral("/Library Database.SQL"));
    for (const QString& path : {text, m_dir.filePath(QStringLiteral("missing.sqlite"))}) {
        const CliRun run = cli({QStringLiteral("restore"), path});
        EXPECT_EQ(run.exitCode, 3) << path.toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(fileDigest(m_library + QStringLiteral("/Library Database.SQL")), before);
    EXPECT_EQ(json(cli({QStringLiteral("backups")})).array().size(), 0);
}

TEST_F(CliBackupTest, UsageAndMissingLibrary) {
    EXPECT_EQ(cli({QStringLiteral("backup")}).exitCode, 3); // no library yet
    EXPECT_EQ(cli({QStringLiteral("restore")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("backups"), QStringLiteral("extra")}).exitCode, 2);
}

} // namespace

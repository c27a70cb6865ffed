// larkspoon-cli's exchange commands: import, export and list as a script uses them.
#include "common/TestSupport.h"

#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class CliExchangeTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Own.library"));
    QString m_other = m_dir.filePath(QStringLiteral("Other.library"));

    void SetUp() override {
        // New libraries without their starter recipes: the lists below are what the tests put in.
        for (const QString& library : {m_library, m_other}) {
            ASSERT_EQ(runCli({QStringLiteral("--library"), library, QStringLiteral("create")}).exitCode, 0);
            ASSERT_EQ(runCli({QStringLiteral("--library"), library, QStringLiteral("delete"),
                              QStringLiteral("Recipes"), QStringLiteral("--filter"),
                              QStringLiteral("TRUEPREDICATE")})
                          .exitCode,
                      0);
        }
    }
    CliRun cli(QStringList args, const QString& library = {}) {
        args.prepend(library.isEmpty() ? m_library : library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    static QJsonDocument json(const CliRun& run) { return QJsonDocument::fromJson(run.out); }
    QString insert(const QString& values) {
        const CliRun run = cli({QStringLiteral("insert"), QStringLiteral("Recipes"), values});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return json(run).object().value(QStringLiteral("uniqueID")).toString();
    }
    QStringList names(const QString& library, const QStringList& extra = {}) {
        const CliRun run = cli(QStringList{QStringLiteral("list")} + extra, library);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList list;
        for (const QJsonValue& entry : json(run).array())
            list << entry.toObject().value(QStringLiteral("name")).toString();
        return list;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

TEST_F(CliExchangeTest, ExportImportAndList) {
    const QString banana = insert(QStringLiteral(R"({"name":"banana bread","privateNotes":"secret"})"));
    const QString apple = insert(QStringLiteral(R"({"name":"Apple Pie","rating":5})"));
    insert(QStringLiteral(R"({"name":"cherry tart","platefeedPredicateKey":"feed"})")); // not own library
    insert(QStringLiteral(R"({"name":"Avocado toast"})"));

    const QJsonArray listed = json(cli({QStringLiteral("list")})).array();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed.at(0).toObject(), (QJsonObject{{QStringLiteral("uniqueID"), apple},
                                                    {QStringLiteral("name"), QStringLiteral("Apple Pie")}}));
    EXPECT_EQ(names(m_library), (QStringList{QStringLiteral("Apple Pie"), QStringLiteral("Avocado toast"),
                                             QStringLiteral("banana bread")}));
    EXPECT_EQ(names(m_library, {QStringLiteral("--filter"), QStringLiteral("name BEGINSWITH[c] 'a'")}),
              (QStringList{QStringLiteral("Apple Pie"), QStringLiteral("Avocado toast")}));
    EXPECT_EQ(cli({QStringLiteral("list"), QStringLiteral("--filter"), QStringLiteral("name ==")}).exitCode,
              2);

    // --ids keeps the order given; --all and --filter take the own library by name.
    CliRun run = cli({QStringLiteral("export"), path(QStringLiteral("two.lsr")), QStringLiteral("--ids"),
                      banana + QLatin1Char(',') + apple});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(json(run).object(), (QJsonObject{{QStringLiteral("exported"), 2},
                                               {QStringLiteral("droppedCharacters"), 0},
                                               {QStringLiteral("skippedPictures"), 0}}));
    const QVariantList written = readPropertyListFile(path(QStringLiteral("two.lsr"))).value.toList();
    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written.at(0).toMap().value(QStringLiteral("name")), QStringLiteral("banana bread"));
    EXPECT_FALSE(written.at(0).toMap().contains(QStringLiteral("privateNotes")));
    EXPECT_EQ(json(cli({QStringLiteral("export"), path(QStringLiteral("all.lsr")), QStringLiteral("--all"),
                        QStringLiteral("--all-details")}))
                  .object()
                  .value(QStringLiteral("exported"))
                  .toInt(),
              3);
    EXPECT_EQ(json(cli({QStringLiteral("export"), path(QStringLiteral("a.lsr")), QStringLiteral("--filter"),
                        QStringLiteral("rating == 5")}))
                  .object()
                  .value(QStringLiteral("exported"))
                  .toInt(),
              1);
    for (const QStringList& bad :
         {QStringList{QStringLiteral("export"), path(QStringLiteral("x.lsr"))},
          QStringList{QStringLiteral("export"), path(QStringLiteral("x.lsr")), QStringLiteral("--all"),
                      QStringLiteral("--ids"), apple},
          QStringList{QStringLiteral("export"), path(QStringLiteral("x.lsr")), QStringLiteral("--ids"),
                      QStringLiteral("nobody")},
          QStringList{QStringLiteral("export"), path(QStringLiteral("x.txt")), QStringLiteral("--all")}})
        EXPECT_EQ(cli(bad).exitCode, 2) << bad.join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("x.lsr"))));

    // Import makes new recipes with new identities; personal fields only with --all-details.
    run = cli({QStringLiteral("import"), path(QStringLiteral("all.lsr"))}, m_other);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject imported = json(run).object();
    EXPECT_EQ(imported.value(QStringLiteral("imported")).toInt(), 3);
    EXPECT_EQ(imported.value(QStringLiteral("skippedPictures")), QJsonValue(0));
    const QJsonArray ids = imported.value(QStringLiteral("uniqueIDs")).toArray();
    ASSERT_EQ(ids.size(), 3);
    EXPECT_FALSE(ids.contains(apple));
    EXPECT_EQ(names(m_other), names(m_library));
    run = cli({QStringLiteral("import"), path(QStringLiteral("all.lsr")), QStringLiteral("--all-details")},
              m_other);
    ASSERT_EQ(run.exitCode, 0);
    const CliRun notes = cli({QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
                              QStringLiteral("privateNotes == 'secret'"), QStringLiteral("--keys"),
                              QStringLiteral("uniqueID")},
                             m_other);
    EXPECT_EQ(json(notes).array().size(), 1);
}

TEST_F(CliExchangeTest, ExportCountsTheCharactersAnExchangeFileCannotCarry) {
    const QString id = insert(QStringLiteral(R"({"name":"a\u0000b\u0001","notes":"\uffff \ud83c\udf70"})"));
    const CliRun run =
        cli({QStringLiteral("export"), path(QStringLiteral("one.lsr")), QStringLiteral("--ids"), id});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(json(run).object(), (QJsonObject{{QStringLiteral("exported"), 1},
                                               {QStringLiteral("droppedCharacters"), 3},
                                               {QStringLiteral("skippedPictures"), 0}}));
}

TEST_F(CliExchangeTest, ImportRefusalsAndTheUpgradeStop) {
    ASSERT_TRUE(writePropertyListFile(QVariantList{}, path(QStringLiteral("shouting.LSR"))));
    ASSERT_TRUE(writePropertyListFile(QVariantList{}, path(QStringLiteral("book.pdf"))));
    ASSERT_TRUE(writePropertyListFile(QVariantList{}, path(QStringLiteral("notes.txt"))));
    EXPECT_EQ(cli({QStringLiteral("import"), path(QStringLiteral("shouting.LSR"))}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("import"), path(QStringLiteral("book.pdf"))}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("import"), path(QStringLiteral("notes.txt"))}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("import"), path(QStringLiteral("absent.lsr"))}).exitCode, 2);
    ASSERT_TRUE(writePropertyListFile(QVariantMap{}, path(QStringLiteral("dict.lsr"))));
    EXPECT_EQ(cli({QStringLiteral("import"), path(QStringLiteral("dict.lsr"))}).exitCode, 2);

    auto recipe = [](const char* version, const char* name) {
        return QVariantMap{{QStringLiteral("modelVersion"), QLatin1String(version)},
                           {QStringLiteral("name"), QLatin1String(name)}};
    };
    ASSERT_TRUE(writePropertyListFile(
        QVariantList{recipe("2.0", "Old"), recipe("2.5", "Newer"), recipe("2.3", "Never")},
        path(QStringLiteral("newer.lsr"))));
    const CliRun run = cli({QStringLiteral("import"), path(QStringLiteral("newer.lsr"))});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(json(run).object().value(QStringLiteral("imported")).toInt(), 1);
    EXPECT_TRUE(
        run.err.contains("You need to upgrade to version 2.5 or greater to import this recipe file."));
    EXPECT_EQ(names(m_library), QStringList{QStringLiteral("Old")}); // what came before the stop is kept
}

TEST_F(CliExchangeTest, ImportCountsThePicturesItSkipped) {
    const QVariantMap recipe{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                             {QStringLiteral("name"), QStringLiteral("Pictured")},
                             {QStringLiteral("image1"), QByteArray("<html>a page</html>")},
                             {QStringLiteral("image2"), QStringLiteral("not data")}};
    ASSERT_TRUE(writePropertyListFile(QVariantList{recipe}, path(QStringLiteral("pictures.lsr"))));
    const CliRun run = cli({QStringLiteral("import"), path(QStringLiteral("pictures.lsr"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject result = json(run).object();
    EXPECT_EQ(result.keys(), (QStringList{QStringLiteral("duplicates"), QStringLiteral("imported"),
                                          QStringLiteral("skipped"), QStringLiteral("skippedPictures"),
                                          QStringLiteral("tooLargeRecipes"), QStringLiteral("uniqueIDs")}));
    EXPECT_EQ(result.value(QStringLiteral("imported")), QJsonValue(1));
    EXPECT_EQ(result.value(QStringLiteral("skippedPictures")), QJsonValue(2));

    // A picture that cannot be written into the library ("Images" is not a folder) is lost
    // to its recipe: counted, told, and not a success.
    const QByteArray jpeg = testsupport::pictureData("JPEG");
    const QString images = m_library + QStringLiteral("/Images");
    QDir(images).removeRecursively();
    QFile blocker(images);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVariantMap pictured = recipe;
    pictured.insert(QStringLiteral("image1"), jpeg);
    pictured.remove(QStringLiteral("image2"));
    ASSERT_TRUE(writePropertyListFile(QVariantList{pictured}, path(QStringLiteral("lost.lsr"))));
    const CliRun lost = cli({QStringLiteral("import"), path(QStringLiteral("lost.lsr"))});
    EXPECT_EQ(lost.exitCode, 3);
    EXPECT_EQ(json(lost).object().value(QStringLiteral("skippedPictures")), QJsonValue(1));
    EXPECT_TRUE(lost.err.contains("1 pictures could not be written to the library."))
        << lost.err.toStdString();
}

TEST_F(CliExchangeTest, FailedWriteExitsThreeAndLeavesNoPartialFile) {
    insert(QStringLiteral(R"({"name":"Long","notes":"%1"})").arg(QString(100000, QLatin1Char('n'))));
    insert(QStringLiteral(R"({"name":"Longer","notes":"%1"})").arg(QString(100000, QLatin1Char('m'))));

    const QString missing = path(QStringLiteral("no/such/folder/out.lsr"));
    EXPECT_EQ(cli({QStringLiteral("export"), missing, QStringLiteral("--all")}).exitCode, 3);
    EXPECT_FALSE(QFile::exists(missing));

    // A write that fails part way (a file size limit stops even the super-user): the old
    // file stays as it was and nothing else is left in the folder.
    const QString out = path(QStringLiteral("out/recipes.lsr"));
    QDir().mkpath(path(QStringLiteral("out")));
    ASSERT_TRUE(writePropertyListFile(QVariantList{QStringLiteral("old")}, out));
    const QByteArray before = testsupport::fileDigest(out);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const CliRun run = cli({QStringLiteral("export"), out, QStringLiteral("--all")});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(testsupport::fileDigest(out), before);
    EXPECT_EQ(QDir(path(QStringLiteral("out"))).entryList(QDir::Files),
              QStringList{QStringLiteral("recipes.lsr")});
}

} // namespace

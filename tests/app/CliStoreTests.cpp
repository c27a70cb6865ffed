// larkspoon-cli's store commands as a script would use them: JSON out, exit codes.
#include "common/TestSupport.h"

#include "library/LibraryStore.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using testsupport::CliRun;
using testsupport::fileDigest;
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

// An import runs while this process saves recipes one by one into the same library, from
// before the import opens the store until it has finished: both number their records
// from the store at each save, so every record arrives.
TEST_F(CliStoreTest, ImportBesideAnotherWriterKeepsEveryRecord) {
    constexpr int kImported = 400;
    constexpr int kLeastLocal = 50;
    constexpr int kMostLocal = 2000;
    json(cli({QStringLiteral("create")}));
    QVariantList recipes;
    for (int i = 0; i < kImported; ++i)
        recipes << QVariantMap{{QStringLiteral("modelVersion"), QStringLiteral("2.3")},
                               {QStringLiteral("name"), QStringLiteral("imported %1").arg(i)}};
    const QString file = m_dir.filePath(QStringLiteral("many.lsr"));
    ASSERT_TRUE(writePropertyListFile(QVariant(recipes), file));

    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(m_library, false, &error);
    ASSERT_TRUE(context) << error.toStdString();
    CliRun importRun;
    std::atomic<bool> importDone = false;
    std::thread importer([&] {
        importRun = cli({QStringLiteral("import"), file});
        importDone = true;
    });
    int saved = 0;
    QString lastError;
    for (int i = 0; i < kMostLocal && (i < kLeastLocal || !importDone); ++i) {
        ManagedObject* recipe = context->insertNewObject(QStringLiteral("Recipes"));
        recipe->setValueForKey(QStringLiteral("local %1").arg(i), QStringLiteral("name"));
        if (context->save(&error))
            ++saved;
        else
            lastError = error;
    }
    importer.join();
    const int attempted = int(context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).size());
    EXPECT_EQ(saved + kStarterRecipes, attempted) << lastError.toStdString();
    ASSERT_EQ(importRun.exitCode, 0) << importRun.err.toStdString();
    EXPECT_EQ(json(importRun).toObject().value(QStringLiteral("imported")).toInt(), kImported);
    context.reset();
    const QJsonObject counts =
        json(cli({QStringLiteral("info")})).toObject().value(QStringLiteral("counts")).toObject();
    EXPECT_EQ(counts.value(QStringLiteral("Recipes")).toInt(), kStarterRecipes + kImported + saved);
}

// A library whose folder and store cannot be written: the reading commands work, the
// writing ones say the library is read-only (exit 3) and the store stays as it was.
TEST_F(CliStoreTest, ReadOnlyLibraryReadsAndRefusesToWrite) {
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write whatever the permissions say";
    json(cli({QStringLiteral("create")}));
    const QJsonArray listed = json(cli({QStringLiteral("list")})).toArray();
    ASSERT_FALSE(listed.isEmpty());
    const QString uniqueID = listed.at(0).toObject().value(QStringLiteral("uniqueID")).toString();
    const QString exchange = m_dir.filePath(QStringLiteral("all.lsr"));
    json(cli({QStringLiteral("export"), exchange, QStringLiteral("--all")}));
    const QString store = m_library + QStringLiteral("/Library Database.SQL");
    const QByteArray before = fileDigest(store);
    ASSERT_EQ(chmod(QFile::encodeName(store).constData(), 0444), 0);
    ASSERT_EQ(chmod(QFile::encodeName(m_library).constData(), 0555), 0);

    const QStringList reads[] = {
        {QStringLiteral("info")},
        {QStringLiteral("list")},
        {QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--keys"),
         QStringLiteral("name")},
        {QStringLiteral("render"), uniqueID},
        {QStringLiteral("export"), m_dir.filePath(QStringLiteral("again.lsr")), QStringLiteral("--all")},
    };
    for (const QStringList& args : reads) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << args.join(QLatin1Char(' ')).toStdString() << ": "
                                   << run.err.toStdString();
        EXPECT_FALSE(run.out.isEmpty()) << args.join(QLatin1Char(' ')).toStdString();
    }
    const QStringList writes[] = {
        {QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"name":"Cake"})")},
        {QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
         QStringLiteral("TRUEPREDICATE")},
        {QStringLiteral("import"), exchange},
        {QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Baking")},
    };
    for (const QStringList& args : writes) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 3) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains("The library is read-only."))
            << args.join(QLatin1Char(' ')).toStdString() << ": " << run.err.toStdString();
    }
    chmod(QFile::encodeName(m_library).constData(), 0755);
    chmod(QFile::encodeName(store).constData(), 0644);
    EXPECT_EQ(fileDigest(store), before);
}

} // namespace

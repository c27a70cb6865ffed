// larkspoon-cli refuses what would silently act on the wrong data: empty paths, filters and
// keys naming keys the records do not have; a deletion takes the recipes' pictures along;
// errors are printed once.
#include "common/TestSupport.h"

#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

class CliSafetyTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Own.library"));

    void createLibrary() {
        ASSERT_EQ(runCli({QStringLiteral("--library"), m_library, QStringLiteral("create")}).exitCode, 0);
    }
    CliRun cli(QStringList args) {
        args.prepend(m_library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    }
    int count(const QString& entity) {
        const CliRun run = cli({QStringLiteral("info")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out)
            .object()
            .value(QStringLiteral("counts"))
            .toObject()
            .value(entity)
            .toInt(-1);
    }
    QString insertRecipe(const QString& name) {
        const CliRun run = cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
                                QStringLiteral(R"({"name":"%1"})").arg(name)});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QJsonDocument::fromJson(run.out).object().value(QStringLiteral("uniqueID")).toString();
    }
    QString picture(const QString& uniqueID, int index) const {
        return m_library + QStringLiteral("/Images/%1-Image%2.jpg").arg(uniqueID).arg(index);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

QString described(const QStringList& args) {
    QStringList quoted;
    for (const QString& arg : args)
        quoted << QLatin1Char('\'') + arg + QLatin1Char('\'');
    return quoted.join(QLatin1Char(' '));
}

TEST_F(CliSafetyTest, EmptyOrMissingPathsAreUsageErrors) {
    createLibrary();
    const struct {
        QStringList args;
        const char* named; // the argument the message names
    } cases[] = {
        {{QStringLiteral("--library"), QString(), QStringLiteral("delete"), QStringLiteral("Recipes"),
          QStringLiteral("--filter"), QStringLiteral("TRUEPREDICATE")},
         "--library"},
        {{QStringLiteral("--library="), QStringLiteral("info")}, "--library"},
        {{QStringLiteral("--library")}, "--library"},
        {{QStringLiteral("--library"), m_library, QStringLiteral("import"), QString()}, "import FILE"},
        {{QStringLiteral("--library"), m_library, QStringLiteral("export"), QString(),
          QStringLiteral("--all")},
         "export OUT.lsr"},
        {{QStringLiteral("--library"), m_library, QStringLiteral("rules"), QStringLiteral("export"),
          QString()},
         "rules export PATH"},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.exitCode, 2) << described(c.args).toStdString();
        EXPECT_TRUE(run.err.contains(c.named))
            << described(c.args).toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << described(c.args).toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("Recipes")), 16); // the starter recipes are all there
}

TEST_F(CliSafetyTest, MisspeltKeysAreRefusedBeforeAnythingChanges) {
    createLibrary();
    const int matches = count(QStringLiteral("MeasurementMatches"));
    ASSERT_GT(matches, 0);
    const QString exported = path(QStringLiteral("out.lsr"));
    const struct {
        QStringList args;
        const char* key;
    } cases[] = {
        {{QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
          QStringLiteral("uniqeID != 'X'")},
         "\"uniqeID\""},
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
          QStringLiteral("name != nil AND NOT (ratng > 3)")},
         "\"ratng\""},
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--sort"),
          QStringLiteral("nme")},
         "\"nme\""},
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--desc"),
          QStringLiteral("dateCreatd")},
         "\"dateCreatd\""},
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--sort=ratng")}, "\"ratng\""},
        {{QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--keys"),
          QStringLiteral("name,uniqueId")},
         "\"uniqueId\""},
        {{QStringLiteral("query"), QStringLiteral("MeasurementMatches"), QStringLiteral("--filter"),
          QStringLiteral("smartMeasurement.nme == 'cup'")},
         "\"smartMeasurement.nme\""},
        {{QStringLiteral("delete"), QStringLiteral("MeasurementMatches"), QStringLiteral("--filter"),
          QStringLiteral("smartMeasurment.name != 'cup'")},
         "\"smartMeasurment\""},
        {{QStringLiteral("export"), exported, QStringLiteral("--filter"), QStringLiteral("nmae != 'x'")},
         "\"nmae\""},
        {{QStringLiteral("list"), QStringLiteral("--filter"), QStringLiteral("keyword CONTAINS 'pie'")},
         "\"keyword\""},
        {{QStringLiteral("list"), QStringLiteral("--search"), QStringLiteral("pie"),
          QStringLiteral("--filter"), QStringLiteral("ratin > 2")},
         "\"ratin\""},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.exitCode, 2) << described(c.args).toStdString();
        EXPECT_TRUE(run.err.contains(c.key))
            << described(c.args).toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << described(c.args).toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("Recipes")), 16);
    EXPECT_EQ(count(QStringLiteral("MeasurementMatches")), matches);
    EXPECT_FALSE(QFile::exists(exported));

    // The same forms with keys that exist, through relationships and derived keys.
    const QStringList accepted[] = {
        {QStringLiteral("query"), QStringLiteral("MeasurementMatches"), QStringLiteral("--filter"),
         QStringLiteral("smartMeasurement.name == 'cup'"), QStringLiteral("--keys"),
         QStringLiteral("name,smartMeasurement.name")},
        {QStringLiteral("query"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
         QStringLiteral("'pies' IN keywordsArray OR hasFirstImage == YES"), QStringLiteral("--sort"),
         QStringLiteral("name")},
        {QStringLiteral("query"), QStringLiteral("Groups"), QStringLiteral("--sort"),
         QStringLiteral("parent.name")},
    };
    for (const QStringList& args : accepted) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 0) << described(args).toStdString() << ": " << run.err.toStdString();
    }
}

TEST_F(CliSafetyTest, AnEmptyDeleteFilterOrIdListIsRefused) {
    createLibrary();
    const QString exported = path(QStringLiteral("out.lsr"));
    const QStringList cases[] = {
        {QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"), QString()},
        {QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter=")},
        {QStringLiteral("export"), exported, QStringLiteral("--ids"), QString()},
    };
    for (const QStringList& args : cases) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 2) << described(args).toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << described(args).toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("Recipes")), 16);
    EXPECT_FALSE(QFile::exists(exported));
}

TEST_F(CliSafetyTest, DeletingRecipesRemovesTheirPicturesOnly) {
    createLibrary();
    const QString gone = insertRecipe(QStringLiteral("Gone"));
    const QString kept = insertRecipe(QStringLiteral("Kept"));
    for (const QString& id : {gone, kept})
        for (int index : {1, 2}) {
            QFile file(picture(id, index));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.fileName().toStdString();
            file.write("\xFF\xD8\xFF\xE0 not much of a picture");
        }
    const CliRun run = cli({QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
                            QStringLiteral("name == 'Gone'")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(run.out).object().value(QStringLiteral("deleted")).toInt(), 1);
    for (int index : {1, 2}) {
        EXPECT_FALSE(QFile::exists(picture(gone, index))) << index;
        EXPECT_TRUE(QFile::exists(picture(kept, index))) << index;
    }
    EXPECT_FALSE(QFile::exists(m_library + QStringLiteral("/RecipesMarkedForDelete.plist")));
}

TEST_F(CliSafetyTest, ImportAndExportErrorsArePrintedOnce) {
    createLibrary();
    ASSERT_TRUE(writePropertyListFile(QVariantMap{}, path(QStringLiteral("dict.lsr"))));
    QFile broken(path(QStringLiteral("broken.lsr")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><dict><key>name</key>");
    broken.close();
    ASSERT_TRUE(
        writePropertyListFile(QVariantList{QVariantMap{{QStringLiteral("name"), QStringLiteral("x")}}},
                              path(QStringLiteral("unversioned.lsr"))));
    const QStringList cases[] = {
        {QStringLiteral("import"), path(QStringLiteral("dict.lsr"))},
        {QStringLiteral("import"), path(QStringLiteral("broken.lsr"))},
        {QStringLiteral("import"), path(QStringLiteral("unversioned.lsr"))},
        {QStringLiteral("export"), path(QStringLiteral("no/such/folder/out.lsr")), QStringLiteral("--all")},
    };
    for (const QStringList& args : cases) {
        const CliRun run = cli(args);
        EXPECT_NE(run.exitCode, 0) << described(args).toStdString();
        // The message is the last line; nothing else on stderr repeats it.
        const QList<QByteArray> lines = run.err.trimmed().split('\n');
        ASSERT_FALSE(lines.isEmpty()) << described(args).toStdString();
        EXPECT_EQ(run.err.count(lines.last().trimmed()), 1) << described(args).toStdString() << ":\n"
                                                            << run.err.toStdString();
    }
    const CliRun unversioned = cli(cases[2]);
    EXPECT_EQ(unversioned.exitCode, 4);
    EXPECT_TRUE(unversioned.err.contains("has no version")) << unversioned.err.toStdString();
    EXPECT_FALSE(unversioned.err.contains("upgrade")) << unversioned.err.toStdString();
}

// A store damaged under the library: every command that changes it exits 3 and prints no
// result, and the store is not written to.
TEST_F(CliSafetyTest, ADamagedStoreFailsEveryWritingCommand) {
    createLibrary();
    for (int i = 0; i < 40; ++i)
        insertRecipe(QStringLiteral("Recipe %1 ").arg(i) + QString(300, QLatin1Char('x')));
    QFile exchange(path(QStringLiteral("one.lsr")));
    ASSERT_EQ(cli({QStringLiteral("export"), exchange.fileName(), QStringLiteral("--all")}).exitCode, 0);
    const QString store = m_library + QStringLiteral("/Library Database.SQL");
    ASSERT_TRUE(testsupport::damageStoreTable(store, QStringLiteral("Recipes")));
    const QByteArray damaged = testsupport::fileDigest(store);

    const QStringList cases[] = {
        {QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"name":"Cake"})")},
        {QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
         QStringLiteral("name BEGINSWITH 'Recipe 1'")},
        {QStringLiteral("import"), exchange.fileName()},
        {QStringLiteral("group"), QStringLiteral("add"), QStringLiteral("Baking")},
        {QStringLiteral("groups")},
    };
    for (const QStringList& args : cases) {
        const CliRun run = cli(args);
        EXPECT_EQ(run.exitCode, 3) << described(args).toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << described(args).toStdString() << ": " << run.out.toStdString();
        EXPECT_TRUE(run.err.contains("malformed")) << described(args).toStdString();
    }
    EXPECT_EQ(testsupport::fileDigest(store), damaged);
}

// Runs the tool as a user who cannot write the library (the superuser can write anything,
// so it runs as "nobody" then).
CliRun runWithoutWriteAccess(const QStringList& args) {
    if (geteuid() != 0)
        return runCli(args);
    QProcess process;
    const QStringList asNobody{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups"), testsupport::cliProgramPath()};
    process.start(QStringLiteral("setpriv"), asNobody + args);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// In a library that cannot be written, a writing command is refused before it reads its
// input or looks for what it names: the refusal says why, whatever else is wrong.
TEST_F(CliSafetyTest, WritingCommandsAreRefusedBeforeWorkingInAReadOnlyLibrary) {
    createLibrary();
    QFile garbage(path(QStringLiteral("garbage.lsr")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not an exchange file");
    garbage.close();
    // Readable, not writable, by the user the tool runs as.
    ASSERT_EQ(chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(m_library).constData(), 0555), 0);
    const QString store = m_library + QStringLiteral("/Library Database.SQL");
    ASSERT_EQ(chmod(QFile::encodeName(store).constData(), 0444), 0);
    const QByteArray before = testsupport::fileDigest(store);

    const QStringList cases[] = {
        {QStringLiteral("import"), garbage.fileName()},
        {QStringLiteral("delete"), QStringLiteral("Recipes"), QStringLiteral("--filter"),
         QStringLiteral("name == 'no such recipe'")},
        {QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"name":"Cake"})")},
        {QStringLiteral("drop"), QStringLiteral("no-such-id"), QStringLiteral("--on"),
         QStringLiteral("Nowhere")},
        {QStringLiteral("group"), QStringLiteral("delete"), QStringLiteral("No Such Group")},
        {QStringLiteral("scale"), QStringLiteral("no-such-id"), QStringLiteral("--yield"),
         QStringLiteral("2")},
        {QStringLiteral("rules"), QStringLiteral("reset")},
    };
    for (QStringList args : cases) {
        args = QStringList{QStringLiteral("--library"), m_library} + args;
        const CliRun run = runWithoutWriteAccess(args);
        EXPECT_EQ(run.exitCode, 3) << described(args).toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("The library is read-only."))
            << described(args).toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << described(args).toStdString();
    }
    const CliRun reading =
        runWithoutWriteAccess({QStringLiteral("--library"), m_library, QStringLiteral("info")});
    EXPECT_EQ(reading.exitCode, 0) << reading.err.toStdString();
    chmod(QFile::encodeName(m_library).constData(), 0755);
    chmod(QFile::encodeName(store).constData(), 0644);
    EXPECT_EQ(testsupport::fileDigest(store), before);
    EXPECT_FALSE(QFileInfo::exists(m_library + QStringLiteral("/Images Staging")));
}

// A key path through a to-many relationship holds many values: compared as one it is
// refused before anything is read or deleted; with ANY, ALL or NONE it selects by its values.
TEST_F(CliSafetyTest, ToManyKeyPathsAreReadWithAQuantifierOnly) {
    createLibrary();
    const auto groupNames = [this](const QString& filter) {
        const CliRun run = cli({QStringLiteral("query"), QStringLiteral("Groups"), QStringLiteral("--filter"),
                                filter, QStringLiteral("--keys"), QStringLiteral("name")});
        QStringList names;
        for (const QJsonValue& row : QJsonDocument::fromJson(run.out).array())
            names << row.toObject().value(QStringLiteral("name")).toString();
        names.sort();
        return std::make_pair(run.exitCode, names.join(QLatin1Char(',')));
    };
    // Of the starter groups only "Main Courses" has a subgroup, "Fish".
    const int groups = count(QStringLiteral("Groups"));
    const struct {
        const char* filter;
        int exitCode;
        const char* names; // for exit 0
    } cases[] = {
        {"children.name != 'x'", 2, ""},
        {"children.name == 'Fish'", 2, ""},
        {"children == nil", 2, ""},
        {"name == 'LIBRARY' OR children.name BEGINSWITH 'M'", 2, ""},
        {"ANY children.name == 'Fish'", 0, "Main Courses"},
        {"SOME children.name ==[c] 'FISH'", 0, "Main Courses"},
        {"'Fish' IN children.name", 0, "Main Courses"},
        {"ANY children.parent.name == 'Main Courses'", 0, "Main Courses"},
        {"ANY children.children.name == 'none'", 0, ""},
    };
    for (const auto& c : cases) {
        const auto [exitCode, names] = groupNames(QString::fromUtf8(c.filter));
        EXPECT_EQ(exitCode, c.exitCode) << c.filter;
        if (c.exitCode == 0) {
            EXPECT_EQ(names, QString::fromUtf8(c.names)) << c.filter;
        }
    }
    // NONE holds for every group without such a child; ALL for the childless too.
    const auto listed = [&](const char* filter) {
        return groupNames(QString::fromUtf8(filter)).second.split(QLatin1Char(',')).size();
    };
    EXPECT_EQ(listed("NONE children.name == 'Fish'"), groups - 1);
    EXPECT_EQ(listed("ALL children.name == 'Fish'"), groups);
    const CliRun refused = cli({QStringLiteral("delete"), QStringLiteral("Groups"),
                                QStringLiteral("--filter"), QStringLiteral("children.name != 'x'")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("\"children.name\"")) << refused.err.toStdString();
    EXPECT_EQ(count(QStringLiteral("Groups")), groups);
}

} // namespace

// The record store against real SQLite files: persistence, fetching, saving only what
// changed, relationships, undo, bad files, a process killed while saving, several
// programs writing at once and stores that cannot be written.
#include "platform/DataModel.h"
#include "platform/ObjectContext.h"
#include "platform/UndoManager.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::fileDigest;
using testsupport::sqlOnFile;

namespace {

const DataModel& currentModel() {
    static const DataModel model = *DataModel::loadResource(QStringLiteral("Larkspoon!_v2.3.mom"));
    return model;
}

PredicatePtr filter(const QString& text) {
    const PredicateParseResult parsed = Predicate::parse(text);
    EXPECT_TRUE(parsed.ok()) << text.toStdString() << ": " << parsed.error.toStdString();
    return parsed.predicate;
}

class ObjectContextTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("Library Database.SQL"));

    std::unique_ptr<ObjectContext> open(QString* error = nullptr, const DataModel& model = currentModel()) {
        QString message;
        auto context = ObjectContext::open(m_path, model, &message);
        if (error)
            *error = message;
        EXPECT_TRUE(context || error) << message.toStdString();
        return context;
    }

    QStringList names(ObjectContext& context, const FetchRequest& request) {
        QStringList result;
        for (ManagedObject* object : context.executeFetchRequest(request))
            result << object->stringValue(QStringLiteral("name"));
        return result;
    }

    ManagedObject* recipe(ObjectContext& context, const QString& name, int rating = 0) {
        ManagedObject* object = context.insertNewObject(QStringLiteral("Recipes"));
        object->setValueForKey(name, QStringLiteral("name"));
        if (rating)
            object->setValueForKey(rating, QStringLiteral("rating"));
        return object;
    }
};

TEST_F(ObjectContextTest, ValuesOfEveryKindSurviveReopening) {
    const QDateTime when =
        QDateTime::fromString(QStringLiteral("2026-03-04T05:06:07.089Z"), Qt::ISODateWithMs);
    QString uri;
    {
        auto context = open();
        ManagedObject* object = context->insertNewObject(QStringLiteral("Recipes"));
        EXPECT_TRUE(object->objectID().isTemporaryID());
        object->setValueForKey(QStringLiteral("Crème brûlée — \"quoted\" & <b>"), QStringLiteral("name"));
        object->setValueForKey(5, QStringLiteral("rating"));
        object->setValueForKey(QStringLiteral("YES"), QStringLiteral("hasBeenPrepared"));
        object->setValueForKey(when, QStringLiteral("dateCreated"));
        object->setValueForKey(QString(), QStringLiteral("notes"));
        EXPECT_TRUE(context->hasChanges());
        QString error;
        ASSERT_TRUE(context->save(&error)) << error.toStdString();
        EXPECT_FALSE(context->hasChanges());
        EXPECT_FALSE(object->objectID().isTemporaryID());
        uri = object->objectID().uriRepresentation();
    }
    auto context = open();
    ManagedObject* object = context->objectWithURI(uri);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->stringValue(QStringLiteral("name")), QStringLiteral("Crème brûlée — \"quoted\" & <b>"));
    EXPECT_EQ(object->valueForKey(QStringLiteral("rating")).toLongLong(), 5);
    EXPECT_EQ(object->valueForKey(QStringLiteral("hasBeenPrepared")), QVariant(true));
    EXPECT_EQ(object->valueForKey(QStringLiteral("dateCreated")).toDateTime(), when);
    EXPECT_TRUE(object->valueForKey(QStringLiteral("notes")).isNull());
    EXPECT_TRUE(object->valueForKey(QStringLiteral("noSuchKey")).isNull());
    EXPECT_EQ(context->objectWithURI(QStringLiteral("x-larkspoon://other/Recipes/p1")), nullptr);
    EXPECT_EQ(context->objectWithURI(QStringLiteral("garbage")), nullptr);
}

TEST_F(ObjectContextTest, TextsAndDatesSurviveReopeningExactly) {
    const QString feff(QChar(0xFEFF));
    const QVariant cases[] = {
        QString(feff + QStringLiteral("Title")),
        feff,
        QString(feff + feff),
        QStringLiteral(""),
        QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(1) + QChar(0xFFFF)),
        QStringLiteral("🍰\t\n\r"),
    };
    const QDateTime when = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC).addMSecs(6);
    QStringList uris;
    {
        auto context = open();
        QList<ManagedObject*> objects;
        for (const QVariant& text : cases) {
            objects << context->insertNewObject(QStringLiteral("Recipes"));
            objects.last()->setValueForKey(text, QStringLiteral("notes"));
            objects.last()->setValueForKey(when, QStringLiteral("dateCreated"));
        }
        QString error;
        ASSERT_TRUE(context->save(&error)) << error.toStdString();
        for (ManagedObject* object : objects)
            uris << object->objectID().uriRepresentation();
    }
    auto context = open();
    ASSERT_EQ(uris.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testsupport::textUnits(cases[i]));
        ManagedObject* object = context->objectWithURI(uris.at(qsizetype(i)));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(std::make_pair(testsupport::textUnits(object->valueForKey(QStringLiteral("notes"))),
                                 object->valueForKey(QStringLiteral("dateCreated")).toDateTime()),
                  std::make_pair(testsupport::textUnits(cases[i]), when));
    }
}

TEST_F(ObjectContextTest, FetchFiltersSortsAndSeesPendingChanges) {
    auto context = open();
    recipe(*context, QStringLiteral("banana bread"), 2);
    recipe(*context, QStringLiteral("Apple pie"), 5);
    ManagedObject* cake = recipe(*context, QStringLiteral("Carrot cake"), 4);
    ASSERT_TRUE(context->save());
    recipe(*context, QStringLiteral("apricot jam"), 1);

    const SortDescriptor byName{QStringLiteral("name"), true, true};
    EXPECT_EQ(names(*context, FetchRequest(QStringLiteral("Recipes"), {}, {byName})),
              (QStringList{QStringLiteral("Apple pie"), QStringLiteral("apricot jam"),
                           QStringLiteral("banana bread"), QStringLiteral("Carrot cake")}));
    EXPECT_EQ(
        names(*context, FetchRequest(QStringLiteral("Recipes"), {}, {{QStringLiteral("name"), true, false}})),
        (QStringList{QStringLiteral("Apple pie"), QStringLiteral("Carrot cake"),
                     QStringLiteral("apricot jam"), QStringLiteral("banana bread")}));
    EXPECT_EQ(names(*context, FetchRequest(QStringLiteral("Recipes"), filter(QStringLiteral("rating > 1")),
                                           {{QStringLiteral("rating"), false}})),
              (QStringList{QStringLiteral("Apple pie"), QStringLiteral("Carrot cake"),
                           QStringLiteral("banana bread")}));

    context->deleteObject(cake);
    EXPECT_EQ(names(*context, FetchRequest(QStringLiteral("Recipes"),
                                           filter(QStringLiteral("name BEGINSWITH[c] 'c'")))),
              QStringList{});
    EXPECT_EQ(context->countForFetchRequest(FetchRequest(QStringLiteral("Recipes"))), 3);

    QString error;
    EXPECT_TRUE(context->executeFetchRequest(FetchRequest(QStringLiteral("Nope")), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ObjectContextTest, SaveWritesOnlyWhatChanged) {
    QString firstURI;
    {
        auto context = open();
        ManagedObject* first = recipe(*context, QStringLiteral("First"), 1);
        recipe(*context, QStringLiteral("Second"), 2);
        ASSERT_TRUE(context->save());
        firstURI = first->objectID().uriRepresentation();
    }
    auto context = open();
    ManagedObject* first = context->objectWithURI(firstURI);
    ASSERT_NE(first, nullptr);
    // Another writer changes columns this context has read but not changed.
    sqlOnFile(m_path, QStringLiteral("UPDATE Recipes SET notes = 'outside', yield = 'outside'"));
    first->setValueForKey(QStringLiteral("First, renamed"), QStringLiteral("name"));
    EXPECT_EQ(first->changedKeys(), QStringList{QStringLiteral("name")});
    ASSERT_TRUE(context->save());
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT name FROM Recipes WHERE Z_PK = 1")),
              QStringLiteral("First, renamed"));
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT notes FROM Recipes WHERE Z_PK = 1")),
              QStringLiteral("outside"));
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT yield FROM Recipes WHERE Z_PK = 2")),
              QStringLiteral("outside"));

    // Setting a value to what it already is changes nothing.
    first->setValueForKey(QStringLiteral("First, renamed"), QStringLiteral("name"));
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(ObjectContextTest, FailedSaveKeepsChangesAndTemporaryIdentities) {
    auto context = open();
    recipe(*context, QStringLiteral("kept"));
    ASSERT_TRUE(context->save());
    ManagedObject* added = recipe(*context, QStringLiteral("pending"));
    sqlOnFile(m_path, QStringLiteral("ALTER TABLE Recipes RENAME TO Gone"));
    QString error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("The library could not be saved")));
    EXPECT_TRUE(context->hasChanges());
    EXPECT_TRUE(added->objectID().isTemporaryID());
    sqlOnFile(m_path, QStringLiteral("ALTER TABLE Gone RENAME TO Recipes"));
    EXPECT_TRUE(context->save(&error)) << error.toStdString();
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(*) FROM Recipes")), QStringLiteral("2"));
}

TEST_F(ObjectContextTest, RelationshipsKeepInversesPersistAndCascade) {
    QString parentURI;
    {
        auto context = open();
        ManagedObject* parent = context->insertNewObject(QStringLiteral("Groups"));
        parent->setValueForKey(QStringLiteral("Desserts"), QStringLiteral("name"));
        ManagedObject* pies = context->insertNewObject(QStringLiteral("Groups"));
        pies->setValueForKey(QStringLiteral("Pies"), QStringLiteral("name"));
        ManagedObject* cakes = context->insertNewObject(QStringLiteral("Groups"));
        cakes->setValueForKey(QStringLiteral("Cakes"), QStringLiteral("name"));
        pies->setRelatedObject(parent, QStringLiteral("parent"));
        parent->addRelatedObject(cakes, QStringLiteral("children"));
        EXPECT_EQ(parent->relatedObjects(QStringLiteral("children")).size(), 2);
        EXPECT_EQ(cakes->relatedObject(QStringLiteral("parent")), parent);
        EXPECT_EQ(pies->valueForKey(QStringLiteral("parent.name")).toString(), QStringLiteral("Desserts"));
        parent->removeRelatedObject(cakes, QStringLiteral("children"));
        EXPECT_EQ(cakes->relatedObject(QStringLiteral("parent")), nullptr);
        cakes->setRelatedObject(parent, QStringLiteral("parent"));
        ASSERT_TRUE(context->save());
        parentURI = parent->objectID().uriRepresentation();
    }
    auto context = open();
    ManagedObject* parent = context->objectWithURI(parentURI);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->relatedObjects(QStringLiteral("children")).size(), 2);
    EXPECT_EQ(context
                  ->executeFetchRequest(
                      FetchRequest(QStringLiteral("Groups"), filter(QStringLiteral("parent == nil"))))
                  .size(),
              1);

    // Deleting the parent deletes its subgroups; undo brings all three back, linked.
    context->deleteObject(parent);
    EXPECT_EQ(context->countForFetchRequest(FetchRequest(QStringLiteral("Groups"))), 0);
    context->processPendingChanges();
    context->undoManager()->undo();
    EXPECT_EQ(context->countForFetchRequest(FetchRequest(QStringLiteral("Groups"))), 3);
    EXPECT_EQ(parent->relatedObjects(QStringLiteral("children")).size(), 2);
    context->undoManager()->redo();
    ASSERT_TRUE(context->save());
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(*) FROM Groups")), QStringLiteral("0"));

    // Measurement matches go with their rule; a rule left without matches stays.
    ManagedObject* rule = context->insertNewObject(QStringLiteral("SmartMeasurements"));
    ManagedObject* match = context->insertNewObject(QStringLiteral("MeasurementMatches"));
    match->setRelatedObject(rule, QStringLiteral("smartMeasurement"));
    context->deleteObject(match);
    EXPECT_TRUE(rule->relatedObjects(QStringLiteral("matches")).isEmpty());
    EXPECT_FALSE(rule->isDeleted());
}

TEST_F(ObjectContextTest, UndoAndRedoOfInsertsDeletesAndChanges) {
    auto context = open();
    UndoManager* undo = context->undoManager();
    ManagedObject* soup = recipe(*context, QStringLiteral("Soup"));
    context->processPendingChanges();
    soup->setValueForKey(QStringLiteral("Tomato soup"), QStringLiteral("name"));
    soup->setValueForKey(3, QStringLiteral("rating"));
    context->processPendingChanges(); // one gesture: both changes undo together

    undo->undo();
    EXPECT_EQ(soup->stringValue(QStringLiteral("name")), QStringLiteral("Soup"));
    EXPECT_TRUE(soup->valueForKey(QStringLiteral("rating")).isNull());
    undo->undo();
    EXPECT_TRUE(soup->isDeleted());
    EXPECT_EQ(context->countForFetchRequest(FetchRequest(QStringLiteral("Recipes"))), 0);
    EXPECT_FALSE(context->hasChanges());
    undo->redo();
    undo->redo();
    EXPECT_EQ(soup->stringValue(QStringLiteral("name")), QStringLiteral("Tomato soup"));
    EXPECT_FALSE(undo->canRedo());

    // Undo after a save: the deletion of a saved record is undone and saved again.
    ASSERT_TRUE(context->save());
    context->deleteObject(soup);
    context->processPendingChanges();
    ASSERT_TRUE(context->save());
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(*) FROM Recipes")), QStringLiteral("0"));
    undo->undo();
    EXPECT_TRUE(context->hasChanges());
    ASSERT_TRUE(context->save());
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT name FROM Recipes")), QStringLiteral("Tomato soup"));

    // Explicit groups and disabled registration.
    undo->beginUndoGrouping();
    recipe(*context, QStringLiteral("A"));
    recipe(*context, QStringLiteral("B"));
    undo->endUndoGrouping();
    undo->undo();
    EXPECT_EQ(context->countForFetchRequest(FetchRequest(QStringLiteral("Recipes"))), 1);
    undo->disableUndoRegistration();
    recipe(*context, QStringLiteral("untracked"));
    undo->enableUndoRegistration();
    context->processPendingChanges();
    EXPECT_TRUE(undo->canUndo()); // the earlier steps, not the untracked insert
}

TEST_F(ObjectContextTest, EditorsCommitPendingEdits) {
    auto context = open();
    ManagedObject* object = recipe(*context, QStringLiteral("typed"));
    QString field = QStringLiteral("typed, then edited");
    const int token = context->registerEditor([&] {
        object->setValueForKey(field, QStringLiteral("name"));
        return true;
    });
    EXPECT_TRUE(context->commitEditing());
    EXPECT_EQ(object->stringValue(QStringLiteral("name")), field);
    context->unregisterEditor(token);
    const int refusing = context->registerEditor([] { return false; });
    EXPECT_FALSE(context->commitEditing());
    context->unregisterEditor(refusing);
}

TEST_F(ObjectContextTest, MetadataIsReadAndWrittenWithoutAContext) {
    {
        auto context = open();
        ASSERT_TRUE(context->save());
    }
    std::optional<QVariantMap> metadata = ObjectContext::metadataForStoreAtPath(m_path);
    ASSERT_TRUE(metadata);
    EXPECT_FALSE(metadata->contains(QStringLiteral("modelVersion")));
    EXPECT_EQ(metadata->value(QStringLiteral("modelName")).toString(), QStringLiteral("Larkspoon!_v2.3"));
    QVariantMap stamped = *metadata;
    stamped.insert(QStringLiteral("modelVersion"), QStringLiteral("2.3"));
    stamped.insert(QStringLiteral("modelFingerprint"), QStringLiteral("forged"));
    ASSERT_TRUE(ObjectContext::setMetadataForStoreAtPath(stamped, m_path));
    metadata = ObjectContext::metadataForStoreAtPath(m_path);
    EXPECT_EQ(metadata->value(QStringLiteral("modelVersion")).toString(), QStringLiteral("2.3"));
    // The engine's own keys cannot be overwritten: the store still opens.
    auto context = open();
    ASSERT_TRUE(context);
    EXPECT_EQ(context->metadata().value(QStringLiteral("modelVersion")).toString(), QStringLiteral("2.3"));
}

TEST_F(ObjectContextTest, BadFilesGiveAnErrorAndStayUnchanged) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const std::optional<DataModel> versionTwo = DataModel::loadResource(QStringLiteral("Larkspoon!_v2.mom"));
    ASSERT_TRUE(versionTwo);
    const Case cases[] = {
        {"random bytes",
         [](const QString& path) {
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             QByteArray bytes(64 * 1024, '\0');
             QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
             file.write(bytes);
         }},
        {"empty file",
         [](const QString& path) {
             QFile file(path);
             file.open(QIODevice::WriteOnly);
         }},
        {"plain SQLite database",
         [](const QString& path) { sqlOnFile(path, QStringLiteral("CREATE TABLE t (x)")); }},
        {"truncated store",
         [this](const QString& path) {
             {
                 auto context = open();
                 for (int i = 0; i < 200; ++i)
                     recipe(*context, QStringLiteral("recipe %1 ").arg(i) + QString(500, QLatin1Char('x')));
                 ASSERT_TRUE(context->save());
             }
             QFile file(path);
             file.open(QIODevice::ReadWrite);
             file.resize(file.size() / 2);
         }},
        {"store of another model",
         [&](const QString& path) {
             QString error;
             auto context = ObjectContext::open(path, *versionTwo, &error);
             ASSERT_TRUE(context) << error.toStdString();
             context->insertNewObject(QStringLiteral("Recipes"));
             ASSERT_TRUE(context->save());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(m_path);
        c.make(m_path);
        const QByteArray before = fileDigest(m_path);
        QString error;
        auto context = open(&error);
        EXPECT_EQ(context, nullptr);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(fileDigest(m_path), before);
        EXPECT_FALSE(ObjectContext::metadataForStoreAtPath(m_path, &error) &&
                     std::string(c.name) != "store of another model");
    }
    QString error;
    StoreOptions noCreate;
    noCreate.createIfMissing = false;
    EXPECT_EQ(
        ObjectContext::open(m_dir.filePath(QStringLiteral("absent.SQL")), currentModel(), &error, noCreate),
        nullptr);
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("absent.SQL"))));
}

// Two contexts opened on the same store before either saved: each save numbers its new
// records from what the store holds then, not from what the context read at opening.
TEST_F(ObjectContextTest, ContextsOpenedTogetherNumberTheirRecordsApart) {
    {
        auto context = open();
        recipe(*context, QStringLiteral("before"));
        ASSERT_TRUE(context->save());
    }
    auto first = open();
    auto second = open();
    ASSERT_EQ(first->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).size(), 1);
    ASSERT_EQ(second->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).size(), 1);
    QStringList uris;
    for (int round = 0; round < 3; ++round) {
        for (ObjectContext* context : {first.get(), second.get()}) {
            ManagedObject* added = recipe(*context, QStringLiteral("round %1").arg(round));
            QString error;
            ASSERT_TRUE(context->save(&error)) << error.toStdString();
            uris << added->objectID().uriRepresentation();
        }
    }
    EXPECT_EQ(QSet<QString>(uris.begin(), uris.end()).size(), 6);
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(DISTINCT Z_PK) FROM Recipes")),
              QStringLiteral("7"));
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT Z_MAX FROM LS_PRIMARYKEY WHERE Z_ENTITY = 'Recipes'")),
              QStringLiteral("7"));
    // Each context finds its own records by their permanent identities.
    EXPECT_NE(second->objectWithURI(uris.last()), nullptr);
    EXPECT_NE(first->objectWithURI(uris.at(uris.size() - 2)), nullptr);
}

// Another program holds the store's write lock past the wait: the save fails with the busy
// text and keeps everything; that program then uses the next record number, and the
// next save numbers past it.
TEST_F(ObjectContextTest, BusyStoreFailsAfterTheWaitAndTheNextSaveNumbersPastTheOtherWriter) {
    {
        auto context = open();
        ASSERT_TRUE(context->save());
    }
    StoreOptions shortWait;
    shortWait.busyTimeoutMs = 20;
    QString error;
    auto context = ObjectContext::open(m_path, currentModel(), &error, shortWait);
    ASSERT_TRUE(context) << error.toStdString();
    ManagedObject* added = recipe(*context, QStringLiteral("waiting"));

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(m_path).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(context->lastSaveFailure(), SaveFailure::Busy);
    EXPECT_EQ(error, QStringLiteral("The library is being changed by another program; try again."));
    EXPECT_TRUE(added->objectID().isTemporaryID());
    EXPECT_TRUE(context->hasChanges());
    ASSERT_EQ(sqlite3_exec(other,
                           "INSERT INTO Recipes (Z_PK, name) VALUES (1, 'other'); "
                           "UPDATE LS_PRIMARYKEY SET Z_MAX = 1 WHERE Z_ENTITY = 'Recipes'; COMMIT",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);

    ASSERT_TRUE(context->save(&error)) << error.toStdString();
    EXPECT_EQ(context->lastSaveFailure(), SaveFailure::None);
    EXPECT_TRUE(added->objectID().uriRepresentation().endsWith(QStringLiteral("/Recipes/p2")));
    EXPECT_EQ(sqlOnFile(m_path,
                        QStringLiteral(
                            "SELECT group_concat(name, ',') FROM (SELECT name FROM Recipes ORDER BY Z_PK)")),
              QStringLiteral("other,waiting"));
}

// Two processes insert 500 recipes each, one save per recipe, into the same store; the
// parent also opens fresh readers while both write (opening one must not disturb the
// locks of the parent's writer). Every record arrives once.
TEST_F(ObjectContextTest, TwoProcessesInsertingAtOnceLoseNothing) {
    constexpr int kEach = 500;
    {
        auto context = open();
        ASSERT_TRUE(context->save());
    }
    auto insertAll = [this](const QString& prefix) {
        QString error;
        auto context = ObjectContext::open(m_path, currentModel(), &error);
        if (!context)
            return 3;
        for (int i = 0; i < kEach; ++i) {
            recipe(*context, prefix + QString::number(i));
            if (!context->save(&error)) {
                fprintf(stderr, "%s\n", qPrintable(error));
                return 4;
            }
        }
        return 0;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(insertAll(QStringLiteral("child ")));

    QString error;
    auto context = ObjectContext::open(m_path, currentModel(), &error);
    ASSERT_TRUE(context) << error.toStdString();
    int lastSeen = 0;
    for (int i = 0; i < kEach; ++i) {
        recipe(*context, QStringLiteral("parent %1").arg(i));
        ASSERT_TRUE(context->save(&error)) << "save " << i << ": " << error.toStdString();
        if (i % 5 == 0) {
            auto reader = ObjectContext::open(m_path, currentModel(), &error);
            ASSERT_TRUE(reader) << error.toStdString();
            const int seen =
                int(reader->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")), &error).size());
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            EXPECT_GE(seen, std::max(lastSeen, i + 1));
            lastSeen = seen;
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(DISTINCT name) FROM Recipes")),
              QString::number(2 * kEach));
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT Z_MAX FROM LS_PRIMARYKEY WHERE Z_ENTITY = 'Recipes'")),
              QString::number(2 * kEach));
    auto reopened = open();
    EXPECT_EQ(reopened->countForFetchRequest(FetchRequest(QStringLiteral("Recipes"))), 2 * kEach);
}

// A store opened read-only reads as usual; a save with changes fails with the read-only
// text, a save without changes succeeds, and the file is not touched.
TEST_F(ObjectContextTest, ReadOnlyStoreReadsAndRefusesToWrite) {
    {
        auto context = open();
        recipe(*context, QStringLiteral("Apple pie"), 5);
        recipe(*context, QStringLiteral("Bread"), 2);
        ASSERT_TRUE(context->save());
    }
    const QByteArray before = fileDigest(m_path);
    StoreOptions readOnly;
    readOnly.readOnly = true;
    QString error;
    auto context = ObjectContext::open(m_path, currentModel(), &error, readOnly);
    ASSERT_TRUE(context) << error.toStdString();
    EXPECT_TRUE(context->isReadOnly());
    EXPECT_EQ(names(*context, FetchRequest(QStringLiteral("Recipes"), filter(QStringLiteral("rating > 3")))),
              QStringList{QStringLiteral("Apple pie")});
    EXPECT_TRUE(context->save(&error));

    recipe(*context, QStringLiteral("Cake"));
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(context->lastSaveFailure(), SaveFailure::ReadOnly);
    EXPECT_EQ(error, QStringLiteral("The library is read-only."));
    EXPECT_TRUE(context->hasChanges());
    context.reset();
    EXPECT_EQ(fileDigest(m_path), before);
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(*) FROM Recipes")), QStringLiteral("2"));
}

// A store whose folder and file cannot be written (as on a read-only medium) opens
// read-only by itself, even with no shared-memory file beside it and none to be made.
TEST_F(ObjectContextTest, StoreInAFolderThatCannotBeWrittenOpensReadOnly) {
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write whatever the permissions say";
    {
        auto context = open();
        recipe(*context, QStringLiteral("Apple pie"));
        ASSERT_TRUE(context->save());
    }
    ASSERT_FALSE(QFile::exists(m_path + QStringLiteral("-shm")));
    const QString folder = m_dir.path();
    ASSERT_EQ(chmod(QFile::encodeName(m_path).constData(), 0444), 0);
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
    QString error;
    auto context = ObjectContext::open(m_path, currentModel(), &error);
    EXPECT_TRUE(context) << error.toStdString();
    if (context) {
        EXPECT_TRUE(context->isReadOnly());
        EXPECT_EQ(names(*context, FetchRequest(QStringLiteral("Recipes"))),
                  QStringList{QStringLiteral("Apple pie")});
        recipe(*context, QStringLiteral("Cake"));
        EXPECT_FALSE(context->save(&error));
        EXPECT_EQ(context->lastSaveFailure(), SaveFailure::ReadOnly);
    }
    EXPECT_TRUE(ObjectContext::metadataForStoreAtPath(m_path, &error)) << error.toStdString();
    context.reset();
    chmod(QFile::encodeName(folder).constData(), 0755);
    chmod(QFile::encodeName(m_path).constData(), 0644);
}

// A child process saves rounds of changes in a loop and is killed at a random moment;
// the store must open afterwards with every record from one single round.
TEST_F(ObjectContextTest, KilledWhileSavingLeavesOldOrNewContent) {
    {
        auto context = open();
        for (int i = 0; i < 40; ++i)
            recipe(*context, QStringLiteral("round 0"), 0);
        ASSERT_TRUE(context->save());
    }
    QRandomGenerator random(42);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            QString error;
            auto context = ObjectContext::open(m_path, currentModel(), &error);
            if (!context)
                _exit(3);
            const QList<ManagedObject*> all =
                context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
            for (int round = 1; round < 100000; ++round) {
                for (ManagedObject* object : all) {
                    object->setValueForKey(QStringLiteral("round %1").arg(round), QStringLiteral("name"));
                    object->setValueForKey(QString(2000 + round % 500, QLatin1Char('a' + round % 26)),
                                           QStringLiteral("directions"));
                }
                if (round % 7 == 0)
                    context->insertNewObject(QStringLiteral("Groups"));
                if (!context->save(&error))
                    _exit(4);
            }
            _exit(0);
        }
        usleep(useconds_t(20000 + random.bounded(200000)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself with " << WEXITSTATUS(status);

        QString error;
        auto context = open(&error);
        ASSERT_TRUE(context) << error.toStdString();
        EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QSet<QString> rounds;
        const QList<ManagedObject*> all =
            context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
        EXPECT_EQ(all.size(), 40);
        for (ManagedObject* object : all)
            rounds.insert(object->stringValue(QStringLiteral("name")));
        EXPECT_EQ(rounds.size(), 1) << "records from different saves";
    }
}

} // namespace

// The first generation's model: recipes and groups ("sources") linked many-to-many.
TEST_F(ObjectContextTest, ManyToManyLinksPersistUnlinkOnDeleteAndUndo) {
    QString error;
    const std::optional<DataModel> versionOne =
        DataModel::loadResource(QStringLiteral("Larkspoon!_v1.mom"), &error);
    ASSERT_TRUE(versionOne) << error.toStdString();
    EXPECT_TRUE(
        versionOne->entity(QStringLiteral("Recipe"))->relationship(QStringLiteral("source"))->manyToMany);
    QString soupURI;
    {
        auto context = ObjectContext::open(m_path, *versionOne, &error);
        ASSERT_TRUE(context) << error.toStdString();
        ManagedObject* soup = context->insertNewObject(QStringLiteral("Recipe"));
        ManagedObject* stew = context->insertNewObject(QStringLiteral("Recipe"));
        ManagedObject* winter = context->insertNewObject(QStringLiteral("Source"));
        ManagedObject* quick = context->insertNewObject(QStringLiteral("Source"));
        winter->addRelatedObject(soup, QStringLiteral("recipe"));
        winter->addRelatedObject(stew, QStringLiteral("recipe"));
        soup->addRelatedObject(quick, QStringLiteral("source"));
        soup->addRelatedObject(quick, QStringLiteral("source")); // once only
        EXPECT_EQ(soup->relatedObjects(QStringLiteral("source")).size(), 2);
        EXPECT_EQ(quick->relatedObjects(QStringLiteral("recipe")).size(), 1);
        ASSERT_TRUE(context->save(&error)) << error.toStdString();
        soupURI = soup->objectID().uriRepresentation();
    }
    auto context = ObjectContext::open(m_path, *versionOne, &error);
    ASSERT_TRUE(context) << error.toStdString();
    ManagedObject* soup = context->objectWithURI(soupURI);
    ASSERT_NE(soup, nullptr);
    const QList<ManagedObject*> sources = soup->relatedObjects(QStringLiteral("source"));
    ASSERT_EQ(sources.size(), 2);
    ManagedObject* winter =
        sources.at(0)->relatedObjects(QStringLiteral("recipe")).size() == 2 ? sources.at(0) : sources.at(1);
    EXPECT_EQ(winter->relatedObjects(QStringLiteral("recipe")).size(), 2);

    context->deleteObject(soup);
    EXPECT_EQ(winter->relatedObjects(QStringLiteral("recipe")).size(), 1);
    context->processPendingChanges();
    context->undoManager()->undo();
    EXPECT_EQ(winter->relatedObjects(QStringLiteral("recipe")).size(), 2);
    EXPECT_EQ(soup->relatedObjects(QStringLiteral("source")).size(), 2);
    context->undoManager()->redo();
    winter->removeRelatedObject(winter->relatedObjects(QStringLiteral("recipe")).first(),
                                QStringLiteral("recipe"));
    ASSERT_TRUE(context->save(&error)) << error.toStdString();
    EXPECT_EQ(sqlOnFile(m_path, QStringLiteral("SELECT COUNT(*) FROM Z_Recipe_source")), QStringLiteral("0"));
}

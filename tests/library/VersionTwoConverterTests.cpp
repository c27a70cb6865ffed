// Upgrading a version-two library folder in place: the copied records, the files left
// behind, and a library left as it was when the user quits or the upgrade fails.
#include "common/ScriptedAlerts.h"
#include "library/LibraryStore.h"
#include "library/VersionTwoDatabaseConverter.h"
#include "platform/StructuredText.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <functional>

namespace {

const QString kStore = QStringLiteral("Library Database.SQL");
const QString kNewStore = QStringLiteral("Library Database New.SQL");
const QString kBackup = QStringLiteral("Library Database 2.0.SQL");

class VersionTwoConverterTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.path();
    ScriptedAlerts m_alerts;

    QString file(const QString& name) const { return m_library + QLatin1Char('/') + name; }

    // A version-two store written by our own engine; fill adds the records.
    void writeVersionTwoStore(const std::function<void(ObjectContext*)>& fill) {
        ASSERT_NE(currentDataModel(), nullptr); // registers the record classes
        QString error;
        const std::optional<DataModel> model =
            DataModel::loadResource(QStringLiteral("Larkspoon!_v2.mom"), &error);
        ASSERT_TRUE(model) << error.toStdString();
        std::unique_ptr<ObjectContext> context =
            ObjectContext::open(file(kStore), *model, &error, StoreOptions{});
        ASSERT_TRUE(context) << error.toStdString();
        fill(context.get());
        QVariantMap metadata = context->metadata();
        metadata.insert(QStringLiteral("modelVersion"), QStringLiteral("2.0"));
        context->setMetadata(metadata);
        ASSERT_TRUE(context->save(&error)) << error.toStdString();
    }

    QMap<QString, QByteArray> folderContents() const {
        QMap<QString, QByteArray> contents;
        for (const QString& name : QDir(m_library).entryList(QDir::Files)) {
            QFile f(file(name));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            contents.insert(name, f.readAll());
        }
        return contents;
    }
};

ManagedObject* insert(ObjectContext* context, const QString& entity, const QVariantMap& values) {
    ManagedObject* object = context->insertNewObject(entity);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        object->setValueForKey(it.value(), it.key());
    return object;
}

ManagedObject* groupNamed(const QList<ManagedObject*>& groups, const QString& name) {
    for (ManagedObject* group : groups)
        if (group->stringValue(QStringLiteral("name")) == name)
            return group;
    return nullptr;
}

TEST_F(VersionTwoConverterTest, ConvertsRecordsAndKeepsTheOldStoreAsBackup) {
    const QDateTime created = QDateTime::fromString(QStringLiteral("2009-01-02T03:04:05"), Qt::ISODate);
    const QVariantList rows{
        QVariantList{QStringLiteral("1"), QStringLiteral("cup"), QStringLiteral("flour")},
        QVariantList{QStringLiteral("For the sauce"), QString(), QString(), QString(), QStringLiteral("YES")},
        QVariantList{QStringLiteral("2"), QString(), QStringLiteral("eggs"), QStringLiteral("beaten"),
                     QStringLiteral("NO")},
    };
    writeVersionTwoStore([&](ObjectContext* context) {
        insert(context, QStringLiteral("Recipes"),
               {{QStringLiteral("uniqueID"), QStringLiteral("2009-01-02-03-04-05-006-42")},
                {QStringLiteral("name"), QStringLiteral("Pie")},
                {QStringLiteral("dateCreated"), created},
                {QStringLiteral("rating"), 4},
                {QStringLiteral("hasBeenPrepared"), true},
                {QStringLiteral("keywords"), QStringLiteral("Dinner,Meat")},
                {QStringLiteral("directions"),
                 QStringLiteral(
                     "FirstImage a SecondImage b ThirdImage c FourthImage d FifthImage e FirstImage")},
                {QStringLiteral("subscribedPlatefeedID"), QStringLiteral("feed-key")},
                {QStringLiteral("uniquePlatefeedID"), QStringLiteral("published-7")},
                {QStringLiteral("ingredientsArray"), structuredTextFromValue(rows)}});
        // Four levels: Dinner > Meat > Beef > Steak, and a second top-level group.
        ManagedObject* dinner = insert(context, QStringLiteral("Groups"),
                                       {{QStringLiteral("name"), QStringLiteral("Dinner")},
                                        {QStringLiteral("platefeedID"), QStringLiteral("group-key")}});
        ManagedObject* lunch =
            insert(context, QStringLiteral("Groups"), {{QStringLiteral("name"), QStringLiteral("Lunch")}});
        ManagedObject* parent = dinner;
        for (const char* name : {"Meat", "Beef", "Steak"}) {
            ManagedObject* child =
                insert(context, QStringLiteral("Groups"), {{QStringLiteral("name"), QLatin1String(name)}});
            parent->addRelatedObject(child, QStringLiteral("children"));
            parent = child;
        }
        // Positions last: every insert of a group renumbers the top level.
        dinner->setValueForKey(30, QStringLiteral("position"));
        lunch->setValueForKey(10, QStringLiteral("position"));
        insert(context, QStringLiteral("WeeklyPlannerDateObjects"),
               {{QStringLiteral("dateString"), QStringLiteral("Jan  2 09")},
                {QStringLiteral("date"), created},
                {QStringLiteral("note"), QStringLiteral("party")},
                {QStringLiteral("recipeArray"), QStringLiteral("((Pie, \"2009-01-02-03-04-05-006-42\"))")}});
    });
    const QByteArray oldStoreBytes = folderContents().value(kStore);
    // Left over from an interrupted attempt.
    QFile leftover(file(kNewStore));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a store");
    leftover.close();

    QString error;
    ASSERT_EQ(
        VersionTwoDatabaseConverter(m_library, &m_alerts).convertFromVersion(QStringLiteral("2.0"), &error),
        VersionTwoDatabaseConverter::Result::Converted)
        << error.toStdString();

    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked[0].messageText,
              QStringLiteral("Larkspoon! needs to upgrade your library file in order to open it."));
    EXPECT_EQ(
        m_alerts.asked[0].informativeText,
        QStringLiteral("Once upgraded your library will require version 2.3 or greater of Larkspoon!."));
    EXPECT_EQ(m_alerts.asked[0].buttonTitles,
              (QStringList{QStringLiteral("Upgrade"), QStringLiteral("Quit")}));

    // The old store moved whole to the backup name; nothing else is left beside the store.
    const QMap<QString, QByteArray> files = folderContents();
    EXPECT_EQ(files.keys(), (QStringList{kBackup, kStore}));
    EXPECT_EQ(files.value(kBackup), oldStoreBytes);
    EXPECT_EQ(ObjectContext::metadataForStoreAtPath(file(kStore))->value(QStringLiteral("modelVersion")),
              QVariant(QStringLiteral("2.3")));

    std::unique_ptr<ObjectContext> context = openLibraryStore(m_library, false, &error);
    ASSERT_TRUE(context) << error.toStdString();

    const QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    ASSERT_EQ(recipes.size(), 1);
    ManagedObject* pie = recipes[0];
    EXPECT_EQ(pie->stringValue(QStringLiteral("uniqueID")), QStringLiteral("2009-01-02-03-04-05-006-42"));
    EXPECT_EQ(pie->valueForKey(QStringLiteral("dateCreated")).toDateTime(), created);
    EXPECT_EQ(pie->valueForKey(QStringLiteral("rating")).toInt(), 4);
    EXPECT_EQ(pie->valueForKey(QStringLiteral("hasBeenPrepared")).toInt(), 1);
    EXPECT_EQ(pie->stringValue(QStringLiteral("keywords")), QStringLiteral("Dinner,Meat"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("directions")),
              QStringLiteral("[1] a [2] b [3] c [4] d [5] e [1]"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("platefeedPredicateKey")), QStringLiteral("feed-key"));
    EXPECT_EQ(pie->stringValue(QStringLiteral("publishedPlatefeedID")), QStringLiteral("published-7"));

    QVariantList ingredients =
        valueFromStructuredText(pie->stringValue(QStringLiteral("ingredientsArray"))).toList();
    ASSERT_EQ(ingredients.size(), 3);
    for (QVariant& row : ingredients) {
        QVariantMap record = row.toMap();
        const int random = record.take(QStringLiteral("randomNumber")).toString().toInt();
        EXPECT_TRUE(random >= 0 && random < 999) << random;
        row = record;
    }
    EXPECT_EQ(ingredients[0], (QVariantMap{{QStringLiteral("quantity"), QStringLiteral("1")},
                                           {QStringLiteral("measurement"), QStringLiteral("cup")},
                                           {QStringLiteral("name"), QStringLiteral("flour")}}));
    EXPECT_EQ(ingredients[1], (QVariantMap{{QStringLiteral("name"), QStringLiteral("For the sauce")},
                                           {QStringLiteral("isGroupTitle"), QStringLiteral("1")}}));
    EXPECT_EQ(ingredients[2], (QVariantMap{{QStringLiteral("quantity"), QStringLiteral("2")},
                                           {QStringLiteral("name"), QStringLiteral("eggs")},
                                           {QStringLiteral("method"), QStringLiteral("beaten")}}));

    const QList<ManagedObject*> groups = context->executeFetchRequest(FetchRequest(QStringLiteral("Groups")));
    EXPECT_EQ(groups.size(), 5); // Dinner, Lunch, Meat, Beef and the grocery list
    ManagedObject* dinner = groupNamed(groups, QStringLiteral("Dinner"));
    ManagedObject* meat = groupNamed(groups, QStringLiteral("Meat"));
    ManagedObject* beef = groupNamed(groups, QStringLiteral("Beef"));
    ASSERT_TRUE(dinner && meat && beef);
    EXPECT_EQ(groupNamed(groups, QStringLiteral("Steak")), nullptr);
    EXPECT_EQ(dinner->relatedObject(QStringLiteral("parent")), nullptr);
    EXPECT_EQ(meat->relatedObject(QStringLiteral("parent")), dinner);
    EXPECT_EQ(beef->relatedObject(QStringLiteral("parent")), meat);
    EXPECT_EQ(dinner->relatedObjects(QStringLiteral("children")), QList<ManagedObject*>{meat});
    EXPECT_TRUE(beef->relatedObjects(QStringLiteral("children")).isEmpty());
    EXPECT_EQ(dinner->stringValue(QStringLiteral("platefeedPredicateKey")), QStringLiteral("group-key"));
    EXPECT_EQ(dinner->valueForKey(QStringLiteral("position")).toInt(), 30);
    EXPECT_EQ(groupNamed(groups, QStringLiteral("Lunch"))->valueForKey(QStringLiteral("position")).toInt(),
              10);
    ManagedObject* groceries = groupNamed(groups, QStringLiteral("Groceries"));
    ASSERT_NE(groceries, nullptr);
    EXPECT_EQ(groceries->valueForKey(QStringLiteral("isGroceryList")).toInt(), 1);

    const QList<ManagedObject*> days =
        context->executeFetchRequest(FetchRequest(QStringLiteral("WeeklyPlannerDateObjects")));
    ASSERT_EQ(days.size(), 1);
    EXPECT_EQ(days[0]->stringValue(QStringLiteral("dateString")), QStringLiteral("Jan  2 09"));
    EXPECT_EQ(days[0]->valueForKey(QStringLiteral("date")).toDateTime(), created);
    EXPECT_EQ(days[0]->stringValue(QStringLiteral("note")), QStringLiteral("party"));
    EXPECT_EQ(days[0]->stringValue(QStringLiteral("recipeArray")),
              QStringLiteral("((Pie, \"2009-01-02-03-04-05-006-42\"))"));

    // Cut off between the two renames: the next start finishes them.
    context.reset();
    ASSERT_TRUE(QFile::rename(file(kStore), file(QStringLiteral("Library Database New.SQL"))));
    EXPECT_TRUE(VersionTwoDatabaseConverter::finishInterruptedConversion(m_library));
    EXPECT_EQ(folderContents().keys(), (QStringList{kBackup, kStore}));
    EXPECT_FALSE(VersionTwoDatabaseConverter::finishInterruptedConversion(m_library));
}

TEST_F(VersionTwoConverterTest, QuitLeavesEveryFileAsItWas) {
    writeVersionTwoStore([](ObjectContext* context) {
        insert(context, QStringLiteral("Recipes"), {{QStringLiteral("name"), QStringLiteral("Pie")}});
    });
    QFile leftover(file(kNewStore));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write("half a store");
    leftover.close();
    const QMap<QString, QByteArray> before = folderContents();

    m_alerts.queueButton(1);
    EXPECT_EQ(VersionTwoDatabaseConverter(m_library, &m_alerts).convertFromVersion(QStringLiteral("2.0")),
              VersionTwoDatabaseConverter::Result::Quit);
    EXPECT_EQ(folderContents(), before);
}

// A store that cannot be read (found after the new store was created) and a backup name
// already taken: either way the original stays as it was and no new store is left.
TEST_F(VersionTwoConverterTest, FailureLeavesTheOriginalAndNoNewStore) {
    for (bool corrupt : {true, false}) {
        QDir(m_library).removeRecursively();
        QDir().mkpath(m_library);
        if (corrupt) {
            QFile store(file(kStore));
            ASSERT_TRUE(store.open(QIODevice::WriteOnly));
            store.write(QByteArray("SQLite format 3\0", 16) + QByteArray(4000, 'x'));
            store.close();
        } else {
            writeVersionTwoStore([](ObjectContext* context) {
                insert(context, QStringLiteral("Recipes"), {{QStringLiteral("name"), QStringLiteral("Pie")}});
            });
            QFile backup(file(kBackup));
            ASSERT_TRUE(backup.open(QIODevice::WriteOnly));
            backup.write("someone else's file");
            backup.close();
        }
        const QMap<QString, QByteArray> before = folderContents();

        QString error;
        EXPECT_EQ(VersionTwoDatabaseConverter(m_library, &m_alerts)
                      .convertFromVersion(QStringLiteral("2.0"), &error),
                  VersionTwoDatabaseConverter::Result::Failed)
            << corrupt;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(folderContents(), before) << corrupt;
    }
}

} // namespace

// The reader of first-generation library files on a file written by another property-list
// writer (shared strings and classes, wrapped texts and dates, a dictionary at the root),
// so the reader does not merely mirror the test generator.
#include "common/TestSupport.h"
#include "library/VersionOneStore.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

namespace {

TEST(VersionOneStore, ReadsALibraryOfAnotherWriter) {
    QFile file(testsupport::testDataPath(QStringLiteral("library/other-writer.database")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const versionone::ReadResult read = versionone::readStore(file.readAll());
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    const versionone::Store& store = read.store;
    ASSERT_EQ(store.recipes.size(), 1);
    EXPECT_TRUE(store.unreadable.isEmpty());
    const versionone::Recipe& bread = store.recipes.first();
    EXPECT_EQ(bread.values.value(QStringLiteral("name")), QStringLiteral("Bread"));
    EXPECT_EQ(bread.values.value(QStringLiteral("ethnicity")), QStringLiteral("French"));
    EXPECT_EQ(bread.values.value(QStringLiteral("rating")), qint64(4));
    EXPECT_EQ(bread.values.value(QStringLiteral("hasBeenPrepared")), true);
    // NS.time 130000000 s after 2001-01-01 UTC.
    EXPECT_EQ(bread.values.value(QStringLiteral("dateCreated")).toDateTime(),
              QDateTime(QDate(2005, 2, 13), QTime(15, 6, 40), Qt::UTC));
    ASSERT_EQ(bread.ingredients.size(), 2);
    EXPECT_TRUE(bread.ingredients[0].isTitleItem);
    EXPECT_EQ(bread.ingredients[0].values.value(QStringLiteral("quantity")), QStringLiteral("Dough"));
    EXPECT_EQ(bread.ingredients[1].values.value(QStringLiteral("name")), QStringLiteral("flour"));

    ASSERT_EQ(store.sources.size(), 2);
    const versionone::Source& top = store.sources[0];
    EXPECT_EQ(top.name, QStringLiteral("Soup, Stew, etc."));
    EXPECT_EQ(top.priorityValue, 99);
    EXPECT_EQ(top.parent, -1);
    EXPECT_EQ(top.recipes, QList<int>{0});
    ASSERT_EQ(top.children, QList<int>{1});
    EXPECT_EQ(store.sources[1].name, QStringLiteral("Fish, Shellfish"));
    EXPECT_EQ(store.sources[1].parent, 0);
}

} // namespace

// A recipe record's identity, keywords and image files in a real library folder.
#include "library/IngredientRecords.h"
#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class RecipeRecordTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_library = m_dir.filePath(QStringLiteral("Test.library"));
    std::unique_ptr<ObjectContext> m_context;

    void SetUp() override {
        QString error;
        m_context = openLibraryStore(m_library, true, &error);
        ASSERT_TRUE(m_context) << error.toStdString();
    }
    RecipesManagedObject* newRecipe() {
        return dynamic_cast<RecipesManagedObject*>(m_context->insertNewObject(QStringLiteral("Recipes")));
    }
};

TEST_F(RecipeRecordTest, InsertGivesIdentityAndDates) {
    RecipesManagedObject* recipe = newRecipe();
    ASSERT_NE(recipe, nullptr);
    const QString id = recipe->stringValue(QStringLiteral("uniqueID"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d{3}-\\d{1,7}$"))
            .match(id)
            .hasMatch())
        << id.toStdString();
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("dateCreated")),
              recipe->valueForKey(QStringLiteral("dateUpdated")));
    const QDateTime instant =
        QDateTime::fromString(QStringLiteral("2026-01-02T03:04:05.006"), Qt::ISODateWithMs);
    EXPECT_EQ(RecipesManagedObject::makeUniqueID(instant, 9999999u + 42u),
              QStringLiteral("2026-01-02-03-04-05-006-42"));
    EXPECT_NE(newRecipe()->stringValue(QStringLiteral("uniqueID")), id);
}

// Pictures are named by identity: a new identity is never one the library or the current
// run already holds, even in the same millisecond with the same random draw.
TEST_F(RecipeRecordTest, ANewIdentityIsNeverOneAlreadyTaken) {
    const QDateTime instant =
        QDateTime::fromString(QStringLiteral("2026-01-02T03:04:05.006"), Qt::ISODateWithMs);
    QList<quint32> draws{7, 7, 8, 7, 9};
    const auto next = [&draws] { return draws.takeFirst(); };
    const QSet<QString> taken{RecipesManagedObject::makeUniqueID(instant, 7),
                              RecipesManagedObject::makeUniqueID(instant, 8)};
    EXPECT_EQ(RecipesManagedObject::makeUniqueID(instant, taken, next),
              QStringLiteral("2026-01-02-03-04-05-006-9"));
    EXPECT_TRUE(draws.isEmpty());

    // The identities of the store, as another run left them, count as taken; and a
    // thousand recipes made at once all differ.
    RecipesManagedObject* saved = newRecipe();
    ASSERT_TRUE(m_context->save());
    EXPECT_EQ(
        m_context->storedTexts(QStringLiteral("Recipes"), QStringLiteral("uniqueID")).value_or(QStringList()),
        QStringList{saved->stringValue(QStringLiteral("uniqueID"))});
    QSet<QString> ids{saved->stringValue(QStringLiteral("uniqueID"))};
    for (int i = 0; i < 1000; ++i)
        ids.insert(newRecipe()->stringValue(QStringLiteral("uniqueID")));
    EXPECT_EQ(ids.size(), 1001);
}

TEST_F(RecipeRecordTest, KeywordsArrayLowerCasesAndSplitsWithoutTrimming) {
    RecipesManagedObject* recipe = newRecipe();
    const struct {
        QVariant keywords;
        QStringList expected;
    } cases[] = {
        {QVariant(), {}},
        {QStringLiteral(""), {QString()}},
        {QStringLiteral("Soup,Dinner"), {QStringLiteral("soup"), QStringLiteral("dinner")}},
        {QStringLiteral("soup, dinner"), {QStringLiteral("soup"), QStringLiteral(" dinner")}},
        {QStringLiteral("soup,Soup"), {QStringLiteral("soup"), QStringLiteral("soup")}},
    };
    for (const auto& c : cases) {
        recipe->setValueForKey(c.keywords, QStringLiteral("keywords"));
        EXPECT_EQ(recipe->keywordsArray(), c.expected) << c.keywords.toString().toStdString();
        EXPECT_EQ(recipe->valueForKey(QStringLiteral("keywordsArray")).toStringList(), c.expected);
    }
    // A group named dinner does not match the entry with the leading space.
    recipe->setValueForKey(QStringLiteral("soup, dinner"), QStringLiteral("keywords"));
    const PredicateParseResult dinner =
        Predicate::parse(QStringLiteral("%@ IN[c] keywordsArray"), {QStringLiteral("dinner")});
    ASSERT_TRUE(dinner.ok());
    EXPECT_FALSE(dinner.predicate->evaluate(*recipe));
}

TEST_F(RecipeRecordTest, ImagesAreFilesNamedAfterTheIdentity) {
    RecipesManagedObject* recipe = newRecipe();
    const QString id = recipe->stringValue(QStringLiteral("uniqueID"));
    EXPECT_EQ(recipe->imagePathAtIndex(2),
              m_library + QStringLiteral("/Images/") + id + QStringLiteral("-Image2.jpg"));
    QDir().mkpath(m_library + QStringLiteral("/Images"));
    QFile second(recipe->imagePathAtIndex(2));
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    second.close();
    EXPECT_TRUE(recipe->hasImageAtIndex(2));
    EXPECT_FALSE(recipe->hasFirstImage());
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("hasFirstImage")), QVariant(false));

    // An identity from someone else's file never becomes a path outside the library.
    for (const QString& unsafe :
         {QStringLiteral("../../etc/x"), QStringLiteral(".."), QString(), QStringLiteral("a\nb")}) {
        recipe->setValueForKey(unsafe, QStringLiteral("uniqueID"));
        EXPECT_TRUE(recipe->imagePathAtIndex(1).isEmpty()) << unsafe.toStdString();
        EXPECT_FALSE(recipe->hasFirstImage());
    }
}

TEST_F(RecipeRecordTest, AddAndRemoveKeywordCompareCaseSensitively) {
    RecipesManagedObject* recipe = newRecipe();
    recipe->setValueForKey(QStringLiteral("soup,,Dinner"), QStringLiteral("keywords"));
    recipe->addKeyword(QStringLiteral("soup")); // already there: nothing, not even tidying
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("soup,,Dinner"));
    recipe->addKeyword(QStringLiteral("Soup")); // the duplicate test is case-sensitive
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("soup,Dinner,Soup"));
    recipe->addKeyword(QStringLiteral("My Recipes")); // never a keyword
    recipe->addKeyword(QString());
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("soup,Dinner,Soup"));
    recipe->removeKeyword(QStringLiteral("soup"));
    EXPECT_EQ(recipe->stringValue(QStringLiteral("keywords")), QStringLiteral("Dinner,Soup"));

    RecipesManagedObject* fresh = newRecipe();
    fresh->addKeyword(QStringLiteral("Pies"));
    EXPECT_EQ(fresh->stringValue(QStringLiteral("keywords")), QStringLiteral("Pies"));
}

TEST_F(RecipeRecordTest, SavedImagesReplaceAtomicallyAndDeleteQuietly) {
    RecipesManagedObject* recipe = newRecipe();
    QString error;
    ASSERT_TRUE(recipe->saveImage(QByteArray("first"), 3, &error)) << error.toStdString();
    ASSERT_TRUE(recipe->saveImage(QByteArray("second"), 3, &error));
    QFile file(recipe->imagePathAtIndex(3));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("second"));
    EXPECT_EQ(QDir(m_library + QStringLiteral("/Images")).entryList(QDir::Files).size(),
              1); // no temporary left

    recipe->deleteImageAtIndex(3);
    recipe->deleteImageAtIndex(3); // already gone: no error
    EXPECT_FALSE(recipe->hasImageAtIndex(3));
    EXPECT_FALSE(recipe->saveImage(QByteArray("x"), 13, &error));
    recipe->setValueForKey(QStringLiteral("../escape"), QStringLiteral("uniqueID"));
    EXPECT_FALSE(recipe->saveImage(QByteArray("x"), 1, &error));
    EXPECT_FALSE(QFileInfo::exists(m_library + QStringLiteral("/escape-Image1.jpg")));
}

TEST_F(RecipeRecordTest, IngredientRowsRoundTripAsText) {
    RecipesManagedObject* recipe = newRecipe();
    EXPECT_TRUE(IngredientRecords::ingredientsOfRecipe(recipe).isEmpty());
    QVariantMap title = IngredientRecords::newIngredientRecord();
    title.insert(QStringLiteral("name"), QStringLiteral("For the sauce"));
    title.insert(QStringLiteral("isGroupTitle"), true);
    QVariantMap row = IngredientRecords::newIngredientRecord();
    row.insert(QStringLiteral("quantity"), QStringLiteral("1 1/2"));
    row.insert(QStringLiteral("name"), QStringLiteral("flour, \"sifted\""));
    IngredientRecords::setIngredientsOfRecipe(recipe, {title, row});

    const QVariantList back = IngredientRecords::ingredientsOfRecipe(recipe);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back.at(0).toMap().value(QStringLiteral("isGroupTitle")), QVariant(QStringLiteral("1")));
    EXPECT_TRUE(IngredientRecords::isGroupTitle(back.at(0)));
    EXPECT_FALSE(IngredientRecords::isGroupTitle(back.at(1)));
    EXPECT_EQ(back.at(1).toMap().value(QStringLiteral("randomNumber")).typeId(), QMetaType::QString);
    EXPECT_LT(back.at(1).toMap().value(QStringLiteral("randomNumber")).toInt(), 999);
    EXPECT_EQ(IngredientRecords::textForKey(back.at(1), QStringLiteral("name")),
              QStringLiteral("flour, \"sifted\""));
    EXPECT_EQ(IngredientRecords::textForKey(back.at(1), QStringLiteral("method")), QString());
}

} // namespace

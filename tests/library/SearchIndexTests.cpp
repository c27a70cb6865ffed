// The index of searched texts: the recipe list finds through it exactly the recipes the
// search condition selects, after the background build and after records change.
#include "common/LibraryRecords.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/SearchBoxMenu.h"
#include "platform/ObjectContext.h"
#include "platform/TextFolding.h"
#include "platform/TextSearchIndex.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <future>

namespace {

class SearchIndexTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    std::unique_ptr<ObjectContext> m_context;
    std::unique_ptr<RecipesArrayController> m_list;

    void SetUp() override {
        QString error;
        m_context = openLibraryStore(m_dir.filePath(QStringLiteral("Index.library")), true, &error);
        ASSERT_TRUE(m_context) << error.toStdString();
        insertRecipes();
        m_list = std::make_unique<RecipesArrayController>(m_context.get());
        QSignalSpy ready(m_list->searchIndex(), &TextSearchIndex::indexReady);
        m_list->setFilterPredicate({}); // reads the records and starts the build
        ASSERT_TRUE(ready.wait(10000));
    }

    virtual void insertRecipes() {
        const QStringList names{QStringLiteral("Crème Brûlée"),
                                QStringLiteral("CHICKEN soup"),
                                QStringLiteral("Chickpea Curry"),
                                QStringLiteral("Straße Stew"),
                                QStringLiteral("Σούπα Αυγολέμονο"),
                                QStringLiteral("ſoup of the day"),
                                QStringLiteral("Pâté"),
                                QStringLiteral("Plain"),
                                QStringLiteral("\u00BD \u201CHen\u201D Pie \u2014 Tea at 90 \u00B0C"),
                                QStringLiteral("Ohm \u2126")};
        // Short notes: one or two units, and texts beyond ASCII whose folding differs.
        const QStringList notes{QString(),
                                QString(),
                                QString(),
                                QStringLiteral("Ab"),
                                QStringLiteral("ΣΟΎΠΑ"),
                                QStringLiteral("Q"),
                                QStringLiteral("5 \u00B5g SALT"),
                                QString(),
                                QStringLiteral("\u00B0"),
                                QStringLiteral("CH")};
        int n = 0;
        for (const QString& name : names) {
            testsupport::insertRecipe(
                m_context.get(), name,
                {{QStringLiteral("directions"),
                  n < 8 ? QStringLiteral("Stir the CRÈME, then the chicken. Step %1").arg(n)
                        : QStringLiteral("Bake at 180 \u00B0C \u2013 \u201CCHICKEN\u201D \u00BD cup. Step %1")
                              .arg(n)},
                 {QStringLiteral("keywords"),
                  n % 2 ? QStringLiteral("dinner,Quick") : QStringLiteral("soupe")},
                 {QStringLiteral("cuisine"), n % 3 ? QStringLiteral("Français") : QStringLiteral("Greek")},
                 {QStringLiteral("notes"), notes.value(n)}});
            ++n;
        }
    }

    // What the scope's condition selects, worked out from the texts alone.
    QStringList expected(int scope, const QString& text) {
        const QString needle = foldedText(text, false);
        QStringList names;
        for (ManagedObject* recipe : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))))
            for (const QString& key : SearchBoxMenu::searchedKeys(scope))
                if (!needle.isEmpty() && foldedText(recipe->stringValue(key), false).contains(needle)) {
                    names.append(recipe->stringValue(QStringLiteral("name")));
                    break;
                }
        names.sort();
        return names;
    }

    QStringList listed(int scope, const QString& text) {
        m_list->setSearchPredicate(SearchBoxMenu::searchCondition(scope, text));
        QStringList names;
        for (ManagedObject* recipe : m_list->arrangedObjects())
            names.append(recipe->stringValue(QStringLiteral("name")));
        names.sort();
        return names;
    }

    void expectEveryScopeAgrees(const char* when, const QStringList& queries = standardQueries()) {
        for (int scope = 0; scope < SearchBoxMenu::ScopeCount; ++scope)
            for (const QString& query : queries)
                EXPECT_EQ(listed(scope, query), expected(scope, query))
                    << when << ": " << SearchBoxMenu::untranslatedMenuText(scope).toStdString() << " / "
                    << query.toStdString();
    }

    static QStringList standardQueries() {
        return {QStringLiteral("c"),      QStringLiteral("ch"),     QStringLiteral("chi"),
                QStringLiteral("CHICK"),  QStringLiteral("crème"),  QStringLiteral("CREME"),
                QStringLiteral("rème"),   QStringLiteral("straße"), QStringLiteral("σούπα"),
                QStringLiteral("ΣΟΎ"),    QStringLiteral("soup"),   QStringLiteral("pâté"),
                QStringLiteral("pate"),   QStringLiteral("quick"),  QStringLiteral("FRANÇ"),
                QStringLiteral("step 3"), QStringLiteral("zzz"),    QStringLiteral("é"),
                QStringLiteral("°c"),     QStringLiteral("°"),      QStringLiteral("½"),
                QStringLiteral("“hen"),   QStringLiteral("” "),     QStringLiteral("µg"),
                QStringLiteral("μg"),     QStringLiteral("ω"),      QStringLiteral("ohm"),
                QStringLiteral("ab"),     QStringLiteral("q"),      QStringLiteral("b"),
                QStringLiteral("H"),      QStringLiteral("90 °"),   QStringLiteral("– “c"),
                QStringLiteral("t s"),    QStringLiteral("ΣΟ"),     QStringLiteral("ύ")};
    }

    ManagedObject* named(const QString& name) {
        for (ManagedObject* recipe : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))))
            if (recipe->stringValue(QStringLiteral("name")) == name)
                return recipe;
        return nullptr;
    }
};

TEST_F(SearchIndexTest, FindsWhatTheConditionSelectsInEveryScope) {
    EXPECT_EQ(m_list->searchIndex()->statistics().records, 10);
    expectEveryScopeAgrees("after the build");
    // The long s folds to s: found only through the folded copy.
    EXPECT_EQ(listed(SearchBoxMenu::Name, QStringLiteral("soup")),
              (QStringList{QStringLiteral("CHICKEN soup"), QStringLiteral("ſoup of the day")}));
}

TEST_F(SearchIndexTest, StaysRightAfterEditsInsertsDeletesAndUndo) {
    named(QStringLiteral("Plain"))->setValueForKey(QStringLiteral("Chicken Pâté"), QStringLiteral("name"));
    named(QStringLiteral("CHICKEN soup"))
        ->setValueForKey(QStringLiteral("Lentil soup"), QStringLiteral("name"));
    named(QStringLiteral("Crème Brûlée"))->setValueForKey(QVariant(), QStringLiteral("directions"));
    testsupport::insertRecipe(m_context.get(), QStringLiteral("New Chickpea Crème"));
    m_context->deleteObject(named(QStringLiteral("Chickpea Curry")));
    expectEveryScopeAgrees("after the changes");
    expectEveryScopeAgrees("after indexing the changes again");
    m_context->processPendingChanges();
    m_context->undoManager()->undo();
    expectEveryScopeAgrees("after undo");
    QString error;
    ASSERT_TRUE(m_context->save(&error)) << error.toStdString();
    expectEveryScopeAgrees("after the save");
}

TEST_F(SearchIndexTest, ABuildDropsWhatChangedWhileItRan) {
    TextSearchIndex index(m_context.get(), QStringLiteral("Recipes"), {QStringLiteral("name")});
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    index.setWorkerStartHookForTesting([released] { released.wait(); });
    QSignalSpy ready(&index, &TextSearchIndex::indexReady);
    index.buildInBackground();
    ManagedObject* changed = named(QStringLiteral("Pâté"));
    changed->setValueForKey(QStringLiteral("Chicken Liver"), QStringLiteral("name"));
    release.set_value();
    ASSERT_TRUE(ready.wait(10000));
    const QList<ManagedObject*> all = m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    const QList<ManagedObject*> found =
        index.filter(all, *SearchBoxMenu::searchCondition(SearchBoxMenu::Name, QStringLiteral("chicken")));
    QStringList names;
    for (ManagedObject* recipe : found)
        names.append(recipe->stringValue(QStringLiteral("name")));
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("CHICKEN soup"), QStringLiteral("Chicken Liver")}));
    // The folded text handed over belongs to the value of the time: the old name's is dropped.
    EXPECT_EQ(*changed->foldedTextForKey(QStringLiteral("name"), false), QStringLiteral("chicken liver"));
}

TEST_F(SearchIndexTest, ARecordChangedWhileTheBuildIsHandedOverIsFoundByItsNewText) {
    // The records get their texts a few per turn; between two turns a record already served
    // and one not yet served change. Each record keeps the folded text of its own value, and
    // the index in use finds the changed records by their new names only.
    TextSearchIndex index(m_context.get(), QStringLiteral("Recipes"),
                          {QStringLiteral("name"), QStringLiteral("notes")});
    const QList<ManagedObject*> all = m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    int slices = 0;
    index.setAdoptionSlicesForTesting(3, [&] {
        if (++slices != 1)
            return;
        all.constFirst()->setValueForKey(QStringLiteral("Chicken Liver"), QStringLiteral("name"));
        all.constLast()->setValueForKey(QStringLiteral("Chicken \u00C9t\u00E9"), QStringLiteral("name"));
    });
    QSignalSpy ready(&index, &TextSearchIndex::indexReady);
    index.buildInBackground();
    ASSERT_TRUE(ready.wait(10000));
    EXPECT_EQ(slices, 3) << "10 records, 3 a turn";

    for (const ManagedObject* recipe : all)
        for (const QString& key : {QStringLiteral("name"), QStringLiteral("notes")}) {
            const QString value = recipe->stringValue(key);
            if (value.isEmpty())
                continue;
            const QString* folded = recipe->foldedTextForKey(key, false);
            ASSERT_NE(folded, nullptr) << value.toStdString();
            EXPECT_EQ(*folded, foldedText(value, false)) << value.toStdString();
        }
    auto found = [&](const char* text) {
        QStringList names;
        for (ManagedObject* recipe :
             index.filter(all, *SearchBoxMenu::searchCondition(SearchBoxMenu::Name, QString::fromUtf8(text))))
            names.append(recipe->stringValue(QStringLiteral("name")));
        names.sort();
        return names;
    };
    EXPECT_EQ(found("chicken"), (QStringList{QStringLiteral("CHICKEN soup"), QStringLiteral("Chicken Liver"),
                                             QStringLiteral("Chicken \u00C9t\u00E9")}));
    EXPECT_EQ(found("brûlée"), QStringList());
    EXPECT_EQ(found("ohm"), QStringList());
    EXPECT_EQ(found("soup"),
              (QStringList{QStringLiteral("CHICKEN soup"), QStringLiteral("ſoup of the day")}));
}

// A larger library whose records come in stretches alike and unlike: a text common to many
// records in a row, texts in several fields at once (in any pair of them, up to the last),
// gaps, and texts beyond ASCII.
class SearchIndexCorpusTest : public SearchIndexTest {
protected:
    static constexpr int kRecipes = 1300;

    void insertRecipes() override {
        static const QStringList words{QStringLiteral("Chicken"), QStringLiteral("chickpea"),
                                       QStringLiteral("SOUP"),    QStringLiteral("Crème"),
                                       QStringLiteral("Straße"),  QStringLiteral("ΣΟΎΠΑ"),
                                       QStringLiteral("tea"),     QStringLiteral("90 \u00B0C"),
                                       QStringLiteral("½ cup"),   QStringLiteral("bake")};
        const QStringList keys = SearchBoxMenu::searchedKeys(SearchBoxMenu::EntireRecipe);
        QRandomGenerator random(20240611);
        QVariantMap stretch; // the texts of the current stretch of records
        for (int n = 0; n < kRecipes; ++n) {
            if (n % 97 == 0 || random.bounded(40) == 0) {
                stretch.clear();
                for (const QString& key : keys) {
                    if (key == QLatin1String("name") || key == QLatin1String("directions") ||
                        random.bounded(3) == 0)
                        continue;
                    QStringList text;
                    for (int w = 1 + random.bounded(3); w > 0; --w)
                        text.append(words.at(random.bounded(int(words.size()))));
                    stretch.insert(key, text.join(QLatin1Char(' ')));
                }
            }
            QVariantMap values = stretch;
            // Every record's directions start alike; now and then a record differs from its stretch.
            values.insert(QStringLiteral("directions"),
                          QStringLiteral("Step %1: %2").arg(n).arg(n % 5 ? QString() : words.at(n % 10)));
            if (random.bounded(8) == 0)
                values.insert(keys.at(1 + random.bounded(int(keys.size()) - 1)),
                              words.at(random.bounded(int(words.size()))));
            testsupport::insertRecipe(m_context.get(), QStringLiteral("Recipe %1").arg(n), values);
        }
    }

    static QStringList corpusQueries() {
        return {QStringLiteral("step"),  QStringLiteral("step 1"),  QStringLiteral("tep 12"),
                QStringLiteral("chick"), QStringLiteral("chicken"), QStringLiteral("soup"),
                QStringLiteral("crème"), QStringLiteral("straße"),  QStringLiteral("σούπα"),
                QStringLiteral("°c"),    QStringLiteral("½ c"),     QStringLiteral("tea"),
                QStringLiteral("a"),     QStringLiteral("ea"),      QStringLiteral("p c"),
                QStringLiteral("zzz")};
    }
};

TEST_F(SearchIndexCorpusTest, FindsWhatTheConditionSelectsBeforeAndAfterChanges) {
    EXPECT_EQ(m_list->searchIndex()->statistics().records, kRecipes);
    expectEveryScopeAgrees("after the build", corpusQueries());
    // Records in the middle of long stretches change, and are indexed again after the others.
    for (int n : {5, 400, 401, 777, 1299}) {
        ManagedObject* recipe = named(QStringLiteral("Recipe %1").arg(n));
        ASSERT_TRUE(recipe);
        recipe->setValueForKey(QStringLiteral("Chicken tea"), QStringLiteral("notes"));
    }
    expectEveryScopeAgrees("after the changes", corpusQueries());
    expectEveryScopeAgrees("after indexing the changes again", corpusQueries());
}

} // namespace

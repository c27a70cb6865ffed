// Group records: which recipes each kind of group shows, grocery lists, the permanent
// groups, and the order of new groups.
#include "common/LibraryRecords.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"
#include "library/SmartGroupTranslation.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class GroupRecordTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    std::unique_ptr<ObjectContext> m_context;

    void SetUp() override {
        QString error;
        m_context = openLibraryStore(m_dir.filePath(QStringLiteral("Groups.library")), true, &error);
        ASSERT_TRUE(m_context) << error.toStdString();
    }
    GroupsManagedObject* group(const QString& name, const QVariantMap& values = {}) {
        return testsupport::insertGroup(m_context.get(), name, values);
    }
    RecipesManagedObject* recipe(const QString& name, const QVariantMap& values = {}) {
        return testsupport::insertRecipe(m_context.get(), name, values);
    }
    // Names of the recipes the filter shows, sorted.
    QStringList shown(const PredicatePtr& filter) {
        return testsupport::recipeNamesMatching(m_context.get(), filter);
    }
};

TEST_F(GroupRecordTest, EachKindOfGroupShowsItsRecipes) {
    RecipesManagedObject* soup =
        recipe(QStringLiteral("Soup"),
               {{QStringLiteral("keywords"), QStringLiteral("Dinner,Soups")}, {QStringLiteral("rating"), 4}});
    recipe(QStringLiteral("Toast"), {{QStringLiteral("keywords"), QStringLiteral("breakfast, dinner")}});
    recipe(QStringLiteral("Fed"), {{QStringLiteral("keywords"), QStringLiteral("dinner")},
                                   {QStringLiteral("platefeedPredicateKey"), QStringLiteral("FeedKey-1")}});
    recipe(QStringLiteral("Other feed"),
           {{QStringLiteral("platefeedPredicateKey"), QStringLiteral("FeedKey-12")}});

    EXPECT_EQ(
        shown(group(QStringLiteral("My Recipes"), {{QStringLiteral("isLocalLibrary"), 1}})->predicate()),
        (QStringList{QStringLiteral("Soup"), QStringLiteral("Toast")}));
    // Membership ignores case but not the space after a comma; feed recipes are not own, and a
    // feed shows only the recipes of exactly its key.
    EXPECT_EQ(shown(group(QStringLiteral("DINNER"))->predicate()), QStringList{QStringLiteral("Soup")});
    EXPECT_EQ(shown(group(QStringLiteral("Feed"),
                          {{QStringLiteral("isSubscribedPlatefeed"), 1},
                           {QStringLiteral("platefeedPredicateKey"), QStringLiteral("FeedKey-1")}})
                        ->predicate()),
              QStringList{QStringLiteral("Fed")});

    GroupsManagedObject* list = group(QStringLiteral("Groceries"), {{QStringLiteral("isGroceryList"), 1}});
    list->groceryListAddRecipe(soup);
    EXPECT_EQ(shown(list->predicate()), QStringList{QStringLiteral("Soup")});

    GroupsManagedObject* smart =
        group(QStringLiteral("Good"), {{QStringLiteral("isSmartGroup"), 1},
                                       {QStringLiteral("predicates"), QStringLiteral("\"Rating\" > \"3\"")}});
    EXPECT_EQ(shown(smart->predicate()), QStringList{QStringLiteral("Soup")});

    // A parent shows the recipes of its subgroups too.
    GroupsManagedObject* meals = group(QStringLiteral("Meals"));
    GroupsManagedObject* breakfast = group(QStringLiteral("Breakfast"));
    breakfast->setRelatedObject(meals, QStringLiteral("parent"));
    EXPECT_EQ(shown(meals->filterPredicate()), QStringList{QStringLiteral("Toast")});
}

TEST_F(GroupRecordTest, SmartRulesTranslateWithTheirPrecedenceKept) {
    recipe(QStringLiteral("Never made"), {{QStringLiteral("rating"), 5}});
    recipe(QStringLiteral("Made"), {{QStringLiteral("rating"), 5}, {QStringLiteral("hasBeenPrepared"), 1}});
    recipe(QStringLiteral("Unmade and poor"),
           {{QStringLiteral("rating"), 1}, {QStringLiteral("hasBeenPrepared"), 0}});
    // Not prepared AND highly rated: the "not prepared" alternatives stay together.
    const PredicatePtr filter = recipeFilterFromSmartGroupRules(
        QStringLiteral("\"Has Been Prepared\" == \"No\" AND \"Rating\" > \"4\""), {});
    EXPECT_EQ(shown(filter), QStringList{QStringLiteral("Never made")});

    EXPECT_EQ(translatedSmartGroupRules(
                  QStringLiteral("\"Ingredients\" !=[c] \"egg\" OR \"Private Notes\" == \"x\""), {}),
              QStringLiteral("NOT ingredientsArray CONTAINS[c] \"egg\" OR privateNotes == \"x\""));

    // Groupless: no group name anywhere in the keywords; a name with a quote still reads.
    recipe(QStringLiteral("Filed"), {{QStringLiteral("keywords"), QStringLiteral("mom's \"best\"")}});
    const PredicatePtr groupless =
        recipeFilterFromSmartGroupRules(QStringLiteral("\"Groupless\" == \"Yes\""),
                                        {QStringLiteral("Mom's \"Best\""), QStringLiteral("Pies")});
    EXPECT_EQ(shown(groupless), (QStringList{QStringLiteral("Made"), QStringLiteral("Never made"),
                                             QStringLiteral("Unmade and poor")}));
    EXPECT_EQ(shown(recipeFilterFromSmartGroupRules(QStringLiteral("\"Rating\" >"), {})),
              QStringList()); // unreadable: nothing
}

TEST_F(GroupRecordTest, GroceryListHoldsAtMostOneHundredRecipes) {
    GroupsManagedObject* list =
        group(QStringLiteral("Groceries"),
              {{QStringLiteral("isGroceryList"), 1},
               {QStringLiteral("groceryListDict"), QStringLiteral("{myItems = (); }")}});
    RecipesManagedObject* first = recipe(QStringLiteral("first"));
    EXPECT_TRUE(list->groceryListAddRecipe(first));
    EXPECT_TRUE(list->groceryListAddRecipe(first)); // appended again
    for (int i = 2; i < GroupsManagedObject::kGroceryListLimit; ++i)
        list->groceryListAddRecipe(recipe(QString::number(i)));
    RecipesManagedObject* extra = recipe(QStringLiteral("extra"));
    EXPECT_FALSE(list->groceryListAddRecipe(extra));
    EXPECT_EQ(list->groceryListRecipeIDs().size(), 100);
    list->groceryListRemoveRecipe(first); // both entries
    EXPECT_EQ(list->groceryListRecipeIDs().size(), 98);
    EXPECT_TRUE(list->groceryListAddRecipe(extra));
    EXPECT_TRUE(list->stringValue(QStringLiteral("groceryListDict"))
                    .contains(QStringLiteral("myItems"))); // other keys kept
}

TEST_F(GroupRecordTest, PermanentGroupsAndOrderOfNewGroups) {
    struct Case {
        const char* flag;
        bool deletable;
        bool acceptsDrop;
    } cases[] = {{"isLocalLibrary", false, true},     {"isLibraryHeader", false, false},
                 {"isGroupHeader", false, false},     {"isGroceryListHeader", false, false},
                 {"isPlatefeedHeader", false, false}, {"isGroceryList", true, true}};
    for (const Case& c : cases) {
        GroupsManagedObject* g = group(QLatin1String(c.flag), {{QLatin1String(c.flag), 1}});
        EXPECT_EQ(g->canBeDeleted(), c.deletable) << c.flag;
        EXPECT_EQ(g->canAcceptDrop(), c.acceptsDrop) << c.flag;
    }
    // Each new group goes to the end of the top level, which is renumbered 0, 10, 20...
    QList<qint64> positions;
    QStringList names;
    for (ManagedObject* g : m_context->executeFetchRequest(FetchRequest(
             QStringLiteral("Groups"), {}, {SortDescriptor{QStringLiteral("position"), true}}))) {
        positions.append(g->valueForKey(QStringLiteral("position")).toLongLong());
        names.append(g->stringValue(QStringLiteral("name")));
    }
    EXPECT_EQ(positions, (QList<qint64>{0, 10, 20, 30, 40, 50}));
    EXPECT_EQ(names.last(), QStringLiteral("isGroceryList"));

    // After the first start a new group asks the sidebar to select it 0.3 s later, unless
    // a bulk insert cleared its flag.
    UserDefaults::setObjectForKey(true, QStringLiteral("askedToImportVersionOneDatabase"));
    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    QStringList selected;
    QObject::connect(m_context.get(), &ObjectContext::selectionRequested, m_context.get(),
                     [&](ManagedObject* g) { selected.append(g->stringValue(QStringLiteral("name"))); });
    group(QStringLiteral("Selected"));
    group(QStringLiteral("Bulk"))->setSelectSelfOnInsert(false);
    group(QStringLiteral("Header"), {{QStringLiteral("isGroceryListHeader"), 1}});
    Scheduler::instance().advance(0.3);
    EXPECT_EQ(selected, QStringList{QStringLiteral("Selected")});
    Scheduler::instance().setAutomaticTime();
    UserDefaults::removeObjectForKey(QStringLiteral("askedToImportVersionOneDatabase"));
}

} // namespace

// The sidebar without a window: first-run groups, the order of the tree, drag-and-drop
// decisions and their effects on records, and the background counts of new recipes.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/RecipesManagedObject.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace {

using Kind = SideBarDragController::DropOperation;
constexpr int kOn = SideBarDragController::kDropOnItem;

class SidebarTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<CoreDataController> m_controller;
    std::unique_ptr<LibrarySession> m_session; // goes before the store
    ObjectContext* m_context = nullptr;
    int m_sampleImports = 0;

    void SetUp() override {
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        for (const char* key : {"askedToImportVersionOneDatabase", "collectGroceryLists",
                                "collectSubscribedPlatefeeds", "showMarkedAsNewCounter"})
            UserDefaults::removeObjectForKey(QLatin1String(key));
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("S.library"))));
        m_controller =
            std::make_unique<CoreDataController>(m_dir.filePath(QStringLiteral("S.library")), &m_alerts);
        m_controller->setSampleRecipesImporter([this](const QString& path) {
            EXPECT_TRUE(path.endsWith(QStringLiteral("/New Library Recipes.lsr")) && QFile::exists(path));
            return ++m_sampleImports;
        });
        m_context = m_controller->managedObjectContext();
        ASSERT_TRUE(m_context);
        m_session = std::make_unique<LibrarySession>(*m_controller, m_alerts);
    }
    void TearDown() override { Scheduler::instance().setAutomaticTime(); }

    GroupsManagedObject* group(const QString& name, const QVariantMap& values = {},
                               ManagedObject* parent = nullptr) {
        return testsupport::insertGroup(m_context, name, values, parent);
    }
    RecipesManagedObject* recipe(const QString& name, const QVariantMap& values = {}) {
        return testsupport::insertRecipe(m_context, name, values);
    }
    GroupsManagedObject* named(const QString& name) {
        for (ManagedObject* g : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
            if (g->stringValue(QStringLiteral("name")) == name)
                return dynamic_cast<GroupsManagedObject*>(g);
        return nullptr;
    }
    // The three fixed nodes a library has.
    void fixedGroups() {
        group(QStringLiteral("LIBRARY"), {{QStringLiteral("isLibraryHeader"), true}});
        group(QStringLiteral("My Recipes"), {{QStringLiteral("isLocalLibrary"), true}});
        group(QStringLiteral("GROUPS"), {{QStringLiteral("isGroupHeader"), true}});
    }
    static QStringList names(const QList<GroupsManagedObject*>& groups) {
        QStringList list;
        for (const GroupsManagedObject* g : groups)
            list << g->stringValue(QStringLiteral("name"));
        return list;
    }
    static std::unique_ptr<QMimeData> recipeDrag(const QList<RecipesManagedObject*>& recipes) {
        QStringList ids;
        for (const RecipesManagedObject* r : recipes)
            ids << r->stringValue(QStringLiteral("uniqueID"));
        auto mime = std::make_unique<QMimeData>();
        SideBarDragController::writeRecipeUniqueIDs(ids, mime.get());
        return mime;
    }
};

TEST_F(SidebarTest, FirstStartAddsStarterContentOnceAndRestoresTheFixedGroups) {
    m_controller->validateGroupsContent();
    EXPECT_EQ(m_sampleImports, 1);
    EXPECT_TRUE(m_alerts.asked.isEmpty());
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("askedToImportVersionOneDatabase")));
    SidebarTreeController tree(m_session.get());
    EXPECT_EQ(names(tree.childGroups(nullptr)).mid(0, 4),
              (QStringList{QStringLiteral("LIBRARY"), QStringLiteral("My Recipes"), QStringLiteral("GROUPS"),
                           QStringLiteral("Breakfasts")}));
    EXPECT_EQ(names(tree.childGroups(named(QStringLiteral("Main Courses")))),
              QStringList{QStringLiteral("Fish")});
    EXPECT_EQ(SidebarTreeController::kindOfGroup(named(QStringLiteral("Favorites"))),
              SidebarTreeController::GroupKind::SmartGroup);
    EXPECT_FALSE(m_context->undoManager()->canUndo());

    // Next start: every other group deleted, the header renamed, flags left out.
    for (ManagedObject* g : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        if (!g->isDeleted() && !SidebarTreeController::isHeader(g) &&
            !g->valueForKey(QStringLiteral("isLocalLibrary")).toBool())
            m_context->deleteObject(g);
    named(QStringLiteral("GROUPS"))->setValueForKey(QStringLiteral("Stuff"), QStringLiteral("name"));
    GroupsManagedObject* rule =
        group(QStringLiteral("Rule"), {{QStringLiteral("predicates"), QStringLiteral("\"Rating\" > \"3\"")}});
    GroupsManagedObject* feeds =
        group(QStringLiteral("FEEDS"), {{QStringLiteral("isPlatefeedHeader"), true}});
    GroupsManagedObject* feed = group(
        QStringLiteral("Feed"), {{QStringLiteral("platefeedAddress"), QStringLiteral("http://x")}}, feeds);
    m_controller->validateGroupsContent();
    EXPECT_EQ(m_sampleImports, 1);
    EXPECT_EQ(named(QStringLiteral("Breakfasts")), nullptr);
    EXPECT_NE(named(QStringLiteral("GROUPS")), nullptr);
    EXPECT_TRUE(rule->boolValue(QStringLiteral("isSmartGroup")));
    EXPECT_TRUE(feed->boolValue(QStringLiteral("isSubscribedPlatefeed")));
}

TEST_F(SidebarTest, VersionOneDatabaseQuestionAddsTheUpgradeGroupsOnYes) {
    const QString support = AppController::applicationSupportFolder();
    ASSERT_TRUE(QDir().mkpath(support));
    QFile database(support + QStringLiteral("/Larkspoon!.database"));
    ASSERT_TRUE(database.open(QIODevice::WriteOnly));
    database.close();
    m_alerts.queueButton(0);
    m_controller->validateGroupsContent();
    database.remove();

    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText,
              QStringLiteral("Would you like to import your recipes and groups from version one?"));
    EXPECT_EQ(m_alerts.asked.first().buttonTitles,
              (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    EXPECT_EQ(m_sampleImports, 0);
    EXPECT_NE(named(QStringLiteral("My Recipes")), nullptr);
    EXPECT_NE(named(QStringLiteral("Without Group")), nullptr);
    EXPECT_EQ(named(QStringLiteral("Breakfasts")), nullptr);
}

TEST_F(SidebarTest, TreeOrderFollowsThePreferencesAndKeepsViewIndexes) {
    fixedGroups();
    GroupsManagedObject* soups = group(QStringLiteral("Soups"));
    group(QStringLiteral("Bread"));
    group(QStringLiteral("LISTS"), {{QStringLiteral("isGroceryListHeader"), true}});
    group(QStringLiteral("Monday"), {{QStringLiteral("isGroceryList"), true}});
    group(QStringLiteral("FEEDS"), {{QStringLiteral("isPlatefeedHeader"), true}});
    group(QStringLiteral("Feed"), {{QStringLiteral("isSubscribedPlatefeed"), true}});
    SidebarTreeController tree(m_session.get());
    EXPECT_EQ(names(tree.childGroups(nullptr)),
              (QStringList{QStringLiteral("LIBRARY"), QStringLiteral("My Recipes"), QStringLiteral("FEEDS"),
                           QStringLiteral("Feed"), QStringLiteral("LISTS"), QStringLiteral("Monday"),
                           QStringLiteral("GROUPS"), QStringLiteral("Soups"), QStringLiteral("Bread")}));
    UserDefaults::setObjectForKey(true, QStringLiteral("collectSubscribedPlatefeeds"));
    tree.rearrangeObjects();
    EXPECT_EQ(names(tree.childGroups(nullptr)),
              (QStringList{QStringLiteral("LIBRARY"), QStringLiteral("My Recipes"), QStringLiteral("LISTS"),
                           QStringLiteral("Monday"), QStringLiteral("FEEDS"), QStringLiteral("Feed"),
                           QStringLiteral("GROUPS"), QStringLiteral("Soups"), QStringLiteral("Bread")}));

    EXPECT_EQ(tree.myRecipesIndex().row(), 1);
    EXPECT_FALSE(tree.flags(tree.index(0, 0)) & Qt::ItemIsSelectable);
    EXPECT_FALSE(tree.flags(tree.myRecipesIndex()) & Qt::ItemIsDragEnabled);
    EXPECT_TRUE(tree.flags(tree.indexForGroup(soups)) & Qt::ItemIsSelectable);

    // A view's index follows its group when the tree changes shape.
    const QPersistentModelIndex kept(tree.indexForGroup(soups));
    group(QStringLiteral("Apples"))->setValueForKey(-5, QStringLiteral("position"));
    m_context->processPendingChanges();
    EXPECT_EQ(tree.groupAtIndex(kept), soups);
    EXPECT_EQ(kept.row(), 8);

    // Expanded nodes are remembered by permanent identity; a new group saves first.
    const QString identity = tree.persistentObjectForItem(soups);
    EXPECT_FALSE(m_context->hasChanges());
    EXPECT_FALSE(soups->objectID().isTemporaryID());
    EXPECT_EQ(tree.itemForPersistentObject(identity), soups);
}

TEST_F(SidebarTest, DropDecisions) {
    fixedGroups();
    GroupsManagedObject* meals = group(QStringLiteral("Meals"));
    GroupsManagedObject* dinner = group(QStringLiteral("Dinner"), {}, meals);
    GroupsManagedObject* pasta = group(QStringLiteral("Pasta"), {}, dinner);
    GroupsManagedObject* other = group(QStringLiteral("Other"));
    GroupsManagedObject* side = group(QStringLiteral("Side"), {}, other);
    GroupsManagedObject* leaf = group(QStringLiteral("Leaf"), {}, side);
    GroupsManagedObject* smart = group(QStringLiteral("Good"), {{QStringLiteral("isSmartGroup"), true}});
    SidebarTreeController tree(m_session.get());
    SideBarDragController drag(&tree);

    QMimeData groupDrag;
    EXPECT_FALSE(drag.writeGroupDrag(named(QStringLiteral("LIBRARY")), &groupDrag));
    EXPECT_FALSE(drag.writeGroupDrag(named(QStringLiteral("My Recipes")), &groupDrag));
    EXPECT_FALSE(drag.writeGroupDrag(named(QStringLiteral("GROUPS")), &groupDrag));
    ASSERT_TRUE(drag.writeGroupDrag(pasta, &groupDrag));
    const auto move = [&](GroupsManagedObject* target, int index) {
        return drag.validateDrop(&groupDrag, true, target, index, false).operation;
    };
    EXPECT_EQ(move(leaf, kOn), Kind::None); // would sit three levels down
    EXPECT_EQ(move(leaf, 0), Kind::None);
    EXPECT_EQ(move(side, kOn), Kind::Move);
    EXPECT_EQ(move(smart, kOn), Kind::None);
    EXPECT_EQ(move(named(QStringLiteral("My Recipes")), kOn), Kind::None);
    EXPECT_EQ(move(nullptr, 2), Kind::None); // above the library's rows
    EXPECT_EQ(move(nullptr, 3), Kind::Move);

    ASSERT_TRUE(drag.writeGroupDrag(meals, &groupDrag));
    EXPECT_EQ(move(meals, kOn), Kind::None);
    EXPECT_EQ(move(dinner, 0), Kind::None);
    EXPECT_FALSE(drag.acceptDrop(&groupDrag, true, dinner, kOn, false));
    EXPECT_EQ(dinner->relatedObject(QStringLiteral("parent")), meals);

    const auto recipes = recipeDrag({recipe(QStringLiteral("Soup"))});
    EXPECT_EQ(drag.validateDrop(recipes.get(), false, dinner, kOn, false).operation, Kind::Copy);
    EXPECT_TRUE(drag.validateDrop(recipes.get(), false, dinner, kOn, true).remove);
    EXPECT_EQ(drag.validateDrop(recipes.get(), false, dinner, 0, false).operation,
              Kind::None); // between rows
    EXPECT_EQ(drag.validateDrop(recipes.get(), false, smart, kOn, false).operation, Kind::None);
    EXPECT_EQ(drag.validateDrop(recipes.get(), false, named(QStringLiteral("GROUPS")), kOn, false).operation,
              Kind::None);
    QMimeData address;
    address.setText(QStringLiteral("https://example.org/soup"));
    // Without a web importer to take it, a dropped address is refused.
    EXPECT_EQ(drag.validateDrop(&address, false, dinner, kOn, false).operation, Kind::None);
    EXPECT_FALSE(drag.acceptDrop(&address, false, dinner, kOn, false));

    // With one: the open editor is saved first, the group selected, then the address handed on.
    QStringList steps;
    drag.setOpenEditorSaver([&] { steps << QStringLiteral("save"); });
    drag.setWebAddressHandler([&](const QString& url) { steps << url; });
    QList<ManagedObject*> selected;
    QObject::connect(dinner->managedObjectContext(), &ObjectContext::selectionRequested,
                     [&](ManagedObject* object) { selected << object; });
    QMimeData text;
    text.setText(QStringLiteral("soup with bread"));
    EXPECT_EQ(drag.validateDrop(&text, false, dinner, kOn, false).operation, Kind::None);
    EXPECT_FALSE(drag.acceptDrop(&text, false, dinner, kOn, false));
    EXPECT_EQ(drag.validateDrop(&address, false, smart, kOn, false).operation, Kind::None);
    EXPECT_EQ(drag.validateDrop(&address, false, dinner, kOn, false).operation, Kind::Copy);
    EXPECT_TRUE(drag.acceptDrop(&address, false, dinner, kOn, false));
    EXPECT_EQ(steps, (QStringList{QStringLiteral("save"), QStringLiteral("https://example.org/soup")}));
    EXPECT_EQ(selected, QList<ManagedObject*>{dinner});
}

TEST_F(SidebarTest, RecipeDropsAddOrRemoveMembership) {
    fixedGroups();
    GroupsManagedObject* soups = group(QStringLiteral("Soups"));
    GroupsManagedObject* list = group(QStringLiteral("Monday"), {{QStringLiteral("isGroceryList"), true}});
    QList<RecipesManagedObject*> three{
        recipe(QStringLiteral("A"), {{QStringLiteral("keywords"), QStringLiteral("Lunch")}}),
        recipe(QStringLiteral("B")), recipe(QStringLiteral("C"))};
    RecipesManagedObject* fed =
        recipe(QStringLiteral("Fed"), {{QStringLiteral("platefeedPredicateKey"), QStringLiteral("k")}});
    RecipesManagedObject* filler = recipe(QStringLiteral("D"));
    SidebarTreeController tree(m_session.get());
    SideBarDragController drag(&tree);
    GroupsCounterUpdater& counters = m_session->counterUpdater();

    auto withFed = three;
    withFed << fed;
    EXPECT_TRUE(drag.acceptDrop(recipeDrag(withFed).get(), false, soups, kOn, false));
    EXPECT_EQ(three.at(0)->stringValue(QStringLiteral("keywords")), QStringLiteral("Lunch,Soups"));
    EXPECT_EQ(three.at(2)->stringValue(QStringLiteral("keywords")), QStringLiteral("Soups"));
    EXPECT_TRUE(fed->stringValue(QStringLiteral("keywords")).isEmpty()); // a feed's recipe is left alone
    EXPECT_EQ(counters.runsStarted(), 1);

    EXPECT_TRUE(drag.acceptDrop(recipeDrag(three).get(), false, soups, kOn, true));
    EXPECT_EQ(three.at(0)->stringValue(QStringLiteral("keywords")), QStringLiteral("Lunch"));
    EXPECT_EQ(three.at(1)->stringValue(QStringLiteral("keywords")), QString());

    // A full grocery list takes no more recipes; removing makes room again.
    for (int i = 0; i < GroupsManagedObject::kGroceryListLimit; ++i)
        list->groceryListAddRecipe(filler);
    EXPECT_TRUE(drag.acceptDrop(recipeDrag(three).get(), false, list, kOn, false));
    EXPECT_EQ(list->groceryListRecipeIDs().size(), 100);
    EXPECT_FALSE(list->groceryListRecipeIDs().contains(three.at(0)->stringValue(QStringLiteral("uniqueID"))));
    EXPECT_TRUE(drag.acceptDrop(recipeDrag({filler}).get(), false, list, kOn, true));
    EXPECT_TRUE(drag.acceptDrop(recipeDrag(three).get(), false, list, kOn, false));
    EXPECT_EQ(list->groceryListRecipeIDs().size(), 3);
}

TEST_F(SidebarTest, MovedGroupsTakeTheirPlaceAndSiblingsAreRenumbered) {
    fixedGroups();
    GroupsManagedObject* a = group(QStringLiteral("A"));
    GroupsManagedObject* b = group(QStringLiteral("B"));
    GroupsManagedObject* c = group(QStringLiteral("C"));
    GroupsManagedObject* d = group(QStringLiteral("D"));
    SidebarTreeController tree(m_session.get());
    SideBarDragController drag(&tree);
    QSignalSpy selected(&drag, &SideBarDragController::selectGroupRequested);
    const auto topGroups = [&] { return names(tree.childGroups(nullptr)).mid(3); };

    EXPECT_TRUE(drag.moveGroup(d, nullptr, 3)); // to the top of the groups
    EXPECT_EQ(topGroups(), (QStringList{QStringLiteral("D"), QStringLiteral("A"), QStringLiteral("B"),
                                        QStringLiteral("C")}));
    EXPECT_TRUE(drag.moveGroup(a, nullptr, 6)); // below B: its own row closes up
    EXPECT_EQ(topGroups(), (QStringList{QStringLiteral("D"), QStringLiteral("B"), QStringLiteral("A"),
                                        QStringLiteral("C")}));
    EXPECT_EQ(selected.last().at(0).value<GroupsManagedObject*>(), named(QStringLiteral("My Recipes")));
    EXPECT_FALSE(drag.moveGroup(a, nullptr, 5)); // its own place

    EXPECT_TRUE(drag.moveGroup(c, b, kOn));
    EXPECT_TRUE(drag.moveGroup(a, b, kOn)); // onto a row, from below: appended
    EXPECT_EQ(names(tree.childGroups(b)), (QStringList{QStringLiteral("C"), QStringLiteral("A")}));
    EXPECT_TRUE(drag.moveGroup(d, b, 0)); // first child, coming from above
    EXPECT_EQ(names(tree.childGroups(b)),
              (QStringList{QStringLiteral("D"), QStringLiteral("C"), QStringLiteral("A")}));
    EXPECT_EQ(selected.last().at(0).value<GroupsManagedObject*>(), b);
    QList<qint64> positions;
    for (const GroupsManagedObject* child : tree.childGroups(b))
        positions << child->valueForKey(QStringLiteral("position")).toLongLong();
    EXPECT_EQ(positions, (QList<qint64>{0, 10, 20}));
}

TEST_F(SidebarTest, CounterRequestsDuringARunCollapseIntoOneMoreRun) {
    UserDefaults::setObjectForKey(true, QStringLiteral("showMarkedAsNewCounter"));
    fixedGroups();
    GroupsManagedObject* soups = group(QStringLiteral("Soups"));
    recipe(QStringLiteral("New"),
           {{QStringLiteral("keywords"), QStringLiteral("soups")}, {QStringLiteral("isMarkedAsNew"), true}});
    recipe(QStringLiteral("Old"), {{QStringLiteral("keywords"), QStringLiteral("soups")}});
    ASSERT_TRUE(m_context->save());

    GroupsCounterUpdater& counters = m_session->counterUpdater();
    QSemaphore gate;
    counters.setWorkerStartHookForTesting([&gate] { gate.tryAcquire(1, 10000); });
    QSignalSpy updated(&counters, &GroupsCounterUpdater::countersUpdated);
    const auto waitForWorker = [&] {
        counters.waitForWorker();
        ASSERT_FALSE(counters.isCounting());
    };
    const auto tick = [] { Scheduler::instance().advance(GroupsCounterUpdater::kCheckIntervalSeconds); };

    counters.queUpdateCounterValues();
    for (int i = 0; i < 5; ++i)
        counters.queUpdateCounterValues();
    EXPECT_TRUE(counters.needToUpdateAgain());
    EXPECT_EQ(counters.runsStarted(), 1);
    EXPECT_TRUE(counters.isCheckTimerActive());
    gate.release();
    waitForWorker();
    counters.checkThread(); // what the timer does
    EXPECT_EQ(counters.runsStarted(), 2);
    EXPECT_FALSE(counters.needToUpdateAgain());
    EXPECT_EQ(counters.counterValue(soups), 1);

    // The repeating timer notices the end of the second run and then stops.
    gate.release();
    waitForWorker();
    EXPECT_TRUE(counters.isCheckTimerActive());
    tick();
    EXPECT_FALSE(counters.isCheckTimerActive());
    EXPECT_EQ(counters.runsStarted(), 2);
    EXPECT_EQ(updated.count(), 2);
    EXPECT_EQ(counters.counterValue(named(QStringLiteral("My Recipes"))), 1);
    EXPECT_FALSE(m_context->hasChanges()); // counts are not stored in the records

    SidebarTreeController tree(m_session.get());
    EXPECT_EQ(tree.data(tree.indexForGroup(soups), SidebarTreeController::CounterValueRole).toInt(), 1);

    // A receiver that asks again when counts arrive starts exactly one more run.
    UserDefaults::setObjectForKey(false, QStringLiteral("showMarkedAsNewCounter"));
    gate.release(3);
    bool askedAgain = false;
    QObject::connect(&counters, &GroupsCounterUpdater::countersUpdated, &counters, [&] {
        if (!std::exchange(askedAgain, true))
            counters.queUpdateCounterValues();
    });
    counters.queUpdateCounterValues();
    waitForWorker();
    counters.updateCounterValues();
    EXPECT_EQ(counters.runsStarted(), 4);
    waitForWorker();
    tick();
    EXPECT_FALSE(counters.isCheckTimerActive());
    tick(); // no tick is left to run
    EXPECT_EQ(counters.runsStarted(), 4);
    EXPECT_EQ(counters.counterValue(soups), 0);
}

} // namespace

// The visual browser of recipes: which cards live while the strip scrolls, the arrow keys
// and the type-ahead, sorting and the selection it shares with the table, what a drag
// carries and the guard against a burst of list changes.
#include "common/LibraryRecords.h"
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "library/RecipesArrayController.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "library/VisualBrowserLayout.h"
#include "library/ui/VisualBrowserItem.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "shell/MainWindow.h"
#include "shell/RecipeVisualBrowser.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QMimeData>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace VisualBrowserLayout;

namespace {

// A library of recipes "Recipe 0000" … in a strip 800 wide with cards 150 wide.
class VisualBrowserTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    std::unique_ptr<testsupport::TestSession> m_library;
    std::unique_ptr<RecipeVisualBrowser> m_browser;

    void SetUp() override {
        QSettings().clear();
        Scheduler::instance().setManualTime(QDateTime(QDate(2026, 3, 1), QTime(12, 0)));
        m_library = std::make_unique<testsupport::TestSession>(
            m_dir.filePath(QStringLiteral("Strip.library")), m_alerts);
        ASSERT_TRUE(m_library->isOpen()) << m_library->error().toStdString();
    }
    void TearDown() override {
        m_browser.reset();
        m_library.reset();
    }

    void addRecipes(int count) {
        for (int i = 0; i < count; ++i)
            testsupport::insertRecipe(m_library->context(),
                                      QStringLiteral("Recipe %1").arg(i, 4, 10, QLatin1Char('0')),
                                      {{QStringLiteral("rating"), i % 6},
                                       {QStringLiteral("uniqueID"), QStringLiteral("id-%1").arg(i)}});
        m_library->recipes().rearrangeObjects();
    }

    RecipeVisualBrowser& showBrowser() {
        m_browser = std::make_unique<RecipeVisualBrowser>();
        m_browser->resize(800, 190 + m_browser->horizontalScrollBar()->sizeHint().height());
        m_browser->show();
        m_browser->setRecipesArrayController(&m_library->recipes());
        Scheduler::instance().advance(0.1);
        return *m_browser;
    }

    QStringList namesInOrder() const {
        QStringList names;
        for (const ManagedObject* recipe : m_library->recipes().arrangedObjects())
            names.append(recipe->stringValue(QStringLiteral("name")));
        return names;
    }
};

TEST_F(VisualBrowserTest, AnEmptyListIsAnEmptyStrip) {
    RecipeVisualBrowser& browser = showBrowser();
    EXPECT_EQ(browser.stripWidth(), 0);
    EXPECT_EQ(browser.existingCount(), 0);
}

TEST_F(VisualBrowserTest, OnlyCardsNearTheScrollPositionLiveWhileScrollingEndToEnd) {
    addRecipes(1000);
    RecipeVisualBrowser& browser = showBrowser();
    ASSERT_EQ(browser.objectWidth(), objectWidthForHeight(browser.viewport()->height())) << "a wide strip";
    QScrollBar* bar = browser.horizontalScrollBar();

    bar->setValue(bar->maximum() / 2);
    browser.removeAllObjects();
    browser.drawObjectsNearScrollPoint();
    QList<int> expected;
    for (int i = 480; i < 520; ++i)
        expected.append(i);
    EXPECT_EQ(browser.existingIndexes(), expected);

    bar->setValue(0);
    int mostAlive = 0;
    for (int offset = 0; offset <= bar->maximum(); offset += browser.objectWidth() / 3) {
        bar->setValue(offset);
        mostAlive = std::max(mostAlive, browser.existingCount());
        const double p = browser.indexOfObjectAtScrollPoint();
        const int visible = offset / browser.objectWidth();
        ASSERT_NE(browser.itemAtIndex(visible), nullptr) << "the card in view at " << offset;
        ASSERT_NE(browser.itemAtIndex(std::min(int(p), 999)), nullptr) << "the card at the scroll point";
    }
    // Far cards go once 201 exist; one step adds at most the 40 near ones.
    EXPECT_LE(mostAlive, kRemoveFarThreshold + 2 * kNearCards);
    EXPECT_GE(mostAlive, kRemoveFarThreshold - 1);
}

TEST_F(VisualBrowserTest, KeysAndTypeAheadChangeTheSelectionTheTableShows) {
    for (const char* name : {"Apple Pie", "cheese cake", "Cherry Tart", "Chili", "Dumplings"})
        testsupport::insertRecipe(m_library->context(), QLatin1String(name));
    m_library->recipes().rearrangeObjects();
    MainWindow window;
    window.setRecipesArrayController(&m_library->recipes());
    window.setVisualBrowserEnabled(true);
    window.show();
    RecipeVisualBrowser* browser = window.visualBrowser();
    Scheduler::instance().advance(0.1);
    auto tableRows = [&window] {
        QList<int> rows;
        for (const QModelIndex& index : window.recipeTable()->selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    };

    QTest::keyClicks(browser, QStringLiteral("ch"));
    EXPECT_EQ(tableRows(), QList<int>{1}); // "cheese cake"
    QTest::keyClicks(browser, QStringLiteral("er"));
    EXPECT_EQ(tableRows(), QList<int>{2}); // "Cherry Tart"
    Scheduler::instance().advance(0.7);    // the typed text is forgotten
    QTest::keyClicks(browser, QStringLiteral("d"));
    EXPECT_EQ(tableRows(), QList<int>{4});

    QTest::keyClick(browser, Qt::Key_Left);
    QTest::keyClick(browser, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(tableRows(), (QList<int>{2, 3}));
    QTest::keyClick(browser, Qt::Key_Right);
    EXPECT_EQ(tableRows(), QList<int>{4}) << "from the row moved to last, not the first selected";

    // The table's selection shows in the strip.
    window.recipeTable()->selectRow(0);
    EXPECT_TRUE(browser->itemAtIndex(0)->isSelected());
    EXPECT_FALSE(browser->itemAtIndex(4)->isSelected());

    // The choice of presentation is remembered for the next window.
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("visualBrowserEnabled")));
    MainWindow next;
    EXPECT_TRUE(next.isVisualBrowserEnabled());
}

TEST_F(VisualBrowserTest, SortingReordersTheListAndKeepsTheSelectedRecipe) {
    addRecipes(12);
    RecipeVisualBrowser& browser = showBrowser();
    RecipesArrayController& recipes = m_library->recipes();
    ManagedObject* chosen = recipes.objectAtRow(7);
    recipes.setSelectedObjects({chosen});

    browser.sortByRating();
    Scheduler::instance().advance(0.1);
    QList<int> ratings;
    for (const ManagedObject* recipe : recipes.arrangedObjects())
        ratings.append(recipe->valueForKey(QStringLiteral("rating")).toInt());
    EXPECT_TRUE(std::is_sorted(ratings.crbegin(), ratings.crend())) << "rating, highest first";
    EXPECT_EQ(recipes.selectedObjects(), QList<ManagedObject*>{chosen});
    EXPECT_EQ(browser.contextArray(), recipes.arrangedObjects());
    EXPECT_TRUE(browser.itemAtIndex(recipes.rowOfObject(chosen))->isSelected());

    browser.sortByTitle();
    QStringList sorted = namesInOrder();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(namesInOrder(), sorted);
}

TEST_F(VisualBrowserTest, ADragCarriesTheSelectedRecipesUniqueIDs) {
    addRecipes(5);
    RecipeVisualBrowser& browser = showBrowser();
    EXPECT_EQ(browser.mimeDataForSelection(), nullptr);
    m_library->recipes().setSelectionIndexes({1, 3});
    std::unique_ptr<QMimeData> mime(browser.mimeDataForSelection());
    ASSERT_NE(mime, nullptr);
    QStringList ids;
    ASSERT_TRUE(SideBarDragController::readRecipeUniqueIDs(mime.get(), &ids));
    EXPECT_EQ(ids, (QStringList{QStringLiteral("id-1"), QStringLiteral("id-3")}));

    const struct {
        int count;
        const char* text;
        const char* badge;
    } badges[] = {{1, "1", "badgeCounter1-2"},      {99, "99", "badgeCounter1-2"},
                  {100, "100", "badgeCounter3"},    {999, "999", "badgeCounter3"},
                  {1000, "1,000", "badgeCounter5"}, {20000, "20,000", "badgeCounter5"}};
    for (const auto& b : badges)
        EXPECT_EQ(std::make_pair(RecipeVisualBrowser::badgeText(b.count),
                                 RecipeVisualBrowser::badgeImageName(b.count)),
                  std::make_pair(QString::fromLatin1(b.text), QString::fromLatin1(b.badge)))
            << b.count;
}

TEST_F(VisualBrowserTest, ABurstOfListChangesShowsTheLastListOnceTheGuardEnds) {
    addRecipes(6);
    RecipeVisualBrowser& browser = showBrowser();
    const QList<ManagedObject*> all = m_library->recipes().arrangedObjects();
    browser.setContext(all.mid(0, 2));
    browser.setContext(all.mid(0, 3));
    browser.setContext(all.mid(0, 4));
    EXPECT_EQ(browser.numberOfObjects(), 2) << "within 0.08 s of the first list";
    Scheduler::instance().advance(0.079);
    EXPECT_EQ(browser.numberOfObjects(), 2);
    Scheduler::instance().advance(0.002);
    EXPECT_EQ(browser.numberOfObjects(), 4);
    EXPECT_EQ(browser.existingCount(), 4);
}

TEST_F(VisualBrowserTest, PlainAndModifiedClicksFollowTheRecipeListRules) {
    addRecipes(8);
    m_library->recipes().objectAtRow(0)->setValueForKey(true, QStringLiteral("isMarkedAsNew"));
    m_library->recipes().objectAtRow(3)->setValueForKey(true, QStringLiteral("isMarkedAsNew"));
    RecipeVisualBrowser& browser = showBrowser();
    const int width = browser.objectWidth();
    auto click = [&](int index, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(browser.viewport(), Qt::LeftButton, modifiers,
                          QPoint(index * width - browser.scrollOffset() + width / 2, 40));
    };
    RecipesArrayController& recipes = m_library->recipes();
    click(1);
    click(3, Qt::ShiftModifier);
    EXPECT_EQ(recipes.selectionIndexes(), (QList<int>{1, 2, 3}));
    click(2, Qt::ControlModifier);
    EXPECT_EQ(recipes.selectionIndexes(), (QList<int>{1, 3}));
    click(3);
    EXPECT_EQ(recipes.selectionIndexes(), (QList<int>{1, 3})) << "kept a moment for a drag";
    Scheduler::instance().advance(0.5);
    EXPECT_EQ(recipes.selectionIndexes(), QList<int>{3});
    EXPECT_TRUE(recipes.objectAtRow(3)->valueForKey(QStringLiteral("isMarkedAsNew")).toBool());
    click(0);
    EXPECT_FALSE(recipes.objectAtRow(0)->valueForKey(QStringLiteral("isMarkedAsNew")).toBool());
}

TEST_F(VisualBrowserTest, NewMarksAndCardsFollowTheirRecipesOnlyWhenTheyChanged) {
    addRecipes(4);
    RecipeVisualBrowser& browser = showBrowser();
    RecipesArrayController& recipes = m_library->recipes();
    recipes.setSelectionIndexes({1, 2});
    browser.setSelectedRecipesAsNew();
    Scheduler::instance().advance(0.1);
    QList<bool> badges;
    for (int i = 0; i < 4; ++i)
        badges.append(browser.itemAtIndex(i)->showsNewBadge());
    EXPECT_EQ(badges, (QList<bool>{false, true, true, false}));
    recipes.setSelectionIndexes({2});
    browser.setSelectedRecipesAsNotNew();
    Scheduler::instance().advance(0.1);
    EXPECT_FALSE(recipes.objectAtRow(2)->valueForKey(QStringLiteral("isMarkedAsNew")).toBool());
    EXPECT_TRUE(recipes.objectAtRow(1)->valueForKey(QStringLiteral("isMarkedAsNew")).toBool());

    // A card is filled again only when its recipe's dateUpdated moved.
    VisualBrowserItem* card = browser.itemAtIndex(3);
    ManagedObject* recipe = browser.contextArray().at(3);
    const QString name = card->title();
    const QDateTime updated(QDate(2026, 3, 1), QTime(12, 0));
    recipe->setValueForKey(updated, QStringLiteral("dateUpdated"));
    browser.updateVBItems();
    recipe->setValueForKey(QStringLiteral("Renamed quietly"), QStringLiteral("name"));
    browser.updateVBItems();
    EXPECT_EQ(card->title(), name);
    recipe->setValueForKey(updated.addSecs(1), QStringLiteral("dateUpdated"));
    browser.updateVBItems();
    EXPECT_EQ(card->title(), QStringLiteral("Renamed quietly"));
}

TEST_F(VisualBrowserTest, SwitchingBackPutsTheTableAtItsWidth) {
    addRecipes(3);
    MainWindow window;
    window.resize(1100, 700);
    window.setRecipesArrayController(&m_library->recipes());
    window.show();
    const QList<int> tableSizes = window.splitter()->sizes();
    window.setVisualBrowserEnabled(true);
    EXPECT_EQ(window.splitter()->widget(1), window.visualBrowser());
    EXPECT_GT(window.splitter()->sizes().at(1), tableSizes.at(1)) << "the strip gets room across";
    window.setVisualBrowserEnabled(false);
    EXPECT_EQ(window.splitter()->widget(1), window.recipeTable());
    EXPECT_EQ(window.splitter()->sizes(), tableSizes);
    EXPECT_FALSE(UserDefaults::boolForKey(QStringLiteral("visualBrowserEnabled")));
}

} // namespace

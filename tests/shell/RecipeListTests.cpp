// The library window's recipe list and the views that follow it: the Delete key, the
// list's context menu, a group renamed or emptied while shown, undo steps and their
// names, exporting a group, the commands that are not in this version yet, and web
// addresses dropped on the window.
#include "common/ScriptedAlerts.h"
#include "common/ScriptedPanels.h"
#include "import/LoopbackHttpServer.h"
#include "library/AppController.h"
#include "library/GroupEditorController.h"
#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/SidebarTreeController.h"
#include "library/ui/SidebarOutlineView.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/PrintingController.h"
#include "share/VersionTwoImporterExporter.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"
#include "shell/RecipeListView.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

class QuietShell final : public MainMenuController {
public:
    void exitApplication() override {}
};

// A first start with the starter groups and recipes, the window shown.
class RecipeListTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    ScriptedPanels m_panels;
    QuietShell m_shell;
    std::unique_ptr<AppController> m_app;

    void SetUp() override {
        QSettings().clear();
        UserDefaults::setObjectForKey(m_dir.filePath(QStringLiteral("List.library")),
                                      QStringLiteral("libraryPath"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("List.library")));
        AppController::initialize();
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_app = std::make_unique<AppController>(&m_alerts, &m_panels, &m_shell);
        m_app->setSampleRecipesImporter(importSampleRecipes);
        m_shell.setAppController(m_app.get());
        m_app->applicationDidFinishLaunching();
        Scheduler::instance().advance(1.0);
        m_shell.showMainWindow();
        settle();
    }
    void TearDown() override {
        m_shell.tearDownWindows();
        m_app.reset();
        Scheduler::instance().setAutomaticTime();
    }
    // Lets queued change notices run, as the event loop does between two gestures.
    static void settle() { QApplication::processEvents(); }

    RecipesArrayController* recipes() const { return m_app->recipesArrayController(); }
    RecipeListView* list() const { return m_shell.mainWindow()->recipeList(); }
    SidebarOutlineView* sidebar() const { return m_shell.mainWindow()->sidebar(); }
    QString undoText() const { return m_shell.action(QStringLiteral("undo"))->text(); }
    static QString nameOf(const ManagedObject* record) { return record->stringValue(QStringLiteral("name")); }
    QStringList selectedNames() const {
        QStringList names;
        for (ManagedObject* recipe : recipes()->selectedObjects())
            names.append(nameOf(recipe));
        return names;
    }
    GroupsManagedObject* group(const QString& name) const {
        for (GroupsManagedObject* each : m_app->sidebarTreeController()->allGroupsInDisplayOrder())
            if (nameOf(each) == name)
                return each;
        return nullptr;
    }
    QString arrangedName(int row) const { return nameOf(recipes()->arrangedObjects().at(row)); }
    static QAction* actionNamed(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
};

TEST_F(RecipeListTest, DeleteAndBackspaceAskAsTheMenuDoesAndSelectTheNextRecipe) {
    const struct {
        int row; // the row selected, -1: the last
        Qt::Key key;
        QString undo;
    } cases[] = {
        {2, Qt::Key_Delete, QStringLiteral("Undo Delete Recipe")},
        {-1, Qt::Key_Backspace, QStringLiteral("Undo Delete Recipe")},
    };
    for (const auto& c : cases) {
        const int count = int(recipes()->arrangedObjects().size());
        const int row = c.row < 0 ? count - 1 : c.row;
        const QString deleted = arrangedName(row);
        const QString next = arrangedName(row + 1 < count ? row + 1 : row - 1);
        recipes()->setSelectionIndexes({row});
        list()->setFocus();
        m_alerts.queueButton(0); // Delete From Library
        QTest::keyClick(list(), c.key);
        ASSERT_FALSE(m_alerts.asked.isEmpty());
        EXPECT_EQ(m_alerts.asked.last().messageText,
                  QStringLiteral("Are you sure you want to delete \u201c%1\u201d?").arg(deleted));
        EXPECT_EQ(recipes()->arrangedObjects().size(), count - 1);
        EXPECT_EQ(selectedNames(), QStringList{next}) << c.key;
        settle();
        EXPECT_EQ(undoText(), c.undo);
    }
    // Several at once: the step's name says so, and undo brings both back.
    const int count = int(recipes()->arrangedObjects().size());
    recipes()->setSelectionIndexes({0, 1});
    m_alerts.queueButton(0);
    QTest::keyClick(list(), Qt::Key_Delete);
    settle();
    EXPECT_EQ(undoText(), QStringLiteral("Undo Delete Recipes"));
    m_shell.action(QStringLiteral("undo"))->trigger();
    settle();
    EXPECT_EQ(recipes()->arrangedObjects().size(), count);
}

TEST_F(RecipeListTest, TheContextMenuAddsToAGroceryListAndShowsTheRecipeInItsGroups) {
    GroupsManagedObject* weekend =
        m_app->groupEditorController()->createNewGroceryList(QStringLiteral("Weekend"));
    sidebar()->selectMyLibraryGroup();
    settle();
    GroupsManagedObject* desserts = group(QStringLiteral("Desserts"));
    ASSERT_TRUE(desserts && weekend);
    const QList<ManagedObject*> inDesserts = m_shell.recipesOfGroup(desserts);
    ASSERT_FALSE(inDesserts.isEmpty());
    ManagedObject* dessert = inDesserts.first();
    const int dessertRow = recipes()->rowOfObject(dessert);
    ASSERT_GE(dessertRow, 0);

    // A right click on a row outside the selection selects it before the menu shows.
    recipes()->setSelectionIndexes({dessertRow == 0 ? 1 : 0});
    const QPoint at = list()->visualRect(list()->model()->index(dessertRow, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, list()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list()->viewport(), &click);
    EXPECT_EQ(recipes()->selectedObjects(), QList<ManagedObject*>{dessert});
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();

    std::unique_ptr<QMenu> menu(list()->makeContextMenu());
    QStringList titles;
    for (QAction* action : menu->actions())
        titles.append(action->text());
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("Edit"), QStringLiteral("Delete"), QString(),
                           QStringLiteral("Export…"), QStringLiteral("Print…"), QStringLiteral("Email…"),
                           QStringLiteral("Add to Grocery List"), QStringLiteral("Show in Group")}));

    QAction* add =
        actionNamed(menu->findChild<QMenu*>(QStringLiteral("addToGroceryListMenu")), nameOf(weekend));
    ASSERT_TRUE(add);
    add->trigger();
    EXPECT_EQ(weekend->groceryListRecipeIDs(), QStringList{dessert->stringValue(QStringLiteral("uniqueID"))});
    settle();
    EXPECT_EQ(undoText(), QStringLiteral("Undo Add to Grocery List"));

    QAction* show = actionNamed(menu->findChild<QMenu*>(QStringLiteral("showInGroupMenu")), nameOf(desserts));
    ASSERT_TRUE(show);
    show->trigger();
    EXPECT_EQ(sidebar()->selectedGroup(), desserts);
    EXPECT_EQ(recipes()->selectedObjects(), QList<ManagedObject*>{dessert});
}

TEST_F(RecipeListTest, ARenamedGroupKeepsShowingItsRecipesAndUndoesInOneStepEach) {
    GroupsManagedObject* desserts = group(QStringLiteral("Desserts"));
    ASSERT_TRUE(desserts);
    sidebar()->selectGroup(desserts);
    settle();
    const int count = int(recipes()->arrangedObjects().size());
    ASSERT_GT(count, 0);
    const QString status = m_shell.mainWindow()->statusText();

    // Renamed with its recipes' keywords: the list shows them without selecting again.
    ASSERT_EQ(m_app->groupEditorController()->editGroup(desserts), GroupEditorController::Page::Group);
    m_alerts.queueButton(0); // Yes, change the keywords
    ASSERT_TRUE(m_app->groupEditorController()->okButtonForEditAction(QStringLiteral("Puddings")));
    EXPECT_EQ(recipes()->arrangedObjects().size(), count);
    EXPECT_EQ(m_shell.mainWindow()->statusText(), status);
    settle();
    EXPECT_EQ(undoText(), QStringLiteral("Undo Edit Group"));

    // Deleting the group, with the regrouping that follows it, is one step.
    m_alerts.queueButton(0);
    m_shell.deleteGroup(desserts);
    Scheduler::instance().advance(0.1);
    settle();
    EXPECT_EQ(undoText(), QStringLiteral("Undo Delete Group"));
    m_shell.action(QStringLiteral("undo"))->trigger();
    settle();
    EXPECT_FALSE(desserts->isDeleted());
    EXPECT_EQ(undoText(), QStringLiteral("Undo Edit Group"));
    m_shell.action(QStringLiteral("undo"))->trigger();
    EXPECT_EQ(nameOf(desserts), QStringLiteral("Desserts"));
}

TEST_F(RecipeListTest, CountersAreCountedAgainAfterRecipesLeaveAGroup) {
    UserDefaults::setObjectForKey(true, QStringLiteral("showMarkedAsNewCounter"));
    GroupsManagedObject* soups = group(QStringLiteral("Soups"));
    ASSERT_TRUE(soups);
    const QList<ManagedObject*> inSoups = m_shell.recipesOfGroup(soups);
    ASSERT_FALSE(inSoups.isEmpty());
    for (ManagedObject* recipe : inSoups)
        recipe->setValueForKey(true, QStringLiteral("isMarkedAsNew"));
    GroupsCounterUpdater* counters = m_app->groupsCounterUpdater();
    auto counted = [&] {
        settle(); // the change notice asks for a count
        counters->waitForWorker();
        Scheduler::instance().advance(GroupsCounterUpdater::kCheckIntervalSeconds);
        counters->waitForWorker();
        Scheduler::instance().advance(GroupsCounterUpdater::kCheckIntervalSeconds);
        return counters->counterValue(soups);
    };
    EXPECT_EQ(counted(), inSoups.size());

    sidebar()->selectGroup(soups);
    settle();
    recipes()->setSelectionIndexes({});
    recipes()->setSelectedObjects(inSoups);
    m_alerts.queueButton(0); // Remove From Group
    m_shell.deleteRecipeAction();
    EXPECT_TRUE(recipes()->arrangedObjects().isEmpty());
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(undoText(), QStringLiteral("Undo Remove From Group"));
}

TEST_F(RecipeListTest, AGroupIsExportedUnderItsNameAndThePanelSaysHowMany) {
    GroupsManagedObject* desserts = group(QStringLiteral("Desserts"));
    ASSERT_TRUE(desserts);
    sidebar()->selectGroup(desserts);
    settle();
    const int count = int(recipes()->arrangedObjects().size());
    ASSERT_GT(count, 1);
    QAction* exportGroup = m_shell.action(QStringLiteral("exportGroup"));
    EXPECT_EQ(exportGroup->text(), QStringLiteral("Export \u201cDesserts\u201d..."));

    const QString file = m_dir.filePath(QStringLiteral("Desserts.lsr"));
    m_panels.answer(file);
    exportGroup->trigger();
    ASSERT_EQ(m_panels.asked.size(), 1);
    EXPECT_EQ(m_panels.asked.last().proposedName, QStringLiteral("Desserts"));
    EXPECT_EQ(m_panels.asked.last().title, QStringLiteral("Export %1 recipes").arg(count));
    EXPECT_EQ(m_panels.asked.last().note, m_panels.asked.last().title); // also where no title is drawn
    EXPECT_GT(QFileInfo(file).size(), 0);

    // File > Export... with no recipe selected offers the group as well.
    recipes()->setSelectionIndexes({});
    m_panels.cancel();
    m_shell.action(QStringLiteral("export"))->trigger();
    EXPECT_EQ(m_panels.asked.last().proposedName, QStringLiteral("Desserts"));
}

// The toolbar's Social button: its menu's commands need a selection; copying puts the
// selected recipes' text on the clipboard, Save as PDF asks where and opens the print window
// for that file (an answer without ".pdf" gets it).
TEST_F(RecipeListTest, SocialMenuCopiesTheSelectionAndSavesItAsPdf) {
    auto* social = m_shell.mainWindow()->toolbar()->findChild<QToolButton*>(QStringLiteral("socialSegment"));
    ASSERT_NE(social, nullptr);
    QMenu* menu = social->menu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* item : menu->actions())
        texts.append(item->text());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Copy Recipe as Text"), QStringLiteral("Save as PDF\u2026"),
                                  QStringLiteral("Email\u2026")}));
    recipes()->setSelectionIndexes({});
    emit menu->aboutToShow();
    for (QAction* item : menu->actions())
        EXPECT_FALSE(item->isEnabled()) << qPrintable(item->text());

    recipes()->setSelectionIndexes({0, 1});
    emit menu->aboutToShow();
    for (QAction* item : menu->actions())
        EXPECT_TRUE(item->isEnabled()) << qPrintable(item->text());
    const QList<ManagedObject*> selected = recipes()->selectedObjects();
    ASSERT_EQ(selected.size(), 2);
    QGuiApplication::clipboard()->clear();
    menu->findChild<QAction*>(QStringLiteral("copyRecipeAsText"))->trigger();
    const QString copied = QGuiApplication::clipboard()->text();
    const QString first = selected.at(0)->stringValue(QStringLiteral("name"));
    const QString second = selected.at(1)->stringValue(QStringLiteral("name"));
    EXPECT_TRUE(copied.startsWith(first + QStringLiteral("\n\n"))) << qPrintable(copied);
    EXPECT_GT(copied.indexOf(QLatin1Char('\n') + second + QStringLiteral("\n\n")), 0) << qPrintable(copied);

    m_panels.answer(m_dir.filePath(QStringLiteral("Two")));
    menu->findChild<QAction*>(QStringLiteral("saveAsPdf"))->trigger();
    ASSERT_FALSE(m_panels.asked.isEmpty());
    EXPECT_EQ(m_panels.asked.last().proposedName, QStringLiteral("2 Larkspoon! Recipes.pdf"));
    PrintingController* printing = m_shell.printingController();
    ASSERT_NE(printing, nullptr);
    EXPECT_TRUE(printing->isWindowOpen());
    EXPECT_EQ(printing->operation(), PrintingController::Operation::SavePdf);
    EXPECT_EQ(printing->pdfDestination(), m_dir.filePath(QStringLiteral("Two.pdf")));
    EXPECT_EQ(printing->objectsToPrint(), selected);
    printing->cancel();
}

// A web address dropped on the window (not on a group): a page that describes its recipe
// opens in the main editor, unsaved; a page without one opens in the web importer.
TEST_F(RecipeListTest, DroppedWebAddressesOpenTheRecipeOrTheImporter) {
    testsupport::LoopbackHttpServer server;
    server.route("/tart", testsupport::LoopbackHttpServer::page(
                              QByteArrayLiteral("<html><head><script type=\"application/ld+json\">"
                                                "{\"@type\": \"Recipe\", \"name\": \"Dropped Tart\","
                                                " \"recipeIngredient\": [\"2 cups flour\", \"3 lemons\"],"
                                                " \"recipeInstructions\": \"Bake.\"}</script></head>"
                                                "<body></body></html>")));
    server.route("/plain", testsupport::LoopbackHttpServer::page(
                               QByteArrayLiteral("<html><body>No recipe here.</body></html>")));
    const auto drop = [this](const QString& address) {
        QMimeData data;
        data.setUrls({QUrl(address)});
        MainWindow* window = m_shell.mainWindow();
        const QPoint at(window->width() / 2, window->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    };
    const qsizetype stored = recipes()->arrangedObjects().size();

    drop(server.url(QStringLiteral("/tart")));
    RecipeEditorController* editor = m_app->recipeEditorController();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->isOpen(); }, 10000));
    EXPECT_EQ(editor->recipe()->stringValue(QStringLiteral("name")), QStringLiteral("Dropped Tart"));
    editor->cancelButtonAction();
    settle();
    EXPECT_EQ(recipes()->arrangedObjects().size(), stored); // nothing was kept behind the user's back

    drop(server.url(QStringLiteral("/plain")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_shell.webImporterController() != nullptr; }, 10000));
    EXPECT_FALSE(editor->isOpen());
}

} // namespace

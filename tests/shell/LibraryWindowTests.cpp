// The library window on a started library: import and export through the File menu, and
// recipes dropped on a sidebar group by a real drop event.
#include "common/ScriptedAlerts.h"
#include "common/ScriptedPanels.h"
#include "grocery/ui/GroceryEditor.h"
#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/GroupEditorController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "library/ui/RecipeEditorView.h"
#include "library/ui/SidebarOutlineView.h"
#include "platform/FilePanels.h"
#include "platform/HtmlPage.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/PrintingController.h"
#include "present/ThemeController.h"
#include "present/ui/DisplayWebView.h"
#include "present/ui/PrintingWindow.h"
#include "present/ui/RecipePageView.h"
#include "share/DuplicateFinder.h"
#include "share/VersionTwoImporterExporter.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace {

class CountingShell final : public MainMenuController {
public:
    int exits = 0;
    void exitApplication() override { ++exits; }
};

// A first start in a private Documents folder, with the fixed groups and starter recipes.
class LibraryWindowTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    ScriptedPanels m_panels;
    CountingShell m_shell;
    std::unique_ptr<AppController> m_app;

    void SetUp() override {
        QSettings().clear();
        UserDefaults::setObjectForKey(m_dir.filePath(QStringLiteral("Window.library")),
                                      QStringLiteral("libraryPath"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("Window.library")));
        AppController::initialize();
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_app = std::make_unique<AppController>(&m_alerts, &m_panels, &m_shell);
        m_app->setSampleRecipesImporter(importSampleRecipes);
        m_shell.setAppController(m_app.get());
        m_app->applicationDidFinishLaunching();
        Scheduler::instance().advance(1.0);
    }
    void TearDown() override {
        // The windows go before the controllers they show, as in the application.
        m_shell.tearDownWindows();
        m_app.reset();
        Scheduler::instance().setAutomaticTime();
    }
    RecipesArrayController* recipes() const { return m_app->recipesArrayController(); }
    ManagedObject* recipeNamed(const QString& name) const {
        for (ManagedObject* recipe : recipes()->arrangedObjects())
            if (recipe->stringValue(QStringLiteral("name")) == name)
                return recipe;
        return nullptr;
    }
    QStringList selectedNames() const {
        QStringList names;
        for (ManagedObject* recipe : recipes()->selectedObjects())
            names.append(recipe->stringValue(QStringLiteral("name")));
        return names;
    }
};

TEST_F(LibraryWindowTest, ExportAndImportThroughTheFileMenu) {
    ASSERT_EQ(recipes()->arrangedObjects().size(), 16);
    recipes()->setSelectionIndexes({0});
    const QString one = recipes()->arrangedObjects().first()->stringValue(QStringLiteral("name"));
    EXPECT_EQ(MainMenuController::exportProposedName(recipes()->selectedObjects()), one);
    recipes()->setSelectionIndexes({0, 1, 2});
    EXPECT_EQ(MainMenuController::exportProposedName(recipes()->selectedObjects()),
              QStringLiteral("3 Larkspoon! recipes"));

    const QString file = m_dir.filePath(QStringLiteral("three.lsr"));
    m_panels.answer(file);
    m_shell.action(QStringLiteral("export"))->trigger();
    ASSERT_EQ(m_panels.asked.size(), 1);
    EXPECT_EQ(m_panels.asked.last().fileTypes, QStringList{QStringLiteral("lsr")});
    EXPECT_EQ(m_panels.asked.last().checkBoxTitle, QStringLiteral("Also export Private Notes."));
    EXPECT_TRUE(QFileInfo(file).size() > 0);

    // An extension in capitals is not one of ours; the real one imports and selects.
    QFile::copy(file, m_dir.filePath(QStringLiteral("loud.LSR")));
    m_panels.answer(m_dir.filePath(QStringLiteral("loud.LSR")));
    m_shell.action(QStringLiteral("import"))->trigger();
    EXPECT_EQ(recipes()->arrangedObjects().size(), 16);
    m_panels.answer(file, true);
    QSignalSpy importEnded(m_app->session(), &LibrarySession::operationEnded);
    // The three are in the library already: the finished dialog asks, and they are kept.
    QString question;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer, &question] {
        for (QWidget* window : QApplication::topLevelWidgets())
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (button->isVisible() && button->text() == DuplicateFinder::keepBothTitle()) {
                    answer.stop();
                    for (QLabel* label : window->findChildren<QLabel*>())
                        if (label->isVisible() && label->text().contains(QLatin1String("already")))
                            question = label->text();
                    button->click();
                    return;
                }
    });
    answer.start(10);
    m_shell.action(QStringLiteral("import"))->trigger();
    ASSERT_TRUE(importEnded.wait(20000)); // the import runs in batches from the event loop
    EXPECT_EQ(question, QStringLiteral("3 of these recipes were already in your library"));
    EXPECT_EQ(m_panels.asked.last().fileTypes.size(), 10);
    EXPECT_TRUE(m_panels.asked.last().note.startsWith(
        QStringLiteral("Supported formats are Larkspoon! 2 two exports")));
    EXPECT_EQ(recipes()->arrangedObjects().size(), 19);
    EXPECT_EQ(recipes()->selectedObjects().size(), 3);
    EXPECT_FALSE(m_app->managedObjectContext()->hasChanges()); // the import saved the library

    // Other programs' files go to their importers through the same panel, and so does a
    // "txt" file holding MealMaster recipes; another "txt" file is refused with a reason.
    const struct {
        const char* name;
        const char* text;
    } foreign[] = {
        {"two.mx2", "<mx2><RcpE name=\"Mx One\"></RcpE><RcpE name=\"Mx Two\"></RcpE></mx2>"},
        {"one.txt", "MMMMM----- Recipe via Meal-Master (tm) v8.02\n Title: Mm One\n\n  Stir.\nMMMMM\n"},
    };
    qsizetype count = recipes()->arrangedObjects().size();
    for (const auto& f : foreign) {
        const QString path = m_dir.filePath(QLatin1String(f.name));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(f.text);
        out.close();
        m_panels.answer(path);
        QSignalSpy ended(m_app->session(), &LibrarySession::operationEnded);
        m_shell.action(QStringLiteral("import"))->trigger();
        ASSERT_TRUE(ended.wait(20000)) << f.name;
        const qsizetype added = recipes()->arrangedObjects().size() - count;
        count += added;
        EXPECT_EQ(added, recipes()->selectedObjects().size()) << f.name;
        EXPECT_GT(added, 0) << f.name;
        EXPECT_FALSE(m_app->managedObjectContext()->hasChanges()) << f.name;
    }
    const QString notes = m_dir.filePath(QStringLiteral("notes.txt"));
    QFile out(notes);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("a shopping list\n");
    out.close();
    const qsizetype asked = m_alerts.asked.size();
    m_panels.answer(notes);
    m_shell.action(QStringLiteral("import"))->trigger();
    ASSERT_EQ(m_alerts.asked.size(), asked + 1);
    EXPECT_EQ(m_alerts.asked.last().messageText, QStringLiteral("“notes.txt” holds no MealMaster recipes."));
}

TEST_F(LibraryWindowTest, RecipesDroppedOnASidebarGroupJoinIt) {
    ASSERT_TRUE(m_shell.mainWindow());
    SidebarOutlineView* sidebar = m_shell.mainWindow()->sidebar();
    m_shell.showMainWindow();
    QApplication::processEvents();
    SidebarTreeController* tree = m_app->sidebarTreeController();
    GroupsManagedObject* desserts = nullptr;
    for (GroupsManagedObject* group : tree->allGroupsInDisplayOrder())
        if (group->stringValue(QStringLiteral("name")) == QLatin1String("Desserts"))
            desserts = group;
    ASSERT_TRUE(desserts);
    ManagedObject* lassi = nullptr;
    for (ManagedObject* recipe : recipes()->arrangedObjects())
        if (recipe->stringValue(QStringLiteral("name")) == QLatin1String("Mango Lassi"))
            lassi = recipe;
    ASSERT_TRUE(lassi);

    QMimeData data;
    SideBarDragController::writeRecipeUniqueIDs({lassi->stringValue(QStringLiteral("uniqueID"))}, &data);
    const QPoint onDesserts = sidebar->visualRect(tree->indexForGroup(desserts)).center();
    ASSERT_FALSE(onDesserts.isNull());
    auto dropAt = [&](Qt::KeyboardModifiers modifiers) {
        // Qt routes moves and drops to the widget a drag entered first.
        QDragEnterEvent enter(onDesserts, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(sidebar->viewport(), &enter);
        QDragMoveEvent move(onDesserts, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(sidebar->viewport(), &move);
        QDropEvent drop(QPointF(onDesserts), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        modifiers);
        QApplication::sendEvent(sidebar->viewport(), &drop);
        return drop.isAccepted();
    };
    EXPECT_TRUE(dropAt(Qt::NoModifier));
    EXPECT_TRUE(lassi->stringValue(QStringLiteral("keywords"))
                    .split(QLatin1Char(','))
                    .contains(QStringLiteral("Desserts")));

    // Selecting the group lists it; the copy modifier takes the recipe out again.
    sidebar->selectGroup(desserts);
    EXPECT_TRUE(recipes()->arrangedObjects().contains(lassi));
    EXPECT_TRUE(dropAt(Qt::ControlModifier));
    EXPECT_FALSE(lassi->stringValue(QStringLiteral("keywords")).contains(QStringLiteral("Desserts")));
    EXPECT_FALSE(recipes()->arrangedObjects().contains(lassi));
}

TEST_F(LibraryWindowTest, RecipePageFollowsTheSelectionAndTheThemeSelector) {
    ASSERT_TRUE(m_shell.mainWindow());
    RecipePageView* page = m_shell.mainWindow()->recipePage();
    ASSERT_TRUE(page);
    auto displayed = [] {
        QFile file(AppController::applicationSupportFolder() + QStringLiteral("/Display.htm"));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\xff\xfe")); // UTF-16 with its byte-order mark
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    };
    recipes()->setSelectionIndexes({1});
    const QString name = recipes()->selectedObjects().first()->stringValue(QStringLiteral("name"));
    EXPECT_TRUE(displayed().contains(name.toHtmlEscaped()));

    m_shell.action(QStringLiteral("chooseTheme"))->trigger();
    ASSERT_TRUE(page->isThemeSelectorShown());
    ASSERT_GE(page->themeList()->count(), 3);
    const QList<QListWidgetItem*> slate =
        page->themeList()->findItems(QStringLiteral("Slate"), Qt::MatchExactly);
    ASSERT_EQ(slate.size(), 1);
    page->themeList()->setCurrentItem(slate.first());
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("selectedTheme")), QStringLiteral("Slate"));
    EXPECT_TRUE(displayed().contains(QStringLiteral("Themes/Slate/")));
    m_shell.action(QStringLiteral("chooseTheme"))->trigger();
    EXPECT_FALSE(page->isThemeSelectorShown());

    m_shell.action(QStringLiteral("largerText"))->trigger();
    EXPECT_GT(page->webView()->htmlPage()->textSizeMultiplier(), 1.0);
}

} // namespace

TEST_F(LibraryWindowTest, TheEditorTakesThePageAreaAndTheRecipeCommandsWaitForIt) {
    MainWindow* window = m_shell.mainWindow();
    ASSERT_TRUE(window);
    m_shell.showMainWindow();
    recipes()->setSelectionIndexes({0});
    ManagedObject* recipe = recipes()->selectedObjects().first();
    const QString name = recipe->stringValue(QStringLiteral("name"));

    m_shell.action(QStringLiteral("editRecipe"))->trigger();
    ASSERT_TRUE(window->isRecipeEditorShown());
    EXPECT_FALSE(window->recipePage()->isVisible());
    for (const char* command : {"newRecipe", "editRecipe", "deleteRecipe", "undo", "redo"})
        EXPECT_FALSE(m_shell.action(QLatin1String(command))->isEnabled()) << command;
    m_shell.newRecipeAction(); // nothing while the editor is open
    EXPECT_EQ(recipes()->arrangedObjects().size(), 16);

    // Save keeps the editor open with what was typed stored; Cancel then leaves it.
    RecipeEditorView* editor = m_shell.recipeEditorView();
    editor->titleField()->setText(name + QStringLiteral(" (family)"));
    m_shell.action(QStringLiteral("save"))->trigger();
    EXPECT_EQ(recipe->stringValue(QStringLiteral("name")), name + QStringLiteral(" (family)"));
    EXPECT_FALSE(m_app->managedObjectContext()->hasChanges());
    EXPECT_TRUE(window->isRecipeEditorShown());
    editor->cancelButton()->click();
    EXPECT_FALSE(window->isRecipeEditorShown());
    EXPECT_TRUE(window->recipePage()->isVisible());
    EXPECT_TRUE(m_shell.action(QStringLiteral("newRecipe"))->isEnabled());

    // A new recipe from the list's button, typed and saved, is selected in the list.
    window->findChild<QToolButton*>(QStringLiteral("newRecipeButton"))->click();
    ASSERT_TRUE(window->isRecipeEditorShown());
    editor->titleField()->setText(QStringLiteral("Zucchini Fritters"));
    editor->saveButton()->click();
    EXPECT_EQ(recipes()->arrangedObjects().size(), 17);
    EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("Zucchini Fritters")});

    // Deleting it from "My Recipes" asks, then the recipe is gone.
    m_alerts.queueButton(0);
    window->findChild<QToolButton*>(QStringLiteral("deleteRecipeButton"))->click();
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Are you sure you want to delete \u201cZucchini Fritters\u201d?"));
    EXPECT_EQ(recipes()->arrangedObjects().size(), 16);
}

namespace {

// Runs a script in the program's own script world of the page and returns its number.
double evaluate(RecipePageView* page, const QString& script) {
    double result = -1;
    QEventLoop loop;
    page->webView()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                           [&](const QVariant& value) {
                                               result = value.toDouble();
                                               loop.quit();
                                           });
    loop.exec();
    return result;
}

TEST_F(LibraryWindowTest, ChoosingAgainTheThemeShownWhenTheSelectorOpenedTakesIt) {
    RecipePageView* page = m_shell.mainWindow()->recipePage();
    ASSERT_TRUE(page);
    const QString first = ThemeController::selectedTheme();
    m_shell.action(QStringLiteral("chooseTheme"))->trigger();
    const QList<QListWidgetItem*> slate =
        page->themeList()->findItems(QStringLiteral("Slate"), Qt::MatchExactly);
    const QList<QListWidgetItem*> shown = page->themeList()->findItems(first, Qt::MatchExactly);
    ASSERT_EQ(slate.size(), 1);
    ASSERT_EQ(shown.size(), 1);
    page->themeList()->setCurrentItem(slate.first());
    page->themeList()->setCurrentItem(shown.first());
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("selectedTheme")), first);
}

TEST_F(LibraryWindowTest, TheIntroductionSitsBesideTheSelectorAndGotItKeepsTheWindowsWidth) {
    MainWindow* window = m_shell.mainWindow();
    m_shell.showMainWindow();
    window->resize(800, 600);
    QApplication::processEvents();
    RecipePageView* page = window->recipePage();
    page->showIntroductionIfFirstTime();
    page->finishSlide();
    ASSERT_TRUE(page->introduction()->isVisible());
    EXPECT_EQ(page->themeSelector()->geometry(),
              QRect(0, 0, ThemeController::kSelectorWidth, page->height()));
    EXPECT_GE(page->introduction()->x(), page->themeSelector()->geometry().right());
    // Beside the selector the page stays readable, or the selector lies over it.
    const int pageWidth = page->webView()->width();
    EXPECT_TRUE(pageWidth == page->width() || pageWidth >= RecipePageView::kReadablePageWidth) << pageWidth;

    const int windowWidth = window->width();
    page->introduction()->findChild<QPushButton*>(QStringLiteral("gotItButton"))->click();
    page->finishSlide();
    QApplication::processEvents();
    EXPECT_FALSE(page->isThemeSelectorShown());
    EXPECT_FALSE(page->introduction()->isVisible());
    EXPECT_EQ(window->width(), windowWidth);
    EXPECT_EQ(page->webView()->geometry(), page->rect());
}

// A grocery list selected in the sidebar takes the page area with its editor, and the
// menu's and toolbar's Print and Email act on it; otherwise on the selected recipes, in the
// print window, and only while some are selected.
TEST_F(LibraryWindowTest, PrintAndEmailActOnASelectedGroceryList) {
    MainWindow* window = m_shell.mainWindow();
    GroupsManagedObject* list =
        m_app->groupEditorController()->createNewGroceryList(QStringLiteral("Weekend"));
    ASSERT_NE(list, nullptr);
    window->sidebar()->selectGroup(list);
    ASSERT_TRUE(window->isGroceryEditorShown());
    EXPECT_EQ(m_shell.groceryEditor()->title(), QStringLiteral("Weekend"));

    const QString noneNeeded =
        QStringLiteral("Unable to print/email ingredients because none are marked Needed.");
    auto askedAfter = [this](const std::function<void()>& command) {
        m_alerts.asked.clear();
        command();
        return m_alerts.asked.size() == 1 ? m_alerts.asked.first().messageText : QString();
    };
    auto button = [window](const char* name) {
        return window->toolbar()->findChild<QToolButton*>(QLatin1String(name));
    };
    EXPECT_EQ(askedAfter([this] { m_shell.action(QStringLiteral("print"))->trigger(); }), noneNeeded);
    EXPECT_EQ(askedAfter([this] { m_shell.action(QStringLiteral("email"))->trigger(); }), noneNeeded);
    EXPECT_EQ(askedAfter([&] { button("printSegment")->click(); }), noneNeeded);
    EXPECT_EQ(askedAfter([&] { button("emailSegment")->click(); }), noneNeeded);

    // The list is printable even with no recipe selected.
    recipes()->setSelectionIndexes({});
    EXPECT_TRUE(m_shell.action(QStringLiteral("print"))->isEnabled());

    window->sidebar()->selectMyLibraryGroup();
    EXPECT_FALSE(window->isGroceryEditorShown());
    recipes()->setSelectionIndexes({});
    for (const char* name : {"print", "email"})
        EXPECT_FALSE(m_shell.action(QLatin1String(name))->isEnabled()) << name;
    EXPECT_FALSE(button("printSegment")->isEnabled());

    recipes()->setSelectionIndexes({0});
    ASSERT_TRUE(m_shell.action(QStringLiteral("email"))->isEnabled());
    ASSERT_TRUE(button("emailSegment")->isEnabled());
    EXPECT_EQ(askedAfter([&] { button("emailSegment")->click(); }), QString());
    PrintingController* printing = m_shell.printingController();
    ASSERT_NE(printing, nullptr);
    EXPECT_TRUE(printing->isWindowOpen());
    EXPECT_TRUE(printing->isEmailOperation());
    EXPECT_EQ(printing->objectsToPrint(), recipes()->selectedObjects());
    EXPECT_TRUE(m_shell.printingWindow()->isVisible());
    EXPECT_EQ(m_shell.printingWindow()->printButton()->text(), QStringLiteral("Continue to Email"));
    m_shell.printingWindow()->reject();
    EXPECT_FALSE(printing->isWindowOpen());
    EXPECT_FALSE(m_shell.printingWindow()->isVisible());

    m_shell.action(QStringLiteral("print"))->trigger();
    EXPECT_EQ(m_shell.printingWindow()->printButton()->text(), QStringLiteral("Continue to Print Panel"));
    // A theme without print formats leaves nothing to continue with.
    ASSERT_GT(printing->themeRows().size(), 1);
    QSet<bool> seen;
    for (int row = 0; row < printing->themeRows().size(); ++row) {
        printing->selectTheme(row);
        const bool hasFormats = !printing->formatRows().isEmpty();
        seen.insert(hasFormats);
        EXPECT_EQ(m_shell.printingWindow()->printButton()->isEnabled(), hasFormats) << row;
    }
    EXPECT_EQ(seen.size(), 2);
    m_shell.printingWindow()->reject();
}

TEST_F(LibraryWindowTest, ClosingTheWindowQuitsAfterTheSaveQuestionUnlessItIsCancelled) {
    MainWindow* window = m_shell.mainWindow();
    m_shell.showMainWindow();
    // As the desktop program wires it.
    QObject::connect(window, &MainWindow::quitRequested, m_app.get(), &AppController::terminate);
    recipes()->setSelectionIndexes({0});
    m_shell.action(QStringLiteral("editRecipe"))->trigger();
    m_shell.recipeEditorView()->titleField()->setText(QStringLiteral("Changed"));

    m_alerts.queueButton(1); // Cancel
    window->close();
    EXPECT_EQ(m_alerts.asked.last().messageText,
              QStringLiteral("Do you want to save the changes you made to \u201cChanged\u201d?"));
    EXPECT_EQ(m_shell.exits, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isRecipeEditorShown());

    m_alerts.queueButton(0); // Save
    window->close();
    EXPECT_EQ(m_shell.exits, 1);
    EXPECT_TRUE(recipeNamed(QStringLiteral("Changed")));
    EXPECT_FALSE(m_app->managedObjectContext()->hasChanges());
}

TEST_F(LibraryWindowTest, TheEditorOpensAtItsTopWithTheTitleFocused) {
    MainWindow* window = m_shell.mainWindow();
    m_shell.showMainWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    recipes()->setSelectionIndexes({0});
    m_shell.action(QStringLiteral("editRecipe"))->trigger();
    RecipeEditorView* editor = m_shell.recipeEditorView();
    QScrollBar* bar = editor->scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    editor->cancelButton()->click();

    recipes()->setSelectionIndexes({1});
    m_shell.action(QStringLiteral("editRecipe"))->trigger();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(editor->titleField()->hasFocus());
}

TEST_F(LibraryWindowTest, ANewlySelectedRecipeStartsAtTheTopOfItsPage) {
    MainWindow* window = m_shell.mainWindow();
    m_shell.showMainWindow();
    window->resize(800, 500);
    QApplication::processEvents();
    RecipePageView* page = window->recipePage();
    HtmlPage* html = page->webView()->htmlPage();
    auto showRecipe = [&](const QString& name) {
        if (html->isLoading()) {
            QSignalSpy pending(html, &HtmlPage::loadFinished);
            ASSERT_TRUE(pending.wait(20000));
        }
        QSignalSpy loaded(html, &HtmlPage::loadFinished);
        ManagedObject* recipe = recipeNamed(name);
        ASSERT_TRUE(recipe) << name.toStdString();
        recipes()->setSelectedObjects({recipe});
        ASSERT_TRUE(loaded.wait(20000));
    };
    showRecipe(QStringLiteral("Chicken Tikka Masala"));
    EXPECT_GT(evaluate(page, QStringLiteral("window.scrollTo(0, 300); window.scrollY")), 0);

    showRecipe(QStringLiteral("Mango Lassi"));
    // The page is long enough for a kept position to show.
    ASSERT_GE(evaluate(page, QStringLiteral("document.documentElement.scrollHeight - window.innerHeight")),
              300);
    EXPECT_EQ(evaluate(page, QStringLiteral("window.scrollY")), 0);
}

} // namespace

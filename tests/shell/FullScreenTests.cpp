// The full-screen view over a started library: the main window's page, sidebar and strip
// lent to the borderless window and given back exactly, the renderer's templates, the
// screen kept awake while it is open, the edges and the editor.
#include "common/ScriptedAlerts.h"
#include "common/ScriptedPanels.h"
#include "library/AppController.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/ui/RecipeEditorView.h"
#include "library/ui/SidebarOutlineView.h"
#include "planner/ui/WeeklyPlannerController.h"
#include "platform/HtmlPage.h"
#include "platform/Scheduler.h"
#include "platform/ScreenKeeper.h"
#include "platform/UserDefaults.h"
#include "present/RecipeDisplayController.h"
#include "present/ui/DisplayWebView.h"
#include "present/ui/RecipePageView.h"
#include "share/VersionTwoImporterExporter.h"
#include "shell/FullScreenWindow.h"
#include "shell/FullScreenWindowController.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"
#include "shell/RecipeVisualBrowser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// Counts what the view asks of the screensaver.
class CountingScreenKeeper final : public ScreenKeeper {
public:
    int inhibits = 0;
    int releases = 0;
    QString reason;
    void inhibit(const QString& why) override {
        if (held)
            return;
        held = true;
        ++inhibits;
        reason = why;
    }
    void release() override {
        if (!held)
            return;
        held = false;
        ++releases;
    }
    bool isInhibiting() const override { return held; }
    bool held = false;
};

class QuietShell final : public MainMenuController {
public:
    void exitApplication() override {}
};

// Where a view of the main window is: its parent, its place and its frame.
struct Place {
    QWidget* parent = nullptr;
    int index = -1;
    QRect geometry;
    bool hidden = false;
    bool operator==(const Place&) const = default;
};

Place placeOf(QWidget* view) {
    Place place{view->parentWidget(), -1, view->geometry(), view->isHidden()};
    if (auto* splitter = qobject_cast<QSplitter*>(view->parentWidget()))
        place.index = splitter->indexOf(view);
    else if (view->parentWidget() && view->parentWidget()->layout())
        place.index = view->parentWidget()->layout()->indexOf(view);
    return place;
}

std::ostream& operator<<(std::ostream& out, const Place& place) {
    return out << (place.parent ? place.parent->objectName().toStdString() : std::string("none")) << " #"
               << place.index << " " << place.geometry.x() << "," << place.geometry.y() << " "
               << place.geometry.width() << "x" << place.geometry.height() << (place.hidden ? " hidden" : "");
}

class FullScreenTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    ScriptedPanels m_panels;
    QuietShell m_shell;
    CountingScreenKeeper m_keeper;
    std::unique_ptr<AppController> m_app;
    std::unique_ptr<FullScreenWindowController> m_fullScreen;

    void SetUp() override {
        QSettings().clear();
        UserDefaults::setObjectForKey(m_dir.filePath(QStringLiteral("Full.library")),
                                      QStringLiteral("libraryPath"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("Full.library")));
        AppController::initialize();
        Scheduler::instance().setManualTime(QDateTime::currentDateTime());
        m_app = std::make_unique<AppController>(&m_alerts, &m_panels, &m_shell);
        m_app->setSampleRecipesImporter(importSampleRecipes);
        m_shell.setAppController(m_app.get());
        m_app->applicationDidFinishLaunching();
        Scheduler::instance().advance(1.0);
        window()->resize(1100, 720);
        window()->show();
        recipes()->setSelectionIndexes({2});
        settleLayouts();
        m_fullScreen = std::make_unique<FullScreenWindowController>(m_app->session(), window(), &m_keeper);
    }
    void TearDown() override {
        m_fullScreen.reset();
        m_shell.tearDownWindows();
        m_app.reset();
    }
    MainWindow* window() const { return m_shell.mainWindow(); }
    RecipesArrayController* recipes() const { return m_app->recipesArrayController(); }
    RecipePageView* page() const { return window()->recipePage(); }
    FullScreenWindow* fullWindow() const { return m_fullScreen->fullScreenWindow(); }
    QList<QWidget*> lentViews() const { return {page(), window()->sidebar(), window()->visualBrowser()}; }
    // Layouts and splitters apply posted changes on the event loop.
    static void settleLayouts() { QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); }
    QString displayFile() const {
        QFile file(page()->displayController()->displayFilePath());
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf16(reinterpret_cast<const char16_t*>(file.readAll().constData() + 2))
                   : QString();
    }
};

// Every lent view comes back to its parent, its place in the splitter or layout and its
// frame; with the table listed (the strip parked hidden) and with the strip listed.
TEST_F(FullScreenTest, EnteringAndLeavingGivesEveryViewBackExactly) {
    for (const bool strip : {false, true}) {
        SCOPED_TRACE(strip ? "strip listed" : "table listed");
        window()->setVisualBrowserEnabled(strip);
        page()->setThemeSelectorShown(strip); // the page goes alone, and the selector comes back
        page()->finishSlide();
        settleLayouts();
        QList<Place> before;
        for (QWidget* view : lentViews())
            before.append(placeOf(view));
        const QFrame::Shape frame = window()->visualBrowser()->frameShape();
        const QColor sidebarBase = window()->sidebar()->palette().color(QPalette::Base);

        m_fullScreen->toggleFullScreenView();
        ASSERT_TRUE(m_fullScreen->isOpen());
        for (QWidget* view : lentViews()) {
            EXPECT_EQ(view->window(), fullWindow());
            EXPECT_FALSE(view->isHidden());
        }
        EXPECT_TRUE(fullWindow()->isVisible());
        EXPECT_EQ(fullWindow()->windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);
        EXPECT_EQ(fullWindow()->geometry(), window()->screen()->geometry());
        EXPECT_FALSE(window()->isVisible());
        EXPECT_EQ(page()->geometry(), m_fullScreen->state().layout().pageRect());
        EXPECT_NE(window()->sidebar()->palette().color(QPalette::Base), sidebarBase);
        EXPECT_FALSE(page()->isThemeSelectorShown());

        m_fullScreen->toggleFullScreenView();
        ASSERT_FALSE(m_fullScreen->isOpen());
        settleLayouts();
        EXPECT_TRUE(window()->isVisible());
        EXPECT_FALSE(fullWindow()->isVisible());
        for (qsizetype i = 0; i < lentViews().size(); ++i)
            EXPECT_EQ(placeOf(lentViews().at(i)), before.at(i))
                << lentViews().at(i)->objectName().toStdString();
        EXPECT_EQ(window()->visualBrowser()->frameShape(), frame);
        EXPECT_EQ(window()->sidebar()->palette().color(QPalette::Base), sidebarBase);
        EXPECT_EQ(page()->isThemeSelectorShown(), strip);
    }
}

// The page is rendered from the theme's full-screen template while the view is open and
// from the main window's after, at its usual text size.
TEST_F(FullScreenTest, RendererSwitchesTemplatesAndTextSizeReturns) {
    RecipeDisplayController* renderer = page()->displayController();
    ASSERT_TRUE(displayFile().contains(QStringLiteral("mode-view")));
    m_fullScreen->toggleFullScreenView();
    EXPECT_EQ(renderer->templateModePlacement(), RecipeDisplayController::FullScreenMode);
    EXPECT_TRUE(displayFile().contains(QStringLiteral("mode-full")));
    m_fullScreen->enlargeText();
    m_fullScreen->enlargeText();
    EXPECT_GT(page()->webView()->htmlPage()->textSizeMultiplier(), 1.0);

    m_fullScreen->closeFullScreenView();
    EXPECT_EQ(renderer->templateModePlacement(), RecipeDisplayController::RecipeViewMode);
    EXPECT_TRUE(displayFile().contains(QStringLiteral("mode-view")));
    EXPECT_DOUBLE_EQ(page()->webView()->htmlPage()->textSizeMultiplier(), 1.0);
}

// Escape, the Exit button and closing the window all leave; each way releases the screen.
TEST_F(FullScreenTest, EveryWayOutLeavesAndLetsTheScreenSleep) {
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"Escape",
         [this] {
             QApplication::setActiveWindow(fullWindow());
             QTest::keyClick(fullWindow(), Qt::Key_Escape);
         }},
        {"Exit button", [this] { fullWindow()->button(QStringLiteral("exitFullScreenButton"))->click(); }},
        {"window closed", [this] { fullWindow()->close(); }},
        {"controller destroyed",
         [this] {
             m_fullScreen.reset();
             m_fullScreen =
                 std::make_unique<FullScreenWindowController>(m_app->session(), window(), &m_keeper);
         }},
    };
    int round = 0;
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        m_fullScreen->toggleFullScreenView();
        ASSERT_TRUE(m_fullScreen->isOpen());
        EXPECT_TRUE(m_keeper.isInhibiting());
        EXPECT_EQ(m_keeper.reason, FullScreenWindowController::inhibitReason());
        leave();
        ++round;
        EXPECT_FALSE(m_fullScreen->isOpen());
        EXPECT_FALSE(m_keeper.isInhibiting());
        EXPECT_EQ(m_keeper.inhibits, round);
        EXPECT_EQ(m_keeper.releases, round);
        EXPECT_EQ(page()->window(), window());
        EXPECT_TRUE(window()->isVisible());
    }
}

// The control bar's Print and Email run the main window's commands and keep the view up.
TEST_F(FullScreenTest, PrintAndEmailButtonsRunTheWindowCommands) {
    QStringList ran;
    m_fullScreen->setPrintCommand([&] { ran << QStringLiteral("print"); });
    m_fullScreen->setEmailCommand([&] { ran << QStringLiteral("email"); });
    m_fullScreen->toggleFullScreenView();
    fullWindow()->button(QStringLiteral("printButton"))->click();
    fullWindow()->button(QStringLiteral("emailButton"))->click();
    EXPECT_EQ(ran, (QStringList{QStringLiteral("print"), QStringLiteral("email")}));
    EXPECT_TRUE(m_fullScreen->isOpen());
    m_fullScreen->closeFullScreenView();
}

// The edges bring the navigators and the control bar in; with the editor open the top edge
// does not, and Escape belongs to the editor.
TEST_F(FullScreenTest, EdgesSlidePartsInExceptUnderTheEditor) {
    m_fullScreen->toggleFullScreenView();
    const FullScreenLayout layout = m_fullScreen->state().layout();
    QWidget* sidebar = window()->sidebar();
    QWidget* browser = window()->visualBrowser();
    EXPECT_EQ(sidebar->geometry(), layout.sidebarRect(false));
    EXPECT_EQ(browser->geometry(), layout.browserRect(false));
    Scheduler::instance().advance(0.2);
    m_fullScreen->finishAnimations();
    EXPECT_DOUBLE_EQ(fullWindow()->shade(), 0.0); // the page has faded in

    m_fullScreen->pointerMovedTo({layout.screen().width() / 2, 0});
    m_fullScreen->finishAnimations();
    EXPECT_EQ(sidebar->geometry(), layout.sidebarRect(true));
    EXPECT_EQ(browser->geometry(), layout.browserRect(true));
    m_fullScreen->pointerMovedTo({layout.screen().width() / 2, layout.screen().height() - 1});
    m_fullScreen->finishAnimations();
    EXPECT_EQ(sidebar->geometry(), layout.sidebarRect(false));
    EXPECT_EQ(fullWindow()->controlBar()->geometry(), layout.controlBarRect(true));

    ASSERT_TRUE(m_fullScreen->editButtonEnabled());
    fullWindow()->button(QStringLiteral("editRecipeButton"))->click();
    RecipeEditorController* editor = m_fullScreen->recipeEditorController();
    ASSERT_TRUE(editor && editor->isOpen());
    EXPECT_EQ(editor->placement(), RecipeEditorController::Placement::FullScreenPanel);
    EXPECT_EQ(static_cast<ManagedObject*>(editor->recipe()), recipes()->selectedObjects().value(0));
    EXPECT_FALSE(m_fullScreen->editButtonEnabled());
    m_fullScreen->pointerMovedTo({layout.screen().width() / 2, 0});
    m_fullScreen->finishAnimations();
    EXPECT_EQ(browser->geometry(), layout.browserRect(false));
    EXPECT_DOUBLE_EQ(fullWindow()->shade(), FullScreenWindow::kEditingShade);
    // Leaving with an unchanged editor closes it without a question.
    EXPECT_TRUE(m_fullScreen->closeFullScreenView());
    EXPECT_FALSE(editor->isOpen());
    EXPECT_TRUE(m_alerts.asked.isEmpty());
}

// Previous and next walk the list and stay put at its ends.
TEST_F(FullScreenTest, PreviousAndNextStopAtTheEnds) {
    m_fullScreen->toggleFullScreenView();
    const int last = recipes()->rowCount() - 1;
    const struct {
        int from;
        bool next;
        int to;
    } cases[] = {{2, true, 3}, {2, false, 1}, {0, false, 0}, {last, true, last}};
    for (const auto& step : cases) {
        recipes()->setSelectionIndexes({step.from});
        step.next ? m_fullScreen->selectNextRecipe() : m_fullScreen->selectPreviousRecipe();
        EXPECT_EQ(recipes()->selectionIndexes(), QList<int>{step.to})
            << step.from << (step.next ? " next" : " prev");
    }
}

// The Full Screen item of the toolbar opens the view; the strip's new list recomputes the
// open weekly planner.
TEST_F(FullScreenTest, ToolbarItemOpensTheViewAndTheStripInformsThePlanner) {
    QAction* item = nullptr;
    for (QAction* action : window()->toolbar()->actions())
        if (action->objectName() == QLatin1String("Full Screen View"))
            item = action;
    ASSERT_TRUE(item && item->isEnabled());
    // The View menu holds the same command.
    const QList<QObject*> users = item->associatedObjects();
    EXPECT_TRUE(
        std::any_of(users.begin(), users.end(), [](QObject* user) { return qobject_cast<QMenu*>(user); }));
    item->trigger();
    FullScreenWindowController* view = m_shell.fullScreenWindowController();
    ASSERT_TRUE(view && view->isOpen());
    // Quitting with a change typed in the full-screen editor asks first; Cancel keeps it.
    view->editRecipe();
    ASSERT_TRUE(view->recipeEditorController() && view->recipeEditorController()->isOpen());
    view->recipeEditorView()->titleField()->setText(QStringLiteral("Renamed while cooking"));
    m_alerts.queueButton(1); // Save, Cancel, Don't Save
    EXPECT_FALSE(m_app->applicationShouldTerminate());
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_TRUE(view->recipeEditorController()->isOpen());
    view->recipeEditorController()->cancelButtonAction();
    view->closeFullScreenView();
    EXPECT_TRUE(window()->isVisible());

    m_shell.toggleWeeklyPlanner();
    WeeklyPlannerController* planner = m_shell.weeklyPlannerController();
    ASSERT_TRUE(planner && planner->isPlannerOpen());
    const QList<QDate> week = planner->weekDates();
    Scheduler::instance().advance(15 * 24 * 3600.0);
    ASSERT_EQ(planner->weekDates(), week); // nothing else recomputed it meanwhile
    window()->visualBrowser()->setContext(recipes()->arrangedObjects());
    Scheduler::instance().advance(0.1);
    EXPECT_TRUE(planner->weekDates().contains(Scheduler::instance().now().toLocalTime().date()));
}

} // namespace

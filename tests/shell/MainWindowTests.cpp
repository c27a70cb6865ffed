// The main window, its commands and the preferences window, on real library folders with
// the user's answers scripted.
#include "common/ScriptedAlerts.h"
#include "common/ScriptedPanels.h"
#include "library/AppController.h"
#include "library/LibraryStore.h"
#include "library/PreferencesController.h"
#include "library/RecipesArrayController.h"
#include "library/SearchBoxMenu.h"
#include "library/ui/PreferencesWindow.h"
#include "platform/FilePanels.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/ui/RecipePageView.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"
#include "shell/QtAlerts.h"
#include "shell/QtFilePanels.h"

#include "larkspoon_version.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrlQuery>

namespace {

// The real shell, except that ending the application is only counted.
class RecordingMenuController final : public MainMenuController {
public:
    int exits = 0;
    void exitApplication() override { ++exits; }
};

class ShellTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    ScriptedPanels m_panels;
    RecordingMenuController m_shell;
    AppController m_app{&m_alerts, &m_panels, &m_shell};

    void SetUp() override {
        QSettings().clear();
        QSettings().sync();
        AppController::initialize();
        m_shell.setAppController(&m_app);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void makeFolderWithFile(const QString& folder) {
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/keep.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

QStringList toolbarItems(QToolBar* toolbar, QString (QAction::*property)() const) {
    QStringList items;
    for (QAction* action : toolbar->actions())
        if (!action->objectName().isEmpty() && action->objectName() != QLatin1String("flexibleSpace"))
            items.append((action->*property)());
    return items;
}

TEST(MainWindowTest, ToolbarItemsInOrderWithTheirLabels) {
    MainWindow window;
    QToolBar* toolbar = window.toolbar();
    EXPECT_EQ(toolbar->objectName(), QStringLiteral("MainWindowToolbar"));
    EXPECT_EQ(toolbarItems(toolbar, &QObject::objectName),
              QStringList({QStringLiteral("Full Screen View"), QStringLiteral("Recipe Controls"),
                           QStringLiteral("Web Imports"), QStringLiteral("Search Field")}));
    EXPECT_EQ(toolbarItems(toolbar, &QAction::text),
              QStringList({QStringLiteral("Full Screen"), QStringLiteral("Recipe Controls"),
                           QStringLiteral("Web Importer"), QStringLiteral("Search Recipes")}));
    EXPECT_EQ(toolbar->actions().first()->toolTip(), QStringLiteral("Enter Full Screen Mode"));
    EXPECT_EQ(window.searchField()->placeholderText(), QStringLiteral("Search Recipes"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Larkspoon!"));
}

TEST_F(ShellTest, TableListsTheLibrarySortedAndSharesTheControllersSelection) {
    QString error;
    std::unique_ptr<ObjectContext> context =
        openLibraryStore(path(QStringLiteral("List.library")), true, &error);
    ASSERT_TRUE(context) << error.toStdString();
    for (const char* name : {"banana Bread", "Zucchini soup", "apple crumble", "Apple pie", "cherry tart"})
        context->insertNewObject(QStringLiteral("Recipes"))
            ->setValueForKey(QString::fromUtf8(name), QStringLiteral("name"));
    ASSERT_TRUE(context->save(&error)) << error.toStdString();
    RecipesArrayController controller(context.get());
    controller.rearrangeObjects();

    MainWindow window;
    window.setRecipesArrayController(&controller);
    QTableView* table = window.recipeTable();
    auto shownNames = [table] {
        QStringList names;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            names.append(table->model()->index(row, 0).data().toString());
        return names;
    };
    auto selectedRows = [table] {
        QList<int> rows;
        for (const QModelIndex& index : table->selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("apple crumble"), QStringLiteral("Apple pie"),
                                         QStringLiteral("banana Bread"), QStringLiteral("cherry tart"),
                                         QStringLiteral("Zucchini soup")}));
    EXPECT_EQ(window.statusText(), QStringLiteral("5 recipes"));
    EXPECT_EQ(window.recipePageText(), QString());

    // Table to controller.
    table->selectionModel()->select(table->model()->index(2, 0),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(controller.selectionIndexes(), QList<int>({2}));
    EXPECT_EQ(window.recipePageText(), QStringLiteral("banana Bread"));

    // Controller to table.
    controller.setSelectionIndexes({0, 3});
    EXPECT_EQ(selectedRows(), QList<int>({0, 3}));
    EXPECT_EQ(window.recipePageText(), QStringLiteral("apple crumble"));

    // A new recipe sorted in front moves the selected rows; the same recipes stay selected.
    context->insertNewObject(QStringLiteral("Recipes"))
        ->setValueForKey(QStringLiteral("Aardvark stew"), QStringLiteral("name"));
    context->processPendingChanges();
    EXPECT_EQ(shownNames().first(), QStringLiteral("Aardvark stew"));
    EXPECT_EQ(controller.selectionIndexes(), QList<int>({1, 4}));
    EXPECT_EQ(selectedRows(), QList<int>({1, 4}));
    EXPECT_EQ(window.statusText(), QStringLiteral("6 recipes"));

    table->selectionModel()->clearSelection();
    EXPECT_TRUE(controller.selectionIndexes().isEmpty());
    EXPECT_EQ(window.recipePageText(), QString());
}

TEST_F(ShellTest, MainWindowIsBuiltOnceWithTheLaterCommandsDisabled) {
    ASSERT_TRUE(m_shell.setupMainWindow());
    MainWindow* window = m_shell.mainWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(m_shell.setupMainWindow());
    EXPECT_EQ(m_shell.mainWindow(), window);
    // Without a library nothing can be printed or mailed.
    for (const char* name :
         {"newRecipe", "editRecipe", "deleteRecipe", "import", "export", "newGroup", "print", "email"})
        EXPECT_FALSE(m_shell.action(QLatin1String(name))->isEnabled()) << name;
    for (const char* name : {"newLibrary", "openLibrary", "quit", "about", "libraryWindow"})
        EXPECT_TRUE(m_shell.action(QLatin1String(name))->isEnabled()) << name;
    EXPECT_EQ(m_shell.action(QStringLiteral("quit"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_FALSE(m_shell.isMainWindowVisible());
    m_shell.showMainWindow();
    EXPECT_TRUE(m_shell.isMainWindowVisible());
}

// The about window names the build's version and the shipped libraries with their licences;
// the feedback message carries the same version.
TEST_F(ShellTest, AboutWindowAndFeedbackMessageCarryTheBuildsVersion) {
    const QString version = QStringLiteral(LARKSPOON_SHORT_VERSION_STRING);
    ASSERT_FALSE(version.isEmpty());
    m_shell.aboutApplicationAction();
    QDialog* about = m_shell.aboutBox();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    auto* shown = about->findChild<QLabel*>(QStringLiteral("aboutVersion"));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text(), QStringLiteral("Version ") + version);
    auto* credits = about->findChild<QLabel*>(QStringLiteral("aboutCredits"));
    ASSERT_TRUE(credits);
    for (const char* credit :
         {"Qt (LGPLv3)", "SQLite (public domain)", "OpenJPEG (BSD-2-Clause)", "QtKeychain (BSD-3-Clause)"})
        EXPECT_TRUE(credits->text().contains(QLatin1String(credit))) << credit;
    about->close();
    // The program's own icon is built in, and the SVG plugin that draws it is installed.
    EXPECT_FALSE(QIcon(QStringLiteral(":/larkspoon/larkspoon.svg")).pixmap(64, 64).isNull());

    const QUrl mail = MainMenuController::feedbackMailto();
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.path(), MainMenuController::feedbackAddress());
    EXPECT_EQ(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Larkspoon! %1 feedback").arg(version));
}

// Help > Larkspoon! Guide without the guide built says so instead of doing nothing.
TEST_F(ShellTest, AMissingGuideIsSaidInAnAlert) {
    if (QFileInfo(MainMenuController::guidePath()).isFile())
        GTEST_SKIP() << "the guide is built beside the tests";
    ASSERT_TRUE(m_shell.setupMainWindow());
    EXPECT_TRUE(m_shell.action(QStringLiteral("guide"))->isEnabled());
    m_shell.larkspoonHelp();
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText, QStringLiteral("The Larkspoon! Guide is missing."));
    EXPECT_TRUE(m_alerts.asked.first().informativeText.contains(MainMenuController::guidePath()));
}

TEST_F(ShellTest, NewLibraryRefusesTheLibraryInUseAndWhatHoldsIt) {
    const QString inUse = path(QStringLiteral("Parent.library/Current.library"));
    makeFolderWithFile(inUse);
    UserDefaults::setObjectForKey(inUse, QStringLiteral("libraryPath"));

    for (const QString& chosen :
         {QString(inUse + QLatin1Char('/')), path(QStringLiteral("Parent.library"))}) {
        m_alerts.asked.clear();
        m_panels.answer(chosen);
        m_shell.createNewLibraryDialogAction();
        ASSERT_EQ(m_alerts.asked.size(), 1) << chosen.toStdString();
        EXPECT_EQ(m_alerts.asked.first().messageText,
                  QStringLiteral("Sorry but you can't overwrite a library that is in use."));
        EXPECT_EQ(m_alerts.asked.first().buttonTitles, QStringList({QStringLiteral("OK")}));
    }
    EXPECT_TRUE(QFile::exists(inUse + QStringLiteral("/keep.txt")));
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("libraryPath")), inUse);
    EXPECT_EQ(m_shell.exits, 0);

    // The save panel asked for a "library" where folders can be made.
    const FilePanelRequest& request = m_panels.asked.first();
    EXPECT_EQ(request.fileTypes, QStringList({QStringLiteral("library")}));
    EXPECT_TRUE(request.canCreateFolders);
}

TEST_F(ShellTest, NewLibraryReplacesTheChosenFolderStoresItAndQuits) {
    UserDefaults::setObjectForKey(path(QStringLiteral("Current.library")), QStringLiteral("libraryPath"));
    const QString chosen = path(QStringLiteral("Other.library"));
    makeFolderWithFile(chosen);
    m_panels.answer(chosen);
    m_shell.createNewLibraryDialogAction();

    EXPECT_TRUE(QFileInfo(chosen).isDir());
    EXPECT_FALSE(QFile::exists(chosen + QStringLiteral("/keep.txt")));
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("libraryPath")), chosen);
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText, QStringLiteral("Your new library has been created."));
    EXPECT_EQ(m_alerts.asked.first().informativeText,
              QStringLiteral("Larkspoon! needs to relaunch to open it. After quitting relaunch."));
    EXPECT_EQ(m_alerts.asked.first().buttonTitles, QStringList({QStringLiteral("Quit")}));
    EXPECT_EQ(m_shell.exits, 1);

    // A cancelled panel changes nothing.
    m_shell.createNewLibraryDialogAction();
    EXPECT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_shell.exits, 1);
}

TEST_F(ShellTest, NewLibraryThatCannotBeCreatedIsNotStored) {
    const QString current = path(QStringLiteral("Current.library"));
    UserDefaults::setObjectForKey(current, QStringLiteral("libraryPath"));
    // A plain file stands where the new library's parent folder would have to be made.
    QFile blocker(path(QStringLiteral("plain-file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(m_shell.newLibraryDidEndForPanel({true, path(QStringLiteral("plain-file/New.library")), false}),
              MainMenuController::NewLibraryOutcome::Failed);
    EXPECT_EQ(UserDefaults::stringForKey(QStringLiteral("libraryPath")), current);
    EXPECT_EQ(m_shell.exits, 0);
    ASSERT_EQ(m_alerts.asked.size(), 1);
    EXPECT_EQ(m_alerts.asked.first().messageText, QStringLiteral("Your new library could not be created."));
}

TEST(FilePanelsTest, SavePanelAppendsTheMissingExtension) {
    const QStringList library{QStringLiteral("library")};
    EXPECT_EQ(QtFilePanels::pathWithExtension(QStringLiteral("/a/New"), library),
              QStringLiteral("/a/New.library"));
    EXPECT_EQ(QtFilePanels::pathWithExtension(QStringLiteral("/a/New.library/"), library),
              QStringLiteral("/a/New.library"));
    // Extensions are compared exactly, as everywhere documents are told apart.
    EXPECT_EQ(QtFilePanels::pathWithExtension(QStringLiteral("/a/New.LIBRARY"), library),
              QStringLiteral("/a/New.LIBRARY.library"));
}

TEST(QtAlertsTest, FirstButtonIsDefaultEscapeCancelsAndTextsStayPlain) {
    QtAlerts alerts;
    AlertRequest request;
    request.messageText = QStringLiteral("Import \u201c<b>x</b>.lsr\u201d?");
    request.buttonTitles = {QStringLiteral("Import"), QStringLiteral("Cancel"),
                            QStringLiteral("Import with all details")};
    request.checkBoxTitle = QStringLiteral("Also import the details.");
    QString defaultButton;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        defaultButton = box->defaultButton()->text();
        format = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->textFormat();
        box->checkBox()->click();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    const AlertResponse response = alerts.runModal(request);
    EXPECT_EQ(response.button, 1);
    EXPECT_TRUE(response.checkBoxState);
    EXPECT_EQ(defaultButton, QStringLiteral("Import"));
    EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(ShellTest, FirstLaunchCentresTheWindowAndPutsThePlannerAway) {
    UserDefaults::setObjectForKey(true, QStringLiteral("weeklyPlannerPulledDown"));
    UserDefaults::synchronize();
    QSettings before;
    QVariantMap expected;
    for (const QString& key : before.allKeys())
        expected.insert(key, before.value(key));
    expected.insert(QStringLiteral("weeklyPlannerPulledDown"), false);

    Scheduler::instance().setManualTime(QDateTime::currentDateTime());
    const int pending = Scheduler::instance().pendingCount();
    MainWindow window;
    window.move(0, 0);
    window.show();
    const QRect available = window.screen()->availableGeometry();
    EXPECT_EQ(window.size(), MainWindow::initialSize().boundedTo(available.size() * 0.95));
    EXPECT_LE((window.geometry().center() - available.center()).manhattanLength(), 2);
    EXPECT_EQ(Scheduler::instance().pendingCount(), pending + 1); // the theme selectors, 1.5 s later
    Scheduler::instance().advance(1.5);
    EXPECT_LE(Scheduler::instance().pendingCount(), pending); // the theme selectors ran
    Scheduler::instance().setAutomaticTime();

    QSettings after;
    QVariantMap actual;
    for (const QString& key : after.allKeys())
        actual.insert(key, after.value(key));
    EXPECT_EQ(actual.keys(), expected.keys());
    EXPECT_FALSE(UserDefaults::boolForKey(QStringLiteral("weeklyPlannerPulledDown")));

    // Later launches keep the planner as it was.
    UserDefaults::setObjectForKey(true, QStringLiteral("weeklyPlannerPulledDown"));
    UserDefaults::setObjectForKey(true, QStringLiteral("hasLaunchedBefore"));
    MainWindow later;
    later.show();
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("weeklyPlannerPulledDown")));
}

// The window of a small library of its own, shown on a later launch.
class SearchWindowTest : public ShellTest {
protected:
    std::unique_ptr<ObjectContext> m_context;
    std::unique_ptr<RecipesArrayController> m_recipes;
    std::unique_ptr<SearchBoxMenu> m_menu;
    std::unique_ptr<MainWindow> m_window;

    void SetUp() override {
        ShellTest::SetUp();
        UserDefaults::setObjectForKey(true, QStringLiteral("hasLaunchedBefore"));
        QString error;
        m_context = openLibraryStore(path(QStringLiteral("Search.library")), true, &error);
        ASSERT_TRUE(m_context) << error.toStdString();
        for (const char* name :
             {"Apple crumble", "Apple pie", "Banana bread", "Cherry tart", "Zucchini soup"})
            m_context->insertNewObject(QStringLiteral("Recipes"))
                ->setValueForKey(QString::fromUtf8(name), QStringLiteral("name"));
        ASSERT_TRUE(m_context->save(&error)) << error.toStdString();
        m_recipes = std::make_unique<RecipesArrayController>(m_context.get());
        m_recipes->rearrangeObjects();
        m_menu = std::make_unique<SearchBoxMenu>(m_recipes.get());
        m_window = std::make_unique<MainWindow>();
        m_window->setRecipesArrayController(m_recipes.get());
        m_window->setSearchBoxMenu(m_menu.get());
        m_window->show();
    }
    void TearDown() override {
        m_window.reset();
        m_menu.reset();
        m_recipes.reset();
    }
    QStringList selected() const {
        QStringList names;
        for (ManagedObject* recipe : m_recipes->selectedObjects())
            names.append(recipe->stringValue(QStringLiteral("name")));
        return names;
    }
    void search(const QString& text) { m_window->searchField()->setText(text); }
    void select(const QString& name) {
        for (ManagedObject* recipe : m_recipes->arrangedObjects())
            if (recipe->stringValue(QStringLiteral("name")) == name)
                m_recipes->setSelectedObjects({recipe});
    }
};

TEST(MainWindowLayoutTest, ThePageKeepsAReadableWidthWhileListAndSidebarGiveWay) {
    const QList<int> start{200, 380, 520};
    const struct {
        int total;
        QList<int> widths;
    } cases[] = {
        {1300, {200, 380, 720}}, // growing widens the page only
        {1100, {200, 380, 520}},
        {1000, {200, 360, 440}}, // the page down to its readable width, then the list
        {800, {160, 200, 440}},  // the list at its minimum, then the sidebar
        {780, {140, 200, 440}},
        {700, {140, 200, 360}}, // only then the page, down to its minimum
        {500, {140, 200, 300}}, // nothing under its minimum
    };
    for (const auto& c : cases)
        EXPECT_EQ(MainWindow::distributeWidths(c.total, start), c.widths) << c.total;
}

TEST_F(SearchWindowTest, At800By600ThePageStaysReadable) {
    m_window->resize(800, 600);
    QApplication::processEvents();
    ASSERT_EQ(m_window->width(), 800);
    const QList<int> widths = m_window->splitter()->sizes();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_GE(widths.at(2), RecipePageView::kReadablePageWidth);
    EXPECT_GE(widths.at(0), MainWindow::kSidebarMinimumWidth);
    EXPECT_GE(widths.at(1), MainWindow::kListMinimumWidth);
}

TEST_F(SearchWindowTest, TheWindowOpensWhereItWasLeft) {
    m_window->resize(700, 500);
    QApplication::processEvents();
    m_window->splitter()->setSizes({150, 230, 300});
    QApplication::processEvents();
    const QList<int> widths = m_window->splitter()->sizes();
    m_window.reset(); // quitting saves the window's place

    MainWindow again;
    again.show();
    QApplication::processEvents();
    EXPECT_EQ(again.size(), QSize(700, 500));
    EXPECT_EQ(again.splitter()->sizes(), widths);
}

TEST_F(SearchWindowTest, AFrameSavedOffEveryScreenOpensAtTheFirstLaunchFrame) {
    m_window.reset();
    QSettings().setValue(QStringLiteral("MainWindow/frame"), QRect(20000, 20000, 700, 500));
    MainWindow again;
    again.show();
    const QRect available = again.screen()->availableGeometry();
    EXPECT_EQ(again.size(), MainWindow::initialSize().boundedTo(available.size() * 0.95));
    EXPECT_TRUE(available.contains(again.geometry().center()));
}

TEST_F(SearchWindowTest, ClosingAsksTheApplicationToQuitAndStaysOpenUntilItDoes) {
    QSignalSpy quit(m_window.get(), &MainWindow::quitRequested);
    EXPECT_FALSE(m_window->close());
    EXPECT_EQ(quit.count(), 1);
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(SearchWindowTest, ASearchThatLeavesOneRecipeSelectsIt) {
    search(QStringLiteral("zucchini"));
    EXPECT_EQ(selected(), QStringList{QStringLiteral("Zucchini soup")});
}

TEST_F(SearchWindowTest, ASearchThatFindsNothingSaysSo) {
    search(QStringLiteral("quince"));
    EXPECT_TRUE(m_window->noResultsLabel()->isVisibleTo(m_window.get()));
    EXPECT_EQ(m_window->noResultsLabel()->text(), QStringLiteral("No recipes match \u201cquince\u201d"));
    search(QStringLiteral("ap"));
    EXPECT_FALSE(m_window->noResultsLabel()->isVisibleTo(m_window.get()));
}

TEST_F(SearchWindowTest, ASelectionHiddenByASearchComesBackWhenTheSearchWidens) {
    select(QStringLiteral("Banana bread"));
    search(QStringLiteral("apple"));
    EXPECT_TRUE(selected().isEmpty());
    search(QString());
    EXPECT_EQ(selected(), QStringList{QStringLiteral("Banana bread")});
    EXPECT_EQ(m_window->recipePageText(), QStringLiteral("Banana bread"));
}

TEST_F(SearchWindowTest, ASelectionTheUserClearedStaysCleared) {
    select(QStringLiteral("Banana bread"));
    m_recipes->setSelectedObjects({});
    search(QStringLiteral("a"));
    search(QString());
    EXPECT_TRUE(selected().isEmpty());
}

TEST_F(SearchWindowTest, SearchAndListKeys) {
    QLineEdit* field = m_window->searchField();
    QTableView* table = m_window->recipeTable();
    const struct {
        QWidget* target;
        const char* typed;
        Qt::Key key;
        const char* selectedAfter; // empty: no selection
        const char* textAfter;
    } steps[] = {
        {field, "apple", Qt::Key_Return, "Apple crumble", "apple"}, // Return selects the first result
        {field, nullptr, Qt::Key_Escape, "Apple crumble", ""},      // Escape empties the field
        {table, nullptr, Qt::Key_End, "Zucchini soup", ""},
        {table, nullptr, Qt::Key_Home, "Apple crumble", ""},
    };
    for (const auto& step : steps) {
        if (step.typed)
            search(QLatin1String(step.typed));
        QTest::keyClick(step.target, step.key);
        EXPECT_EQ(selected().value(0), QLatin1String(step.selectedAfter)) << step.key;
        EXPECT_EQ(field->text(), QLatin1String(step.textAfter)) << step.key;
    }
    // Down goes from the field into the list, selecting the first recipe when none is.
    m_recipes->setSelectedObjects({});
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(selected(), QStringList{QStringLiteral("Apple crumble")});
}

TEST_F(SearchWindowTest, CtrlFFocusesTheSearchField) {
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    m_window->recipeTable()->setFocus();
    QTest::keyClick(m_window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(m_window->searchField()->hasFocus());
}

TEST_F(ShellTest, PreferencesWindowShowsTheDefaultsAndWritesChanges) {
    PreferencesController controller;
    PreferencesWindow window(&controller);
    window.openPreferences();

    const QVariantMap defaults = AppController::registeredDefaults();
    for (const char* key : {"useLargeSidebarIcons", "showMarkedAsNewCounter", "collectGroceryLists",
                            "collectSubscribedPlatefeeds", "displaySingleCharacterFractions",
                            "capitalizeRecipeAndIngredientTitles", "addRecipeDataToAutofillValues"}) {
        QCheckBox* checkBox = window.checkBoxForKey(QLatin1String(key));
        ASSERT_TRUE(checkBox) << key;
        EXPECT_EQ(checkBox->isChecked(), defaults.value(QLatin1String(key)).toBool()) << key;
    }
    EXPECT_EQ(window.emailFormatRow(), 0);

    window.findChild<QRadioButton*>(QStringLiteral("emailFormatPlainText"))->click();
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("makePlainTextEmails")));
    window.findChild<QRadioButton*>(QStringLiteral("emailFormatRichText"))->click();
    EXPECT_FALSE(UserDefaults::hasKey(QStringLiteral("makePlainTextEmails")));

    QSignalSpy regroup(&controller, &PreferencesController::groceryListCollectionRefreshRequested);
    window.checkBoxForKey(QStringLiteral("collectGroceryLists"))->click();
    EXPECT_TRUE(UserDefaults::boolForKey(QStringLiteral("collectGroceryLists")));
    EXPECT_EQ(regroup.count(), 1);

    // Opening again shows values changed elsewhere, without writing them back.
    UserDefaults::setObjectForKey(true, QStringLiteral("makePlainTextEmails"));
    UserDefaults::setObjectForKey(false, QStringLiteral("collectGroceryLists"));
    window.openPreferences();
    EXPECT_EQ(window.emailFormatRow(), 1);
    EXPECT_FALSE(window.checkBoxForKey(QStringLiteral("collectGroceryLists"))->isChecked());
    EXPECT_EQ(regroup.count(), 1);
}

} // namespace

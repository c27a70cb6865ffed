#include "MainMenuController.h"

#include "FullScreenWindowController.h"
#include "MainWindow.h"
#include "QtProgressView.h"
#include "RecipeListView.h"
#include "RecipeVisualBrowser.h"
#include "XdgMailHandOver.h"
#include "grocery/ui/GroceryEditor.h"
#include "import/ForeignRecipeImporter.h"
#include "import/WebAutoImporter.h"
#include "import/WebImporterRules.h"
#include "import/ui/WebImporterController.h"
#include "larkspoon_version.h"
#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/GroupEditorController.h"
#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryBackups.h"
#include "library/LibrarySession.h"
#include "library/PreferencesController.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/SearchBoxMenu.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "library/ui/GroupEditorSheet.h"
#include "library/ui/PreferencesWindow.h"
#include "library/ui/RecipeEditorView.h"
#include "library/ui/RestoreBackupWindow.h"
#include "library/ui/SidebarOutlineView.h"
#include "measure/SmartMeasurementsController.h"
#include "planner/ui/WeeklyPlannerController.h"
#include "platform/Alerts.h"
#include "platform/DBusScreenKeeper.h"
#include "platform/DataModel.h"
#include "platform/DesktopHandOver.h"
#include "platform/ObjectContext.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "present/PrintingController.h"
#include "present/RecipeDisplayController.h"
#include "present/ThemeController.h"
#include "present/ui/PrintingWindow.h"
#include "present/ui/RecipePageView.h"
#include "share/PlatefeedManager.h"
#include "share/VersionTwoImporterExporter.h"
#include "shell/QtPagePrinter.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The same folder, however the two paths are spelled (symbolic links, "..", a trailing
// slash).
QString comparablePath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Whether replacing chosen would remove the library in use: the same folder, or a folder
// that holds it.
bool wouldReplaceLibraryInUse(const QString& chosen, const QString& libraryPath) {
    if (libraryPath.isEmpty())
        return false;
    const QString a = comparablePath(chosen);
    const QString b = comparablePath(libraryPath);
    if (a == b || QDir::cleanPath(chosen) == QDir::cleanPath(libraryPath))
        return true;
    return b.startsWith(a.endsWith(QLatin1Char('/')) ? a : a + QLatin1Char('/'));
}

// Removes whatever is at path: a file, a link (not what it points to) or a folder.
void removeItem(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || info.isFile())
        QFile::remove(path);
    else if (info.isDir())
        QDir(path).removeRecursively();
}

bool itemExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

MainMenuController::MainMenuController(QObject* parent) : QObject(parent) {}

MainMenuController::~MainMenuController() {
    tearDownWindows();
}

void MainMenuController::tearDownWindows() {
    // The importer first: a recipe left in its editor was never saved and leaves with it.
    m_webImporter.reset();
    m_groupEditorSheet.reset();
    m_aboutBox.reset();
    m_preferencesWindow.reset();
    // The full-screen view gives the main window's views back before the window goes.
    m_fullScreen.reset();
    // The progress view stays (its dialog went with the main window): an import that is
    // stopped while the controllers go still reports to it.
    // The print window (a child of the main window) before its controller.
    m_pagePrinter.reset();
    m_printingWindow.reset();
    m_mainWindow.reset();
    m_printing.reset();
}

void MainMenuController::setAppController(AppController* app) {
    if (m_app == app)
        return;
    if (m_app)
        disconnect(m_app, nullptr, this, nullptr);
    m_app = app;
    if (m_app)
        connect(m_app, &AppController::libraryOpened, this, &MainMenuController::connectControllers);
}

bool MainMenuController::setupMainWindow() {
    if (m_nibLoaded)
        return true;
    if (!m_app || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning("error could not load MainWindow NIB");
        return false;
    }
    m_mainWindow = std::make_unique<MainWindow>();
    m_nibLoaded = true;
    if (m_progressView)
        m_progressView->setParentWidget(m_mainWindow.get());
    buildMenus();
    connectControllers();
    return true;
}

bool MainMenuController::isMainWindowVisible() const {
    return m_mainWindow && m_mainWindow->isVisible();
}

void MainMenuController::showMainWindow() {
    if (!m_mainWindow)
        return;
    if (m_mainWindow->isMinimized())
        m_mainWindow->showNormal();
    else
        m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void MainMenuController::exitApplication() {
    m_exitRequested = true;
    QCoreApplication::exit(0);
}

// Hooks the window and the commands to the controllers of the open library; runs when the
// window is built and again when the library has opened, whichever has what first.
void MainMenuController::connectControllers() {
    if (!m_app || !m_mainWindow)
        return;
    if (RecipesArrayController* recipes = m_app->recipesArrayController())
        m_mainWindow->setRecipesArrayController(recipes);
    if (PreferencesController* preferences = m_app->preferencesController())
        connect(preferences, &PreferencesController::openPreferencesRequested, this,
                &MainMenuController::showPreferencesWindow, Qt::UniqueConnection);
    if (m_app->coreDataController() && m_app->hasOpenLibrary()) {
        if (ObjectContext* context = m_app->managedObjectContext())
            connect(context->undoManager(), &UndoManager::stateChanged, this,
                    &MainMenuController::updateUndoActions, Qt::UniqueConnection);
    }
    connectSidebar();
    // The planner comes back open when it was open at the last quit.
    if (m_app->session() && !m_weeklyPlanner &&
        UserDefaults::boolForKey(QStringLiteral("weeklyPlannerPulledDown")))
        if (WeeklyPlannerController* planner = weeklyPlanner())
            planner->openPlanner();
    if (QAction* preferences = action(QStringLiteral("preferences")))
        preferences->setEnabled(m_app->preferencesController() != nullptr);
    if (QAction* save = action(QStringLiteral("save")))
        save->setEnabled(m_app->hasOpenLibrary());
    for (const char* name : {"import", "export"})
        if (QAction* command = action(QLatin1String(name)))
            command->setEnabled(m_app->hasOpenLibrary());
    updateGroupActions();
    updateRecipeActions();
}

// The sidebar over the group tree: its selection narrows the recipe list (and rebinds the
// search), its requests go to the group editor, and new groups select themselves.
void MainMenuController::connectSidebar() {
    SidebarTreeController* tree = m_app->sidebarTreeController();
    SidebarOutlineView* sidebar = m_mainWindow->sidebar();
    if (!tree || !sidebar || sidebar->treeController() == tree)
        return;
    // The recipe page follows the recipe list once the library is open.
    auto* page = new RecipePageView(m_app->session());
    m_mainWindow->setRecipePage(page);
    page->delayedInitalize();
    m_groceryEditor = new GroceryEditor(*m_app->session(), m_mainWindow.get());
    m_groceryEditor->hide();
    m_groceryEditor->setMailHandOver(mailHandOver());
    sidebar->setControllers(tree, m_app->sideBarDragController());
    sidebar->setRecipeListWidget(m_mainWindow->recipeTable());
    m_mainWindow->setSearchBoxMenu(m_app->searchBoxMenu());

    RecipesArrayController* recipes = m_app->recipesArrayController();
    SearchBoxMenu* search = m_app->searchBoxMenu();
    connect(sidebar, &SidebarOutlineView::groupSelected, this,
            [this, recipes, search](GroupsManagedObject* group) {
                recipes->setFilterPredicate(group ? group->filterPredicate() : PredicatePtr());
                if (recipes->selectedObjects().isEmpty() && !recipes->arrangedObjects().isEmpty())
                    recipes->setSelectionIndexes({0});
                search->sidebarSelectionChanged();
                updateGroupActions();
                showGroceryEditorFor(group);
            });
    connect(sidebar, &SidebarOutlineView::editGroupRequested, this, &MainMenuController::editGroup);
    connect(sidebar, &SidebarOutlineView::deleteGroupRequested, this, &MainMenuController::deleteGroup);
    connect(sidebar, &SidebarOutlineView::exportGroupRequested, this, &MainMenuController::exportGroup);
    GroupEditorController* editor = m_app->groupEditorController();
    m_groupEditorSheet = std::make_unique<GroupEditorSheet>(editor, m_mainWindow.get());
    // A group's recipes can change while it is selected (renamed with its keywords, a rule
    // edited, a subgroup moved in, a recipe added to the grocery list): the list follows.
    connect(editor, &GroupEditorController::sheetClosed, this, [this] {
        refreshSelectedGroupList();
        refreshRecipePage(); // the page shows the keywords a rename may have changed
    });
    connect(tree->managedObjectContext(), &ObjectContext::objectsDidChange, this,
            &MainMenuController::refreshSelectedGroupList);
    if (SideBarDragController* drags = m_app->sideBarDragController())
        connect(drags, &SideBarDragController::recipesDropped, this, [this] {
            refreshSelectedGroupList();
            refreshRecipePage();
        });
    connect(editor, &GroupEditorController::selectMyLibraryGroupRequested, sidebar,
            &SidebarOutlineView::selectMyLibraryGroup);
    connect(tree->managedObjectContext(), &ObjectContext::selectionRequested, sidebar,
            [sidebar](ManagedObject* object) {
                if (auto* group = dynamic_cast<GroupsManagedObject*>(object))
                    sidebar->selectGroup(group);
            });
    if (GroupsCounterUpdater* counters = m_app->groupsCounterUpdater())
        connect(counters, &GroupsCounterUpdater::countersUpdated, sidebar->viewport(),
                qOverload<>(&QWidget::update));
    if (CoreDataController* store = m_app->coreDataController()) {
        connect(store, &CoreDataController::autoExpandSidebar, sidebar,
                [sidebar] { sidebar->setAutoExpand(true); });
        // Once the fixed groups exist, the library opens on "My Recipes".
        connect(store, &CoreDataController::versionOneDatabaseImported, sidebar,
                &SidebarOutlineView::selectMyLibraryGroup);
        connect(store, &CoreDataController::groupsContentValidated, sidebar, [sidebar] {
            if (!sidebar->selectedGroup())
                sidebar->selectMyLibraryGroup();
        });
    }
    sidebar->selectMyLibraryGroup();
    connectRecipeEditor();
}

// The recipe editor takes the page area while it is open; the list's buttons and a double
// click reach its commands.
void MainMenuController::connectRecipeEditor() {
    RecipeEditorController* editor = m_app->recipeEditorController();
    if (!editor || m_recipeEditorView)
        return;
    SidebarOutlineView* sidebar = m_mainWindow->sidebar();
    editor->setSelectedGroupProvider([sidebar = QPointer<SidebarOutlineView>(sidebar)] {
        return sidebar ? sidebar->selectedGroup() : nullptr;
    });
    m_recipeEditorView = new RecipeEditorView(editor, m_mainWindow.get());
    m_recipeEditorView->hide();
    connect(editor, &RecipeEditorController::editorClosed, this, [this] {
        m_mainWindow->hideRecipeEditor();
        if (RecipePageView* page = m_mainWindow->recipePage())
            page->displayController()->refreshDisplayView();
        updateRecipeActions();
    });
    connect(m_mainWindow.get(), &MainWindow::newRecipeRequested, this, &MainMenuController::newRecipeAction);
    connect(m_mainWindow.get(), &MainWindow::editRecipeRequested, this,
            &MainMenuController::editRecipeAction);
    connect(m_mainWindow.get(), &MainWindow::deleteRecipeRequested, this,
            &MainMenuController::deleteRecipeAction);
    m_mainWindow->recipeList()->setContextMenuFiller([this](QMenu* menu) { fillRecipeListMenu(menu); });
    m_mainWindow->visualBrowser()->setContextMenuFiller([this](QMenu* menu) { fillRecipeListMenu(menu); });
    connect(m_mainWindow.get(), &MainWindow::webImporterRequested, this, &MainMenuController::openWebImporter,
            Qt::UniqueConnection);
    connect(m_mainWindow.get(), &MainWindow::webAddressDropped, this,
            &MainMenuController::webAddressDroppedOnWindow, Qt::UniqueConnection);
    if (SideBarDragController* drags = m_app->sideBarDragController()) {
        drags->setOpenEditorSaver([this] { saveOpenRecipeEditor(); });
        drags->setWebAddressHandler([this](const QString& address) { importDroppedWebAddress(address); });
    }
    m_app->setQuitGuard([this] {
        RecipeEditorView* view = m_webImporter ? m_webImporter->editorView() : nullptr;
        RecipeEditorController* importerEditor = view ? view->controller() : nullptr;
        if (importerEditor && !importerEditor->closeBeforeQuitting())
            return false;
        // The full-screen view's editor asks the same way.
        RecipeEditorController* fullScreenEditor =
            m_fullScreen ? m_fullScreen->recipeEditorController() : nullptr;
        return !fullScreenEditor || !fullScreenEditor->isOpen() || fullScreenEditor->closeBeforeQuitting();
    });
    connect(m_app->recipesArrayController(), &RecipesArrayController::selectionChanged, this,
            &MainMenuController::updateRecipeActions);
    if (SmartMeasurementsController* rules = m_app->smartMeasurementsController())
        connect(rules, &SmartMeasurementsController::smartMeasurementsApplied, this, [this] {
            if (RecipePageView* page = m_mainWindow->recipePage())
                page->displayController()->refreshDisplayView();
        });
    updateRecipeActions();
}

bool MainMenuController::recipeEditorIsOpen() const {
    RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
    return editor && editor->isOpen();
}

void MainMenuController::updateRecipeActions() {
    RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
    const bool ready = editor && !editor->isOpen();
    const bool selected = ready && !m_app->recipesArrayController()->selectedObjects().isEmpty();
    if (QAction* command = action(QStringLiteral("newRecipe")))
        command->setEnabled(ready);
    // Full screen shows the recipe page, which the main window's editor has taken meanwhile.
    if (m_mainWindow)
        for (QAction* item : m_mainWindow->toolbar()->actions())
            if (item->objectName() == QLatin1String("Full Screen View"))
                item->setEnabled(ready && m_mainWindow->recipePage());
    for (const char* name : {"editRecipe", "deleteRecipe"})
        if (QAction* command = action(QLatin1String(name)))
            command->setEnabled(selected);
    updatePrintActions();
    updateUndoActions();
}

// New, Edit and Delete Recipe do nothing while the editor is open.
void MainMenuController::newRecipeAction() {
    RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
    if (!editor || editor->isOpen() || !m_recipeEditorView)
        return;
    editor->createNewRecipe(RecipeEditorController::Placement::MainWindow, true);
    showRecipeEditor();
}

void MainMenuController::editRecipeAction() {
    RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
    if (!editor || editor->isOpen() || !m_recipeEditorView)
        return;
    const QList<ManagedObject*> selected = m_app->recipesArrayController()->selectedObjects();
    auto* recipe = selected.isEmpty() ? nullptr : dynamic_cast<RecipesManagedObject*>(selected.first());
    if (!recipe)
        return;
    editor->editRecipe(recipe, RecipeEditorController::Placement::MainWindow);
    showRecipeEditor();
}

void MainMenuController::deleteRecipeAction() {
    RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
    if (!editor || editor->isOpen())
        return;
    RecipesArrayController* recipes = m_app->recipesArrayController();
    const QList<ManagedObject*> selected = recipes->selectedObjects();
    const QList<int> rows = recipes->selectionIndexes();
    if (!editor->deleteRecipes(selected, true))
        return;
    // The recipe that followed the deleted ones takes their place in the selection.
    const int count = int(recipes->arrangedObjects().size());
    if (recipes->selectedObjects().isEmpty() && !rows.isEmpty() && count > 0)
        recipes->setSelectionIndexes({std::min(rows.first(), count - 1)});
    refreshRecipePage();
}

void MainMenuController::refreshRecipePage() {
    if (RecipePageView* page = m_mainWindow ? m_mainWindow->recipePage() : nullptr)
        page->displayController()->refreshDisplayView();
}

void MainMenuController::refreshSelectedGroupList() {
    if (!m_app || !m_mainWindow || !m_app->recipesArrayController())
        return;
    RecipesArrayController* recipes = m_app->recipesArrayController();
    GroupsManagedObject* group = m_mainWindow->sidebar()->selectedGroup();
    if (!group || group->isDeleted())
        return;
    const PredicatePtr filter = group->filterPredicate();
    const PredicatePtr shown = recipes->filterPredicate();
    if ((!filter && !shown) || (filter && shown && filter->format() == shown->format()))
        return;
    recipes->setFilterPredicate(filter); // the selection keeps what is still listed
    if (recipes->selectedObjects().isEmpty() && !recipes->arrangedObjects().isEmpty())
        recipes->setSelectionIndexes({0});
    // Recipes came onto the grocery list shown, or went off it.
    if (m_groceryEditor && m_mainWindow->isGroceryEditorShown())
        m_groceryEditor->tableViewSelectionButtons(m_groceryEditor->currentTab());
}

// A grocery list selected in the sidebar shows its editor where the recipe page was.
void MainMenuController::showGroceryEditorFor(GroupsManagedObject* group) {
    if (!m_groceryEditor)
        return;
    if (group && !group->isDeleted() && group->boolValue(QStringLiteral("isGroceryList"))) {
        m_groceryEditor->setGroceryList(group);
        m_mainWindow->showGroceryEditor(m_groceryEditor);
    } else {
        m_mainWindow->hideGroceryEditor();
        m_groceryEditor->setGroceryList(nullptr);
    }
}

GroupsManagedObject* MainMenuController::selectedGroceryList() const {
    GroupsManagedObject* group = m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr;
    return group && !group->isDeleted() && group->boolValue(QStringLiteral("isGroceryList")) ? group
                                                                                             : nullptr;
}

MailHandOver* MainMenuController::mailHandOver() {
    if (!m_mailHandOver) {
        m_mailHandOver = std::make_unique<XdgMailHandOver>();
        m_mailHandOver->setLateFailureHandler([this](const QString& why) {
            qWarning("the mail program did not take the message: %s", qPrintable(why));
            if (Alerts* alerts = m_app ? m_app->alerts() : nullptr)
                alerts->ask(tr("A new message could not be opened in your mail program."),
                            tr("Check that a mail program is set up for this desktop."), {tr("OK")});
        });
    }
    return m_mailHandOver.get();
}

void MainMenuController::toggleFullScreenView() {
    if (!m_fullScreen) {
        if (!m_app || !m_app->session() || !m_mainWindow || !m_mainWindow->recipePage())
            return;
        m_screenKeeper = std::make_unique<DBusScreenKeeper>();
        m_fullScreen = std::make_unique<FullScreenWindowController>(m_app->session(), m_mainWindow.get(),
                                                                    m_screenKeeper.get());
        m_fullScreen->setPrintCommand([this] { printAction(); });
        m_fullScreen->setEmailCommand([this] { emailAction(); });
    }
    m_fullScreen->toggleFullScreenView();
}

void MainMenuController::printAction() {
    printOrEmail(false);
}

void MainMenuController::emailAction() {
    printOrEmail(true);
}

void MainMenuController::printOrEmail(bool email) {
    RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
    const QList<ManagedObject*> selected = recipes ? recipes->selectedObjects() : QList<ManagedObject*>();
    switch (PrintingController::printTarget(m_groceryEditor && selectedGroceryList(), selected.size())) {
    case PrintingController::PrintTarget::GroceryList:
        if (email)
            m_groceryEditor->emailList();
        else
            m_groceryEditor->printList();
        break;
    case PrintingController::PrintTarget::Recipes:
        if (PrintingController* printing = printingController()) {
            printing->setIsEmailOperation(email);
            printing->printObjects(selected);
        }
        break;
    case PrintingController::PrintTarget::Nothing:
        break;
    }
}

PrintingController* MainMenuController::printingController() {
    if (!m_printing) {
        if (!m_app || !m_app->session() || !m_mainWindow)
            return nullptr;
        m_printing = std::make_unique<PrintingController>(m_app->session(), mailHandOver());
        m_printingWindow = std::make_unique<PrintingWindow>(m_printing.get(), m_mainWindow.get());
        // The print dialog opens over the print window.
        m_pagePrinter = std::make_unique<QtPagePrinter>(m_printingWindow.get());
        m_printing->setPagePrinter(m_pagePrinter.get());
    }
    return m_printing.get();
}

// Print and Email act on a grocery list selected in the sidebar, else on the selected recipes.
void MainMenuController::updatePrintActions() {
    RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
    const qsizetype selected = recipes ? recipes->selectedObjects().size() : 0;
    const bool printable =
        PrintingController::printTarget(m_groceryEditor && selectedGroceryList(), selected) !=
        PrintingController::PrintTarget::Nothing;
    for (const char* name : {"print", "email"})
        if (QAction* command = action(QLatin1String(name)))
            command->setEnabled(printable);
    if (!m_mainWindow)
        return;
    for (const char* name : {"emailSegment", "printSegment"})
        if (auto* button = m_mainWindow->toolbar()->findChild<QToolButton*>(QLatin1String(name)))
            button->setEnabled(printable);
}

// The recipe list's context menu, for the recipes selected when it opens.
void MainMenuController::fillRecipeListMenu(QMenu* menu) {
    RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
    if (!recipes || !m_mainWindow)
        return;
    const QList<ManagedObject*> selected = recipes->selectedObjects();
    const bool ready = !selected.isEmpty() && !recipeEditorIsOpen();
    QAction* edit = menu->addAction(tr("Edit"), this, &MainMenuController::editRecipeAction);
    edit->setEnabled(ready && selected.size() == 1);
    menu->addAction(tr("Delete"), this, &MainMenuController::deleteRecipeAction)->setEnabled(ready);
    menu->addSeparator();
    menu->addAction(tr("Export…"), this, &MainMenuController::exportAction)->setEnabled(!selected.isEmpty());
    menu->addAction(tr("Print…"), this, &MainMenuController::printAction)->setEnabled(!selected.isEmpty());
    menu->addAction(tr("Email…"), this, &MainMenuController::emailAction)->setEnabled(!selected.isEmpty());

    SidebarTreeController* tree = m_app->sidebarTreeController();
    QMenu* lists = menu->addMenu(tr("Add to Grocery List"));
    lists->setObjectName(QStringLiteral("addToGroceryListMenu"));
    const QList<GroupsManagedObject*> groceryLists =
        tree ? tree->groceryLists() : QList<GroupsManagedObject*>();
    QStringList ids;
    for (const ManagedObject* recipe : selected)
        ids.append(recipe->stringValue(QStringLiteral("uniqueID")));
    // The menu's commands find their records again by identity when chosen.
    ObjectContext* context = recipes->managedObjectContext();
    for (GroupsManagedObject* list : groceryLists) {
        QAction* add = lists->addAction(list->stringValue(QStringLiteral("name")));
        connect(add, &QAction::triggered, this, [this, context, ids, id = list->objectID()] {
            SideBarDragController* drags = m_app ? m_app->sideBarDragController() : nullptr;
            auto* target = dynamic_cast<GroupsManagedObject*>(context->objectWithID(id));
            if (drags && target && !target->isDeleted())
                drags->dropRecipes(ids, target, false);
        });
    }
    lists->setEnabled(ready && !groceryLists.isEmpty());

    QMenu* groups = menu->addMenu(tr("Show in Group"));
    groups->setObjectName(QStringLiteral("showInGroupMenu"));
    ManagedObject* recipe = selected.isEmpty() ? nullptr : selected.first();
    const QList<GroupsManagedObject*> holding =
        tree ? tree->groupsHoldingRecipe(recipe) : QList<GroupsManagedObject*>();
    for (GroupsManagedObject* group : holding) {
        QAction* show = groups->addAction(
            SidebarOutlineView::iconForKind(SidebarTreeController::kindOfGroup(group), false),
            group->stringValue(QStringLiteral("name")));
        connect(show, &QAction::triggered, this,
                [this, context, groupID = group->objectID(), recipeID = recipe->objectID()] {
                    showRecipeInGroup(context->objectWithID(recipeID),
                                      dynamic_cast<GroupsManagedObject*>(context->objectWithID(groupID)));
                });
    }
    groups->setEnabled(!holding.isEmpty() && selected.size() == 1);
}

void MainMenuController::showRecipeInGroup(ManagedObject* recipe, GroupsManagedObject* group) {
    if (!m_mainWindow || !m_app || !recipe || !group || recipe->isDeleted() || group->isDeleted())
        return;
    RecipesArrayController* recipes = m_app->recipesArrayController();
    // A search could hide the recipe in its group: it is cleared first.
    m_mainWindow->searchField()->clear();
    m_mainWindow->sidebar()->selectGroup(group);
    recipes->setSelectedObjects({recipe});
}

WebImporterController* MainMenuController::webImporter() {
    if (!m_webImporter && m_app && m_app->session() && m_mainWindow) {
        m_webImporter = std::make_unique<WebImporterController>(m_app->session());
        SidebarOutlineView* sidebar = m_mainWindow->sidebar();
        m_webImporter->setSelectedGroupProvider([sidebar = QPointer<SidebarOutlineView>(sidebar)] {
            return sidebar ? sidebar->selectedGroup() : nullptr;
        });
        // A recipe saved in the importer shows in the list and on the page.
        connect(m_webImporter.get(), &WebImporterController::recipeImported, this, [this] {
            if (RecipePageView* page = m_mainWindow->recipePage())
                page->displayController()->refreshDisplayView();
        });
    }
    return m_webImporter.get();
}

WeeklyPlannerController* MainMenuController::weeklyPlanner() {
    if (!m_weeklyPlanner && m_app && m_app->session() && m_mainWindow) {
        m_weeklyPlanner = new WeeklyPlannerController(m_app->session(), m_mainWindow.get());
        m_weeklyPlanner->setMainWindow(m_mainWindow.get());
        m_weeklyPlanner->setRecipeSelector(
            [this](const QList<ManagedObject*>& recipes) { selectRecipesFromPlanner(recipes); });
        // A recipe of a subscribed platefeed planned for a day becomes a linked copy of the
        // library's own: the subscription may replace or remove the original any time.
        m_weeklyPlanner->setSubscribedRecipeCopier([this](ManagedObject* recipe) -> ManagedObject* {
            return m_platefeedManager ? m_platefeedManager->recipeByCopyingAndLinkingRecipe(recipe) : nullptr;
        });
        // The strip of cards showing another list recomputes the planner, as the strip's
        // setContext asks.
        connect(m_mainWindow->visualBrowser(), &VisualBrowser::contextChanged, m_weeklyPlanner,
                &WeeklyPlannerController::fireCaculateDates);
        m_weeklyPlanner->setDayPrinter([this](const QList<ManagedObject*>& recipes) {
            if (PrintingController* printing = printingController()) {
                printing->setIsEmailOperation(false);
                printing->printObjects(recipes);
            }
        });
        connect(m_weeklyPlanner, &WeeklyPlannerController::plannerToggled, this, [this](bool open) {
            if (QAction* toggle = action(QStringLiteral("toggleWeeklyPlanner")))
                toggle->setChecked(open);
        });
    }
    return m_weeklyPlanner;
}

void MainMenuController::setPlatefeedManager(PlatefeedManager* manager) {
    if (m_platefeedManager == manager)
        return;
    if (m_platefeedManager)
        disconnect(m_platefeedManager, nullptr, this, nullptr);
    m_platefeedManager = manager;
    if (manager) {
        // The busy bar runs while a check runs; a failure told after it stays without one.
        const auto showStatus = [this, manager] {
            if (m_mainWindow)
                m_mainWindow->setPlatefeedStatus(manager->statusText(),
                                                 manager->isPublishing() || manager->isImporting());
        };
        connect(manager, &PlatefeedManager::statusChanged, this, showStatus);
        connect(manager, &PlatefeedManager::publishedCheckFinished, this, showStatus);
        connect(manager, &PlatefeedManager::subscribedCheckFinished, this, showStatus);
        connect(manager, &PlatefeedManager::sidebarChanged, this,
                &MainMenuController::updatePlatefeedActions);
        connect(manager, &PlatefeedManager::destroyed, this, [this] {
            if (m_mainWindow)
                m_mainWindow->setPlatefeedStatus(QString());
            updatePlatefeedActions();
        });
    }
    if (m_mainWindow)
        m_mainWindow->setPlatefeedStatus(manager ? manager->statusText() : QString(),
                                         manager && (manager->isPublishing() || manager->isImporting()));
    updatePlatefeedActions();
}

PlatefeedManager* MainMenuController::platefeedManager() const {
    return m_platefeedManager;
}

void MainMenuController::updateSubscribedPlatefeedsAction() {
    if (m_platefeedManager && m_app && m_app->hasOpenLibrary())
        m_platefeedManager->checkSubscribedPlatefeeds();
}

void MainMenuController::publishPlatefeedAction() {
    if (!m_platefeedManager || !m_mainWindow || !m_groupEditorSheet)
        return;
    SidebarOutlineView* sidebar = m_mainWindow->sidebar();
    sidebar->publishGroupConetextMenuAction(sidebar->selectedGroup());
}

void MainMenuController::updatePlatefeedActions() {
    if (!m_mainWindow) // the menus went with it
        return;
    const bool ready = m_platefeedManager && m_app && m_app->hasOpenLibrary();
    if (QAction* publish = action(QStringLiteral("publishPlatefeed")))
        publish->setEnabled(ready && m_groupEditorSheet &&
                            SidebarTreeController::canBePublished(m_mainWindow->sidebar()->selectedGroup()));
    if (QAction* update = action(QStringLiteral("updateSubscribedPlatefeeds")))
        update->setEnabled(ready && !m_platefeedManager->subscribedGroups().isEmpty());
}

WeeklyPlannerController* MainMenuController::weeklyPlannerController() const {
    return m_weeklyPlanner;
}

void MainMenuController::toggleWeeklyPlanner() {
    if (WeeklyPlannerController* planner = weeklyPlanner())
        planner->toggleWeeklyPlanner();
    else if (QAction* toggle = action(QStringLiteral("toggleWeeklyPlanner")))
        toggle->setChecked(false);
}

// Recipes selected in a planner day are selected in the main list; one the list does not
// show as filtered now makes it show the whole library first.
void MainMenuController::selectRecipesFromPlanner(const QList<ManagedObject*>& recipes) {
    RecipesArrayController* list = m_app ? m_app->recipesArrayController() : nullptr;
    if (!list || !m_mainWindow)
        return;
    const bool allListed = std::all_of(recipes.cbegin(), recipes.cend(), [list](const ManagedObject* recipe) {
        return list->rowOfObject(recipe) >= 0;
    });
    if (!allListed) {
        m_mainWindow->searchField()->clear();
        m_mainWindow->sidebar()->selectMyLibraryGroup();
    }
    list->setSelectedObjects(recipes);
    const int row = recipes.isEmpty() ? -1 : list->rowOfObject(recipes.first());
    if (row >= 0)
        m_mainWindow->recipeTable()->scrollTo(list->index(row, 0));
}

void MainMenuController::openWebImporter() {
    if (WebImporterController* importer = webImporter())
        importer->openWebImporter();
}

void MainMenuController::saveOpenRecipeEditor() {
    RecipeEditorController* main = m_app ? m_app->recipeEditorController() : nullptr;
    if (main && main->isOpen())
        main->saveButtonAction();
}

void MainMenuController::webAddressDroppedOnWindow(const QString& address) {
    saveOpenRecipeEditor();
    importDroppedWebAddress(address);
}

void MainMenuController::importDroppedWebAddress(const QString& address) {
    if (!m_app || !m_app->session())
        return;
    if (!m_droppedLinkImporter) {
        m_droppedLinkImporter = new WebAutoImporter(QString(), this);
        // The pictures arrive after the recipe has opened; they go to its editor while it is
        // still the one open.
        connect(m_droppedLinkImporter, &WebAutoImporter::pictureReady, this,
                [this](int index, const QString&) {
                    RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
                    if (editor && editor->isOpen() && editor->recipe() &&
                        editor->recipe()->objectID() == m_droppedLinkRecipe)
                        editor->addImageForIndex(index);
                });
    }
    const QUrl url(webimport::normalisedAddress(address));
    m_droppedLinkImporter->lookForRecipeOnPage(url, [this, address](WebAutoImporter::PageCheck check) {
        RecipeEditorController* editor = m_app ? m_app->recipeEditorController() : nullptr;
        if (check == WebAutoImporter::PageCheck::Recipe && editor && !editor->isOpen() &&
            m_recipeEditorView) {
            RecipesManagedObject* recipe = m_droppedLinkImporter->recipeFromPage(*m_app->session());
            if (!recipe)
                return;
            m_droppedLinkRecipe = recipe->objectID();
            editor->setAnimate(true);
            editor->editRecipe(recipe, RecipeEditorController::Placement::MainWindow);
            showRecipeEditor();
            return;
        }
        // No recipe Larkspoon! can read, or a page that could not be fetched: the importer
        // shows the page, or whatever the browser has to say about it.
        if (WebImporterController* importer = webImporter())
            importer->determineAutoImportAbilityFromAddress(address,
                                                            WebImporterController::Requester::LibraryWindow);
    });
}

void MainMenuController::showRecipeEditor() {
    m_mainWindow->showRecipeEditor(m_recipeEditorView);
    m_recipeEditorView->animateIn();
    m_recipeEditorView->focusTitle();
    updateRecipeActions();
}

void MainMenuController::updateGroupActions() {
    const bool open = m_app && m_app->groupEditorController();
    if (QAction* newGroup = action(QStringLiteral("newGroup")))
        newGroup->setEnabled(open);
    if (QAction* edit = action(QStringLiteral("editGroup")))
        edit->setEnabled(open && canDeleteSelectedGroup());
    if (QAction* remove = action(QStringLiteral("deleteGroup")))
        remove->setEnabled(open && canDeleteSelectedGroup());
    if (QAction* exportGroup = action(QStringLiteral("exportGroup"))) {
        GroupsManagedObject* group = m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr;
        const bool exportable = open && group && !SidebarTreeController::isHeader(group);
        exportGroup->setEnabled(exportable);
        exportGroup->setText(exportable ? tr("Export “%1”...").arg(group->stringValue(QStringLiteral("name")))
                                        : tr("Export Group..."));
    }
    updatePrintActions();
    updatePlatefeedActions();
}

bool MainMenuController::canDeleteSelectedGroup() const {
    GroupsManagedObject* group = m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr;
    return group && group->canBeDeleted();
}

void MainMenuController::newGroupAction() {
    if (m_groupEditorSheet)
        m_groupEditorSheet->openEditorForNewGroup();
}

void MainMenuController::editGroupAction() {
    editGroup(m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr);
}

void MainMenuController::deleteSelectedGroup() {
    deleteGroup(m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr);
}

void MainMenuController::editGroup(GroupsManagedObject* group) {
    if (group && m_groupEditorSheet)
        m_groupEditorSheet->editGroup(group);
}

void MainMenuController::deleteGroup(GroupsManagedObject* group) {
    if (group && m_app && m_app->groupEditorController())
        m_app->groupEditorController()->deleteGroup(group);
}

// View: the commands that concern every recipe page go to each page's theme controller.
void MainMenuController::toogleThemeSelectors() {
    ThemeController::toogleThemeSelectors();
}

void MainMenuController::enlargeRecipeWebViewsText() {
    ThemeController::enlargeRecipeWebViewsText();
}

void MainMenuController::shrinkRecipeWebViewsText() {
    ThemeController::shrinkRecipeWebViewsText();
}

// File > Import...: one file of a supported type, routed by its extension (compared
// exactly); the check box admits the personal details of exchange files.
void MainMenuController::importAction() {
    if (!m_app || !m_app->filePanels() || !m_app->hasOpenLibrary())
        return;
    FilePanelRequest request;
    request.title = tr("Import");
    request.fileTypes = {QStringLiteral("Larkspoon!"), QStringLiteral("mgourmet"),
                         QStringLiteral("lsr"),        QStringLiteral("database"),
                         QStringLiteral("mx2"),        QStringLiteral("mmf"),
                         QStringLiteral("mm"),         QStringLiteral("txt"),
                         QStringLiteral("mgourmet3"),  QStringLiteral("mgourmet4")};
    request.checkBoxTitle =
        tr("Also import Date Created, Date Modified, Rating, Previously Prepared and Private Notes.");
    request.note = tr("Supported formats are Larkspoon! 2 two exports “lsr”, Larkspoon! 1 exports "
                      "“Larkspoon!” "
                      "Larkspoon! 1 databases “database”, MacGourmet data exports "
                      "“mgourmet”, MasterCook XML "
                      "exports “mx2”, and MealMaster files “mmf”, “mm” and “txt”.");
    openPanelDidEndForImport(m_app->filePanels()->runOpenPanel(request));
}

void MainMenuController::openPanelDidEndForImport(const FilePanelResult& result) {
    if (!result.confirmed || result.path.isEmpty() || !m_app)
        return;
    const QString extension = QFileInfo(result.path).suffix();
    if (extension == QLatin1String("lsr")) {
        if (LibrarySession* session = m_app->session())
            ExchangeImportOperation::start(*session, result.path, result.checkBoxState, progressView());
        return;
    }
    // Other programs' recipe files (MasterCook, MealMaster, MacGourmet; "txt" by what it
    // holds).
    if (foreignFormatOfFile(result.path) != ForeignFormat::None) {
        if (LibrarySession* session = m_app->session())
            ForeignImportOperation::start(*session, result.path, progressView());
        return;
    }
    if (extension == QLatin1String("txt")) {
        if (Alerts* alerts = m_app->alerts())
            alerts->ask(tr("“%1” holds no MealMaster recipes.").arg(QFileInfo(result.path).fileName()),
                        QString(), {tr("OK")});
        return;
    }
    // The other formats open as they do from outside; their importers register with the
    // application as they arrive.
    static const QStringList kOtherImports{QStringLiteral("Larkspoon!"), QStringLiteral("database"),
                                           QStringLiteral("mgourmet"), QStringLiteral("mx2")};
    if (!kOtherImports.contains(extension))
        return;
    if (m_app->hasDocumentHandler(extension))
        m_app->openFile(result.path);
    else
        notAvailableYet(tr("Importing “%1” files").arg(extension));
}

QString MainMenuController::exportProposedName(const QList<ManagedObject*>& recipes) {
    if (recipes.size() == 1)
        return recipes.first()->stringValue(QStringLiteral("name"));
    return tr("%1 Larkspoon! %2").arg(recipes.size()).arg(tr("recipes"));
}

QString MainMenuController::exportPanelTitle(int count) {
    return count == 1 ? tr("Export 1 recipe") : tr("Export %1 recipes").arg(QLocale().toString(count));
}

// File > Export...: the selected recipes into an exchange file; with none selected, the
// recipes of the group selected in the sidebar.
void MainMenuController::exportAction() {
    RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
    if (!recipes || !m_app->filePanels())
        return;
    const QList<ManagedObject*> selected = recipes->selectedObjects();
    if (selected.isEmpty()) {
        exportGroup(m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr);
        return;
    }
    runExportPanel(selected, exportProposedName(selected));
}

void MainMenuController::exportGroupAction() {
    exportGroup(m_mainWindow ? m_mainWindow->sidebar()->selectedGroup() : nullptr);
}

QList<ManagedObject*> MainMenuController::recipesOfGroup(GroupsManagedObject* group) const {
    ObjectContext* context = m_app ? m_app->managedObjectContext() : nullptr;
    if (!context || !group || group->isDeleted() || SidebarTreeController::isHeader(group))
        return {};
    // The recipes the list shows for the group, without the search, in the list's order.
    const PredicatePtr filter = group->filterPredicate();
    return context->executeFetchRequest(
        FetchRequest(QStringLiteral("Recipes"), filter ? filter : RecipesManagedObject::ownLibraryPredicate(),
                     {SortDescriptor{QStringLiteral("name"), true, true}}));
}

// The group's recipes into an exchange file named after the group.
bool MainMenuController::exportGroup(GroupsManagedObject* group) {
    if (!group || !m_app || !m_app->filePanels() || !m_app->hasOpenLibrary())
        return false;
    const QList<ManagedObject*> recipes = recipesOfGroup(group);
    const QString name = group->stringValue(QStringLiteral("name"));
    if (recipes.isEmpty()) {
        m_app->alerts()->ask(tr("“%1” holds no recipes to export.").arg(name), QString(), {tr("OK")});
        return false;
    }
    return runExportPanel(recipes, name);
}

bool MainMenuController::runExportPanel(const QList<ManagedObject*>& recipes, const QString& proposedName) {
    FilePanelRequest request;
    // The count shows in the title and, for desktops that draw no title, under the check box.
    request.title = exportPanelTitle(int(recipes.size()));
    request.note = request.title;
    request.fileTypes = {QStringLiteral("lsr")};
    request.canCreateFolders = true;
    request.proposedName = proposedName;
    request.checkBoxTitle = tr("Also export Private Notes.");
    return exportDidEndForPanel(m_app->filePanels()->runSavePanel(request), recipes);
}

bool MainMenuController::exportDidEndForPanel(const FilePanelResult& result,
                                              const QList<ManagedObject*>& recipes) {
    if (!result.confirmed || result.path.isEmpty() || !m_app || !m_app->session())
        return false;
    VersionTwoImporterExporter exporter(m_app->session(), progressView());
    exporter.setShowWindow(true);
    exporter.setTransferAllInfo(result.checkBoxState);
    QString error;
    if (!exporter.exportRecipes(recipes, result.path, &error)) {
        qWarning("the recipes could not be exported: %s", qPrintable(error));
        return false;
    }
    return true;
}

ProgressView* MainMenuController::progressView() {
    if (!m_progressView)
        m_progressView = std::make_unique<QtProgressView>(m_mainWindow.get());
    return m_progressView.get();
}

QAction* MainMenuController::addCommand(QMenu* menu, const QString& name, const QString& text,
                                        const QKeySequence& shortcut, void (MainMenuController::*command)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (command)
        connect(action, &QAction::triggered, this, command);
    else
        action->setEnabled(false); // its feature arrives with a later step
    m_actions.insert(name, action);
    return action;
}

void MainMenuController::buildMenus() {
    QMenuBar* bar = m_mainWindow->menuBar();

    QMenu* app = bar->addMenu(tr("&Larkspoon!"));
    QAction* about = addCommand(app, QStringLiteral("about"), tr("About Larkspoon!"), {},
                                &MainMenuController::aboutApplicationAction);
    about->setMenuRole(QAction::AboutRole);
    app->addSeparator();
    QAction* preferences = addCommand(app, QStringLiteral("preferences"), tr("Preferences..."),
                                      QKeySequence(tr("Ctrl+,")), &MainMenuController::openPreferences);
    preferences->setMenuRole(QAction::PreferencesRole);
    app->addSeparator();
    QAction* quit = addCommand(app, QStringLiteral("quit"), tr("Quit Larkspoon!"), QKeySequence(tr("Ctrl+Q")),
                               &MainMenuController::quitAction);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* file = bar->addMenu(tr("&File"));
    addCommand(file, QStringLiteral("newRecipe"), tr("New Recipe"), QKeySequence(tr("Ctrl+N")),
               &MainMenuController::newRecipeAction);
    addCommand(file, QStringLiteral("newGroup"), tr("New Group..."), QKeySequence(tr("Ctrl+Shift+N")),
               &MainMenuController::newGroupAction);
    file->addSeparator();
    addCommand(file, QStringLiteral("newLibrary"), tr("New Library..."), {},
               &MainMenuController::createNewLibraryDialogAction);
    addCommand(file, QStringLiteral("openLibrary"), tr("Open Library..."), QKeySequence(tr("Ctrl+O")),
               &MainMenuController::openLibraryAction);
    file->addSeparator();
    addCommand(file, QStringLiteral("save"), tr("Save"), QKeySequence(tr("Ctrl+S")),
               &MainMenuController::saveAction);
    addCommand(file, QStringLiteral("restoreFromBackup"), tr("Restore from Backup…"), {},
               &MainMenuController::restoreFromBackupAction);
    file->addSeparator();
    addCommand(file, QStringLiteral("import"), tr("Import..."), QKeySequence(tr("Ctrl+Shift+I")),
               &MainMenuController::importAction);
    addCommand(file, QStringLiteral("export"), tr("Export..."), QKeySequence(tr("Ctrl+Shift+E")),
               &MainMenuController::exportAction);
    addCommand(file, QStringLiteral("exportGroup"), tr("Export Group..."), {},
               &MainMenuController::exportGroupAction);
    file->addSeparator();
    addCommand(file, QStringLiteral("publishPlatefeed"), tr("Publish Platefeed…"), {},
               &MainMenuController::publishPlatefeedAction);
    addCommand(file, QStringLiteral("updateSubscribedPlatefeeds"), tr("Update Subscribed Platefeeds"), {},
               &MainMenuController::updateSubscribedPlatefeedsAction);
    // Subscriptions come and go without the sidebar's selection changing.
    connect(file, &QMenu::aboutToShow, this, &MainMenuController::updatePlatefeedActions);
    file->addSeparator();
    addCommand(file, QStringLiteral("print"), tr("Print..."), QKeySequence(tr("Ctrl+P")),
               &MainMenuController::printAction);
    addCommand(file, QStringLiteral("email"), tr("Email..."), {}, &MainMenuController::emailAction);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    // Undo names what it undoes; with a text field being typed in, that is the typing.
    connect(edit, &QMenu::aboutToShow, this, &MainMenuController::updateUndoActions);
    addCommand(edit, QStringLiteral("undo"), tr("Undo"), QKeySequence::Undo, &MainMenuController::undoAction);
    addCommand(edit, QStringLiteral("redo"), tr("Redo"), QKeySequence::Redo, &MainMenuController::redoAction);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("editRecipe"), tr("Edit Recipe"), QKeySequence(tr("Ctrl+E")),
               &MainMenuController::editRecipeAction);
    addCommand(edit, QStringLiteral("deleteRecipe"), tr("Delete Recipe"), QKeySequence(tr("Ctrl+Backspace")),
               &MainMenuController::deleteRecipeAction);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("editGroup"), tr("Edit Group..."), {},
               &MainMenuController::editGroupAction);
    addCommand(edit, QStringLiteral("deleteGroup"), tr("Delete Group"), {},
               &MainMenuController::deleteSelectedGroup);

    QMenu* view = bar->addMenu(tr("&View"));
    addCommand(view, QStringLiteral("chooseTheme"), tr("Choose Theme"), QKeySequence(tr("Ctrl+T")),
               &MainMenuController::toogleThemeSelectors);
    view->addSeparator();
    addCommand(view, QStringLiteral("largerText"), tr("Larger Text"), QKeySequence::ZoomIn,
               &MainMenuController::enlargeRecipeWebViewsText);
    addCommand(view, QStringLiteral("smallerText"), tr("Smaller Text"), QKeySequence::ZoomOut,
               &MainMenuController::shrinkRecipeWebViewsText);
    view->addSeparator();
    QAction* visualBrowser = addCommand(view, QStringLiteral("visualBrowser"), tr("Visual Browser"), {},
                                        &MainMenuController::changeRecipeSelector);
    visualBrowser->setCheckable(true);
    visualBrowser->setChecked(m_mainWindow->isVisualBrowserEnabled());
    // The toolbar's Full Screen is also the menu's: one command, one shortcut, one state.
    for (QAction* item : m_mainWindow->toolbar()->actions())
        if (item->objectName() == QLatin1String("Full Screen View"))
            view->addAction(item);

    view->addSeparator();
    QAction* planner = addCommand(view, QStringLiteral("toggleWeeklyPlanner"), tr("Weekly Planner"),
                                  QKeySequence(tr("Ctrl+Shift+W")), &MainMenuController::toggleWeeklyPlanner);
    planner->setCheckable(true);

    QMenu* window = bar->addMenu(tr("&Window"));
    addCommand(window, QStringLiteral("libraryWindow"), tr("Library Window"), QKeySequence(tr("Ctrl+1")),
               &MainMenuController::showMainWindow);
    addCommand(window, QStringLiteral("openWebImporter"), tr("Web Importer"), QKeySequence(tr("Ctrl+2")),
               &MainMenuController::openWebImporter);

    connectDeadToolbarControls();
    updatePrintActions();
    updatePlatefeedActions();

    QMenu* help = bar->addMenu(tr("&Help"));
    QAction* guide = addCommand(help, QStringLiteral("guide"), tr("Larkspoon! Guide"),
                                QKeySequence::HelpContents, &MainMenuController::larkspoonHelp);
    // Always enabled: a missing guide is said in an alert rather than by a grey item.
    guide->setEnabled(true);
    addCommand(help, QStringLiteral("emailDeveloper"), tr("E-mail the Developer…"), {},
               &MainMenuController::emailDeveloper);
}

void MainMenuController::changeRecipeSelector() {
    if (!m_mainWindow)
        return;
    QAction* toggle = action(QStringLiteral("visualBrowser"));
    const bool enabled = toggle ? toggle->isChecked() : !m_mainWindow->isVisualBrowserEnabled();
    m_mainWindow->setVisualBrowserEnabled(enabled);
}

void MainMenuController::notAvailableYet(const QString& feature) {
    if (Alerts* alerts = m_app ? m_app->alerts() : nullptr)
        alerts->ask(tr("Not available yet"),
                    tr("%1 is not part of this version of Larkspoon! yet.").arg(feature), {tr("OK")});
}

void MainMenuController::connectDeadToolbarControls() {
    QToolBar* toolbar = m_mainWindow->toolbar();
    for (QAction* item : toolbar->actions()) {
        const QString name = item->objectName();
        if (name == QLatin1String("Full Screen View")) {
            connect(item, &QAction::triggered, this, &MainMenuController::toggleFullScreenView);
        } else if (name == QLatin1String("Recipe Controls")) {
            item->setEnabled(true);
        }
    }
    if (auto* button = toolbar->findChild<QToolButton*>(QStringLiteral("emailSegment")))
        connect(button, &QToolButton::clicked, this, &MainMenuController::emailAction);
    if (auto* button = toolbar->findChild<QToolButton*>(QStringLiteral("printSegment")))
        connect(button, &QToolButton::clicked, this, &MainMenuController::printAction);
    if (auto* button = toolbar->findChild<QToolButton*>(QStringLiteral("socialSegment"))) {
        auto* menu = new QMenu(button);
        menu->setObjectName(QStringLiteral("socialMenu"));
        menu->addAction(tr("Copy Recipe as Text"), this, &MainMenuController::copyRecipeAsTextAction)
            ->setObjectName(QStringLiteral("copyRecipeAsText"));
        menu->addAction(tr("Save as PDF…"), this, &MainMenuController::saveAsPdfAction)
            ->setObjectName(QStringLiteral("saveAsPdf"));
        menu->addAction(tr("Email…"), this, &MainMenuController::emailAction)
            ->setObjectName(QStringLiteral("socialEmail"));
        // The commands need selected recipes; the menu says so as it opens.
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
            const bool any = recipes && !recipes->selectedObjects().isEmpty();
            for (QAction* item : menu->actions())
                item->setEnabled(any);
        });
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
    }
}

void MainMenuController::createNewLibraryDialogAction() {
    if (!m_app || !m_app->filePanels())
        return;
    m_app->saveAction();
    FilePanelRequest request;
    request.title = tr("New Library");
    request.fileTypes = {QStringLiteral("library")};
    request.canCreateFolders = true;
    request.proposedName = tr("Larkspoon! Library");
    newLibraryDidEndForPanel(m_app->filePanels()->runSavePanel(request));
}

MainMenuController::NewLibraryOutcome
MainMenuController::newLibraryDidEndForPanel(const FilePanelResult& result) {
    if (!result.confirmed || result.path.isEmpty() || !m_app)
        return NewLibraryOutcome::Cancelled;
    Alerts* alerts = m_app->alerts();
    const QString path = QDir::cleanPath(QFileInfo(result.path).absoluteFilePath());

    // The open library, or a folder holding it, is never removed from under the program.
    if (wouldReplaceLibraryInUse(path, UserDefaults::stringForKey(QStringLiteral("libraryPath")))) {
        if (alerts)
            alerts->ask(tr("Sorry but you can't overwrite a library that is in use."), QString(), {tr("OK")});
        return NewLibraryOutcome::RefusedInUse;
    }

    removeItem(path);
    if (!itemExists(path))
        QDir().mkpath(path);
    // Only an empty new folder may become the library: what could not be removed would
    // otherwise be opened as the new library at the next launch.
    const QFileInfo created(path);
    if (!created.isDir() || created.isSymLink() ||
        !QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        qWarning("could not create the new library folder %s", qPrintable(path));
        if (alerts)
            alerts->ask(tr("Your new library could not be created."),
                        tr("Check that you can write to the folder you chose, then try again."), {tr("OK")});
        return NewLibraryOutcome::Failed;
    }

    UserDefaults::setObjectForKey(path, QStringLiteral("libraryPath"));
    UserDefaults::synchronize();
    if (alerts)
        alerts->ask(tr("Your new library has been created."),
                    tr("Larkspoon! needs to relaunch to open it. After quitting relaunch."), {tr("Quit")});
    m_app->terminate();
    return NewLibraryOutcome::Created;
}

void MainMenuController::openLibraryAction() {
    if (!m_app || !m_app->filePanels())
        return;
    FilePanelRequest request;
    request.title = tr("Open Library");
    request.fileTypes = {QStringLiteral("library")};
    request.chooseFolders = true;
    const FilePanelResult result = m_app->filePanels()->runOpenPanel(request);
    if (result.confirmed && !result.path.isEmpty())
        m_app->openFile(result.path);
}

void MainMenuController::restoreFromBackupAction() {
    if (!m_app || !m_app->hasOpenLibrary() || !m_app->backups())
        return;
    RestoreBackupWindow window(m_app->backups()->backups(), mainWindow());
    if (window.exec() == QDialog::Accepted)
        m_app->restoreFromBackup(window.chosen().path, window.chosen().date, window.chosen().recipes);
}

// With the editor open, Save stores what was typed into the recipe (the editor stays open).
void MainMenuController::saveAction() {
    if (!m_app || !m_app->hasOpenLibrary())
        return;
    if (RecipeEditorController* editor = m_app->recipeEditorController(); editor && editor->isOpen())
        editor->saveRecipeState();
    else
        m_app->saveAction();
}

namespace {

// The text field with keyboard focus whose typing can be undone or redone, or null.
QWidget* focusedTextField(bool redo) {
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        return (redo ? line->isRedoAvailable() : line->isUndoAvailable()) && !line->isReadOnly() ? line
                                                                                                 : nullptr;
    QTextDocument* document = nullptr;
    if (auto* text = qobject_cast<QTextEdit*>(focus); text && !text->isReadOnly())
        document = text->document();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus); plain && !plain->isReadOnly())
        document = plain->document();
    if (!document)
        return nullptr;
    return (redo ? document->isRedoAvailable() : document->isUndoAvailable()) ? focus : nullptr;
}

void undoTyping(QWidget* field, bool redo) {
    if (auto* line = qobject_cast<QLineEdit*>(field))
        redo ? line->redo() : line->undo();
    else if (auto* text = qobject_cast<QTextEdit*>(field))
        redo ? text->redo() : text->undo();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        redo ? plain->redo() : plain->undo();
}

} // namespace

void MainMenuController::undoAction() {
    if (QWidget* field = recipeEditorIsOpen() ? focusedTextField(false) : nullptr) {
        undoTyping(field, false);
        updateUndoActions();
        return;
    }
    if (!m_app || !m_app->hasOpenLibrary() || recipeEditorIsOpen())
        return;
    if (ObjectContext* context = m_app->managedObjectContext()) {
        context->undoManager()->closeImplicitGroup();
        if (context->undoManager()->canUndo())
            context->undoManager()->undo();
    }
    updateUndoActions();
}

void MainMenuController::redoAction() {
    if (QWidget* field = recipeEditorIsOpen() ? focusedTextField(true) : nullptr) {
        undoTyping(field, true);
        updateUndoActions();
        return;
    }
    if (!m_app || !m_app->hasOpenLibrary() || recipeEditorIsOpen())
        return;
    if (ObjectContext* context = m_app->managedObjectContext()) {
        if (context->undoManager()->canRedo())
            context->undoManager()->redo();
    }
    updateUndoActions();
}

void MainMenuController::updateUndoActions() {
    QAction* undo = action(QStringLiteral("undo"));
    QAction* redo = action(QStringLiteral("redo"));
    if (!undo || !redo)
        return;
    UndoManager* manager = nullptr;
    if (m_app && m_app->hasOpenLibrary())
        if (ObjectContext* context = m_app->managedObjectContext())
            manager = context->undoManager();
    const QString undoName = manager ? manager->undoActionName() : QString();
    const QString redoName = manager ? manager->redoActionName() : QString();
    // The library's undo waits while the editor is open: it could take away the record being
    // edited. There Edit › Undo undoes the typing of the field being edited.
    const bool editing = recipeEditorIsOpen();
    if (editing) {
        const bool canUndoTyping = focusedTextField(false) != nullptr;
        const bool canRedoTyping = focusedTextField(true) != nullptr;
        undo->setEnabled(canUndoTyping);
        redo->setEnabled(canRedoTyping);
        undo->setText(canUndoTyping ? tr("Undo %1").arg(tr("Typing")) : tr("Undo"));
        redo->setText(canRedoTyping ? tr("Redo %1").arg(tr("Typing")) : tr("Redo"));
        return;
    }
    undo->setEnabled(manager && manager->canUndo());
    redo->setEnabled(manager && manager->canRedo());
    undo->setText(undoName.isEmpty() ? tr("Undo") : tr("Undo %1").arg(undoName));
    redo->setText(redoName.isEmpty() ? tr("Redo") : tr("Redo %1").arg(redoName));
}

void MainMenuController::openPreferences() {
    if (m_app && m_app->preferencesController())
        m_app->preferencesController()->openPreferences();
}

void MainMenuController::showPreferencesWindow() {
    if (!m_app || !m_app->preferencesController())
        return;
    if (!m_preferencesWindow)
        m_preferencesWindow = std::make_unique<PreferencesWindow>(m_app->preferencesController());
    if (SmartMeasurementsController* rules = m_app->smartMeasurementsController())
        m_preferencesWindow->setSmartMeasurementsController(rules, m_app->alerts());
    m_preferencesWindow->openPreferences();
}

void MainMenuController::aboutApplicationAction() {
    if (!m_aboutBox) {
        m_aboutBox = std::make_unique<QDialog>();
        m_aboutBox->setObjectName(QStringLiteral("AboutBox"));
        m_aboutBox->setWindowTitle(tr("About Larkspoon!"));
        auto* layout = new QVBoxLayout(m_aboutBox.get());
        layout->setContentsMargins(32, 24, 32, 18);
        layout->setSpacing(6);
        auto* icon = new QLabel(m_aboutBox.get());
        const QIcon appIcon = QApplication::windowIcon().isNull()
                                  ? m_aboutBox->style()->standardIcon(QStyle::SP_DesktopIcon)
                                  : QApplication::windowIcon();
        icon->setPixmap(appIcon.pixmap(64, 64));
        icon->setAlignment(Qt::AlignHCenter);
        layout->addWidget(icon);
        auto* name = new QLabel(tr("Larkspoon!"), m_aboutBox.get());
        QFont nameFont = name->font();
        nameFont.setBold(true);
        nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
        name->setFont(nameFont);
        name->setAlignment(Qt::AlignHCenter);
        layout->addWidget(name);
        auto* version = new QLabel(tr("Version %1").arg(QStringLiteral(LARKSPOON_SHORT_VERSION_STRING)),
                                   m_aboutBox.get());
        version->setAlignment(Qt::AlignHCenter);
        layout->addWidget(version);
        version->setObjectName(QStringLiteral("aboutVersion"));
        auto* line = new QLabel(tr("Your personal library of recipes."), m_aboutBox.get());
        line->setAlignment(Qt::AlignHCenter);
        layout->addWidget(line);
        // The libraries shipped with the program, each with its licence.
        auto* credits =
            new QLabel(tr("Made with Qt (LGPLv3), SQLite (public domain), OpenJPEG (BSD-2-Clause) "
                          "and QtKeychain (BSD-3-Clause)."),
                       m_aboutBox.get());
        credits->setObjectName(QStringLiteral("aboutCredits"));
        credits->setWordWrap(true);
        credits->setAlignment(Qt::AlignHCenter);
        QFont small = credits->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        credits->setFont(small);
        credits->setMinimumWidth(320);
        layout->addSpacing(6);
        layout->addWidget(credits);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_aboutBox.get());
        connect(buttons, &QDialogButtonBox::rejected, m_aboutBox.get(), &QDialog::close);
        layout->addSpacing(8);
        layout->addWidget(buttons);
        m_aboutBox->setFixedSize(m_aboutBox->sizeHint().expandedTo(QSize(300, 0)));
    }
    m_aboutBox->show();
    m_aboutBox->raise();
    m_aboutBox->activateWindow();
}

// The installed guide is among the resources; a build tree has it beside the executables.
QString MainMenuController::guidePath() {
    const QString name = QStringLiteral("Larkspoon! Guide.pdf");
    const QString installed = resourcesPath() + QLatin1Char('/') + name;
    if (QFileInfo(installed).isFile() || !QCoreApplication::instance())
        return installed;
    const QString built = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    return QFileInfo(built).isFile() ? built : installed;
}

void MainMenuController::larkspoonHelp() {
    const QString path = guidePath();
    const auto noViewer = [this](const QString& why) {
        qWarning("the guide could not be opened: %s", qPrintable(why));
        if (Alerts* alerts = m_app ? m_app->alerts() : nullptr)
            alerts->ask(tr("The Larkspoon! Guide could not be opened."),
                        tr("Check that a PDF viewer is set up for this desktop."), {tr("OK")});
    };
    if (!QFileInfo(path).isFile()) {
        if (Alerts* alerts = m_app ? m_app->alerts() : nullptr)
            alerts->ask(tr("The Larkspoon! Guide is missing."), tr("It was not found at “%1”.").arg(path),
                        {tr("OK")});
        return;
    }
    QString error;
    if (!desktophandover::openUrl(this, QUrl::fromLocalFile(path), noViewer, &error))
        noViewer(error);
}

QString MainMenuController::feedbackAddress() {
    return QStringLiteral("larkspoon-feedback@example.org");
}

QUrl MainMenuController::feedbackMailto() {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(feedbackAddress());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"),
                       tr("Larkspoon! %1 feedback").arg(QStringLiteral(LARKSPOON_SHORT_VERSION_STRING)));
    url.setQuery(query);
    return url;
}

void MainMenuController::emailDeveloper() {
    const auto noMailProgram = [this](const QString& why) {
        qWarning("the message to the developer could not be opened: %s", qPrintable(why));
        if (Alerts* alerts = m_app ? m_app->alerts() : nullptr)
            alerts->ask(tr("A new message could not be opened in your mail program."),
                        tr("Write to %1 to reach the developer.").arg(feedbackAddress()), {tr("OK")});
    };
    QString error;
    if (!desktophandover::openUrl(this, feedbackMailto(), noMailProgram, &error))
        noMailProgram(error);
}

void MainMenuController::copyRecipeAsTextAction() {
    RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
    if (recipes)
        PrintingController::copyAsText(recipes->selectedObjects());
}

void MainMenuController::saveAsPdfAction() {
    RecipesArrayController* recipes = m_app ? m_app->recipesArrayController() : nullptr;
    const QList<ManagedObject*> selected = recipes ? recipes->selectedObjects() : QList<ManagedObject*>();
    PrintingController* printing = selected.isEmpty() ? nullptr : printingController();
    if (!printing || printing->isWindowOpen() || !m_app->filePanels())
        return;
    FilePanelRequest request;
    request.title = tr("Save as PDF");
    request.fileTypes = {QStringLiteral("pdf")};
    request.canCreateFolders = true;
    request.proposedName = PrintingController::pdfFileName(selected);
    const FilePanelResult result = m_app->filePanels()->runSavePanel(request);
    if (!result.confirmed || result.path.isEmpty())
        return;
    QString path = result.path;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    printing->saveObjectsAsPdf(selected, path);
}

void MainMenuController::quitAction() {
    if (m_app)
        m_app->terminate();
    else
        exitApplication();
}

// larkspoon-screenshots: pictures of the desktop application's main views, one PNG file
// per view, for the documentation (`make screenshots`).
//
//   larkspoon-screenshots FOLDER
//
// Starts the application as `larkspoon` does, with a fresh library in a temporary home
// (the user's own files are left alone), writes FOLDER/<view>.png and quits (status 0
// when every picture was written).
#include "grocery/GroceryController.h"
#include "grocery/ui/GroceryEditor.h"
#include "import/BookmarksModel.h"
#include "import/WebImporterRules.h"
#include "import/ui/BookmarksTableView.h"
#include "import/ui/WebImporterController.h"
#include "library/AppController.h"
#include "library/GroupEditorController.h"
#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryBackups.h"
#include "library/LibrarySession.h"
#include "library/PreferencesController.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/ui/GroupEditorSheet.h"
#include "library/ui/PreferencesWindow.h"
#include "library/ui/RecipeEditorView.h"
#include "library/ui/RestoreBackupWindow.h"
#include "library/ui/SidebarOutlineView.h"
#include "measure/ui/ScalingAssistantController.h"
#include "measure/ui/SmartMeasurementsTableView.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/ui/WeeklyPlannerController.h"
#include "planner/ui/WeeklyPlannerNoteEditor.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/HtmlPage.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/PrintView.h"
#include "present/PrintViewGenerator.h"
#include "present/RecipeDisplayController.h"
#include "present/ui/PrintingWindow.h"
#include "present/ui/RecipePageView.h"
#include "share/DialogWithProgressbarController.h"
#include "share/DuplicateFinder.h"
#include "share/PlatefeedManager.h"
#include "share/VersionTwoImporterExporter.h"
#include "share/ui/PlatefeedPage.h"
#include "shell/DesktopApplication.h"
#include "shell/FullScreenWindow.h"
#include "shell/FullScreenWindowController.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"
#include "shell/PlatefeedShell.h"
#include "shell/QtProgressView.h"
#include "shell/RecipeListView.h"
#include "shell/RecipeVisualBrowser.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Points the home, settings, data and documents folders at scratch, so a run creates a
// fresh library and leaves the user's own files alone.
void redirectHome(const QString& scratch) {
    qputenv("HOME", scratch.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (scratch + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (scratch + QStringLiteral("/.local/share")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (scratch + QStringLiteral("/.cache")).toLocal8Bit());
    qputenv("XDG_DOCUMENTS_DIR", (scratch + QStringLiteral("/Documents")).toLocal8Bit());
}

bool saveGrab(QWidget* widget, const QString& path) {
    if (!widget)
        return false;
    const bool saved = widget->grab().save(path);
    if (!saved)
        qWarning("could not write %s", qPrintable(path));
    return saved;
}

// The pictures of a screenshot run, one after another: each step prepares a view, and a
// moment later the view is grabbed into folder/<name>.png. A step whose view opens later
// (a modal question) names it with target, asked at grabbing time, and puts it away with
// done once grabbed.
struct ScreenshotStep {
    QString name;
    std::function<QWidget*()> prepare;
    std::function<QWidget*()> target = {};
    std::function<void(QWidget*)> done = {};
};

void grabSteps(QList<ScreenshotStep> steps, const QString& folder, bool ok, QObject* owner) {
    if (steps.isEmpty()) {
        QCoreApplication::exit(ok ? 0 : 1);
        return;
    }
    const ScreenshotStep step = steps.takeFirst();
    QWidget* widget = step.prepare();
    // Pages of the web engine take a moment longer to load and paint.
    const double wait = step.name.startsWith(QLatin1String("recipe-page"))         ? 1.2
                        : step.name.startsWith(QLatin1String("grocery-list-page")) ? 1.2
                        : step.name.startsWith(QLatin1String("full-screen"))       ? 1.2
                        : step.name.startsWith(QLatin1String("platefeed-page"))    ? 1.2
                        : step.name.startsWith(QLatin1String("print-window"))      ? 1.2
                        : step.name.startsWith(QLatin1String("web-importer"))      ? 2.0
                                                                                   : 0.4;
    Scheduler::instance().schedule(
        wait,
        [steps, folder, ok, owner, step, prepared = QPointer<QWidget>(widget)] {
            QPointer<QWidget> grabbed = step.target ? step.target() : prepared.data();
            const bool written =
                saveGrab(grabbed, folder + QLatin1Char('/') + step.name + QStringLiteral(".png"));
            if (grabbed && grabbed->isWindow() && step.name.startsWith(QLatin1String("group-editor")))
                grabbed->hide();
            if (step.done)
                step.done(grabbed);
            grabSteps(steps, folder, ok && written, owner);
        },
        owner);
}

// Selects the sample recipe with pictures, sections and many ingredients.
void selectSampleRecipe(AppController& appController) {
    RecipesArrayController* recipes = appController.recipesArrayController();
    for (ManagedObject* recipe : recipes->arrangedObjects())
        if (recipe->stringValue(QStringLiteral("name")) == QLatin1String("Chicken Tikka Masala"))
            recipes->setSelectedObjects({recipe});
}

// The print window over the sample recipe: the printing themes, the chosen theme's card
// formats and the preview of the first card. Closed once grabbed.
QList<ScreenshotStep> printWindowSteps(MainMenuController& shell, AppController& appController) {
    return {{QStringLiteral("print-window"),
             [&shell, &appController]() -> QWidget* {
                 if (RecipeEditorController* editor = appController.recipeEditorController();
                     editor && editor->isOpen())
                     editor->cancelButtonAction();
                 shell.mainWindow()->sidebar()->selectMyLibraryGroup();
                 selectSampleRecipe(appController);
                 shell.printAction();
                 return shell.printingWindow();
             },
             {},
             [](QWidget* window) {
                 if (auto* sheet = qobject_cast<QDialog*>(window))
                     sheet->reject();
             }}};
}

// The recipe page of a rich sample recipe in one theme, the selector closed.
QWidget* showThemePage(MainMenuController& shell, AppController& appController, const QString& theme) {
    RecipePageView* page = shell.mainWindow() ? shell.mainWindow()->recipePage() : nullptr;
    if (!page)
        return nullptr;
    if (page->isThemeSelectorShown())
        page->toogleThemeSelectorView();
    selectSampleRecipe(appController);
    UserDefaults::setObjectForKey(theme, QStringLiteral("selectedTheme"));
    page->displayController()->loadRecipeInWebView();
    return page;
}

// The recipe list as the strip of cards: the sample recipe with pictures selected, the
// recipes beside it with their pictures, one of them marked new. The table comes back after.
ScreenshotStep visualBrowserStep(MainMenuController& shell, AppController& appController) {
    return {QStringLiteral("visual-browser"),
            [&shell, &appController] {
                MainWindow* window = shell.mainWindow();
                if (!window)
                    return static_cast<QWidget*>(nullptr);
                window->resize(MainWindow::initialSize());
                window->splitter()->setSizes({180, 620, MainWindow::initialSize().width() - 800});
                window->setVisualBrowserEnabled(true);
                selectSampleRecipe(appController);
                // Every third recipe was marked new at the start of the run: one is beside it.
                RecipesArrayController* recipes = appController.recipesArrayController();
                const QList<ManagedObject*> selected = recipes->selectedObjects();
                const int row = selected.isEmpty() ? 0 : recipes->rowOfObject(selected.constFirst());
                window->visualBrowser()->delayedScrollToObjectAtIndex(row, false);
                return static_cast<QWidget*>(window);
            },
            {},
            [&shell](QWidget*) {
                if (MainWindow* window = shell.mainWindow())
                    window->setVisualBrowserEnabled(false);
            }};
}

// The recipe list's context menu over the selected sample recipe, its groups submenu open
// beside it: the window is grabbed with both menus painted where they stand.
ScreenshotStep recipeListContextMenuStep(MainMenuController& shell, AppController& appController) {
    return {
        QStringLiteral("recipe-list-context-menu"), [&shell, &appController]() -> QWidget* {
            MainWindow* window = shell.mainWindow();
            if (!window)
                return nullptr;
            if (RecipeEditorController* editor = appController.recipeEditorController();
                editor && editor->isOpen())
                editor->cancelButtonAction();
            selectSampleRecipe(appController);
            RecipeListView* list = window->recipeList();
            const QList<int> rows = appController.recipesArrayController()->selectionIndexes();
            const QRect row = list->visualRect(list->model()->index(rows.isEmpty() ? 0 : rows.first(), 0));
            QMenu* menu = list->makeContextMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            const QPoint at = row.center() - QPoint(row.width() / 4, 0);
            menu->popup(list->viewport()->mapToGlobal(at));
            if (auto* groups = menu->findChild<QMenu*>(QStringLiteral("showInGroupMenu")))
                menu->setActiveAction(groups->menuAction());
            // The picture is the window with the menus drawn over it, as on screen.
            auto* picture = new QLabel;
            picture->setAttribute(Qt::WA_DeleteOnClose);
            Scheduler::instance().schedule(
                0.3,
                [window, menu = QPointer<QMenu>(menu), picture] {
                    QPixmap shot = window->grab();
                    QPainter painter(&shot);
                    const QList<QMenu*> shown{
                        menu, menu ? menu->findChild<QMenu*>(QStringLiteral("showInGroupMenu")) : nullptr};
                    for (QMenu* open : shown)
                        if (open && open->isVisible())
                            painter.drawPixmap(window->mapFromGlobal(open->pos()), open->grab());
                    painter.end();
                    picture->setPixmap(shot);
                    picture->resize(shot.size() / shot.devicePixelRatio());
                    if (menu)
                        menu->close();
                },
                picture);
            return picture;
        }};
}

// A recipe page for the importer's pictures, written to the temporary folder: no network is used.
QString writeWebImporterPage() {
    const QString path = QDir::temp().filePath(QStringLiteral("larkspoon-web-importer-page.html"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("<html><head><meta charset=\"utf-8\"><title>Lemon Tart</title></head>"
                   "<body style=\"font-family: serif; margin: 2em; max-width: 40em;\">"
                   "<h1 id=\"title\">Lemon Tart</h1><p id=\"about\">A sharp, silky tart for eight.</p>"
                   "<h3>Ingredients</h3><ul id=\"ingredients\"><li>250 g shortcrust pastry</li>"
                   "<li>4 lemons, zested and juiced</li><li>150 g sugar</li><li>5 eggs</li>"
                   "<li>150 ml double cream</li></ul><h3>Method</h3><p id=\"directions\">Bake the pastry "
                   "case blind for 15 minutes. Whisk the zest, juice, sugar, eggs and cream, pour into the "
                   "case and bake at 150 C for 30 minutes, until just set.</p></body></html>");
    return path;
}

// Selects the element of each id in turn and presses its field's button.
void markElements(WebImporterController* importer, QList<std::pair<QString, int>> marks) {
    if (!importer || marks.isEmpty())
        return;
    const auto [id, tag] = marks.takeFirst();
    const QString select =
        QStringLiteral("(function () { var range = document.createRange();"
                       " range.selectNodeContents(document.getElementById('%1'));"
                       " var selection = window.getSelection(); selection.removeAllRanges();"
                       " selection.addRange(range); })();")
            .arg(id);
    importer->htmlPage()->page()->runJavaScript(
        select, QWebEngineScript::ApplicationWorld,
        [importer = QPointer<WebImporterController>(importer), tag, marks](const QVariant&) {
            if (!importer)
                return;
            auto* once = new QObject(importer);
            QObject::connect(importer, &WebImporterController::selectionCollected, once,
                             [importer, marks, once] {
                                 once->deleteLater();
                                 markElements(importer, marks);
                             });
            importer->selectionButtonAction(tag);
        });
}

// The weekly planner under the library window: recipes on four days of this week, a note
// on one of them, today's title in blue; then that day's note editor.
QList<ScreenshotStep> plannerSteps(MainMenuController& shell, AppController& appController) {
    return {
        {QStringLiteral("planner"),
         [&shell, &appController]() -> QWidget* {
             MainWindow* window = shell.mainWindow();
             if (!window)
                 return nullptr;
             if (WebImporterController* importer = shell.webImporterController())
                 importer->hide();
             window->showNormal();
             window->resize(1240, 560);
             if (!shell.weeklyPlannerController() || !shell.weeklyPlannerController()->isPlannerOpen())
                 shell.toggleWeeklyPlanner();
             WeeklyPlannerController* planner = shell.weeklyPlannerController();
             if (!planner)
                 return nullptr;
             QStringList ids;
             for (ManagedObject* recipe : appController.recipesArrayController()->arrangedObjects())
                 ids.append(recipe->stringValue(QStringLiteral("uniqueID")));
             const QList<int> days{2, 3, 5, 6};
             for (int i = 0; i < days.size() && !ids.isEmpty(); ++i)
                 planner->dayController(days.at(i))
                     ->dropRecipes(ids.mid((i * 3) % ids.size(), 1 + i % 3), -1, nullptr);
             planner->dayController(5)->setNote(QStringLiteral("Friends for dinner"));
             planner->caculateDates();
             return window;
         }},
        {QStringLiteral("planner-note"),
         [&shell]() -> QWidget* {
             WeeklyPlannerController* planner = shell.weeklyPlannerController();
             return planner ? planner->editNote(5) : nullptr;
         }},
    };
}

// Platefeeds: the group editor's login and title pages, the sidebar with a subscribed and a
// published platefeed, and the page subscribers open.
QList<ScreenshotStep> feedSteps(MainMenuController& shell, AppController& appController) {
    auto page = [&appController]() -> PlatefeedPage* {
        auto* platefeeds = appController.findChild<PlatefeedShell*>();
        return platefeeds ? platefeeds->page() : nullptr;
    };
    auto sheetStep = [&shell, page](PlatefeedPage::Step step) {
        return [&shell, page, step]() -> QWidget* {
            GroupEditorSheet* sheet = shell.groupEditorSheet();
            PlatefeedPage* platefeed = page();
            if (!sheet || !platefeed)
                return nullptr;
            sheet->openPlatefeedPage();
            platefeed->fillForScreenshot(step);
            sheet->adjustSize();
            return sheet;
        };
    };
    // The sheet editing a published group: "My Recipes" (its "My Library" page) or "Soups".
    auto publishedStep = [&shell, &appController](bool library) {
        return [&shell, &appController, library]() -> QWidget* {
            GroupEditorSheet* sheet = shell.groupEditorSheet();
            auto* platefeeds = appController.findChild<PlatefeedShell*>();
            ObjectContext* context = appController.session() ? appController.session()->context() : nullptr;
            if (!sheet || !context || !platefeeds || !platefeeds->manager())
                return nullptr;
            sheet->hide();
            PlatefeedManager* manager = platefeeds->manager();
            manager->setAccount(
                {QUrl(QStringLiteral("https://cloud.example.org/remote.php/dav/files/robin/Public/")),
                 QUrl(QStringLiteral("https://cloud.example.org/public.php/dav/files/k3Xq9TzA")),
                 QStringLiteral("robin"), QStringLiteral("password")});
            GroupsManagedObject* group = nullptr;
            for (ManagedObject* object : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
                if (library ? object->valueForKey(QStringLiteral("isLocalLibrary")).toBool()
                            : object->stringValue(QStringLiteral("name")) == QLatin1String("Soups"))
                    group = dynamic_cast<GroupsManagedObject*>(object);
            if (!group)
                return nullptr;
            const QString title =
                library ? QStringLiteral("Robin's Kitchen") : QStringLiteral("Robin's Soups");
            group->setValueForKey(true, QStringLiteral("isPublishedPlatefeed"));
            group->setValueForKey(title, QStringLiteral("platefeedName"));
            group->setValueForKey(PlatefeedManager::folderNameFromTitle(title),
                                  QStringLiteral("platefeedAddress"));
            if (!sheet->editGroup(group))
                return nullptr;
            sheet->adjustSize();
            return sheet;
        };
    };
    // The sheet is closed, and "My Recipes" unpublished again, for the pictures that follow.
    auto closePublished = [&appController](bool library) {
        return [&appController, library](QWidget*) {
            GroupEditorController* groups = appController.groupEditorController();
            if (!groups)
                return;
            if (GroupsManagedObject* group = groups->editedGroup(); group && library)
                group->setValueForKey(false, QStringLiteral("isPublishedPlatefeed"));
            groups->closeWindow();
        };
    };
    return {
        {QStringLiteral("group-editor-platefeed-subscribe"), sheetStep(PlatefeedPage::Step::Subscribe)},
        {QStringLiteral("group-editor-platefeed-login"), sheetStep(PlatefeedPage::Step::Login)},
        {QStringLiteral("group-editor-platefeed-publish"), sheetStep(PlatefeedPage::Step::PublishName)},
        {QStringLiteral("group-editor-my-library"), publishedStep(true), {}, closePublished(true)},
        {QStringLiteral("group-editor-published-group"), publishedStep(false), {}, closePublished(false)},
        {QStringLiteral("sidebar-platefeeds"),
         [&shell, &appController]() -> QWidget* {
             if (GroupEditorSheet* sheet = shell.groupEditorSheet())
                 sheet->hide();
             MainWindow* window = shell.mainWindow();
             ObjectContext* context = appController.session() ? appController.session()->context() : nullptr;
             auto* platefeeds = appController.findChild<PlatefeedShell*>();
             if (!window || !context || !platefeeds || !platefeeds->manager())
                 return nullptr;
             for (ManagedObject* group : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
                 if (group->stringValue(QStringLiteral("name")) == QLatin1String("Soups"))
                     group->setValueForKey(true, QStringLiteral("isPublishedPlatefeed"));
             ManagedObject* feed = context->insertNewObject(QStringLiteral("Groups"));
             feed->setValueForKey(QStringLiteral("Grandma's Kitchen"), QStringLiteral("name"));
             feed->setValueForKey(true, QStringLiteral("isSubscribedPlatefeed"));
             feed->setValueForKey(QStringLiteral("1234567"), QStringLiteral("platefeedPredicateKey"));
             feed->setValueForKey(QStringLiteral("https://example.org/Sites/GrandmasKitchen"),
                                  QStringLiteral("platefeedAddress"));
             UserDefaults::setObjectForKey(true, QStringLiteral("collectSubscribedPlatefeeds"));
             platefeeds->manager()->collectOrSeperatePlatefeedGroups();
             window->sidebar()->setShowsPublishedMarks(true);
             window->sidebar()->expandAll();
             window->showNormal();
             window->resize(1100, 700);
             return window;
         }},
        {QStringLiteral("platefeed-page"),
         [&appController]() -> QWidget* {
             auto* platefeeds = appController.findChild<PlatefeedShell*>();
             if (!platefeeds || !platefeeds->manager())
                 return nullptr;
             PlatefeedManager* manager = platefeeds->manager();
             PlatefeedAccount account{
                 QUrl(QStringLiteral("https://cloud.example.org/remote.php/dav/files/robin/Public/")),
                 QUrl(QStringLiteral("https://cloud.example.org/public.php/dav/files/k3Xq9TzA")),
                 QStringLiteral("robin"), QStringLiteral("password")};
             manager->setAccount(account);
             ObjectContext* context = appController.session()->context();
             ManagedObject* soups = nullptr;
             for (ManagedObject* group : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
                 if (group->stringValue(QStringLiteral("name")) == QLatin1String("Soups"))
                     soups = group;
             if (!soups)
                 return nullptr;
             soups->setValueForKey(QStringLiteral("Robin's Soups"), QStringLiteral("platefeedName"));
             soups->setValueForKey(QStringLiteral("RobinsSoups"), QStringLiteral("platefeedAddress"));
             auto* view = new QWebEngineView;
             view->setAttribute(Qt::WA_DeleteOnClose);
             view->resize(900, 560);
             view->setHtml(
                 manager->htmlStringForPlatefeedPageForObject(dynamic_cast<GroupsManagedObject*>(soups)));
             view->show();
             return view;
         },
         {},
         [](QWidget* view) {
             if (view)
                 view->close();
         }},
    };
}

// The web importer: a page with fields marked in their colours, the import bar raised,
// the editor in the importer, and the bookmarks.
QList<ScreenshotStep> webImporterSteps(MainMenuController& shell) {
    auto importer = [&shell] {
        shell.openWebImporter();
        return shell.webImporterController();
    };
    return {
        {QStringLiteral("web-importer"),
         [importer] {
             WebImporterController* window = importer();
             if (!window)
                 return static_cast<QWidget*>(nullptr);
             window->resize(1100, 800);
             auto* once = new QObject(window);
             QObject::connect(window->htmlPage(), &HtmlPage::loadFinished, once, [window, once] {
                 // The start page may still be ending its load.
                 if (!window->htmlPage()->url().isLocalFile())
                     return;
                 once->deleteLater();
                 markElements(window, {{QStringLiteral("title"), webimport::NameField},
                                       {QStringLiteral("about"), webimport::DescriptionField},
                                       {QStringLiteral("ingredients"), webimport::IngredientsField},
                                       {QStringLiteral("directions"), webimport::DirectionsField}});
             });
             window->loadURL(QUrl::fromLocalFile(writeWebImporterPage()).toString());
             return static_cast<QWidget*>(window);
         }},
        {QStringLiteral("web-importer-raised"),
         [importer] {
             WebImporterController* window = importer();
             if (window)
                 window->raiseImportView(false);
             return static_cast<QWidget*>(window);
         }},
        {QStringLiteral("web-importer-editor"),
         [importer] {
             WebImporterController* window = importer();
             if (!window)
                 return static_cast<QWidget*>(nullptr);
             window->resetButtonAction(); // "Auto Off": the picked texts are imported
             window->importButtonAction();
             return static_cast<QWidget*>(window);
         }},
        {QStringLiteral("bookmarks"),
         [importer] {
             WebImporterController* window = importer();
             if (!window)
                 return static_cast<QWidget*>(nullptr);
             if (RecipeEditorController* editor = window->recipeEditorController(); editor->isOpen())
                 editor->cancelButtonAction();
             BookmarksModel* bookmarks = window->bookmarks();
             if (bookmarks->rowCount() == 0) {
                 bookmarks->appendBookmark(QStringLiteral("Lemon Tart"),
                                           QStringLiteral("https://example.org/tart"));
                 bookmarks->appendBookmark(QStringLiteral("Weeknight soups"),
                                           QStringLiteral("https://example.org/soups"));
                 bookmarks->appendBookmark(QStringLiteral("Bread baking"),
                                           QStringLiteral("https://example.org/bread"));
             }
             window->bookmarksPopover()->showBelow(window->bookmarksButton());
             return static_cast<QWidget*>(window->bookmarksPopover());
         },
         {},
         [](QWidget* popover) {
             if (popover)
                 popover->hide();
         }},
    };
}

// The grocery editor over a list of three sample recipes, one ingredient left off, a few
// own items, the consolidated list with its aisles and needed ticks; then the printable
// page.
QList<ScreenshotStep> grocerySteps(MainMenuController& shell, AppController& appController) {
    auto editorOnTab = [&shell](int tab) -> GroceryEditor* {
        GroceryEditor* editor = shell.groceryEditor();
        if (editor)
            editor->tableViewSelectionButtons(tab);
        return editor;
    };
    return {
        {QStringLiteral("grocery-recipes"),
         [&shell, &appController, editorOnTab] {
             MainWindow* window = shell.mainWindow();
             GroupEditorController* groups = appController.groupEditorController();
             if (!window || !groups)
                 return static_cast<QWidget*>(nullptr);
             if (WebImporterController* importer = shell.webImporterController())
                 importer->hide();
             GroupsManagedObject* list = groups->createNewGroceryList(QStringLiteral("Weekend Shopping"));
             if (!list)
                 return static_cast<QWidget*>(nullptr);
             int added = 0;
             for (ManagedObject* recipe : appController.recipesArrayController()->arrangedObjects())
                 if (added < 3 && list->groceryListAddRecipe(recipe))
                     ++added;
             window->sidebar()->selectGroup(list);
             GroceryEditor* editor = editorOnTab(GroceryEditor::RecipesTab);
             if (!editor)
                 return static_cast<QWidget*>(nullptr);
             // The second ingredient of the first recipe is left off the list.
             editor->controller()->setExcluded({2}, true);
             return static_cast<QWidget*>(window);
         }},
        {QStringLiteral("grocery-my-items"),
         [&shell, editorOnTab] {
             GroceryEditor* editor = editorOnTab(GroceryEditor::MyItemsTab);
             if (!editor)
                 return static_cast<QWidget*>(nullptr);
             if (editor->controller()->myItems().isEmpty())
                 editor->controller()->addItemsFromText(
                     QStringLiteral("1 dozen eggs\n2 lemons\n1 roll parchment paper\nDish soap"));
             return static_cast<QWidget*>(shell.mainWindow());
         }},
        {QStringLiteral("grocery-consolidated"),
         [&shell, editorOnTab] {
             GroceryEditor* editor = editorOnTab(GroceryEditor::ConsolidatedTab);
             if (!editor)
                 return static_cast<QWidget*>(nullptr);
             // The aisles come from the library's starter matches; two rows in three are
             // ticked as needed.
             GroceryController* controller = editor->controller();
             const int rows = static_cast<int>(controller->consolidatedRows().size());
             for (int row = 0; row < rows; ++row)
                 if (row % 3 != 2)
                     controller->setNeeded(row, true);
             return static_cast<QWidget*>(shell.mainWindow());
         }},
        {QStringLiteral("grocery-list-page"),
         [&shell] {
             GroceryEditor* editor = shell.groceryEditor();
             if (!editor)
                 return static_cast<QWidget*>(nullptr);
             auto* view = new QWebEngineView;
             view->setAttribute(Qt::WA_DeleteOnClose);
             view->page()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
             view->resize(612, 792);
             view->setHtml(editor->controller()->htmlString());
             view->show();
             return static_cast<QWidget*>(view);
         },
         {},
         [](QWidget* view) {
             if (view)
                 view->close();
         }},
    };
}

// The importers' dialog: during a large import (its bar part way, the recipe being converted,
// Cancel), and finished with the question about recipes the library held already, asked by
// a real import of three of the library's recipes and answered "Skip Duplicates" once
// grabbed, so the library stays as it was.
QList<ScreenshotStep> importSteps(MainMenuController& shell, AppController& appController) {
    auto progress = std::make_shared<std::unique_ptr<DialogWithProgressbarController>>();
    auto dialogOf = [&shell]() -> QWidget* {
        auto* view = dynamic_cast<QtProgressView*>(shell.progressView());
        return view ? view->dialog() : nullptr;
    };
    return {
        {QStringLiteral("import-progress"),
         [&shell, progress] {
             *progress = std::make_unique<DialogWithProgressbarController>(shell.progressView());
             DialogWithProgressbarController& dialog = **progress;
             dialog.setShowWindow(true);
             dialog.openDialog(DialogWithProgressbarController::importingRecipesText(), 2400);
             dialog.setCancelHandler([] {});
             dialog.advanceProgress(1015);
             dialog.setHeaderText(DialogWithProgressbarController::tr("Converting: %1")
                                      .arg(QStringLiteral("Chicken Tikka Masala")));
             return static_cast<QWidget*>(nullptr);
         },
         dialogOf,
         [progress](QWidget*) {
             if (*progress) {
                 (*progress)->setCancelHandler({});
                 (*progress)->closeDialogWindow();
                 progress->reset();
             }
         }},
        {QStringLiteral("import-duplicates"),
         [&shell, &appController] {
             LibrarySession* session = appController.session();
             RecipesArrayController* recipes = appController.recipesArrayController();
             if (!session || !recipes)
                 return static_cast<QWidget*>(nullptr);
             const QList<ManagedObject*> known = recipes->arrangedObjects().mid(0, 3);
             const QString file =
                 QDir::temp().filePath(QStringLiteral("larkspoon-screenshots-duplicates.lsr"));
             VersionTwoImporterExporter exporter(session);
             if (known.isEmpty() || !exporter.exportRecipes(known, file))
                 return static_cast<QWidget*>(nullptr);
             ExchangeImportOperation* operation =
                 ExchangeImportOperation::start(*session, file, false, shell.progressView());
             QObject::connect(operation, &RecipeImportOperation::finished, [file] { QFile::remove(file); });
             return static_cast<QWidget*>(nullptr);
         },
         dialogOf,
         [](QWidget* dialog) {
             if (!dialog)
                 return;
             for (QPushButton* button : dialog->findChildren<QPushButton*>())
                 if (button->text() == DuplicateFinder::skipDuplicatesTitle() && button->isVisible())
                     button->click();
         }},
    };
}

// Printed recipe cards: the sample recipe laid out on the default printing theme's index
// cards (its first two cards) and on a Letter page, each written as a PDF and drawn from it.
QList<ScreenshotStep> cardSteps(AppController& appController) {
    auto pdfPages = std::make_shared<QMap<QString, QStringList>>();
    // Lays the sample recipe out in format and returns its cards as pictures (empty on
    // failure); the run waits here, as a reader waits for the print window's preview.
    auto cardPictures = [&appController, pdfPages](const QString& format) -> QStringList {
        if (pdfPages->contains(format))
            return pdfPages->value(format);
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        ManagedObject* recipe = nullptr;
        // From the whole library: the list may show a group by now.
        ObjectContext* context = appController.managedObjectContext();
        const QList<ManagedObject*> all =
            context ? context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")))
                    : QList<ManagedObject*>();
        for (ManagedObject* candidate : all)
            if (candidate->stringValue(QStringLiteral("name")) == QLatin1String("Chicken Tikka Masala"))
                recipe = candidate;
        if (pdftoppm.isEmpty() || !recipe) {
            qWarning("could not make the card pictures: %s",
                     pdftoppm.isEmpty() ? "no pdftoppm" : "no sample recipe");
            return {};
        }
        const QString folder = QDir::tempPath() + QStringLiteral("/larkspoon-screenshot-cards/") + format;
        QDir(folder).removeRecursively();
        DefaultButtonAlerts alerts;
        PrintViewGenerator generator(&alerts, folder);
        CardSettings settings = CardSettings::fromUserDefaults();
        settings.metricUnits = false;
        generator.setSettings(settings);
        if (!generator.setHTMLTemplate(resourcesPath() + QStringLiteral("/Themes/Brown/Print Templates/") +
                                       format + QStringLiteral("/Template.html")))
            return {};
        if (!generator.layOutAndWait(recipe)) {
            qWarning("could not lay out the sample recipe on %s", qPrintable(format));
            return {};
        }
        PrintView view(folder);
        view.addCardStack(generator.cardStack());
        const QString pdf = folder + QStringLiteral("/cards.pdf");
        QEventLoop loop;
        bool ok = false;
        view.writePdf(pdf, false, [&](bool written) {
            ok = written;
            loop.quit();
        });
        loop.exec();
        QProcess convert;
        // Index cards a little larger than printed, the Letter page at its printed size.
        const QString resolution =
            format == QLatin1String("Letter") ? QStringLiteral("72") : QStringLiteral("110");
        convert.start(pdftoppm, {QStringLiteral("-png"), QStringLiteral("-r"), resolution, pdf,
                                 folder + QStringLiteral("/card")});
        if (!ok || !convert.waitForFinished(60000) || convert.exitCode() != 0) {
            qWarning("could not write or draw %s", qPrintable(pdf));
            return {};
        }
        QStringList pictures;
        for (const QFileInfo& file :
             QDir(folder).entryInfoList({QStringLiteral("card-*.png")}, QDir::Files, QDir::Name))
            pictures.append(file.filePath());
        pdfPages->insert(format, pictures);
        return pictures;
    };
    auto showCard = [cardPictures](const QString& format, int card) -> QWidget* {
        const QStringList pictures = cardPictures(format);
        if (card >= pictures.size())
            return nullptr;
        auto* label = new QLabel;
        label->setAttribute(Qt::WA_DeleteOnClose);
        const QPixmap picture(pictures.at(card));
        label->setPixmap(picture);
        label->setFixedSize(picture.size());
        return label;
    };
    auto closeCard = [](QWidget* label) {
        if (label)
            label->close();
    };
    return {
        {QStringLiteral("card-index-1"),
         [showCard] { return showCard(QStringLiteral("4x6 Index Card"), 0); },
         {},
         closeCard},
        {QStringLiteral("card-index-2"),
         [showCard] { return showCard(QStringLiteral("4x6 Index Card"), 1); },
         {},
         closeCard},
        {QStringLiteral("card-letter"),
         [showCard] { return showCard(QStringLiteral("Letter"), 0); },
         {},
         closeCard},
    };
}

// Writes pictures of the main views into folder, then ends the run (status 0 when all were
// written). The scratch library gets a few recipes marked as new so the sidebar shows its
// counters.
// The full-screen view of the rich sample recipe: the page alone, then with the sidebar and
// the strip slid in from the edges, then with the editor over the dimmed page. The main
// window comes back after.
QList<ScreenshotStep> fullScreenSteps(MainMenuController& shell, AppController& appController) {
    auto controller = [&shell] { return shell.fullScreenWindowController(); };
    auto settled = [controller]() -> QWidget* {
        FullScreenWindowController* view = controller();
        if (!view)
            return nullptr;
        view->finishAnimations();
        return view->fullScreenWindow();
    };
    return {
        {QStringLiteral("full-screen"),
         [&shell, &appController, controller]() -> QWidget* {
             if (WeeklyPlannerController* planner = shell.weeklyPlannerController())
                 planner->closePlanner();
             if (MainWindow* window = shell.mainWindow())
                 window->sidebar()->selectMyLibraryGroup();
             selectSampleRecipe(appController);
             // The pointer rests in the middle of the screen, away from the edges.
             if (QScreen* screen = QGuiApplication::primaryScreen())
                 QCursor::setPos(screen->geometry().center());
             shell.toggleFullScreenView();
             return controller() ? controller()->fullScreenWindow() : nullptr;
         },
         settled},
        {QStringLiteral("full-screen-navigators"),
         [controller]() -> QWidget* {
             FullScreenWindowController* view = controller();
             if (!view || !view->fullScreenWindow())
                 return nullptr;
             view->pointerMovedTo({view->fullScreenWindow()->width() / 2, 0});
             return view->fullScreenWindow();
         },
         settled},
        {QStringLiteral("full-screen-editor"),
         [controller]() -> QWidget* {
             FullScreenWindowController* view = controller();
             if (!view || !view->fullScreenWindow())
                 return nullptr;
             view->pointerMovedTo(
                 {view->fullScreenWindow()->width() / 2, view->fullScreenWindow()->height() / 2});
             view->editRecipe();
             return view->fullScreenWindow();
         },
         settled,
         [controller](QWidget*) {
             if (FullScreenWindowController* view = controller()) {
                 if (RecipeEditorController* editor = view->recipeEditorController())
                     editor->cancelButtonAction();
                 view->closeFullScreenView();
             }
         }},
    };
}

void writeScreenshots(MainMenuController& shell, AppController& appController, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        qWarning("could not create %s", qPrintable(folder));
        QCoreApplication::exit(1);
        return;
    }
    // The pictures show the window at the size it opens with on a first launch, whatever
    // the size of the (virtual) screen.
    if (MainWindow* window = shell.mainWindow())
        window->resize(MainWindow::initialSize());
    // The first-run content arrives a second after the store opened.
    Scheduler::instance().schedule(
        1.5,
        [&shell, &appController, folder] {
            UserDefaults::setObjectForKey(true, QStringLiteral("showMarkedAsNewCounter"));
            if (ObjectContext* context = appController.managedObjectContext()) {
                const QList<ManagedObject*> recipes =
                    context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
                for (int i = 0; i < recipes.size(); i += 3)
                    recipes.at(i)->setValueForKey(1, QStringLiteral("isMarkedAsNew"));
            }
            if (GroupsCounterUpdater* counters = appController.groupsCounterUpdater())
                counters->queUpdateCounterValues();
            auto sheetPage = [&shell](GroupEditorController::Page page) {
                GroupEditorSheet* sheet = shell.groupEditorSheet();
                if (sheet)
                    sheet->showPageForScreenshot(page);
                return static_cast<QWidget*>(sheet);
            };
            grabSteps(
                QList<ScreenshotStep>{
                    {QStringLiteral("main-window"),
                     [&shell] {
                         // As after the first launch's note was read and put away with "Got It".
                         MainWindow* window = shell.mainWindow();
                         RecipePageView* page = window ? window->recipePage() : nullptr;
                         if (page && page->introduction()->isVisible())
                             if (auto* gotIt = page->introduction()->findChild<QPushButton*>(
                                     QStringLiteral("gotItButton")))
                                 gotIt->click();
                         return static_cast<QWidget*>(window);
                     }},
                    {QStringLiteral("main-window-800x600"),
                     [&shell] {
                         MainWindow* window = shell.mainWindow();
                         if (window)
                             window->resize(800, 600);
                         return static_cast<QWidget*>(window);
                     }},
                    {QStringLiteral("search-no-results"),
                     [&shell] {
                         MainWindow* window = shell.mainWindow();
                         if (window)
                             window->searchField()->setText(QStringLiteral("quince"));
                         return static_cast<QWidget*>(window);
                     }},
                    {QStringLiteral("sidebar"),
                     [&shell] {
                         MainWindow* window = shell.mainWindow();
                         if (!window)
                             return static_cast<QWidget*>(nullptr);
                         window->searchField()->clear();
                         window->resize(MainWindow::initialSize());
                         return static_cast<QWidget*>(window->sidebar());
                     }},
                    {QStringLiteral("recipe-page-no-selection"),
                     [&shell, &appController] {
                         appController.recipesArrayController()->setSelectedObjects({});
                         return static_cast<QWidget*>(shell.mainWindow() ? shell.mainWindow()->recipePage()
                                                                         : nullptr);
                     }},
                    {QStringLiteral("recipe-page-sky"),
                     [&shell, &appController] {
                         return showThemePage(shell, appController, QStringLiteral("Sky"));
                     }},
                    {QStringLiteral("recipe-page-linen"),
                     [&shell, &appController] {
                         return showThemePage(shell, appController, QStringLiteral("Linen"));
                     }},
                    {QStringLiteral("recipe-page-slate"),
                     [&shell, &appController] {
                         return showThemePage(shell, appController, QStringLiteral("Slate"));
                     }},
                    {QStringLiteral("group-editor-group"),
                     [sheetPage] { return sheetPage(GroupEditorController::Page::Group); }},
                    {QStringLiteral("group-editor-smart-group"),
                     [sheetPage] { return sheetPage(GroupEditorController::Page::SmartGroup); }},
                    {QStringLiteral("group-editor-grocery-list"),
                     [sheetPage] { return sheetPage(GroupEditorController::Page::GroceryList); }},
                    {QStringLiteral("search-scopes"),
                     [&shell] {
                         MainWindow* window = shell.mainWindow();
                         if (!window)
                             return static_cast<QWidget*>(nullptr);
                         QMenu* menu = window->searchScopeMenu();
                         menu->popup(
                             window->searchField()->mapToGlobal(QPoint(0, window->searchField()->height())));
                         return static_cast<QWidget*>(menu);
                     }},
                    {QStringLiteral("theme-selector"),
                     [&shell] {
                         RecipePageView* page =
                             shell.mainWindow() ? shell.mainWindow()->recipePage() : nullptr;
                         if (page && !page->isThemeSelectorShown())
                             page->toogleThemeSelectorView();
                         if (page)
                             page->introduction()->show(); // as on a first launch
                         return static_cast<QWidget*>(page);
                     }},
                    {QStringLiteral("about"),
                     [&shell] {
                         if (MainWindow* window = shell.mainWindow())
                             window->searchScopeMenu()->hide();
                         shell.aboutApplicationAction();
                         return static_cast<QWidget*>(shell.aboutBox());
                     },
                     {},
                     [](QWidget* about) {
                         if (about)
                             about->close();
                     }},
                    {QStringLiteral("preferences"),
                     [&shell, &appController] {
                         if (MainWindow* window = shell.mainWindow())
                             window->searchScopeMenu()->hide();
                         if (PreferencesController* preferences = appController.preferencesController())
                             preferences->openPreferences();
                         return static_cast<QWidget*>(shell.preferencesWindow());
                     }},
                    {QStringLiteral("measurement-rules"),
                     [&shell] {
                         PreferencesWindow* preferences = shell.preferencesWindow();
                         if (preferences) {
                             preferences->showMeasurementsPage();
                             preferences->smartMeasurementsTable()->selectRow(6); // the cup and its spellings
                         }
                         return static_cast<QWidget*>(preferences);
                     }},
                    // File › Restore from Backup… over the day's backup of the library.
                    {QStringLiteral("restore-backup"),
                     [&shell, &appController] {
                         if (PreferencesWindow* preferences = shell.preferencesWindow())
                             preferences->hide();
                         if (!appController.backups())
                             return static_cast<QWidget*>(nullptr);
                         // A library used for a while: daily copies, weekly ones and the copy
                         // kept before an earlier restore, all copies of today's.
                         const std::optional<LibraryBackups::Entry> today =
                             appController.backups()->backupNow(nullptr);
                         if (today) {
                             const QDir backupsFolder(appController.backups()->folder());
                             for (int daysAgo : {1, 2, 4, 5, 12, 19})
                                 QFile::copy(today->path,
                                             backupsFolder.filePath(LibraryBackups::dailyFileName(
                                                 today->date.addDays(-daysAgo))));
                             QFile::copy(today->path,
                                         backupsFolder.filePath(LibraryBackups::beforeRestoreFileName(
                                             QDateTime(today->date.addDays(-2), QTime(18, 42, 7)))));
                         }
                         auto* window =
                             new RestoreBackupWindow(appController.backups()->backups(), shell.mainWindow());
                         window->show();
                         return static_cast<QWidget*>(window);
                     },
                     {},
                     [](QWidget* window) {
                         if (window)
                             window->deleteLater();
                     }},
                    {QStringLiteral("recipe-editor"),
                     [&shell, &appController] {
                         if (PreferencesWindow* preferences = shell.preferencesWindow())
                             preferences->hide();
                         selectSampleRecipe(appController);
                         shell.editRecipeAction();
                         return static_cast<QWidget*>(shell.mainWindow());
                     }},
                    {QStringLiteral("scaling-assistant"),
                     [&shell] {
                         if (RecipeEditorView* editor = shell.recipeEditorView())
                             editor->openScalingAssistant();
                         return static_cast<QWidget*>(shell.mainWindow());
                     }},
                    // The question of an editor with changes, grabbed while it is open, then
                    // cancelled (the editor stays as it was).
                    {QStringLiteral("editor-discard-question"),
                     [&shell] {
                         RecipeEditorView* editor = shell.recipeEditorView();
                         if (!editor || !editor->controller())
                             return static_cast<QWidget*>(nullptr);
                         if (editor->scalingAssistant()->isOpen())
                             editor->scalingAssistant()->closeScalingAssistantWindow();
                         editor->yieldField()->setEditText(QStringLiteral("6 servings"));
                         QTimer::singleShot(0, editor->controller(), [controller = editor->controller()] {
                             controller->cancelAskingToSaveChanges();
                         });
                         return static_cast<QWidget*>(nullptr);
                     },
                     [] { return QApplication::activeModalWidget(); },
                     [](QWidget* question) {
                         if (auto* box = qobject_cast<QDialog*>(question))
                             box->reject();
                     }},
                    recipeListContextMenuStep(shell, appController)} +
                    webImporterSteps(shell) + grocerySteps(shell, appController) +
                    QList<ScreenshotStep>{visualBrowserStep(shell, appController)} +
                    plannerSteps(shell, appController) + fullScreenSteps(shell, appController) +
                    importSteps(shell, appController) + cardSteps(appController) +
                    printWindowSteps(shell, appController) + feedSteps(shell, appController),
                folder, true, &shell);
        },
        &shell);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "larkspoon-screenshots");
        return 2;
    }
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    // The run works in a scratch home; it must be in place before Qt reads any folder
    // location.
    QTemporaryDir scratchHome(QDir::tempPath() + QStringLiteral("/larkspoon-screenshots-XXXXXX"));
    if (!scratchHome.isValid()) {
        std::fprintf(stderr, "could not create a temporary home for the screenshots\n");
        return 1;
    }
    redirectHome(scratchHome.path());

    DesktopApplication::prepareProcess();
    QApplication app(argc, argv);
    DesktopApplication::setUpApplication();

    // A copy of its own: it neither becomes nor hands over to the running application.
    DesktopApplication desktop;
    desktop.start({},
                  [&desktop, folder] { writeScreenshots(desktop.shell(), desktop.appController(), folder); });
    const int status = app.exec();
    return status;
}

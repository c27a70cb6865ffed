// larkspoon: the desktop application.
#include "library/AppController.h"
#include "library/GroupEditorController.h"
#include "library/GroupsCounterUpdater.h"
#include "library/ui/GroupEditorSheet.h"
#include "library/ui/SidebarOutlineView.h"
#include "library/RecipesArrayController.h"
#include "present/RecipeDisplayController.h"
#include "present/ui/RecipePageView.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"
#include "library/PreferencesController.h"
#include "library/ui/PreferencesWindow.h"
#include "measure/ui/SmartMeasurementsTableView.h"
#include "platform/Scheduler.h"
#include "platform/SingleInstance.h"
#include "shell/MainMenuController.h"
#include "shell/MainWindow.h"
#include "shell/QtAlerts.h"
#include "shell/QtFilePanels.h"
#include "share/VersionTwoImporterExporter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

#include <unistd.h>

namespace {

// The value of "--name value" or "--name=value" in the raw arguments; a null string when
// the option is absent. Read before the application object exists.
QString rawOptionValue(int argc, char** argv, const char* name) {
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return i + 1 < argc ? QString::fromLocal8Bit(argv[i + 1]) : QString(QLatin1String(""));
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=')
            return QString::fromLocal8Bit(argv[i] + length + 1);
    }
    return {};
}

// Points the home, settings, data and documents folders at scratch, so a run creates a
// fresh library and leaves the user's own files alone.
void redirectHome(const QString& scratch) {
    qputenv("HOME", scratch.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (scratch + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (scratch + QStringLiteral("/.local/share")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (scratch + QStringLiteral("/.cache")).toLocal8Bit());
    qputenv("XDG_DOCUMENTS_DIR", (scratch + QStringLiteral("/Documents")).toLocal8Bit());
}

// Milliseconds since the process started (as the kernel recorded it, so loading the
// libraries counts too); the time since main() when that cannot be read.
qint64 millisecondsSinceProcessStart(const QElapsedTimer& sinceMain) {
    QFile stat(QStringLiteral("/proc/self/stat"));
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticksPerSecond > 0 && stat.open(QIODevice::ReadOnly) && ::clock_gettime(CLOCK_BOOTTIME, &now) == 0) {
        const QByteArray line = stat.readAll();
        // The fields after the command name in parentheses; the start time is the 22nd field.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        bool ok = false;
        const qulonglong startTicks = fields.value(19).toULongLong(&ok);
        if (ok) {
            const qint64 nowMs = qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
            const qint64 startMs = qint64(startTicks * 1000 / qulonglong(ticksPerSecond));
            if (nowMs >= startMs)
                return std::max(nowMs - startMs, sinceMain.elapsed());
        }
    }
    return sinceMain.elapsed();
}

// Documents named on the command line as absolute paths (file links become paths; other
// links stay as they are).
QStringList documentArguments(const QStringList& arguments) {
    QStringList documents;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        if (url.isLocalFile())
            documents.append(QDir::cleanPath(url.toLocalFile()));
        else if (argument.contains(QLatin1String("://")))
            documents.append(argument);
        else
            documents.append(QDir::cleanPath(QFileInfo(argument).absoluteFilePath()));
    }
    return documents;
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
// moment later the view is grabbed into folder/<name>.png.
struct ScreenshotStep {
    QString name;
    std::function<QWidget*()> prepare;
};

void grabSteps(QList<ScreenshotStep> steps, const QString& folder, bool ok) {
    if (steps.isEmpty()) {
        QCoreApplication::exit(ok ? 0 : 1);
        return;
    }
    const ScreenshotStep step = steps.takeFirst();
    QWidget* widget = step.prepare();
    // Pages of the web engine take a moment longer to load and paint.
    const double wait = step.name.startsWith(QLatin1String("recipe-page")) ? 1.2 : 0.4;
    Scheduler::instance().schedule(wait, [steps, folder, ok, step, widget = QPointer<QWidget>(widget)] {
        const bool written = saveGrab(widget, folder + QLatin1Char('/') + step.name + QStringLiteral(".png"));
        if (widget && widget->isWindow() && step.name.startsWith(QLatin1String("group-editor")))
            widget->hide();
        grabSteps(steps, folder, ok && written);
    });
}

// Selects the sample recipe with pictures, sections and many ingredients.
void selectSampleRecipe(AppController& appController) {
    RecipesArrayController* recipes = appController.recipesArrayController();
    for (ManagedObject* recipe : recipes->arrangedObjects())
        if (recipe->stringValue(QStringLiteral("name")) == QLatin1String("Chicken Tikka Masala"))
            recipes->setSelectedObjects({recipe});
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

// Writes pictures of the main views into folder, then ends the run (status 0 when all were
// written). The scratch library gets a few recipes marked as new so the sidebar shows its
// counters.
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
    Scheduler::instance().schedule(1.5, [&shell, &appController, folder] {
        UserDefaults::setObjectForKey(true, QStringLiteral("showMarkedAsNewCounter"));
        if (ObjectContext* context = appController.managedObjectContext()) {
            const QList<ManagedObject*> recipes = context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
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
        grabSteps({{QStringLiteral("main-window"), [&shell] { return static_cast<QWidget*>(shell.mainWindow()); }},
                   {QStringLiteral("sidebar"),
                    [&shell] { return static_cast<QWidget*>(shell.mainWindow() ? shell.mainWindow()->sidebar() : nullptr); }},
                   {QStringLiteral("recipe-page-no-selection"),
                    [&shell, &appController] {
                        appController.recipesArrayController()->setSelectedObjects({});
                        return static_cast<QWidget*>(shell.mainWindow() ? shell.mainWindow()->recipePage() : nullptr);
                    }},
                   {QStringLiteral("recipe-page-sky"),
                    [&shell, &appController] { return showThemePage(shell, appController, QStringLiteral("Sky")); }},
                   {QStringLiteral("recipe-page-linen"),
                    [&shell, &appController] { return showThemePage(shell, appController, QStringLiteral("Linen")); }},
                   {QStringLiteral("recipe-page-slate"),
                    [&shell, &appController] { return showThemePage(shell, appController, QStringLiteral("Slate")); }},
                   {QStringLiteral("group-editor-group"), [sheetPage] { return sheetPage(GroupEditorController::Page::Group); }},
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
                        menu->popup(window->searchField()->mapToGlobal(QPoint(0, window->searchField()->height())));
                        return static_cast<QWidget*>(menu);
                    }},
                   {QStringLiteral("theme-selector"),
                    [&shell] {
                        RecipePageView* page = shell.mainWindow() ? shell.mainWindow()->recipePage() : nullptr;
                        if (page && !page->isThemeSelectorShown())
                            page->toogleThemeSelectorView();
                        if (page)
                            page->introduction()->show(); // as on a first launch
                        return static_cast<QWidget*>(page);
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
                    }}},
                  folder, true);
    });
}

// Reports how long the start took once the main window shows the recipe list, then ends
// the run.
void quitWhenShown(MainMenuController& shell, AppController& appController, const QElapsedTimer& sinceMain) {
    MainWindow* window = shell.mainWindow();
    if (!window || !appController.hasOpenLibrary()) {
        qWarning("no library was opened");
        QCoreApplication::exit(1);
        return;
    }
    auto report = [&sinceMain] {
        std::printf("shown-ms: %lld\n", static_cast<long long>(millisecondsSinceProcessStart(sinceMain)));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    };
    if (window->hasShownRecipeList())
        report();
    else
        QObject::connect(window, &MainWindow::recipeListShown, window, report);
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();

    // A screenshot run works in a scratch home; it must be in place before Qt reads any
    // folder location.
    const QString screenshotsFolder = rawOptionValue(argc, argv, "--screenshots");
    std::unique_ptr<QTemporaryDir> scratchHome;
    QString screenshotsTarget;
    if (!screenshotsFolder.isNull()) {
        screenshotsTarget = QFileInfo(screenshotsFolder).absoluteFilePath();
        scratchHome = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                      QStringLiteral("/larkspoon-screenshots-XXXXXX"));
        if (!scratchHome->isValid()) {
            std::fprintf(stderr, "could not create a temporary home for the screenshots\n");
            return 1;
        }
        redirectHome(scratchHome->path());
    }

    // The web engine's sandbox cannot run for the root user and would stop the program
    // (containers and continuous-integration machines run as root).
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.3"));
    QApplication app(argc, argv);
    // Closing the library window leaves the application running; it quits from its menu.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setDesktopFileName(QStringLiteral("larkspoon"));
    // Without a desktop that names an icon theme (a bare X session, the offscreen
    // platform) the toolbar takes its icons from the common freedesktop theme.
    if (QIcon::themeName().isEmpty()) {
        QStringList searchPaths = QIcon::themeSearchPaths();
        for (const QString& folder :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory))
            if (!searchPaths.contains(folder))
                searchPaths.append(folder);
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Larkspoon! recipe library"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QStringLiteral("Start with a fresh library in a temporary home, write PNG pictures of the main views "
                       "to <folder> and quit."),
        QStringLiteral("folder"));
    const QCommandLineOption quitWhenShownOption(
        QStringLiteral("quit-when-shown"),
        QStringLiteral("Quit as soon as the main window shows the recipe list, printing the milliseconds "
                       "since the process started."));
    parser.addOption(screenshots);
    parser.addOption(quitWhenShownOption);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Libraries and documents to open."),
                                 QStringLiteral("[files...]"));
    parser.process(app);
    const bool screenshotRun = parser.isSet(screenshots);
    const bool quitWhenShownRun = parser.isSet(quitWhenShownOption);
    const QStringList documents = documentArguments(parser.positionalArguments());

    // The preferences are in place before any window exists.
    AppController::initialize();

    // One running copy per user: a later launch hands its documents over and ends. Runs
    // that measure or picture the application are copies of their own.
    SingleInstance singleInstance;
    if (!screenshotRun && !singleInstance.becomePrimary() && !quitWhenShownRun) {
        if (singleInstance.sendToPrimary(documents))
            return 0;
        qWarning("the running Larkspoon! did not answer");
        return 1;
    }

    QtAlerts alerts;
    QtFilePanels panels;
    MainMenuController shell;
    AppController appController(&alerts, &panels, &shell);
    shell.setAppController(&appController);
    // Exchange files: opened from outside they ask first; a new library starts with the
    // starter recipes.
    registerExchangeDocumentHandler(&appController, shell.progressView());
    appController.setSampleRecipesImporter(importSampleRecipes);

    QObject::connect(&singleInstance, &SingleInstance::argumentsReceived, &appController,
                     [&appController, &shell](const QStringList& arguments) {
                         appController.applicationShouldHandleReopen(shell.isMainWindowVisible());
                         for (const QString& path : arguments)
                             appController.applicationOpenFile(path);
                     });

    // Logging out saves like quitting; a refusal (an unsaved library the user keeps) stops
    // the logout.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &appController,
                     [&appController](QSessionManager& manager) {
                         if (!appController.applicationShouldTerminate())
                             manager.cancel();
                     });

    // Documents given at launch are opened as part of it: a library becomes the library of
    // this launch.
    for (const QString& path : documents)
        appController.applicationOpenFile(path);

    QTimer::singleShot(0, &appController, [&] {
        appController.applicationDidFinishLaunching();
        if (shell.exitRequested())
            return;
        // Without a library (one that needs a newer version, say) the window still opens,
        // so the user can open or create another library, or quit.
        if (!shell.isMainWindowVisible() && shell.setupMainWindow())
            shell.showMainWindow();
        if (screenshotRun)
            writeScreenshots(shell, appController, screenshotsTarget);
        else if (quitWhenShownRun)
            quitWhenShown(shell, appController, sinceMain);
    });

    const int exitCode = app.exec();
    // The windows go before the controllers they show.
    shell.tearDownWindows();
    return exitCode;
}

#pragma once

#include <QDate>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class Alerts;
class CoreDataController;
class FilePanels;
class GroupEditorController;
class GroupsCounterUpdater;
class LibraryBackups;
class LibrarySession;
class ObjectContext;
class PreferencesController;
class RecipeEditorController;
class RecipesArrayController;
class SearchBoxMenu;
class SideBarDragController;
class SidebarTreeController;
class SmartMeasurementsController;

// What start-up needs from the windows: the main window is built, shown and brought
// forward by the shell, and the application is asked to exit. The GUI implements it with
// the real main window; headless callers and tests with a recorder.
class ApplicationShell {
public:
    virtual ~ApplicationShell() = default;
    // Builds the main window once; false when its layout could not be built.
    virtual bool setupMainWindow() = 0;
    virtual bool isMainWindowVisible() const = 0;
    virtual void showMainWindow() = 0; // shows it and brings it to the front
    // Ends the event loop; called only after the controllers agreed to quit.
    virtual void exitApplication() = 0;
};

// The application's delegate: start-up (the preferences, the library folder, the store,
// the session, the controllers, the main window), quitting, reopening, and opening
// documents. It makes the library session when the library opens and hands it to every
// controller it makes; see LibrarySession.h for who owns whom.
class AppController : public QObject {
    Q_OBJECT
public:
    AppController(Alerts* alerts, FilePanels* panels, ApplicationShell* shell, QObject* parent = nullptr);
    ~AppController() override;

    // Class initialisation, before any window exists: moves an earlier release's
    // preferences over, writes each absent default, and switches automatic update
    // checks off.
    static void initialize();
    static QVariantMap registeredDefaults();
    static QString defaultLibraryPath(); // "~/Documents/Larkspoon! Library.library"
    static QString applicationSupportFolder();
    QString modelVersion() const;

    // Launching.
    void applicationDidFinishLaunching();
    bool finishedLaunching() const { return m_finishedLaunching; }
    void createNewLibrary();
    void validateLibraryPath();
    void initControllers();
    // Whether a library is open (its store opened and the controllers started).
    bool hasOpenLibrary() const;

    // Quitting: true to terminate now. terminate() asks and, when agreed, exits.
    bool applicationShouldTerminate();
    void terminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    bool applicationShouldHandleReopen(bool hasVisibleWindows);

    // Documents: before launching finished a "library" becomes the library of this
    // launch and anything else is opened 2.0 s later; after, openFile at once, or, while a
    // long operation (an import) runs, once it has ended.
    bool applicationOpenFile(const QString& path);
    bool openFile(const QString& path);
    // File › Restore from Backup…: after the user confirms, saves, replaces the store with
    // the copy at path (the current store is kept in the backups folder first), then starts
    // the program again on the library and quits. False when not confirmed or refused.
    bool restoreFromBackup(const QString& path, const QDate& date, qint64 recipes);
    // How the program starts itself again (tests replace it).
    void setRelauncher(std::function<bool()> relauncher) { m_relauncher = std::move(relauncher); }
    // The importers of later steps register what opens their extensions (compared
    // exactly, case-sensitively). The handler answers like openFile.
    using DocumentHandler = std::function<bool(const QString& path)>;
    void setDocumentHandler(const QString& extension, DocumentHandler handler);
    bool hasDocumentHandler(const QString& extension) const;

    // Asked before quitting, after the main editor: another window's editor (the web
    // importer's) closes or keeps the application running (false).
    void setQuitGuard(std::function<bool()> guard) { m_quitGuard = std::move(guard); }

    // Saves the library (and removes image files of deleted recipes).
    bool saveAction();

    // How a new library gets its sample recipes (the exchange-file importer, which lives
    // in a layer above this one); set before the library opens.
    using SampleRecipesImporter = std::function<int(LibrarySession& session, const QString& lsrPath)>;
    void setSampleRecipesImporter(SampleRecipesImporter importer) {
        m_sampleRecipesImporter = std::move(importer);
    }

    // How the first-start question imports a version-one library (the importer lives in a
    // layer above this one): it calls finished once the import has ended; set before the
    // library opens.
    using VersionOneDatabaseImporter =
        std::function<void(LibrarySession& session, const QString& path, std::function<void()> finished)>;
    void setVersionOneDatabaseImporter(VersionOneDatabaseImporter importer) {
        m_versionOneDatabaseImporter = std::move(importer);
    }

    CoreDataController* coreDataController() const { return m_coreDataController; }
    // The open library; null until it opened.
    LibrarySession* session() const { return m_session; }
    LibraryBackups* backups() const { return m_backups; }
    ObjectContext* managedObjectContext() const;
    RecipesArrayController* recipesArrayController() const;
    PreferencesController* preferencesController() const { return m_preferencesController; }
    // The group tree, its drag-and-drop rules, the counts of recipes marked as new, the
    // search and the group editor's logic: made with the recipe list once the store is open.
    SidebarTreeController* sidebarTreeController() const { return m_sidebarTreeController; }
    SideBarDragController* sideBarDragController() const { return m_sideBarDragController; }
    GroupsCounterUpdater* groupsCounterUpdater() const;
    SearchBoxMenu* searchBoxMenu() const { return m_searchBoxMenu; }
    GroupEditorController* groupEditorController() const { return m_groupEditorController; }
    // The recipe editor and the measurement rules of the preferences window.
    RecipeEditorController* recipeEditorController() const { return m_recipeEditorController; }
    SmartMeasurementsController* smartMeasurementsController() const { return m_smartMeasurementsController; }
    Alerts* alerts() const { return m_alerts; }
    FilePanels* filePanels() const { return m_panels; }

signals:
    // The library opened and its controllers started.
    void libraryOpened();

private:
    Alerts* m_alerts;
    FilePanels* m_panels;
    ApplicationShell* m_shell;
    bool m_finishedLaunching = false;
    bool m_terminating = false;
    CoreDataController* m_coreDataController = nullptr;
    LibrarySession* m_session = nullptr;
    LibraryBackups* m_backups = nullptr;
    SampleRecipesImporter m_sampleRecipesImporter;
    VersionOneDatabaseImporter m_versionOneDatabaseImporter;
    PreferencesController* m_preferencesController = nullptr;
    SidebarTreeController* m_sidebarTreeController = nullptr;
    SideBarDragController* m_sideBarDragController = nullptr;
    SearchBoxMenu* m_searchBoxMenu = nullptr;
    GroupEditorController* m_groupEditorController = nullptr;
    RecipeEditorController* m_recipeEditorController = nullptr;
    SmartMeasurementsController* m_smartMeasurementsController = nullptr;
    QHash<QString, DocumentHandler> m_documentHandlers;
    std::function<bool()> m_quitGuard;
    std::function<bool()> m_relauncher;
};

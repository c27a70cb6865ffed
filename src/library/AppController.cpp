#include "AppController.h"

#include "CoreDataController.h"
#include "GroupEditorController.h"
#include "GroupsCounterUpdater.h"
#include "LibraryBackups.h"
#include "LibrarySession.h"
#include "LibraryStore.h"
#include "PreferencesController.h"
#include "RecipeEditorController.h"
#include "RecipesArrayController.h"
#include "SearchBoxMenu.h"
#include "SideBarDragController.h"
#include "SidebarTreeController.h"
#include "VersionTwoDatabaseConverter.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/Alerts.h"
#include "platform/FilePanels.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kLibraryPath = QStringLiteral("libraryPath");

// Paths compare as clean absolute paths, so "x.library/" and "x.library" are one library.
QString normalisedPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The preferred language among the application's localisations; English is the only
// localisation so far, and the fallback.
bool firstPreferredLanguageIsEnglish() {
    const QStringList localisations{QStringLiteral("en")};
    for (const QString& language : QLocale::system().uiLanguages()) {
        const QString code =
            language.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (localisations.contains(code))
            return code == QLatin1String("en");
    }
    return true;
}

} // namespace

AppController::AppController(Alerts* alerts, FilePanels* panels, ApplicationShell* shell, QObject* parent)
    : QObject(parent), m_alerts(alerts), m_panels(panels), m_shell(shell) {}

// The controllers hold the session raw, and the session the store: they go in the reverse
// order of their making, before the QObject children that remain. A running import stops
// first, while everything it reports to still exists.
AppController::~AppController() {
    if (m_session)
        m_session->stopRunningOperation();
    delete m_smartMeasurementsController;
    delete m_recipeEditorController;
    delete m_groupEditorController;
    delete m_searchBoxMenu;
    delete m_sideBarDragController;
    delete m_sidebarTreeController;
    delete m_session;
    delete m_preferencesController;
    delete m_coreDataController;
}

QVariantMap AppController::registeredDefaults() {
    return {
        {QStringLiteral("selectedTheme"), QStringLiteral("Sky")},
        {QStringLiteral("displaySingleCharacterFractions"), true},
        {QStringLiteral("addRecipeDataToAutofillValues"), true},
        {QStringLiteral("printDescription"), true},
        {QStringLiteral("printAdditionalMetrics"), true},
        {QStringLiteral("printMainImage"), true},
        {QStringLiteral("printAdditionalImages"), true},
        {QStringLiteral("printNotes"), true},
        {QStringLiteral("printPrivateNotes"), true},
        {QStringLiteral("printSizeOffset"), 0},
        {QStringLiteral("useLargeSidebarIcons"), true},
        {QStringLiteral("showVisualBrowserOverlay"), true},
        {QStringLiteral("showMarkedAsNewCounter"), false},
        {QStringLiteral("collectSubscribedPlatefeeds"), false},
        {QStringLiteral("collectGroceryLists"), false},
        {QStringLiteral("capitalizeRecipeAndIngredientTitles"), firstPreferredLanguageIsEnglish()},
    };
}

void AppController::initialize() {
    UserDefaults::migrateFormerDomain();
    UserDefaults::registerDefaults(registeredDefaults());
    // There is no update framework on this platform; the setting stays off.
    UserDefaults::setObjectForKey(false, QStringLiteral("SUEnableAutomaticChecks"));
    UserDefaults::synchronize();
}

QString AppController::defaultLibraryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Larkspoon! Library.library");
}

QString AppController::applicationSupportFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath() + QStringLiteral("/Larkspoon!");
    return folder;
}

QString AppController::modelVersion() const {
    return kApplicationModelVersion;
}

ObjectContext* AppController::managedObjectContext() const {
    return m_coreDataController ? m_coreDataController->managedObjectContext() : nullptr;
}

RecipesArrayController* AppController::recipesArrayController() const {
    return m_session ? &m_session->recipesArrayController() : nullptr;
}

GroupsCounterUpdater* AppController::groupsCounterUpdater() const {
    return m_session ? &m_session->counterUpdater() : nullptr;
}

bool AppController::hasOpenLibrary() const {
    return managedObjectContext() != nullptr;
}

void AppController::applicationDidFinishLaunching() {
    m_finishedLaunching = true;
    if (UserDefaults::hasKey(kLibraryPath))
        validateLibraryPath();
    else
        createNewLibrary();
}

void AppController::createNewLibrary() {
    const QString path = defaultLibraryPath();
    UserDefaults::setObjectForKey(path, kLibraryPath);
    UserDefaults::synchronize();
    if (!QFileInfo::exists(path))
        QDir().mkpath(path);
    validateLibraryPath();
}

void AppController::validateLibraryPath() {
    // Until a library is found: the user locates one (again, if the choice was no
    // library), starts a new one, or quits.
    while (!QFileInfo::exists(UserDefaults::stringForKey(kLibraryPath))) {
        const int answer =
            m_alerts->ask(tr("Can't find your library"),
                          tr("If your library is saved on a network share you might not be connected to it."),
                          {tr("Locate..."), tr("Quit"), tr("New")});
        if (answer == 2) {
            UserDefaults::removeObjectForKey(kLibraryPath);
            createNewLibrary();
            return;
        }
        if (answer != 0) {
            terminate();
            return;
        }
        FilePanelRequest request;
        request.title = tr("Locate your library");
        request.fileTypes = {QStringLiteral("library")};
        request.chooseFolders = true;
        const FilePanelResult chosen = m_panels ? m_panels->runOpenPanel(request) : FilePanelResult{};
        if (chosen.confirmed)
            UserDefaults::setObjectForKey(chosen.path, kLibraryPath);
    }

    const QString libraryPath = UserDefaults::stringForKey(kLibraryPath);
    VersionTwoDatabaseConverter::finishInterruptedConversion(libraryPath);
    const std::optional<QVariantMap> metadata =
        ObjectContext::metadataForStoreAtPath(libraryStorePath(libraryPath));
    const QVariant storedVersion = metadata ? metadata->value(QStringLiteral("modelVersion")) : QVariant();
    if (storedVersion.toString() == QLatin1String("2.0")) {
        QString error;
        VersionTwoDatabaseConverter converter(libraryPath, m_alerts);
        switch (converter.convertFromVersion(QStringLiteral("2.0"), &error)) {
        case VersionTwoDatabaseConverter::Result::Converted:
            break;
        case VersionTwoDatabaseConverter::Result::Quit:
            terminate();
            return;
        case VersionTwoDatabaseConverter::Result::Failed:
            m_alerts->ask(tr("Your library could not be upgraded."), error, {tr("OK")});
            return;
        }
    } else if (storedVersion.isValid() && storedVersion.toString() != modelVersion()) {
        m_alerts->ask(tr("You need to upgrade to version %1 or greater to open this Library File.")
                          .arg(storedVersion.toString()),
                      tr("Click the Larkspoon! menu and select “Check for Updates...”"), {tr("OK")});
        return;
    }

    initControllers();
    prepareLibraryFolder(libraryPath);
}

void AppController::initControllers() {
    if (!m_coreDataController) {
        m_coreDataController =
            new CoreDataController(UserDefaults::stringForKey(kLibraryPath), m_alerts, this);
        // Edit › Undo can bring a deleted recipe back after a save, pictures included.
        m_coreDataController->setHoldsDeletedPicturesForUndo(true);
    }
    if (!m_preferencesController)
        m_preferencesController = new PreferencesController(this);
    if (m_coreDataController->managedObjectContext() && !m_session) {
        m_session = new LibrarySession(*m_coreDataController, *m_alerts, this);
        // The day's first save leaves a copy of the store in the "Backups" folder.
        m_backups = new LibraryBackups(m_coreDataController->libraryPath(), this);
        m_coreDataController->setAfterSave([backups = QPointer<LibraryBackups>(m_backups)] {
            if (backups)
                backups->didSave();
        });
        m_coreDataController->setSampleRecipesImporter([this](const QString& path) {
            return m_sampleRecipesImporter && m_session ? m_sampleRecipesImporter(*m_session, path) : 0;
        });
        m_coreDataController->setVersionOneDatabaseImporter(
            [this](const QString& path, std::function<void()> finished) {
                if (m_versionOneDatabaseImporter && m_session)
                    m_versionOneDatabaseImporter(*m_session, path, std::move(finished));
                else if (finished)
                    finished();
            });
        m_session->recipesArrayController().rearrangeObjects();
        m_sidebarTreeController = new SidebarTreeController(m_session, this);
        m_sideBarDragController = new SideBarDragController(m_sidebarTreeController, this);
        m_searchBoxMenu = new SearchBoxMenu(&m_session->recipesArrayController(), this);
        m_groupEditorController =
            new GroupEditorController(m_session->context(), &m_session->recipesArrayController(), m_alerts,
                                      m_preferencesController, this);
        connect(m_groupEditorController, &GroupEditorController::sidebarResortRequested,
                m_sidebarTreeController, &SidebarTreeController::rearrangeObjects);
        connect(m_groupEditorController, &GroupEditorController::counterValuesUpdateRequested,
                &m_session->counterUpdater(), &GroupsCounterUpdater::queUpdateCounterValues);
        // The counters are counted when the library opens and again after every change of
        // records: a keyword, a new mark, a group's name or rule can each change a count.
        // Changes made while a count runs collapse into one more count.
        connect(m_session->context(), &ObjectContext::objectsDidChange, &m_session->counterUpdater(),
                &GroupsCounterUpdater::queUpdateCounterValues);
        m_session->counterUpdater().queUpdateCounterValues();
        connect(m_preferencesController, &PreferencesController::sidebarRefreshRequested,
                m_sidebarTreeController, &SidebarTreeController::rearrangeObjects);
        m_recipeEditorController = new RecipeEditorController(m_session, this);
        m_smartMeasurementsController = new SmartMeasurementsController(m_session, this);
    }
    if (m_shell && m_shell->setupMainWindow())
        m_shell->showMainWindow();
    if (hasOpenLibrary())
        emit libraryOpened();
}

bool AppController::saveAction() {
    if (!m_coreDataController)
        return true;
    // Published platefeeds are checked 3.0 s after a save once feeds exist.
    return m_coreDataController->saveAction();
}

bool AppController::applicationShouldTerminate() {
    // A running import takes no further batch; what it imported so far is kept and saved
    // with the rest below. Documents that waited for it are not opened any more.
    if (m_session) {
        m_session->dropWaiting();
        m_session->stopRunningOperation();
    }
    const QString storePath = libraryStorePath(UserDefaults::stringForKey(kLibraryPath));
    if (std::optional<QVariantMap> metadata = ObjectContext::metadataForStoreAtPath(storePath);
        metadata && !metadata->contains(QStringLiteral("modelVersion"))) {
        metadata->insert(QStringLiteral("modelVersion"), modelVersion());
        ObjectContext::setMetadataForStoreAtPath(*metadata, storePath);
    }
    if (!UserDefaults::boolForKey(QStringLiteral("hasLaunchedBefore"))) {
        UserDefaults::setObjectForKey(true, QStringLiteral("hasLaunchedBefore"));
        UserDefaults::synchronize();
    }
    // What is typed into an open editor is not lost by quitting.
    if (m_recipeEditorController && !m_recipeEditorController->closeBeforeQuitting())
        return false;
    if (m_quitGuard && !m_quitGuard())
        return false;
    if (!m_coreDataController)
        return true;
    return m_coreDataController->applicationShouldTerminate();
}

void AppController::terminate() {
    if (m_terminating)
        return;
    m_terminating = true;
    const bool agreed = applicationShouldTerminate();
    m_terminating = false;
    if (agreed && m_shell)
        m_shell->exitApplication();
}

bool AppController::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (m_shell && (!hasVisibleWindows || !m_shell->isMainWindowVisible()))
        m_shell->showMainWindow();
    return true;
}

bool AppController::applicationOpenFile(const QString& path) {
    if (m_finishedLaunching)
        return openFile(path);
    if (QFileInfo(normalisedPath(path)).suffix() == QLatin1String("library")) {
        UserDefaults::setObjectForKey(normalisedPath(path), kLibraryPath);
        UserDefaults::synchronize();
        return true;
    }
    Scheduler::instance().schedule(
        2.0, [this, path] { openFile(path); }, this);
    return false;
}

void AppController::setDocumentHandler(const QString& extension, DocumentHandler handler) {
    m_documentHandlers.insert(extension, std::move(handler));
}

bool AppController::hasDocumentHandler(const QString& extension) const {
    return m_documentHandlers.contains(extension);
}

bool AppController::openFile(const QString& path) {
    const QString extension = QFileInfo(normalisedPath(path)).suffix();
    if (extension == QLatin1String("library")) {
        const QString current = UserDefaults::stringForKey(kLibraryPath);
        if (!current.isEmpty() && normalisedPath(path) == normalisedPath(current)) {
            m_alerts->ask(tr("The library “%1” is already open.")
                              .arg(QFileInfo(normalisedPath(path)).completeBaseName()),
                          QString(), {tr("OK")});
            return false;
        }
        saveAction();
        UserDefaults::setObjectForKey(normalisedPath(path), kLibraryPath);
        UserDefaults::synchronize();
        m_alerts->ask(tr("Larkspoon! needs to relaunch to finish switching the Library file."),
                      tr("You must relaunch manually after clicking the Quit button."), {tr("Quit")});
        terminate();
        return true;
    }
    const auto handler = m_documentHandlers.constFind(extension);
    if (handler == m_documentHandlers.cend())
        return false;
    // A document handed over while an import runs is opened once it has ended, so one
    // import never starts inside another.
    if (m_session && m_session->isBusy()) {
        m_session->whenIdle(this, [this, path] { openFile(path); });
        return false;
    }
    return (*handler)(path);
}

bool AppController::restoreFromBackup(const QString& path, const QDate& date, qint64 recipes) {
    if (!m_coreDataController || (m_session && m_session->isBusy()))
        return false;
    const int answer = m_alerts->ask(
        tr("Restore the library from the backup of %1?").arg(QLocale().toString(date, QLocale::LongFormat)),
        tr("The library is replaced by the backup (%n recipe(s)); the current library is kept in the "
           "\"Backups\" folder. Larkspoon! then starts again.",
           nullptr, int(recipes)),
        {tr("Restore"), tr("Cancel")});
    if (answer != 0)
        return false;
    saveAction();
    // The library's own backups, so a daily copy the save above may have started ends first.
    LibraryBackups fallback(m_coreDataController->libraryPath());
    LibraryBackups& backups = m_backups ? *m_backups : fallback;
    QString error;
    if (!backups.restore(path, nullptr, &error)) {
        m_alerts->ask(tr("The backup could not be restored."), error, {tr("OK")});
        return false;
    }
    // The open context still holds the records of the replaced store: the program starts
    // again on the restored one instead of reopening in place.
    const bool relaunched =
        m_relauncher ? m_relauncher() : QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
    if (!relaunched)
        m_alerts->ask(tr("The backup has been restored."), tr("Start Larkspoon! again to use it."),
                      {tr("Quit")});
    terminate();
    return true;
}

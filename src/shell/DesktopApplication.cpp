#include "DesktopApplication.h"

#include "MainMenuController.h"
#include "MainWindow.h"
#include "PlatefeedShell.h"
#include "QtAlerts.h"
#include "QtFilePanels.h"
#include "import/ForeignRecipeImporter.h"
#include "larkspoon_version.h"
#include "library/AppController.h"
#include "platform/Translations.h"
#include "share/LSVersionOneDataImporter.h"
#include "share/VersionTwoImporterExporter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <malloc.h>
#include <unistd.h>

namespace {

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

} // namespace

void DesktopApplication::prepareProcess() {
    // The web engine's sandbox cannot run for the root user and would stop the program
    // (containers and continuous-integration machines run as root).
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // One malloc arena for the whole process. The library's short-lived workers (the search
    // index, the sidebar's counts, the card pictures) would each keep an arena of their own,
    // and what they free there stays with the process as scattered pages: tens of megabytes
    // after the first searches of a large library. The workers allocate little at a time,
    // so sharing the main arena costs them nothing noticeable.
    mallopt(M_ARENA_MAX, 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LARKSPOON_VERSION_STRING));
}

void DesktopApplication::setUpApplication() {
    // The program's texts in the user's language, where a translation is installed.
    installTranslations(*QCoreApplication::instance());
    // Closing the library window quits through the application's own quit (the save and
    // its question first), not through Qt's last-window rule, so a cancelled quit keeps
    // the window and other windows never end the program.
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
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/larkspoon/larkspoon.svg")));
}

QStringList DesktopApplication::documentArguments(const QStringList& arguments) {
    QStringList documents;
    for (const QString& argument : arguments) {
        QUrl url(argument);
        // "file://localhost/path" names a file of this machine too (a network host would
        // become a "//host/path" share name).
        if (url.isLocalFile() && url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
            url.setHost(QString());
        if (url.isLocalFile())
            documents.append(QDir::cleanPath(url.toLocalFile()));
        else if (argument.contains(QLatin1String("://")))
            documents.append(argument);
        else
            documents.append(QDir::cleanPath(QFileInfo(argument).absoluteFilePath()));
    }
    return documents;
}

void DesktopApplication::openArguments(const QStringList& arguments, AppController& app,
                                       PlatefeedShell& platefeeds) {
    for (const QString& argument : arguments)
        if (!platefeeds.openLink(argument))
            app.applicationOpenFile(argument);
}

void DesktopApplication::receiveHandOvers(SingleInstance& instance, AppController& app,
                                          MainMenuController& shell, PlatefeedShell& platefeeds) {
    QObject::connect(&instance, &SingleInstance::argumentsReceived, &app,
                     [&app, &shell, &platefeeds](const QStringList& arguments) {
                         app.applicationShouldHandleReopen(shell.isMainWindowVisible());
                         openArguments(arguments, app, platefeeds);
                     });
}

DesktopApplication::DesktopApplication() {
    AppController::initialize();
}

// The windows go before the controllers they show, the controllers before the shell.
DesktopApplication::~DesktopApplication() {
    if (m_shell)
        m_shell->tearDownWindows();
    m_appController.reset();
}

std::optional<int> DesktopApplication::becomePrimaryOrHandOver(const QStringList& documents,
                                                               bool runBesideAnother) {
    if (m_singleInstance.becomePrimary() || runBesideAnother)
        return std::nullopt;
    if (m_singleInstance.sendToPrimary(documents))
        return 0;
    qWarning("the running Larkspoon! did not answer");
    return 1;
}

void DesktopApplication::start(const QStringList& documents, std::function<void()> launched) {
    m_alerts = std::make_unique<QtAlerts>();
    m_panels = std::make_unique<QtFilePanels>();
    m_shell = std::make_unique<MainMenuController>();
    m_appController = std::make_unique<AppController>(m_alerts.get(), m_panels.get(), m_shell.get());
    MainMenuController& shell = *m_shell;
    AppController& appController = *m_appController;
    shell.setAppController(&appController);
    // Exchange files: opened from outside they ask first; a new library starts with the
    // starter recipes.
    registerExchangeDocumentHandler(&appController, shell.progressView());
    // MasterCook and MealMaster files opened from outside are imported.
    registerForeignDocumentHandlers(&appController, shell.progressView());
    // First-generation exports and libraries, opened from outside or found at first start.
    registerVersionOneDocumentHandlers(&appController, shell.progressView());
    appController.setSampleRecipesImporter(importSampleRecipes);

    // Platefeeds; their subscription links come in like documents.
    auto* platefeeds = new PlatefeedShell(appController, shell);
    receiveHandOvers(m_singleInstance, appController, shell, *platefeeds);

    // Logging out saves like quitting; a refusal (an unsaved library the user keeps) stops
    // the logout.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &appController,
                     [&appController](QSessionManager& manager) {
                         if (!appController.applicationShouldTerminate())
                             manager.cancel();
                     });

    // Documents given at launch are opened as part of it: a library becomes the library of
    // this launch.
    openArguments(documents, appController, *platefeeds);

    QTimer::singleShot(0, &appController, [&shell, &appController, launched = std::move(launched)] {
        appController.applicationDidFinishLaunching();
        if (shell.exitRequested())
            return;
        // Without a library (one that needs a newer version, say) the window still opens,
        // so the user can open or create another library, or quit.
        if (!shell.isMainWindowVisible() && shell.setupMainWindow())
            shell.showMainWindow();
        if (MainWindow* window = shell.mainWindow())
            QObject::connect(window, &MainWindow::quitRequested, &appController, &AppController::terminate,
                             Qt::UniqueConnection);
        if (launched)
            launched();
    });
}

namespace {

// "RSS PEAK" in KiB: VmRSS and VmHWM of this process.
QByteArray residentMemoryKib() {
    QFile status(QStringLiteral("/proc/self/status"));
    QByteArray rss = "0";
    QByteArray peak = "0";
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').value(0);
            else if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed().split(' ').value(0);
        }
    }
    return rss + ' ' + peak;
}

} // namespace

void DesktopApplication::quitWhenShown(const QElapsedTimer& sinceMain, const QString& typed) {
    MainWindow* window = m_shell->mainWindow();
    if (!window || !m_appController->hasOpenLibrary()) {
        qWarning("no library was opened");
        QCoreApplication::exit(1);
        return;
    }
    auto report = [&sinceMain, window, typed] {
        std::printf("shown-ms: %lld\n", static_cast<long long>(millisecondsSinceProcessStart(sinceMain)));
        std::printf("memory-shown-kib: %s\n", residentMemoryKib().constData());
        std::fflush(stdout);
        if (typed.isEmpty()) {
            QCoreApplication::exit(0);
            return;
        }
        // The field's texts in turn: each prefix of typed, empty, and each prefix again.
        QStringList texts;
        for (int round = 0; round < 2; ++round) {
            for (qsizetype letters = 1; letters <= typed.size(); ++letters)
                texts.append(typed.left(letters));
            texts.append(QString());
        }
        auto* typing = new QTimer(window);
        typing->setInterval(300);
        QObject::connect(typing, &QTimer::timeout, window,
                         [window, typing, texts, next = qsizetype(0)]() mutable {
                             if (next < texts.size()) {
                                 window->searchField()->setText(texts.at(next++));
                                 return;
                             }
                             typing->stop();
                             std::printf("memory-searched-kib: %s\n", residentMemoryKib().constData());
                             std::fflush(stdout);
                             QCoreApplication::exit(0);
                         });
        typing->start();
    };
    if (window->hasShownRecipeList())
        report();
    else
        QObject::connect(window, &MainWindow::recipeListShown, window, report);
}

#pragma once

#include "platform/SingleInstance.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class AppController;
class MainMenuController;
class PlatefeedShell;
class QElapsedTimer;
class QtAlerts;
class QtFilePanels;

// The start of the desktop program, shared by `larkspoon` and the screenshot program:
// the application object's settings, one running copy per user, and the wiring of the
// alerts, the file panels, the shell (main window and menus) and the AppController.
//
//   DesktopApplication::prepareProcess();
//   QApplication app(argc, argv);
//   DesktopApplication::setUpApplication();
//   DesktopApplication desktop;
//   if (auto status = desktop.becomePrimaryOrHandOver(documents, false)) return *status;
//   desktop.start(documents, [&] { ... });
//   return app.exec();
class DesktopApplication {
public:
    // Before the application object exists: the web engine's sandbox, the shared OpenGL
    // contexts, the organisation and application names and the version.
    static void prepareProcess();
    // Right after the application object exists: closing the last window keeps the
    // program running, the desktop file name, the icon theme.
    static void setUpApplication();
    // Documents named on the command line as absolute paths (file links, "file:///…" and
    // "file://localhost/…", become paths; other links, such as subscription links, stay as
    // they are). The desktop starts the program with its %U arguments this way.
    static QStringList documentArguments(const QStringList& arguments);
    // What a launch names, or a later launch hands over: subscription links subscribe, the
    // rest is opened as documents.
    static void openArguments(const QStringList& arguments, AppController& app, PlatefeedShell& platefeeds);
    // The running copy's side of a later launch: the library window comes forward, then the
    // launch's arguments are opened as above.
    static void receiveHandOvers(SingleInstance& instance, AppController& app, MainMenuController& shell,
                                 PlatefeedShell& platefeeds);

    // Puts the preferences in place (before any window exists).
    DesktopApplication();
    ~DesktopApplication();
    DesktopApplication(const DesktopApplication&) = delete;
    DesktopApplication& operator=(const DesktopApplication&) = delete;

    // One running copy per user: a later launch hands its documents over and ends. Returns
    // the exit status when this launch ends here, nothing when it goes on. With
    // runBesideAnother (runs that measure the application) it goes on in any case.
    std::optional<int> becomePrimaryOrHandOver(const QStringList& documents, bool runBesideAnother);

    // Builds the alerts, the file panels, the shell and the AppController and wires them
    // (documents sent by later launches, logging out, exchange files, the starter
    // recipes); opens documents; then, on the event loop, finishes launching, shows the
    // main window and calls launched (unless quitting was asked for meanwhile).
    void start(const QStringList& documents, std::function<void()> launched = {});

    // Once the main window shows the recipe list, prints the milliseconds since the
    // process started ("shown-ms: N") and the process's resident memory, now and at its
    // peak ("memory-shown-kib: RSS PEAK"), and ends the run (status 1 without a library).
    // With typed, first types it into the search field letter by letter, a letter every
    // 300 ms, clears the field and types it again, then prints "memory-searched-kib: RSS PEAK".
    void quitWhenShown(const QElapsedTimer& sinceMain, const QString& typed = {});

    // Valid after start().
    MainMenuController& shell() { return *m_shell; }
    AppController& appController() { return *m_appController; }

private:
    SingleInstance m_singleInstance;
    std::unique_ptr<QtAlerts> m_alerts;
    std::unique_ptr<QtFilePanels> m_panels;
    std::unique_ptr<MainMenuController> m_shell;
    std::unique_ptr<AppController> m_appController;
};

#pragma once

#include "grocery/ui/GroceryEditor.h"
#include "library/AppController.h"
#include "library/ui/RecipeEditorView.h"
#include "platform/FilePanels.h"
#include "platform/MailHandOver.h"
#include "platform/ManagedObject.h"
#include "present/ui/PrintingWindow.h"

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>

class DBusScreenKeeper;
class FullScreenWindowController;
class GroupEditorSheet;
class GroupsManagedObject;
class MainWindow;
class PlatefeedManager;
class ManagedObject;
class ProgressView;
class QtProgressView;
class PreferencesWindow;
class PrintingController;
class QtPagePrinter;
class QAction;
class QDialog;
class QMenu;
class WebImporterController;
class WebAutoImporter;
class WeeklyPlannerController;

// Where the commands of the menu bar and of the main window's toolbar arrive, and the
// shell the application's delegate starts: it builds the main window once, shows it and
// ends the event loop. Each command checks what it needs, asks the user where it must and
// hands the work to the controller that owns it.
class MainMenuController : public QObject, public ApplicationShell {
    Q_OBJECT
public:
    explicit MainMenuController(QObject* parent = nullptr);
    ~MainMenuController() override;
    // Closes and destroys the windows (main window, preferences, sheets).
    // Called when the event loop has ended, before the application's controllers go: a
    // window never outlives the controllers it shows.
    void tearDownWindows();

    // The delegate whose controllers the commands use; set before start-up runs.
    void setAppController(AppController* app);
    AppController* appController() const { return m_app; }

    // ApplicationShell.
    bool setupMainWindow() override;
    bool isMainWindowVisible() const override;
    void showMainWindow() override;
    void exitApplication() override;
    // Whether the application was asked to exit (the event loop ends at its next turn).
    bool exitRequested() const { return m_exitRequested; }

    MainWindow* mainWindow() const { return m_mainWindow.get(); }
    PreferencesWindow* preferencesWindow() const { return m_preferencesWindow.get(); }
    GroupEditorSheet* groupEditorSheet() const { return m_groupEditorSheet.get(); }
    // A menu command by its object name ("newLibrary", "save", "undo", ...), or null.
    QAction* action(const QString& name) const { return m_actions.value(name); }
    // The recipe commands: a new recipe, the selected one edited or deleted.
    void newRecipeAction();
    void editRecipeAction();
    void deleteRecipeAction();
    RecipeEditorView* recipeEditorView() const { return m_recipeEditorView; }

    // File > New Library...: saves the open library, asks where the new one goes and
    // continues with newLibraryDidEndForPanel.
    void createNewLibraryDialogAction();
    enum class NewLibraryOutcome { Cancelled, RefusedInUse, Failed, Created };
    // Makes the chosen folder the library of the next launch and quits, or says why not.
    NewLibraryOutcome newLibraryDidEndForPanel(const FilePanelResult& result);

    void openLibraryAction();
    void saveAction();
    void restoreFromBackupAction();
    void undoAction();
    void redoAction();
    void openPreferences();
    void aboutApplicationAction();
    QDialog* aboutBox() const { return m_aboutBox.get(); }
    // Help > Larkspoon! Guide: the guide PDF in the desktop's viewer, or an alert saying it
    // is missing.
    void larkspoonHelp();
    // Help > E-mail the Developer: a new message to the project's feedback address.
    void emailDeveloper();
    static QString feedbackAddress();
    // mailto: the feedback address, subject "Larkspoon! <version> feedback".
    static QUrl feedbackMailto();
    // The toolbar's Social segment: the selected recipes as text on the clipboard, or their
    // cards saved as a PDF where a save panel says.
    void copyRecipeAsTextAction();
    void saveAsPdfAction();
    void quitAction();

    // View: the theme selectors and the text size of every recipe page.
    void toogleThemeSelectors();
    void enlargeRecipeWebViewsText();
    void shrinkRecipeWebViewsText();
    // View > Visual Browser: the recipe list as the table or as the strip of cards,
    // remembered for the next start.
    void changeRecipeSelector();

    // File > Import... and Export...: the panels, then the importer or exporter.
    void importAction();
    void openPanelDidEndForImport(const FilePanelResult& result);
    void exportAction();
    bool exportDidEndForPanel(const FilePanelResult& result, const QList<ManagedObject*>& recipes);
    // The file name an export proposes: the recipe's name, or "<n> Larkspoon! recipes".
    static QString exportProposedName(const QList<ManagedObject*>& recipes);
    // The save panel's title: how many recipes it writes ("Export 12 recipes").
    static QString exportPanelTitle(int count);
    // File > Export Group... and the sidebar's Export…: the group's recipes, in a file named
    // after the group. False when nothing was written.
    void exportGroupAction();
    bool exportGroup(GroupsManagedObject* group);
    QList<ManagedObject*> recipesOfGroup(GroupsManagedObject* group) const;
    // The progress dialog every import and export of the session shares.
    ProgressView* progressView();

    // Groups: the group editor for a new group or the selected one, and deleting it.
    void newGroupAction();
    void editGroupAction();
    void deleteSelectedGroup();
    bool canDeleteSelectedGroup() const;
    void editGroup(GroupsManagedObject* group);
    void deleteGroup(GroupsManagedObject* group);

    // Window > Web Importer and the toolbar item: the web importer, made on first use.
    void openWebImporter();
    WebImporterController* webImporterController() const { return m_webImporter.get(); }
    // A web address dropped on the library window (a group or the window itself): the
    // open editor has been saved. A page that holds a recipe Larkspoon! can read opens
    // straight in the main editor, its pictures following as they arrive; any other page
    // opens in the web importer for a manual import.
    void importDroppedWebAddress(const QString& address);
    // The same for an address dropped elsewhere on the window: the open editor is saved first.
    void webAddressDroppedOnWindow(const QString& address);

    // File > Print and Email, the toolbar's Print and Email and the recipe list's menu: with a
    // grocery list selected in the sidebar, the grocery list is printed or mailed; otherwise
    // the selected recipes go to the print window. Enabled when there is something to print.
    void printAction();
    void emailAction();
    // The print window's controller, made with its window on first use (null before a
    // library is open or without the main window).
    PrintingController* printingController();
    PrintingWindow* printingWindow() const { return m_printingWindow.get(); }
    // The grocery list selected in the sidebar, or null.
    GroupsManagedObject* selectedGroceryList() const;
    GroceryEditor* groceryEditor() const { return m_groceryEditor; }
    // The desktop's mail program, for every command that opens a new message.
    MailHandOver* mailHandOver();

    // The toolbar's Full Screen: the selected recipe's page alone on the screen, or back.
    void toggleFullScreenView();
    FullScreenWindowController* fullScreenWindowController() const { return m_fullScreen.get(); }

    // View > Weekly Planner: opens or closes the planner panel under the library window
    // (made on first use).
    void toggleWeeklyPlanner();
    WeeklyPlannerController* weeklyPlannerController() const;

    // Platefeeds: the manager of the open library, set once it exists. The status line
    // shows its work; the two commands below reach it.
    void setPlatefeedManager(PlatefeedManager* manager);
    PlatefeedManager* platefeedManager() const;
    // File > Update Subscribed Platefeeds: checks every subscribed platefeed now. Enabled
    // when there is one.
    void updateSubscribedPlatefeedsAction();
    // File > Publish Platefeed…: the sidebar's Publish on the selected group. Enabled when
    // that group can be published.
    void publishPlatefeedAction();

    // The user guide among the resources.
    static QString guidePath();

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, const QString& name, const QString& text,
                        const QKeySequence& shortcut = {}, void (MainMenuController::*command)() = nullptr);
    void connectControllers();
    void connectSidebar();
    void connectRecipeEditor();
    WebImporterController* webImporter();
    void saveOpenRecipeEditor();
    WeeklyPlannerController* weeklyPlanner();
    void selectRecipesFromPlanner(const QList<ManagedObject*>& recipes);
    void updateRecipeActions();
    bool recipeEditorIsOpen() const;
    void showRecipeEditor();
    void updateGroupActions();
    void showPreferencesWindow();
    void updateUndoActions();
    bool runExportPanel(const QList<ManagedObject*>& recipes, const QString& proposedName);
    void refreshRecipePage();
    void refreshSelectedGroupList();
    void fillRecipeListMenu(QMenu* menu);
    void showRecipeInGroup(ManagedObject* recipe, GroupsManagedObject* group);
    // A command whose feature is not in this version: an alert says so.
    void notAvailableYet(const QString& feature);
    void connectDeadToolbarControls();
    void showGroceryEditorFor(GroupsManagedObject* group);
    void printOrEmail(bool email);
    void updatePrintActions();
    void updatePlatefeedActions();

    QPointer<AppController> m_app;
    bool m_nibLoaded = false;
    bool m_exitRequested = false;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<PreferencesWindow> m_preferencesWindow;
    std::unique_ptr<QDialog> m_aboutBox;
    std::unique_ptr<GroupEditorSheet> m_groupEditorSheet;
    std::unique_ptr<QtProgressView> m_progressView;
    std::unique_ptr<WebImporterController> m_webImporter;
    QPointer<WebAutoImporter> m_droppedLinkImporter;
    ObjectID m_droppedLinkRecipe{};
    QPointer<WeeklyPlannerController> m_weeklyPlanner; // shown in the main window, which owns it
    QPointer<PlatefeedManager> m_platefeedManager;     // owned by the platefeed wiring of the shell
    QHash<QString, QAction*> m_actions;
    QPointer<RecipeEditorView> m_recipeEditorView;
    QPointer<GroceryEditor> m_groceryEditor;
    std::unique_ptr<MailHandOver> m_mailHandOver;
    std::unique_ptr<DBusScreenKeeper> m_screenKeeper;
    std::unique_ptr<FullScreenWindowController> m_fullScreen;
    std::unique_ptr<QtPagePrinter> m_pagePrinter;
    std::unique_ptr<PrintingController> m_printing;
    std::unique_ptr<PrintingWindow> m_printingWindow;
    QList<QMetaObject::Connection> m_controllerConnections;
};

#pragma once

#include "BorrowedView.h"
#include "library/ui/RecipeEditorView.h"
#include "present/FullScreenLayout.h"

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>

#include <functional>
#include <memory>

class FullScreenWindow;
class LibrarySession;
class MainWindow;
class RecipeDisplayController;
class RecipeEditorController;
class RecipePageView;
class ScreenKeeper;

// The full-screen view: the selected recipe's page alone on the main window's screen, for
// reading while cooking. It builds no page of its own: it borrows the main window's recipe
// page (with its renderer, switched to the theme's "Full Screen" templates), the group
// sidebar and the visual browser, hosts them in a borderless window and gives them back
// where they were when it closes. The sidebar and the browser wait at the left and top edges
// and the control bar below the bottom edge, each sliding in when the pointer reaches it.
// The recipe editor opens in a panel over the dimmed page. While the view is open the
// screen is kept awake.
class FullScreenWindowController : public QObject {
    Q_OBJECT
public:
    // keeper: the screensaver port, released on every way out; may be null.
    FullScreenWindowController(LibrarySession* session, MainWindow* mainWindow, ScreenKeeper* keeper,
                               QObject* parent = nullptr);
    ~FullScreenWindowController() override;

    // Enters the view when it is closed, else leaves it.
    void toggleFullScreenView();
    // Leaves the view. An editor with changes asks first; false when the user keeps editing
    // (the view stays).
    bool closeFullScreenView();
    bool isOpen() const { return m_state.isOpen(); }
    const FullScreenState& state() const { return m_state; }
    FullScreenWindow* fullScreenWindow() const { return m_window.get(); }

    // The control bar's commands.
    void selectPreviousRecipe();
    void selectNextRecipe();
    void enlargeText();
    void shrinkText();
    void editRecipe();
    void print();
    void email();
    // The commands print() and email() run: the main window's Print and Email.
    void setPrintCommand(std::function<void()> command) { m_print = std::move(command); }
    void setEmailCommand(std::function<void()> command) { m_email = std::move(command); }
    bool editButtonEnabled() const { return m_editButtonEnabled; }
    void setEditButtonEnabled(bool enabled);

    // The pointer at a point of the full-screen window: the parts at that edge slide in, the
    // others out.
    void pointerMovedTo(QPoint point);
    // Ends every slide and fade at once (tests and pictures).
    void finishAnimations();

    // The page appears from black a moment after the view opens.
    void fadeInContent();
    // The editor is done: the page comes back from under the black layer.
    void fadeOutBlackShaderImage();
    RecipeEditorController* recipeEditorController() const { return m_editor; }
    RecipeEditorView* recipeEditorView() const { return m_editorView; }

    // The reason the screen is kept awake, as the desktop lists it.
    static QString inhibitReason();

signals:
    void opened();
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enter();
    // Gives everything back at once; no question is asked.
    void leave();
    void layOut(bool animate);
    void apply(const FullScreenState::Slides& slides);
    void selectRowBy(int step);
    void updateEditButton();
    void editorClosed();
    RecipePageView* page() const;

    LibrarySession* m_session;
    QPointer<MainWindow> m_mainWindow;
    ScreenKeeper* m_keeper;
    std::unique_ptr<FullScreenWindow> m_window;
    FullScreenState m_state;
    BorrowedView m_sidebar;
    BorrowedView m_browser;
    BorrowedView m_page;
    QPalette m_previousSidebarPalette;
    bool m_previousSidebarAutoFill = false;
    int m_previousBrowserFrame = 0;
    bool m_previousThemeSelectorShown = false;
    bool m_previousIntroductionShown = false;
    QPointer<RecipeDisplayController> m_renderer;
    RecipeEditorController* m_editor = nullptr;
    QPointer<RecipeEditorView> m_editorView;
    std::function<void()> m_print;
    std::function<void()> m_email;
    bool m_editButtonEnabled = false;
    int m_fadeInTimer = 0;
};

#include "FullScreenWindowController.h"

#include "FullScreenWindow.h"
#include "MainWindow.h"
#include "RecipeVisualBrowser.h"

#include "library/LibrarySession.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/ui/RecipeEditorView.h"
#include "library/ui/SidebarOutlineView.h"
#include "platform/Scheduler.h"
#include "platform/ScreenKeeper.h"
#include "present/RecipeDisplayController.h"
#include "present/ui/DisplayWebView.h"
#include "present/ui/RecipePageView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFrame>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>

namespace {

// The editor's panel: as large as the main window's editor usually is.
constexpr QSize kEditPanelSize(980, 780);
// The page appears from black this long after the view opened.
constexpr double kFadeInDelaySeconds = 0.1;

} // namespace

FullScreenWindowController::FullScreenWindowController(LibrarySession* session, MainWindow* mainWindow,
                                                       ScreenKeeper* keeper, QObject* parent)
    : QObject(parent), m_session(session), m_mainWindow(mainWindow), m_keeper(keeper) {
    if (m_session)
        connect(&m_session->recipesArrayController(), &RecipesArrayController::selectionChanged, this,
                &FullScreenWindowController::updateEditButton);
    // Quitting with the view open gives the views back and lets the screen sleep again.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (m_editor && m_editor->isOpen())
            m_editor->cancelButtonAction();
        leave();
    });
}

FullScreenWindowController::~FullScreenWindowController() {
    if (m_editor && m_editor->isOpen())
        m_editor->cancelButtonAction();
    leave();
}

QString FullScreenWindowController::inhibitReason() {
    return tr("Showing a recipe in full screen");
}

RecipePageView* FullScreenWindowController::page() const {
    return m_mainWindow ? m_mainWindow->recipePage() : nullptr;
}

void FullScreenWindowController::toggleFullScreenView() {
    if (isOpen())
        closeFullScreenView();
    else
        enter();
}

void FullScreenWindowController::enter() {
    RecipePageView* recipePage = page();
    if (isOpen() || !recipePage)
        return;
    if (!m_window) {
        m_window = std::make_unique<FullScreenWindow>();
        FullScreenWindow* window = m_window.get();
        connect(window, &FullScreenWindow::escapePressed, this,
                &FullScreenWindowController::closeFullScreenView);
        connect(window, &FullScreenWindow::exitRequested, this,
                &FullScreenWindowController::closeFullScreenView);
        connect(window, &FullScreenWindow::previousRequested, this,
                &FullScreenWindowController::selectPreviousRecipe);
        connect(window, &FullScreenWindow::nextRequested, this,
                &FullScreenWindowController::selectNextRecipe);
        connect(window, &FullScreenWindow::editRequested, this, &FullScreenWindowController::editRecipe);
        connect(window, &FullScreenWindow::printRequested, this, &FullScreenWindowController::print);
        connect(window, &FullScreenWindow::emailRequested, this, &FullScreenWindowController::email);
        connect(window, &FullScreenWindow::smallerTextRequested, this,
                &FullScreenWindowController::shrinkText);
        connect(window, &FullScreenWindow::largerTextRequested, this,
                &FullScreenWindowController::enlargeText);
        connect(window, &FullScreenWindow::resized, this, [this] {
            if (isOpen())
                layOut(false);
        });
    }
    FullScreenWindow* window = m_window.get();
    m_state.open();
    setEditButtonEnabled(false);

    // What is borrowed, and where it goes back.
    SidebarOutlineView* sidebar = m_mainWindow->sidebar();
    RecipeVisualBrowser* browser = m_mainWindow->visualBrowser();
    m_page = BorrowedView(recipePage);
    m_sidebar = BorrowedView(sidebar);
    m_browser = BorrowedView(browser);
    m_mainWindow->setRecipePageLent(true);
    m_previousSidebarPalette = sidebar->palette();
    m_previousSidebarAutoFill = sidebar->autoFillBackground();
    m_previousBrowserFrame = browser->frameShape();
    // The page alone: the theme selector and its introduction wait for the main window.
    m_previousThemeSelectorShown = recipePage->isThemeSelectorShown();
    m_previousIntroductionShown = recipePage->introduction() && !recipePage->introduction()->isHidden();
    recipePage->setThemeSelectorShown(false);
    recipePage->finishSlide();
    if (recipePage->introduction())
        recipePage->introduction()->hide();

    // Rendered at once, while the page is still on screen in the main window: the page
    // loads fastest there. The page's resize when the window shows renders it once more at
    // the full-screen height, under the black layer.
    m_renderer = recipePage->displayController();
    if (m_renderer)
        m_renderer->switchToFullScreenMode();

    // The parts in the window, the page under everything and the navigators at the edges.
    recipePage->setParent(window);
    sidebar->setParent(window);
    browser->setParent(window);
    QPalette grey = sidebar->palette();
    grey.setColor(QPalette::Base, QColor::fromRgbF(0.75f, 0.75f, 0.75f));
    grey.setColor(QPalette::Window, QColor::fromRgbF(0.75f, 0.75f, 0.75f));
    sidebar->setPalette(grey);
    sidebar->setAutoFillBackground(true);
    browser->setFrameShape(QFrame::NoFrame);
    window->stackParts(recipePage, {browser, sidebar});

    QScreen* screen = m_mainWindow->screen() ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    const QRect frame = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
    window->setGeometry(frame);
    m_state.setLayout(FullScreenLayout(frame.size()));
    window->setShade(1.0);
    window->setEscapeEnabled(true);
    layOut(false);
    recipePage->show();
    sidebar->show();
    browser->show();
    window->showFullScreen();
    window->raise();
    window->activateWindow();
    if (browser->correspondingController())
        browser->scrollToSelectedRow();

    m_fadeInTimer = Scheduler::instance().schedule(
        kFadeInDelaySeconds,
        [this] {
            m_fadeInTimer = 0;
            fadeInContent();
        },
        this);
    m_mainWindow->hide();
    if (m_keeper)
        m_keeper->inhibit(inhibitReason());
    qApp->installEventFilter(this);
    updateEditButton();
    emit opened();
}

bool FullScreenWindowController::closeFullScreenView() {
    if (!isOpen())
        return true;
    // Leaving never throws away what was typed in the editor without asking.
    if (m_editor && m_editor->isOpen() && !m_editor->cancelAskingToSaveChanges())
        return false;
    leave();
    return true;
}

void FullScreenWindowController::leave() {
    if (!isOpen())
        return;
    qApp->removeEventFilter(this);
    if (m_keeper)
        m_keeper->release();
    if (m_fadeInTimer) {
        Scheduler::instance().cancel(m_fadeInTimer);
        m_fadeInTimer = 0;
    }
    m_state.close();
    if (m_window) {
        m_window->finishAnimations();
        m_window->editPanel()->hide();
    }

    if (auto* sidebar = qobject_cast<SidebarOutlineView*>(m_sidebar.view())) {
        sidebar->setPalette(m_previousSidebarPalette);
        sidebar->setAutoFillBackground(m_previousSidebarAutoFill);
    }
    if (auto* browser = qobject_cast<QFrame*>(m_browser.view()))
        browser->setFrameShape(static_cast<QFrame::Shape>(m_previousBrowserFrame));
    m_sidebar.giveBack();
    m_browser.giveBack();
    if (m_renderer)
        m_renderer->switchToMainWindowMode();
    m_page.giveBack();
    if (auto* recipePage = qobject_cast<RecipePageView*>(m_page.view())) {
        recipePage->setThemeSelectorShown(m_previousThemeSelectorShown);
        recipePage->finishSlide();
        if (m_previousIntroductionShown && recipePage->introduction())
            recipePage->introduction()->show();
    }
    if (m_mainWindow) {
        m_mainWindow->setRecipePageLent(false);
        m_mainWindow->show();
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
    if (m_window)
        m_window->hide();
    setEditButtonEnabled(false);
    emit closed();
}

void FullScreenWindowController::layOut(bool animate) {
    if (!m_window)
        return;
    const FullScreenLayout& layout = m_state.layout();
    if (QWidget* recipePage = m_page.view(); recipePage && recipePage->parentWidget() == m_window.get())
        recipePage->setGeometry(layout.pageRect());
    m_window->slide(m_sidebar.view(), layout.sidebarRect(m_state.navigatorsShown()), animate);
    m_window->slide(m_browser.view(), layout.browserRect(m_state.navigatorsShown()), animate);
    m_window->slide(m_window->controlBar(), layout.controlBarRect(m_state.controlBarShown()), animate);
    m_window->editPanel()->setGeometry(layout.editPanelRect(kEditPanelSize));
}

void FullScreenWindowController::apply(const FullScreenState::Slides& slides) {
    if (!m_window || slides == FullScreenState::Slides())
        return;
    const FullScreenLayout& layout = m_state.layout();
    if (slides.navigatorsIn || slides.navigatorsOut) {
        const bool in = slides.navigatorsIn;
        m_window->slide(m_sidebar.view(), layout.sidebarRect(in), true);
        m_window->slide(m_browser.view(), layout.browserRect(in), true);
    }
    if (slides.controlBarIn || slides.controlBarOut)
        m_window->slide(m_window->controlBar(), layout.controlBarRect(slides.controlBarIn), true);
}

void FullScreenWindowController::pointerMovedTo(QPoint point) {
    apply(m_state.pointerMoved(point));
}

void FullScreenWindowController::finishAnimations() {
    if (m_window)
        m_window->finishAnimations();
}

bool FullScreenWindowController::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseMove || type == QEvent::Enter) && m_window && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == m_window.get()) {
        const QPointF global = type == QEvent::MouseMove ? static_cast<QMouseEvent*>(event)->globalPosition()
                                                         : static_cast<QEnterEvent*>(event)->globalPosition();
        pointerMovedTo(m_window->mapFromGlobal(global.toPoint()));
    }
    return QObject::eventFilter(watched, event);
}

void FullScreenWindowController::fadeInContent() {
    if (m_window && isOpen() && m_state.phase() == FullScreenState::Phase::Open)
        m_window->fadeShade(0.0, true);
}

void FullScreenWindowController::selectPreviousRecipe() {
    selectRowBy(-1);
}

void FullScreenWindowController::selectNextRecipe() {
    selectRowBy(1);
}

// At the first or the last recipe the selection stays where it is.
void FullScreenWindowController::selectRowBy(int step) {
    if (!m_session || m_state.phase() == FullScreenState::Phase::Editing)
        return;
    RecipesArrayController& recipes = m_session->recipesArrayController();
    const QList<int> rows = recipes.selectionIndexes();
    const int count = recipes.rowCount();
    if (count == 0)
        return;
    const int row = rows.isEmpty() ? (step > 0 ? 0 : count - 1) : rows.first() + step;
    if (row < 0 || row >= count)
        return;
    recipes.setSelectionIndexes({row});
    if (m_mainWindow)
        m_mainWindow->visualBrowser()->scrollToObjectAtIndex(row, true);
}

void FullScreenWindowController::enlargeText() {
    if (RecipePageView* recipePage = page())
        recipePage->webView()->makeTextLarger();
}

void FullScreenWindowController::shrinkText() {
    if (RecipePageView* recipePage = page())
        recipePage->webView()->makeTextSmaller();
}

void FullScreenWindowController::print() {
    if (m_print)
        m_print();
}

void FullScreenWindowController::email() {
    if (m_email)
        m_email();
}

void FullScreenWindowController::setEditButtonEnabled(bool enabled) {
    m_editButtonEnabled = enabled;
    if (m_window)
        if (QToolButton* button = m_window->button(QStringLiteral("editRecipeButton")))
            button->setEnabled(enabled);
}

void FullScreenWindowController::updateEditButton() {
    const bool selected = m_session && !m_session->recipesArrayController().selectedObjects().isEmpty();
    setEditButtonEnabled(isOpen() && m_state.phase() == FullScreenState::Phase::Open && selected);
}

// The first selected recipe in the editor's panel over the darkened page.
void FullScreenWindowController::editRecipe() {
    if (!m_session || !m_window || m_state.phase() != FullScreenState::Phase::Open)
        return;
    const QList<ManagedObject*> selected = m_session->recipesArrayController().selectedObjects();
    auto* recipe = selected.isEmpty() ? nullptr : dynamic_cast<RecipesManagedObject*>(selected.first());
    if (!recipe)
        return;
    if (!m_editor) {
        m_editor = new RecipeEditorController(m_session, this);
        auto* sidebar = qobject_cast<SidebarOutlineView*>(m_sidebar.view());
        m_editor->setSelectedGroupProvider([sidebar = QPointer<SidebarOutlineView>(sidebar)] {
            return sidebar ? sidebar->selectedGroup() : nullptr;
        });
        m_editorView = new RecipeEditorView(m_editor, m_window->editPanel());
        m_window->editPanel()->layout()->addWidget(m_editorView);
        connect(m_editor, &RecipeEditorController::editorClosed, this,
                &FullScreenWindowController::editorClosed);
    }
    apply(m_state.beginEditing());
    setEditButtonEnabled(false);
    m_window->setEscapeEnabled(false); // the editor's own Escape cancels it
    m_window->fadeShade(FullScreenWindow::kEditingShade, true);
    m_window->editPanel()->setGeometry(m_state.layout().editPanelRect(kEditPanelSize));
    m_window->editPanel()->show();
    m_window->editPanel()->raise();
    m_editor->editRecipe(recipe, RecipeEditorController::Placement::FullScreenPanel);
    m_editorView->show();
    m_editorView->focusTitle();
}

void FullScreenWindowController::editorClosed() {
    fadeOutBlackShaderImage();
    if (m_renderer)
        m_renderer->refreshDisplayView();
}

void FullScreenWindowController::fadeOutBlackShaderImage() {
    m_state.endEditing();
    if (m_window && isOpen()) {
        m_window->editPanel()->hide();
        m_window->setEscapeEnabled(true);
        m_window->fadeShade(0.0, true);
    }
    updateEditButton();
}

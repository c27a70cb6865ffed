#include "MainWindow.h"

#include "RecipeListView.h"
#include "RecipeVisualBrowser.h"

#include "library/SearchBoxMenu.h"
#include "library/SideBarDragController.h"
#include "library/ui/SidebarOutlineView.h"
#include "present/ui/RecipePageView.h"

#include "library/RecipesArrayController.h"
#include "platform/ManagedObject.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMetaMethod>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QIcon themeIcon(const char* name, const QStyle* style, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(name), style->standardIcon(fallback));
}

const QString kGeometryKey = QStringLiteral("MainWindow/geometry");
const QString kFrameKey = QStringLiteral("MainWindow/frame");
const QString kStateKey = QStringLiteral("MainWindow/state");
const QString kSplitterKey = QStringLiteral("MainWindow/splitter");
const QString kThemeSelectorKey = QStringLiteral("MainWindow/themeSelectorShown");
const QString kUniqueID = QStringLiteral("uniqueID");

// The sidebar, list and page splitter: when the window is resized the page keeps a
// readable width while the list and the sidebar can still give way.
class PageKeepingSplitter final : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    void resizeEvent(QResizeEvent* event) override {
        const QList<int> before = sizes();
        QSplitter::resizeEvent(event);
        const QList<int> after = sizes();
        if (before.size() != 3 || after.size() != 3)
            return;
        const int previousTotal = before.at(0) + before.at(1) + before.at(2);
        if (previousTotal <= 0)
            return;
        setSizes(MainWindow::distributeWidths(after.at(0) + after.at(1) + after.at(2), before));
    }
};

// Whether enough of a frame lies on some screen to be seen and dragged back.
bool frameIsOnAScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(frame);
        if (visible.width() >= 100 && visible.height() >= 50)
            return true;
    }
    return false;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(tr("Larkspoon!"));
    setMinimumSize(640, 440);
    setUnifiedTitleAndToolBarOnMac(true);
    setAcceptDrops(true); // web addresses, for the web importer
    buildToolbar();
    buildCentralArea();

    // New, edit and delete recipe buttons at the foot of the window.
    const struct {
        const char* name;
        const char* text;
        const char* tip;
        void (MainWindow::*signal)();
    } recipeButtons[] = {
        {"newRecipeButton", "+", QT_TR_NOOP("New Recipe"), &MainWindow::newRecipeRequested},
        {"editRecipeButton", QT_TR_NOOP("Edit"), QT_TR_NOOP("Edit Recipe"), &MainWindow::editRecipeRequested},
        {"deleteRecipeButton", "−", QT_TR_NOOP("Delete Recipe"), &MainWindow::deleteRecipeRequested},
    };
    for (const auto& item : recipeButtons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(item.name));
        button->setText(tr(item.text));
        button->setToolTip(tr(item.tip));
        button->setAutoRaise(true);
        button->setMinimumWidth(28);
        connect(button, &QToolButton::clicked, this, item.signal);
        statusBar()->addWidget(button);
    }
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("recipeCountLabel"));
    m_statusLabel->setContentsMargins(8, 0, 8, 0);
    statusBar()->addWidget(m_statusLabel, 1);
    m_platefeedActivity = new QProgressBar(this);
    m_platefeedActivity->setObjectName(QStringLiteral("platefeedActivity"));
    m_platefeedActivity->setRange(0, 0); // busy: how long the work takes is not known
    m_platefeedActivity->setTextVisible(false);
    m_platefeedActivity->setMaximumSize(60, 12);
    m_platefeedActivity->hide();
    statusBar()->addPermanentWidget(m_platefeedActivity);
    m_platefeedStatus = new QLabel(this);
    m_platefeedStatus->setObjectName(QStringLiteral("platefeedStatusLabel"));
    m_platefeedStatus->setContentsMargins(4, 0, 8, 0);
    m_platefeedStatus->setTextFormat(Qt::PlainText);
    m_platefeedStatus->hide();
    statusBar()->addPermanentWidget(m_platefeedStatus);
    statusBar()->setSizeGripEnabled(true);
    updateStatus();
    updateRecipePage();

    resize(initialSize());
}

// Quitting through the menu never closes the window, so the window's place is kept as it
// goes.
MainWindow::~MainWindow() {
    if (m_shownBefore)
        saveWindowState();
}

QList<int> MainWindow::distributeWidths(int total, const QList<int>& current) {
    const int minimums[3] = {kSidebarMinimumWidth, kListMinimumWidth, kPageMinimumWidth};
    int widths[3];
    for (int i = 0; i < 3; ++i)
        widths[i] = std::max(minimums[i], current.value(i, minimums[i]));
    int excess = widths[0] + widths[1] + widths[2] - total;
    if (excess <= 0) {
        widths[2] -= excess;
        return {widths[0], widths[1], widths[2]};
    }
    auto giveWay = [&](int i, int floor) {
        const int given = std::min(excess, std::max(0, widths[i] - floor));
        widths[i] -= given;
        excess -= given;
    };
    giveWay(2, std::max(RecipePageView::kReadablePageWidth, minimums[2]));
    giveWay(1, minimums[1]);
    giveWay(0, minimums[0]);
    giveWay(2, minimums[2]);
    return {widths[0], widths[1], widths[2]};
}

void MainWindow::saveWindowState() const {
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kFrameKey, isMaximized() || isFullScreen() ? normalGeometry() : geometry());
    settings.setValue(kStateKey, saveState());
    settings.setValue(kSplitterKey, m_splitter->saveState());
    settings.setValue(kThemeSelectorKey, m_recipePage && m_recipePage->isThemeSelectorShown());
}

bool MainWindow::restoreWindowState() {
    const QSettings settings;
    const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
    const QRect frame = settings.value(kFrameKey).toRect();
    if (geometry.isEmpty() || !frame.isValid() || !frameIsOnAScreen(frame))
        return false;
    if (!restoreGeometry(geometry))
        return false;
    restoreState(settings.value(kStateKey).toByteArray());
    m_splitter->restoreState(settings.value(kSplitterKey).toByteArray());
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveWindowState();
    // With the application listening, closing is quitting: the window stays until the
    // application ends, and stays open when the quit is cancelled.
    if (isSignalConnected(QMetaMethod::fromSignal(&MainWindow::quitRequested))) {
        event->ignore();
        emit quitRequested();
        return;
    }
    QMainWindow::closeEvent(event);
}

QTableView* MainWindow::recipeTable() const {
    return m_table;
}

void MainWindow::buildToolbar() {
    m_toolbar = new QToolBar(tr("Toolbar"), this);
    m_toolbar->setObjectName(QStringLiteral("MainWindowToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(22, 22));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    const QStyle* st = style();

    // Full screen view.
    auto* fullScreen =
        new QAction(themeIcon("view-fullscreen", st, QStyle::SP_TitleBarMaxButton), tr("Full Screen"), this);
    fullScreen->setObjectName(QStringLiteral("Full Screen View"));
    fullScreen->setToolTip(tr("Enter Full Screen Mode"));
    fullScreen->setShortcut(QKeySequence::FullScreen);
    fullScreen->setEnabled(false);
    m_toolbar->addAction(fullScreen);

    // Email / Print / Social, one segmented control.
    auto* segments = new QWidget(m_toolbar);
    segments->setObjectName(QStringLiteral("recipeControlsSegments"));
    auto* segmentsLayout = new QHBoxLayout(segments);
    segmentsLayout->setContentsMargins(6, 0, 6, 0);
    segmentsLayout->setSpacing(0);
    const struct {
        const char* objectName;
        const char* text;
        const char* icon;
        QStyle::StandardPixmap fallback;
    } segmentItems[] = {
        {"emailSegment", QT_TR_NOOP("Email"), "mail-message-new", QStyle::SP_FileDialogDetailedView},
        {"printSegment", QT_TR_NOOP("Print"), "document-print", QStyle::SP_FileIcon},
        {"socialSegment", QT_TR_NOOP("Social"), "emblem-shared", QStyle::SP_DriveNetIcon},
    };
    for (const auto& item : segmentItems) {
        auto* button = new QToolButton(segments);
        button->setObjectName(QLatin1String(item.objectName));
        button->setText(tr(item.text));
        button->setIcon(themeIcon(item.icon, st, item.fallback));
        button->setIconSize(m_toolbar->iconSize());
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(54);
        segmentsLayout->addWidget(button);
    }
    QAction* recipeControls = m_toolbar->addWidget(segments);
    recipeControls->setObjectName(QStringLiteral("Recipe Controls"));
    recipeControls->setText(tr("Recipe Controls"));
    recipeControls->setEnabled(false); // the toolbar passes this on to the buttons

    auto* webImports =
        new QAction(themeIcon("web-browser", st, QStyle::SP_DriveNetIcon), tr("Web Importer"), this);
    webImports->setObjectName(QStringLiteral("Web Imports"));
    webImports->setToolTip(tr("Import recipes from web pages"));
    connect(webImports, &QAction::triggered, this, &MainWindow::webImporterRequested);
    m_toolbar->addAction(webImports);

    // The search field sits at the trailing end of the toolbar.
    auto* spacer = new QWidget(m_toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolbar->addWidget(spacer)->setObjectName(QStringLiteral("flexibleSpace"));

    m_searchField = new QLineEdit(m_toolbar);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(tr("Search Recipes"));
    m_searchField->setClearButtonEnabled(true);
    // The magnifier opens the menu of what is searched.
    m_searchScopeAction = m_searchField->addAction(
        themeIcon("system-search", st, QStyle::SP_FileDialogContentsView), QLineEdit::LeadingPosition);
    m_searchScopeAction->setObjectName(QStringLiteral("searchScopes"));
    m_searchScopeAction->setToolTip(tr("Choose what to search"));
    m_searchScopeMenu = new QMenu(m_searchField);
    m_searchScopeMenu->setObjectName(QStringLiteral("searchScopeMenu"));
    connect(m_searchScopeAction, &QAction::triggered, this, [this] {
        m_searchScopeMenu->popup(m_searchField->mapToGlobal(QPoint(0, m_searchField->height())));
    });
    m_searchField->setFixedWidth(230);
    m_searchField->installEventFilter(this);
    connect(m_searchField, &QLineEdit::textChanged, this, &MainWindow::updateNoResults);
    // Ctrl+F goes to the search field from anywhere in the window.
    auto* find = new QAction(tr("Find"), this);
    find->setObjectName(QStringLiteral("findAction"));
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] {
        m_searchField->setFocus(Qt::ShortcutFocusReason);
        m_searchField->selectAll();
    });
    addAction(find);
    auto* searchBox = new QWidget(m_toolbar);
    auto* searchLayout = new QHBoxLayout(searchBox);
    searchLayout->setContentsMargins(6, 0, 10, 0);
    searchLayout->addWidget(m_searchField);
    QAction* search = m_toolbar->addWidget(searchBox);
    search->setObjectName(QStringLiteral("Search Field"));
    search->setText(tr("Search Recipes"));
    m_searchAction = search;
}

void MainWindow::buildCentralArea() {
    m_splitter = new PageKeepingSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("mainSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);

    m_sidebar = new SidebarOutlineView(m_splitter);
    m_sidebar->setMinimumWidth(kSidebarMinimumWidth);

    m_table = new RecipeListView(m_splitter);
    m_table->setObjectName(QStringLiteral("recipeTable"));
    m_table->setMinimumWidth(kListMinimumWidth);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->setSortingEnabled(false); // the controller keeps the order
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->verticalHeader()->hide();
    // Fixed row heights keep a list of many thousand recipes as quick as a short one.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setSectionsClickable(false);
    m_table->viewport()->installEventFilter(this);
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, &MainWindow::editRecipeRequested);
    connect(m_table, &RecipeListView::deleteRequested, this, &MainWindow::deleteRecipeRequested);

    // A search that finds nothing says so where the list would be.
    m_noResults = new QLabel(m_table->viewport());
    m_noResults->setObjectName(QStringLiteral("noResultsLabel"));
    m_noResults->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_noResults->setWordWrap(true);
    m_noResults->setContentsMargins(12, 24, 12, 12);
    m_noResults->setTextFormat(Qt::PlainText);
    QPalette noResultsPalette = m_noResults->palette();
    noResultsPalette.setColor(QPalette::WindowText, noResultsPalette.color(QPalette::PlaceholderText));
    m_noResults->setPalette(noResultsPalette);
    m_noResults->hide();

    // Until the recipe page is installed (setRecipePage) the area names the recipe.
    auto* page = new QFrame(m_splitter);
    m_pageArea = page;
    page->setObjectName(QStringLiteral("recipePagePlaceholder"));
    page->setMinimumWidth(kPageMinimumWidth);
    page->setAutoFillBackground(true);
    page->setBackgroundRole(QPalette::Base);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(36, 32, 36, 32);
    m_recipePageTitle = new QLabel(page);
    m_recipePageTitle->setObjectName(QStringLiteral("recipePageTitle"));
    m_recipePageTitle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_recipePageTitle->setWordWrap(true);
    m_recipePageTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont titleFont = m_recipePageTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    m_recipePageTitle->setFont(titleFont);
    QPalette titlePalette = m_recipePageTitle->palette();
    titlePalette.setColor(QPalette::WindowText, titlePalette.color(QPalette::PlaceholderText));
    m_recipePageTitle->setPalette(titlePalette);
    pageLayout->addWidget(m_recipePageTitle);
    pageLayout->addStretch(1);

    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_table);
    m_splitter->addWidget(page);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setStretchFactor(2, 1);
    m_splitter->setCollapsible(0, false);
    m_splitter->setCollapsible(1, false);
    m_splitter->setCollapsible(2, false);
    m_splitter->setSizes({200, 380, initialSize().width() - 580});
    setCentralWidget(m_splitter);

    // The strip waits beside the splitter until it is chosen.
    m_visualBrowser = new RecipeVisualBrowser(this);
    m_visualBrowser->setMinimumWidth(kListMinimumWidth);
    m_visualBrowser->hide();
    m_visualBrowser->viewport()->installEventFilter(this);
    if (UserDefaults::boolForKey(QStringLiteral("visualBrowserEnabled")))
        setVisualBrowserEnabled(true);
}

void MainWindow::setVisualBrowserEnabled(bool enabled) {
    UserDefaults::setObjectForKey(enabled, QStringLiteral("visualBrowserEnabled"));
    if (enabled == m_visualBrowserEnabled)
        return;
    m_visualBrowserEnabled = enabled;
    QWidget* shown = enabled ? static_cast<QWidget*>(m_visualBrowser) : static_cast<QWidget*>(m_table);
    QWidget* removed = enabled ? static_cast<QWidget*>(m_table) : static_cast<QWidget*>(m_visualBrowser);
    const int listIndex = m_splitter->indexOf(removed);
    if (listIndex < 0)
        return;
    // The splitter gives the replaced view up; the window keeps it for the next switch.
    const QList<int> sizes = m_splitter->sizes();
    m_splitter->replaceWidget(listIndex, shown);
    removed->setParent(this);
    removed->hide();
    shown->show();
    if (enabled && sizes.size() == 3) {
        // A strip of cards needs room across: the list takes up to 45% of the width from the
        // page, which keeps its minimum.
        m_tableSizes = sizes;
        const int total = sizes.at(0) + sizes.at(1) + sizes.at(2);
        int list = std::max(sizes.at(1), total * 45 / 100);
        const int page = std::max(total - sizes.at(0) - list, kPageMinimumWidth);
        list = std::max(total - sizes.at(0) - page, kListMinimumWidth);
        m_splitter->setSizes({sizes.at(0), list, page});
    } else if (!enabled && m_tableSizes.size() == 3) {
        m_splitter->setSizes(m_tableSizes);
    }
    if (enabled) {
        if (m_controller)
            m_visualBrowser->setContext(m_controller->arrangedObjects());
        m_visualBrowser->scrollToSelectedRow();
    }
    shown->setFocus(Qt::OtherFocusReason);
}

void MainWindow::setRecipesArrayController(RecipesArrayController* controller) {
    if (m_controller == controller)
        return;
    for (const auto& connection : std::as_const(m_controllerConnections))
        disconnect(connection);
    m_controllerConnections.clear();
    QItemSelectionModel* oldSelection = m_table->selectionModel();
    m_controller = controller;
    m_table->setModel(controller);
    m_visualBrowser->setRecipesArrayController(controller);
    if (oldSelection && oldSelection != m_table->selectionModel())
        oldSelection->deleteLater();
    m_listShownReported = false;

    if (controller) {
        m_controllerConnections
            << connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                       &MainWindow::tableSelectionChanged)
            << connect(controller, &RecipesArrayController::selectionChanged, this,
                       &MainWindow::controllerSelectionChanged)
            // A reset clears the table's selection; the controller's is put back afterwards.
            << connect(controller, &QAbstractItemModel::modelAboutToBeReset, this,
                       [this] { m_syncingSelection = true; })
            << connect(controller, &QAbstractItemModel::modelReset, this,
                       [this] {
                           m_syncingSelection = false;
                           selectControllerRowsInTable();
                           updateStatus();
                           updateRecipePage();
                       })
            << connect(controller, &RecipesArrayController::arrangedObjectsChanged, this,
                       &MainWindow::arrangementChanged)
            << connect(controller, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateStatus)
            << connect(controller, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateStatus)
            << connect(controller, &QAbstractItemModel::dataChanged, this, &MainWindow::updateRecipePage);
        selectControllerRowsInTable();
    }
    m_rememberedSelection.clear();
    rememberSelection();
    updateStatus();
    updateRecipePage();
    updateNoResults();
}

// After the list was arranged again (a search, a group, a change of records): recipes the
// search had hidden come back selected, a search that leaves one recipe selects it, and
// the list shows the selection or its top.
void MainWindow::arrangementChanged() {
    if (m_controller && m_controller->selectedObjects().isEmpty()) {
        QList<ManagedObject*> selection;
        if (!m_rememberedSelection.isEmpty()) {
            const QSet<QString> remembered(m_rememberedSelection.cbegin(), m_rememberedSelection.cend());
            for (ManagedObject* recipe : m_controller->arrangedObjects())
                if (remembered.contains(recipe->stringValue(kUniqueID)))
                    selection.append(recipe);
        }
        if (selection.isEmpty() && m_controller->rowCount() == 1 && !m_searchField->text().isEmpty())
            selection.append(m_controller->arrangedObjects().first());
        if (!selection.isEmpty()) {
            m_restoringSelection = true;
            m_controller->setSelectedObjects(selection);
            m_restoringSelection = false;
        }
    }
    selectControllerRowsInTable();
    if (!m_controller || m_controller->selectedObjects().isEmpty())
        m_table->scrollToTop();
    updateStatus();
    updateRecipePage();
    updateNoResults();
}

// The selection to give back after a search: a selection the user emptied while its
// recipes were listed is forgotten; one that a search hid is kept.
void MainWindow::rememberSelection() {
    if (!m_controller)
        return;
    const QList<ManagedObject*> selected = m_controller->selectedObjects();
    if (!selected.isEmpty()) {
        m_rememberedSelection.clear();
        for (const ManagedObject* recipe : selected)
            m_rememberedSelection.append(recipe->stringValue(kUniqueID));
        return;
    }
    if (m_rememberedSelection.isEmpty())
        return;
    const QSet<QString> remembered(m_rememberedSelection.cbegin(), m_rememberedSelection.cend());
    for (const ManagedObject* recipe : m_controller->arrangedObjects())
        if (remembered.contains(recipe->stringValue(kUniqueID))) {
            m_rememberedSelection.clear();
            return;
        }
}

void MainWindow::updateNoResults() {
    const QString text = m_searchField->text();
    const bool empty = m_controller && m_controller->rowCount() == 0 && !text.trimmed().isEmpty();
    if (empty) {
        m_noResults->setText(tr("No recipes match “%1”").arg(text.trimmed()));
        m_noResults->setGeometry(m_table->viewport()->rect());
    }
    m_noResults->setVisible(empty);
}

void MainWindow::selectRow(int row) {
    if (!m_controller || row < 0 || row >= m_controller->rowCount())
        return;
    m_controller->setSelectionIndexes({row});
    m_table->scrollTo(m_controller->index(row, 0));
}

// Escape empties the field, Down goes into the list, Return selects the first result.
bool MainWindow::searchFieldKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_searchField->text().isEmpty())
            return false;
        m_searchField->clear();
        return true;
    case Qt::Key_Down:
        m_table->setFocus(Qt::TabFocusReason);
        if (m_controller && m_controller->selectedObjects().isEmpty())
            selectRow(0);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_controller || m_controller->rowCount() == 0)
            return false;
        selectRow(0);
        m_table->setFocus(Qt::OtherFocusReason);
        return true;
    default:
        return false;
    }
}

// Home and End select the first and the last recipe.
bool MainWindow::tableKey(QKeyEvent* event) {
    if (!m_controller || (event->key() != Qt::Key_Home && event->key() != Qt::Key_End))
        return false;
    selectRow(event->key() == Qt::Key_Home ? 0 : m_controller->rowCount() - 1);
    return true;
}

void MainWindow::tableSelectionChanged() {
    if (m_syncingSelection || !m_controller)
        return;
    QList<int> rows;
    const QModelIndexList selected =
        m_table->selectionModel()->selectedRows(RecipesArrayController::NameColumn);
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    m_syncingSelection = true;
    m_controller->setSelectionIndexes(rows);
    m_syncingSelection = false;
    updateRecipePage();
}

void MainWindow::controllerSelectionChanged() {
    if (!m_syncingSelection)
        selectControllerRowsInTable();
    if (!m_restoringSelection)
        rememberSelection();
    updateRecipePage();
}

void MainWindow::selectControllerRowsInTable() {
    if (!m_controller || !m_table->selectionModel())
        return;
    const QList<int> rows = m_controller->selectionIndexes();
    const int columns = m_controller->columnCount();
    // Neighbouring rows become one range, so selecting thousands of rows stays cheap.
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows.at(j + 1) == rows.at(j) + 1)
            ++j;
        selection.select(m_controller->index(rows.at(i), 0), m_controller->index(rows.at(j), columns - 1));
        i = j + 1;
    }
    const bool wasSyncing = m_syncingSelection;
    m_syncingSelection = true;
    QItemSelectionModel* model = m_table->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty()) {
        const QModelIndex first = m_controller->index(rows.first(), 0);
        model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        m_table->scrollTo(first);
    }
    m_syncingSelection = wasSyncing;
}

void MainWindow::updateRecipePage() {
    QString name;
    if (m_controller) {
        const QList<ManagedObject*> selected = m_controller->selectedObjects();
        if (!selected.isEmpty() && selected.first())
            name = selected.first()->stringValue(QStringLiteral("name"));
    }
    m_recipePageTitle->setText(name);
}

void MainWindow::updateStatus() {
    if (m_controller) {
        const int count = m_controller->rowCount();
        m_statusLabel->setText(count == 1 ? tr("1 recipe") : tr("%1 recipes").arg(QLocale().toString(count)));
    } else
        m_statusLabel->setText(tr("No library is open"));
}

QString MainWindow::recipePageText() const {
    return m_recipePageTitle->text();
}

QString MainWindow::statusText() const {
    return m_statusLabel->text();
}

void MainWindow::setPlatefeedStatus(const QString& text, bool busy) {
    // A long recipe name is shortened in its middle, so the recipe count keeps its place.
    m_platefeedStatusText = text;
    m_platefeedStatus->setText(m_platefeedStatus->fontMetrics().elidedText(text, Qt::ElideMiddle, 360));
    m_platefeedStatus->setToolTip(text);
    m_platefeedStatus->setVisible(!text.isEmpty());
    m_platefeedActivity->setVisible(!text.isEmpty() && busy);
}

QString MainWindow::platefeedStatus() const {
    return m_platefeedStatusText;
}

bool MainWindow::isPlatefeedStatusShown() const {
    return !m_platefeedStatus->isHidden();
}

bool MainWindow::isPlatefeedBusyShown() const {
    return !m_platefeedActivity->isHidden();
}

void MainWindow::toogleThemeSelectors() {
    if (m_recipePage)
        m_recipePage->showIntroductionIfFirstTime();
}

void MainWindow::setRecipePage(RecipePageView* page) {
    if (m_recipePage || !page)
        return;
    m_recipePage = page;
    auto* layout = static_cast<QVBoxLayout*>(m_pageArea->layout());
    layout->setContentsMargins(0, 0, 0, 0);
    m_recipePageTitle->hide();
    layout->insertWidget(0, page, 1);
    // The stretch that kept the title at the top is not wanted under the page.
    if (QLayoutItem* stretch = layout->takeAt(layout->count() - 1))
        delete stretch;
    // The selector is open again if it was open when the window was last put away.
    if (UserDefaults::hasKey(QStringLiteral("hasLaunchedBefore")) &&
        QSettings().value(kThemeSelectorKey).toBool())
        page->setThemeSelectorShown(true);
}

void MainWindow::setRecipePageShown(bool shown) {
    m_recipePageShown = shown;
    if (m_recipePage && !m_recipePageLent)
        m_recipePage->setVisible(shown);
}

void MainWindow::setRecipePageLent(bool lent) {
    m_recipePageLent = lent;
    if (!lent && m_recipePage)
        m_recipePage->setVisible(m_recipePageShown);
}

void MainWindow::showRecipeEditor(QWidget* editor) {
    if (!editor)
        return;
    auto* layout = static_cast<QVBoxLayout*>(m_pageArea->layout());
    if (m_recipeEditor != editor) {
        m_recipeEditor = editor;
        layout->setContentsMargins(0, 0, 0, 0);
        layout->insertWidget(0, editor, 1);
    }
    if (m_recipePage)
        setRecipePageShown(false);
    if (m_groceryEditor)
        m_groceryEditor->hide();
    m_recipePageTitle->hide();
    editor->show();
}

void MainWindow::hideRecipeEditor() {
    if (!m_recipeEditor)
        return;
    m_recipeEditor->hide();
    if (m_groceryEditorWanted && m_groceryEditor)
        m_groceryEditor->show();
    else if (m_recipePage)
        setRecipePageShown(true);
    else
        m_recipePageTitle->show();
    m_table->setFocus(Qt::OtherFocusReason);
    if (m_controller)
        if (const QList<int> rows = m_controller->selectionIndexes(); !rows.isEmpty())
            m_table->scrollTo(m_controller->index(rows.first(), 0));
}

bool MainWindow::isRecipeEditorShown() const {
    return m_recipeEditor && m_recipeEditor->isVisibleTo(this);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!SideBarDragController::webAddressFromMimeData(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!SideBarDragController::webAddressFromMimeData(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString address = SideBarDragController::webAddressFromMimeData(event->mimeData());
    if (address.isEmpty())
        return;
    event->acceptProposedAction();
    emit webAddressDropped(address);
}

void MainWindow::showGroceryEditor(QWidget* editor) {
    if (!editor)
        return;
    m_groceryEditorWanted = true;
    if (m_groceryEditor != editor) {
        m_groceryEditor = editor;
        auto* layout = static_cast<QVBoxLayout*>(m_pageArea->layout());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->insertWidget(0, editor, 1);
    }
    if (isRecipeEditorShown()) // the open recipe editor keeps the page area
        return;
    if (m_recipePage)
        setRecipePageShown(false);
    m_recipePageTitle->hide();
    editor->show();
}

void MainWindow::hideGroceryEditor() {
    m_groceryEditorWanted = false;
    if (!m_groceryEditor || !m_groceryEditor->isVisibleTo(this))
        return;
    m_groceryEditor->hide();
    if (isRecipeEditorShown())
        return;
    if (m_recipePage)
        setRecipePageShown(true);
    else
        m_recipePageTitle->show();
}

bool MainWindow::isGroceryEditorShown() const {
    return m_groceryEditor && m_groceryEditor->isVisibleTo(this);
}

void MainWindow::showEvent(QShowEvent* event) {
    if (!m_shownBefore && !event->spontaneous()) {
        m_shownBefore = true;
        if (!UserDefaults::hasKey(QStringLiteral("hasLaunchedBefore")))
            prepareFirstLaunch();
        else if (!restoreWindowState())
            placeAtInitialFrame();
    }
    QMainWindow::showEvent(event);
}

// The first launch opens the window at its initial size in the middle of the screen and
// shows the theme selectors a moment later, once the window is on screen.
void MainWindow::prepareFirstLaunch() {
    placeAtInitialFrame();
    // The weekly planner is put away; it is drawn back in by the planner itself.
    const QString plannerKey = QStringLiteral("weeklyPlannerPulledDown");
    if (UserDefaults::boolForKey(plannerKey))
        UserDefaults::setObjectForKey(false, plannerKey);
    Scheduler::instance().schedule(
        1.5, [this] { toogleThemeSelectors(); }, this);
}

void MainWindow::placeAtInitialFrame() {
    QSize size = initialSize();
    if (QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        size = size.boundedTo(available.size() * 0.95);
        QRect frame(QPoint(), size);
        frame.moveCenter(available.center());
        setGeometry(frame);
    } else {
        resize(size);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!m_table) // the toolbar's search field is built before the list
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_searchField && searchFieldKey(key))
            return true;
        if (watched == m_table && tableKey(key))
            return true;
    }
    if (event->type() == QEvent::Resize && watched == m_table->viewport() && m_noResults->isVisible())
        m_noResults->setGeometry(m_table->viewport()->rect());
    if (event->type() == QEvent::Paint &&
        (watched == m_table->viewport() || (m_visualBrowser && watched == m_visualBrowser->viewport())) &&
        !m_listShownReported && m_controller && isVisible()) {
        m_listShownReported = true;
        emit recipeListShown();
    }
    if (watched == m_table->viewport() && dragRecipesFromTable(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// Recipes dragged out of the list travel as "RecipeUniqueIDs", which the sidebar's groups
// and grocery lists read.
bool MainWindow::dragRecipesFromTable(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton)
            m_dragStart = press->position().toPoint();
        return false;
    }
    if (event->type() != QEvent::MouseMove || !m_controller)
        return false;
    auto* move = static_cast<QMouseEvent*>(event);
    if (!(move->buttons() & Qt::LeftButton) ||
        (move->position().toPoint() - m_dragStart).manhattanLength() < QApplication::startDragDistance())
        return false;
    const QModelIndex pressed = m_table->indexAt(m_dragStart);
    if (!pressed.isValid() || !m_table->selectionModel()->isRowSelected(pressed.row(), {}))
        return false;
    QStringList uniqueIDs;
    for (const ManagedObject* recipe : m_controller->selectedObjects())
        uniqueIDs.append(recipe->stringValue(QStringLiteral("uniqueID")));
    if (uniqueIDs.isEmpty())
        return false;
    auto* mime = new QMimeData;
    SideBarDragController::writeRecipeUniqueIDs(uniqueIDs, mime);
    auto* drag = new QDrag(m_table);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    return true;
}

void MainWindow::setSearchBoxMenu(SearchBoxMenu* menu) {
    m_searchBoxMenu = menu;
    m_searchScopeMenu->clear();
    if (!menu)
        return;
    auto* scopes = new QActionGroup(m_searchScopeMenu);
    for (int index = 0; index < SearchBoxMenu::ScopeCount; ++index) {
        QAction* scope = m_searchScopeMenu->addAction(SearchBoxMenu::menuText(index));
        scope->setCheckable(true);
        scope->setChecked(index == menu->indexOfLastItem());
        scopes->addAction(scope);
        connect(scope, &QAction::triggered, menu, [menu, index] { menu->chooseScope(index); });
    }
    m_searchField->setPlaceholderText(menu->placeholderString());
    connect(menu, &SearchBoxMenu::placeholderStringChanged, m_searchField, &QLineEdit::setPlaceholderText);
    connect(m_searchField, &QLineEdit::textChanged, menu, &SearchBoxMenu::setSearchString);
}

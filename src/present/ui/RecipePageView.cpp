#include "RecipePageView.h"

#include "DisplayWebView.h"
#include "present/RecipeDisplayController.h"
#include "present/ThemeController.h"

#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"

#include <QLabel>
#include <QListWidget>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

RecipePageView::RecipePageView(LibrarySession* session, QWidget* parent)
    : QWidget(parent), m_webView(new DisplayWebView(this)), m_display(nullptr),
      m_themes(new ThemeController(this)) {
    setObjectName(QStringLiteral("recipePage"));
    m_display = new RecipeDisplayController(session, m_webView, this);
    m_webView->setController(m_display);
    m_themes->setTextSizePort(m_webView);
    setMinimumWidth(200);

    // The page and the selector are placed by hand (layoutChildren): the selector slides
    // in from the left and may lie over the page.
    buildThemeSelector();
    buildIntroduction();
    m_slide = new QPropertyAnimation(this, "selectorOffset", this);
    m_slide->setDuration(kSlideMilliseconds);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);

    connect(m_themes, &ThemeController::themeChosen, m_display,
            &RecipeDisplayController::loadRecipeInWebView);
    connect(m_themes, &ThemeController::selectorToggleRequested, this,
            &RecipePageView::toogleThemeSelectorView);
    connect(m_themes, &ThemeController::introductionCloseRequested, this, [this] {
        if (m_introduction)
            m_introduction->hide();
    });
    // Another recipe starts at its top; the same recipe rendered again (a theme, a
    // resize, an edit) keeps the place the reader scrolled to.
    if (session)
        connect(&session->recipesArrayController(), &RecipesArrayController::selectionChanged, this,
                [this] { m_webView->loadNextAsNewDocument(); });
    layoutChildren();
}

RecipePageView::~RecipePageView() = default;

void RecipePageView::delayedInitalize() {
    m_display->delayedInitalize();
}

bool RecipePageView::isThemeSelectorShown() const {
    return m_selectorWanted;
}

bool RecipePageView::themeSelectorOverlaysPage() const {
    return width() - ThemeController::kSelectorWidth < kReadablePageWidth;
}

void RecipePageView::buildThemeSelector() {
    m_selector = new QFrame(this);
    m_selector->setObjectName(QStringLiteral("themeSelector"));
    m_selector->setFrameShape(QFrame::NoFrame);
    m_selector->setAutoFillBackground(true);
    m_selector->setStyleSheet(QStringLiteral("QFrame#themeSelector { background: #2B333D; }"
                                             "QFrame#themeSelector > QLabel { color: #E8ECF1; }"));
    auto* layout = new QVBoxLayout(m_selector);
    layout->setContentsMargins(12, 14, 12, 12);
    auto* title = new QLabel(tr("Themes"), m_selector);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);

    m_themeList = new QListWidget(m_selector);
    m_themeList->setObjectName(QStringLiteral("themeList"));
    // Each theme as its picture with the name under it, one below the other.
    m_themeList->setViewMode(QListView::IconMode);
    m_themeList->setFlow(QListView::TopToBottom);
    m_themeList->setWrapping(false);
    m_themeList->setMovement(QListView::Static);
    m_themeList->setResizeMode(QListView::Adjust);
    m_themeList->setIconSize(QSize(120, 90));
    m_themeList->setSpacing(6);
    m_themeList->setFrameShape(QFrame::NoFrame);
    m_themeList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_themeList->setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; color: #E8ECF1; }"
                       "QListWidget::item:selected { background: #4A90D9; border-radius: 6px; }"));
    // Filling the list blocks its signals, so every row that becomes current here is the
    // user's choice, the theme shown when the selector opened included.
    connect(m_themeList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            m_themes->chooseTheme(row);
    });
    layout->addWidget(m_themeList, 1);
    m_selector->hide();
}

// The first launch's note beside the selector: light text on a dark, translucent panel
// with a violet border.
void RecipePageView::buildIntroduction() {
    m_introduction = new QFrame(this);
    m_introduction->setObjectName(QStringLiteral("themeIntroduction"));
    m_introduction->setStyleSheet(
        QStringLiteral("QFrame#themeIntroduction { background: rgba(0, 0, 0, 191);"
                       " border: 2px solid rgb(174, 141, 221); border-radius: 8px; }"
                       "QFrame#themeIntroduction > QLabel { color: white; background: transparent; }"));
    auto* introLayout = new QVBoxLayout(m_introduction);
    introLayout->setContentsMargins(14, 12, 14, 12);
    auto* introText = new QLabel(tr("Pick how your recipes look. You can open this list again from "
                                    "View > Choose Theme."),
                                 m_introduction);
    introText->setWordWrap(true);
    auto* introClose = new QPushButton(tr("Got It"), m_introduction);
    introClose->setObjectName(QStringLiteral("gotItButton"));
    connect(introClose, &QPushButton::clicked, m_themes, &ThemeController::removeThemeIntroductionWindow);
    introLayout->addWidget(introText);
    introLayout->addWidget(introClose, 0, Qt::AlignRight);
    m_introduction->hide();
}

void RecipePageView::fillThemeList() {
    m_themes->setupThemeSelector();
    const QSignalBlocker blocker(m_themeList);
    m_themeList->clear();
    for (const ThemeRow& row : m_themes->rows()) {
        auto* item = new QListWidgetItem(QIcon(row.thumbnailPath), row.name, m_themeList);
        item->setSizeHint(QSize(ThemeController::kSelectorWidth - 30, 122));
        item->setTextAlignment(Qt::AlignHCenter);
    }
    m_themeList->setCurrentRow(m_themes->rowToSelect());
    if (QListWidgetItem* current = m_themeList->currentItem())
        m_themeList->scrollToItem(current);
}

void RecipePageView::setSelectorOffset(int offset) {
    m_selectorOffset = std::clamp(offset, 0, int(ThemeController::kSelectorWidth));
    layoutChildren();
}

void RecipePageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

// The selector at its slide offset on the left; the page beside it, or under it when a
// page beside it would be too narrow to read; the introduction just right of the selector.
void RecipePageView::layoutChildren() {
    const int selectorWidth = ThemeController::kSelectorWidth;
    const int h = height();
    m_selector->setGeometry(m_selectorOffset - selectorWidth, 0, selectorWidth, h);
    m_selector->setVisible(m_selectorOffset > 0);
    const int pageLeft = themeSelectorOverlaysPage() ? 0 : m_selectorOffset;
    m_webView->setGeometry(pageLeft, 0, std::max(0, width() - pageLeft), h);
    m_selector->raise();
    if (m_introduction->isVisibleTo(this)) {
        const int left = m_selectorOffset + 12;
        const int introWidth = std::clamp(width() - left - 12, 160, 320);
        const int fitting = m_introduction->heightForWidth(introWidth);
        m_introduction->setGeometry(left, 16, introWidth,
                                    fitting > 0 ? fitting : m_introduction->sizeHint().height());
        m_introduction->raise();
    }
}

void RecipePageView::slideTo(int offset) {
    m_slide->stop();
    if (!isVisible()) {
        setSelectorOffset(offset);
        return;
    }
    m_slide->setStartValue(m_selectorOffset);
    m_slide->setEndValue(offset);
    m_slide->start();
}

void RecipePageView::finishSlide() {
    if (m_slide->state() == QAbstractAnimation::Running)
        m_slide->setCurrentTime(m_slide->totalDuration());
}

void RecipePageView::setThemeSelectorShown(bool shown) {
    if (shown == m_selectorWanted)
        return;
    m_selectorWanted = shown;
    if (shown)
        fillThemeList();
    slideTo(shown ? ThemeController::kSelectorWidth : 0);
}

void RecipePageView::toogleThemeSelectorView() {
    // A toggle while the selector slides out finds it still in place: another hide.
    // Closing the introduction on the way toggles every selector again: this one stays
    // hidden.
    if (m_hiding)
        return;
    const bool slidingOut = m_slide->state() == QAbstractAnimation::Running && !m_selectorWanted;
    if (m_selectorWanted || slidingOut) {
        m_hiding = true;
        setThemeSelectorShown(false);
        m_themes->removeThemeIntroductionWindow();
        m_hiding = false;
        return;
    }
    // A narrow main window grows to make room, as far as its screen allows; it keeps
    // that width when the selector hides again.
    QWidget* window = this->window();
    if (window != this && !(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        int growth = ThemeController::selectorGeometry(width(), true).windowGrowth;
        if (const QScreen* screen = window->screen()) {
            const QRect available = screen->availableGeometry();
            const QRect frame = window->frameGeometry();
            growth = std::min(growth, available.right() - frame.right());
        }
        if (growth > 0)
            window->resize(window->width() + growth, window->height());
    }
    setThemeSelectorShown(true);
}

void RecipePageView::showIntroductionIfFirstTime() {
    if (!ThemeController::takeIntroductionTurn())
        return;
    if (!isThemeSelectorShown())
        toogleThemeSelectorView();
    m_introduction->show();
    layoutChildren();
    m_themes->introductionShown();
}

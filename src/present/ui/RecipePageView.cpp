#include "RecipePageView.h"

#include "DisplayWebView.h"
#include "present/RecipeDisplayController.h"
#include "present/ThemeController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

RecipePageView::RecipePageView(LibrarySession* session, QWidget* parent)
    : QWidget(parent), m_webView(new DisplayWebView(this)), m_display(nullptr),
      m_themes(new ThemeController(this)) {
    setObjectName(QStringLiteral("recipePage"));
    m_display = new RecipeDisplayController(session, m_webView, this);
    m_webView->setController(m_display);
    m_themes->setTextSizePort(m_webView);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_webView, 1);
    buildThemeSelector();
    layout->addWidget(m_selector);

    connect(m_themes, &ThemeController::themeChosen, m_display,
            &RecipeDisplayController::loadRecipeInWebView);
    connect(m_themes, &ThemeController::selectorToggleRequested, this,
            &RecipePageView::toogleThemeSelectorView);
    connect(m_themes, &ThemeController::introductionCloseRequested, this, [this] {
        if (m_introduction)
            m_introduction->hide();
    });
}

RecipePageView::~RecipePageView() = default;

void RecipePageView::delayedInitalize() {
    m_display->delayedInitalize();
}

bool RecipePageView::isThemeSelectorShown() const {
    return m_selector && m_selector->isVisibleTo(this);
}

void RecipePageView::buildThemeSelector() {
    m_selector = new QFrame(this);
    m_selector->setObjectName(QStringLiteral("themeSelector"));
    m_selector->setFixedWidth(ThemeController::kSelectorWidth);
    m_selector->setFrameShape(QFrame::NoFrame);
    m_selector->setStyleSheet(QStringLiteral("QFrame#themeSelector { background: #2B333D; }"
                                             "QFrame#themeSelector > QLabel { color: #E8ECF1; }"));
    auto* layout = new QVBoxLayout(m_selector);
    layout->setContentsMargins(12, 14, 12, 12);
    auto* title = new QLabel(tr("Themes"), m_selector);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);

    m_introduction = new QFrame(m_selector);
    m_introduction->setObjectName(QStringLiteral("themeIntroduction"));
    m_introduction->setStyleSheet(
        QStringLiteral("QFrame#themeIntroduction { background: #FFF6D6; border-radius: 6px; }"
                       "QLabel { color: #3A3320; }"));
    auto* introLayout = new QVBoxLayout(m_introduction);
    introLayout->setContentsMargins(10, 8, 10, 8);
    auto* introText = new QLabel(tr("Pick how your recipes look. You can open this list again from "
                                    "View > Choose Theme."),
                                 m_introduction);
    introText->setWordWrap(true);
    auto* introClose = new QPushButton(tr("Got It"), m_introduction);
    connect(introClose, &QPushButton::clicked, m_themes, &ThemeController::removeThemeIntroductionWindow);
    introLayout->addWidget(introText);
    introLayout->addWidget(introClose, 0, Qt::AlignRight);
    m_introduction->hide();
    layout->addWidget(m_introduction);

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
    connect(m_themeList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != m_themes->rowToSelect())
            m_themes->chooseTheme(row);
    });
    layout->addWidget(m_themeList, 1);
    m_selector->hide();
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
}

void RecipePageView::toogleThemeSelectorView() {
    QWidget* window = this->window();
    if (isThemeSelectorShown()) {
        m_selector->hide();
        m_themes->removeThemeIntroductionWindow();
        // A window widened for the selector gives the room back.
        if (m_windowGrowth > 0 && window != this)
            window->resize(window->width() - m_windowGrowth, window->height());
        m_windowGrowth = 0;
        return;
    }
    fillThemeList();
    const ThemeSelectorGeometry geometry = ThemeController::selectorGeometry(width(), window != this);
    m_windowGrowth = window != this ? geometry.windowGrowth : 0;
    if (m_windowGrowth > 0)
        window->resize(window->width() + m_windowGrowth, window->height());
    m_selector->show();
}

void RecipePageView::showIntroductionIfFirstTime() {
    if (!ThemeController::takeIntroductionTurn())
        return;
    if (!isThemeSelectorShown())
        toogleThemeSelectorView();
    m_introduction->show();
    m_themes->introductionShown();
}

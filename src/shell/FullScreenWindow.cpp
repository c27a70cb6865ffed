#include "FullScreenWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QPropertyAnimation>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

FullScreenWindow::FullScreenWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_shader(new QWidget(this)),
      m_shaderOpacity(new QGraphicsOpacityEffect(m_shader)), m_controlBar(new QFrame(this)),
      m_editPanel(new QFrame(this)), m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), this)) {
    setObjectName(QStringLiteral("FullScreenWindow"));
    setWindowTitle(tr("Larkspoon!"));
    setMouseTracking(true);
    // Black behind everything, painted rather than set in the palette, so the editor's panel
    // keeps the usual colours.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);

    m_shader->setObjectName(QStringLiteral("blackShaderImage"));
    m_shader->setAutoFillBackground(true);
    m_shader->setPalette(black);
    m_shader->setMouseTracking(true);
    m_shaderOpacity->setOpacity(1.0);
    m_shader->setGraphicsEffect(m_shaderOpacity);

    buildControlBar();

    m_editPanel->setObjectName(QStringLiteral("editPanel"));
    m_editPanel->setFrameShape(QFrame::StyledPanel);
    m_editPanel->setAutoFillBackground(true);
    m_editPanel->setBackgroundRole(QPalette::Window);
    auto* panelLayout = new QVBoxLayout(m_editPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    m_editPanel->hide();

    m_escape->setContext(Qt::WindowShortcut);
    connect(m_escape, &QShortcut::activated, this, &FullScreenWindow::escapePressed);
}

FullScreenWindow::~FullScreenWindow() = default;

void FullScreenWindow::buildControlBar() {
    m_controlBar->setObjectName(QStringLiteral("bottomToolBarView"));
    m_controlBar->setAutoFillBackground(true);
    QPalette bar = palette();
    bar.setColor(QPalette::Window, QColor(40, 40, 40, 235));
    bar.setColor(QPalette::Button, QColor(40, 40, 40));
    bar.setColor(QPalette::ButtonText, Qt::white);
    bar.setColor(QPalette::WindowText, Qt::white);
    m_controlBar->setPalette(bar);
    m_controlBar->setFrameShape(QFrame::NoFrame);
    auto* layout = new QHBoxLayout(m_controlBar);
    layout->setContentsMargins(14, 6, 14, 6);
    layout->setSpacing(6);
    const QStyle* st = style();
    const struct {
        const char* name;
        const char* text;
        const char* tip;
        QStyle::StandardPixmap icon;
        void (FullScreenWindow::*signal)();
    } buttons[] = {
        {"previousRecipeButton", QT_TR_NOOP("Previous"), QT_TR_NOOP("Previous Recipe"), QStyle::SP_ArrowBack,
         &FullScreenWindow::previousRequested},
        {"nextRecipeButton", QT_TR_NOOP("Next"), QT_TR_NOOP("Next Recipe"), QStyle::SP_ArrowForward,
         &FullScreenWindow::nextRequested},
        {"editRecipeButton", QT_TR_NOOP("Edit"), QT_TR_NOOP("Edit Recipe"), QStyle::SP_FileDialogDetailedView,
         &FullScreenWindow::editRequested},
        {"printButton", QT_TR_NOOP("Print"), QT_TR_NOOP("Print Recipe"), QStyle::SP_DialogSaveButton,
         &FullScreenWindow::printRequested},
        {"emailButton", QT_TR_NOOP("Email"), QT_TR_NOOP("Email Recipe"), QStyle::SP_DirLinkIcon,
         &FullScreenWindow::emailRequested},
        {"smallerTextButton", QT_TR_NOOP("Smaller"), QT_TR_NOOP("Smaller Text"), QStyle::SP_ArrowDown,
         &FullScreenWindow::smallerTextRequested},
        {"largerTextButton", QT_TR_NOOP("Larger"), QT_TR_NOOP("Larger Text"), QStyle::SP_ArrowUp,
         &FullScreenWindow::largerTextRequested},
        {"exitFullScreenButton", QT_TR_NOOP("Exit"), QT_TR_NOOP("Exit Full Screen"),
         QStyle::SP_DialogCloseButton, &FullScreenWindow::exitRequested},
    };
    for (const auto& item : buttons) {
        auto* button = new QToolButton(m_controlBar);
        button->setObjectName(QLatin1String(item.name));
        button->setText(tr(item.text));
        button->setToolTip(tr(item.tip));
        button->setIcon(st->standardIcon(item.icon));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, item.signal);
        layout->addWidget(button, 1);
    }
}

QToolButton* FullScreenWindow::button(const QString& objectName) const {
    return m_controlBar->findChild<QToolButton*>(objectName);
}

void FullScreenWindow::slide(QWidget* part, const QRect& rect, bool animate) {
    if (!part)
        return;
    if (QPropertyAnimation* running = m_slides.value(part))
        running->stop();
    if (!animate || !isVisible()) {
        part->setGeometry(rect);
        return;
    }
    auto* animation = new QPropertyAnimation(part, "geometry", this);
    animation->setDuration(kSlideMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(part->geometry());
    animation->setEndValue(rect);
    m_slides.insert(part, animation);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void FullScreenWindow::finishAnimations() {
    const auto slides = m_slides;
    for (const QPointer<QPropertyAnimation>& animation : slides)
        if (animation)
            animation->setCurrentTime(animation->totalDuration()); // stops and deletes it
    m_slides.clear();
    if (m_fade)
        m_fade->setCurrentTime(m_fade->totalDuration());
}

double FullScreenWindow::shade() const {
    return m_shader->isVisible() ? m_shaderOpacity->opacity() : 0.0;
}

void FullScreenWindow::setShade(double opacity) {
    m_shaderOpacity->setOpacity(opacity);
    // A clear layer is hidden, so it neither costs painting nor takes the pointer.
    m_shader->setVisible(opacity > 0.0);
}

void FullScreenWindow::fadeShade(double opacity, bool animate) {
    if (m_fade)
        m_fade->stop();
    if (!animate || !isVisible()) {
        setShade(opacity);
        return;
    }
    m_shader->show();
    m_fade = new QPropertyAnimation(this, "shade", this);
    m_fade->setDuration(kFadeMilliseconds);
    m_fade->setStartValue(shade());
    m_fade->setEndValue(opacity);
    m_fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void FullScreenWindow::stackParts(QWidget* page, const QList<QWidget*>& navigators) {
    if (page)
        page->lower();
    m_shader->raise();
    for (QWidget* navigator : navigators)
        if (navigator)
            navigator->raise();
    m_controlBar->raise();
    m_editPanel->raise();
}

void FullScreenWindow::setEscapeEnabled(bool enabled) {
    m_escape->setEnabled(enabled);
}

void FullScreenWindow::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::black);
}

void FullScreenWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_shader->setGeometry(rect());
    emit resized();
}

// Closing the window (a window manager's close) leaves the view the way Exit does.
void FullScreenWindow::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        event->ignore();
        emit exitRequested();
        return;
    }
    QWidget::closeEvent(event);
}

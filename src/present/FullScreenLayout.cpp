#include "FullScreenLayout.h"

#include <algorithm>

QRect FullScreenLayout::pageRect() const {
    return {0, 0, m_screen.width(), m_screen.height() + 1};
}

QRect FullScreenLayout::sidebarRect(bool shown) const {
    const int height = std::max(0, m_screen.height() - 2 * kSidebarMargin);
    return {shown ? 0 : -kSidebarWidth, kSidebarMargin, kSidebarWidth, height};
}

QRect FullScreenLayout::browserRect(bool shown) const {
    return {0, shown ? 0 : -kBrowserHeight, m_screen.width(), kBrowserHeight};
}

QRect FullScreenLayout::controlBarRect(bool shown) const {
    const int width = std::min(kControlBarWidth, m_screen.width());
    const int x = (m_screen.width() - width) / 2;
    const int y = shown ? m_screen.height() - kControlBarHeight - kControlBarGap : m_screen.height();
    return {x, y, width, kControlBarHeight};
}

QRect FullScreenLayout::editPanelRect(QSize wanted) const {
    constexpr int margin = 40;
    const QSize room(std::max(0, m_screen.width() - 2 * margin), std::max(0, m_screen.height() - 2 * margin));
    const QSize size = wanted.boundedTo(room);
    return {(m_screen.width() - size.width()) / 2, (m_screen.height() - size.height()) / 2, size.width(),
            size.height()};
}

QRect FullScreenLayout::topBand() const {
    return {0, 0, m_screen.width(), kBrowserHeight};
}

QRect FullScreenLayout::leftBand() const {
    return {0, kSidebarMargin, kSidebarWidth, std::max(0, m_screen.height() - 2 * kSidebarMargin)};
}

QRect FullScreenLayout::controlBarBand() const {
    // The gap under the bar belongs to it, so the bottom edge itself brings it up.
    QRect band = controlBarRect(true);
    band.setBottom(m_screen.height() - 1);
    return band;
}

bool FullScreenLayout::inNavigatorBands(QPoint point) const {
    return topBand().contains(point) || leftBand().contains(point);
}

void FullScreenState::open() {
    m_phase = Phase::Open;
    m_navigatorsShown = false;
    m_controlBarShown = false;
}

FullScreenState::Slides FullScreenState::close() {
    Slides slides;
    slides.navigatorsOut = m_navigatorsShown;
    slides.controlBarOut = m_controlBarShown;
    m_phase = Phase::Closed;
    m_navigatorsShown = false;
    m_controlBarShown = false;
    return slides;
}

FullScreenState::Slides FullScreenState::pointerMoved(QPoint point) {
    Slides slides;
    if (!isOpen())
        return slides;
    const bool inBar = m_layout.controlBarBand().contains(point);
    if (inBar != m_controlBarShown) {
        m_controlBarShown = inBar;
        (inBar ? slides.controlBarIn : slides.controlBarOut) = true;
    }
    const bool inBands = m_layout.inNavigatorBands(point);
    if (inBands && !m_navigatorsShown && navigatorsAllowed()) {
        m_navigatorsShown = true;
        slides.navigatorsIn = true;
    } else if (!inBands && m_navigatorsShown) {
        m_navigatorsShown = false;
        slides.navigatorsOut = true;
    }
    return slides;
}

FullScreenState::Slides FullScreenState::beginEditing() {
    Slides slides;
    if (!isOpen())
        return slides;
    m_phase = Phase::Editing;
    if (m_navigatorsShown) {
        m_navigatorsShown = false;
        slides.navigatorsOut = true;
    }
    return slides;
}

void FullScreenState::endEditing() {
    if (m_phase == Phase::Editing)
        m_phase = Phase::Open;
}

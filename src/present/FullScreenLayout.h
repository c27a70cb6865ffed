#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the parts of the full-screen view lie on a screen of a given size, hidden and shown:
// the page fills the screen; the group sidebar waits just left of it, the recipe browser just
// above it and the control bar just below its bottom centre, each sliding in when the pointer
// reaches its edge. Coordinates are the screen's, (0, 0) at its top left.
class FullScreenLayout {
public:
    static constexpr int kSidebarWidth = 250;
    static constexpr int kSidebarMargin = 200; // kept free above and below the sidebar
    static constexpr int kBrowserHeight = 200;
    static constexpr int kControlBarWidth = 560;
    static constexpr int kControlBarHeight = 64;
    static constexpr int kControlBarGap = 16; // between the shown bar and the bottom edge

    explicit FullScreenLayout(QSize screen = {}) : m_screen(screen) {}
    QSize screen() const { return m_screen; }

    // The page, one point taller than the screen so that no line shows at its foot.
    QRect pageRect() const;
    QRect sidebarRect(bool shown) const;
    QRect browserRect(bool shown) const;
    QRect controlBarRect(bool shown) const;
    // The editor's panel, centred, at most the given size and a margin inside the screen.
    QRect editPanelRect(QSize wanted) const;

    // The bands that bring the navigators in: the top of the screen (browser) and the left
    // edge around the sidebar. The control bar comes up over its own place.
    QRect topBand() const;
    QRect leftBand() const;
    QRect controlBarBand() const;
    bool inNavigatorBands(QPoint point) const;

private:
    QSize m_screen;
};

// What the full-screen view shows as the pointer moves and the editor opens and closes:
// closed, open, or open with the editor; the navigators (sidebar and browser together) and
// the control bar each slid in or out. Each change reports the slides it needs.
class FullScreenState {
public:
    enum class Phase { Closed, Open, Editing };
    struct Slides {
        bool navigatorsIn = false;
        bool navigatorsOut = false;
        bool controlBarIn = false;
        bool controlBarOut = false;
        bool operator==(const Slides&) const = default;
    };

    Phase phase() const { return m_phase; }
    bool isOpen() const { return m_phase != Phase::Closed; }
    // Whether the sidebar and the browser may slide in (not while the editor is open).
    bool navigatorsAllowed() const { return m_phase == Phase::Open; }
    bool navigatorsShown() const { return m_navigatorsShown; }
    bool controlBarShown() const { return m_controlBarShown; }

    void setLayout(const FullScreenLayout& layout) { m_layout = layout; }
    const FullScreenLayout& layout() const { return m_layout; }

    // Opens with everything hidden; closing hides everything.
    void open();
    Slides close();
    // The pointer at a point of the screen.
    Slides pointerMoved(QPoint point);
    // The editor takes the screen: the navigators leave and stay away until it is done.
    Slides beginEditing();
    void endEditing();

private:
    FullScreenLayout m_layout;
    Phase m_phase = Phase::Closed;
    bool m_navigatorsShown = false;
    bool m_controlBarShown = false;
};

// Where the full-screen view's parts lie and when they slide, without a window.
#include "present/FullScreenLayout.h"

#include <gtest/gtest.h>

namespace {

using Slides = FullScreenState::Slides;

TEST(FullScreenLayoutTest, PartsHideJustOutsideTheirEdgeAndShowJustInside) {
    const FullScreenLayout layout(QSize(1280, 900));
    const QRect screen(0, 0, 1280, 900);
    const struct {
        const char* part;
        QRect hidden;
        QRect shown;
    } parts[] = {
        {"sidebar", layout.sidebarRect(false), layout.sidebarRect(true)},
        {"browser", layout.browserRect(false), layout.browserRect(true)},
        {"control bar", layout.controlBarRect(false), layout.controlBarRect(true)},
    };
    for (const auto& part : parts) {
        SCOPED_TRACE(part.part);
        EXPECT_FALSE(part.hidden.intersects(screen));
        EXPECT_TRUE(screen.contains(part.shown));
        EXPECT_EQ(part.hidden.size(), part.shown.size());
        // Hidden right at the edge: no gap the slide would jump over.
        const QRect grown = part.hidden.adjusted(-1, -1, 1, 1);
        EXPECT_TRUE(grown.intersects(screen));
    }
    EXPECT_EQ(layout.sidebarRect(true), QRect(0, 200, 250, 500));
    EXPECT_EQ(layout.browserRect(true), QRect(0, 0, 1280, 200));
    const QRect bar = layout.controlBarRect(true);
    EXPECT_EQ(bar.left(), 1280 - 1 - bar.right()); // centred
    EXPECT_EQ(layout.pageRect(), QRect(0, 0, 1280, 901));
    // The editor's panel is centred and never larger than the screen allows.
    EXPECT_EQ(layout.editPanelRect(QSize(600, 400)), QRect(340, 250, 600, 400));
    EXPECT_EQ(layout.editPanelRect(QSize(5000, 5000)), QRect(40, 40, 1200, 820));
    // A screen narrower than the control bar keeps the bar on it.
    EXPECT_TRUE(QRect(0, 0, 400, 300).contains(FullScreenLayout(QSize(400, 300)).controlBarRect(true)));
}

TEST(FullScreenStateTest, PointerAtTheEdgesSlidesThePartsInAndOut) {
    FullScreenState state;
    state.setLayout(FullScreenLayout(QSize(1280, 900)));
    EXPECT_EQ(state.pointerMoved({640, 0}), Slides()); // closed: nothing moves
    state.open();
    const struct {
        QPoint point;
        Slides slides;
        bool navigators;
        bool bar;
    } moves[] = {
        {{640, 450}, {}, false, false},                       // the middle of the page
        {{640, 0}, {true, false, false, false}, true, false}, // the top edge
        {{900, 150}, {}, true, false},                        // over the browser, still in
        {{100, 450}, {}, true, false},                        // into the left band
        {{0, 100}, {}, true, false},                          // the top-left corner
        {{640, 450}, {false, true, false, false}, false, false},
        {{0, 450}, {true, false, false, false}, true, false},   // the left edge
        {{0, 800}, {false, true, false, false}, false, false},  // below the sidebar's band
        {{640, 899}, {false, false, true, false}, false, true}, // the bottom edge
        {{640, 830}, {}, false, true},                          // over the bar
        {{640, 700}, {false, false, false, true}, false, false},
    };
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << move.point.x() << "," << move.point.y());
        EXPECT_EQ(state.pointerMoved(move.point), move.slides);
        EXPECT_EQ(state.navigatorsShown(), move.navigators);
        EXPECT_EQ(state.controlBarShown(), move.bar);
    }
}

TEST(FullScreenStateTest, EditorKeepsTheNavigatorsAwayUntilItIsDone) {
    FullScreenState state;
    state.setLayout(FullScreenLayout(QSize(1280, 900)));
    state.open();
    state.pointerMoved({640, 0});
    ASSERT_TRUE(state.navigatorsShown());
    EXPECT_EQ(state.beginEditing(), (Slides{false, true, false, false}));
    EXPECT_EQ(state.phase(), FullScreenState::Phase::Editing);
    EXPECT_FALSE(state.navigatorsAllowed());
    EXPECT_EQ(state.pointerMoved({640, 10}), Slides());
    EXPECT_EQ(state.pointerMoved({640, 899}), (Slides{false, false, true, false})); // the bar still comes
    state.endEditing();
    EXPECT_TRUE(state.navigatorsAllowed());
    EXPECT_EQ(state.pointerMoved({640, 10}), (Slides{true, false, false, true}));
    EXPECT_EQ(state.close(), (Slides{false, true, false, false}));
    EXPECT_FALSE(state.isOpen());
    EXPECT_EQ(state.beginEditing(), Slides()); // closed: no editor phase
    EXPECT_EQ(state.phase(), FullScreenState::Phase::Closed);
}

} // namespace

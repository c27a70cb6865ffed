// Undo steps: a command's changes undo as one named step, and work a command finishes at a
// later turn of the event loop joins the step it belongs to.
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A value whose every change registers its own undo, as a record's attribute does.
struct Value {
    UndoManager& undo;
    int value = 0;
    void set(int to) {
        const int old = value;
        value = to;
        undo.registerUndo([this, old] { set(old); });
    }
};

TEST(UndoManagerTest, ACommandIsOneNamedStep) {
    UndoManager undo;
    Value a{undo};
    Value b{undo};
    undo.runAsOneStep(QStringLiteral("Delete Group"), [&] {
        a.set(1);
        b.set(2);
        a.set(3);
    });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Group"));
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(b.value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Delete Group"));
    undo.redo();
    EXPECT_EQ(a.value, 3);
    EXPECT_EQ(b.value, 2);
}

TEST(UndoManagerTest, AStepThatChangedNothingLeavesTheHistoryAlone) {
    UndoManager undo;
    Value a{undo};
    undo.runAsOneStep(QStringLiteral("Typing"), [&] { a.set(1); });
    undo.runAsOneStep(QStringLiteral("Remove From Group"), [] {});
    // The earlier step keeps its name; nothing named "Remove From Group" can be undone.
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Typing"));
    undo.undo();
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManagerTest, LaterWorkJoinsTheLastStep) {
    UndoManager undo;
    Value group{undo};
    Value position{undo};
    Value earlier{undo};
    undo.runAsOneStep(QStringLiteral("New Group"), [&] { earlier.set(5); });
    undo.runAsOneStep(QStringLiteral("Delete Group"), [&] { group.set(1); });
    undo.joinLastStep([&] { position.set(7); });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Delete Group"));
    undo.undo(); // both the delete and the renumbering
    EXPECT_EQ(group.value, 0);
    EXPECT_EQ(position.value, 0);
    EXPECT_EQ(earlier.value, 5);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("New Group"));
}

TEST(UndoManagerTest, JoiningWithoutALastStepMakesAStepOfItsOwn) {
    UndoManager undo;
    Value a{undo};
    undo.joinLastStep([&] { a.set(1); });
    undo.closeImplicitGroup();
    ASSERT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_FALSE(undo.canUndo());
}

} // namespace

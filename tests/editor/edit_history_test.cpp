// The undo history on its own: the capacity and the change count.
#include "editor/edit_history.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvane {
namespace {

// A step told apart by the name of the part it places.
EditStep Placing(const std::string& name) {
    EditStep step;
    PlacedPartState part;
    part.record.uniqueName = name;
    step.after.push_back(part);
    return step;
}

std::string NameOf(const EditStep* step) {
    return step != nullptr && !step->after.empty() ? step->after.front().record.uniqueName : "<none>";
}

TEST(EditHistory, KeepsTheNewest256StepsAndForgetsOnClear) {
    CEditHistory history;
    EXPECT_EQ(history.Capacity(), 256u);
    for (int i = 0; i < 300; ++i) {
        history.Push(Placing(std::to_string(i)));
    }
    EXPECT_EQ(history.UndoCount(), 256u);
    // Steps 0..43 fell off; 44 is the oldest that can still be undone.
    for (int i = 0; i < 255; ++i) {
        ASSERT_TRUE(history.MarkUndone());
    }
    EXPECT_EQ(NameOf(history.NextUndo()), "44");
    ASSERT_TRUE(history.MarkUndone());
    EXPECT_FALSE(history.MarkUndone());
    EXPECT_EQ(history.RedoCount(), 256u);

    history.Clear();
    EXPECT_EQ(history.UndoCount(), 0u);
    EXPECT_EQ(history.RedoCount(), 0u);
    EXPECT_EQ(history.NextRedo(), nullptr);
}

TEST(EditHistory, VersionChangesWithEveryChangeButNotWithLooking) {
    CEditHistory history(4);
    const uint64_t start = history.Version();
    history.Push(Placing("a"));
    const uint64_t pushed = history.Version();
    EXPECT_NE(pushed, start);
    history.NextUndo();
    history.MarkRedone(); // nothing to redo
    EXPECT_EQ(history.Version(), pushed);
    history.MarkUndone();
    EXPECT_NE(history.Version(), pushed);
}

} // namespace
} // namespace quorvane

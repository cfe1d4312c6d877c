// The threads of the field view on the editing core at once, as they run in
// the editor: the UI thread places, moves and writes; the render thread
// applies undo, redo and deletes and reads every placed model under the
// list's lock only, as the registry's update does. Built with
// ThreadSanitizer by scripts/run-tsan.sh: any unguarded access is a failure.
#include "editor_fixture.h"

#include <atomic>
#include <thread>

namespace quorvane::testing {
namespace {

class FieldThreads : public EditorFixture {
protected:
    // The render thread: frame updates, history requests, and the reads of the
    // registry's per-frame update, which locks the list and not the field.
    std::thread RenderThread(std::atomic<bool>& running, std::atomic<int>& incomplete) {
        return std::thread([this, &running, &incomplete] {
            for (int frame = 0; running; ++frame) {
                if (frame % 7 == 3) {
                    field->RequestUndo();
                } else if (frame % 7 == 5) {
                    field->RequestRedo();
                }
                field->UpdateEditing();
                field->Lists().placedModels.ForEach([&incomplete](const CModelEntry& entry) {
                    const CModelTransform transform = entry.transform;
                    if (!entry.loaded.load() || entry.name.empty() || transform.scale.x == 0.0f) {
                        ++incomplete;
                    }
                });
            }
        });
    }
};

TEST_F(FieldThreads, PlacingAndMovingWhileTheRenderThreadUndoesAndReads) {
    Choose({"a.mdl", "b.mdl"});
    std::atomic<bool> running{true};
    std::atomic<int> incomplete{0};
    std::thread render = RenderThread(running, incomplete);
    for (int i = 0; i < 200; ++i) {
        PlaceAt(static_cast<float>(i), 0.0f);
        MoveTo(i, i);
        Key('G');
        MoveTo(i + 3, i);
        LeftClick(); // confirms the move, an undoable step
        LeftClick(); // back to placing
    }
    running = false;
    render.join();
    EXPECT_EQ(incomplete.load(), 0) << "an entry was seen before it was whole";
    EXPECT_GT(field->PlacementSerial(), 0u);
}

TEST_F(FieldThreads, WritingWhileTheRenderThreadUndoesAndDeletes) {
    Choose({"a.mdl"});
    std::atomic<bool> running{true};
    std::atomic<int> incomplete{0};
    std::thread render = RenderThread(running, incomplete);
    int written = 0;
    for (int i = 0; i < 30; ++i) {
        PlaceAt(static_cast<float>(i), 5.0f);
        LeftClick();
        if (i % 4 == 1) {
            field->PickListRow(0);
            field->RequestDelete();
        }
        if (i % 5 == 4) {
            GridWriteReport report;
            field->WriteGridFiles(&report);
            written += static_cast<int>(report.writtenNames.size());
        }
    }
    running = false;
    render.join();
    field->UpdateEditing();
    EXPECT_EQ(incomplete.load(), 0);
    const std::string text = ReadFile(dir / "gridfile" / "lod0" / "p0p0.gmf");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), written) << "each written line once";
}

} // namespace
} // namespace quorvane::testing

// The threads of the field view on the editing core at once, as they run in
// the editor: the UI thread places, moves and writes; the viewer's thread
// chooses; the render thread applies undo, redo and deletes and reads every placed model under the
// list's lock only, as the registry's update does. Built with
// ThreadSanitizer by scripts/run-tsan.sh: any unguarded access is a failure.
#include "editor_fixture.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

namespace quorvane::testing {
namespace {

class FieldThreads : public EditorFixture {
protected:
    std::atomic<bool> running{true};
    std::atomic<int> incomplete{0}; // entries the render thread saw before they were whole

    // The render thread: frame updates, history requests, and the reads of the
    // registry's per-frame update, which locks the list and not the field.
    std::thread RenderThread() {
        return std::thread([this] {
            for (int frame = 0; running; ++frame) {
                if (frame % 7 == 3) {
                    field->RequestUndo();
                } else if (frame % 7 == 5) {
                    field->RequestRedo();
                }
                field->UpdateEditing();
                field->Lists().placedModels.ForEach([this](const CModelEntry& entry) {
                    const CModelTransform transform = entry.transform;
                    if (!entry.loaded.load() || !entry.payload || entry.name.empty() ||
                        transform.scale.x == 0.0f) {
                        ++incomplete;
                    }
                });
                field->ForEachCursorPart([](const CCursorPart& part) { (void)part.transform.scale.x; });
            }
        });
    }
};

// The viewer's thread chooses two-part definitions meanwhile: every group
// shows up whole, every placed model keeps its record, and the journal ends
// with the newest set.
TEST_F(FieldThreads, PlacingMovingAndChoosingWhileTheRenderThreadUndoesAndReads) {
    OpenJournal();
    Choose({"a.mdl", "b.mdl"});
    std::thread viewer([&] {
        for (int i = 0; running; ++i) {
            field->ChooseModelForPlacement(i % 2 == 0 ? Definition({"a.mdl", "b.mdl"})
                                                      : Definition({"c1.mdl", "c2.mdl"}));
            std::this_thread::yield();
        }
    });
    std::thread render = RenderThread();
    int brokenGroups = 0;
    for (int i = 0; i < 200; ++i) {
        PlaceAt(static_cast<float>(i), 0.0f);
        Drag('G', {i, i}, {i + 3, i});
        LeftClick(); // confirms the move, an undoable step
        LeftClick(); // back to placing
        // Seen through the field, a click's parts are there together or not at all.
        std::map<uint32_t, int> parts;
        field->ForEachPlacedModel([&parts](const CModelEntry& entry) { ++parts[entry.placementSerial]; });
        brokenGroups += static_cast<int>(
            std::count_if(parts.begin(), parts.end(), [](const auto& group) { return group.second != 2; }));
    }
    running = false;
    viewer.join();
    render.join();
    field->UpdateEditing();

    EXPECT_EQ(incomplete.load(), 0) << "an entry was seen before it was whole";
    EXPECT_EQ(brokenGroups, 0);
    EXPECT_GT(field->PlacementSerial(), 0u);
    std::vector<std::string> entryNames;
    field->ForEachPlacedModel([&entryNames](const CModelEntry& entry) { entryNames.push_back(entry.name); });
    EXPECT_EQ(entryNames, RecordNames()) << "every placed model has its record, in the same order";
    EXPECT_EQ(JournaledNames(), RecordNames()) << "the newest set is the one on disk";
}

TEST_F(FieldThreads, WritingWhileTheRenderThreadUndoesAndDeletes) {
    Choose({"a.mdl"});
    std::thread render = RenderThread();
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
    const std::string text = ReadFile(CellPath());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), written) << "each written line once";
}

} // namespace
} // namespace quorvane::testing

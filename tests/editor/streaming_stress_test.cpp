// The streaming with its real threads, all at once. Built alone under
// ThreadSanitizer by scripts/run-tsan.sh.
#include "editor/grid_map_line.h"
#include "fake_streaming_loader.h"
#include "platform/periodic_timer.h"
#include "platform/virtual_key_codes.h"

#include <atomic>
#include <chrono>
#include <random>
#include <set>
#include <thread>
#include <utility>

namespace quorvane::testing {
namespace {

using std::chrono::milliseconds;

// Loads on threads of their own in sixteen slots, as the registry does: a slot
// is held from the start until the render thread finishes the "upload", or
// given back at once when the load fails ("broken" in the path). It counts
// every entry destroyed while its load still ran.
class ThreadedFakeLoader : public IStreamingLoader {
public:
    static constexpr int kSlots = 16;

    // Holds the slot of a loaded entry until its upload is done.
    class SlotPayload : public CModelEntryPayload {
    public:
        SlotPayload(ThreadedFakeLoader& loader, const CModelEntry& entry) : loader_(loader), entry_(entry) {
            ++loader_.livePayloads;
        }
        ~SlotPayload() override {
            if (loader_.IsLoading(entry_)) {
                ++loader_.destroyedWhileLoading;
            }
            GiveSlotBack();
            --loader_.livePayloads;
        }
        void GiveSlotBack() {
            if (std::exchange(holdsSlot_, false)) {
                --loader_.usedSlots;
            }
        }

    private:
        ThreadedFakeLoader& loader_;
        const CModelEntry& entry_;
        bool holdsSlot_ = true;
    };

    ~ThreadedFakeLoader() override { WaitForLoads(); }

    bool StartLoad(CModelEntry& entry) override {
        milliseconds delay{};
        {
            std::lock_guard lock(mutex_);
            if (usedSlots == kSlots) {
                return false;
            }
            ++usedSlots;
            startedTwice += loading_.contains(&entry) ? 1 : 0;
            loading_.insert(&entry);
            delay = milliseconds(random_() % 3);
        }
        entry.payload = std::make_unique<SlotPayload>(*this, entry);
        entry.bounds = {{-1, -1, -1, 1}, {1, 1, 1, 1}}; // two units wide: a click on a copy's spot hits it
        const bool fails = entry.path.find("broken") != std::string::npos;
        std::thread thread([this, &entry, fails, delay] {
            std::this_thread::sleep_for(delay);
            std::unique_ptr<CModelEntryPayload> failed;
            if (fails) {
                failed = std::move(entry.payload); // its slot goes back below
            } else {
                entry.hasDrawModel = true;
                SetEntryLoaded(entry, true);
            }
            std::lock_guard lock(mutex_);
            loading_.erase(&entry);
        });
        std::lock_guard lock(mutex_);
        threads_.push_back(std::move(thread));
        return true;
    }

    bool IsLoading(const CModelEntry& entry) const override {
        std::lock_guard lock(mutex_);
        return loading_.contains(&entry);
    }

    void WaitForLoads() override {
        std::unique_lock lock(mutex_);
        std::vector<std::thread> threads = std::exchange(threads_, {});
        lock.unlock();
        for (std::thread& thread : threads) {
            thread.join();
        }
    }

    bool MakeInstance(CModelEntry& entry, CModelEntry& source) override {
        return MakeFakeInstance(entry, source);
    }

    std::atomic<int> usedSlots{0};
    std::atomic<int> livePayloads{0};
    std::atomic<int> destroyedWhileLoading{0};
    std::atomic<int> startedTwice{0};

private:
    mutable std::mutex mutex_;
    std::set<const CModelEntry*> loading_;
    std::vector<std::thread> threads_;
    std::minstd_rand random_{7};
};

// The render thread's upload step: a loaded entry's slot goes back and it is
// ready; an instance is ready with its source.
void FinishUploads(CRegistryLists& lists) {
    const auto finish = [](CModelEntry& entry) {
        if (!entry.loaded.load(std::memory_order_acquire)) {
            return;
        }
        if (entry.isInstance) {
            entry.ready.store(entry.source->ready.load(std::memory_order_acquire), std::memory_order_release);
            return;
        }
        if (auto* payload = dynamic_cast<ThreadedFakeLoader::SlotPayload*>(entry.payload.get())) {
            payload->GiveSlotBack();
        }
        entry.ready.store(true, std::memory_order_release);
    };
    lists.fieldTiles.ForEach(finish);
    lists.sharedModels.ForEach(finish);
    lists.gridFiles.ForEach([&finish](GridFileEntry& file) {
        for (auto& group : file.groups) {
            group->ForEach(finish);
        }
    });
}

// The cell (x, 0), x >= 0; appended, as "p" + ... trips GCC 12's -Wrestrict.
std::string Cell(int x) {
    std::string cell = "p";
    return cell.append(std::to_string(x)).append("p0");
}

class StreamingStressTest : public StreamingFixture<ThreadedFakeLoader> {
protected:
    // Frames and passes on this thread until the streaming has settled.
    void SettleAt(float x, float y) {
        streaming->SetCentre(x, y);
        for (int round = 0; round < 50; ++round) {
            streaming->TimerPhase();
            FinishUploads(lists);
            streaming->CommitPhase();
        }
    }

    // For a second and a half the timer streams, a render thread runs frames
    // around the centre given for each, and a user thread repeats its step.
    int RunTogether(const std::function<std::pair<float, float>(int)>& centre,
                    const std::function<void()>& userStep) {
        std::atomic<bool> stop{false};
        std::atomic<int> frames{0};
        CPeriodicTimer timer;
        EXPECT_TRUE(timer.Start(milliseconds(3), [this] { streaming->TimerPhase(); }));
        std::thread render([&] {
            for (; !stop.load(); ++frames) {
                const auto [x, y] = centre(frames.load());
                streaming->SetCentre(x, y);
                FinishUploads(lists);
                streaming->CommitPhase();
                field->UpdateEditing();
                std::this_thread::sleep_for(milliseconds(1));
            }
        });
        std::thread user([&] {
            while (!stop.load()) {
                userStep();
            }
        });
        std::this_thread::sleep_for(milliseconds(1500));
        stop = true;
        user.join();
        render.join();
        timer.Stop();
        return frames.load();
    }
};

TEST_F(StreamingStressTest, TimerRenderAndUserThreadsShareTheFieldSafely) {
    // The camera wanders between the centre and the east, so tiles and files
    // enter and leave the windows all the time, while the user places models
    // in a few cells and writes them out.
    std::multiset<std::string> written;
    int serial = 0;
    const auto wander = [](int frame) {
        return std::pair{static_cast<float>((frame * 37) % 2400) - 400.0f,
                         static_cast<float>((frame * 11) % 300)};
    };
    const int frames = RunTogether(wander, [&] {
        for (int part = 0; part < 2; ++part, ++serial) {
            const int cell = serial % 4;
            const std::string name = Cell(cell * 10) + "_S_" + std::to_string(serial);
            const std::string id = serial % 3 == 0 ? "ROCK" : "S_" + std::to_string(serial);
            auto record = PlacementRecord(name, id, serial % 5 == 4 ? "broken.mdl" : id + ".mdl");
            record->copy = serial % 3 == 0 ? 1 : 0; // before the render thread can see it
            lists.placementRecords.Append(std::move(record));
            lists.placedModels.Append(
                PlacedEntry(name, {static_cast<float>(cell * 500 + 1), 1.0f, 0.0f, 1.0f}));
        }
        GridWriteReport report;
        field->WriteGridFiles(&report); // refused while the last write awaits its clean-up
        written.insert(report.writtenNames.begin(), report.writtenNames.end());
        (void)streaming->Progress();
        std::this_thread::sleep_for(milliseconds(5));
    });
    EXPECT_GT(frames, 10);
    ASSERT_FALSE(written.empty());

    // Everything written comes back once, from the files, around each cell.
    field->UpdateEditing();
    std::multiset<std::string> streamed;
    for (const float x : {0.0f, 500.0f, 1000.0f, 1500.0f}) {
        SettleAt(x, 0.0f);
        EXPECT_TRUE(streaming->Progress().Done());
        for (const std::string& name : GridEntryNamesOf(lists)) {
            if (name.starts_with(Cell(static_cast<int>(x / 50)) + "_")) {
                streamed.insert(name);
            }
        }
    }
    EXPECT_EQ(streamed, written);

    // Off the field everything goes, and every slot and payload with it.
    SettleAt(5000.0f, 5000.0f);
    EXPECT_EQ(lists.fieldTiles.Count(), 0);
    EXPECT_EQ(lists.gridFiles.Count(), 0);
    EXPECT_EQ(lists.sharedModels.Count(), 0);
    EXPECT_EQ(loader.usedSlots.load(), 0);
    EXPECT_EQ(loader.livePayloads.load(), 0);
    EXPECT_EQ(loader.destroyedWhileLoading.load(), 0);
    EXPECT_EQ(loader.startedTwice.load(), 0);
}

// The user clicks, moves, deletes, undoes and writes written copies while the
// timer streams their cells in and out.
TEST_F(StreamingStressTest, EditingWrittenCopiesWhileStreamingRunsKeepsEveryCellWhole) {
    constexpr int kCells = 3;
    constexpr int kCopies = 8;
    for (int cell = 0; cell < kCells; ++cell) {
        std::vector<std::string> lines;
        for (int copy = 0; copy < kCopies; ++copy) {
            lines.push_back(Line(Cell(cell) + "_W_" + std::to_string(copy), "W", 0, "w.mdl",
                                 std::to_string(cell * 50 + 5) + ".000000",
                                 std::to_string(copy * 5 + 2) + ".000000"));
        }
        WriteGridFile(Cell(cell), lines);
    }
    field->SetPickRay([](PixelPoint p) {
        return PickRay{{static_cast<float>(p.x), static_cast<float>(-p.y), 100.0f, 1.0f}, {0, 0, -1, 0}};
    });
    SettleAt(60.0f, 20.0f);

    // Now and then the centre wanders far enough for the cells to go and come back.
    const auto wander = [](int frame) { return std::pair{frame % 200 < 150 ? 60.0f : 3000.0f, 20.0f}; };
    int changed = 0;
    int round = 0;
    RunTogether(wander, [&] {
        const int cell = round % kCells;
        const int copy = (round / kCells) % kCopies;
        const PixelPoint at{cell * 50 + 5, -(copy * 5 + 2)};
        field->OnLButtonDown(at);
        field->OnLButtonUp();
        std::this_thread::sleep_for(milliseconds(2)); // the frame picks
        for (const int key : {vk::Letter('G'), vk::Letter('Y'), vk::kDigit0 + 1, vk::kReturn}) {
            field->OnKeyDown(key);
            field->OnKeyUp(key);
        }
        if (round % 5 == 4) {
            field->OnKeyDown(vk::kDelete);
            field->OnKeyUp(vk::kDelete);
        }
        if (round % 7 == 6) {
            field->RequestUndo();
        }
        if (round % 3 == 2) {
            GridWriteReport report;
            field->WriteGridFiles(&report);
            changed += static_cast<int>(report.changedNames.size());
        }
        field->OnKeyDown(vk::kEscape);
        field->OnKeyUp(vk::kEscape);
        ++round;
    });
    EXPECT_GT(changed, 0) << "no edit of a written copy reached its file";

    // Every cell file still reads whole, each name once, and in memory each copy is there once.
    field->UpdateEditing();
    SettleAt(60.0f, 20.0f);
    for (int cell = 0; cell < kCells; ++cell) {
        GridReadReport report;
        const std::filesystem::path path = CellFile(Cell(cell));
        const std::unique_ptr<GridFileEntry> file = LoadGridFile(path, &report);
        ASSERT_NE(file, nullptr) << path;
        EXPECT_EQ(report.linesSkipped, 0) << path;
        std::set<std::string> names;
        for (const std::string& line : file->lines) {
            EXPECT_TRUE(names.insert(std::string(FirstGridField(line))).second) << line;
        }
    }
    const std::multiset<std::string> shown = GridEntryNamesOf(lists);
    EXPECT_EQ(std::set(shown.begin(), shown.end()).size(), shown.size()) << "a copy shown twice";
}

} // namespace
} // namespace quorvane::testing

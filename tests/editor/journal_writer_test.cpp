// The journal writer's hand-over between the threads that finish steps and
// the thread that writes: newest set wins, nothing written twice or lost.
#include "editor/journal_writer.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

JournalRecord SetNamed(const std::string& name) {
    UnwrittenPlacement part;
    part.record.uniqueName = name;
    return {{part}, {}};
}

// Records what is written; the first write can be held until released, so
// that sets queue up behind it.
struct CRecordingDisk {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint64_t> serials;
    std::vector<std::string> names;
    bool holdFirst = false;
    bool released = false;

    void Write(uint64_t serial, const JournalRecord& set) {
        std::unique_lock lock(mutex);
        serials.push_back(serial);
        names.push_back(set.placements.empty() ? "" : set.placements[0].record.uniqueName);
        changed.notify_all();
        if (holdFirst && serials.size() == 1) {
            changed.wait(lock, [&] { return released; });
        }
    }
    void WaitForWrites(size_t count) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return serials.size() >= count; });
    }
    void Release() {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

// A set older than the written one is dropped too, and waiting for it ends at once.
TEST(JournalWriter, WhileOneSetIsWrittenOnlyTheNewestOfTheWaitingOnesFollows) {
    CRecordingDisk disk;
    disk.holdFirst = true;
    CJournalWriter writer([&](uint64_t serial, const JournalRecord& set) { disk.Write(serial, set); });
    writer.Queue(1, SetNamed("a"));
    disk.WaitForWrites(1);
    writer.Queue(3, SetNamed("c"));
    writer.Queue(2, SetNamed("b")); // collected before c, queued after it
    writer.Queue(4, SetNamed("d"));
    disk.Release();
    writer.WaitIdle();
    writer.Queue(3, SetNamed("c"));
    writer.WaitIdle();
    writer.Queue(6, {});
    writer.WaitIdle();
    std::lock_guard lock(disk.mutex);
    EXPECT_EQ(disk.serials, (std::vector<uint64_t>{1, 4, 6}));
    EXPECT_EQ(disk.names, (std::vector<std::string>{"a", "d", ""}));
}

TEST(JournalWriter, GoingAwayWritesWhatIsStillQueued) {
    CRecordingDisk disk;
    disk.holdFirst = true;
    std::thread release;
    {
        CJournalWriter writer([&](uint64_t serial, const JournalRecord& set) { disk.Write(serial, set); });
        writer.Queue(1, SetNamed("a"));
        disk.WaitForWrites(1);
        writer.Queue(2, SetNamed("b"));
        // Released only while the writer is already going away.
        release = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            disk.Release();
        });
    }
    release.join();
    std::lock_guard lock(disk.mutex);
    EXPECT_EQ(disk.names, (std::vector<std::string>{"a", "b"}));
}

// Two threads finishing steps at once, as the user and render threads do.
TEST(JournalWriter, SetsFromTwoThreadsEndWithTheNewestOnDisk) {
    CRecordingDisk disk;
    std::atomic<uint64_t> serial{0};
    {
        CJournalWriter writer([&](uint64_t s, const JournalRecord& set) { disk.Write(s, set); });
        const auto steps = [&] {
            for (int i = 0; i < 500; ++i) {
                const uint64_t mine = ++serial;
                writer.Queue(mine, SetNamed(std::to_string(mine)));
            }
        };
        std::thread user(steps);
        std::thread render(steps);
        user.join();
        render.join();
        writer.WaitIdle();
    }
    std::lock_guard lock(disk.mutex);
    ASSERT_FALSE(disk.serials.empty());
    EXPECT_EQ(disk.serials.back(), 1000u);
    EXPECT_TRUE(std::is_sorted(disk.serials.begin(), disk.serials.end()));
    EXPECT_EQ(std::adjacent_find(disk.serials.begin(), disk.serials.end()), disk.serials.end());
}

} // namespace
} // namespace quorvane

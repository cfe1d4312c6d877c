#include "device_fixture.h"
#include "render/loader_slots.h"

#include <atomic>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

using std::chrono::milliseconds;

class LoaderSlotsTest : public test::HeadlessDeviceTest {
protected:
    CUploadCommandPool& Pool() { return device_->UploadPool(); }
};

// Attempts take the first free slot and sleep only between failed attempts;
// a slot freed during a sleep is found by the next attempt.
TEST_F(LoaderSlotsTest, TakesTheFirstFreeSlotAndSleepsOnlyBetweenFailedAttempts) {
    std::vector<milliseconds> sleeps;
    const SleepFunction record = [&sleeps](milliseconds d) { sleeps.push_back(d); };

    for (uint32_t expected = 0; expected < CUploadCommandPool::kEntryCount; ++expected) {
        EXPECT_EQ(AcquireLoaderSlot(Pool(), 3, milliseconds(7), record), expected);
    }
    EXPECT_TRUE(sleeps.empty());

    EXPECT_EQ(AcquireLoaderSlot(Pool(), 3, milliseconds(7), record), std::nullopt);
    EXPECT_EQ(sleeps, (std::vector<milliseconds>{milliseconds(7), milliseconds(7)}));

    sleeps.clear();
    EXPECT_EQ(AcquireLoaderSlot(Pool(), kLoaderThreadSlotPolicy, record), std::nullopt);
    EXPECT_TRUE(sleeps.empty()); // one attempt, no sleep

    Pool().Release(5);
    EXPECT_EQ(AcquireLoaderSlot(Pool(), kLoaderThreadSlotPolicy, record), 5u);

    // The second sleep frees slot 9, so the third attempt finds it.
    int sleepsSeen = 0;
    const SleepFunction freeing = [&](milliseconds) {
        if (++sleepsSeen == 2) {
            Pool().Release(9);
        }
    };
    EXPECT_EQ(AcquireLoaderSlot(Pool(), kByPathSlotPolicy, freeing), 9u);
    EXPECT_EQ(sleepsSeen, 2);
    for (uint32_t i = 0; i < CUploadCommandPool::kEntryCount; ++i) {
        Pool().Release(i);
    }
    EXPECT_EQ(FreeSlots(), 16);
}

TEST_F(LoaderSlotsTest, WaitsWhileTheBusyByteIsHeld) {
    Pool().Busy().Take();
    std::atomic<bool> acquired{false};
    std::optional<uint32_t> slot;
    std::thread loader([&] {
        slot = AcquireLoaderSlot(Pool(), kLoaderThreadSlotPolicy);
        acquired = true;
    });
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_FALSE(acquired.load()); // still looking at the busy byte
    Pool().Busy().Release();
    loader.join();
    EXPECT_EQ(slot, 0u);
    EXPECT_FALSE(Pool().Busy().IsTaken());
    Pool().Release(0);
}

TEST_F(LoaderSlotsTest, HeldSlotGoesBackNowOrAfterTheGpuAndMovesWithItsOwner) {
    CLoaderSlot first(*device_, *Pool().TryAcquire());
    CLoaderSlot second(*device_, *Pool().TryAcquire());
    EXPECT_EQ(first.Index(), 0);
    EXPECT_EQ(second.Index(), 1);

    CLoaderSlot moved = std::move(first);
    EXPECT_FALSE(first.Held()); // NOLINT(bugprone-use-after-move): the move empties it
    EXPECT_EQ(moved.Index(), 0);

    moved.ReleaseNow();
    EXPECT_FALSE(Pool().InUse(0));
    EXPECT_FALSE(moved.Held());

    { CLoaderSlot dropped = std::move(second); }
    EXPECT_TRUE(Pool().InUse(1)); // its commands may still be on the GPU
    device_->WaitForGpu();
    device_->ReleaseFinishedObjects();
    EXPECT_FALSE(Pool().InUse(1));
    EXPECT_EQ(FreeSlots(), 16);
}

TEST_F(LoaderSlotsTest, ManyThreadsShareSixteenSlotsWithoutLosingOne) {
    constexpr int kThreads = 40;
    std::atomic<int> got{0};
    std::atomic<int> missed{0};
    std::array<std::atomic<int>, CUploadCommandPool::kEntryCount> holders{};
    std::atomic<bool> doubleHeld{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            const auto slot = AcquireLoaderSlot(Pool(), 200, milliseconds(1));
            if (!slot) {
                ++missed;
                return;
            }
            if (holders[*slot].fetch_add(1) != 0) {
                doubleHeld = true;
            }
            std::this_thread::sleep_for(milliseconds(2));
            holders[*slot].fetch_sub(1);
            ++got;
            Pool().Release(*slot);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_FALSE(doubleHeld.load());
    EXPECT_EQ(got.load() + missed.load(), kThreads);
    EXPECT_EQ(FreeSlots(), 16);
}

} // namespace
} // namespace quorvane

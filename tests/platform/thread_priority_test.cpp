#include "platform/thread_priority.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace quorvane {
namespace {

int ThisThreadNice() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

int Lowered(int nice) {
    return std::min(nice + kLowerPriorityStep, 19);
}

// The render thread's case: the device and the driver's threads start inside
// RunAtLowerPriority; the caller, the window thread, keeps its priority.
TEST(ThreadPriority, WorkAndTheThreadsItStartsRunLowerTheCallerKeepsItsOwnAndThrowsComeOut) {
    const int callerNice = ThisThreadNice();
    int workNice = callerNice;
    int startedNice = callerNice;
    RunAtLowerPriority([&] {
        workNice = ThisThreadNice();
        std::thread started([&] { startedNice = ThisThreadNice(); });
        started.join();
    });
    EXPECT_EQ(workNice, Lowered(callerNice));
    EXPECT_EQ(startedNice, Lowered(callerNice));
    EXPECT_EQ(ThisThreadNice(), callerNice);

    std::thread lowering([&] {
        EXPECT_TRUE(LowerThisThreadPriority());
        EXPECT_TRUE(LowerThisThreadPriority());
        workNice = ThisThreadNice();
    });
    lowering.join();
    EXPECT_EQ(workNice, Lowered(Lowered(callerNice)));
    EXPECT_EQ(ThisThreadNice(), callerNice);

    // What the work throws comes out of the call.
    EXPECT_THROW(RunAtLowerPriority([] { throw std::runtime_error("no device"); }), std::runtime_error);
}

} // namespace
} // namespace quorvane

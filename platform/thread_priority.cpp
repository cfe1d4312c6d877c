#include "platform/thread_priority.h"

#include <exception>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace quorvane {

bool LowerThisThreadPriority() {
#if defined(_WIN32)
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL) != 0;
#else
    // On Linux a nice value set for a thread id holds for that thread alone.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (current == -1 && errno != 0) {
        return false;
    }
    constexpr int kLowest = 19;
    const int lowered = current + kLowerPriorityStep < kLowest ? current + kLowerPriorityStep : kLowest;
    return setpriority(PRIO_PROCESS, thread, lowered) == 0;
#endif
}

void RunAtLowerPriority(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::thread runner([&] {
        try {
            LowerThisThreadPriority(); // refused: work runs at the normal priority
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    runner.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace quorvane

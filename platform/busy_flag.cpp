#include "platform/busy_flag.h"

#include <thread>

namespace quorvane {

void CBusyFlag::Take() {
    while (!TryTake()) {
        std::this_thread::sleep_for(pollInterval_);
    }
}

} // namespace quorvane

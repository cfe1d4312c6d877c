#include "platform/guarded_work.h"

#include <cstdio>
#include <mutex>
#include <new>
#include <stdexcept>

namespace quorvane {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

WorkFailureSink& Sink() {
    static WorkFailureSink sink;
    return sink;
}

} // namespace

void SetWorkFailureSink(WorkFailureSink sink) {
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

void ReportWorkFailure(std::string_view work, const std::string& message) {
    const std::string name(work);
    std::fprintf(stderr, "quorvane: %s stopped: %s\n", name.c_str(), message.c_str());
    // Called under the lock, so a sink being replaced is never called after it goes.
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(name, message);
    }
}

std::string DescribeException(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace quorvane

#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

// Where a thread tells that an exception ended a piece of its work: what the
// work was (shown to the user) and what the exception said. Any thread may
// call it; the sink must be quick (post, never wait) and must not call
// SetWorkFailureSink. Without a sink, the failure goes to stderr.
using WorkFailureSink = std::function<void(const std::string& work, const std::string& message)>;
void SetWorkFailureSink(WorkFailureSink sink);
void ReportWorkFailure(std::string_view work, const std::string& message);

// What an exception said, for a message; "unknown error" for a non-standard one.
std::string DescribeException(const std::exception_ptr& error);

// The exception boundary of a thread's work, or of one turn of a loop: an
// exception that leaves work is reported as a failure of that work and goes
// no further, so the thread, the program and the user's placements live on.
// False when work ended by an exception.
template <typename Work> bool RunGuarded(std::string_view work, Work&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        try {
            ReportWorkFailure(work, DescribeException(std::current_exception()));
        } catch (...) {
            // Telling failed too (out of memory): the work is abandoned all the same.
        }
        return false;
    }
}

} // namespace quorvane

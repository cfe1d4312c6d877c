#pragma once

#include "editor/journal_writer.h"
#include "editor/recovery_journal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace quorvane {

// The recovery journal as the field keeps it: records of what is not written
// yet go to the file on a thread of their own, newest first, never under the
// field's lock. A failed write is told once per run of failures.
class CFieldJournal {
public:
    using FailureHandler = std::function<void(const std::string&)>;

    // From now on records go into journal; failed is called on the writer's thread.
    void Attach(std::unique_ptr<CRecoveryJournal> journal, FailureHandler failed);
    // The record collected as serial; an older one than a record written is dropped.
    void Queue(uint64_t serial, JournalRecord record) { writer_.Queue(serial, std::move(record)); }
    // Returns once every record queued before the call is on disk or dropped.
    void WaitIdle() { writer_.WaitIdle(); }
    // Journals nothing more (records up to collected are dropped) and empties the file.
    bool Close(uint64_t collected, std::string* message);
    std::string Error() const; // the last failed write; empty when none

private:
    void Write(uint64_t serial, const JournalRecord& record); // the writer's thread

    mutable std::mutex mutex_;
    std::unique_ptr<CRecoveryJournal> journal_; // under mutex_
    bool closed_ = false;                       // under mutex_: the user discarded everything
    uint64_t writtenSerial_ = 0;                // under mutex_
    std::string error_;                         // under mutex_
    FailureHandler failed_;                     // under mutex_
    CJournalWriter writer_{[this](uint64_t serial, const JournalRecord& record) { Write(serial, record); }};
};

} // namespace quorvane

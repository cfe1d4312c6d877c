#pragma once

#include "editor/journal_writer.h"
#include "editor/recovery_journal.h"

#include <atomic>
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
    // A step changed what is unwritten: the next QueueIfDue journals it.
    void MarkDue() { due_.store(true, std::memory_order_release); }
    // Journals the whole unwritten state when a step marked it due since the
    // last time: collect runs under the field's lock, which also orders the
    // records; the writing runs on the journal's own thread. Nothing is
    // collected before the journal is attached or after it is discarded.
    template <typename Collect> void QueueIfDue(std::mutex& fieldMutex, Collect collect) {
        if (!due_.exchange(false, std::memory_order_acq_rel) || !open_.load(std::memory_order_acquire)) {
            return;
        }
        JournalRecord record;
        uint64_t serial = 0;
        {
            std::lock_guard lock(fieldMutex);
            record = collect();
            serial = ++collected_;
        }
        Queue(serial, std::move(record));
    }
    uint64_t CollectedLocked() const {
        return collected_;
    } // the last record collected, under the field's lock
    // The user discarded everything unwritten: journals nothing more, whatever
    // the threads still apply, and empties the file. collected: CollectedLocked
    // when the field's state was dropped.
    bool Discard(uint64_t collected, std::string* message) {
        open_.store(false, std::memory_order_release);
        return Close(collected, message);
    }

    // Returns once every record queued before the call is on disk or dropped.
    void WaitIdle() { writer_.WaitIdle(); }
    std::string Error() const; // the last failed write; empty when none

private:
    // The record collected as serial; an older one than a record written is dropped.
    void Queue(uint64_t serial, JournalRecord record) { writer_.Queue(serial, std::move(record)); }
    // Journals nothing more (records up to collected are dropped) and empties the file.
    bool Close(uint64_t collected, std::string* message);
    void Write(uint64_t serial, const JournalRecord& record); // the writer's thread

    std::atomic<bool> due_{false};
    std::atomic<bool> open_{false}; // steps collect nothing for a journal never attached
    uint64_t collected_ = 0;        // under the field's lock: orders the collected records

    mutable std::mutex mutex_;
    std::unique_ptr<CRecoveryJournal> journal_; // under mutex_
    bool closed_ = false;                       // under mutex_: the user discarded everything
    uint64_t writtenSerial_ = 0;                // under mutex_
    std::string error_;                         // under mutex_
    FailureHandler failed_;                     // under mutex_
    CJournalWriter writer_{[this](uint64_t serial, const JournalRecord& record) { Write(serial, record); }};
};

} // namespace quorvane

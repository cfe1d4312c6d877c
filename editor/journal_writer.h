#pragma once

#include "editor/recovery_journal.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace quorvane {

// Writes the recovery journal on a thread of its own, so that the threads
// that draw and take input never wait for the disk. Each set comes with the
// serial it was collected under; only the newest waiting set is written, and
// a set older than one already written is dropped.
class CJournalWriter {
public:
    using WriteFunction = std::function<void(uint64_t serial, const JournalRecord& record)>;

    explicit CJournalWriter(WriteFunction write);
    ~CJournalWriter(); // writes what is still queued, then joins
    CJournalWriter(const CJournalWriter&) = delete;
    CJournalWriter& operator=(const CJournalWriter&) = delete;

    void Queue(uint64_t serial, JournalRecord record);
    // Returns once every set queued before the call is written or dropped.
    void WaitIdle();

private:
    void Run();

    WriteFunction write_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<JournalRecord> pending_; // under mutex_
    uint64_t pendingSerial_ = 0;           // under mutex_
    uint64_t queuedSerial_ = 0;            // under mutex_: the newest serial queued
    uint64_t takenSerial_ = 0;             // under mutex_: the newest serial handed to write_
    uint64_t doneSerial_ = 0;              // under mutex_: the newest serial written or dropped
    bool stopping_ = false;                // under mutex_
    std::thread thread_;                   // last: started once the rest is ready
};

} // namespace quorvane

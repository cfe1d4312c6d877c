#include "editor/journal_writer.h"

#include <algorithm>

namespace quorvane {

CJournalWriter::CJournalWriter(WriteFunction write) : write_(std::move(write)), thread_([this] { Run(); }) {}

CJournalWriter::~CJournalWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CJournalWriter::Queue(uint64_t serial, JournalRecord record) {
    {
        std::lock_guard lock(mutex_);
        if (serial <= takenSerial_ || (pending_ && serial <= pendingSerial_)) {
            return; // a newer set is being written, written or waiting
        }
        pending_ = std::move(record);
        pendingSerial_ = serial;
        queuedSerial_ = std::max(queuedSerial_, serial);
    }
    wake_.notify_all();
}

void CJournalWriter::WaitIdle() {
    std::unique_lock lock(mutex_);
    const uint64_t target = queuedSerial_;
    idle_.wait(lock, [&] { return doneSerial_ >= target; });
}

void CJournalWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return pending_.has_value() || stopping_; });
        if (!pending_) {
            return; // stopping with nothing left to write
        }
        const JournalRecord record = std::move(*pending_);
        const uint64_t serial = pendingSerial_;
        takenSerial_ = serial;
        pending_.reset();
        lock.unlock();
        write_(serial, record);
        lock.lock();
        doneSerial_ = std::max(doneSerial_, serial);
        idle_.notify_all();
    }
}

} // namespace quorvane

#include "editor/field_journal.h"

#include <algorithm>
#include <exception>

namespace quorvane {

void CFieldJournal::Attach(std::unique_ptr<CRecoveryJournal> journal, FailureHandler failed) {
    std::lock_guard lock(mutex_);
    journal_ = std::move(journal);
    failed_ = std::move(failed);
    closed_ = false;
    error_.clear();
    open_.store(true, std::memory_order_release);
}

void CFieldJournal::Write(uint64_t serial, const JournalRecord& record) {
    FailureHandler tell;
    std::string message;
    {
        std::lock_guard lock(mutex_);
        if (!journal_ || closed_ || serial <= writtenSerial_) {
            return; // nothing to journal into, or a newer record is on disk already
        }
        writtenSerial_ = serial;
        bool ok = false;
        try {
            ok = record.Empty() ? journal_->Clear(&message) : journal_->Append(record, &message);
        } catch (const std::exception& error) {
            message = error.what(); // told like any other failed write
        }
        if (!ok && error_.empty()) {
            tell = failed_;
        }
        error_ = ok ? std::string() : message;
    }
    if (tell) {
        tell(message);
    }
}

bool CFieldJournal::Close(uint64_t collected, std::string* message) {
    std::lock_guard lock(mutex_);
    closed_ = true;
    writtenSerial_ = std::max(writtenSerial_, collected);
    return !journal_ || journal_->Clear(message);
}

std::string CFieldJournal::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

} // namespace quorvane

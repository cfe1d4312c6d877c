#pragma once

#include <mutex>
#include <shared_mutex>

namespace quorvane {

class CMainField;

// How threads other than the UI thread reach the editing core, which goes
// away with its window surface: each call holds the handle, and the owner
// detaches it, waiting for calls in progress, before the core goes. A call
// after that does nothing.
class CFieldHandle {
public:
    explicit CFieldHandle(CMainField& field) : field_(&field) {}
    CFieldHandle(const CFieldHandle&) = delete;
    CFieldHandle& operator=(const CFieldHandle&) = delete;

    // Runs use(field) unless detached; false when detached.
    template <typename Use> bool With(Use use) {
        std::shared_lock lock(mutex_);
        if (field_ == nullptr) {
            return false;
        }
        use(*field_);
        return true;
    }

    // Waits for the calls in progress; none reaches the field afterwards.
    void Detach() {
        std::unique_lock lock(mutex_);
        field_ = nullptr;
    }

private:
    std::shared_mutex mutex_;
    CMainField* field_; // under mutex_; not owned
};

} // namespace quorvane

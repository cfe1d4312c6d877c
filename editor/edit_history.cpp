#include "editor/edit_history.h"

#include <algorithm>
#include <utility>

namespace quorvane {

CEditHistory::CEditHistory(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

void CEditHistory::Push(EditStep step) {
    steps_.resize(done_); // the redo branch
    steps_.push_back(std::move(step));
    while (steps_.size() > capacity_) {
        steps_.pop_front();
    }
    done_ = steps_.size();
    ++version_;
}

void CEditHistory::Clear() {
    steps_.clear();
    done_ = 0;
    ++version_;
}

const EditStep* CEditHistory::NextUndo() const {
    return done_ > 0 ? &steps_[done_ - 1] : nullptr;
}

const EditStep* CEditHistory::NextRedo() const {
    return done_ < steps_.size() ? &steps_[done_] : nullptr;
}

bool CEditHistory::MarkUndone() {
    if (done_ == 0) {
        return false;
    }
    --done_;
    ++version_;
    return true;
}

bool CEditHistory::MarkRedone() {
    if (done_ >= steps_.size()) {
        return false;
    }
    ++done_;
    ++version_;
    return true;
}

} // namespace quorvane

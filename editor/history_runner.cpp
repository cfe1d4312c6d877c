#include "editor/history_runner.h"

#include <utility>

namespace quorvane {

void CHistoryRunner::PushLocked(EditStep step) {
    history_.Push(std::move(step));
    message_.clear();
}

void CHistoryRunner::ClearLocked() {
    history_.Clear();
    message_.clear();
}

void CHistoryRunner::Update() {
    // A step whose models have loaded on the background thread goes first.
    std::optional<Prepared> prepared;
    {
        std::lock_guard lock(mutex_);
        if (loading_) {
            return; // a newer request waits until the step before it is applied
        }
        prepared.swap(prepared_);
    }
    if (prepared) {
        Apply(std::move(*prepared));
        return;
    }
    const int32_t request = request_.exchange(kNone, std::memory_order_acq_rel);
    if (request != kNone) {
        Begin({request, 0, {}, {}, 0});
    }
}

void CHistoryRunner::Requeue(int32_t request) {
    int32_t none = kNone;
    request_.compare_exchange_strong(none, request, std::memory_order_acq_rel);
}

void CHistoryRunner::Begin(Prepared step) {
    const bool undo = step.request == kUndo;
    bool deferred = false;
    bool found = false;
    EditStep next;
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        if (host_.WriteInProgressLocked()) {
            deferred = true; // the write goes first
        } else {
            host_.EndAdjustmentLocked(calls); // the step applies to the confirmed state
            if (const EditStep* candidate = undo ? history_.NextUndo() : history_.NextRedo()) {
                found = true;
                next = *candidate;
                step.version = history_.Version();
                const std::vector<PlacedPartState>& target = undo ? next.before : next.after;
                step.loaded.clear();
                for (size_t i = 0; i < target.size(); ++i) {
                    if (!host_.IsPlacedLocked(target[i].record.uniqueName)) {
                        step.loaded.push_back({i, nullptr});
                    }
                }
                // Set with the lock held, before the frame lets go of it.
                loading_ = !step.loaded.empty();
            }
        }
    }
    host_.RunHooks(calls);
    if (deferred) {
        Requeue(step.request);
        return;
    }
    if (!found) {
        return;
    }
    if (step.loaded.empty()) {
        Apply(std::move(step)); // nothing to load: this frame
        return;
    }
    auto target = std::make_shared<std::vector<PlacedPartState>>(undo ? next.before : next.after);
    auto shared = std::make_shared<Prepared>(std::move(step));
    const bool posted = host_.PostLoad([this, target, shared] {
        for (IHistoryHost::LoadedPart& part : shared->loaded) {
            part.entry = host_.LoadPart((*target)[part.index].record, &shared->failure);
            if (!part.entry) {
                break;
            }
        }
        std::lock_guard lock(mutex_);
        prepared_ = std::move(*shared);
        loading_ = false;
    });
    if (!posted) {
        std::lock_guard lock(mutex_);
        loading_ = false; // the field is going: the request goes with it
    }
}

void CHistoryRunner::Apply(Prepared step) {
    constexpr int kAttempts = 3;
    const bool undo = step.request == kUndo;
    IHistoryHost::Removed removed; // destroyed after the lock, on the render thread
    enum class Outcome { Applied, Deferred, Changed } outcome = Outcome::Applied;
    CFieldHookCalls calls;
    {
        std::lock_guard lock(mutex_);
        const EditStep* next = undo ? history_.NextUndo() : history_.NextRedo();
        if (host_.WriteInProgressLocked()) {
            outcome = Outcome::Deferred;
        } else if (!step.failure.empty()) {
            message_ = (undo ? "undo" : "redo") + std::string(" left everything as it was: ") + step.failure;
        } else if (next == nullptr || history_.Version() != step.version) {
            outcome = Outcome::Changed; // a step came or went while the models loaded
        } else if (!host_.ApplyStepLocked(*next, undo, step.loaded, removed, calls)) {
            outcome = Outcome::Changed;
        } else {
            if (undo) {
                history_.MarkUndone();
            } else {
                history_.MarkRedone();
            }
            message_.clear();
        }
    }
    host_.RunHooks(calls);
    if (outcome == Outcome::Deferred) {
        std::lock_guard lock(mutex_);
        prepared_ = std::move(step); // applied once the write has ended
    } else if (outcome == Outcome::Changed) {
        if (++step.attempts < kAttempts) {
            step.loaded.clear();
            Begin(std::move(step));
        } else {
            std::lock_guard lock(mutex_);
            message_ = "the placements kept changing; try again";
        }
    }
}

} // namespace quorvane

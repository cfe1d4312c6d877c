#pragma once

#include "editor/edit_history.h"
#include "editor/field_view_hooks.h"
#include "editor/model_entry.h"
#include "editor/placed_model.h"
#include "editor/unwritten_placements.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What undo and redo ask of the field they change.
class IHistoryHost {
public:
    using LoadedPart = CUnwrittenPlacements::LoadedPart;
    using Removed = CUnwrittenPlacements::Removed;

    // With the field's lock held.
    virtual bool WriteInProgressLocked() const = 0;               // a step waits for the write's end
    virtual void EndAdjustmentLocked(CFieldHookCalls& calls) = 0; // a running move, scale or turn goes first
    virtual bool IsPlacedLocked(const std::string& name) const = 0;
    // Puts the field in the state before (undo) or after the step; false,
    // changing nothing, when its placements no longer are what the step left.
    virtual bool ApplyStepLocked(const EditStep& step, bool undo, std::vector<LoadedPart>& loaded,
                                 Removed& removed, CFieldHookCalls& calls) = 0;
    // Without it.
    virtual std::unique_ptr<CModelEntry> LoadPart(const CPlacedModel& record, std::string* failure) = 0;
    virtual bool PostLoad(std::function<void()> job) = 0; // false when the field is going
    virtual void RunHooks(const CFieldHookCalls& calls) const = 0;

protected:
    ~IHistoryHost() = default;
};

// The field's undo history and the way a request reaches it: undo and redo
// are asked for from any thread and applied by the frame update; the parts a
// step must bring back that a delete took away load first on the field's
// background thread, never in the frame, which is the only thread that gives
// loader slots back. A step that meets a write waits for its end; one whose
// placements changed while its parts loaded is tried again, three times.
class CHistoryRunner {
public:
    static constexpr int32_t kNone = 0;
    static constexpr int32_t kUndo = 1;
    static constexpr int32_t kRedo = 2;

    // fieldMutex: the lock of the field that host changes.
    CHistoryRunner(std::mutex& fieldMutex, IHistoryHost& host) : mutex_(fieldMutex), host_(host) {}

    void Request(int32_t request) { request_.store(request, std::memory_order_release); } // any thread
    int32_t Pending() const { return request_.load(std::memory_order_acquire); }
    // Frame update, without the field's lock: applies a step whose parts
    // have loaded, else begins the one asked for.
    void Update();

    // With the field's lock held.
    void PushLocked(EditStep step);
    void ClearLocked(); // the written placements live in their files: no step may take them back
    size_t UndoCountLocked() const { return history_.UndoCount(); }
    size_t RedoCountLocked() const { return history_.RedoCount(); }
    // Why the last undo or redo did nothing; empty when it worked.
    const std::string& MessageLocked() const { return message_; }

private:
    // A step on its way: the history version it was looked up in and the parts it had to load again.
    struct Prepared {
        int32_t request = kNone;
        uint64_t version = 0;
        std::vector<IHistoryHost::LoadedPart> loaded;
        std::string failure; // why a load failed; the step is then left undone
        int attempts = 0;
    };
    void Begin(Prepared step);
    void Apply(Prepared step);
    void Requeue(int32_t request); // unless a newer request came meanwhile

    std::mutex& mutex_;
    IHistoryHost& host_;
    CEditHistory history_;             // under mutex_
    std::string message_;              // under mutex_
    std::optional<Prepared> prepared_; // under mutex_: loaded, waiting for a frame
    bool loading_ = false;             // under mutex_: its loads are under way
    std::atomic<int32_t> request_{kNone};
};

} // namespace quorvane

#pragma once

#include "editor/journal_recovery.h"
#include "editor/level_document.h"
#include "editor/model_entry.h"
#include "editor/recovery_journal.h"
#include "editor/registry_lists.h"
#include "editor/shown_edits.h"
#include "editor/unwritten_placements.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvane {

// What the journal holds, and what an earlier run left until the user
// answers for it. A journal record is the whole unwritten state: this run's
// placements and written edits, and the earlier run's, so no answer, crash
// or failed load loses them. The field's lock is held throughout.
class CFieldRecovery {
public:
    CFieldRecovery(CRegistryLists& lists, CUnwrittenPlacements& unwritten, CLevelDocument& document,
                   CShownEdits& shown, std::filesystem::path gridRoot)
        : lists_(lists), unwritten_(unwritten), document_(document), shown_(shown),
          gridRoot_(std::move(gridRoot)) {}

    void Keep(JournalRecord left) { left_ = std::move(left); }
    void Forget() { left_ = {}; }
    const JournalRecord& Left() const { return left_; }
    size_t Count() const { return left_.placements.size() + left_.edits.size(); }
    // The earlier run's names: no new copy may take one while it waits.
    void AddWaitingNames(std::unordered_set<std::string>& taken) const;

    // The record the journal writes now.
    JournalRecord Collect() const;

    // Puts left (a copy of Left() taken before its models loaded) back:
    // entries[i] is the model of left.placements[i], null when it did not
    // load. A name taken since gets the next free one; each group a new
    // serial. What did not load, and edits whose cells cannot take them,
    // stay waiting for the next start; problems names them. The parts and
    // edits restored.
    int32_t PutBack(const JournalRecord& left, std::vector<std::unique_ptr<CModelEntry>>& entries,
                    RestoreReads& reads, std::vector<std::string>& problems);

private:
    CRegistryLists& lists_;
    CUnwrittenPlacements& unwritten_;
    CLevelDocument& document_;
    CShownEdits& shown_;
    const std::filesystem::path gridRoot_;
    JournalRecord left_;
};

} // namespace quorvane

#pragma once

#include "editor/edit_history.h"
#include "editor/level_document.h"
#include "editor/registry_lists.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace quorvane {

// What is selected, as the shown copies mark it.
struct ShownSelection {
    const std::optional<std::filesystem::path>& writtenFile; // a written copy selected alone
    const std::string& name;                                 // the copy selected alone
    std::span<const SelectedCopy> group;                     // copies selected together
    std::span<const int64_t> groupSerials; // each unwritten one's click; -1 for a written one
};

// Puts the document's edits and the selection's tint onto the copies the
// renderer draws: a written copy shows its edited transform or hides when
// deleted, and shows its line again once the edit is undone. The frame
// update alone calls it, under the field's lock; most frames change nothing
// and end after one comparison.
class CShownEdits {
public:
    void DocumentChanged() { ++documentVersion_; }
    // True when a copy moved, hid or changed its tint.
    bool Sync(CRegistryLists& lists, const CLevelDocument& document, const ShownSelection& selection);

private:
    uint64_t documentVersion_ = 1; // grows with every edit
    uint64_t syncedDocumentVersion_ = 0;
    std::string syncedSelection_;
    uint64_t syncedPlacedVersion_ = 0;
    bool placedMarked_ = false;          // a placed copy was marked selected at the last sync
    uint64_t syncedFileListVersion_ = 0; // a file loaded since takes the edits too
    // Written copies shown with an edit, by file, which must show their line again once the edit is gone.
    std::unordered_map<std::string, std::unordered_set<std::string>> shownEdited_;
    std::unordered_set<std::string> markedFiles_; // files with a copy marked selected at the last sync
};

} // namespace quorvane

#include "editor/shown_edits.h"

namespace quorvane {

bool CShownEdits::Sync(CRegistryLists& lists, const CLevelDocument& document,
                       const ShownSelection& selection) {
    // What is selected, as one text: a change of it is a change to show.
    std::string selected = (selection.writtenFile ? selection.writtenFile->generic_string() : std::string()) +
                           "|" + selection.name;
    for (const SelectedCopy& copy : selection.group) {
        selected.push_back('\n');
        if (copy.writtenFile) {
            selected.append(copy.writtenFile->generic_string());
        }
        selected.append("|").append(copy.name);
    }
    if (syncedDocumentVersion_ == documentVersion_ && syncedSelection_ == selected &&
        syncedFileListVersion_ == lists.gridFiles.Version() &&
        syncedPlacedVersion_ == lists.placedModels.Version()) {
        return false;
    }
    syncedDocumentVersion_ = documentVersion_;
    syncedSelection_ = selected;
    syncedFileListVersion_ = lists.gridFiles.Version();
    syncedPlacedVersion_ = lists.placedModels.Version();
    // Looked up only when something changed: most frames end above.
    std::unordered_set<std::string> writtenInGroup;
    std::unordered_set<uint32_t> serialsInGroup;
    std::unordered_set<std::string> selectedFiles; // the files holding a selected copy
    if (selection.writtenFile) {
        selectedFiles.insert(selection.writtenFile->generic_string());
    }
    for (size_t i = 0; i < selection.group.size(); ++i) {
        const SelectedCopy& copy = selection.group[i];
        if (copy.writtenFile) {
            selectedFiles.insert(copy.writtenFile->generic_string());
            writtenInGroup.insert(copy.writtenFile->generic_string() + "|" + copy.name);
        } else if (i < selection.groupSerials.size() && selection.groupSerials[i] >= 0) {
            serialsInGroup.insert(static_cast<uint32_t>(selection.groupSerials[i]));
        }
    }
    // An unwritten copy selected alone: every part its click placed.
    std::optional<uint32_t> aloneSerial;
    if (!selection.writtenFile && !selection.name.empty()) {
        lists.placedModels.ForEach([&](const CModelEntry& entry) {
            if (!aloneSerial && entry.name == selection.name) {
                aloneSerial = entry.placementSerial;
            }
        });
    }
    bool changed = false;
    // The frame update alone writes the marks: a read first spares most copies a write.
    const auto mark = [&changed](CModelEntry& entry, bool isSelected) {
        if (entry.selected.load(std::memory_order_relaxed) != isSelected) {
            entry.selected.store(isSelected, std::memory_order_relaxed);
            changed = true;
        }
    };
    // New copies come unmarked: with nothing placed selected now or at the
    // last sync, a stroke's thousands of copies need no walk per frame.
    const bool placedSelected = !serialsInGroup.empty() || aloneSerial.has_value();
    if (placedSelected || placedMarked_) {
        lists.placedModels.ForEach([&](CModelEntry& entry) {
            mark(entry,
                 serialsInGroup.contains(entry.placementSerial) || aloneSerial == entry.placementSerial);
        });
    }
    placedMarked_ = placedSelected;
    std::unordered_set<std::string> markedNow;
    lists.gridFiles.ForEach([&](GridFileEntry& file) {
        if (!file.loaded.load(std::memory_order_acquire)) {
            return;
        }
        const std::string key = file.path.generic_string();
        // Only a copy that shows an edit, or showed one, can differ from its line as written.
        const auto shownHere = shownEdited_.find(key);
        const bool edits =
            document.HasCell(file.path) &&
            ((shownHere != shownEdited_.end() && !shownHere->second.empty()) || document.IsDirty(file.path));
        // A file with no selected copy now, none marked before and no edits has nothing to change.
        const bool selectsHere = selectedFiles.contains(key);
        if (!edits && !selectsHere && !markedFiles_.contains(key)) {
            return;
        }
        if (selectsHere) {
            markedNow.insert(key);
        }
        const bool selectedFile = selection.writtenFile && *selection.writtenFile == file.path;
        const std::string fileKey = key + "|";
        std::unordered_set<std::string>& shown = shownEdited_[key];
        for (const auto& group : file.groups) {
            group->ForEach([&](CModelEntry& entry) {
                mark(entry, (selectedFile && entry.name == selection.name) ||
                                (!writtenInGroup.empty() && writtenInGroup.contains(fileKey + entry.name)));
                if (!edits) {
                    return;
                }
                std::optional<WrittenPart> part;
                if (const WrittenPart* edit = document.EditOf(entry.name)) {
                    part = *edit;
                    shown.insert(entry.name);
                } else if (shown.erase(entry.name) > 0) {
                    part = document.AsWritten(file.path, entry.name);
                }
                if (!part) {
                    return;
                }
                const CModelTransform transform{part->line.scale, part->line.rotation, part->line.position};
                if (entry.transform.scale != transform.scale ||
                    entry.transform.rotation != transform.rotation ||
                    entry.transform.position != transform.position) {
                    entry.transform = transform;
                    changed = true;
                }
                if (entry.hidden.exchange(part->deleted, std::memory_order_relaxed) != part->deleted) {
                    changed = true;
                }
            });
        }
    });
    markedFiles_ = std::move(markedNow);
    return changed;
}

} // namespace quorvane

#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The last part of a name split at full stops is exactly "mdf": "a.b.mdf" and
// a file named "mdf" are definitions, "a.MDF" and "a.mdf.bak" are not.
bool IsDefinitionName(std::string_view name);

struct ModelDirectoryEntry {
    std::string name; // as the file system spells it (UTF-8 on this platform)
    bool directory = false;
};

struct ModelDirectoryListing {
    std::vector<ModelDirectoryEntry> entries; // in the order the file system returns them
    std::string error;                        // why the folder could not be read; empty when it could
};

// One level of a model folder: visible subfolders and definition files,
// unsorted. Hidden folders (a leading full stop) are no folders to the tree;
// like any other entry they show only when their name is a definition's.
ModelDirectoryListing ListModelDirectory(const std::filesystem::path& folder);

} // namespace quorvane

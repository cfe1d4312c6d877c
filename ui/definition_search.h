#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Every definition below root/model, as "model/..." paths: the folders the
// tree lists, walked all the way down (at most kMaxDepth levels, so a link
// that loops ends). A folder that cannot be read is left out.
inline constexpr int kMaxDefinitionDepth = 32;
std::vector<std::filesystem::path> ListAllDefinitions(const std::filesystem::path& root);

struct DefinitionMatch {
    std::filesystem::path path; // "model/..."
    std::string name;           // the file's name
    std::string folder;         // the folder it is in, "model/..."
};

// The definitions whose file name holds query, letters in any case, by name
// and then folder; none for an empty query.
std::vector<DefinitionMatch> MatchDefinitions(const std::vector<std::filesystem::path>& definitions,
                                              std::string_view query);

} // namespace quorvane

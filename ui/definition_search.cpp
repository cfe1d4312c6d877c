#include "ui/definition_search.h"

#include "ui/model_directory.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace quorvane {
namespace {

void ListBelow(const std::filesystem::path& root, const std::filesystem::path& folder, int depth,
               std::vector<std::filesystem::path>& found) {
    if (depth > kMaxDefinitionDepth) {
        return;
    }
    for (const ModelDirectoryEntry& entry : ListModelDirectory(root / folder).entries) {
        const std::filesystem::path path = folder / entry.name;
        if (entry.directory) {
            ListBelow(root, path, depth + 1, found);
        } else {
            found.push_back(path);
        }
    }
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

} // namespace

std::vector<std::filesystem::path> ListAllDefinitions(const std::filesystem::path& root) {
    std::vector<std::filesystem::path> found;
    ListBelow(root, "model", 0, found);
    return found;
}

std::vector<DefinitionMatch> MatchDefinitions(const std::vector<std::filesystem::path>& definitions,
                                              std::string_view query) {
    std::vector<DefinitionMatch> matches;
    if (query.empty()) {
        return matches;
    }
    const std::string wanted = Folded(query);
    for (const std::filesystem::path& path : definitions) {
        const std::string name = path.filename().string();
        if (Folded(name).find(wanted) != std::string::npos) {
            matches.push_back({path, name, path.parent_path().generic_string()});
        }
    }
    std::ranges::sort(matches, [](const DefinitionMatch& a, const DefinitionMatch& b) {
        return std::tie(a.name, a.folder) < std::tie(b.name, b.folder);
    });
    return matches;
}

} // namespace quorvane

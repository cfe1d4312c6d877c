#include "ui/model_directory.h"

namespace quorvane {

bool IsDefinitionName(std::string_view name) {
    if (name == "." || name == "..") {
        return false;
    }
    const size_t dot = name.rfind('.');
    const std::string_view last = dot == std::string_view::npos ? name : name.substr(dot + 1);
    return last == "mdf";
}

ModelDirectoryListing ListModelDirectory(const std::filesystem::path& folder) {
    ModelDirectoryListing listing;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        listing.error = error.message();
        return listing;
    }
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            break;
        }
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        const bool isDirectory = it->is_directory(typeError) && !typeError;
        const bool hidden = !name.empty() && name.front() == '.';
        if (isDirectory && !hidden) {
            listing.entries.push_back({name, true});
        } else if (IsDefinitionName(name)) {
            listing.entries.push_back({name, false});
        }
    }
    if (error) {
        listing.error = error.message();
    }
    return listing;
}

} // namespace quorvane

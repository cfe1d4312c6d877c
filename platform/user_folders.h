#pragma once

#include <filesystem>

namespace quorvane {

// The folder the editor keeps caches in: $XDG_CACHE_HOME/quorvane when that
// is an absolute path, else ~/.cache/quorvane (%LOCALAPPDATA%\quorvane on
// Windows); empty when there is no home to put it in.
std::filesystem::path UserCacheFolder();

} // namespace quorvane

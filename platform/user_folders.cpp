#include "platform/user_folders.h"

#include <cstdlib>

namespace quorvane {
namespace {

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
}

} // namespace

std::filesystem::path UserCacheFolder() {
#ifdef _WIN32
    const std::filesystem::path local = FromEnvironment("LOCALAPPDATA");
    return local.is_absolute() ? local / "quorvane" : std::filesystem::path();
#else
    if (const std::filesystem::path xdg = FromEnvironment("XDG_CACHE_HOME"); xdg.is_absolute()) {
        return xdg / "quorvane";
    }
    const std::filesystem::path home = FromEnvironment("HOME");
    return home.is_absolute() ? home / ".cache" / "quorvane" : std::filesystem::path();
#endif
}

} // namespace quorvane

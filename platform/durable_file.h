#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// Writes whose bytes must outlive a crash of the program or of the machine:
// each returns only once the bytes (and, for a new name, the folder entry)
// are on disk.

enum class AppendTarget { CreateIfMissing, ExistingOnly };

// Appends bytes. On failure the file is cut back to its old length (a file
// the call created is removed) and message says why; with ExistingOnly a
// missing file fails and is not created.
bool AppendDurably(const std::filesystem::path& path, std::string_view bytes, AppendTarget target,
                   std::string* message);

// Replaces the file by bytes through a temporary file beside it, synced and
// renamed over it: a crash leaves the old file or the new one, never a mix.
bool ReplaceDurably(const std::filesystem::path& path, std::string_view bytes, std::string* message);

} // namespace quorvane

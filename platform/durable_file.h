#pragma once

#include <filesystem>
#include <functional>
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

// The points of a replace where a crash leaves a different state behind.
enum class ReplaceStep {
    TemporarySynced, // "<path>.new" holds all the new bytes on disk; path is untouched
    Renamed,         // path names the new bytes; its folder is not synced yet
};

enum class StepDecision { Continue, Stop };

// Told of each step as it is reached. Stop ends the replace right there as a
// crash would: nothing is cleaned up or synced, and the call fails.
using ReplaceStepObserver = std::function<StepDecision(ReplaceStep)>;

// "<path>.new": the temporary file a replace writes first. A crash may leave
// it behind; the next replace of path truncates and reuses it.
std::filesystem::path ReplaceTemporaryPath(const std::filesystem::path& path);

// Replaces the file by bytes through a temporary file beside it, synced and
// renamed over it: a crash leaves the old file or the new one, never a mix.
bool ReplaceDurably(const std::filesystem::path& path, std::string_view bytes, std::string* message,
                    const ReplaceStepObserver& observer = {});

} // namespace quorvane

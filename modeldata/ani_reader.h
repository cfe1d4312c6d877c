#pragma once

#include "modeldata/model.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Reads a text animation file (".ani") and appends it to the model's
// animations under animationName. False, with the model unchanged and error
// saying why, when the file cannot be read or names another model in
// TARGET_MODEL_ID.
bool ReadAnimationFile(CModel& model, const std::filesystem::path& path, std::string_view animationName,
                       std::string& error);
bool ReadAnimationFile(CModel& model, const std::filesystem::path& path, std::string_view animationName);
bool ReadAnimationText(CModel& model, std::string_view text, std::string_view animationName);

// The TARGET_MODEL_ID an animation text names, if any (for tools that inspect
// a file without its model).
std::optional<std::string> FindAnimationTargetModelId(std::string_view text);

} // namespace quorvane

#pragma once

#include "modeldata/model.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// Reads a text model file (".mdl") into a constructed model. False only when
// the file cannot be opened or read (error then says why); the model is then
// left unchanged. Malformed content never fails: unknown keys are skipped,
// missing numbers read as 0, a block cut off by the end of the file is dropped.
bool ReadModelFile(CModel& model, const std::filesystem::path& path, std::string& error);
bool ReadModelFile(CModel& model, const std::filesystem::path& path);

// The same on text already in memory; path only gives the model's directory.
void ReadModelText(CModel& model, std::string_view text, std::string_view path);

// The path up to and including its last "/" or "\" (empty when it has none).
std::string DirectoryOfPath(std::string_view path);

} // namespace quorvane

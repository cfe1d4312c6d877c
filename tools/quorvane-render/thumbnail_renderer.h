#pragma once

#include "modeldata/model.h"
#include "render_options.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvane {

// The models a command line names: the model itself, or a definition's
// level-0 parts in order. Parts that fail to load are named in errors and
// left out.
std::vector<std::unique_ptr<CModel>> LoadModelsForRender(const RenderOptions& options,
                                                         std::vector<std::string>& errors);

// Shrinks a tightly packed RGBA image to width x height by averaging the
// source pixels each target pixel covers.
std::vector<uint8_t> ResampleBox(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height,
                                 uint32_t targetWidth, uint32_t targetHeight);

// Loads, frames with the viewer's camera, renders headless and writes the
// PNG. False (with a message) when nothing could be rendered or written.
bool RenderThumbnail(const RenderOptions& options, std::string& message);

} // namespace quorvane

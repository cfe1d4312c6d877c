#pragma once

#include "modeldata/model.h"
#include "render_options.h"

#include <cstdint>
#include <memory>
#include <optional>
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

class CCommonDevice;

// A headless device that draws models as the model viewer frames them, one
// picture after another: the device is made once, on the first picture.
class CThumbnailRenderer {
public:
    // side: the square the pictures are drawn at before they are averaged
    // down (0 keeps the headless 1920 x 1080).
    explicit CThumbnailRenderer(uint32_t side = 0);
    ~CThumbnailRenderer();
    CThumbnailRenderer(const CThumbnailRenderer&) = delete;
    CThumbnailRenderer& operator=(const CThumbnailRenderer&) = delete;

    // The options' model, size x size pixels of tightly packed RGBA; nothing
    // (with a message) when it could not be read or drawn. Messages about a
    // picture that was drawn (a part that failed, nothing in view) are added too.
    std::optional<std::vector<uint8_t>> Render(const RenderOptions& options, std::string& message);

private:
    uint32_t side_;
    std::unique_ptr<CCommonDevice> device_;
    bool failed_ = false; // no device could be made: nothing is drawn
};

// Loads, frames with the viewer's camera, renders headless and writes the
// PNG. False (with a message) when nothing could be rendered or written.
bool RenderThumbnail(const RenderOptions& options, std::string& message);

} // namespace quorvane

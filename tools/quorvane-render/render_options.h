#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// Command line of quorvane-render.
struct RenderOptions {
    std::string input;                   // ".mdl", ".dae" or ".mdf"
    std::string out = "render.png";      // PNG to write
    uint32_t size = 260;                 // square image side, pixels
    float angle = -90.0f;                // orbit yaw, degrees
    int64_t frame = 0;                   // animation frame (50 per second at speed 1)
    std::vector<std::string> animations; // ".ani" files for a text model
};

inline constexpr uint32_t kMaxRenderSize = 4096;

// Empty with a message in error for a bad command line.
std::optional<RenderOptions> ParseRenderOptions(const std::vector<std::string>& arguments,
                                                std::string& error);
std::string RenderUsage();

} // namespace quorvane

#pragma once

#include <string>

namespace quorvane {

inline constexpr const char* kProgramTitle = "Quorvane_1.0.4";
inline constexpr const char* kMainWindowTitle = "VelmoraMainField";

// "Quorvane_1.0.4 [FPS: 59.94 (f/s)]".
std::string FormatTitleText(double framesPerSecond);

} // namespace quorvane

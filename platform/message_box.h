#pragma once

#include <string>

namespace quorvane {

// Shows a warning box on the UI thread; callable from any thread (loader
// threads report through it). Returns at once: the box is not modal, so
// rendering and the user's unsaved placements carry on behind it.
// Does nothing when no QApplication exists (tools, tests without widgets).
void PostMessageBox(const std::string& caption, const std::string& text);

} // namespace quorvane

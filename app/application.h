#pragma once

#include "app/app_state.h"

class QScreen;

namespace quorvane {

// Screen size, work area and DPI of a Qt screen.
ScreenMetrics ReadScreenMetrics(const QScreen& screen);

// Creates the main window and its children in their fixed order, starts the
// timers and shows the window. Returns true.
bool InitApplication(CAppState& state);

// Stops the timers, sets the quit flag of every render thread and joins it,
// closes the main window and leaves the event loop with code 0. Safe to call
// more than once.
void ShutdownApplication(CAppState& state);

} // namespace quorvane

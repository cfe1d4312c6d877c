#pragma once

#include <functional>

namespace quorvane {

// How far below the process's normal priority render threads run: a busy
// frame loop then leaves the window thread a core when it needs one, and
// still takes every core nobody else wants.
inline constexpr int kLowerPriorityStep = 5;

// Lowers the calling thread's priority by kLowerPriorityStep (never below
// the lowest). Threads it starts afterwards start at the lowered priority.
// False when the system refused.
bool LowerThisThreadPriority();

// Runs work on a new thread at the lowered priority and waits for it, so
// that the worker threads a driver starts inside (a CPU rasteriser's) run
// at that priority too. What work throws comes out here.
void RunAtLowerPriority(const std::function<void()>& work);

} // namespace quorvane

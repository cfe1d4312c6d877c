#pragma once

#include "platform/busy_flag.h"

namespace quorvane {

// The three process-wide flags shared by every indexed list: two appends, two
// removals or two clears never run at once, on any lists. They do not exclude
// different operations from each other, nor readers.
CBusyFlag& ListAppendFlag();
CBusyFlag& ListRemoveFlag();
CBusyFlag& ListClearFlag();

} // namespace quorvane

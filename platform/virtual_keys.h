#pragma once

#include "platform/virtual_key_codes.h"

#include <Qt>

namespace quorvane {

// The virtual-key code for a Qt key, or 0 when the key has none we use.
// Keys typed on the numeric keypad (Qt::KeypadModifier) map to the keypad codes.
int ToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace quorvane

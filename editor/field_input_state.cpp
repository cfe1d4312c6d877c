#include "editor/field_input_state.h"

#include "platform/virtual_key_codes.h"

#include <cstdlib>
#include <utility>

namespace quorvane {
namespace {

bool Wandered(PixelPoint from, PixelPoint to) {
    return std::abs(to.x - from.x) > InputState::kClickSlack ||
           std::abs(to.y - from.y) > InputState::kClickSlack;
}

} // namespace

void InputState::KeyDown(int virtualKey) {
    // Any other key ends the Shift state, so G pressed while Shift is held still edits.
    shiftHeld = virtualKey == vk::kShift;
    if (virtualKey == vk::kShift) {
        shiftKeyDown = true;
    } else if (virtualKey == vk::kControl) {
        ctrlKeyDown = true;
    }
}

void InputState::KeyUp(int virtualKey) {
    if (virtualKey == vk::kShift) {
        shiftHeld = false;
        shiftKeyDown = false;
    } else if (virtualKey == vk::kControl) {
        ctrlKeyDown = false;
    }
}

void InputState::MovedTo(PixelPoint client, PixelPoint screen) {
    mouseClient = client;
    mouseDelta = {prevScreen.x - screen.x, prevScreen.y - screen.y};
    prevScreen = screen;
    if (shiftPress && Wandered(*shiftPress, client)) {
        shiftPress.reset(); // a camera pan, not a click
    }
    if (leftHeld && leftSelects) {
        boxCorner = client;
        boxSelecting = boxSelecting || Wandered(boxAnchor, client);
    }
}

void InputState::LeftPressed(PixelPoint screen, PixelPoint client) {
    buttonScreen = screen;
    leftHeld = true;
    shiftPress.reset();
    boxSelecting = false;
    leftSelects = false;
    if (shiftHeld) {
        shiftPress = client;
    }
}

void InputState::StartRectangle(PixelPoint client) {
    leftSelects = true;
    boxAnchor = boxCorner = client;
}

std::optional<PixelPoint> InputState::LeftReleased() {
    leftHeld = false;
    std::optional<PixelPoint> click = shiftHeld ? shiftPress : std::nullopt;
    shiftPress.reset();
    return click;
}

} // namespace quorvane

#pragma once

#include "editor/vector4.h"

#include <optional>

namespace quorvane {

// Mouse and key state of the field view, as the frame update has applied it.
struct InputState {
    PixelPoint mouseClient;
    PixelPoint dragAnchor;
    PixelPoint mouseDelta;
    PixelPoint prevScreen;
    PixelPoint buttonScreen;   // last button-down, then the last camera step
    PixelPoint latestScreen;   // latest mouse point for the camera
    bool shiftHeld = false;    // the mouse belongs to the camera; any other key ends it
    bool shiftKeyDown = false; // the Shift key itself, for key combinations
    bool ctrlKeyDown = false;
    bool justPlaced = false;
    bool leftHeld = false;
    bool middleHeld = false;
    bool rightHeld = false;
    // A left press that may draw a selection rectangle: its drag is not the camera's.
    bool leftSelects = false;
    bool boxSelecting = false; // the drag went far enough to be a rectangle
    PixelPoint boxAnchor;      // client points of its corners
    PixelPoint boxCorner;
    std::optional<PixelPoint> shiftPress; // where a Shift+press began: a click if it ends there

    static constexpr int kClickSlack = 4; // pixels a click may wander and still be a click

    void KeyDown(int virtualKey);
    void KeyUp(int virtualKey);
    // The mouse is at client now, screen on the screen.
    void MovedTo(PixelPoint client, PixelPoint screen);
    // The left button went down: a Shift+press may be a click or a camera pan.
    void LeftPressed(PixelPoint screen, PixelPoint client);
    // A press with no model taken for placing: dragged from bare ground, it draws a rectangle.
    void StartRectangle(PixelPoint client);
    // The left button came up: where a Shift+click was made, if one was.
    std::optional<PixelPoint> LeftReleased();
};

} // namespace quorvane

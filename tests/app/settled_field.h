#pragma once

// The field view settles after start-up: tiles stream in, and once the tile
// under the camera is ready the camera rises to the ground height there. A
// pick made before that no longer lies under the mouse, so interaction tests
// wait for a field that has streamed in, a camera standing on the demo
// field's ground and holding still.
#include "app/field_view.h"
#include "editor/field_streaming.h"
#include "editor/main_field.h"
#include "terrain.h"
#include "tests/qt_wait.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>

namespace quorvane::test {

inline bool SameCamera(const CCamera& a, const CCamera& b) {
    return a.eye.x == b.eye.x && a.eye.y == b.eye.y && a.eye.z == b.eye.z && a.target.x == b.target.x &&
           a.target.y == b.target.y && a.target.z == b.target.z;
}

// The tiles hold the ground as rounded grid heights: near enough to the smooth ground.
inline bool OnDemoGround(const CCamera& camera) {
    constexpr double kTolerance = 0.5;
    return std::abs(camera.target.z - demofield::GroundHeight(camera.target.x, camera.target.y)) < kTolerance;
}

inline bool WaitForSettledField(CFieldView& view, int stillMs = 500, int timeoutMs = 60000) {
    QElapsedTimer overall;
    overall.start();
    if (!WaitFor([&] { return view.Progress().Done() && view.Field() != nullptr; }, timeoutMs)) {
        return false;
    }
    CCamera last = view.CameraSnapshot().camera;
    QElapsedTimer still;
    still.start();
    return WaitFor(
        [&] {
            const CCamera now = view.CameraSnapshot().camera;
            if (!SameCamera(now, last)) {
                last = now;
                still.restart();
            }
            return OnDemoGround(now) && still.elapsed() >= stillMs;
        },
        static_cast<int>(std::max<qint64>(timeoutMs - overall.elapsed(), stillMs * 2)));
}

// Waits until the view has submitted `frames` more frames: what became ready
// in one frame is drawn in the next, and frames come slowly without a GPU.
inline bool WaitForFrames(CFieldView& view, uint64_t frames, int timeoutMs = 30000) {
    const uint64_t target = view.FramesSubmitted() + frames;
    return WaitFor([&] { return view.FramesSubmitted() >= target; }, timeoutMs);
}

// Input is posted to the field and applied by its next frame update.
inline bool WaitForAppliedInput(const CMainField& field, int timeoutMs = 30000) {
    return WaitFor([&] { return field.PostedInputApplied(); }, timeoutMs);
}

} // namespace quorvane::test

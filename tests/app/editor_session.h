#pragma once

// A running editor on a demo field folder for window tests and their child
// processes: the application object, a working directory of its own, waiting
// for the field to settle, placing copies with real mouse events on the field
// view, and a report of the placements a killed child had made.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "editor/field_streaming.h"
#include "editor/main_field.h"
#include "terrain.h"
#include "tests/qt_wait.h"
#include "tests/working_directory.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::test {

// One run of the application object, shut down however the test ends.
class RunningEditor {
public:
    RunningEditor() {
        state_.geometry = ComputeAppGeometry(ReadScreenMetrics(*QGuiApplication::primaryScreen()));
        SetAppState(&state_);
        started_ = InitApplication(state_);
    }
    ~RunningEditor() { Stop(); }
    RunningEditor(const RunningEditor&) = delete;
    RunningEditor& operator=(const RunningEditor&) = delete;

    bool Started() const { return started_ && state_.mainWindow && state_.mainWindow->FieldView(); }
    CMainWindow& Window() { return *state_.mainWindow; }
    CFieldView& View() { return *state_.mainWindow->FieldView(); }
    CAppState& State() { return state_; }
    void Stop() {
        if (state_.mainWindow) {
            ShutdownApplication(state_);
            state_.mainWindow.reset();
            SetAppState(nullptr);
        }
    }

private:
    CAppState state_;
    bool started_ = false;
};

// Once the tile under the camera streams in the camera rises to the ground
// there, and a pick made before no longer lies under the mouse: interaction
// tests wait for a streamed-in field and a camera still on the demo ground.
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

// What the screen shows of a Vulkan view's container: grab() would miss the frames.
inline QImage GrabView(const QWidget* container) {
    const QPoint origin = container->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), container->width(), container->height())
        .toImage();
}

inline QImage GrabView(CFieldView& view) {
    return GrabView(view.Container());
}

// Input is posted to the field and applied by its next frame update.
inline bool WaitForAppliedInput(const CMainField& field, int timeoutMs = 30000) {
    return WaitFor([&] { return field.PostedInputApplied(); }, timeoutMs);
}

// Waits for frames, the start-up loads and a settled field; false with why in `why`.
inline bool WaitForReadyEditor(RunningEditor& editor, std::string& why) {
    CFieldView& view = editor.View();
    if (!WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 180000)) {
        why = "no frames or the start-up loads never ended";
        return false;
    }
    if (!WaitForSettledField(view, 500, 180000)) {
        why = "the field never finished streaming in";
        return false;
    }
    return true;
}

// Moves the mouse over the view and waits until the core has seen it. Qt drops
// a move to where the pointer already is: an earlier step may have left it there.
inline bool MoveMouse(const CMainField& field, QWindow* surface, const QPoint& to, int timeoutMs = 60000) {
    QTest::mouseMove(surface, to - QPoint(0, 7));
    QTest::mouseMove(surface, to);
    return WaitFor([&] { return field.Input().mouseClient == PixelPoint{to.x(), to.y()}; }, timeoutMs);
}

// Places `copies` copies of the definition chosen at start-up, `parts` parts
// each, clicking along a row of the view: a click places, another confirms.
inline bool PlaceCopies(CFieldView& view, int copies, int parts, std::string& why) {
    CMainField* field = view.Field();
    if (field == nullptr) {
        why = "no editing core";
        return false;
    }
    if (!WaitFor(
            [&] {
                return field->Mode() == EditMode::ModePlace && field->CursorPartCount() == uint32_t(parts);
            },
            60000)) {
        why = "the definition chosen at start-up never came under the cursor";
        return false;
    }
    QWindow* surface = view.SurfaceWindow();
    const QSize size = surface->size();
    const int placedBefore = field->PlacedModelCount();
    for (int copy = 0; copy < copies; ++copy) {
        const QPoint spot(size.width() / 4 + copy * size.width() / (2 * copies), size.height() * 2 / 3);
        if (!MoveMouse(*field, surface, spot)) {
            why = "the core never saw the mouse move";
            return false;
        }
        QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
        if (!WaitFor([&] { return field->PlacedModelCount() == placedBefore + parts * (copy + 1); }, 60000)) {
            why = "copy " + std::to_string(copy) + " was not placed";
            return false;
        }
        QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
        if (!WaitFor([&] { return field->Mode() == EditMode::ModePlace; }, 60000)) {
            why = "copy " + std::to_string(copy) + " was not confirmed";
            return false;
        }
    }
    return true;
}

// The placements of a field as one sorted line each, as a child reports them
// before it is killed; nine significant digits tell any two floats apart.
inline std::vector<std::string> ReportPlacements(const CMainField& field) {
    std::map<std::string, CModelTransform> transforms;
    field.ForEachPlacedModel([&transforms](const CModelEntry& e) { transforms[e.name] = e.transform; });
    std::vector<std::string> lines;
    for (const CPlacedModel& record : field.PlacementRecordSnapshot()) {
        std::ostringstream line;
        line << record.uniqueName << '\t' << record.partPath << '\t' << record.sourcePath << '\t'
             << std::setprecision(9);
        const CModelTransform& t = transforms[record.uniqueName];
        for (const Vector4* v : {&t.position, &t.scale, &t.rotation}) {
            line << ' ' << v->x << ' ' << v->y << ' ' << v->z;
        }
        lines.push_back(line.str());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Written beside and renamed into place, so a reader never sees half a report.
inline bool WritePlacementReport(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    const std::filesystem::path partial = path.string() + ".partial";
    {
        std::ofstream out(partial);
        for (const std::string& line : lines) {
            out << line << '\n';
        }
        if (!out) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    return !error;
}

inline std::vector<std::string> ReadPlacementReport(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace quorvane::test

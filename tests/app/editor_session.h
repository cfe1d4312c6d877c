#pragma once

// A running editor on a demo field folder for window tests and their child
// processes: the application object, a working directory of its own, and
// placing copies with real mouse events on the field view.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "editor/main_field.h"
#include "tests/app/settled_field.h"
#include "tests/qt_wait.h"
#include "tests/working_directory.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <filesystem>
#include <string>

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
        // Qt drops a move to where the pointer already is (an earlier run may have left it there).
        QTest::mouseMove(surface, spot - QPoint(0, 7));
        QTest::mouseMove(surface, spot);
        if (!WaitFor([&] { return field->Input().mouseClient == PixelPoint{spot.x(), spot.y()}; }, 60000)) {
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

} // namespace quorvane::test

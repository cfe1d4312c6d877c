#pragma once
// The benchmarks of the real editor window: the application objects as main()
// builds them, on a demo field generated once into the temporary folder.
#include "app/application.h"
#include "app/main_window.h"
#include "demo_field.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quorvane::bench {

// Before the QApplication: false, with why on stderr, without an X display.
// Then the demo field is made if missing and becomes the working directory.
inline bool PrepareEditorBench(const char* name) {
    if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0') {
        std::fprintf(stderr, "%s: skipped, no X display (run it under xvfb-run)\n", name);
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "quorvane_bench_editor";
    demofield::COptions options;
    options.output = root;
    if (!std::filesystem::exists(root / "model")) {
        std::fprintf(stderr, "%s: generating the demo field in %s\n", name, root.string().c_str());
        demofield::GenerateDemoField(options);
    }
    std::filesystem::current_path(root);
    return true;
}

// The main window on the primary screen; false, with why on stderr, when
// there is no screen or no field view.
inline bool StartEditor(CAppState& state, const char* name) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "%s: no screen\n", name);
        return false;
    }
    state.currentDirectory = std::filesystem::current_path();
    state.geometry = ComputeAppGeometry(ReadScreenMetrics(*screen));
    SetAppState(&state);
    InitApplication(state);
    if (state.mainWindow == nullptr || state.mainWindow->FieldView() == nullptr) {
        std::fprintf(stderr, "%s: no Vulkan window on this display\n", name);
        return false;
    }
    return true;
}

inline void StopEditor(CAppState& state) {
    if (state.mainWindow) {
        ShutdownApplication(state);
        state.mainWindow.reset();
    }
    SetAppState(nullptr);
}

} // namespace quorvane::bench

// Frames a second of the live editor as a user sees them: the real main
// window in its default size on the demo field, the model viewer turning.
// Waits until start-up has loaded and the field has streamed in, then counts
// the frames both views hand to the display over a span (30 s unless
// `--seconds N`). Needs an X display (xvfb-run).
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "demo_field.h"
#include "ui/model_viewer_window.h"

#include <QApplication>
#include <QScreen>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace quorvane;

namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until done() or the deadline; false on the deadline.
bool RunUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 30.0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") {
            seconds = std::atof(argv[i + 1]);
        }
    }
    if (!(seconds > 0.0)) {
        std::fprintf(stderr, "usage: bench_live_frame [--seconds N]   (N > 0)\n");
        return 2;
    }
    if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0') {
        std::fprintf(stderr, "bench_live_frame: skipped, no X display (run it under xvfb-run)\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The same generated field as bench_startup's.
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "quorvane_bench_startup";
    demofield::COptions options;
    options.output = root;
    if (!std::filesystem::exists(root / "model")) {
        std::fprintf(stderr, "bench_live_frame: generating the demo field in %s\n", root.string().c_str());
        demofield::GenerateDemoField(options);
    }
    std::filesystem::current_path(root);

    QApplication application(argc, argv);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "bench_live_frame: no screen\n");
        return 1;
    }
    CAppState state;
    state.currentDirectory = std::filesystem::current_path();
    state.geometry = ComputeAppGeometry(ReadScreenMetrics(*screen));
    SetAppState(&state);
    InitApplication(state);
    CFieldView* view = state.mainWindow->FieldView();
    CModelViewerWindow* viewer = state.mainWindow->ModelViewer();
    if (view == nullptr || viewer == nullptr) {
        std::fprintf(stderr, "bench_live_frame: no Vulkan window on this display\n");
        return 1;
    }
    const bool settled = RunUntil(
        [&] { return view->FramesSubmitted() > 0 && view->StartupFinished() && view->Progress().Done(); },
        Clock::now() + std::chrono::minutes(5));
    int result = 1;
    if (!settled) {
        std::fprintf(stderr, "bench_live_frame: the field did not settle within 5 minutes\n");
    } else {
        const QSize size = view->SurfaceWindow()->size();
        std::fprintf(stderr, "bench_live_frame: field view %d x %d, counting for %.0f s\n", size.width(),
                     size.height(), seconds);
        const uint64_t fieldBefore = view->FramesSubmitted();
        const uint64_t viewerBefore = viewer->FramesSubmitted();
        const auto start = Clock::now();
        RunUntil([] { return false; },
                 start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("RESULT live_fps=%.2f frames/s\n",
                    static_cast<double>(view->FramesSubmitted() - fieldBefore) / elapsed);
        std::printf("RESULT viewer_fps=%.2f frames/s\n",
                    static_cast<double>(viewer->FramesSubmitted() - viewerBefore) / elapsed);
        result = 0;
    }
    ShutdownApplication(state);
    state.mainWindow.reset();
    SetAppState(nullptr);
    return result;
}

// Time from start-up to the first field frame handed to the display, on a
// generated demo field: the application objects as main() builds them.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "demo_field.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace quorvane;

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr || *std::getenv("DISPLAY") == '\0') {
        std::fprintf(stderr, "bench_startup: skipped, no X display (run it under xvfb-run)\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "quorvane_bench_startup";
    demofield::COptions options;
    options.output = root;
    if (!std::filesystem::exists(root / "model")) {
        std::fprintf(stderr, "bench_startup: generating the demo field in %s\n", root.string().c_str());
        demofield::GenerateDemoField(options);
    }
    std::filesystem::current_path(root);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    QApplication application(argc, argv);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "bench_startup: skipped, no screen\n");
        return 2;
    }
    CAppState state;
    state.currentDirectory = std::filesystem::current_path();
    state.geometry = ComputeAppGeometry(ReadScreenMetrics(*screen));
    SetAppState(&state);
    InitApplication(state);
    CFieldView* view = state.mainWindow->FieldView();
    if (view == nullptr) {
        std::fprintf(stderr, "bench_startup: no Vulkan window on this display\n");
        return 1;
    }
    constexpr auto kGiveUp = std::chrono::seconds(60);
    while (view->FramesSubmitted() == 0 && Clock::now() - start < kGiveUp) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool drawn = view->FramesSubmitted() > 0;
    ShutdownApplication(state);
    state.mainWindow.reset();
    SetAppState(nullptr);
    if (!drawn) {
        std::fprintf(stderr, "bench_startup: no field frame within %lld s\n",
                     static_cast<long long>(kGiveUp.count()));
        return 1;
    }
    std::printf("RESULT startup_first_frame=%.3f s\n", seconds);
    return 0;
}

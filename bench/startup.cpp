// Time from start-up to the first field frame handed to the display, on a
// generated demo field with 500 more definitions in its tree: the
// application objects as main() builds them.
#include "app/field_view.h"
#include "editor_bench.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace quorvane;

namespace {

constexpr int kExtraDefinitions = 500;

// Definitions of the demo's pine in a folder of their own, as a large project's tree holds them.
void AddDefinitions(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kExtraDefinitions; ++i) {
        const std::filesystem::path file = folder / ("pine_" + std::to_string(i) + ".mdf");
        if (!std::filesystem::exists(file)) {
            std::ofstream(file) << "LOD:0\nPATH:./model/nature/pine.mdl\n";
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!bench::PrepareEditorBench("bench_startup")) {
        return 2;
    }
    AddDefinitions(std::filesystem::current_path() / "model" / "many");
    // The pictures of this run go to a folder of its own, drawn afresh.
    const std::filesystem::path cache =
        std::filesystem::temp_directory_path() / "quorvane_bench_startup_cache";
    std::filesystem::remove_all(cache);
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.string()));
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    QApplication application(argc, argv);
    CAppState state;
    if (!bench::StartEditor(state, "bench_startup")) {
        bench::StopEditor(state);
        return 1;
    }
    CFieldView* view = state.mainWindow->FieldView();
    constexpr auto kGiveUp = std::chrono::seconds(60);
    while (view->FramesSubmitted() == 0 && Clock::now() - start < kGiveUp) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool drawn = view->FramesSubmitted() > 0;
    bench::StopEditor(state);
    if (!drawn) {
        std::fprintf(stderr, "bench_startup: no field frame within %lld s\n",
                     static_cast<long long>(kGiveUp.count()));
        return 1;
    }
    std::printf("RESULT startup_first_frame=%.3f s\n", seconds);
    return 0;
}

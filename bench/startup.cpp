// Time from start-up to the first field frame handed to the display, on a
// generated demo field: the application objects as main() builds them.
#include "app/field_view.h"
#include "editor_bench.h"

#include <QApplication>
#include <chrono>
#include <cstdio>

using namespace quorvane;

int main(int argc, char** argv) {
    if (!bench::PrepareEditorBench("bench_startup")) {
        return 2;
    }
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

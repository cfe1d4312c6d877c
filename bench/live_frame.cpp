// Frames a second of the live editor as a user sees them: the real main
// window in its default size on the demo field, the model viewer turning.
// Waits until start-up has loaded and the field has streamed in, then counts
// the frames both views hand to the display over a span (30 s unless
// `--seconds N`). Needs an X display (xvfb-run).
#include "app/field_view.h"
#include "editor_bench.h"
#include "ui/model_viewer_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

using namespace quorvane;

namespace {

using Clock = std::chrono::steady_clock;

// Runs the event loop until done() or the deadline; false on the deadline.
// The window thread sleeps between events, as in the editor's own loop: a
// loop that polls would take a core from the frames.
bool RunUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    bool finished = done();
    if (finished) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        finished = done();
        if (finished || Clock::now() > deadline) {
            loop.quit();
        }
    });
    poll.start(20);
    loop.exec();
    return finished;
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
    if (!bench::PrepareEditorBench("bench_live_frame")) {
        return 2;
    }
    QApplication application(argc, argv);
    CAppState state;
    if (!bench::StartEditor(state, "bench_live_frame") || state.mainWindow->ModelViewer() == nullptr) {
        bench::StopEditor(state);
        return 1;
    }
    CFieldView* view = state.mainWindow->FieldView();
    CModelViewerWindow* viewer = state.mainWindow->ModelViewer();
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
    bench::StopEditor(state);
    return result;
}

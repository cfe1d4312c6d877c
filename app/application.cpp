#include "app/application.h"

#include "app/main_window.h"
#include "platform/message_box.h"
#include "render/texture_image.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

namespace quorvane {
namespace {
CAppState* g_appState = nullptr;
constexpr std::chrono::milliseconds kRepaintPeriod{2000};
} // namespace

CAppState::CAppState() = default;
CAppState::~CAppState() {
    repaintTimer.Stop();
    for (CRenderThread* thread : renderThreads) {
        thread->Stop();
    }
}

void SetAppState(CAppState* state) {
    g_appState = state;
}
CAppState* GetAppState() {
    return g_appState;
}

ScreenMetrics ReadScreenMetrics(const QScreen& screen) {
    const QRect full = screen.geometry();
    const QRect work = screen.availableGeometry();
    return {.width = full.width(),
            .height = full.height(),
            .workAreaBottom = work.y() + work.height() - full.y(),
            .logicalDpiX = static_cast<float>(screen.logicalDotsPerInchX())};
}

bool InitApplication(CAppState& state) {
    // Unreadable textures are reported from loader threads; the box goes up on
    // the UI thread and the editor keeps running with a fallback texture.
    DefaultTextureErrorReporter().SetPoster(PostMessageBox);

    const AppGeometry& g = state.geometry;
    state.mainWindow = std::make_unique<CMainWindow>(state);
    CMainWindow& window = *state.mainWindow;
    window.setGeometry(g.windowX, g.windowY, g.windowWidth, g.windowHeight);
    window.Relayout();
    window.show();

    // Repaint from a timer thread by posting to the UI thread, so the frame
    // rate in the title refreshes.
    QPointer<CMainWindow> target(&window);
    state.repaintTimer.Start(kRepaintPeriod, [target] {
        QMetaObject::invokeMethod(
            qApp,
            [target] {
                if (target) {
                    target->update();
                }
            },
            Qt::QueuedConnection);
    });
    window.update();
    return true;
}

void ShutdownApplication(CAppState& state) {
    if (state.shuttingDown) {
        return;
    }
    state.shuttingDown = true;
    state.repaintTimer.Stop();
    if (state.mainWindow) {
        state.mainWindow->StopBackgroundWork(); // a definition may still be loading into the core
    }
    for (CRenderThread* thread : state.renderThreads) {
        thread->RequestQuit();
    }
    for (CRenderThread* thread : state.renderThreads) {
        thread->Join();
    }
    if (state.mainWindow) {
        state.mainWindow->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace quorvane

#pragma once

#include "app/app_geometry.h"
#include "app/main_layout.h"
#include "platform/periodic_timer.h"
#include "platform/render_thread.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

class CMainWindow;

struct TitleDragState {
    bool buttonDown = false;
    bool pressInTitleBar = false;
    bool maximized = false;
};

// The one application-wide record: window geometry, colours, DPI scale, the
// windows and the timers. Created before any window, lives until exit.
struct CAppState {
    CAppState();
    ~CAppState();
    CAppState(const CAppState&) = delete;
    CAppState& operator=(const CAppState&) = delete;

    std::unique_ptr<CMainWindow> mainWindow;
    std::filesystem::path currentDirectory;
    AppGeometry geometry;
    TitleDragState titleDrag;
    std::string uiFontFamily = "メイリオ";
    MainLayout layout;

    CPeriodicTimer repaintTimer{"画面の更新"};
    // Render loops of the 3D views; shut-down stops and joins each.
    std::vector<CRenderThread*> renderThreads;
    bool shuttingDown = false;
};

// The global pointer, written once before any window exists.
void SetAppState(CAppState* state);
CAppState* GetAppState();

} // namespace quorvane

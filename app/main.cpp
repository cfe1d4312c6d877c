#include "app/application.h"
#include "app/main_window.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "quorvane: no screen to show the editor on\n");
        return 1;
    }

    quorvane::CAppState state;
    std::error_code error;
    state.currentDirectory = std::filesystem::current_path(error);
    state.geometry = quorvane::ComputeAppGeometry(quorvane::ReadScreenMetrics(*screen));
    quorvane::SetAppState(&state);

    quorvane::InitApplication(state);
    const int code = QApplication::exec();
    quorvane::ShutdownApplication(state);
    state.mainWindow.reset();
    quorvane::SetAppState(nullptr);
    return code;
}

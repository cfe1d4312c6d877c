// Test main for suites that show windows: on the X display when there is one
// (test.sh runs them under Xvfb), else off screen, where test discovery at
// build time lists them without showing anything.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("DISPLAY") ? "xcb" : "offscreen");
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

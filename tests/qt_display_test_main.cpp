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
#ifdef QUORVANE_TEST_SCALE_FACTOR
    // This build of the suite runs as on a high-density screen.
    qputenv("QT_SCALE_FACTOR", QUORVANE_TEST_SCALE_FACTOR);
#endif
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

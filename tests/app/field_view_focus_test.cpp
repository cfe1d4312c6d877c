// A modifier held while the field view loses the keyboard never sends its
// key-up to the view: losing the focus must let go of it in the core, or
// Ctrl stays held and the next Z undoes. Needs an X display (xvfb-run).
#include "tests/app/editor_session.h"
#include "tests/app/settled_field.h"
#include "tests/small_demo_field.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::WaitFor;
using test::WaitForAppliedInput;

TEST(FieldViewFocus, LosingTheKeyboardReleasesCtrlAndShift) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "needs an X display (run it through xvfb-run)";
    test::SmallDemoManifest();
    test::ScopedWorkingDirectory inDemo(test::SmallDemoRoot());
    test::RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CFieldView& view = editor.View();
    ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.Field() != nullptr; }, 180000));
    CMainField& field = *view.Field();
    QWindow* surface = view.SurfaceWindow();
    surface->requestActivate();
    ASSERT_TRUE(WaitFor([&] { return QGuiApplication::focusWindow() == surface; }, 30000));

    QTest::keyPress(surface, Qt::Key_Control);
    QTest::keyPress(surface, Qt::Key_Shift, Qt::ControlModifier);
    ASSERT_TRUE(WaitForAppliedInput(field));
    ASSERT_TRUE(field.Input().ctrlKeyDown);
    ASSERT_TRUE(field.Input().shiftKeyDown);

    // Another window takes the keyboard; the key-ups go there.
    QWidget other;
    other.setGeometry(0, 0, 200, 100);
    other.show();
    other.activateWindow();
    other.windowHandle()->requestActivate();
    ASSERT_TRUE(WaitFor([&] { return QGuiApplication::focusWindow() == other.windowHandle(); }, 30000));
    EXPECT_TRUE(WaitFor([&] { return !field.Input().ctrlKeyDown && !field.Input().shiftKeyDown; }, 10000))
        << "ctrl " << field.Input().ctrlKeyDown << ", shift " << field.Input().shiftKeyDown;
}

} // namespace
} // namespace quorvane

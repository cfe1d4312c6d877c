// Keys typed into the tree's search box stay there: none reaches the window
// around it, where the field view's shortcuts would take them.
#include "tests/file_faults.h"
#include "ui/model_tree_window.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace quorvane {
namespace {

class KeyRecorder : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

TEST(SearchBoxKeys, NeverReachTheWindowAround) {
    test::CScratchDirectory root("quorvane_search_keys");
    KeyRecorder window;
    CModelTreeWindow tree(&window, UiScale{}, root.Path());
    window.show();
    QLineEdit& search = *tree.SearchBox();
    search.setFocus();
    // Move, scale and rotate keys, a bookmark digit, Ctrl+Z, and keys a line edit has no use for.
    const std::vector<std::pair<int, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_G, Qt::NoModifier},      {Qt::Key_S, Qt::NoModifier},
        {Qt::Key_R, Qt::NoModifier},      {Qt::Key_1, Qt::NoModifier},
        {Qt::Key_1, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_Up, Qt::NoModifier},     {Qt::Key_PageDown, Qt::NoModifier},
        {Qt::Key_F5, Qt::NoModifier},     {Qt::Key_Delete, Qt::NoModifier},
        {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier},
    };
    for (const auto& [key, modifiers] : keys) {
        QTest::keyClick(&search, static_cast<Qt::Key>(key), modifiers);
    }
    EXPECT_TRUE(window.keys.empty()) << window.keys.size() << " keys reached the window, the first "
                                     << (window.keys.empty() ? 0 : window.keys.front());
}

} // namespace
} // namespace quorvane

#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane {
namespace {

QMessageBox* FindBox(const QString& text) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->text() == text && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

TEST(MessageBoxTest, PostedFromAnotherThreadShowsOnTheUiThreadWithoutBlocking) {
    const std::string text = "テクスチャ画像が見つかりません:\n\n model/a.png";
    std::thread loader([&] { PostMessageBox("Error", text); });
    loader.join(); // returned without waiting for anyone to close the box

    const QString expected = QString::fromStdString(text);
    EXPECT_EQ(FindBox(expected), nullptr); // not shown until the UI thread runs its queue
    QCoreApplication::processEvents();
    QMessageBox* box = FindBox(expected);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Error");
    EXPECT_FALSE(box->isModal());
    box->close();
}

} // namespace
} // namespace quorvane

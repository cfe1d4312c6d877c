#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace quorvane {

void PostMessageBox(const std::string& caption, const std::string& text) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    const QString title = QString::fromStdString(caption);
    const QString body = QString::fromStdString(text);
    QMetaObject::invokeMethod(
        app,
        [title, body] {
            auto* box = new QMessageBox(QMessageBox::Warning, title, body, QMessageBox::Ok);
            box->setAttribute(Qt::WA_DeleteOnClose); // Qt frees it when closed
            box->setModal(false);
            box->show();
        },
        Qt::QueuedConnection);
}

} // namespace quorvane

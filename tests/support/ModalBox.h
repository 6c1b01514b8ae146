#pragma once
// Runs an action and reports the modal box it opened, closing it: for the
// tests on the real windows.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace stepdown::testing {

struct ModalBox {
    bool seen = false;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Critical;
    int buttons = 0;
    QMessageBox::StandardButton button = QMessageBox::NoButton;
};

inline ModalBox WatchForModalBox(const std::function<void()>& act) {
    ModalBox box;
    bool done = false;
    std::function<void()> inspect = [&] {
        if (done) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            QTimer::singleShot(10, inspect);
            return;
        }
        box.seen = true;
        if (auto* message = qobject_cast<QMessageBox*>(modal)) {
            box.text = message->text();
            box.title = message->windowTitle();
            box.icon = message->icon();
            box.buttons = static_cast<int>(message->buttons().size());
            box.button = message->standardButton(message->buttons().value(0));
        }
        modal->close();
    };
    QTimer::singleShot(0, inspect);
    act();
    done = true;
    QCoreApplication::processEvents();
    return box;
}

}  // namespace stepdown::testing

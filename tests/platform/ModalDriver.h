#pragma once
// Drives a modal dialog from the event loop: once a dialog of type T is the active modal
// widget, `act` runs on it. A dialog that never shows up fails the test; one still open after
// `act` (or after the wait) is closed so that the test cannot hang.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace glint::test {

inline constexpr int kPollMs = 10;
inline constexpr int kWaitMs = 10000;

template <class T>
void whenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer(qApp);
    auto deadline = std::make_shared<QDeadlineTimer>(kWaitMs);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act] {
        QWidget* modal = QApplication::activeModalWidget();
        T* dialog = qobject_cast<T*>(modal);
        if (dialog != nullptr && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "dialog left open";
                dialog->reject();
            }
        } else if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal dialog of the expected kind appeared";
            if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
        }
    });
    timer->start(kPollMs);
}

// Processes events until `done` holds or the wait is over.
inline bool waitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(kWaitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
    }
    return true;
}

}  // namespace glint::test

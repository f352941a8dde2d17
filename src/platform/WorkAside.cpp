#include "WorkAside.h"

#include <QEventLoop>
#include <system_error>
#include <thread>

namespace glint {

void runAside(const std::function<void()>& work, QEventLoop::ProcessEventsFlags flags) {
    QEventLoop loop;
    std::thread worker;
    try {
        worker = std::thread([&work, &loop] {
            work();
            // Queued: the loop quits in its own thread, also when it has not started yet.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        work();  // no thread to spare: the events wait
        return;
    }
    // Returns at once when the application is quitting; the join then waits for the work.
    loop.exec(flags);
    worker.join();
}

}  // namespace glint

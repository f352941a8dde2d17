#include "EventYield.h"

#include <QCoreApplication>

#include "PendingEventWatch.h"

namespace glint {

EventYield::EventYield(std::chrono::microseconds timerSlack, Now now)
    : watch_(PendingEventWatch::start()), timerSlack_(timerSlack), now_(now) {}

EventYield::~EventYield() = default;

void EventYield::yield() {
    if (!watch_ || !watch_->ready() || watch_->pending() || now_() >= nextRun_) {
        runLoop();
        return;
    }
    // Nothing came from outside: what this thread posted is all there is to deliver.
    QCoreApplication::sendPostedEvents();
}

void EventYield::runLoop() {
    if (watch_) watch_->enteringLoop();
    QCoreApplication::processEvents();
    if (watch_) watch_->leftLoop();
    ++loopRuns_;
    nextRun_ = now_() + timerSlack_;
}

}  // namespace glint

#pragma once
// Work too long for the window's thread (a large picture filled, written or encoded) done on a
// thread of its own while the window's thread goes on with its events: the window keeps
// painting, its timers run and other programs get their answers, but keys and clicks wait
// until the work is done, so no other event procedure starts in the middle. The work must not
// touch anything the events may use.
#include <QEventLoop>
#include <functional>

namespace glint {

// Runs `work` aside and returns once it is done. Called on the thread of the event loop, which
// meanwhile delivers the events `flags` let through (a caller that lets user input through
// holds it back itself, so that a close request still reaches the window).
void runAside(const std::function<void()>& work,
              QEventLoop::ProcessEventsFlags flags = QEventLoop::ExcludeUserInputEvents);

}  // namespace glint

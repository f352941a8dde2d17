#pragma once
// The longest time the event loop went without running during a step: a precise timer ticks
// every kTickMs while the step runs, and the longest gap between two ticks (the step's start
// and end count as ticks) is the step's stall. A step that keeps the event loop running, in
// its own loop or through the render's yield, stalls for about one tick at most.
#include <QObject>
#include <QTimer>

#include "BenchTiming.h"

namespace glint::bench {

class StallProbe : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 2;

    StallProbe();

    void start();
    // Ends the step; returns its longest gap in seconds.
    double stop();

  private:
    void tick();

    QTimer timer_;
    Clock::time_point last_{};
    double longest_ = 0;
};

}  // namespace glint::bench

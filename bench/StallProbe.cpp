#include "StallProbe.h"

#include <algorithm>

namespace glint::bench {

StallProbe::StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &StallProbe::tick);
}

void StallProbe::start() {
    longest_ = 0;
    last_ = Clock::now();
    timer_.start();
}

double StallProbe::stop() {
    tick();
    timer_.stop();
    return longest_;
}

void StallProbe::tick() {
    longest_ = std::max(longest_, secondsSince(last_));
    last_ = Clock::now();
}

}  // namespace glint::bench

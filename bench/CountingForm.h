#pragma once
// The window with its yields counted (and not timed, so that the count costs next to nothing).
#include "ui/Form1.h"

namespace glint::bench {

class CountingForm : public Form1 {
  public:
    using Form1::Form1;
    int yields = 0;

    void doEvents() override {
        ++yields;
        Form1::doEvents();
    }
};

}  // namespace glint::bench

#pragma once
// Builds the main window's controls as laid out: positions and sizes in pixels, captions,
// start settings, stacking order and tab order. Wires no events.
#include <QSize>

#include "Form1Controls.h"

class QWidget;

namespace glint {

class Form1Layout {
  public:
    static constexpr QSize kClientSize{457, 396};
    // The window's font size: every caption fits its control with the style's margins.
    static constexpr double kFontPointSize = 7.5;

    // Creates every control as a child of `form` (client area kClientSize).
    static Form1Controls build(QWidget* form);
};

}  // namespace glint

#pragma once
// The render behind "Make Raster": start steps, the row loop with its yield, end steps and
// the failure path. The window supplies what it owns through RasterForm.
#include <cstdint>
#include <string>

#include "ColorValue.h"
#include "DstSizing.h"

namespace glint {

enum class Command { Load, Raster, Save, Break };

class RasterForm : public SizingForm {
  public:
    // Form-level values, read afresh at every use.
    virtual ColorValue backCol() const = 0;
    virtual std::int32_t redVal() const = 0;
    virtual std::int32_t blueVal() const = 0;
    virtual bool breakFlag() const = 0;
    virtual void setBreakFlag(bool on) = 0;

    // Command buttons.
    virtual void setCommandEnabled(Command command, bool enabled) = 0;
    virtual void setCommandVisible(Command command, bool visible) = 0;
    virtual void setCommandFocus(Command command) = 0;

    // Lets pending events run to completion (DoEvents) and shows what was drawn so far.
    virtual void doEvents() = 0;
    // The "Glintwork Error" message box, OK only; returns when it is closed.
    virtual void showError(const std::string& text) = 0;
};

// Runs one render to its end, its break or its failure (the body of CmdRaster_Click).
void runRasterRender(RasterForm& form);

}  // namespace glint

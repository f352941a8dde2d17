#pragma once
// The fixed figures of one render, taken from the source's drawing area at its start.
#include <cstdint>

#include "Status.h"

namespace glint {

struct RenderExtent {
    std::int32_t lastColumn = 0;   // W: ScaleWidth - 1, rounded half to even
    std::int32_t lastRow = 1;      // H: ScaleHeight - 1, rounded half to even; 0 becomes 1
    float percentPerRow = 100.0f;  // P: 100 / H, divided in double, stored as single
};

// Fails when a figure does not fit a 32-bit signed integer or P is no finite number.
Status computeExtent(float srcScaleWidth, float srcScaleHeight, RenderExtent& out);

}  // namespace glint

#include "RenderExtent.h"

#include <cmath>
#include <limits>

namespace glint {

namespace {

constexpr double kPercent = 100.0;

// Last index of a side: size - 1, rounded to the nearest integer, ties to even.
Status lastIndex(float size, const char* what, std::int32_t& out) {
    const double rounded = std::nearbyint(static_cast<double>(size) - 1.0);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        return Status::failure(std::string("last ") + what + " does not fit a 32-bit integer");
    }
    out = static_cast<std::int32_t>(rounded);
    return Status::ok();
}

}  // namespace

Status computeExtent(float srcScaleWidth, float srcScaleHeight, RenderExtent& out) {
    RenderExtent extent;
    if (Status st = lastIndex(srcScaleWidth, "column", extent.lastColumn); st.failed()) return st;
    if (Status st = lastIndex(srcScaleHeight, "row", extent.lastRow); st.failed()) return st;
    // A one-row picture still runs two rows; the second lies outside the source.
    if (extent.lastRow == 0) extent.lastRow = 1;

    const auto percent = static_cast<float>(kPercent / extent.lastRow);
    if (!std::isfinite(percent)) return Status::failure("percent per row is not finite");
    extent.percentPerRow = percent;
    out = extent;
    return Status::ok();
}

}  // namespace glint

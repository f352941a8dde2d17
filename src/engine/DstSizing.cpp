#include "DstSizing.h"

#include <cmath>
#include <limits>

#include "Texts.h"

namespace glint {

namespace {

// Each picture box has a border of this many pixels on every side.
constexpr std::int64_t kBorderPair = 4;
constexpr double kEstimateDivisor = 2000.0;

}  // namespace

Status destinationOuterSize(float srcOuter, std::int32_t scale, float& out) {
    const std::int64_t borders = (std::int64_t{scale} - 1) * kBorderPair;
    if (borders < std::numeric_limits<std::int32_t>::min() ||
        borders > std::numeric_limits<std::int32_t>::max()) {
        return Status::failure("scale border product overflows a 32-bit integer");
    }
    const double size = static_cast<double>(srcOuter) * scale - static_cast<double>(borders);
    if (!std::isfinite(size) || std::fabs(size) > std::numeric_limits<float>::max()) {
        return Status::failure("destination size is no finite single");
    }
    out = static_cast<float>(size);
    return Status::ok();
}

double renderEstimate(float srcOuterWidth, float srcOuterHeight, std::int32_t scale) {
    return static_cast<double>(srcOuterWidth) * srcOuterHeight / kEstimateDivisor * scale;
}

Status SetDstSize(SizingForm& form) {
    float height = 0.0f;
    Status st = destinationOuterSize(form.picSrc().outerHeight(), form.rasterScale(), height);
    if (st.isOk()) st = form.picDst().setOuterHeight(height);
    if (st.failed()) return st;  // a side the box cannot hold changes nothing

    // The scale is read again for the width.
    float width = 0.0f;
    st = destinationOuterSize(form.picSrc().outerWidth(), form.rasterScale(), width);
    if (st.isOk()) st = form.picDst().setOuterWidth(width);
    // PicDst takes its new area once, now that both sides are known (or the height alone).
    const Status applied = form.picDst().applySize();
    return st.failed() ? st : applied;
}

Status ShowPicInfo(SizingForm& form) {
    const std::string fileName = form.dialogFileName();
    if (fileName.empty()) return Status::ok();

    PictureSurface& src = form.picSrc();
    const float outerHeight = src.outerHeight();
    const float outerWidth = src.outerWidth();
    const float areaWidth = src.scaleWidth();
    const float areaHeight = src.scaleHeight();
    const double estimate = renderEstimate(outerWidth, outerHeight, form.rasterScale());
    if (!std::isfinite(estimate)) return Status::failure("render estimate is not finite");

    form.setInfo(picInfoText(fileName, areaWidth, areaHeight, estimate));
    return Status::ok();
}

}  // namespace glint

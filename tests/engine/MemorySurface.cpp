#include "MemorySurface.h"

#include <algorithm>
#include <cmath>

namespace glint::test {

Status MemorySurface::resizeOuter(float outer, bool horizontal) {
    const double area = std::nearbyint(double(outer)) - 4;
    note((horizontal ? "setOuterWidth " : "setOuterHeight ") +
         std::to_string(std::llround(area + 4)));
    if (!(area >= 0 && area <= maxSide_)) return Status::failure("size the box cannot hold");
    const auto side = static_cast<std::int32_t>(area);
    horizontal ? resize(side, h_) : resize(w_, side);
    return Status::ok();
}

Status MemorySurface::setOuterWidth(float outerWidth) { return resizeOuter(outerWidth, true); }
Status MemorySurface::setOuterHeight(float outerHeight) { return resizeOuter(outerHeight, false); }

void MemorySurface::resize(std::int32_t w, std::int32_t h) {
    std::vector<std::uint32_t> next(std::size_t(w) * h, kBackground);
    for (std::int32_t y = 0; y < std::min(h, h_); ++y)
        std::copy_n(pixels_.begin() + std::ptrdiff_t(y) * w_, std::min(w, w_),
                    next.begin() + std::ptrdiff_t(y) * w);
    pixels_ = std::move(next);
    w_ = w;
    h_ = h;
}

ColorValue MemorySurface::point(float x, float y) const {
    const auto px = static_cast<std::int32_t>(std::nearbyint(x));
    const auto py = static_cast<std::int32_t>(std::nearbyint(y));
    if (px < 0 || py < 0 || px >= w_ || py >= h_) return -1;
    return fromPixel(pixels_[std::size_t(py) * w_ + px]);
}

void MemorySurface::line(float x1, float y, float x2, ColorValue color) {
    const auto py = static_cast<std::int32_t>(std::nearbyint(y));
    if (py < 0 || py >= h_) return;
    const auto from = std::max(0, static_cast<std::int32_t>(std::nearbyint(x1)));
    const auto to = std::min(w_, static_cast<std::int32_t>(std::nearbyint(x2)));
    for (std::int32_t x = from; x < to; ++x) at(x, py) = toPixel(color);
}

void MemorySurface::assignEmptyPicture() {
    note("assignEmptyPicture");
    std::fill(pixels_.begin(), pixels_.end(), kBackground);
    picture_ = false;
}

void MemorySurface::assignImageAsPicture() {
    note("assignImageAsPicture");
    picture_ = true;
}

}  // namespace glint::test

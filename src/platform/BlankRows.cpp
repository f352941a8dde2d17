#include "BlankRows.h"

#include <algorithm>

namespace glint {

void BlankRows::setAll(int rows, std::uint32_t pixel) {
    flags_.assign(std::size_t(std::max(rows, 0)), 1);
    count_ = std::max(rows, 0);
    pixel_ = pixel;
}

void BlankRows::markDrawn(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, int(flags_.size()) - 1);
    for (int y = first; y <= last && count_ > 0; ++y) {
        if (flags_[std::size_t(y)] != 0) {
            flags_[std::size_t(y)] = 0;
            --count_;
        }
    }
}

void BlankRows::fillPixels(const PixelView& pixels, int first, int last) const {
    if (count_ == 0 || pixels.pixels == nullptr) return;
    first = std::max(first, 0);
    last = std::min({last, int(flags_.size()) - 1, pixels.height - 1});
    for (int y = first; y <= last; ++y) {
        if (flags_[std::size_t(y)] != 0) std::fill_n(pixels.row(y), pixels.width, pixel_);
    }
}

}  // namespace glint

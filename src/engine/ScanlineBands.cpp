#include "ScanlineBands.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace glint {

namespace {
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
}

Status scanlineGeometry(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t scale,
                        ScanlineGeometry& out) {
    if (srcWidth <= 0 || srcHeight <= 0) return Status::failure("empty source picture");
    if (scale <= 0) return Status::failure("scale must be positive");
    ScanlineGeometry g;
    if (Status st =
            computeExtent(static_cast<float>(srcWidth), static_cast<float>(srcHeight), g.extent);
        st.failed()) {
        return st;
    }
    g.width = std::int64_t{scale} * srcWidth;
    g.height = std::int64_t{scale} * srcHeight;
    out = g;
    return Status::ok();
}

ScanlineBands::ScanlineBands(const ConstPixelView& source, const ScanlineGeometry& geometry,
                             const RowValues& values)
    : source_(source), geometry_(geometry), values_(values) {}

std::int64_t ScanlineBands::bandBytes() const {
    return std::int64_t{values_.scale} * geometry_.width *
           static_cast<std::int64_t>(sizeof(std::uint32_t));
}

Status ScanlineBands::renderWhole(const PixelView& dst, const RowProgress& progress) const {
    const std::int32_t last = geometry_.extent.lastRow;
    for (std::int32_t i = 0; i <= last; ++i) {
        if (Status st = drawSourceRow(source_, i, geometry_.extent.lastColumn, values_, dst, 0);
            st.failed()) {
            return st;
        }
        if (progress) progress(i + 1, last + 1);
    }
    return Status::ok();
}

Status ScanlineBands::renderBands(const BandSink& sink, const RowProgress& progress) const {
    const std::int32_t s = values_.scale;
    if (geometry_.width > kInt32Max || geometry_.height > kInt32Max) {
        return Status::failure("destination side over 2147483647 pixels");
    }
    std::vector<std::uint32_t> buffer;
    try {
        buffer.resize(static_cast<std::size_t>(s) * static_cast<std::size_t>(geometry_.width));
    } catch (const std::bad_alloc&) {
        return Status::failure("no memory for a band of " + std::to_string(bandBytes()) + " bytes");
    }
    const auto width = static_cast<std::int32_t>(geometry_.width);
    const auto height = static_cast<std::int32_t>(geometry_.height);
    const std::int32_t last = geometry_.extent.lastRow;
    for (std::int32_t i = 0; i <= last; ++i) {
        const std::int64_t top = std::int64_t{s} * i;
        const std::int64_t rows = std::min<std::int64_t>(s, height - top);
        if (rows > 0) {
            const PixelView band{buffer.data(), width, static_cast<std::int32_t>(rows), width};
            if (Status st = drawSourceRow(source_, i, geometry_.extent.lastColumn, values_, band,
                                          static_cast<std::int32_t>(top));
                st.failed()) {
                return st;
            }
            if (Status st = sink(static_cast<std::int32_t>(top), band); st.failed()) return st;
        }
        if (progress) progress(i + 1, last + 1);
    }
    return Status::ok();
}

}  // namespace glint

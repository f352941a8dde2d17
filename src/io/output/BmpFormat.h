#pragma once
// The one place that knows the 24-bit Windows bitmap file the programs write: a file header and
// an info header (54 bytes), no palette, then the rows, each padded with zeros to a multiple of
// 4 bytes, pixels as blue, green, red. Rows are stored bottom-up (the usual order, which a
// writer that can seek fills in any order) or top-down (a negative height in the header: the
// order a writer that cannot seek, such as a pipe, produces them in). The header keeps the
// file's size in 32 bits, so a file holds at most 4 GiB - 1 bytes.
#include <array>
#include <cstdint>

namespace glint {

inline constexpr std::int64_t kBmpHeaderBytes = 14 + 40;
inline constexpr std::int64_t kMaxBmpFileBytes = (std::int64_t{1} << 32) - 1;

enum class BmpRowOrder { BottomUp, TopDown };

// Bytes of one padded row of `width` pixels.
constexpr std::int64_t bmpStride(std::int64_t width) { return (width * 3 + 3) / 4 * 4; }

// Size of the file of a width x height picture.
constexpr std::int64_t bmpFileBytes(std::int64_t width, std::int64_t height) {
    return kBmpHeaderBytes + bmpStride(width) * height;
}

// True when a width x height picture has pixels and its file stays within the 4 GiB limit.
constexpr bool bmpFits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxBmpFileBytes &&
           height <= (kMaxBmpFileBytes - kBmpHeaderBytes) / bmpStride(width);
}

// Offset in a bottom-up file of row y (0 = top) of a picture `height` rows high.
constexpr std::int64_t bmpRowOffset(std::int64_t y, std::int64_t width, std::int64_t height) {
    return kBmpHeaderBytes + (height - 1 - y) * bmpStride(width);
}

// File and info headers of a width x height picture whose size bmpFits().
std::array<char, kBmpHeaderBytes> bmpHeaders(std::int32_t width, std::int32_t height,
                                             BmpRowOrder order = BmpRowOrder::BottomUp);

// Packs `width` 0xAARRGGBB pixels into blue, green, red bytes at `out` and zeros the row's
// padding: bmpStride(width) bytes are written.
void packBmpRow(const std::uint32_t* pixels, std::int32_t width, char* out);

}  // namespace glint

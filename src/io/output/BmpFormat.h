#pragma once
// The layout of a 24-bit Windows bitmap file: headers, then rows bottom-up, each padded to a
// multiple of 4 bytes, pixels as blue, green, red.
#include <array>
#include <cstdint>

namespace glint {

inline constexpr std::int64_t kBmpHeaderBytes = 14 + 40;

// Bytes of one padded row of `width` pixels.
inline std::int64_t bmpStride(std::int64_t width) { return (width * 3 + 3) / 4 * 4; }

// Offset in the file of row y (0 = top) of a picture `height` rows high.
inline std::int64_t bmpRowOffset(std::int64_t y, std::int64_t width, std::int64_t height) {
    return kBmpHeaderBytes + (height - 1 - y) * bmpStride(width);
}

// File and info headers of a width x height picture (both positive, the file under 4 GiB).
std::array<char, kBmpHeaderBytes> bmpHeaders(std::int32_t width, std::int32_t height);

// Packs `width` 0xAARRGGBB pixels into blue, green, red bytes at `out` (3 * width bytes; the
// padding is left as it is).
void packBmpRow(const std::uint32_t* pixels, std::int32_t width, char* out);

}  // namespace glint

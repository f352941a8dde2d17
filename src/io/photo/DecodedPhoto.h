#pragma once
// A picture as the photo helper hands it on: upright, 0xAARRGGBB pixels, not premultiplied,
// and the reduction of deeper samples to 8 bits.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace glint::photo {

struct DecodedPhoto {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool hasAlpha = false;
    std::vector<std::uint32_t> pixels;  // width * height, row after row from the top
};

// A sample of `bits` bits (1..16) as the nearest 8-bit value: round(v * 255 / (2^bits - 1)).
// No exact ties occur, since 2^bits - 1 is odd.
constexpr std::uint32_t toEightBits(std::uint32_t sample, int bits) {
    const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
    return (std::min(sample, max) * 255 + max / 2) / max;
}

// A colour sample premultiplied by `alpha` (both of `bits` bits) back to its own value.
constexpr std::uint32_t unpremultiplied(std::uint32_t sample, std::uint32_t alpha, int bits) {
    const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
    if (alpha == 0) return 0;
    return std::min(max, (sample * max + alpha / 2) / alpha);
}

constexpr std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace glint::photo

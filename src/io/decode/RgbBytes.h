#pragma once
// 0xAARRGGBB pixels to and from R, G, B bytes (ppm samples, video frames), the hot loops of
// video through pipes: with SSSE3's byte shuffles where the processor has them.
#include <cstdint>

namespace glint {

// `count` pixels as 3 * count bytes R, G, B (alpha dropped).
void packRgb(const std::uint32_t* pixels, std::int64_t count, unsigned char* out);
// 3 * count bytes R, G, B as `count` opaque pixels.
void unpackRgb(const unsigned char* bytes, std::int64_t count, std::uint32_t* out);

}  // namespace glint

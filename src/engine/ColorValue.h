#pragma once
// Colours as the program passes them around: 0x00BBGGRR (red in the low byte).
// Pixels in memory are 32-bit 0xAARRGGBB words (QImage::Format_RGB32 / ARGB32).
#include <cstdint>

namespace glint {

using ColorValue = std::int32_t;

constexpr ColorValue RGB(int red, int green, int blue) {
    return static_cast<ColorValue>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

constexpr int redOf(ColorValue c) { return c & 0xFF; }
constexpr int greenOf(ColorValue c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(ColorValue c) { return (c >> 16) & 0xFF; }

// Opaque 0xFFRRGGBB pixel word for a colour value (the high byte of the value is ignored).
constexpr std::uint32_t toPixel(ColorValue c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(redOf(c)) << 16) |
           (static_cast<std::uint32_t>(greenOf(c)) << 8) | static_cast<std::uint32_t>(blueOf(c));
}

// Colour value of a pixel word (alpha is dropped).
constexpr ColorValue fromPixel(std::uint32_t p) {
    return RGB(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
               static_cast<int>(p & 0xFF));
}

}  // namespace glint

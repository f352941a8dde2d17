#pragma once
// Non-owning views on 32-bit pixel rows (0xAARRGGBB words).
#include <cstddef>
#include <cstdint>

namespace glint {

struct ConstPixelView {
    const std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::ptrdiff_t stride = 0;  // in pixels, from one row to the next

    const std::uint32_t* row(std::int32_t y) const { return pixels + stride * y; }
};

struct PixelView {
    std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::ptrdiff_t stride = 0;

    std::uint32_t* row(std::int32_t y) const { return pixels + stride * y; }
    operator ConstPixelView() const { return {pixels, width, height, stride}; }
};

}  // namespace glint

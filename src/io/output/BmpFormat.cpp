#include "BmpFormat.h"

#include <bit>
#include <cstring>

namespace glint {
namespace {

constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dpi
constexpr std::uint32_t kColourBits = 0xffffff;
static_assert(std::endian::native == std::endian::little, "rows are packed for little-endian");

void put16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xff);
    at[1] = static_cast<char>(v >> 8);
}
void put32(char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

}  // namespace

std::array<char, kBmpHeaderBytes> bmpHeaders(std::int32_t width, std::int32_t height,
                                             BmpRowOrder order) {
    std::array<char, kBmpHeaderBytes> h{};
    const auto imageBytes = static_cast<std::uint32_t>(bmpStride(width) * height);
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], static_cast<std::uint32_t>(kBmpHeaderBytes) + imageBytes);  // file size
    put32(&h[10], static_cast<std::uint32_t>(kBmpHeaderBytes));              // pixel data offset
    put32(&h[14], kInfoHeaderBytes);
    put32(&h[18], static_cast<std::uint32_t>(width));
    // A positive height: rows stored bottom-up; a negative one: top-down.
    put32(&h[22], static_cast<std::uint32_t>(order == BmpRowOrder::TopDown ? -height : height));
    put16(&h[26], 1);  // planes
    put16(&h[28], kBitsPerPixel);
    put32(&h[30], 0);  // uncompressed
    put32(&h[34], imageBytes);
    put32(&h[38], static_cast<std::uint32_t>(kPixelsPerMetre));
    put32(&h[42], static_cast<std::uint32_t>(kPixelsPerMetre));
    return h;  // no palette, all colours important
}

// Four pixels at a time as one 8-byte and one 4-byte store. The words are built in registers:
// assembling them in memory first stalls on store forwarding and is several times slower.
void packBmpRow(const std::uint32_t* pixels, std::int32_t width, char* out) {
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, out += 12) {
        const std::uint64_t p0 = pixels[x] & kColourBits;
        const std::uint64_t p1 = pixels[x + 1] & kColourBits;
        const std::uint64_t p2 = pixels[x + 2] & kColourBits;
        const std::uint32_t p3 = pixels[x + 3] & kColourBits;
        const std::uint64_t low = p0 | p1 << 24 | p2 << 48;
        const std::uint32_t high = static_cast<std::uint32_t>(p2 >> 16) | p3 << 8;
        std::memcpy(out, &low, sizeof low);
        std::memcpy(out + sizeof low, &high, sizeof high);
    }
    for (; x < width; ++x) {
        const std::uint32_t p = pixels[x];
        *out++ = static_cast<char>(p & 0xff);          // blue
        *out++ = static_cast<char>((p >> 8) & 0xff);   // green
        *out++ = static_cast<char>((p >> 16) & 0xff);  // red
    }
    const std::int64_t padding = bmpStride(width) - std::int64_t{width} * 3;
    std::memset(out, 0, static_cast<std::size_t>(padding));
}

}  // namespace glint

#include "BmpHeader.h"

namespace glint {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;  // 16-bit sizes, 3-byte palette entries
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kOs2HeaderBytes = 64;   // the 40 bytes' fields, then its own
constexpr std::uint32_t kMaxHeaderBytes = 124;  // the fifth version
constexpr std::uint32_t kAlphaMaskInHeader = 56;

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

std::uint32_t u32(QByteArrayView b, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
std::uint16_t u16(QByteArrayView b, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool fail(std::string& why, const char* text) {
    why = text;
    return false;
}

// A mask's set bits must lie side by side: each channel is one number.
bool contiguous(std::uint32_t mask) {
    if (mask == 0) return true;
    while ((mask & 1u) == 0) mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

bool readMasks(QByteArrayView file, qsizetype infoAt, std::uint32_t infoSize,
               std::uint32_t compression, BmpHeader& h, std::string& why) {
    if (compression == kRgb) {  // fixed layouts: 5-5-5 and 8-8-8 with an unused top byte
        h.masks = h.bits == 16 ? std::array<std::uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0}
                               : std::array<std::uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0};
        return true;
    }
    // Masks stand in the header from its 52-byte version on, else right after it.
    const qsizetype at = infoAt + kInfoHeaderBytes;
    const int count = compression == kAlphaBitFields || infoSize >= kAlphaMaskInHeader ? 4 : 3;
    if (file.size() < at + 4 * count) return fail(why, "bitmap header is cut short");
    for (int i = 0; i < count; ++i) h.masks[i] = u32(file, at + 4 * i);
    if (infoSize == kInfoHeaderBytes) h.paletteOffset += 4 * count;
    for (std::uint32_t m : h.masks)
        if (!contiguous(m)) return fail(why, "bitmap colour mask is not one run of bits");
    return true;
}

bool readLayout(std::uint32_t compression, BmpHeader& h, std::string& why) {
    switch (compression) {
        case kRgb:
            if (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8) {
                h.layout = BmpPixelStorage::Indexed;
            } else if (h.bits == 24) {
                h.layout = BmpPixelStorage::Rgb24;
            } else if (h.bits == 16 || h.bits == 32) {
                h.layout = BmpPixelStorage::Masked;
            } else {
                return fail(why, "bitmap has an unknown number of bits per pixel");
            }
            return true;
        case kRle8:
        case kRle4:
            if (h.bits != (compression == kRle8 ? 8 : 4))
                return fail(why, "run-length bitmap has the wrong number of bits per pixel");
            h.layout =
                compression == kRle8 ? BmpPixelStorage::RunLength8 : BmpPixelStorage::RunLength4;
            return true;
        case kBitFields:
        case kAlphaBitFields:
            if (h.bits != 16 && h.bits != 32)
                return fail(why, "bit-field bitmap has the wrong number of bits per pixel");
            h.layout = BmpPixelStorage::Masked;
            return true;
        default:
            return fail(why, "bitmap compression is not supported");
    }
}

// The info header at `infoAt` of `file` (fileSize bytes in all), the masks and palette after
// it; `dataOffset` is where the pixels start, 0 for right after the palette.
bool readInfoHeader(QByteArrayView file, qsizetype infoAt, std::uint32_t dataOffset,
                    std::int64_t fileSize, BmpHeader& h, std::string& why) {
    const std::uint32_t infoSize = u32(file, infoAt);
    if (infoSize != kCoreHeaderBytes && (infoSize < kInfoHeaderBytes || infoSize > kMaxHeaderBytes))
        return fail(why, "bitmap header has an unknown size");
    if (file.size() < infoAt + infoSize) return fail(why, "bitmap header is cut short");

    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    int planes = 0;
    if (infoSize == kCoreHeaderBytes) {
        h.width = u16(file, infoAt + 4);
        h.height = u16(file, infoAt + 6);
        planes = u16(file, infoAt + 8);
        h.bits = u16(file, infoAt + 10);
        h.paletteEntryBytes = 3;
    } else {
        h.width = static_cast<std::int32_t>(u32(file, infoAt + 4));
        const std::int64_t height = static_cast<std::int32_t>(u32(file, infoAt + 8));
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        planes = u16(file, infoAt + 12);
        h.bits = u16(file, infoAt + 14);
        compression = u32(file, infoAt + 16);
        colorsUsed = u32(file, infoAt + 32);
        // The 64-byte header of the other system numbers its compressions its own way.
        if (infoSize == kOs2HeaderBytes && compression > kRle4)
            return fail(why, "bitmap compression is not supported");
    }
    if (planes != 1) return fail(why, "bitmap has more than one plane");
    if (h.width < 0) return fail(why, "bitmap has a negative width");
    if (!readLayout(compression, h, why)) return false;
    h.paletteOffset = infoAt + infoSize;
    if (h.layout == BmpPixelStorage::Masked &&
        !readMasks(file, infoAt, infoSize, compression, h, why))
        return false;

    h.dataOffset = dataOffset;
    if (h.bits <= 8) {
        const std::uint32_t most = 1u << h.bits;
        if (colorsUsed > most) return fail(why, "bitmap palette is larger than its pixels can use");
        std::int64_t entries = colorsUsed != 0 ? colorsUsed : most;
        // Some writers store fewer entries than the pixels could use, up to the pixel data.
        if (h.dataOffset > h.paletteOffset)
            entries = std::min(entries, (h.dataOffset - h.paletteOffset) / h.paletteEntryBytes);
        h.paletteEntries = static_cast<int>(entries);
        if (h.paletteOffset + entries * h.paletteEntryBytes > file.size())
            return fail(why, "bitmap palette is cut short");
    }
    // A zero offset is read as "right after the palette".
    if (h.dataOffset == 0) h.dataOffset = h.paletteOffset + h.paletteEntries * h.paletteEntryBytes;
    if (h.dataOffset < h.paletteOffset) return fail(why, "bitmap pixel data overlaps its header");
    const bool empty = h.width == 0 || h.height == 0;
    if (h.dataOffset >= fileSize && !empty) return fail(why, "bitmap has no pixel data");
    return true;
}

}  // namespace

bool isBmp(QByteArrayView head) { return head.size() >= 2 && head[0] == 'B' && head[1] == 'M'; }

bool readBmpHeader(QByteArrayView file, BmpHeader& h, std::string& why) {
    return readBmpHeader(file, file.size(), h, why);
}

bool readBmpHeader(QByteArrayView file, std::int64_t fileSize, BmpHeader& h, std::string& why) {
    if (file.size() < kFileHeaderBytes + 4 || !isBmp(file)) return fail(why, "not a bitmap");
    return readInfoHeader(file, kFileHeaderBytes, u32(file, 10), fileSize, h, why);
}

bool readDibHeader(QByteArrayView dib, BmpHeader& h, std::string& why) {
    if (dib.size() < 4) return fail(why, "bitmap header is cut short");
    return readInfoHeader(dib, 0, 0, dib.size(), h, why);
}

}  // namespace glint

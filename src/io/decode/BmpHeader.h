#pragma once
// The headers of a Windows bitmap (.bmp, .rle; the core, 40-byte and later info headers),
// read and checked before any pixel is decoded.
#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <string>

namespace glint {

enum class BmpPixelStorage { Indexed, Rgb24, Masked, RunLength8, RunLength4 };

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;  // always positive; topDown tells the row order
    bool topDown = false;
    int bits = 0;
    BmpPixelStorage layout = BmpPixelStorage::Indexed;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha (0: no alpha) for Masked
    std::int64_t paletteOffset = 0;
    int paletteEntries = 0;
    int paletteEntryBytes = 4;  // 3 in the core header
    std::int64_t dataOffset = 0;
};

// True when `head` starts with a bitmap's file header.
bool isBmp(QByteArrayView head);

// Reads the headers of `file`. On failure `why` says what is wrong. A zero width or height
// is read without complaint (the loader reports empty pictures itself).
bool readBmpHeader(QByteArrayView file, BmpHeader& header, std::string& why);
// The same from `head`, the first bytes of a file of `fileSize` bytes; the headers and the
// palette must lie within `head`.
bool readBmpHeader(QByteArrayView head, std::int64_t fileSize, BmpHeader& header, std::string& why);
// The header of a device-independent bitmap: a bitmap file without its 14-byte file header,
// the pixels right after the palette (as icons hold them). Offsets in `header` count from the
// start of `dib`.
bool readDibHeader(QByteArrayView dib, BmpHeader& header, std::string& why);

}  // namespace glint

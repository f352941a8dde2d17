#pragma once
// What the picture loader accepts. Picture files are untrusted input: a header can claim any
// size, so sizes are checked before any pixel memory is taken.
#include <cstdint>

namespace glint {

// Longest side of a picture, in pixels.
inline constexpr std::int32_t kMaxPictureSide = 30000;
// Most pixels of a picture: 128 Mi (512 MiB at 32 bits), so a 12000 x 9000 photo loads.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 27;
// Memory the image reader may take for one picture, in MiB (pixels plus decoder slack).
inline constexpr int kReaderAllocationLimitMiB = 640;
// Largest file that is read at all.
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{1} << 30;
// Most pixels a metafile is drawn at: 16 Mi (64 MiB at 32 bits, e.g. 4096 x 4096). A drawing
// whose frame is larger is drawn smaller, keeping its shape: a few kilobytes of drawing
// commands must not cost gigabytes of pixels.
inline constexpr std::int64_t kMaxMetafilePixels = std::int64_t{1} << 24;
// Largest metafile handed to the metafile converter.
inline constexpr std::int64_t kMaxMetafileBytes = std::int64_t{256} << 20;

// True for a picture without pixels (a header may say 20 x 0).
constexpr bool pictureIsEmpty(std::int64_t width, std::int64_t height) {
    return width == 0 || height == 0;
}

// Address space that AddressSanitizer reserves when a program starts (its shadow memory and
// allocator region, 20 TiB on x86-64). Sanitized builds add it to the address-space limit of
// the helper processes, which could not even start under the plain limit; what a helper uses
// itself stays limited.
#ifdef GLINT_SANITIZED
inline constexpr std::int64_t kSanitizerAddressSpace = std::int64_t{20} << 40;
#else
inline constexpr std::int64_t kSanitizerAddressSpace = 0;
#endif

// True when a picture of this size may be decoded.
constexpr bool pictureSizeAccepted(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

}  // namespace glint

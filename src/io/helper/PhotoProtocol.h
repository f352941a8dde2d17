#pragma once
// What the photo helper (glintwork-photo FILE) writes to its standard output for a decoded
// picture: the magic, then width, height and flags as 32-bit unsigned numbers in host order,
// then width * height 0xAARRGGBB pixels (not premultiplied), row after row from the top, host
// order. The picture is already upright. A failure is one of the exit codes below and no (or
// an incomplete) output.
#include <cstdint>

namespace glint {

inline constexpr char kPhotoMagic[4] = {'G', 'L', 'P', 'H'};
inline constexpr int kPhotoHeaderBytes = 16;
// Flag: the picture has transparency (otherwise every alpha byte is 0xff).
inline constexpr std::uint32_t kPhotoHasAlpha = 1;

enum PhotoExit : int {
    kPhotoExitOk = 0,
    kPhotoExitUsage = 2,
    kPhotoExitUnreadable = 3,  // the file could not be read
    kPhotoExitDamaged = 4,     // not a picture the decoders read, or damaged
    kPhotoExitTooLarge = 5,    // the header gives a size the loader does not accept
    kPhotoExitNotWritten = 6,  // the output could not be written
};

}  // namespace glint

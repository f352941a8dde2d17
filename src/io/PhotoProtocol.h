#pragma once
// What the photo helper (glintwork-photo FILE) writes to its standard output for a decoded
// picture: the magic, then width, height and flags as 32-bit unsigned numbers in host order,
// then width * height 0xAARRGGBB pixels (not premultiplied), row after row from the top, host
// order. The picture is already upright. A failure is one of the exit codes below and no (or
// an incomplete) output, except for kPhotoExitUnsupported, whose output is a note: the note's
// magic, the length of its text as a 32-bit unsigned number in host order, and the text, a
// short English phrase that names the variant ("a HEIF with an AVC-coded image").
#include <cstdint>

namespace glint {

inline constexpr char kPhotoMagic[4] = {'G', 'L', 'P', 'H'};
inline constexpr int kPhotoHeaderBytes = 16;
// Flag: the picture has transparency (otherwise every alpha byte is 0xff).
inline constexpr std::uint32_t kPhotoHasAlpha = 1;
inline constexpr char kPhotoNoteMagic[4] = {'G', 'L', 'P', 'N'};
inline constexpr std::uint32_t kPhotoNoteMaxBytes = 256;

enum PhotoExit : int {
    kPhotoExitOk = 0,
    kPhotoExitUsage = 2,
    kPhotoExitUnreadable = 3,   // the file could not be read
    kPhotoExitDamaged = 4,      // damaged, or no picture of these formats at all
    kPhotoExitTooLarge = 5,     // the header gives a size the loader does not accept
    kPhotoExitNotWritten = 6,   // the output could not be written
    kPhotoExitUnsupported = 7,  // a well-formed file of a variant that no decoder here reads
    kPhotoExitEmpty = 8,        // the header gives a side of 0
};

}  // namespace glint

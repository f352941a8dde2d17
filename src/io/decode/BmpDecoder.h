#pragma once
// Windows bitmaps (.bmp, .rle), decoded straight into the 32-bit layout the engine reads.
// Which doubtful bitmaps count as damage is listed in DamageRules.h.
#include "BmpHeader.h"
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kBmpDecoder;

// Decodes the pixels that `header` (read from `dib`, offsets counting from its start) describes
// into `picture`, of the header's size in Format_RGB32 or Format_ARGB32. For the bitmaps that
// other formats hold (icons); the same checks as for a bitmap file.
Status decodeBmpPixels(QByteArrayView dib, const BmpHeader& header, QImage& picture);

}  // namespace glint

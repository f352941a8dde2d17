#pragma once
// Netpbm pictures: pbm, pgm and ppm in their plain (P1..P3) and raw (P4..P6) forms, and PAM (P7)
// with the tuple types BLACKANDWHITE, GRAYSCALE, RGB and their _ALPHA forms. Samples of any
// maximum value up to 65535 (16-bit samples above 255) are scaled to 0..255, rounded to the
// nearest value. Which doubtful files count as damage is listed in DamageRules.h.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kPnmDecoder;

// Decodes the picture that starts at the current position of `device` and leaves the device at
// the first byte after it: in a stream of pictures one after the other (a pipe from
// `ffmpeg -f image2pipe -c:v ppm`), at the next picture's first byte. A plain picture's white
// space after its last sample is read with it. On a sequential device (a pipe, a process) it
// waits for data as long as the device can deliver more. `picture` is Format_RGB32, or
// Format_ARGB32 for a PAM with alpha; on failure it is left as it was.
Status readPnmPicture(QIODevice& device, QImage& picture);

}  // namespace glint

#pragma once
// X bitmaps (.xbm): C source that gives the width and height as #defines and the pixels as an
// array of char (X11) or short (X10) values, each row padded to whole values, the lowest bit
// leftmost; a set bit is black, a clear one white. The values are counted before the picture
// is made, so a short file cannot claim a large picture. Which doubtful files count as damage
// is listed in DamageRules.h.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kXbmDecoder;

}  // namespace glint

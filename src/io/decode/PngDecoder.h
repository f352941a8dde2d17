#pragma once
// PNG files, decoded with libpng straight into the 32-bit layout the engine reads, whatever
// their colour type and depth (palette, grey, 16 bits, interlaced). Any error in the image
// data or a missing end chunk fails the load; damage in ancillary chunks, which carry no
// pixels, does not.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kPngDecoder;

}  // namespace glint

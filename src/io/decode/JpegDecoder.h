#pragma once
// JPEG files, decoded with libjpeg straight into the 32-bit layout the engine reads.
// Every warning the library gives about the data (a cut scan, a bad code, extra bytes
// between markers) fails the load, so a damaged photo never opens half grey.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kJpegDecoder;

}  // namespace glint

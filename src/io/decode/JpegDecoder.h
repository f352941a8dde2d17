#pragma once
// JPEG files, decoded with libjpeg straight into the 32-bit layout the engine reads.
// Every warning the library gives about lost or corrupt pixels (a cut scan, a bad code) fails
// the load, so a damaged photo never opens half grey; warnings that cost no pixel (stray bytes
// between segments) do not: both lists are in DamageRules.h. A variant that libjpeg-turbo does
// not decode (12-bit, lossless, hierarchical) is refused as unsupported, naming the variant.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kJpegDecoder;

}  // namespace glint

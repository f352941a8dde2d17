#pragma once
// GIF files: the first frame on the logical screen, decoded with giflib straight into the
// 32-bit layout the engine reads. The file must be whole: a frame whose data ends early, a
// record cut short or a missing trailer fails the load, as does a pixel past the colour table.
// The screen outside the first frame shows the background colour, or is transparent when the
// frame has a transparent colour. A frame whose LZW codes start wider than giflib's
// (minimum code size 9 to 11, see DamageRules.h) is refused as unsupported.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kGifDecoder;

}  // namespace glint

#pragma once
// Icons and cursors (.ico, .cur): the first image of the directory, which is what the program
// has always shown. A bitmap image is decoded with the bitmap decoder's code and its AND mask
// applied; a PNG image is decoded by the PNG decoder once its size is accepted. Transparent
// pixels (the mask's, or the image's own alpha) give a Format_ARGB32 picture. Which doubtful
// icons count as damage is listed in DamageRules.h.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kIcoDecoder;

}  // namespace glint

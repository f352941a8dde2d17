#pragma once
// Reads the first frame (or every frame) of a JPEG XL file from memory through libjxl, with its
// orientation applied.
#include <cstdint>
#include <span>

#include "common/DecodedPhoto.h"

namespace glint::photo {

// On Ok `photo` holds the picture, deeper samples rounded once to 8 bits. Opens no file. With
// `allFrames`, every frame of an animation as shown (the decoder's coalesced frames), one
// after the other in the pixels, with their delays and the loop count.
PhotoOutcome readJxl(std::span<const std::uint8_t> file, DecodedPhoto& photo,
                     bool allFrames = false);

}  // namespace glint::photo

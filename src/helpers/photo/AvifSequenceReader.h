#pragma once
// Reads the first frame (or every frame) of an AVIF image sequence from memory through libavif:
// libheif 1.15 reads still images only, and a sequence need not hold one.
#include <cstdint>
#include <span>

#include "common/DecodedPhoto.h"

namespace glint::photo {

// On Ok `photo` holds the first frame, deeper samples rounded once to 8 bits; with `allFrames`
// every frame, one after the other in the pixels, with their durations and the loop count.
// Opens no file.
PhotoOutcome readAvifSequence(std::span<const std::uint8_t> file, DecodedPhoto& photo,
                              bool allFrames = false);

}  // namespace glint::photo

#pragma once
// Reads the first frame of an AVIF image sequence from memory through libavif: libheif 1.15
// reads still images only, and a sequence need not hold one.
#include <cstdint>
#include <span>

#include "common/DecodedPhoto.h"

namespace glint::photo {

// On Ok `photo` holds the first frame, deeper samples rounded once to 8 bits. Opens no file.
PhotoOutcome readAvifSequence(std::span<const std::uint8_t> file, DecodedPhoto& photo);

}  // namespace glint::photo

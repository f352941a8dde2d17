#pragma once
// Reads the first frame of a JPEG XL file from memory through libjxl, with its orientation
// applied.
#include <cstdint>
#include <span>

#include "common/DecodedPhoto.h"

namespace glint::photo {

// On Ok `photo` holds the picture, deeper samples rounded once to 8 bits. Opens no file.
PhotoOutcome readJxl(std::span<const std::uint8_t> file, DecodedPhoto& photo);

}  // namespace glint::photo

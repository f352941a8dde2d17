#pragma once
// Reads a HEIF file (HEIC, AVIF) from memory: its primary image through libheif, with its
// rotation, mirroring and cropping applied, or, for an AVIF image sequence without a still
// image, the sequence's first frame.
#include <cstdint>
#include <span>
#include <string>

#include "common/DecodedPhoto.h"

namespace glint::photo {

// On Ok `photo` holds the picture; on Unsupported `what` names the variant ("a HEIF with an
// AVC-coded image"). Opens no file.
PhotoOutcome readHeif(std::span<const std::uint8_t> file, DecodedPhoto& photo, std::string& what);

}  // namespace glint::photo

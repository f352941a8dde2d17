#pragma once
// What the boxes of a HEIF file say before any decoder reads it: whether it holds still images
// or only an image sequence, and whether its picture is coded in a way that no decoder of this
// installation reads (so that such a file is reported as unsupported, not as damaged).
#include <cstdint>
#include <span>
#include <string>

namespace glint::photo {

struct HeifLayout {
    bool still = false;     // a meta box: the images that libheif reads
    bool sequence = false;  // a movie box: an image sequence
    // The variant that this installation cannot decode, as a short phrase ("a HEIF with an
    // AVC-coded image"); empty when there is none, and when the boxes are damaged.
    std::string unsupported;
};

// Reads the box structure only: no decoder runs and nothing outside `file` is read.
HeifLayout heifLayout(std::span<const std::uint8_t> file);

}  // namespace glint::photo

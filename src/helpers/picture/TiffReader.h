#pragma once
// The first page of a TIFF held in memory, read through libtiff for the picture helper
// (glintwork-picture). libtiff never opens a file or a path here: it reads the caller's bytes.
// libtiff is the judge of the data: any error it reports, and any warning it gives while it
// decodes the pixels (a cut strip, a bad fax code), fails the read; nothing it says reaches
// standard error.
//
// Grey (min-is-black and min-is-white, 1 to 16 bits), RGB and CMYK (8 and 16 bits) are
// converted here, with an alpha channel associated (premultiplied) or not, chunky or in planes,
// in strips or tiles: samples deeper than 8 bits are rounded to the nearest 8-bit value,
// premultiplied colours are divided by their alpha before that, and CMYK becomes RGB as
// (1 - C)(1 - K) and so on, rounded. Palette, YCbCr, CIE L*a*b* and the other colour models go
// through libtiff's RGBA interface. The picture is returned as stored: the orientation tag is
// left to the loader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/DecodedPhoto.h"

namespace glint::picture {

// How a read ended: Damaged, not a TIFF or libtiff reported an error; Unsupported, a
// well-formed variant that cannot be decoded here; TooLarge, over the loader's size limits
// (LoadLimits.h), refused before decoding; Empty, a side of 0 pixels.
using TiffOutcome = photo::PhotoOutcome;

struct TiffResult {
    TiffOutcome outcome = TiffOutcome::Damaged;
    // Damaged: libtiff's first complaint; Unsupported: a short phrase naming the variant
    // ("a TIFF of 32-bit floating-point samples"); empty otherwise.
    std::string detail;
};

// Decodes the first page of the TIFF in `data` (`size` bytes). On Ok, `photo` holds its width,
// height, whether any pixel is not opaque, and 0xAARRGGBB pixels, not premultiplied, row after
// row from the first stored row (into the memory its pixels' provider hands out, if any).
// Otherwise `photo` may hold part of the picture.
TiffResult readTiff(const std::uint8_t* data, std::size_t size, photo::DecodedPhoto& photo);

}  // namespace glint::picture

#pragma once
// A check the MNG reader leaves out: libmng shows an image whose compressed data ends early
// with its missing rows blank, as if the picture were whole. Here every PNG image embedded in
// an MNG (IHDR ... IDAT ... IEND) has its data inflated and counted against what its header
// needs. Delta images and JNG images are not looked at.
#include <cstdint>
#include <span>

namespace glint::picture {

// False when an embedded image's data is cut or its zlib stream is damaged.
bool mngImagesComplete(std::span<const std::uint8_t> file);

}  // namespace glint::picture

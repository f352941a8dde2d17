#pragma once
// Reads the primary image of a HEIF file (HEIC, AVIF) through libheif, with its rotation,
// mirroring and cropping applied.
#include "DecodedPhoto.h"

namespace glint::photo {

// One of the PhotoExit codes; on kPhotoExitOk `photo` holds the picture.
int readHeif(const char* path, DecodedPhoto& photo);

}  // namespace glint::photo

#pragma once
// Reads the first frame of a JPEG XL file through libjxl, with its orientation applied.
#include "DecodedPhoto.h"

namespace glint::photo {

// One of the PhotoExit codes; on kPhotoExitOk `photo` holds the picture.
int readJxl(const char* path, DecodedPhoto& photo);

}  // namespace glint::photo

// The picture helper's TIFF reader on any bytes: a picture it reads is whole and within the
// limits (after a failure the picture may hold part of what was read; the helper sends none).
#include "FuzzSupport.h"
#include "helpers/picture/TiffReader.h"
#include "io/decode/LoadLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    photo::DecodedPhoto photo;
    const picture::TiffResult result = picture::readTiff(data, size, photo);
    if (result.outcome != picture::TiffOutcome::Ok) return 0;
    fuzz::require(pictureSizeAccepted(photo.width, photo.height), "an accepted size");
    fuzz::require(photo.pixels.size() == static_cast<std::size_t>(photo.width * photo.height),
                  "every pixel");
    return 0;
}

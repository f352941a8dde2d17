// The metafile helper's drawing, from any file: a drawing is an opaque 32-bit picture within
// the metafile drawing limit, or nothing.
#include "FuzzSupport.h"
#include "MetafileConversion.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/MetafileProbe.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    glint::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Large drawings cost only time: the drawing limit has tests of its own.
    const QSize declared = metafileSize(bytes.left(kMetafileProbeBytes));
    if (declared.isValid() &&
        std::int64_t{declared.width()} * declared.height() > fuzz::kMaxFuzzDrawPixels)
        return 0;
    const std::optional<QImage> drawing = drawMetafile(bytes);
    if (!drawing) return 0;
    fuzz::require(drawing->format() == QImage::Format_RGB32, "an opaque picture");
    fuzz::require(std::int64_t{drawing->width()} * drawing->height() <= kMaxMetafilePixels,
                  "within the metafile drawing limit");
    return 0;
}

// What the loader makes of the metafile helper's standard output, whatever the helper wrote.
#include <cstring>

#include "FuzzSupport.h"
#include "io/LoadLimits.h"
#include "io/MetafileDecoder.h"
#include "io/MetafileProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    const QByteArray output(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QImage picture;
    if (MetafileDecoder::pictureFromOutput(output, picture).failed()) {
        glint::fuzz::require(picture.isNull(), "a failure leaves the picture as it was");
        return 0;
    }
    const std::int64_t pixels = std::int64_t{picture.width()} * picture.height();
    fuzz::require(pictureSizeAccepted(picture.width(), picture.height()), "an accepted size");
    fuzz::require(output.size() == kMetafileHeaderBytes + pixels * 4, "every pixel was given");
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            std::uint32_t given = 0;
            std::memcpy(&given, output.constData() + kMetafileHeaderBytes +
                                    (std::int64_t{y} * picture.width() + x) * 4,
                        sizeof given);
            fuzz::require(line[x] == (given | 0xff000000u), "each pixel as given, opaque");
        }
    }
    return 0;
}

// LoadPicture on one family of the formats the loader decodes itself, chosen by content as the
// loader does; the family's names in the format table come in GLINT_FUZZ_FORMATS ("bmp").
// Inputs of other formats are rejected so that each harness keeps a corpus of its own family.

#include "FuzzSupport.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/PictureFormats.h"
#include "io/decode/PictureLoader.h"

namespace {

using namespace glint;

bool inFamily(const QByteArray& bytes) {
    static const QList<QByteArray> family = QByteArray(GLINT_FUZZ_FORMATS).split(' ');
    const PictureFormat& format = pictureFormatFor(bytes.left(kFormatProbeBytes));
    if (format.decodedBy != DecodedBy::Loader || !family.contains(format.name)) return false;
    const QSize size = format.decoder->headerSize(bytes);
    return !size.isValid() || std::int64_t{size.width()} * size.height() <= fuzz::kMaxFuzzPixels;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!inFamily(bytes)) return -1;
    static const QString file = fuzz::scratchPath(QStringLiteral("input"));
    fuzz::writeScratch(file, bytes);

    const QImage before(1, 1, QImage::Format_RGB32);
    QImage picture = before;
    if (LoadPicture(file, picture).failed()) {
        fuzz::require(picture.constBits() == before.constBits(), "a failed load keeps the picture");
        return 0;
    }
    fuzz::require(pictureSizeAccepted(picture.width(), picture.height()), "an accepted size");
    fuzz::require(
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32,
        "a 32-bit picture");
    return 0;
}

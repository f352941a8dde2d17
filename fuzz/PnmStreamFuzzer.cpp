// Netpbm pictures read one after the other from a stream (readPnmPicture), as from a video
// pipe: every picture read is whole and within the limits, and each read moves on.
#include <QBuffer>

#include "FuzzSupport.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/PnmDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!kPnmDecoder.recognises(bytes)) return -1;
    const QSize first = kPnmDecoder.headerSize(bytes);
    if (first.isValid() && std::int64_t{first.width()} * first.height() > fuzz::kMaxFuzzPixels)
        return -1;
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    for (;;) {
        const qint64 before = stream.pos();
        QImage picture;
        if (readPnmPicture(stream, picture).failed()) break;
        fuzz::require(stream.pos() > before, "a picture read moves the stream on");
        fuzz::require(pictureSizeAccepted(picture.width(), picture.height()), "an accepted size");
        fuzz::require(
            picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32,
            "a 32-bit picture");
    }
    return 0;
}

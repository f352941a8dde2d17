// What the loader makes of the metafile helper's standard output, whatever the helper wrote
// and however the pipe splits it: the first byte is the size of the pieces.
#include <QBuffer>
#include <cstring>

#include "FuzzSupport.h"
#include "io/helper/MetafileOutputReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    fuzz::FuzzInput in(data, size);
    const auto piece = static_cast<qsizetype>(in.inRange(1, 256));
    const QByteArray output = in.rest();
    MetafileOutputReader reader;
    bool accepted = true;
    for (qsizetype at = 0; at < output.size() && accepted; at += piece) {
        QBuffer pipe;
        pipe.setData(output.mid(at, piece));
        pipe.open(QIODevice::ReadOnly);
        accepted = reader.readFrom(pipe);
    }
    const bool complete = accepted && reader.complete();
    const QImage picture = reader.takePicture();
    fuzz::require(picture.isNull() != complete, "a picture exactly when the output is whole");
    if (!complete) return 0;
    const qsizetype pixels = qsizetype{picture.width()} * picture.height();
    fuzz::require(output.size() == kMetafileHeaderBytes + pixels * 4, "every pixel was given");
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            std::uint32_t given = 0;
            std::memcpy(&given, output.constData() + kMetafileHeaderBytes +
                                    (qsizetype{y} * picture.width() + x) * 4,
                        sizeof given);
            fuzz::require(line[x] == (given | 0xff000000u), "each pixel as given, opaque");
        }
    }
    return 0;
}

#include "RasterDecoders.h"

#include "BmpDecoder.h"
#include "GifDecoder.h"
#include "JpegDecoder.h"
#include "PngDecoder.h"

namespace glint {

const RasterDecoder* rasterDecoderFor(QByteArrayView head) {
    for (const RasterDecoder* decoder : {&kJpegDecoder, &kPngDecoder, &kBmpDecoder, &kGifDecoder})
        if (decoder->recognises(head)) return decoder;
    return nullptr;
}

QSize rasterHeaderSize(const RasterDecoder& decoder, QIODevice& file) {
    if (!file.seek(0)) return kUnknownSize;
    QByteArray head = file.read(kRasterHeaderFirstBytes);
    QSize size = decoder.headerSize(head);
    if (size == kUnknownSize && head.size() == kRasterHeaderFirstBytes) {
        head += file.read(kRasterHeaderSearchBytes - kRasterHeaderFirstBytes);
        size = decoder.headerSize(head);
    }
    return size;
}

}  // namespace glint

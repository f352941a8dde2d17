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

}  // namespace glint

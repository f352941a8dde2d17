#include "RasterDecoders.h"

#include "BmpDecoder.h"
#include "GifDecoder.h"
#include "JpegDecoder.h"

namespace glint {

const RasterDecoder* rasterDecoderFor(QByteArrayView head) {
    for (const RasterDecoder* decoder : {&kJpegDecoder, &kBmpDecoder, &kGifDecoder})
        if (decoder->recognises(head)) return decoder;
    return nullptr;
}

}  // namespace glint

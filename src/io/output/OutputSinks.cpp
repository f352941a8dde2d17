#include "OutputSinks.h"

#include "BmpPipeSink.h"
#include "JpegRowSink.h"
#include "PngRowSink.h"
#include "TiffRowSink.h"
#include "WebpRowSink.h"

namespace glint {

std::unique_ptr<RowSink> makeRowSink(OutputFormat format, QIODevice& device,
                                     const EncoderSettings& settings) {
    switch (format) {
        case OutputFormat::Png:
            return std::make_unique<PngRowSink>(effortOf(format, settings), device);
        case OutputFormat::Jpeg:
            return std::make_unique<JpegRowSink>(qualityOf(format, settings), device);
        case OutputFormat::Tiff:
            return std::make_unique<TiffRowSink>(effortOf(format, settings), device);
        case OutputFormat::Webp:
            return std::make_unique<WebpRowSink>(settings, device);
        case OutputFormat::Bmp:
            break;
    }
    return std::make_unique<BmpPipeSink>(device);
}

}  // namespace glint

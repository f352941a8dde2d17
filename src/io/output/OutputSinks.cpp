#include "OutputSinks.h"

#include "BmpPipeSink.h"
#include "GifFrameSink.h"
#include "JpegRowSink.h"
#include "PngRowSink.h"
#include "PpmRowSink.h"
#include "TiffPageSink.h"
#include "TiffRowSink.h"
#include "WebpAnimSink.h"
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
        case OutputFormat::Ppm:
            return std::make_unique<PpmRowSink>(device);
        case OutputFormat::Bmp:
            return std::make_unique<BmpPipeSink>(device);
        case OutputFormat::Gif:
            break;
    }
    return nullptr;
}

std::unique_ptr<FrameSink> makeFrameSink(OutputFormat format, QIODevice& device,
                                         const EncoderSettings& settings) {
    switch (format) {
        case OutputFormat::Gif:
            return std::make_unique<GifFrameSink>(device);
        case OutputFormat::Webp:
            return std::make_unique<WebpAnimSink>(settings, device);
        case OutputFormat::Tiff:
            return std::make_unique<TiffPageSink>(effortOf(format, settings), device);
        default:
            return nullptr;
    }
}

}  // namespace glint

#include "OutputSinks.h"

#include "BmpPipeSink.h"
#include "PngRowSink.h"

namespace glint {

std::unique_ptr<RowSink> makeRowSink(OutputFormat format, QIODevice& device) {
    if (format == OutputFormat::Png) return std::make_unique<PngRowSink>(device);
    if (format == OutputFormat::Bmp) return std::make_unique<BmpPipeSink>(device);
    return nullptr;  // not a streamed format
}

}  // namespace glint

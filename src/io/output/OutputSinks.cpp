#include "OutputSinks.h"

#include "BmpPipeSink.h"
#include "PngRowSink.h"
#include "StandardStreams.h"

namespace glint {

std::unique_ptr<RowSink> makeRowSink(OutputFormat format, const QString& output) {
    const bool toStdout = isStandardStream(output);
    if (format == OutputFormat::Png) {
        return toStdout ? std::make_unique<PngRowSink>(standardOutput())
                        : std::make_unique<PngRowSink>();
    }
    if (toStdout) return std::make_unique<BmpPipeSink>(standardOutput());
    return nullptr;  // bitmap files are written by BmpScanlineFile
}

}  // namespace glint

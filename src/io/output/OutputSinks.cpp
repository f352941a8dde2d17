#include "OutputSinks.h"

#include "BmpPipeSink.h"
#include "JpegRowSink.h"
#include "PngRowSink.h"
#include "StandardStreams.h"
#include "TiffRowSink.h"
#include "WebpRowSink.h"

namespace glint {

namespace {

// A sink of type Sink built from `setting`, writing to standard output or to a file.
template <typename Sink, typename Setting>
std::unique_ptr<RowSink> sinkFor(bool toStdout, const Setting& setting) {
    if (toStdout) return std::make_unique<Sink>(setting, standardOutput());
    return std::make_unique<Sink>(setting);
}

}  // namespace

std::unique_ptr<RowSink> makeRowSink(OutputFormat format, const QString& output,
                                     const EncoderSettings& settings) {
    const bool toStdout = isStandardStream(output);
    switch (format) {
        case OutputFormat::Png:
            return sinkFor<PngRowSink>(toStdout, effortOf(format, settings));
        case OutputFormat::Jpeg:
            return sinkFor<JpegRowSink>(toStdout, qualityOf(format, settings));
        case OutputFormat::Tiff:
            return sinkFor<TiffRowSink>(toStdout, effortOf(format, settings));
        case OutputFormat::Webp:
            return sinkFor<WebpRowSink>(toStdout, settings);
        case OutputFormat::Bmp:
            break;
    }
    if (toStdout) return std::make_unique<BmpPipeSink>(standardOutput());
    return nullptr;
}

}  // namespace glint

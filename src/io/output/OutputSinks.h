#pragma once
// The tool's own writer for an output, writing front to back into a device: an output file
// (which takes its target's name at commit) or standard output.
#include <QIODevice>
#include <memory>

#include "EncoderSettings.h"
#include "OutputFormat.h"
#include "RowSink.h"

namespace glint {

// The row sink for `format` with `settings`, writing into `device`. A bitmap goes out with its
// rows stored top-down (for standard output; BmpScanlineFile writes bitmap files).
std::unique_ptr<RowSink> makeRowSink(OutputFormat format, QIODevice& device,
                                     const EncoderSettings& settings);

}  // namespace glint

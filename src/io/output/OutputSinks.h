#pragma once
// The tool's own writers for an output, writing front to back into a device: an output file
// (which takes its target's name at commit) or standard output.
#include <QIODevice>
#include <memory>

#include "EncoderSettings.h"
#include "FrameSink.h"
#include "OutputFormat.h"
#include "RowSink.h"

namespace glint {

// The row sink for `format` with `settings`, writing into `device`; nothing for gif, whose
// frames go to a frame sink. A bitmap goes out with its rows stored top-down (for a device that
// cannot seek; BmpScanlineFile writes bitmap files).
std::unique_ptr<RowSink> makeRowSink(OutputFormat format, QIODevice& device,
                                     const EncoderSettings& settings);

// The frame sink for a format that holds frames (holdsFrames()), writing into `device`;
// nothing for the others.
std::unique_ptr<FrameSink> makeFrameSink(OutputFormat format, QIODevice& device,
                                         const EncoderSettings& settings);

}  // namespace glint

#pragma once
// The tool's own writer for an output: a file, or standard output for "-".
#include <QString>
#include <memory>

#include "EncoderSettings.h"
#include "OutputFormat.h"
#include "RowSink.h"

namespace glint {

// The row sink for `format` with `settings`; nothing for a bitmap file, which BmpScanlineFile
// writes (a bitmap on standard output goes out row by row through a sink).
std::unique_ptr<RowSink> makeRowSink(OutputFormat format, const QString& output,
                                     const EncoderSettings& settings);

}  // namespace glint

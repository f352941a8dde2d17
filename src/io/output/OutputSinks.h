#pragma once
// The streamed writer for an output: a file, or standard output for "-".
#include <QString>
#include <memory>

#include "OutputFormat.h"
#include "RowSink.h"

namespace glint {

// A sink for one of the streamed formats: png, or bmp on standard output (nothing for a bitmap
// file, which BmpScanlineFile writes).
std::unique_ptr<RowSink> makeRowSink(OutputFormat format, const QString& output);

}  // namespace glint

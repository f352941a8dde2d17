#pragma once
// The streamed writer for an output: an output file or standard output.
#include <QIODevice>
#include <memory>

#include "OutputFormat.h"
#include "RowSink.h"

namespace glint {

// A sink for one of the streamed formats that writes `format` front to back into `device`: png,
// or a bitmap with its rows stored top-down (for standard output; BmpScanlineFile writes bitmap
// files); nothing for the other formats.
std::unique_ptr<RowSink> makeRowSink(OutputFormat format, QIODevice& device);

}  // namespace glint

#pragma once
// The raster formats the loader decodes itself; every other one goes to Qt's image readers.
#include "RasterDecoder.h"

namespace glint {

// Bytes of a file's beginning that rasterDecoderFor() looks at.
inline constexpr int kRasterProbeBytes = 16;
// Bytes of a file's beginning searched for the size its header gives (a JPEG's frame header
// may follow metadata segments).
inline constexpr qint64 kRasterHeaderSearchBytes = qint64{256} << 10;

// The decoder for the file that `head` starts, or nullptr.
const RasterDecoder* rasterDecoderFor(QByteArrayView head);

}  // namespace glint

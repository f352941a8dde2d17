#pragma once
// The raster formats the loader decodes itself; every other one goes to Qt's image readers.
#include "RasterDecoder.h"

namespace glint {

// Bytes of a file's beginning that rasterDecoderFor() looks at.
inline constexpr int kRasterProbeBytes = 16;
// Bytes of a file's beginning searched for the size its header gives: a few first, more only
// when the header is not within them (a JPEG's frame header may follow metadata segments).
inline constexpr qint64 kRasterHeaderFirstBytes = qint64{16} << 10;
inline constexpr qint64 kRasterHeaderSearchBytes = qint64{256} << 10;

// The decoder for the file that `head` starts, or nullptr.
const RasterDecoder* rasterDecoderFor(QByteArrayView head);

// The picture's size as the header of `file` (read from its start, never mapped) gives it;
// kUnknownSize when it cannot be read or lies past the bytes searched.
QSize rasterHeaderSize(const RasterDecoder& decoder, QIODevice& file);

}  // namespace glint

#pragma once
// Bitmaps stored inside metafile records: a bitmap file without its 14-byte file header.
#include <QByteArray>
#include <QImage>

namespace glint {

// `body` (header, colours, pixels) decoded by Qt's bitmap reader, as Format_RGB32. Null when
// it cannot be decoded completely: an unknown header, colours or uncompressed rows missing,
// a side longer than 65535 pixels.
QImage decodeDib(const QByteArray& body);

}  // namespace glint

#pragma once
// LoadPicture: reads a picture file, deciding the format by content, not by extension.
#include <QImage>
#include <QString>
#include <functional>

#include "engine/Status.h"

namespace glint {

// Rows firstRow .. firstRow + rowCount - 1 of `picture` are decoded while the rest is still
// being decoded; `picture` is already in its final format. Only some decoders tell, and the
// picture counts only when LoadPicture succeeds.
using RowsDecoded = std::function<void(const QImage& picture, int firstRow, int rowCount)>;

// On success `picture` is a 32-bit image (Format_ARGB32 when the file has transparency,
// Format_RGB32 otherwise) at the file's own size. Fails for a file that cannot be opened or
// decoded, or that is larger than the program accepts; `picture` is then left as it was.
// `whileWaiting`, if set, is called again and again while a metafile is drawn by the helper
// process (a window keeps itself painted with it). `rowsDecoded`, if set, hears of rows as
// they are decoded.
Status LoadPicture(const QString& fileName, QImage& picture,
                   const std::function<void()>& whileWaiting = {},
                   const RowsDecoded& rowsDecoded = {});

}  // namespace glint

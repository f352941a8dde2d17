#pragma once
// Uncompressed 24-bit bitmaps, the most common kind, read straight into the 32-bit layout
// the engine reads: one pass over the file's rows, without the image reader's prefilled
// buffer and per-pixel conversion. Every byte value of such a file is a valid pixel, so the
// only damage it can have is missing rows, which the loader checks before.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSize>
#include <optional>

#include "PictureLoader.h"
#include "engine/Status.h"

namespace glint {

// The size of the uncompressed 24-bit bitmap that `head` (the file's first bytes, at least
// kPlainBmpHeadBytes) starts; nothing for any other file.
inline constexpr int kPlainBmpHeadBytes = 54;
std::optional<QSize> plainBmpSize(const QByteArray& head);

// Reads the bitmap that `head` (the file's first bytes) starts into `picture`
// (Format_RGB32), telling `rowsDecoded` (when set) about the rows as they are done. Nothing
// when the file is not an uncompressed 24-bit bitmap: the image reader then decodes it.
std::optional<Status> readPlainBmp(QFile& file, const QByteArray& head, QImage& picture,
                                   const RowsDecoded& rowsDecoded = {});

}  // namespace glint

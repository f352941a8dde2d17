#pragma once
// The size of a picture as its file's header gives it, without decoding the pixels: lets a
// caller refuse a picture whose result would be over a limit before any decoding is done.
#include <QSize>
#include <QString>

#include "PictureFile.h"

namespace glint {

// Width and height from the header as the picture is shown (sides swapped for a photo recorded
// turned a quarter); either may be 0 for an empty picture. QSize(-1, -1) when the file cannot
// be read or its header gives no size (formats read only by a helper process).
QSize pictureHeaderSize(const PictureFile& file);
QSize pictureHeaderSize(const QString& fileName);

}  // namespace glint

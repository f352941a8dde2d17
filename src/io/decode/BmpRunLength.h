#pragma once
// The run-length compressed pixels of 8- and 4-bit bitmaps.
#include <QByteArrayView>
#include <QImage>
#include <QRgb>
#include <vector>

#include "BmpHeader.h"
#include "engine/Status.h"

namespace glint {

// Decodes the runs of `file` into `picture` (already of the header's size). Pixels the runs
// skip take palette entry 0. Fails for runs that leave the picture, indexes past the palette
// and data that ends before the end-of-bitmap code.
Status decodeRunLength(QByteArrayView file, const BmpHeader& header,
                       const std::vector<QRgb>& palette, QImage& picture);

}  // namespace glint

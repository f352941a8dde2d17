#pragma once
// The picture helper's decoding through Qt's image readers, apart from the process around it
// (the fuzz harnesses run it in process).
#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <cstdint>
#include <functional>

#include "io/helper/HelperProtocol.h"

namespace glint::helper {

// Decodes `bytes` as `format` (a reader's name: "svg", "tiff", ...). `expectOutput` is told the
// size as soon as it is known, before the pixels are decoded (the helper sets its memory budget
// by it). On Outcome::Ok `image` is the picture at a size the loader accepts, in the format the
// reader gave it.
Outcome readWithQt(QByteArrayView bytes, const QByteArray& format, QImage& image,
                   const std::function<void(int width, int height)>& expectOutput);

// Writes `image` as 0xAARRGGBB pixels, not premultiplied, row after row, to `out`
// (width * height pixels), converting a band of rows at a time: no second whole picture.
void writeArgb32(const QImage& image, std::uint32_t* out);

}  // namespace glint::helper

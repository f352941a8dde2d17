#pragma once
// The picture helper's decoding through Qt's image readers, apart from the process around it
// (the fuzz harnesses run it in process).
#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <functional>

#include "io/helper/HelperProtocol.h"

namespace glint::helper {

// Decodes `bytes` as `format` (a reader's name: "svg", "tiff", ...). `expectOutput` is told the
// size as soon as it is known, before the pixels are decoded (the helper sets its memory budget
// by it). On Outcome::Ok `image` is Format_ARGB32 when it has transparency, else Format_RGB32,
// at a size the loader accepts.
Outcome readWithQt(QByteArrayView bytes, const QByteArray& format, QImage& image,
                   const std::function<void(int width, int height)>& expectOutput);

}  // namespace glint::helper

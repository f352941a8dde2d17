#pragma once
// The picture helper's decoding through Qt's image readers, apart from the process around it
// (the fuzz harnesses run it in process).
#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <cstdint>
#include <functional>
#include <vector>

#include "io/helper/HelperProtocol.h"

namespace glint::helper {

// Decodes `bytes` as `format` (a reader's name: "svg", "tiff", ...). `expectOutput` is told the
// size as soon as it is known, before the pixels are decoded (the helper sets its memory budget
// by it). On Outcome::Ok `image` is the picture at a size the loader accepts, in the format the
// reader gave it.
Outcome readWithQt(QByteArrayView bytes, const QByteArray& format, QImage& image,
                   const std::function<void(int width, int height)>& expectOutput);

// Every frame that the reader for `format` gives (an MNG's frames; one for a still picture),
// with the delays and loop count it tells (QImageReader's -1 for ever becomes 0). Frames of
// another size than the first are refused as damage; the frames together are bounded by the
// loader's limits. `expectOutput` is told the size and the frames so far before each frame is
// decoded.
Outcome readFramesWithQt(
    QByteArrayView bytes, const QByteArray& format, std::vector<QImage>& frames,
    std::vector<std::uint32_t>& delaysMs, std::uint32_t& loops,
    const std::function<void(int width, int height, int frames)>& expectOutput);

// Writes `image` as 0xAARRGGBB pixels, not premultiplied, row after row, to `out`
// (width * height pixels), converting a band of rows at a time: no second whole picture.
void writeArgb32(const QImage& image, std::uint32_t* out);

}  // namespace glint::helper

#include "PictureWriter.h"

#include <algorithm>

#include "BmpStreamWriter.h"

namespace glint {

namespace {

// Rows handed to the writer at a time: one write each, a bounded buffer.
constexpr int kBandRows = 32;

}  // namespace

Status SavePicture(const QImage& picture, const QString& fileName) {
    if (picture.isNull()) return Status::failure("there is no picture to save");
    // Rows are read as 0xAARRGGBB; the alpha byte is dropped.
    const QImage image =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return Status::failure("out of memory for the picture");

    BmpStreamWriter writer;
    if (Status opened = writer.open(fileName, image.width(), image.height()); opened.failed())
        return opened;
    // Bottom band first: that is the order of the file, so the writes are sequential.
    const auto stride = static_cast<std::ptrdiff_t>(image.bytesPerLine() / 4);
    for (int end = image.height(); end > 0; end -= kBandRows) {
        const int first = std::max(0, end - kBandRows);
        const ConstPixelView band{
            reinterpret_cast<const std::uint32_t*>(image.constScanLine(first)), image.width(),
            end - first, stride};
        if (Status written = writer.writeRows(first, band); written.failed()) return written;
    }
    return writer.commit();
}

}  // namespace glint

#include "PictureWriter.h"

#include "BmpStreamWriter.h"

namespace glint {

Status SavePicture(const QImage& picture, const QString& fileName) {
    if (picture.isNull()) return Status::failure("there is no picture to save");
    // Rows are read as 0xAARRGGBB; the alpha byte is dropped.
    const QImage image = picture.format() == QImage::Format_RGB32 ||
                                 picture.format() == QImage::Format_ARGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return Status::failure("out of memory for the picture");

    BmpStreamWriter writer;
    if (Status opened = writer.open(fileName, image.width(), image.height()); opened.failed())
        return opened;
    // Bottom row first: that is the order of the file, so the writes are sequential.
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        if (Status written = writer.writeRow(y, row); written.failed()) return written;
    }
    return writer.commit();
}

}  // namespace glint

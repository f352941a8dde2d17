#include "MetafileConversion.h"

#include <QPainter>
#include <QSvgRenderer>
#include <optional>

#include "io/LoadLimits.h"
#include "io/MetafileProbe.h"
#include "io/MetafileProtocol.h"

namespace glint {
namespace {

bool writeAll(const void* data, size_t bytes, std::FILE* out) {
    return std::fwrite(data, 1, bytes, out) == bytes;
}

bool writePicture(const QImage& image, std::FILE* out) {
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(image.width()),
                                     static_cast<std::uint32_t>(image.height())};
    if (!writeAll(kMetafileMagic, sizeof kMetafileMagic, out) ||
        !writeAll(header, sizeof header, out))
        return false;
    const auto rowBytes = static_cast<size_t>(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        if (!writeAll(image.constScanLine(y), rowBytes, out)) return false;
    return std::fflush(out) == 0;
}

}  // namespace

QImage drawSvg(const SvgDrawing& drawing) {
    QSvgRenderer renderer(drawing.svg);
    if (!renderer.isValid()) return {};
    QImage image(drawing.size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(drawing.size)));
    painter.end();
    return image;
}

int convertMetafile(const QByteArray& file, std::int64_t maxPixels, std::FILE* out) {
    std::optional<SvgDrawing> drawing;
    switch (metafileKind(file.left(kMetafileProbeBytes))) {
        case MetafileKind::Emf:
            drawing = emfToSvg(file);
            break;
        case MetafileKind::Wmf:
            drawing = wmfToSvg(file);
            break;
        case MetafileKind::None:
            break;
    }
    if (!drawing || !pictureSizeAccepted(drawing->size.width(), drawing->size.height()) ||
        std::int64_t{drawing->size.width()} * drawing->size.height() > maxPixels)
        return kNotConverted;
    const QImage image = drawSvg(*drawing);
    if (image.isNull()) return kNotDrawn;
    return writePicture(image, out) ? kMetafileHelperExitOk : kNotWritten;
}

}  // namespace glint

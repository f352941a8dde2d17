#include "MetafileConversion.h"

#include <QDir>
#include <QPainter>
#include <QSvgRenderer>

#include "MetafileToSvg.h"
#include "WmfPicture.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/MetafileProbe.h"
#include "io/helper/MetafileProtocol.h"

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

// libwmf refuses to play any plain metafile when it finds none of its fonts.
bool wmfFontsMissing(const QByteArray& file) {
    if (metafileKind(file.left(kMetafileProbeBytes)) != MetafileKind::Wmf) return false;
    return QDir(QString::fromLatin1(kWmfFontDir))
        .entryList({QStringLiteral("*.t1"), QStringLiteral("*.pfb")}, QDir::Files)
        .isEmpty();
}

}  // namespace

std::optional<QImage> drawEmf(const QByteArray& file) {
    const std::optional<SvgDrawing> drawing = emfToSvg(file);
    if (!drawing || !pictureSizeAccepted(drawing->size.width(), drawing->size.height()))
        return std::nullopt;
    QSvgRenderer renderer(drawing->svg);
    if (!renderer.isValid()) return std::nullopt;
    QImage image(metafileDrawnSize(drawing->size), QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image;
}

int convertMetafile(const QByteArray& file, std::FILE* out) {
    std::optional<QImage> image;
    switch (metafileKind(file.left(kMetafileProbeBytes))) {
        case MetafileKind::Emf:
            image = drawEmf(file);
            break;
        case MetafileKind::Wmf:
            image = drawWmf(file);
            break;
        case MetafileKind::None:
            break;
    }
    if (!image) return wmfFontsMissing(file) ? kMetafileHelperExitNoFonts : kNotConverted;
    if (image->isNull()) return kNotDrawn;
    return writePicture(*image, out) ? kMetafileHelperExitOk : kNotWritten;
}

}  // namespace glint

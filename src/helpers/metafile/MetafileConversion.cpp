#include "MetafileConversion.h"

#include <QDir>
#include <QPainter>
#include <QSvgRenderer>

#include "MetafileToSvg.h"
#include "WmfPicture.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/MetafileProbe.h"

namespace glint {

bool wmfFontsMissing() {
    return QDir(QString::fromLatin1(kWmfFontDir))
        .entryList({QStringLiteral("*.t1"), QStringLiteral("*.pfb")}, QDir::Files)
        .isEmpty();
}

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

std::optional<QImage> drawMetafile(const QByteArray& file) {
    switch (metafileKind(file.left(kMetafileProbeBytes))) {
        case MetafileKind::Emf:
            return drawEmf(file);
        case MetafileKind::Wmf:
            return drawWmf(file);
        case MetafileKind::None:
            break;
    }
    return std::nullopt;
}

}  // namespace glint

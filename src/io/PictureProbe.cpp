#include "PictureProbe.h"

#include <QFile>
#include <QImageReader>

#include "MetafileProbe.h"
#include "RasterDecoders.h"

namespace glint {

QSize pictureHeaderSize(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return kUnknownSize;
    const QByteArray head = file.peek(std::max(kMetafileProbeBytes, kRasterProbeBytes));
    if (metafileKind(head) != MetafileKind::None) {
        const QSize size = metafileSize(head);
        return size.isValid() ? size : kUnknownSize;
    }
    if (const RasterDecoder* decoder = rasterDecoderFor(head)) {
        const qint64 bytes = file.size();
        const uchar* mapped = bytes > 0 ? file.map(0, bytes) : nullptr;
        if (mapped != nullptr)
            return decoder->headerSize(QByteArrayView(mapped, static_cast<qsizetype>(bytes)));
        return decoder->headerSize(file.readAll());
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    return size.isValid() ? size : kUnknownSize;
}

}  // namespace glint

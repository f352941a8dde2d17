#include "PictureProbe.h"

#include <QFile>
#include <QImageReader>

#include "ExifOrientation.h"
#include "MetafileProbe.h"
#include "PhotoProbe.h"
#include "RasterDecoders.h"

namespace glint {
namespace {

// The size as shown: a picture recorded turned a quarter (EXIF orientations 5 to 8) is shown
// with its sides swapped.
QSize shownSize(QFile& file, const QSize& stored) {
    constexpr int kFirstQuarterTurn = 5;
    if (!stored.isValid() || exifOrientation(file) < kFirstQuarterTurn) return stored;
    return stored.transposed();
}

QSize headerSize(QFile& file, const QByteArray& head) {
    if (metafileKind(head) != MetafileKind::None) {
        const QSize size = metafileSize(head);
        return size.isValid() ? size : kUnknownSize;
    }
    if (photoKind(head) != PhotoKind::None) return kUnknownSize;
    if (const RasterDecoder* decoder = rasterDecoderFor(head))
        return rasterHeaderSize(*decoder, file);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    return size.isValid() ? size : kUnknownSize;
}

}  // namespace

QSize pictureHeaderSize(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return kUnknownSize;
    const QByteArray head =
        file.peek(std::max({kMetafileProbeBytes, kRasterProbeBytes, kPhotoProbeBytes}));
    const QSize size = headerSize(file, head);
    return file.seek(0) ? shownSize(file, size) : size;
}

}  // namespace glint

#include "ClipboardPicture.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageWriter>

#include "PngEncoder.h"
#include "WorkAside.h"

namespace glint {

namespace {

// Qt's name for the image format behind a MIME type; Qt's own type for images is PNG.
QByteArray formatFor(const QString& mimeType) {
    if (mimeType == QLatin1String("application/x-qt-image")) return QByteArrayLiteral("png");
    const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mimeType.toLatin1());
    return formats.isEmpty() ? QByteArray() : formats.first();
}

QByteArray encode(const QImage& picture, const QByteArray& format) {
    if (format == "png") {
        QByteArray png = encodePng(picture);
        if (!png.isEmpty()) return png;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture)) return {};
    return bytes;
}

}  // namespace

ClipboardPicture::ClipboardPicture(const QImage& picture) : picture_(picture) {
    setImageData(picture);
}

ClipboardPicture::~ClipboardPicture() { *alive_ = false; }

QVariant ClipboardPicture::retrieveData(const QString& mimeType, QMetaType type) const {
    const QByteArray format =
        type.id() == QMetaType::QByteArray ? formatFor(mimeType) : QByteArray();
    if (format.isEmpty()) return QMimeData::retrieveData(mimeType, type);
    return encoded(format);
}

QByteArray ClipboardPicture::encoded(const QByteArray& format) const {
    if (const auto found = encoded_.find(format); found != encoded_.end()) return found->second;
    // At exit a clipboard manager may fetch the formats to keep them; no events run any more.
    if (QCoreApplication::closingDown()) return encode(picture_, format);
    // Only locals after the wait: this may be gone by then.
    const std::shared_ptr<bool> alive = alive_;
    const QImage picture = picture_;
    QByteArray bytes;
    runAside([&bytes, &picture, &format] { bytes = encode(picture, format); });
    if (*alive) encoded_[format] = bytes;
    return bytes;
}

}  // namespace glint

#include "QtReader.h"

#include <QBuffer>
#include <QImageReader>

#include "io/decode/LoadLimits.h"

namespace glint::helper {
namespace {

// Why a picture of this size is not decoded; Ok when it may be.
Outcome sizeOutcome(int width, int height) {
    if (pictureIsEmpty(width, height)) return Outcome::Empty;
    if (!pictureSizeAccepted(width, height)) return Outcome::TooLarge;
    return Outcome::Ok;
}

}  // namespace

Outcome readWithQt(QByteArrayView bytes, const QByteArray& format, QImage& image,
                   const std::function<void(int width, int height)>& expectOutput) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer device(&data);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, format);
    reader.setAutoTransform(false);
    QImageReader::setAllocationLimit(kReaderAllocationLimitMiB);
    if (const QSize declared = reader.size(); declared.isValid()) {
        if (const Outcome o = sizeOutcome(declared.width(), declared.height()); o != Outcome::Ok)
            return o;
        expectOutput(declared.width(), declared.height());
    }
    QImage decoded;
    if (!reader.read(&decoded)) return Outcome::Damaged;
    if (const Outcome o = sizeOutcome(decoded.width(), decoded.height()); o != Outcome::Ok)
        return o;
    expectOutput(decoded.width(), decoded.height());
    decoded.convertTo(decoded.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (decoded.isNull()) return Outcome::NoMemory;
    image = std::move(decoded);
    return Outcome::Ok;
}

}  // namespace glint::helper

#include "QtReader.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cstring>

#include "io/decode/LoadLimits.h"

namespace glint::helper {
namespace {

// Rows converted at a time: a band small enough to stay in the caches.
constexpr int kBandRows = 16;

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
    image = std::move(decoded);
    return Outcome::Ok;
}

void writeArgb32(const QImage& image, std::uint32_t* out) {
    const QImage::Format target =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 4;
    const auto rowAt = [&](int y) { return out + static_cast<std::ptrdiff_t>(y) * image.width(); };
    if (image.format() == target) {
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(rowAt(y), image.constScanLine(y), rowBytes);
        return;
    }
    for (int top = 0; top < image.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, image.height() - top);
        const QImage band =
            image.copy(0, top, image.width(), rows).convertToFormat(target);
        for (int y = 0; y < rows; ++y) std::memcpy(rowAt(top + y), band.constScanLine(y), rowBytes);
    }
}

}  // namespace glint::helper

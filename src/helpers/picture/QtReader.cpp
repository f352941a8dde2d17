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

// Qt's reader for a picture held in memory, as the helper reads: no automatic turn (the loader
// applies the orientation), pictures as large as the loader allows.
struct BytesReader {
    BytesReader(QByteArrayView bytes, const QByteArray& format)
        : data(QByteArray::fromRawData(bytes.data(), bytes.size())), device(&data) {
        device.open(QIODevice::ReadOnly);
        reader.setDevice(&device);
        reader.setFormat(format);
        reader.setAutoTransform(false);
        QImageReader::setAllocationLimit(kReaderAllocationLimitMiB);
    }
    QByteArray data;
    QBuffer device;
    QImageReader reader;
};

// Empty or TooLarge when the size the file declares rules the picture out; otherwise Ok, and
// `tell` is told that size (if the file declares one).
Outcome checkDeclaredSize(QImageReader& reader, const std::function<void(int, int)>& tell) {
    const QSize declared = reader.size();
    if (!declared.isValid()) return Outcome::Ok;
    if (const Outcome o = sizeOutcome(declared.width(), declared.height()); o != Outcome::Ok)
        return o;
    tell(declared.width(), declared.height());
    return Outcome::Ok;
}

}  // namespace

Outcome readWithQt(QByteArrayView bytes, const QByteArray& format, QImage& image,
                   const std::function<void(int width, int height)>& expectOutput) {
    BytesReader source(bytes, format);
    QImageReader& reader = source.reader;
    if (const Outcome o = checkDeclaredSize(reader, expectOutput); o != Outcome::Ok) return o;
    QImage decoded;
    if (!reader.read(&decoded)) return Outcome::Damaged;
    if (const Outcome o = sizeOutcome(decoded.width(), decoded.height()); o != Outcome::Ok)
        return o;
    expectOutput(decoded.width(), decoded.height());
    image = std::move(decoded);
    return Outcome::Ok;
}

Outcome readFramesWithQt(
    QByteArrayView bytes, const QByteArray& format, std::vector<QImage>& frames,
    std::vector<std::uint32_t>& delaysMs, std::uint32_t& loops,
    const std::function<void(int width, int height, int frames)>& expectOutput) {
    BytesReader source(bytes, format);
    QImageReader& reader = source.reader;
    const auto firstFrame = [&expectOutput](int width, int height) {
        expectOutput(width, height, 1);
    };
    if (const Outcome o = checkDeclaredSize(reader, firstFrame); o != Outcome::Ok) return o;
    // A count the reader knows; an animation that loops for ever inside the file ends at the
    // loader's limit.
    const int known = reader.imageCount();
    frames.clear();
    delaysMs.clear();
    for (int k = 0; known <= 0 || k < known; ++k) {
        QImage frame;
        if (!reader.read(&frame)) {
            if (frames.empty()) return Outcome::Damaged;
            break;
        }
        if (const Outcome o = sizeOutcome(frame.width(), frame.height()); o != Outcome::Ok)
            return o;
        if (!frames.empty() && frame.size() != frames.front().size()) return Outcome::Damaged;
        const auto count = static_cast<std::int64_t>(frames.size()) + 1;
        if (!framesAccepted(frame.width(), frame.height(), count)) return Outcome::TooLarge;
        expectOutput(frame.width(), frame.height(), static_cast<int>(count));
        delaysMs.push_back(static_cast<std::uint32_t>(std::max(reader.nextImageDelay(), 0)));
        frames.push_back(std::move(frame));
        if (!reader.supportsAnimation()) break;
    }
    const int loopCount = reader.loopCount();
    loops = loopCount < 0 ? 0 : static_cast<std::uint32_t>(loopCount) + 1;
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
        const QImage band = image.copy(0, top, image.width(), rows).convertToFormat(target);
        for (int y = 0; y < rows; ++y) std::memcpy(rowAt(top + y), band.constScanLine(y), rowBytes);
    }
}

}  // namespace glint::helper

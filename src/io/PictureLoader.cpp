#include "PictureLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "BmpProbe.h"
#include "ExifOrientation.h"
#include "ImagePlugins.h"
#include "LoadLimits.h"
#include "MetafileDecoder.h"
#include "MetafileProbe.h"
#include "PhotoDecoder.h"
#include "PhotoProbe.h"
#include "PlainBmpReader.h"

namespace glint {
namespace {

constexpr int kProbeBytes =
    std::max({kMetafileProbeBytes, kBmpProbeBytes, kImagePluginProbeBytes, kPhotoProbeBytes});

Status failure(const QString& fileName, const char* why) {
    return Status::failure(QFileInfo(fileName).fileName().toStdString() + ": " + why);
}

// Raises the reader's allocation limit to what the loader accepts (the reader's default is
// smaller than a 12000 x 9000 photo). The limit is process-wide; it is only ever raised.
void allowLargePictures() {
    if (QImageReader::allocationLimit() < kReaderAllocationLimitMiB)
        QImageReader::setAllocationLimit(kReaderAllocationLimitMiB);
}

// A buffer for the reader to decode into, filled beforehand so that pixels a run-length
// bitmap skips are defined: palette entry 0 for indexed pictures, opaque black otherwise.
QImage prefilledBuffer(const QSize& size, QImage::Format format) {
    if (!size.isValid() || format == QImage::Format_Invalid) return {};
    QImage buffer(size, format);
    if (buffer.isNull()) return {};
    if (buffer.depth() <= 8)
        buffer.fill(0u);
    else
        buffer.fill(QColor(Qt::black));
    return buffer;
}

Status readRaster(QFile& file, const QByteArray& head, const QString& fileName,
                  QImage& picture) {
    allowLargePictures();
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    if (!reader.canRead()) {
        if (const auto missing = missingImagePlugin(head)) return Status::missingPart(*missing);
        return failure(fileName, "not a picture the loader can read");
    }
    const QSize size = reader.size();
    if (size.isValid() && !pictureSizeAccepted(size.width(), size.height()))
        return failure(fileName, "picture is too large");

    QImage image = prefilledBuffer(size, reader.imageFormat());
    if (!reader.read(&image)) return failure(fileName, "picture is damaged or unreadable");
    if (!pictureSizeAccepted(image.width(), image.height()))
        return failure(fileName, "picture is too large");
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return failure(fileName, "out of memory for the picture");
    picture = std::move(image);
    return Status::ok();
}

// Turns a decoded picture as its file's EXIF orientation says, so that it is shown upright.
Status showUpright(QFile& file, const QString& fileName, QImage decoded, QImage& picture) {
    const int orientation = exifOrientation(file);
    if (orientation != kOrientationUpright) {
        decoded = uprightImage(decoded, orientation);
        if (decoded.isNull()) return failure(fileName, "out of memory for the picture");
    }
    picture = std::move(decoded);
    return Status::ok();
}

}  // namespace

Status LoadPicture(const QString& fileName, QImage& picture,
                   const std::function<void()>& whileWaiting, const RowsDecoded& rowsDecoded) {
    if (fileName.isEmpty()) return Status::failure("no file name");
    const QFileInfo info(fileName);
    if (!info.exists()) return failure(fileName, "file not found");
    if (info.isDir()) return failure(fileName, "is a folder");
    if (!info.isFile()) return failure(fileName, "is not a regular file");

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return failure(fileName, "cannot be opened");
    const qint64 fileSize = file.size();
    if (fileSize == 0) return failure(fileName, "file is empty");
    if (fileSize > kMaxPictureFileBytes) return failure(fileName, "file is too large");

    const QByteArray head = file.peek(kProbeBytes);
    if (head.isEmpty()) return failure(fileName, "cannot be read");
    if (metafileKind(head) != MetafileKind::None) {
        if (fileSize > kMaxMetafileBytes) return failure(fileName, "metafile is too large");
        file.close();
        QImage drawing;
        const Status decoded = MetafileDecoder().decode(fileName, drawing, whileWaiting);
        if (decoded.isMissingPart()) return decoded;
        if (decoded.failed()) return failure(fileName, decoded.reason().c_str());
        picture = std::move(drawing);
        return Status::ok();
    }
    if (photoKind(head) != PhotoKind::None) {
        file.close();
        QImage photo;  // upright already: the decoders apply the file's own rotation
        const Status decoded = PhotoDecoder().decode(fileName, photo);
        if (decoded.isMissingPart()) return decoded;
        if (decoded.failed()) return failure(fileName, decoded.reason().c_str());
        picture = std::move(photo);
        return Status::ok();
    }
    if (bmpDataMissing(head, fileSize)) return failure(fileName, "bitmap is truncated");
    QImage decoded;
    if (const auto plain = readPlainBmp(file, head, decoded, rowsDecoded)) {
        if (plain->failed()) return failure(fileName, plain->reason().c_str());
    } else if (Status st = readRaster(file, head, fileName, decoded); st.failed()) {
        return st;
    }
    return showUpright(file, fileName, std::move(decoded), picture);
}

}  // namespace glint

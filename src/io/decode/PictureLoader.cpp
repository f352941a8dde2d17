#include "PictureLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "ExifOrientation.h"
#include "ImagePlugins.h"
#include "LoadLimits.h"
#include "io/helper/MetafileDecoder.h"
#include "MetafileProbe.h"
#include "io/helper/PhotoDecoder.h"
#include "PhotoProbe.h"
#include "RasterDecoders.h"

namespace glint {
namespace {

constexpr int kProbeBytes =
    std::max({kMetafileProbeBytes, kRasterProbeBytes, kImagePluginProbeBytes, kPhotoProbeBytes});

Status failure(const QString& fileName, const std::string& why) {
    return Status::failure(QFileInfo(fileName).fileName().toStdString() + ": " + why);
}

// Why a picture of this size is refused before decoding; empty when it is not.
std::string sizeProblem(const QSize& size) {
    if (pictureIsEmpty(size.width(), size.height())) {
        return "picture is empty (" + std::to_string(size.width()) + "x" +
               std::to_string(size.height()) + " pixels)";
    }
    if (!pictureSizeAccepted(size.width(), size.height())) return "picture is too large";
    return {};
}

// Decodes with one of the loader's own decoders: read piece by piece when the decoder can,
// else from the whole file read into memory. Never from a mapping: a file cut while it is
// mapped would take the process down.
Status readOwnFormat(QFile& file, const RasterDecoder& decoder, const QString& fileName,
                     QImage& picture, DecodedRows* rows) {
    if (decoder.decodeFile != nullptr) {
        if (const QSize size = rasterHeaderSize(decoder, file); size != kUnknownSize) {
            if (const std::string problem = sizeProblem(size); !problem.empty())
                return failure(fileName, problem);
        }
        if (Status st = decoder.decodeFile(file, picture, rows); st.failed())
            return failure(fileName, st.reason());
        return Status::ok();
    }
    const QByteArray whole = file.read(file.size());
    if (whole.size() != file.size()) return failure(fileName, "cannot be read");
    if (const QSize size = decoder.headerSize(whole); size != kUnknownSize) {
        if (const std::string problem = sizeProblem(size); !problem.empty())
            return failure(fileName, problem);
    }
    if (Status st = decoder.decode(whole, picture); st.failed())
        return failure(fileName, st.reason());
    return Status::ok();
}

// Raises the reader's allocation limit to what the loader accepts (the reader's default is
// smaller than a 12000 x 9000 photo). The limit is process-wide; it is only ever raised.
void allowLargePictures() {
    if (QImageReader::allocationLimit() < kReaderAllocationLimitMiB)
        QImageReader::setAllocationLimit(kReaderAllocationLimitMiB);
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
    if (size.isValid()) {
        if (const std::string problem = sizeProblem(size); !problem.empty())
            return failure(fileName, problem);
    }

    QImage image;
    if (!reader.read(&image)) return failure(fileName, "picture is damaged or unreadable");
    if (!pictureSizeAccepted(image.width(), image.height()))
        return failure(fileName, "picture is too large");
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return failure(fileName, "out of memory for the picture");
    picture = std::move(image);
    return Status::ok();
}

// Turns a decoded picture as its file's EXIF `orientation` says, so that it is shown upright.
Status showUpright(int orientation, const QString& fileName, QImage decoded, QImage& picture) {
    if (orientation != kOrientationUpright) {
        decoded = uprightImage(decoded, orientation);
        if (decoded.isNull()) return failure(fileName, "out of memory for the picture");
    }
    picture = std::move(decoded);
    return Status::ok();
}

}  // namespace

Status LoadPicture(const QString& fileName, QImage& picture,
                   const std::function<void()>& whileWaiting, DecodedRows* rows) {
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
        if (decoded.failed()) return failure(fileName, decoded.reason());
        picture = std::move(drawing);
        return Status::ok();
    }
    if (photoKind(head) != PhotoKind::None) {
        file.close();
        QImage photo;  // upright already: the decoders apply the file's own rotation
        const Status decoded = PhotoDecoder().decode(fileName, photo, whileWaiting);
        if (decoded.isMissingPart()) return decoded;
        if (decoded.failed()) return failure(fileName, decoded.reason());
        picture = std::move(photo);
        return Status::ok();
    }
    const int orientation = exifOrientation(file);
    // Rows decoded are rows shown only for a picture that is not turned.
    if (orientation != kOrientationUpright) rows = nullptr;
    if (!file.seek(0)) return failure(fileName, "cannot be read");
    QImage decoded;
    if (const RasterDecoder* decoder = rasterDecoderFor(head)) {
        if (Status st = readOwnFormat(file, *decoder, fileName, decoded, rows); st.failed())
            return st;
    } else if (Status st = readRaster(file, head, fileName, decoded); st.failed()) {
        return st;
    }
    return showUpright(orientation, fileName, std::move(decoded), picture);
}

}  // namespace glint

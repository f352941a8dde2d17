#include "PictureLoader.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "ExifOrientation.h"
#include "ImagePlugins.h"
#include "LoadLimits.h"
#include "PictureFormats.h"
#include "io/helper/MetafileDecoder.h"
#include "io/helper/PhotoDecoder.h"

namespace glint {
namespace {

Status failure(const QString& name, const std::string& why) {
    return Status::failure(name.toStdString() + ": " + why);
}

// A failure of one of the loader's own decoders. An unsupported variant of a format is told to
// the user in a sentence of its own ("photo.jpg is a 12-bit JPEG, which ...").
Status decodeFailure(const QString& name, const Status& st) {
    if (!st.isUnsupported()) return failure(name, st.reason());
    return Status::unsupported(name.toStdString() + " is " + st.reason() +
                               ", which this installation cannot decode");
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
Status readOwnFormat(QFile& file, const PictureFormat& format, const QString& fileName,
                     QImage& picture, DecodedRows* rows) {
    const RasterDecoder& decoder = *format.decoder;
    if (decoder.decodeFile != nullptr) {
        if (const QSize size = storedHeaderSize(format, file, {}); size != kUnknownSize) {
            if (const std::string problem = sizeProblem(size); !problem.empty())
                return failure(fileName, problem);
        }
        if (Status st = decoder.decodeFile(file, picture, rows); st.failed())
            return decodeFailure(fileName, st);
        return Status::ok();
    }
    const QByteArray whole = file.read(file.size());
    if (whole.size() != file.size()) return failure(fileName, "cannot be read");
    if (const QSize size = decoder.headerSize(whole); size != kUnknownSize) {
        if (const std::string problem = sizeProblem(size); !problem.empty())
            return failure(fileName, problem);
    }
    if (Status st = decoder.decode(whole, picture); st.failed())
        return decodeFailure(fileName, st);
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

// The path a helper process opens to reach `file`: the caller's own descriptor of it.
QString descriptorPath(const PictureFile& file) {
    return QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(file.fd());
}

}  // namespace

Status LoadPicture(const QString& fileName, QImage& picture,
                   const std::function<void()>& whileWaiting, DecodedRows* rows) {
    PictureFile file;
    if (Status st = PictureFile::open(QFile::encodeName(fileName), file); st.failed())
        return fileName.isEmpty() ? st : failure(QFileInfo(fileName).fileName(), st.reason());
    return loadPictureFile(file, picture, whileWaiting, rows);
}

Status loadPictureFile(const PictureFile& opened, QImage& picture,
                       const std::function<void()>& whileWaiting, DecodedRows* rows) {
    const QString& fileName = opened.name();
    QFile file;
    if (!file.open(opened.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ||
        !file.seek(0))
        return failure(fileName, "cannot be read");
    const qint64 fileSize = opened.size();
    if (fileSize == 0) return failure(fileName, "file is empty");
    if (fileSize > kMaxPictureFileBytes) return failure(fileName, "file is too large");

    const QByteArray head = file.peek(kFormatProbeBytes);
    if (head.isEmpty()) return failure(fileName, "cannot be read");
    const PictureFormat& format = pictureFormatFor(head);
    if (format.decodedBy == DecodedBy::MetafileHelper) {
        if (fileSize > kMaxMetafileBytes) return failure(fileName, "metafile is too large");
        QImage drawing;
        const Status decoded =
            MetafileDecoder().decode(descriptorPath(opened), drawing, whileWaiting);
        if (decoded.speaksToUser()) return decoded;
        if (decoded.failed()) return failure(fileName, decoded.reason());
        picture = std::move(drawing);
        return Status::ok();
    }
    if (format.decodedBy == DecodedBy::PhotoHelper) {
        QImage photo;  // upright already: the decoders apply the file's own rotation
        const Status decoded = PhotoDecoder().decode(descriptorPath(opened), photo, whileWaiting);
        if (decoded.speaksToUser()) return decoded;
        if (decoded.failed()) return failure(fileName, decoded.reason());
        picture = std::move(photo);
        return Status::ok();
    }
    const int orientation = exifOrientation(file);
    // Rows decoded are rows shown only for a picture that is not turned.
    if (orientation != kOrientationUpright) rows = nullptr;
    if (!file.seek(0)) return failure(fileName, "cannot be read");
    QImage decoded;
    if (format.decodedBy == DecodedBy::Loader) {
        if (Status st = readOwnFormat(file, format, fileName, decoded, rows); st.failed())
            return st;
    } else if (Status st = readRaster(file, head, fileName, decoded); st.failed()) {
        return st;
    }
    return showUpright(orientation, fileName, std::move(decoded), picture);
}

}  // namespace glint

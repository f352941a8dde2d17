#include "PictureLoader.h"

#include <QFile>
#include <QFileInfo>

#include "ExifOrientation.h"
#include "LoadLimits.h"
#include "PictureFormats.h"
#include "io/helper/HelperClient.h"

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
    if (Status st = decoder.decode(whole, picture); st.failed()) return decodeFailure(fileName, st);
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

// The helper that decodes a format which the loader does not decode itself.
const HelperKind& helperFor(DecodedBy decodedBy) {
    switch (decodedBy) {
        case DecodedBy::MetafileHelper:
            return kMetafileHelper;
        case DecodedBy::PhotoHelper:
            return kPhotoHelper;
        default:
            return kPictureHelper;
    }
}

// A helper's unsupported variant in the loader's words.
Status helperFailure(const PictureFile& file, const Status& st) {
    if (st.isUnsupported())
        return Status::unsupported(file.name().toStdString() + " is " + st.reason() +
                                   ", which this installation cannot decode");
    return st.speaksToUser() ? st : failure(file.name(), st.reason());
}

// A picture file opened for the loader: its format, and the turn its EXIF records.
struct Opened {
    QFile file;
    const PictureFormat* format = nullptr;
    int orientation = kOrientationUpright;
};

// Opens `picture` as the loader reads it, checks its size and tells its format; the file is
// then at its start.
Status openPicture(const PictureFile& picture, Opened& opened) {
    const QString& fileName = picture.name();
    QFile& file = opened.file;
    if (!file.open(picture.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ||
        !file.seek(0))
        return failure(fileName, "cannot be read");
    const qint64 fileSize = picture.size();
    if (fileSize == 0) return failure(fileName, "file is empty");
    if (fileSize > kMaxPictureFileBytes) return failure(fileName, "file is too large");

    const QByteArray head = file.peek(kFormatProbeBytes);
    if (head.isEmpty()) return failure(fileName, "cannot be read");
    const PictureFormat& format = pictureFormatFor(head);
    opened.format = &format;
    if (format.decodedBy == DecodedBy::MetafileHelper && fileSize > kMaxMetafileBytes)
        return failure(fileName, "metafile is too large");
    // Photos and metafiles come upright from their helpers; the other formats may record a
    // turn in EXIF, which is read here.
    const bool upright =
        format.decodedBy == DecodedBy::PhotoHelper || format.decodedBy == DecodedBy::MetafileHelper;
    opened.orientation = upright ? kOrientationUpright : exifOrientation(file);
    if (!file.seek(0)) return failure(fileName, "cannot be read");
    return Status::ok();
}

// Every frame of a file that one of the loader's own decoders reads whole.
Status readOwnFrames(Opened& opened, const QString& fileName, PictureFrames& frames) {
    const QByteArray whole = opened.file.read(opened.file.size());
    if (whole.size() != opened.file.size()) return failure(fileName, "cannot be read");
    if (const QSize size = opened.format->decoder->headerSize(whole); size != kUnknownSize) {
        if (const std::string problem = sizeProblem(size); !problem.empty())
            return failure(fileName, problem);
    }
    if (Status st = opened.format->decodeFrames(whole, frames); st.failed())
        return decodeFailure(fileName, st);
    return Status::ok();
}

// Opens the file called `fileName`; messages name it without its folder.
Status openByName(const QString& fileName, PictureFile& file) {
    if (Status st = PictureFile::open(QFile::encodeName(fileName), file); st.failed())
        return fileName.isEmpty() ? st : failure(QFileInfo(fileName).fileName(), st.reason());
    return Status::ok();
}

}  // namespace

Status LoadPicture(const QString& fileName, QImage& picture, const WaitHook& whileWaiting,
                   DecodedRows* rows) {
    PictureFile file;
    if (Status st = openByName(fileName, file); st.failed()) return st;
    return loadPictureFile(file, picture, whileWaiting, rows);
}

Status loadPictureFile(const PictureFile& picture, QImage& result, const WaitHook& whileWaiting,
                       DecodedRows* rows) {
    const QString& fileName = picture.name();
    Opened opened;
    if (Status st = openPicture(picture, opened); st.failed()) return st;
    const PictureFormat& format = *opened.format;
    // Rows decoded are rows shown only for a picture that is not turned.
    if (opened.orientation != kOrientationUpright) rows = nullptr;
    QImage decoded;
    if (format.decodedBy == DecodedBy::Loader) {
        if (Status st = readOwnFormat(opened.file, format, fileName, decoded, rows); st.failed())
            return st;
    } else if (Status st =
                   HelperClient(helperFor(format.decodedBy)).decode(picture, decoded, whileWaiting);
               st.failed()) {
        return helperFailure(picture, st);
    }
    return showUpright(opened.orientation, fileName, std::move(decoded), result);
}

Status loadPictureFrames(const QString& fileName, PictureFrames& frames,
                         const WaitHook& whileWaiting, DecodedRows* rows) {
    PictureFile file;
    if (Status st = openByName(fileName, file); st.failed()) return st;
    return loadPictureFileFrames(file, frames, whileWaiting, rows);
}

Status loadPictureFileFrames(const PictureFile& picture, PictureFrames& result,
                             const WaitHook& whileWaiting, DecodedRows* rows) {
    const QString& fileName = picture.name();
    Opened opened;
    if (Status st = openPicture(picture, opened); st.failed()) return st;
    const PictureFormat& format = *opened.format;
    PictureFrames frames;
    if (format.decodeFrames != nullptr) {
        if (Status st = readOwnFrames(opened, fileName, frames); st.failed()) return st;
    } else if (format.decodedBy != DecodedBy::Loader &&
               format.decodedBy != DecodedBy::MetafileHelper) {
        if (Status st = HelperClient(helperFor(format.decodedBy))
                            .decodeFrames(picture, frames, whileWaiting);
            st.failed())
            return helperFailure(picture, st);
    } else {  // a format of one frame: read as the window reads it
        opened.file.close();
        frames.frames.resize(1);
        if (Status st = loadPictureFile(picture, frames.frames.front().picture, whileWaiting, rows);
            st.failed())
            return st;
        result = std::move(frames);
        return Status::ok();
    }
    for (PictureFrame& frame : frames.frames) {
        if (Status st =
                showUpright(opened.orientation, fileName, std::move(frame.picture), frame.picture);
            st.failed())
            return st;
    }
    result = std::move(frames);
    return Status::ok();
}

}  // namespace glint

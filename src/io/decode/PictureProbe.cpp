#include "PictureProbe.h"

#include <QFile>

#include "ExifOrientation.h"
#include "PictureFormats.h"

namespace glint {
namespace {

// The size as shown: a picture recorded turned a quarter (EXIF orientations 5 to 8) is shown
// with its sides swapped.
QSize shownSize(QFile& file, const QSize& stored) {
    constexpr int kFirstQuarterTurn = 5;
    if (!stored.isValid() || !file.seek(0) || exifOrientation(file) < kFirstQuarterTurn)
        return stored;
    return stored.transposed();
}

}  // namespace

QSize pictureHeaderSize(const PictureFile& opened) {
    QFile file;
    if (!opened.isOpen() ||
        !file.open(opened.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || !file.seek(0))
        return kUnknownSize;
    const QByteArray head = file.peek(kFormatProbeBytes);
    const PictureFormat& format = pictureFormatFor(head);
    const QSize size = storedHeaderSize(format, file, head);
    // Photos are shown as their own decoders turn them; the EXIF record is for the others.
    return format.decodedBy == DecodedBy::PhotoHelper ? size : shownSize(file, size);
}

QSize pictureHeaderSize(const QString& fileName) {
    PictureFile file;
    if (PictureFile::open(QFile::encodeName(fileName), file).failed()) return kUnknownSize;
    return pictureHeaderSize(file);
}

}  // namespace glint

#include "ReadableFormats.h"

#include <QImageReader>

namespace glint {

namespace {

// A format without a signature to recognise it by (its reader needs the file's name).
const char* const kUnrecognisable = "tga";

}  // namespace

QStringList readableFormats() {
    QStringList formats = {"emf", "wmf", "heic", "heif", "avif", "jxl", "rle", "ico",
                           "cur", "pbm", "pgm",  "ppm",  "pnm",  "pam", "xbm"};
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        if (format != kUnrecognisable) formats << QString::fromLatin1(format).toLower();
    formats.sort();
    formats.removeDuplicates();
    return formats;
}

}  // namespace glint

#include "ExifOrientation.h"

#include <QTransform>

namespace glint {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr int kTiffHeaderBytes = 8;
constexpr int kIfdEntryBytes = 12;
constexpr int kChunkHeaderBytes = 8;
constexpr int kJpegMarkerBytes = 4;
constexpr int kMaxChunks = 1 << 20;  // a bound on the walk through a hostile file
const QByteArray kExifPrefix("Exif\0\0", 6);
const QByteArray kTiffLittle("II*\0", 4);
const QByteArray kTiffBig("MM\0*", 4);

QByteArray readAt(QIODevice& file, qint64 at, qint64 bytes) {
    if (at < 0 || bytes < 0 || !file.seek(at)) return {};
    return file.read(bytes);
}

std::uint32_t be(const QByteArray& b, int at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}
std::uint32_t le(const QByteArray& b, int at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The orientation in the first directory of the TIFF structure at `base` (`length` bytes).
int orientationInTiff(QIODevice& file, qint64 base, qint64 length) {
    const QByteArray header = readAt(file, base, kTiffHeaderBytes);
    if (header.size() < kTiffHeaderBytes || length < kTiffHeaderBytes) return kOrientationUpright;
    const bool little = header.startsWith(kTiffLittle);
    if (!little && !header.startsWith(kTiffBig)) return kOrientationUpright;
    const auto num = [little](const QByteArray& b, int at, int bytes) {
        return little ? le(b, at, bytes) : be(b, at, bytes);
    };
    const qint64 ifd = num(header, 4, 4);
    const QByteArray count = readAt(file, base + ifd, 2);
    if (count.size() < 2 || ifd + 2 > length) return kOrientationUpright;
    const qint64 entriesBytes =
        std::min<qint64>(qint64{num(count, 0, 2)} * kIfdEntryBytes, length - ifd - 2);
    const QByteArray entries = readAt(file, base + ifd + 2, entriesBytes);
    for (int at = 0; at + kIfdEntryBytes <= entries.size(); at += kIfdEntryBytes) {
        if (num(entries, at, 2) != kOrientationTag) continue;
        if (num(entries, at + 2, 2) != kTypeShort || num(entries, at + 4, 4) != 1) break;
        const auto value = static_cast<int>(num(entries, at + 8, 2));
        return value >= kOrientationUpright && value <= kOrientationLast ? value
                                                                         : kOrientationUpright;
    }
    return kOrientationUpright;
}

// An Exif payload of a PNG or WebP chunk: the TIFF structure, by some writers after "Exif\0\0".
int orientationInPayload(QIODevice& file, qint64 at, qint64 length) {
    if (readAt(file, at, kExifPrefix.size()) == kExifPrefix)
        return orientationInTiff(file, at + kExifPrefix.size(), length - kExifPrefix.size());
    return orientationInTiff(file, at, length);
}

int jpegOrientation(QIODevice& file) {
    constexpr int kApp1 = 0xe1, kStartOfScan = 0xda, kEndOfImage = 0xd9;
    qint64 at = 2;
    for (int walked = 0; walked < kMaxChunks; ++walked) {
        const QByteArray marker = readAt(file, at, kJpegMarkerBytes);
        if (marker.size() < kJpegMarkerBytes || static_cast<unsigned char>(marker[0]) != 0xff)
            return kOrientationUpright;
        const auto code = static_cast<unsigned char>(marker[1]);
        if (code == 0xff) {  // fill byte before a marker
            ++at;
            continue;
        }
        if (code == kStartOfScan || code == kEndOfImage) return kOrientationUpright;
        const qint64 length = be(marker, 2, 2);
        if (length < 2) return kOrientationUpright;
        if (code == kApp1 && readAt(file, at + kJpegMarkerBytes, kExifPrefix.size()) == kExifPrefix)
            return orientationInTiff(file, at + kJpegMarkerBytes + kExifPrefix.size(),
                                     length - 2 - kExifPrefix.size());
        at += 2 + length;
    }
    return kOrientationUpright;
}

// Walks the chunks of a PNG (big-endian sizes, a CRC after the data) or of a WebP file
// (little-endian sizes, data padded to an even length) from `at` to the Exif chunk.
int chunkedOrientation(QIODevice& file, qint64 at, bool png) {
    const QByteArray exifType = png ? "eXIf" : "EXIF";
    for (int walked = 0; walked < kMaxChunks; ++walked) {
        const QByteArray chunk = readAt(file, at, kChunkHeaderBytes);
        if (chunk.size() < kChunkHeaderBytes) return kOrientationUpright;
        const QByteArray type = png ? chunk.mid(4, 4) : chunk.left(4);
        const qint64 length = png ? be(chunk, 0, 4) : le(chunk, 4, 4);
        if (type == exifType) return orientationInPayload(file, at + kChunkHeaderBytes, length);
        if (png && type == "IEND") return kOrientationUpright;
        at += kChunkHeaderBytes + length + (png ? 4 : length % 2);
    }
    return kOrientationUpright;
}

}  // namespace

int exifOrientation(QIODevice& file) {
    const QByteArray head = readAt(file, 0, 12);
    if (head.startsWith("\xff\xd8")) return jpegOrientation(file);
    if (head.startsWith("\x89PNG\r\n\x1a\n")) return chunkedOrientation(file, 8, true);
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        return chunkedOrientation(file, 12, false);
    if (head.startsWith(kTiffLittle) || head.startsWith(kTiffBig))
        return orientationInTiff(file, 0, file.size());
    return kOrientationUpright;
}

QImage uprightImage(const QImage& image, int orientation) {
    const QTransform quarterClockwise = QTransform().rotate(90);
    const QTransform quarterAnticlockwise = QTransform().rotate(270);
    switch (orientation) {
        case 2:
            return image.mirrored(true, false);
        case 3:
            return image.mirrored(true, true);
        case 4:
            return image.mirrored(false, true);
        case 5:
            return image.mirrored(false, true).transformed(quarterClockwise);
        case 6:
            return image.transformed(quarterClockwise);
        case 7:
            return image.mirrored(true, false).transformed(quarterClockwise);
        case 8:
            return image.transformed(quarterAnticlockwise);
        default:
            return image;
    }
}

}  // namespace glint

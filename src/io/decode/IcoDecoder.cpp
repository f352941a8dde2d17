#include "IcoDecoder.h"

#include <QtEndian>
#include <algorithm>
#include <limits>
#include <string>

#include "BmpDecoder.h"
#include "LoadLimits.h"
#include "PngDecoder.h"

namespace glint {
namespace {

using Bytes = const unsigned char*;

// The directory: reserved 0, type, image count; then 16 bytes per image, the image's offset in
// the file at byte 12 of its entry. Its byte count (at 8) is not needed: the image's own header
// says how long it is.
constexpr int kDirectoryBytes = 6;
constexpr int kEntryBytes = 16;
constexpr int kEntryOffsetAt = 12;
constexpr unsigned kIconType = 1;
constexpr unsigned kCursorType = 2;
constexpr QRgb kAlpha = 0xFF000000u;

std::uint32_t le16(QByteArrayView b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<Bytes>(b.data()) + at);
}
std::uint32_t le32(QByteArrayView b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<Bytes>(b.data()) + at);
}

bool recognisesIco(QByteArrayView head) {
    if (head.size() < kDirectoryBytes + kEntryBytes || le16(head, 0) != 0) return false;
    const std::uint32_t type = le16(head, 2);
    return (type == kIconType || type == kCursorType) && le16(head, 4) > 0;
}

// The first image of the directory, from its offset to the end of the file; empty when the
// directory is cut or points past the end.
QByteArrayView firstImage(QByteArrayView file) {
    if (!recognisesIco(file)) return {};
    const std::uint32_t offset = le32(file, kDirectoryBytes + kEntryOffsetAt);
    if (offset >= static_cast<std::uint64_t>(file.size())) return {};
    return file.sliced(offset);
}

// The header of an icon's bitmap: its height counts the colour rows and the AND mask's rows
// together, and the fourth byte of a 32-bit pixel is its alpha.
bool readIconHeader(QByteArrayView dib, BmpHeader& h, std::string& why) {
    if (!readDibHeader(dib, h, why)) return false;
    h.height /= 2;
    const bool rgbInLowBytes = ((h.masks[0] | h.masks[1] | h.masks[2]) & kAlpha) == 0;
    if (h.layout == BmpPixelStorage::Masked && h.bits == 32 && h.masks[3] == 0 && rgbInLowBytes)
        h.masks[3] = kAlpha;
    return true;
}

QSize icoHeaderSize(QByteArrayView file) {
    const QByteArrayView image = firstImage(file);
    if (image.isEmpty()) return kUnknownSize;
    if (kPngDecoder.recognises(image)) return kPngDecoder.headerSize(image);
    BmpHeader h;
    std::string why;
    if (!readIconHeader(image, h, why)) return kUnknownSize;
    const auto side = [](std::int64_t v) {
        return static_cast<int>(std::min<std::int64_t>(v, std::numeric_limits<int>::max()));
    };
    return {side(h.width), side(h.height)};
}

// True when some pixel of `picture` has an alpha for which `test` holds.
template <typename Test>
bool someAlpha(const QImage& picture, Test test) {
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        if (std::any_of(row, row + picture.width(), [&](QRgb c) { return test(qAlpha(c)); }))
            return true;
    }
    return false;
}

// The AND mask after the colour rows, one bit per pixel in rows padded to four bytes, in the
// colour rows' order: a set bit makes its pixel transparent, a clear one opaque.
Status applyMask(QByteArrayView dib, const BmpHeader& h, QImage& picture) {
    const std::int64_t colourStride = (h.width * h.bits + 31) / 32 * 4;
    const std::int64_t maskStride = (h.width + 31) / 32 * 4;
    const std::int64_t maskAt = h.dataOffset + colourStride * h.height;
    if (maskAt + maskStride * h.height > dib.size())
        return Status::failure("icon mask is cut short");
    const auto height = static_cast<int>(h.height);
    for (int k = 0; k < height; ++k) {
        const Bytes bits = reinterpret_cast<Bytes>(dib.data()) + maskAt + maskStride * k;
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(h.topDown ? k : height - 1 - k));
        for (int x = 0; x < picture.width(); ++x) {
            const bool seeThrough = (bits[x / 8] >> (7 - x % 8)) & 1u;
            row[x] = seeThrough ? row[x] & ~kAlpha : row[x] | kAlpha;
        }
    }
    return Status::ok();
}

Status decodeIconBitmap(QByteArrayView dib, QImage& picture) {
    BmpHeader h;
    std::string why;
    if (!readIconHeader(dib, h, why)) return Status::failure(why);
    if (h.layout == BmpPixelStorage::RunLength8 || h.layout == BmpPixelStorage::RunLength4)
        return Status::unsupported("an icon whose bitmap is run-length compressed");
    if (!pictureSizeAccepted(h.width, h.height)) return Status::failure("picture is too large");
    QImage decoded(static_cast<int>(h.width), static_cast<int>(h.height), QImage::Format_ARGB32);
    if (decoded.isNull()) return Status::failure("out of memory for the picture");
    if (Status st = decodeBmpPixels(dib, h, decoded); st.failed()) return st;
    // An alpha of 0 everywhere is what writers leave in icons meant with their mask.
    const bool ownAlpha = h.layout == BmpPixelStorage::Masked && h.masks[3] != 0 &&
                          someAlpha(decoded, [](int a) { return a != 0; });
    if (!ownAlpha)
        if (Status st = applyMask(dib, h, decoded); st.failed()) return st;
    if (!someAlpha(decoded, [](int a) { return a != 255; }))
        decoded.reinterpretAsFormat(QImage::Format_RGB32);
    picture = std::move(decoded);
    return Status::ok();
}

Status decodeIco(QByteArrayView file, QImage& picture) {
    const QByteArrayView image = firstImage(file);
    if (image.isEmpty()) return Status::failure("icon directory is damaged");
    if (!kPngDecoder.recognises(image)) return decodeIconBitmap(image, picture);
    // The size first: a few bytes of PNG header can claim any size.
    const QSize size = kPngDecoder.headerSize(image);
    if (size == kUnknownSize) return Status::failure("damaged PNG in the icon");
    if (!pictureSizeAccepted(size.width(), size.height()))
        return Status::failure("picture is too large");
    return kPngDecoder.decode(image, picture);
}

}  // namespace

const RasterDecoder kIcoDecoder{recognisesIco, icoHeaderSize, decodeIco, nullptr};

}  // namespace glint

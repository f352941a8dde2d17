#include "BmpDecoder.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "BmpBytes.h"
#include "BmpHeader.h"
#include "BmpRunLength.h"
#include "LoadLimits.h"

namespace glint {
namespace {

using Bytes = const unsigned char*;

// The file header, the largest info header, its masks and a full palette all lie within this.
constexpr std::int64_t kHeadBytes = 2048;
// Pixel rows read from a file at a time.
constexpr std::int64_t kRowBatchBytes = std::int64_t{128} << 10;

QSize bmpHeaderSize(QByteArrayView file) {
    BmpHeader h;
    std::string why;
    if (!readBmpHeader(file, h, why)) return kUnknownSize;
    const auto side = [](std::int64_t v) {
        return static_cast<int>(std::min<std::int64_t>(v, std::numeric_limits<int>::max()));
    };
    return {side(h.width), side(h.height)};
}

// The palette, from `p` (its first entry).
std::vector<QRgb> readPalette(Bytes p, const BmpHeader& h) {
    std::vector<QRgb> palette(static_cast<std::size_t>(h.paletteEntries));
    for (QRgb& c : palette) {
        c = qRgb(p[2], p[1], p[0]);
        p += h.paletteEntryBytes;
    }
    return palette;
}

bool isRunLength(const BmpHeader& h) {
    return h.layout == BmpPixelStorage::RunLength8 || h.layout == BmpPixelStorage::RunLength4;
}

// One channel of a masked pixel, scaled from its own width to 0..255 (rounded): a 5-bit 31
// and a 6-bit 63 both become 255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        while (((m >> shift) & 1u) == 0) ++shift;
        max = m >> shift;
    }
    unsigned value(std::uint32_t pixel, unsigned none) const {
        if (max == 0) return none;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<unsigned>((v * 510 + max) / (2 * max));
    }
};

class MaskedPixels {
  public:
    explicit MaskedPixels(const BmpHeader& h)
        : r_(h.masks[0]), g_(h.masks[1]), b_(h.masks[2]), a_(h.masks[3]) {
        if (h.bits == 16) {  // every 16-bit value once, instead of four channels per pixel
            table_.resize(1u << 16);
            for (std::uint32_t v = 0; v < table_.size(); ++v) table_[v] = colour(v);
        }
    }
    bool plainBgra() const {
        return r_.mask == 0xFF0000 && g_.mask == 0xFF00 && b_.mask == 0xFF &&
               (a_.mask == 0 || a_.mask == 0xFF000000u);
    }
    QRgb colour(std::uint32_t v) const {
        return qRgba(static_cast<int>(r_.value(v, 0)), static_cast<int>(g_.value(v, 0)),
                     static_cast<int>(b_.value(v, 0)), static_cast<int>(a_.value(v, 255)));
    }
    void row16(Bytes in, int width, QRgb* out) const {
        for (int x = 0; x < width; ++x, in += 2) out[x] = table_[in[0] | in[1] << 8];
    }

  private:
    Channel r_, g_, b_, a_;
    std::vector<QRgb> table_;
};

bool indexedRow(Bytes in, int width, int bits, const std::vector<QRgb>& palette, QRgb* out) {
    const unsigned perByte = 8u / static_cast<unsigned>(bits);
    const unsigned mask = (1u << bits) - 1;
    const std::size_t entries = palette.size();
    for (int x = 0; x < width; ++x) {
        const unsigned slot = static_cast<unsigned>(x) % perByte;
        const unsigned shift = 8 - static_cast<unsigned>(bits) * (slot + 1);
        const unsigned index = (in[static_cast<unsigned>(x) / perByte] >> shift) & mask;
        if (index >= entries) return false;
        out[x] = palette[index];
    }
    return true;
}

// Blue, green, red: every pixel but the last read as four bytes, the fourth (the next pixel's
// blue) replaced by the opaque alpha.
void rgb24Row(Bytes in, int width, QRgb* out) {
    int x = 0;
    for (; x + 1 < width; ++x, in += 3) out[x] = qFromLittleEndian<quint32>(in) | 0xFF000000u;
    if (x < width) out[x] = qRgb(in[2], in[1], in[0]);
}

// One row of `in` into `out`; false for a pixel past the palette.
bool decodeRow(Bytes in, const BmpHeader& h, const std::vector<QRgb>& palette,
               const MaskedPixels& masked, bool plain, int width, QRgb* out) {
    switch (h.layout) {
        case BmpPixelStorage::Indexed:
            return indexedRow(in, width, h.bits, palette, out);
        case BmpPixelStorage::Rgb24:
            rgb24Row(in, width, out);
            return true;
        default:
            break;
    }
    if (h.bits == 16) {
        masked.row16(in, width, out);
    } else if (plain) {
        std::memcpy(out, in, static_cast<std::size_t>(width) * 4);
        if (h.masks[3] == 0)
            for (int x = 0; x < width; ++x) out[x] |= 0xFF000000u;
    } else {
        for (int x = 0; x < width; ++x, in += 4)
            out[x] = masked.colour(in[0] | in[1] << 8 | in[2] << 16 | std::uint32_t{in[3]} << 24);
    }
    return true;
}

// Reads the rows in file order, a batch of bounded size at a time, into `picture`, or with
// `rows` set through `line` to it.
Status decodeRows(BmpBytes& bytes, const BmpHeader& h, const std::vector<QRgb>& palette,
                  QImage& picture, std::vector<QRgb>& line, DecodedRows* rows) {
    if (h.layout != BmpPixelStorage::Indexed && h.layout != BmpPixelStorage::Rgb24 &&
        h.layout != BmpPixelStorage::Masked) {
        return Status::failure("bitmap layout mix-up");
    }
    const auto width = static_cast<int>(h.width);
    const auto height = static_cast<int>(h.height);
    const std::int64_t stride = (h.width * h.bits + 31) / 32 * 4;
    if (h.dataOffset + stride * h.height > bytes.size())
        return Status::failure("bitmap is truncated");
    const MaskedPixels masked(h);
    const bool plain = h.layout == BmpPixelStorage::Masked && h.bits == 32 && masked.plainBgra();
    const int batch =
        static_cast<int>(std::clamp<std::int64_t>(kRowBatchBytes / stride, 1, height));
    for (int first = 0; first < height; first += batch) {
        const int count = std::min(batch, height - first);
        Bytes in = bytes.read(h.dataOffset + stride * first, stride * count);
        if (in == nullptr) return Status::failure("bitmap is truncated");
        for (int k = 0; k < count; ++k, in += stride) {
            const int y = h.topDown ? first + k : height - 1 - (first + k);
            QRgb* out =
                rows != nullptr ? line.data() : reinterpret_cast<QRgb*>(picture.scanLine(y));
            if (!decodeRow(in, h, palette, masked, plain, width, out))
                return Status::failure("bitmap pixel lies past the palette");
            if (rows != nullptr)
                if (Status st = rows->rowReady(y, out); st.failed()) return st;
        }
    }
    return Status::ok();
}

// The pixels into `decoded`, or with `rows` set through `line` to it.
Status decodePixels(BmpBytes& bytes, const BmpHeader& h, const std::vector<QRgb>& palette,
                    QImage& decoded, std::vector<QRgb>& line, DecodedRows* rows) {
    if (!isRunLength(h)) return decodeRows(bytes, h, palette, decoded, line, rows);
    // Runs cross rows freely and are small: they are decoded from the whole file at once.
    const Bytes all = bytes.read(0, bytes.size());
    if (all == nullptr) return Status::failure("bitmap cannot be read");
    return decodeRunLength(QByteArrayView(all, static_cast<qsizetype>(bytes.size())), h, palette,
                           decoded);
}

Status decodeFrom(BmpBytes& bytes, QImage& picture, DecodedRows* rows) {
    const std::int64_t headBytes = std::min(bytes.size(), kHeadBytes);
    const Bytes headData = bytes.read(0, headBytes);
    if (headData == nullptr) return Status::failure("bitmap cannot be read");
    // A copy: the next read may reuse the buffer.
    const QByteArray head(reinterpret_cast<const char*>(headData),
                          static_cast<qsizetype>(headBytes));
    BmpHeader h;
    std::string why;
    if (!readBmpHeader(head, bytes.size(), h, why)) return Status::failure(why);
    if (!pictureSizeAccepted(h.width, h.height)) return Status::failure("picture is too large");
    const QSize size(static_cast<int>(h.width), static_cast<int>(h.height));
    const bool alpha = h.layout == BmpPixelStorage::Masked && h.masks[3] != 0;
    const QImage::Format format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const RowOrder order = h.topDown ? RowOrder::TopDown : RowOrder::BottomUp;
    if (rows != nullptr && (isRunLength(h) || !rows->begin(size, format, order))) rows = nullptr;
    QImage decoded;
    std::vector<QRgb> line;
    try {
        if (rows != nullptr) line.resize(static_cast<std::size_t>(size.width()));
    } catch (const std::bad_alloc&) {
        return Status::failure("out of memory for the picture");
    }
    if (rows == nullptr) {
        decoded = QImage(size, format);
        if (decoded.isNull()) return Status::failure("out of memory for the picture");
    }
    const auto palette = readPalette(reinterpret_cast<Bytes>(head.data()) + h.paletteOffset, h);
    if (Status st = decodePixels(bytes, h, palette, decoded, line, rows); st.failed()) return st;
    if (rows == nullptr) picture = std::move(decoded);
    return Status::ok();
}

Status decodeBmp(QByteArrayView file, QImage& picture) {
    BmpBytes bytes(file);
    return decodeFrom(bytes, picture, nullptr);
}

Status decodeBmpFile(QIODevice& file, QImage& picture, DecodedRows* rows) {
    BmpBytes bytes(file);
    return decodeFrom(bytes, picture, rows);
}

}  // namespace

Status decodeBmpPixels(QByteArrayView dib, const BmpHeader& header, QImage& picture) {
    BmpBytes bytes(dib);
    const Bytes entries = bytes.read(
        header.paletteOffset, std::int64_t{header.paletteEntries} * header.paletteEntryBytes);
    if (entries == nullptr) return Status::failure("bitmap palette is cut short");
    std::vector<QRgb> line;
    return decodePixels(bytes, header, readPalette(entries, header), picture, line, nullptr);
}

const RasterDecoder kBmpDecoder{isBmp, bmpHeaderSize, decodeBmp, decodeBmpFile};

}  // namespace glint

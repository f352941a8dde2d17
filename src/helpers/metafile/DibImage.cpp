#include "DibImage.h"

#include <cmath>
#include <cstdint>

#include "io/decode/LittleEndian.h"

namespace glint {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBitFields = 3;
// The metafile player keeps a bitmap's sides in 16 bits.
constexpr int kMaxBitmapSide = 65535;

}  // namespace

QImage decodeDib(const QByteArray& body) {
    if (body.size() < static_cast<qsizetype>(kCoreHeaderBytes)) return {};
    const std::uint32_t header = le::u32(body, 0);
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned bits = 0;
    std::uint32_t compression = 0;
    std::int64_t colours = 0;
    std::int64_t extra = 0;
    if (header == kCoreHeaderBytes) {
        width = le::u16(body, 4);
        height = le::u16(body, 6);
        bits = le::u16(body, 10);
        colours = bits <= 8 ? (std::int64_t{1} << bits) * 3 : 0;
    } else if (header >= kInfoHeaderBytes && body.size() >= static_cast<qsizetype>(header)) {
        width = le::s32(body, 4);
        height = std::abs(std::int64_t{le::s32(body, 8)});
        bits = le::u16(body, 14);
        compression = le::u32(body, 16);
        const std::uint32_t used = le::u32(body, 32);
        colours = (used ? used : (bits <= 8 ? std::int64_t{1} << bits : 0)) * 4;
        if (compression == kBitFields && header == kInfoHeaderBytes) extra = 12;
    } else {
        return {};
    }
    const std::int64_t pixelsAt = kFileHeaderBytes + header + extra + colours;
    if (pixelsAt > kFileHeaderBytes + body.size()) return {};
    // Uncompressed rows must all be there; the reader would leave missing ones blank.
    const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
    if ((compression == 0 || compression == kBitFields) &&
        kFileHeaderBytes + body.size() - pixelsAt < rowBytes * height)
        return {};
    QByteArray file("BM");
    file.append(QByteArray(12, '\0')).append(body);
    const auto put32 = [&file](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, static_cast<std::uint32_t>(pixelsAt));
    QImage image;
    if (!image.loadFromData(file, "BMP") || image.width() > kMaxBitmapSide ||
        image.height() > kMaxBitmapSide)
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace glint

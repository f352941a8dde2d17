#include "PlainBmpReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "LittleEndian.h"
#include "LoadLimits.h"

namespace glint {
namespace {

constexpr int kFileHeaderBytes = 14;
// Info headers of versions 3, 4 and 5: the same fields first, colour space data after.
constexpr std::uint32_t kInfoHeaderSizes[] = {40, 108, 124};
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
constexpr std::int64_t kReadBytes = std::int64_t{1} << 20;  // file rows read at a time

// Blue, green, red bytes to opaque 0xAARRGGBB words, four pixels per step.
void expandRow(const unsigned char* in, std::int32_t width, std::uint32_t* out) {
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, in += 12) {
        std::uint64_t low = 0;
        std::uint32_t high = 0;
        std::memcpy(&low, in, sizeof low);
        std::memcpy(&high, in + sizeof low, sizeof high);
        out[x] = kOpaque | (static_cast<std::uint32_t>(low) & kColourBits);
        out[x + 1] = kOpaque | (static_cast<std::uint32_t>(low >> 24) & kColourBits);
        out[x + 2] = kOpaque | (static_cast<std::uint32_t>(low >> 48 | std::uint64_t{high} << 16) &
                                kColourBits);
        out[x + 3] = kOpaque | (high >> 8);
    }
    for (; x < width; ++x, in += 3) {
        out[x] = kOpaque | std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
    }
}

}  // namespace

std::optional<QSize> plainBmpSize(const QByteArray& head) {
    using le::s32;
    using le::u16;
    using le::u32;
    if (head.size() < kPlainBmpHeadBytes || !head.startsWith("BM")) return std::nullopt;
    const std::uint32_t infoSize = u32(head, kFileHeaderBytes);
    if (std::find(std::begin(kInfoHeaderSizes), std::end(kInfoHeaderSizes), infoSize) ==
            std::end(kInfoHeaderSizes) ||
        u16(head, 26) != 1 || u16(head, 28) != kBitsPerPixel || u32(head, 30) != kUncompressed) {
        return std::nullopt;
    }
    const std::int32_t width = s32(head, 18);
    const std::int64_t height = std::llabs(std::int64_t{s32(head, 22)});
    // Anything unusual goes to the image reader, which decides about it.
    if (!pictureSizeAccepted(width, height) || u32(head, 10) < kFileHeaderBytes + infoSize) {
        return std::nullopt;
    }
    return QSize(width, static_cast<int>(height));
}

std::optional<Status> readPlainBmp(QFile& file, const QByteArray& head, QImage& picture,
                                   const RowsDecoded& rowsDecoded) {
    const std::optional<QSize> size = plainBmpSize(head);
    if (!size) return std::nullopt;
    const std::int32_t width = size->width();
    const std::int64_t height = size->height();
    const bool bottomUp = le::s32(head, 22) > 0;
    const std::int64_t dataOffset = le::u32(head, 10);

    QImage image(width, static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull()) return Status::failure("out of memory for the picture");
    // Taken once: the rows are written through this pointer while `rowsDecoded` sees them.
    std::uint32_t* const pixels = reinterpret_cast<std::uint32_t*>(image.bits());
    const std::int64_t perLine = image.bytesPerLine() / 4;
    const std::int64_t stride = (std::int64_t{width} * 3 + 3) / 4 * 4;
    const std::int64_t rowsPerRead = std::max<std::int64_t>(1, kReadBytes / stride);
    std::vector<unsigned char> rows(static_cast<std::size_t>(stride * rowsPerRead));
    if (!file.seek(dataOffset)) return Status::failure("bitmap cannot be read");
    for (std::int64_t done = 0; done < height; done += rowsPerRead) {
        const std::int64_t count = std::min(rowsPerRead, height - done);
        const std::int64_t bytes = count * stride;
        if (file.read(reinterpret_cast<char*>(rows.data()), bytes) != bytes) {
            return Status::failure("bitmap is truncated");
        }
        for (std::int64_t k = 0; k < count; ++k) {
            const std::int64_t fileRow = done + k;  // 0 = the first row in the file
            const std::int64_t y = bottomUp ? height - 1 - fileRow : fileRow;
            expandRow(rows.data() + k * stride, width, pixels + y * perLine);
        }
        if (rowsDecoded) {
            const std::int64_t first = bottomUp ? height - done - count : done;
            rowsDecoded(image, static_cast<int>(first), static_cast<int>(count));
        }
    }
    picture = std::move(image);
    return Status::ok();
}

}  // namespace glint

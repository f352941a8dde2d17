#include "BmpStreamWriter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace glint {
namespace {

constexpr std::int64_t kFileHeaderBytes = 14;
constexpr std::int64_t kInfoHeaderBytes = 40;
constexpr std::int64_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
constexpr std::int64_t kMaxFileBytes = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dpi
static_assert(std::endian::native == std::endian::little, "rows are packed for little-endian");

std::int64_t strideOf(std::int64_t width) { return (width * 3 + 3) / 4 * 4; }

void put16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xff);
    at[1] = static_cast<char>(v >> 8);
}
void put32(char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::array<char, kHeaderBytes> headers(std::int32_t width, std::int32_t height) {
    std::array<char, kHeaderBytes> h{};
    const auto imageBytes = static_cast<std::uint32_t>(strideOf(width) * height);
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], static_cast<std::uint32_t>(kHeaderBytes) + imageBytes);  // file size
    put32(&h[10], static_cast<std::uint32_t>(kHeaderBytes));              // pixel data offset
    put32(&h[14], static_cast<std::uint32_t>(kInfoHeaderBytes));
    put32(&h[18], static_cast<std::uint32_t>(width));
    put32(&h[22], static_cast<std::uint32_t>(height));  // positive: rows stored bottom-up
    put16(&h[26], 1);                                   // planes
    put16(&h[28], kBitsPerPixel);
    put32(&h[30], 0);  // uncompressed
    put32(&h[34], imageBytes);
    put32(&h[38], static_cast<std::uint32_t>(kPixelsPerMetre));
    put32(&h[42], static_cast<std::uint32_t>(kPixelsPerMetre));
    return h;  // no palette, all colours important
}

// Blue, green, red of each 0xAARRGGBB pixel (little-endian host: the low three bytes in
// order), four pixels at a time as one 8-byte and one 4-byte store. The words are built in
// registers: assembling them in memory first stalls on store forwarding and is several times
// slower.
void packRow(const std::uint32_t* pixels, std::int32_t width, char* out) {
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, out += 12) {
        const std::uint64_t p0 = pixels[x] & 0xffffff;
        const std::uint64_t p1 = pixels[x + 1] & 0xffffff;
        const std::uint64_t p2 = pixels[x + 2] & 0xffffff;
        const std::uint32_t p3 = pixels[x + 3] & 0xffffff;
        const std::uint64_t low = p0 | p1 << 24 | p2 << 48;
        const std::uint32_t high = static_cast<std::uint32_t>(p2 >> 16) | p3 << 8;
        std::memcpy(out, &low, sizeof low);
        std::memcpy(out + sizeof low, &high, sizeof high);
    }
    for (; x < width; ++x) {
        const std::uint32_t p = pixels[x];
        *out++ = static_cast<char>(p & 0xff);          // blue
        *out++ = static_cast<char>((p >> 8) & 0xff);   // green
        *out++ = static_cast<char>((p >> 16) & 0xff);  // red
    }
}

}  // namespace

BmpStreamWriter::BmpStreamWriter() = default;

BmpStreamWriter::~BmpStreamWriter() { cancel(); }

Status BmpStreamWriter::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("bitmap has no pixels");
    if (height > (kMaxFileBytes - kHeaderBytes) / strideOf(width))
        return Status::failure("picture is too large for a bitmap file");
    if (QFileInfo(fileName).isDir()) return Status::failure("the name is a folder");

    file_ = std::make_unique<QSaveFile>(fileName);
    file_->setDirectWriteFallback(false);
    if (!file_->open(QIODevice::WriteOnly)) {
        const std::string why = file_->errorString().toStdString();
        cancel();
        return Status::failure("cannot create the file: " + why);
    }
    width_ = width;
    height_ = height;
    rowsWritten_ = 0;
    rowDone_.assign(static_cast<std::size_t>(height), false);
    band_.clear();  // taken at the first row
    failed_ = false;
    const auto h = headers(width, height);
    if (file_->write(h.data(), kHeaderBytes) != kHeaderBytes) {
        const std::string why = file_->errorString().toStdString();
        cancel();
        return Status::failure("cannot write the file: " + why);
    }
    return Status::ok();
}

Status BmpStreamWriter::writeRow(std::int32_t y, const std::uint32_t* pixels) {
    if (!pixels) return Status::failure("row outside the bitmap");
    return writeRows(y, ConstPixelView{pixels, width_, 1, 0});
}

Status BmpStreamWriter::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (!file_ || failed_) return Status::failure("the bitmap file is not open");
    if (rows.height <= 0 || rows.width != width_ || !rows.pixels || firstRow < 0 ||
        firstRow > height_ - rows.height) {
        return Status::failure("rows outside the bitmap");
    }
    const auto stride = static_cast<std::size_t>(strideOf(width_));
    const auto count = static_cast<std::size_t>(rows.height);
    if (band_.size() < stride * count) band_.assign(stride * count, 0);
    const auto rowBytes = static_cast<std::size_t>(width_) * sizeof(std::uint32_t);
    for (std::int32_t y = 0; y < rows.height; ++y) {
        // Stored bottom-up: the band's last row comes first in the file.
        char* out = band_.data() + stride * (count - 1 - static_cast<std::size_t>(y));
        // Gap rows repeat the row above them: copying the packed row is cheaper than packing.
        if (y > 0 && std::memcmp(rows.row(y), rows.row(y - 1), rowBytes) == 0) {
            std::memcpy(out, out + stride, stride);
        } else {
            packRow(rows.row(y), width_, out);
        }
    }
    return writePacked(firstRow, rows.height);
}

Status BmpStreamWriter::writePacked(std::int32_t firstRow, std::int32_t count) {
    const auto stride = strideOf(width_);
    const std::int64_t lowest = std::int64_t{firstRow} + count - 1;
    const std::int64_t offset = kHeaderBytes + (height_ - 1 - lowest) * stride;
    const std::int64_t bytes = stride * count;
    if (!file_->seek(offset) || file_->write(band_.data(), bytes) != bytes) {
        failed_ = true;
        const std::string why = file_->errorString().toStdString();
        cancel();
        return Status::failure("cannot write the file: " + why);
    }
    for (std::int32_t y = firstRow; y < firstRow + count; ++y) {
        if (!rowDone_[static_cast<std::size_t>(y)]) {
            rowDone_[static_cast<std::size_t>(y)] = true;
            ++rowsWritten_;
        }
    }
    return Status::ok();
}

Status BmpStreamWriter::commit() {
    if (!file_ || failed_) {
        cancel();
        return Status::failure("the bitmap file is not open");
    }
    if (rowsWritten_ != height_) {
        cancel();
        return Status::failure("not every row of the bitmap was written");
    }
    const bool committed = file_->commit();
    const std::string why = file_->errorString().toStdString();
    file_.reset();
    if (!committed) return Status::failure("cannot finish the file: " + why);
    return Status::ok();
}

void BmpStreamWriter::cancel() {
    if (!file_) return;
    file_->cancelWriting();
    file_.reset();  // QSaveFile removes its temporary file when destroyed uncommitted
}

}  // namespace glint

#include "BmpPipeSink.h"

#include <array>

#include "OutputFormat.h"

namespace glint {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dpi

std::size_t strideOf(std::int32_t width) { return (std::size_t(width) * 3 + 3) / 4 * 4; }

void put(char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::array<char, kHeaderBytes> headers(std::int32_t width, std::int32_t height) {
    std::array<char, kHeaderBytes> h{};
    const auto imageBytes = static_cast<std::uint32_t>(strideOf(width) * std::size_t(height));
    h[0] = 'B';
    h[1] = 'M';
    put(&h[2], static_cast<std::uint32_t>(kHeaderBytes) + imageBytes, 4);  // file size
    put(&h[10], static_cast<std::uint32_t>(kHeaderBytes), 4);              // pixel data offset
    put(&h[14], static_cast<std::uint32_t>(kInfoHeaderBytes), 4);
    put(&h[18], static_cast<std::uint32_t>(width), 4);
    put(&h[22], static_cast<std::uint32_t>(-height), 4);  // negative: rows stored top-down
    put(&h[26], 1, 2);                                    // planes
    put(&h[28], kBitsPerPixel, 2);
    put(&h[34], imageBytes, 4);
    put(&h[38], kPixelsPerMetre, 4);
    put(&h[42], kPixelsPerMetre, 4);
    return h;  // uncompressed, no palette, all colours important
}

}  // namespace

Status BmpPipeSink::open(const QString&, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return Status::failure("bitmap has no pixels");
    if (bmpFileBytes(width, height) > kMaxBmpFileBytes) {
        return Status::failure("picture is too large for a bitmap file");
    }
    width_ = width;
    height_ = height;
    rowsWritten_ = 0;
    failed_ = false;
    const auto h = headers(width, height);
    return write(h.data(), h.size());
}

Status BmpPipeSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (failed_) return Status::failure("the bitmap output failed before");
    if (firstRow != rowsWritten_ || rows.width != width_ || rows.height <= 0 ||
        std::int64_t{firstRow} + rows.height > height_) {
        failed_ = true;
        return Status::failure("bitmap rows out of order");
    }
    const std::size_t stride = strideOf(width_);
    band_.assign(stride * std::size_t(rows.height), 0);
    for (std::int32_t y = 0; y < rows.height; ++y) {
        char* out = band_.data() + stride * std::size_t(y);
        const std::uint32_t* in = rows.row(y);
        for (std::int32_t x = 0; x < width_; ++x) {
            put(out + 3 * std::size_t(x), in[x], 3);  // blue, green, red
        }
    }
    rowsWritten_ += rows.height;
    return write(band_.data(), band_.size());
}

Status BmpPipeSink::commit() {
    if (failed_ || rowsWritten_ != height_) {
        return Status::failure("not every row of the bitmap was written");
    }
    return Status::ok();
}

Status BmpPipeSink::write(const char* bytes, std::size_t size) {
    const auto length = static_cast<qint64>(size);
    if (device_.write(bytes, length) != length) {
        failed_ = true;
        return Status::failure(device_.errorString().toStdString());
    }
    return Status::ok();
}

}  // namespace glint

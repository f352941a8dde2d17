#include "PpmRowSink.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "io/decode/RgbBytes.h"

namespace glint {

namespace {

constexpr int kSamples = 3;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

// True when every pixel of the row has the colour of the first (a gap row).
bool isUniform(const std::uint32_t* pixels, std::int32_t count) {
    const std::uint32_t first = pixels[0] & kColourBits;
    return std::all_of(pixels, pixels + count,
                       [first](std::uint32_t p) { return (p & kColourBits) == first; });
}

}  // namespace

Status PpmRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return Status::failure("empty ppm picture");
    width_ = width;
    height_ = height;
    rowsWritten_ = 0;
    failed_ = false;
    if (Status st = target_.open(fileName); st.failed()) return st;
    const std::string header =
        "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    return write(header.data(), header.size());
}

Status PpmRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (failed_) return Status::failure("the ppm output failed before");
    if (firstRow != rowsWritten_ || rows.width != width_ || rows.height <= 0 ||
        std::int64_t{firstRow} + rows.height > height_) {
        failed_ = true;
        return Status::failure("ppm rows out of order");
    }
    const auto rowBytes = static_cast<std::size_t>(width_) * kSamples;
    band_.resize(rowBytes * static_cast<std::size_t>(rows.height));
    char* out = band_.data();
    for (std::int32_t y = 0; y < rows.height; ++y, out += rowBytes) {
        const std::uint32_t* pixels = rows.row(y);
        // A row of one colour (a gap row) is packed once and copied from then on.
        const bool again = uniformRow_.size() == static_cast<std::size_t>(width_) &&
                           std::memcmp(pixels, uniformRow_.data(), width_ * sizeof *pixels) == 0;
        if (!again) {
            if (!isUniform(pixels, width_)) {
                packRgb(pixels, width_, reinterpret_cast<unsigned char*>(out));
                continue;
            }
            uniformRow_.assign(pixels, pixels + width_);
            uniform_.resize(rowBytes);
            packRgb(pixels, width_, reinterpret_cast<unsigned char*>(uniform_.data()));
        }
        std::memcpy(out, uniform_.data(), rowBytes);
    }
    rowsWritten_ += rows.height;
    return write(band_.data(), band_.size());
}

Status PpmRowSink::commit() {
    if (failed_ || rowsWritten_ != height_) {
        cancel();
        return Status::failure("not every row of the ppm picture was written");
    }
    return target_.commit();
}

Status PpmRowSink::write(const char* bytes, std::size_t size) {
    const auto length = static_cast<qint64>(size);
    if (target_.device().write(bytes, length) != length) {
        failed_ = true;
        return Status::failure(target_.device().errorString().toStdString());
    }
    return Status::ok();
}

}  // namespace glint

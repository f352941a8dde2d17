#include "BmpPipeSink.h"

#include "BmpFormat.h"

namespace glint {

Status BmpPipeSink::open(const QString&, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return Status::failure("bitmap has no pixels");
    if (!bmpFits(width, height)) return Status::failure("picture is too large for a bitmap file");
    width_ = width;
    height_ = height;
    rowsWritten_ = 0;
    failed_ = false;
    const auto h = bmpHeaders(width, height, BmpRowOrder::TopDown);
    return write(h.data(), h.size());
}

Status BmpPipeSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (failed_) return Status::failure("the bitmap output failed before");
    if (firstRow != rowsWritten_ || rows.width != width_ || rows.height <= 0 ||
        std::int64_t{firstRow} + rows.height > height_) {
        failed_ = true;
        return Status::failure("bitmap rows out of order");
    }
    const auto stride = static_cast<std::size_t>(bmpStride(width_));
    band_.resize(stride * static_cast<std::size_t>(rows.height));
    for (std::int32_t y = 0; y < rows.height; ++y)
        packBmpRow(rows.row(y), width_, band_.data() + stride * static_cast<std::size_t>(y));
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

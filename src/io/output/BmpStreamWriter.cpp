#include "BmpStreamWriter.h"

#include <cstring>

#include "OutputFile.h"
#include "io/output/BmpFormat.h"

namespace glint {
BmpStreamWriter::BmpStreamWriter() = default;

BmpStreamWriter::~BmpStreamWriter() { cancel(); }

Status BmpStreamWriter::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("bitmap has no pixels");
    if (!bmpFits(width, height)) return Status::failure("picture is too large for a bitmap file");

    file_ = std::make_unique<OutputFile>(fileName);
    if (Status st = file_->create(); st.failed()) {
        file_.reset();
        return st;
    }
    width_ = width;
    height_ = height;
    rowsWritten_ = 0;
    rowDone_.assign(static_cast<std::size_t>(height), false);
    band_.clear();  // taken at the first row
    failed_ = false;
    const auto h = bmpHeaders(width, height);
    if (Status st = file_->writeAt(0, h.data(), kBmpHeaderBytes); st.failed()) {
        cancel();
        return st;
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
    const auto stride = static_cast<std::size_t>(bmpStride(width_));
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
            packBmpRow(rows.row(y), width_, out);
        }
    }
    return writePacked(firstRow, rows.height);
}

Status BmpStreamWriter::writePacked(std::int32_t firstRow, std::int32_t count) {
    const std::int64_t lowest = std::int64_t{firstRow} + count - 1;
    const std::int64_t bytes = bmpStride(width_) * count;
    if (Status st = file_->writeAt(bmpRowOffset(lowest, width_, height_), band_.data(), bytes);
        st.failed()) {
        failed_ = true;
        cancel();
        return st;
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
    Status committed = file_->commit();
    file_.reset();
    return committed;
}

void BmpStreamWriter::cancel() {
    if (!file_) return;
    file_->cancel();
    file_.reset();
}

}  // namespace glint

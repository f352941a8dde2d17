#include "BmpPipeSink.h"

#include "BmpFormat.h"

namespace glint {

Status BmpPipeSink::open(const QString&, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return Status::failure("bitmap has no pixels");
    if (!bmpFits(width, height)) return Status::failure("picture is too large for a bitmap file");
    rows_.start(width, height);
    const auto h = bmpHeaders(width, height, BmpRowOrder::TopDown);
    return write(h.data(), h.size());
}

Status BmpPipeSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (Status st = rows_.accept(firstRow, rows, "bitmap"); st.failed()) return st;
    const auto stride = static_cast<std::size_t>(bmpStride(rows.width));
    band_.resize(stride * static_cast<std::size_t>(rows.height));
    for (std::int32_t y = 0; y < rows.height; ++y)
        packBmpRow(rows.row(y), rows.width, band_.data() + stride * static_cast<std::size_t>(y));
    rows_.advance(rows.height);
    return write(band_.data(), band_.size());
}

Status BmpPipeSink::commit() {
    if (!rows_.complete()) return Status::failure("not every row of the bitmap was written");
    return Status::ok();
}

Status BmpPipeSink::write(const char* bytes, std::size_t size) {
    const auto length = static_cast<qint64>(size);
    if (device_.write(bytes, length) != length) {
        rows_.fail();
        return Status::failure(device_.errorString().toStdString());
    }
    return Status::ok();
}

}  // namespace glint

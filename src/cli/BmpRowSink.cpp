#include "BmpRowSink.h"

#include <cstring>

namespace glint {

Status BmpRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    return writer_.open(fileName, width, height);
}

Status BmpRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    const auto rowBytes = static_cast<std::size_t>(rows.width) * sizeof(std::uint32_t);
    for (std::int32_t y = 0; y < rows.height; ++y) {
        // The gap rows of a band are alike: comparing is cheaper than packing again.
        const bool repeats = y > 0 && std::memcmp(rows.row(y), rows.row(y - 1), rowBytes) == 0;
        const Status st = repeats ? writer_.repeatRow(firstRow + y)
                                  : writer_.writeRow(firstRow + y, rows.row(y));
        if (st.failed()) return st;
    }
    return Status::ok();
}

Status BmpRowSink::commit() { return writer_.commit(); }

void BmpRowSink::cancel() { writer_.cancel(); }

}  // namespace glint

#include "BmpRowSink.h"

namespace glint {

Status BmpRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    return writer_.open(fileName, width, height);
}

Status BmpRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    return writer_.writeRows(firstRow, rows);
}

Status BmpRowSink::commit() { return writer_.commit(); }

void BmpRowSink::cancel() { writer_.cancel(); }

}  // namespace glint

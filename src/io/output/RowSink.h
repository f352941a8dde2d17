#pragma once
// A streamed output file: rows arrive top to bottom in bands, the file replaces its target
// only at commit(); anything not committed leaves no file behind.
#include <QString>
#include <cstdint>

#include "engine/PixelView.h"
#include "engine/Status.h"

namespace glint {

class RowSink {
  public:
    virtual ~RowSink() = default;
    virtual Status open(const QString& fileName, std::int32_t width, std::int32_t height) = 0;
    // Rows firstRow .. firstRow + rows.height - 1, `width` 0xAARRGGBB pixels each.
    virtual Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) = 0;
    virtual Status commit() = 0;
    virtual void cancel() = 0;
};

}  // namespace glint

#pragma once
// Takes a picture's rows one by one from its decoder, as each becomes final, instead of the
// whole picture: a caller can use the rows while the rest is still being decoded, and no
// picture of the whole size is kept.
#include <QImage>
#include <QRgb>
#include <QSize>

#include "engine/Status.h"

namespace glint {

enum class RowOrder { TopDown, BottomUp };

class DecodedRows {
  public:
    virtual ~DecodedRows() = default;
    // A picture of `size` in `format` is about to be decoded, its rows coming in `order`. True:
    // the rows are taken here, each once, and the decoding gives no picture of its own.
    virtual bool begin(QSize size, QImage::Format format, RowOrder order) = 0;
    // Row `row` of the picture: `size.width()` pixels, valid during the call only. A failure
    // stops the decoding with it.
    virtual Status rowReady(int row, const QRgb* pixels) = 0;
};

}  // namespace glint

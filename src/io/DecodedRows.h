#pragma once
// Told by a decoder of each row of a picture as the row becomes final, so that a caller can use
// the rows while the rest is still being decoded.
#include <QImage>

#include "engine/Status.h"

namespace glint {

enum class RowOrder { TopDown, BottomUp };

class DecodedRows {
public:
    virtual ~DecodedRows() = default;
    // `picture` is allocated at its final size and format; its rows will come in `order`, each
    // once. Keep no copy of the image (a copy would make the decoder's writes detach from it):
    // constBits() stays valid until the decoding ends. False: no rows are wanted.
    virtual bool begin(const QImage& picture, RowOrder order) = 0;
    // Row `row` of the picture holds its final pixels. A failure stops the decoding with it.
    virtual Status rowReady(int row) = 0;
};

}  // namespace glint

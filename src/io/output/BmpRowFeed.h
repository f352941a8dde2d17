#pragma once
// Feeds a started bitmap file with the run rows of a source picture while the picture is still
// being decoded: each source row is drawn and handed to the writer as soon as the decoder has
// it, and the whole picture is never held. Takes the rows only when they are the source as it
// is rendered (opaque, the size the file was started for); otherwise the picture is decoded
// whole and drawn after.
#include <QSize>

#include "BmpScanlineFile.h"
#include "io/decode/DecodedRows.h"

namespace glint {

class BmpRowFeed : public DecodedRows {
  public:
    // `bmp` was started for a source of `size`; `progress` is told of every row drawn.
    BmpRowFeed(BmpScanlineFile& bmp, const QSize& size, const RowProgress& progress);

    bool begin(QSize size, QImage::Format format, RowOrder order) override;
    Status rowReady(int row, const QRgb* pixels) override;

    // True once the rows are taken, drawn as they are decoded.
    bool began() const { return began_; }
    // Why drawing or writing a row failed (which stopped the decoding); ok when none did.
    const Status& failure() const { return failure_; }
    // After a decoding that succeeded: waits until the file is written and puts it in place.
    Status finish();

  private:
    BmpScanlineFile& bmp_;
    QSize size_;
    RowProgress progress_;
    bool upward_ = false;
    bool began_ = false;
    std::int32_t done_ = 0;
    std::int32_t total_ = 0;
    Status failure_ = Status::ok();
};

}  // namespace glint

#include "BmpRowFeed.h"

#include <algorithm>

namespace glint {

BmpRowFeed::BmpRowFeed(BmpScanlineFile& bmp, const QSize& size, const RowProgress& progress)
    : bmp_(bmp), size_(size), progress_(progress) {}

bool BmpRowFeed::begin(QSize size, QImage::Format format, RowOrder order) {
    // A picture with transparency is laid over a background before it is drawn.
    if (!bmp_.started() || format != QImage::Format_RGB32 || size != size_) return false;
    upward_ = order == RowOrder::BottomUp;
    total_ = bmp_.geometry().extent.lastRow + 1;
    done_ = 0;
    began_ = true;
    return true;
}

Status BmpRowFeed::rowReady(int row, const QRgb* pixels) {
    // Stride 0: whichever row the kernel asks for, it reads this one.
    const ConstPixelView source{pixels, size_.width(), size_.height(), 0};
    failure_ = bmp_.drawRow(source, row, upward_);
    if (failure_.failed()) return failure_;
    ++done_;
    if (progress_) progress_(std::min(done_, total_), total_);
    return failure_;
}

Status BmpRowFeed::finish() {
    // A one-row picture renders a second row, outside the source.
    if (progress_ && done_ < total_) progress_(total_, total_);
    return bmp_.complete();
}

}  // namespace glint

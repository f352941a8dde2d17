#include "support/FakeClipboard.h"

namespace glint {

Status FakeClipboard::SetData(const QImage& picture, int format) {
    calls_.push_back({picture, format});
    if (failing_) return Status::failure("clipboard is held by another program");
    if (format != kClipboardBitmap) return Status::failure("clipboard format not supported");
    if (picture.isNull()) return Status::failure("there is no picture to copy");
    held_ = picture;
    return Status::ok();
}

}  // namespace glint

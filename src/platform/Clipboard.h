#pragma once
// The clipboard as the window uses it.
#include <QImage>

#include "engine/Status.h"

namespace glint {

// Standard clipboard format number of a bitmap.
inline constexpr int kClipboardBitmap = 2;

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // Puts the picture on the system clipboard in the given format (only kClipboardBitmap is
    // supported); fails when the clipboard cannot take it.
    virtual Status SetData(const QImage& picture, int format) = 0;
    // What the clipboard holds as an image now (null if none).
    virtual QImage image() const = 0;
};

}  // namespace glint

#pragma once
// The system clipboard of the running QGuiApplication.
#include "Clipboard.h"

namespace glint {

class SystemClipboard final : public Clipboard {
  public:
    // Replaces what the clipboard holds with the picture (other formats do not stay).
    Status SetData(const QImage& picture, int format) override;
    QImage image() const override;
};

}  // namespace glint

#pragma once
// An output of several pictures of one size, each given whole: an animation's frames (gif,
// webp) or a document's pages (tiff). Nothing is left behind unless commit() succeeds.
#include <QString>
#include <cstdint>

#include "engine/PixelView.h"
#include "engine/Status.h"

namespace glint {

struct FrameTiming {
    std::int32_t frames = 1;  // frames that will be added
    std::int32_t loops = 1;   // times they play: 0 for ever
};

class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual Status open(const QString& fileName, std::int32_t width, std::int32_t height,
                        const FrameTiming& timing) = 0;
    // The next frame, `width` x `height` 0xAARRGGBB pixels (alpha is ignored), shown for
    // `delayMs` milliseconds.
    virtual Status addFrame(const ConstPixelView& frame, std::int32_t delayMs) = 0;
    virtual Status commit() = 0;
    virtual void cancel() = 0;
};

}  // namespace glint

#pragma once
// A tiff of several pages, one for each frame (TiffRowSink's rows, page after page). Delays
// and loop counts have no place in a tiff and are dropped.
#include <QIODevice>

#include "FrameSink.h"
#include "TiffRowSink.h"

namespace glint {

class TiffPageSink : public FrameSink {
  public:
    explicit TiffPageSink(int effort) : pages_(effort) {}
    TiffPageSink(int effort, QIODevice& device) : pages_(effort, device) {}

    Status open(const QString& fileName, std::int32_t width, std::int32_t height,
                const FrameTiming& timing) override;
    Status addFrame(const ConstPixelView& frame, std::int32_t delayMs) override;
    Status commit() override { return pages_.commit(); }
    void cancel() override { pages_.cancel(); }

  private:
    TiffRowSink pages_;
    bool first_ = true;
};

}  // namespace glint

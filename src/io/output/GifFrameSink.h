#pragma once
// GIF output: every frame exact (GifBlocks.h), LZW-compressed through giflib. A frame is
// written as the area where it differs from the frame before (the rest stays on the screen),
// its colours in the file's global table when the first frame's colours hold them, else in a
// table of its own. Delays are stored in centiseconds, rounded to the nearest (a GIF input's
// delays come back exactly); the loop count as a NETSCAPE2.0 extension.
#include <QIODevice>
#include <vector>

#include "FrameSink.h"
#include "GifBlocks.h"
#include "OutputFormat.h"
#include "SinkDevice.h"

struct GifFileType;

namespace glint {

class GifFrameSink : public FrameSink {
  public:
    GifFrameSink();
    // Writes to `device` instead of a file; open() then takes no file name.
    explicit GifFrameSink(QIODevice& device);
    ~GifFrameSink() override;
    GifFrameSink(const GifFrameSink&) = delete;
    GifFrameSink& operator=(const GifFrameSink&) = delete;

    Status open(const QString& fileName, std::int32_t width, std::int32_t height,
                const FrameTiming& timing) override;
    Status addFrame(const ConstPixelView& frame, std::int32_t delayMs) override;
    Status commit() override;
    void cancel() override;

  private:
    Status start(const std::vector<std::uint32_t>& globalColours);
    Status writeBlock(const ConstPixelView& area, QPoint at, const GifBlock& block,
                      std::int32_t delayCs);
    // Where `frame` differs from the frame before; the whole frame for the first.
    QRect changedArea(const ConstPixelView& frame) const;
    Status failure(const char* what);
    void release();

    static int onWrite(GifFileType* gif, const unsigned char* data, int length);

    SinkDevice target_;
    GifFileType* gif_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    FrameTiming timing_;
    std::int32_t framesWritten_ = 0;
    std::vector<std::uint32_t> global_;    // the global colour table, 0xRRGGBB
    std::vector<std::uint32_t> previous_;  // the frame before, as shown
    bool failed_ = false;
};

}  // namespace glint

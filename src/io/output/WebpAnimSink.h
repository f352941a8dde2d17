#pragma once
// Animated WebP output through libwebp's animation encoder (libwebpmux), lossy or lossless as
// the settings say; frame delays in milliseconds, the loop count kept. The encoder keeps the
// frames it has not yet settled, so the memory is taken from the budget for whole pictures
// (two frames of webpEncodeBytes()) while the sink is open.
#include <QIODevice>
#include <memory>

#include "EncoderSettings.h"
#include "FrameSink.h"
#include "SinkDevice.h"

struct WebPAnimEncoder;

namespace glint {

class WebpAnimSink : public FrameSink {
  public:
    explicit WebpAnimSink(const EncoderSettings& settings);
    WebpAnimSink(const EncoderSettings& settings, QIODevice& device);
    ~WebpAnimSink() override;
    WebpAnimSink(const WebpAnimSink&) = delete;
    WebpAnimSink& operator=(const WebpAnimSink&) = delete;

    Status open(const QString& fileName, std::int32_t width, std::int32_t height,
                const FrameTiming& timing) override;
    Status addFrame(const ConstPixelView& frame, std::int32_t delayMs) override;
    Status commit() override;
    void cancel() override;

  private:
    void release();

    SinkDevice target_;
    EncoderSettings settings_;
    WebPAnimEncoder* encoder_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    FrameTiming timing_;
    std::int32_t framesAdded_ = 0;
    std::int64_t timestampMs_ = 0;
    std::int64_t budgetTaken_ = 0;
    bool failed_ = false;
};

}  // namespace glint
